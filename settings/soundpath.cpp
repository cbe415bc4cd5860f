#include "settings/soundpath.h"

#include "device/files.h"
#include "settings/settings.h"

#include <vector>

namespace hv {

std::u16string decodeSoundPath(const uint8_t* data, size_t size, size_t maxChars) {
    std::u16string out;
    for (size_t i = 0; i + 1 < size && out.size() < maxChars; i += 2) {
        const auto c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (c == 0)
            break;
        out += c;
    }
    return out;
}

std::optional<std::u16string> readSoundPathFile(std::u16string_view devicePath, size_t maxChars) {
    const auto bytes = dev::readWholeFile(devicePath);
    if (!bytes)
        return std::nullopt;
    std::u16string text = decodeSoundPath(bytes->data(), bytes->size(), maxChars);
    if (text.empty())
        return std::nullopt;
    return text;
}

std::vector<uint8_t> encodeTerminatedUtf16(std::u16string_view text) {
    std::vector<uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

bool writeSoundPathFile(std::u16string_view devicePath, std::u16string_view text) {
    return dev::saveWholeFile(devicePath, encodeTerminatedUtf16(text));
}

bool namesNoSound(std::u16string_view path) {
    const size_t slash = path.rfind(u'\\');
    const std::u16string_view name =
        slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    constexpr std::u16string_view kNone = u"none.wav";
    if (name.size() != kNone.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char16_t c = name[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != kNone[i])
            return false;
    }
    return true;
}

void readChimeSound() {
    auto text = readSoundPathFile(dataFilePath(u"chimesnd.dat"));
    app().chimeSound = text ? *text : std::u16string(kDefaultSoundPath);
}

bool writeChimeSound() {
    return writeSoundPathFile(dataFilePath(u"chimesnd.dat"), app().chimeSound);
}

} // namespace hv

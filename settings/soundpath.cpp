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

namespace {

char16_t lowerAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Whether the text ends with the lower-case suffix, in any letter case.
bool endsWithNoCase(std::u16string_view text, std::u16string_view suffix) {
    if (text.size() < suffix.size())
        return false;
    const size_t at = text.size() - suffix.size();
    for (size_t i = 0; i < suffix.size(); ++i)
        if (lowerAscii(text[at + i]) != suffix[i])
            return false;
    return true;
}

constexpr std::u16string_view kSoundExtension = u".wav";

} // namespace

bool namesNoSound(std::u16string_view path) {
    const size_t slash = path.rfind(u'\\');
    const std::u16string_view name =
        slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    constexpr std::u16string_view kNone = u"none.wav";
    return name.size() == kNone.size() && endsWithNoCase(name, kNone);
}

SoundList soundListOf(std::u16string_view folder) {
    SoundList out;
    const auto entries = dev::listFolder(folder.empty() ? u"\\" : folder);
    if (!entries)
        return out;
    for (const dev::FolderEntry& e : *entries) {
        if (e.folder || !endsWithNoCase(e.name, kSoundExtension))
            continue;
        std::u16string shown = e.name.substr(0, e.name.size() - kSoundExtension.size());
        // A list item holds neither a backslash nor a full stop: a name with a full stop would
        // end the list early, so such files are left out.
        if (shown.empty() || shown.find(u'.') != std::u16string::npos)
            continue;
        out.files.push_back(e.name);
        out.names.push_back(std::move(shown));
    }
    return out;
}

uint32_t soundListIndex(std::u16string_view path) {
    const size_t slash = path.rfind(u'\\');
    const std::u16string_view folder =
        slash == std::u16string_view::npos ? path : path.substr(0, slash);
    std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    name = name.substr(0, name.find(u'.'));
    const SoundList list = soundListOf(folder);
    for (size_t i = 0; i < list.names.size(); ++i)
        if (list.names[i] == name)
            return static_cast<uint32_t>(i + 1);
    return 0;
}

void takeShownDefaultSound(uint32_t& soundIndex, std::u16string_view soundFile) {
    if (soundIndex != 0 || dev::fileExists(soundFile))
        return;
    const uint32_t shown = soundListIndex(kDefaultSoundPath);
    if (shown == 0)
        return;
    soundIndex = shown;
    writeSoundPathFile(soundFile, kDefaultSoundPath);
}

void readChimeSound() {
    auto text = readSoundPathFile(dataFilePath(u"chimesnd.dat"));
    app().chimeSound = text ? *text : std::u16string(kDefaultSoundPath);
}

bool writeChimeSound() {
    return writeSoundPathFile(dataFilePath(u"chimesnd.dat"), app().chimeSound);
}

} // namespace hv

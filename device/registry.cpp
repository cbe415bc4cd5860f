#include "device/registry.h"

#include "device/device.h"
#include "device/files.h"
#include "device/paths.h"

#include <QChar>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace hv::dev {

namespace fs = std::filesystem;

namespace {

// Key and value names become file names: anything but letters, digits, space, '_' and '-' is
// written as %XXXX so that every name maps to one file and back.
std::string encode(std::u16string_view name) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (char16_t c : name) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
            c == u' ' || c == u'_' || c == u'-') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            for (int s = 12; s >= 0; s -= 4)
                out += hex[(c >> s) & 0xF];
        }
    }
    return out;
}

std::u16string decode(std::string_view file) {
    std::u16string out;
    for (size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '%' && i + 4 < file.size()) {
            const std::string hex(file.substr(i + 1, 4));
            char* end = nullptr;
            const unsigned long c = std::strtoul(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 4) {
                out += static_cast<char16_t>(c);
                i += 4;
                continue;
            }
        }
        out += static_cast<char16_t>(static_cast<unsigned char>(file[i]));
    }
    return out;
}

std::u16string upper(std::u16string s) {
    for (auto& c : s)
        c = QChar(c).toUpper().unicode();
    return s;
}

// The entry of a folder that spells `name` (an encoded file name) in any case; the name itself
// when there is none.
fs::path entryIgnoringCase(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    const fs::path exact = folder / name;
    if (fs::exists(exact, ec))
        return exact;
    const std::u16string want = upper(decode(name));
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (upper(decode(e.path().filename().string())) == want)
            return e.path();
    return exact;
}

fs::path hiveDir(RegHive hive) {
    return current().root() / ".system" / "registry" /
           (hive == RegHive::LocalMachine ? "HKLM" : "HKCU");
}

fs::path keyDir(RegHive hive, std::u16string_view key) {
    fs::path p = hiveDir(hive);
    size_t i = 0;
    while (i <= key.size()) {
        size_t j = key.find(u'\\', i);
        if (j == std::u16string_view::npos)
            j = key.size();
        if (j > i)
            p = entryIgnoringCase(p, encode(key.substr(i, j - i)));
        i = j + 1;
    }
    return p;
}

// The device path of a value file, for the file helpers (which take device paths).
std::u16string valueDevicePath(RegHive hive, std::u16string_view key, std::u16string_view name) {
    const fs::path file = entryIgnoringCase(keyDir(hive, key), "v_" + encode(name));
    return devicePathOf(current().root(), file);
}

} // namespace

bool regCreateKey(RegHive hive, std::u16string_view key) {
    std::error_code ec;
    fs::create_directories(keyDir(hive, key), ec);
    return !ec;
}

bool regKeyExists(RegHive hive, std::u16string_view key) {
    std::error_code ec;
    return fs::is_directory(keyDir(hive, key), ec);
}

bool regSetValue(RegHive hive, std::u16string_view key, std::u16string_view name, RegType type,
                 const void* data, size_t n) {
    if (!regKeyExists(hive, key))
        return false;
    std::vector<uint8_t> bytes(4 + n);
    const auto t = static_cast<uint32_t>(type);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(t >> (8 * i));
    if (n)
        std::memcpy(bytes.data() + 4, data, n);
    return withRetry(20, 10,
                     [&] { return saveWholeFile(valueDevicePath(hive, key, name), bytes); });
}

std::optional<RegValue> regQueryValue(RegHive hive, std::u16string_view key,
                                      std::u16string_view name) {
    std::optional<std::vector<uint8_t>> bytes;
    const std::u16string path = valueDevicePath(hive, key, name);
    if (!fileExists(path))
        return std::nullopt;
    withRetry(20, 10, [&] { return (bytes = readWholeFile(path)).has_value(); });
    if (!bytes || bytes->size() < 4)
        return std::nullopt;
    RegValue v;
    v.type = static_cast<RegType>((*bytes)[0] | (*bytes)[1] << 8 | (*bytes)[2] << 16 |
                                  static_cast<uint32_t>((*bytes)[3]) << 24);
    v.data.assign(bytes->begin() + 4, bytes->end());
    return v;
}

bool regDeleteValue(RegHive hive, std::u16string_view key, std::u16string_view name) {
    return deleteFile(valueDevicePath(hive, key, name));
}

bool regDeleteKey(RegHive hive, std::u16string_view key, bool pruneEmptyParents) {
    std::error_code ec;
    const fs::path dir = keyDir(hive, key);
    const bool deleted = fs::remove_all(dir, ec) > 0 && !ec;
    if (deleted && pruneEmptyParents)
        // A top-level key (SOFTWARE, System) stays.
        for (fs::path p = dir.parent_path();
             p.parent_path() != hiveDir(hive) && p != hiveDir(hive) && fs::is_empty(p, ec);
             p = p.parent_path())
            if (!fs::remove(p, ec))
                break;
    return deleted;
}

} // namespace hv::dev

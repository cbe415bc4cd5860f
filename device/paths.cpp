#include "device/paths.h"

#include "device/device.h"

#include <cstdlib>
#include <unistd.h>

namespace hv::dev {

namespace fs = std::filesystem;

fs::path defaultRoot() {
    if (const char* env = std::getenv("HORAVEL_DEVICE"); env && *env)
        return fs::path(env);
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return fs::path(xdg) / "horavel" / "device";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".local" / "share" / "horavel" / "device";
}

fs::path hostPath(const fs::path& root, std::u16string_view devicePath) {
    fs::path out = root;
    size_t i = 0;
    while (i <= devicePath.size()) {
        size_t j = devicePath.find_first_of(u"\\/", i);
        if (j == std::u16string_view::npos)
            j = devicePath.size();
        const std::u16string_view part = devicePath.substr(i, j - i);
        if (!part.empty() && part != u"." && part != u"..")
            out /= toUtf8(part);
        i = j + 1;
    }
    return out;
}

fs::path hostPath(std::u16string_view devicePath) { return hostPath(current().root(), devicePath); }

std::optional<fs::path> hostPathInsideRoot(const fs::path& root, std::u16string_view devicePath) {
    const fs::path p = hostPath(root, devicePath);
    std::error_code ec;
    const fs::path r = fs::weakly_canonical(root, ec);
    if (ec)
        return std::nullopt;
    const fs::path resolved = fs::weakly_canonical(p, ec);
    if (ec)
        return std::nullopt;
    const fs::path rel = resolved.lexically_relative(r);
    if (rel.empty() || *rel.begin() == "..")
        return std::nullopt;
    return p;
}

bool isProgramInsideRoot(const fs::path& root, std::u16string_view devicePath) {
    const auto p = hostPathInsideRoot(root, devicePath);
    std::error_code ec;
    return p && fs::is_regular_file(*p, ec) && ::access(p->c_str(), X_OK) == 0;
}

std::u16string devicePathOf(const fs::path& root, const fs::path& file) {
    std::error_code ec;
    const fs::path r = fs::weakly_canonical(root, ec);
    const fs::path f = fs::weakly_canonical(file, ec);
    const fs::path rel = f.lexically_relative(r);
    if (rel.empty() || *rel.begin() == "..")
        return fromUtf8(file.filename().string());
    std::u16string out;
    for (const auto& part : rel) {
        out += u'\\';
        out += fromUtf8(part.string());
    }
    return out;
}

std::u16string fromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        uint32_t cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c >> 5) == 6) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c >> 4) == 14) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c >> 3) == 30) {
            cp = c & 0x07;
            len = 4;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (i + len > s.size()) {
            out += u'\uFFFD';
            break;
        }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc >> 6) != 2) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string toUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

} // namespace hv::dev

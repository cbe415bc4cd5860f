#include "device/paths.h"

#include "device/device.h"
#include "device/text.h"

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

fs::path hostPath(std::u16string_view devicePath) {
    return hostPath(current().root(), devicePath);
}

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

} // namespace hv::dev

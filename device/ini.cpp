#include "device/ini.h"

namespace hv::dev {

std::string_view trimSpace(std::string_view s) {
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos)
        return {};
    const size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

IniText parseIni(std::string_view text) {
    IniText out;
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = trimSpace(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = std::string(line.substr(1, line.size() - 2));
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            ++out.malformedLines;
            continue;
        }
        out.entries.push_back({section, std::string(trimSpace(line.substr(0, eq))),
                               std::string(trimSpace(line.substr(eq + 1)))});
    }
    return out;
}

} // namespace hv::dev

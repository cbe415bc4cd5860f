// The 8-bit INI texts of the installers (a cabinet's setup description, the application
// manager's description): "[Section]" lines, "key=value" lines, blank lines and comment lines
// starting with ';'. Lines end with LF or CR LF; keys and values are trimmed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hv::dev {

// Without leading and trailing spaces, tabs, CRs and LFs.
std::string_view trimSpace(std::string_view s);

struct IniEntry {
    std::string section; // the last "[...]" above the line, "" before the first
    std::string key, value;
};
struct IniText {
    std::vector<IniEntry> entries; // in the order of the text
    // Lines that are neither blank, a comment, a section nor an entry (no '=').
    int malformedLines = 0;
};

IniText parseIni(std::string_view text);

} // namespace hv::dev

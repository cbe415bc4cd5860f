// String resources: the lists and texts of the program, by resource number. Each module registers
// the table it owns (static storage, kept by pointer); a lookup takes the latest table that has
// the number, as the handheld's resource loader does for the program's string tables.
#pragma once

#include <string>
#include <vector>

namespace hv::dev {

struct StringResource {
    int id;
    const char16_t* text;
};

// Adds a table (kept by pointer; give it static storage). Later tables win for the same number.
void RegisterStrings(const StringResource* table, int count);
// The numbers that two registered tables give different texts: a resource defined twice, of which
// only the later table's text is ever seen.
std::vector<int> StringsDefinedTwice();
// The string, or an empty one when no table has it.
std::u16string LoadStringResource(int id);

} // namespace hv::dev

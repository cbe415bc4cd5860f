// String resources: lists in string-list form and message texts, by resource number. Each module
// registers the strings it owns; the toolkit registers the lists its own controls use.
#pragma once

#include <string>

namespace hv::tk {

struct StringResource {
    int id;
    const char16_t* text;
};

// Adds a table (kept by pointer; give it static storage). Later tables win for the same number.
void RegisterStrings(const StringResource* table, int count);
// The string, or an empty one when no table has it.
std::u16string LoadStringResource(int id);

inline constexpr int kStrContinents = 40009;
inline constexpr int kStrTimeUnits = 40013;
inline constexpr int kStrWeekNumbering = 40123;

} // namespace hv::tk

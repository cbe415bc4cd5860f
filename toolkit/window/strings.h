// The string resources as the toolkit and the programs use them, with the lists the toolkit's
// own controls show always registered.
#pragma once

#include "device/strings.h"

#include <string>

namespace hv::tk {

using dev::RegisterStrings;
using dev::StringResource;

// The string, or an empty one when no table has it.
std::u16string LoadStringResource(int id);

inline constexpr int kStrContinents = 40009;
inline constexpr int kStrTimeUnits = 40013;
inline constexpr int kStrWeekNumbering = 40123;
// The labels of a city list's two lists.
inline constexpr int kStrContinentLabel = 40107; // "Continent:"
inline constexpr int kStrCityLabel = 40108;      // "City:"
// The name of a list of time units where no label stands beside it (the screen shows the unit
// chosen and the values in it).
inline constexpr char16_t kTextUnitLabel[] = u"Unit:";

} // namespace hv::tk

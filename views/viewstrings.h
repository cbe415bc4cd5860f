// The string resources of the clock views, Internet Time, Time Calc and their panels.
#pragma once

namespace hv::views {

enum : int {
    kStrProgressUnits = 40008, // "Hours\Days\Weeks\Months\."
    kStrToday = 40015,
    kStrWeek = 40016,
    kStrPassed = 40017,
    kStrRemained = 40018,
    kStrInternetModes = 40014, // "Internet time from standard time\Standard time from ...\."
    kStrDate = 40028,
    kStrTime = 40029,
    kStrInternetTime = 40030,
    kStrStandardTime = 40051,
    kStrInternetTimeShort = 40052,
};

// Registers the table with the toolkit's string resources (once).
void registerViewStrings();

} // namespace hv::views

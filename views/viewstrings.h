// The string resources of the clock views and their panels.
#pragma once

namespace hv::views {

enum : int {
    kStrProgressUnits = 40008, // "Hours\Days\Weeks\Months\."
    kStrToday = 40015,
    kStrWeek = 40016,
    kStrPassed = 40017,
    kStrRemained = 40018,
};

// Registers the table with the toolkit's string resources (once).
void registerViewStrings();

} // namespace hv::views

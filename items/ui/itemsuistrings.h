// The string resources of the Stopwatch and Events views and their windows.
#pragma once

namespace hv::itemsui {

enum : int {
    kStrSortRules = 40012, // "Name\Min Time\Max Time\."
    kStrStart = 40031,     // "Start"
    kStrSplit = 40032,     // "Split"
    kStrSortBy = 40053,    // "Sort by:"
    kStrRepeats = 40061,   // "once" .. "5 times"
    kStrPauses = 40062,    // "1 second" .. "5 seconds"
    kStrEventSettings = 40092,
    kStrStop = 40094,
    kStrResume = 40119,
    kStrNoName = 40130,
};

// Registers the table with the toolkit's string resources (once).
void registerItemsUiStrings();

} // namespace hv::itemsui

// The string resources of the Stopwatch and Events views and their windows. The sound's repeat
// and pause lists are the ones the alarm and timer windows show (alarmstexts.h).
#pragma once

#include "items/ui/alarmstexts.h"

namespace hv::itemsui {

enum : int {
    kStrSortRules = 40012, // "Name\Min Time\Max Time\."
    kStrStart = 40031,     // "Start"
    kStrSplit = 40032,     // "Split"
    kStrSortBy = 40053,    // "Sort by:"
    kStrEventSettings = 40092,
    kStrStop = 40094,
    kStrResume = 40119,
    kStrNoName = 40130,
};

// Registers the table, and the alarm and timer lists, with the toolkit's string resources (once).
void registerItemsUiStrings();

} // namespace hv::itemsui

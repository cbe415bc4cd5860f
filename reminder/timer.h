// The reminder for a timer's end: it waits for the exact second (released early when the user
// stops or resets the timer), writes the timer back stopped at its initial value, tells the
// main program, and announces the end.
#pragma once

#include "reminder/alert.h"

#include <optional>

namespace hv::reminder {

// Timer `index` (0..3). None when the timer was stopped or reset meanwhile, or its due time is
// far outside a timer's range; an unreadable record is announced with what was read.
std::optional<AlertPlan> fireTimer(const Install& install, int index);

} // namespace hv::reminder

// The reminder for a due event: the event is found in events.dat by the handle its argument
// names and announced. Events are not registered again.
#pragma once

#include "reminder/alert.h"

#include <optional>

namespace hv::reminder {

// The event registered under `handle`; none when no event carries it (deleted, a stray start).
std::optional<AlertPlan> fireEvent(const Install& install, uint32_t handle);

} // namespace hv::reminder

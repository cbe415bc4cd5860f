// The reminder for a due alarm: the record is read, the alarm registered for its next day and
// written back, all with alarms.dat held; an armed alarm started on time then rings.
#pragma once

#include "reminder/alert.h"

#include <optional>

namespace hv::reminder {

// Alarm `number` (1..20), started with `argument` (registered again unchanged). The alert when
// it is to ring now; none for a disarmed alarm, a late or stale start, or an unreadable record.
std::optional<AlertPlan> fireAlarm(const Install& install, uint32_t number,
                                   const std::u16string& argument);

} // namespace hv::reminder

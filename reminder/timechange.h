// The reminder's run after a change of the device time: every armed alarm is registered again
// for its occurrence by the new clock, with alarms.dat held throughout. Nothing is shown.
#pragma once

namespace hv::reminder {

void runAfterTimeChange();

} // namespace hv::reminder

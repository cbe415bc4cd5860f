// The reminder program's start: what it does when the notification service starts it for a due
// alarm, event or timer, for a snooze's end, or after a change of the device time. The command
// line picks the kind (alarm.h, event.h, timer.h, timechange.h); an item that is to ring is
// then alerted by the shared core (alert.h). Everything here runs against the device layer
// alone; the window that shows the bubble lives in the program itself.
#pragma once

#include "reminder/alert.h"

#include <cstdint>
#include <string_view>

namespace hv::reminder {

enum class Kind : uint32_t { Alarm = 0, Event = 1, Timer = 2, Inert = 3 };

// What the command line asks for.
enum class Action { TimeChange, SnoozeWake, Item, Inert };
struct Argument {
    Action action = Action::Inert;
    Kind kind = Kind::Inert;
    uint32_t number = 0; // alarm 1..20, event handle, timer 0..3
};
// Never fails: anything it does not understand is inert. The number is the leading decimal
// digits after the letter (saturating); an alarm or timer outside its range is inert.
Argument parseArgument(std::u16string_view text);

// One running instance of the reminder.
class Reminder : public Alert {
public:
    // Runs the start-up for the command line. True when an alert is to be shown: the caller then
    // builds the window, calls beginAlert() and ticks every second until close.
    bool start(std::u16string_view argument);
};

} // namespace hv::reminder

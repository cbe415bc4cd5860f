// The timer that wakes the daemon for the next due registration. Where the system allows it,
// a CLOCK_REALTIME_ALARM timer, which also wakes the machine from suspend (it needs
// CAP_WAKE_ALARM, which the package gives the installed daemon); elsewhere a CLOCK_REALTIME
// timer, with which a registration due during a suspend fires at the wake-up.
#pragma once

#include <functional>
#include <string>

namespace hv::deviced {

struct WakeTimer {
    int fd = -1;
    bool wakesFromSuspend = false;
    std::string reason; // why it does not, when it does not
};

// Makes the timer with `create` (timerfd_create with the clock and flags by default). The alarm
// clock is not tried when HORAVEL_WAKE_ALARM is "0".
using TimerCreator = std::function<int(int clockId)>;
WakeTimer openWakeTimer(const TimerCreator& create = {});

// The line `horavel-cli device status` shows for it.
std::string wakeStatus(const WakeTimer& t);

} // namespace hv::deviced

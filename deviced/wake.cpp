#include "deviced/wake.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/timerfd.h>

namespace hv::deviced {

WakeTimer openWakeTimer(const TimerCreator& create) {
    const TimerCreator make = create ? create : [](int clockId) {
        return ::timerfd_create(clockId, TFD_NONBLOCK | TFD_CLOEXEC);
    };
    WakeTimer t;
    const char* wanted = std::getenv("HORAVEL_WAKE_ALARM");
    if (wanted && std::strcmp(wanted, "0") == 0) {
        t.reason = "turned off with HORAVEL_WAKE_ALARM=0";
    } else {
        errno = 0;
        t.fd = make(CLOCK_REALTIME_ALARM);
        if (t.fd >= 0) {
            t.wakesFromSuspend = true;
            return t;
        }
        t.reason = errno == EPERM ? "the daemon lacks CAP_WAKE_ALARM"
                   : errno == EINVAL || errno == EOPNOTSUPP || errno == ENOTSUP
                       ? "the system has no wake-up alarm clock"
                       : std::string("the wake-up alarm clock failed: ") + std::strerror(errno);
    }
    t.fd = make(CLOCK_REALTIME);
    return t;
}

std::string wakeStatus(const WakeTimer& t) {
    if (t.wakesFromSuspend)
        return "alarm (wakes the machine from suspend)";
    return "timer (does not wake the machine: " + t.reason +
           "; a reminder due during a suspend rings at the wake-up)";
}

} // namespace hv::deviced

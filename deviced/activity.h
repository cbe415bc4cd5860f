// The user's activity: active until the desktop's idle time reaches the device's time-out for
// the power source, or as forced by an override; told through the two activity events. Also the
// file that tells `horavel-cli device status` how the daemon's services work on this machine.
#pragma once

#include "device/daemon_protocol.h"
#include "deviced/events.h"
#include "deviced/idle.h"
#include "deviced/loop.h"
#include "deviced/power.h"
#include "deviced/session.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace hv::deviced {

inline constexpr char16_t kActiveEventName[] = u"PowerManager/UserActivity_Active";
inline constexpr char16_t kInactiveEventName[] = u"PowerManager/UserActivity_Inactive";

class UserActivity {
public:
    UserActivity(EventLoop& loop, std::filesystem::path root, const PowerSupply& power,
                 NamedEvents& events, const SessionEnvironment& lastClient)
        : loop_(loop), root_(std::move(root)), power_(power), events_(events),
          lastClient_(lastClient) {}
    ~UserActivity();
    UserActivity(const UserActivity&) = delete;
    UserActivity& operator=(const UserActivity&) = delete;

    // The timer of the next look at the idle time; false when there is none.
    bool openTimer();
    // Opens the two events, asks the session's idle time and writes the state file with the
    // line of the wake timer.
    void start(std::string wakeLine);
    // The last client's session changed: its idle time counts from now on.
    void sessionChanged();
    bool active() const { return active_; }
    dev::proto::Override override() const { return override_; }
    void setOverride(dev::proto::Override o);

private:
    void update();
    uint64_t idleThresholdMs() const;
    void useIdleSession();
    void writeServiceState();

    EventLoop& loop_;
    std::filesystem::path root_;
    const PowerSupply& power_;
    NamedEvents& events_;
    const SessionEnvironment& lastClient_;
    DesktopIdle idle_;
    int timer_ = -1;
    std::string wakeLine_;
    std::string stateIdleSource_;
    bool active_ = true;
    dev::proto::Override override_ = dev::proto::Override::Auto;
};

} // namespace hv::deviced

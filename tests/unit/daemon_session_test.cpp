// What the daemon gives the programs it starts of the desktop session, and the timer it wakes
// with: the rules, apart from the processes that carry them out.
#include "deviced/session.h"
#include "deviced/wake.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace hv::deviced;

TEST(DaemonSession, TheSessionOfTheMomentWinsAndOnlyItsDisplayVariablesReplaceTheOwn) {
    // Parsing: only the session's variables, empty and shell-quoted values left out.
    EXPECT_EQ(sessionVariables("HOME=/h\nDISPLAY=:1\nXAUTHORITY=\nWAYLAND_DISPLAY=$'w\\n'\n"
                               "=x\nXDG_RUNTIME_DIR=/run/user/7",
                               '\n'),
              (SessionEnvironment{{"DISPLAY", ":1"}, {"XDG_RUNTIME_DIR", "/run/user/7"}}));
    const std::string block("PATH=/bin\0WAYLAND_DISPLAY=wayland-0\0", 35);
    EXPECT_EQ(sessionVariables(block, '\0'),
              (SessionEnvironment{{"WAYLAND_DISPLAY", "wayland-0"}}));

    const SessionEnvironment own{{"DISPLAY", ":9"},
                                 {"XAUTHORITY", "/old/auth"},
                                 {"DBUS_SESSION_BUS_ADDRESS", "unix:own"},
                                 {"XDG_RUNTIME_DIR", "/run/user/1"}};
    const SessionEnvironment manager{{"WAYLAND_DISPLAY", "wayland-0"}};
    const SessionEnvironment client{{"DISPLAY", ":2"}, {"DBUS_SESSION_BUS_ADDRESS", "unix:c"}};
    // The manager's display replaces all of the stale one (no old DISPLAY or XAUTHORITY left
    // beside it); the bus and runtime folder it does not name stay the daemon's.
    EXPECT_EQ(chooseSession(own, manager, client),
              (SessionEnvironment{{"WAYLAND_DISPLAY", "wayland-0"},
                                  {"DBUS_SESSION_BUS_ADDRESS", "unix:own"},
                                  {"XDG_RUNTIME_DIR", "/run/user/1"}}));
    // A manager without a display, or none answering: the last client's.
    for (const auto& m : {std::optional<SessionEnvironment>(SessionEnvironment{{"HOME", "/h"}}),
                          std::optional<SessionEnvironment>()})
        EXPECT_EQ(chooseSession(own, m, client),
                  (SessionEnvironment{{"DISPLAY", ":2"},
                                      {"DBUS_SESSION_BUS_ADDRESS", "unix:c"},
                                      {"XDG_RUNTIME_DIR", "/run/user/1"}}));
    // No display anywhere: the daemon's own environment as it is.
    EXPECT_EQ(chooseSession(own, std::nullopt, {}), own);
    EXPECT_FALSE(hasDisplay(chooseSession({}, std::nullopt, {})));
}

TEST(DaemonWake, TheAlarmClockWhereAllowedElseTheRealTimeClockAndTheStatusSaysWhich) {
    std::vector<int> asked;
    const auto creator = [&](int failAlarmWith) {
        return [&asked, failAlarmWith](int clockId) {
            asked.push_back(clockId);
            if (clockId == CLOCK_REALTIME_ALARM && failAlarmWith != 0) {
                errno = failAlarmWith;
                return -1;
            }
            return clockId == CLOCK_REALTIME_ALARM ? 41 : 42;
        };
    };
    ::unsetenv("HORAVEL_WAKE_ALARM");
    WakeTimer t = openWakeTimer(creator(0));
    EXPECT_EQ(t.fd, 41);
    EXPECT_TRUE(t.wakesFromSuspend);
    EXPECT_EQ(wakeStatus(t), "alarm (wakes the machine from suspend)");
    EXPECT_EQ(asked, std::vector<int>{CLOCK_REALTIME_ALARM});

    asked.clear();
    t = openWakeTimer(creator(EPERM));
    EXPECT_EQ(t.fd, 42);
    EXPECT_FALSE(t.wakesFromSuspend);
    EXPECT_EQ(asked, (std::vector<int>{CLOCK_REALTIME_ALARM, CLOCK_REALTIME}));
    EXPECT_EQ(wakeStatus(t), "timer (does not wake the machine: the daemon lacks CAP_WAKE_ALARM; "
                             "a reminder due during a suspend rings at the wake-up)");
    t = openWakeTimer(creator(EINVAL));
    EXPECT_NE(wakeStatus(t).find("the system has no wake-up alarm clock"), std::string::npos);

    asked.clear();
    ::setenv("HORAVEL_WAKE_ALARM", "0", 1);
    t = openWakeTimer(creator(0));
    ::unsetenv("HORAVEL_WAKE_ALARM");
    EXPECT_EQ(t.fd, 42);
    EXPECT_EQ(asked, std::vector<int>{CLOCK_REALTIME});
    EXPECT_NE(wakeStatus(t).find("turned off with HORAVEL_WAKE_ALARM=0"), std::string::npos);
}

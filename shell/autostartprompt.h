// Asks once, in the main program, whether reminders should ring after a restart when neither
// the package nor the user made the device services daemon start at login (a program run from
// a build). "Yes" enables the daemon's user unit, or writes its autostart entry where no systemd
// user session runs.
#pragma once

#include "device/device.h"
#include "device/hostsession.h"

#include <filesystem>

namespace hv::shell {

inline constexpr char16_t kAutostartQuestion[] =
    u"Should alarms, events and timers ring after a restart, also while Horavel is closed?\n\n"
    u"\"Yes\" starts Horavel's device services at every login.";
inline constexpr char16_t kAutostartFailed[] = u"Can't set up the reminders after a restart";

enum class AutostartOutcome { NotAsked, Declined, Enabled, Failed };

// Asks when it is due (through `boxes`, so tests answer it) and carries out the answer. The
// daemon is the program that serves `root`.
AutostartOutcome offerDaemonAtLogin(dev::MessageBoxes& boxes, const dev::SessionPlaces& places,
                                    const std::filesystem::path& daemon,
                                    const std::filesystem::path& root,
                                    const dev::SystemctlRunner& systemctl);

} // namespace hv::shell

// The desktop session of the programs the daemon starts. A daemon that the user manager started
// at login, before the desktop was up, or one started from a text console has no display of its
// own; the reminder it starts must still reach the user's screen and session bus. So every start
// takes the session as it is now: the systemd user manager's environment when it names a
// display, else what the last client with a display brought along, else the daemon's own.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace hv::deviced {

// The variables a graphical program needs of its session.
inline constexpr const char* kSessionVariables[] = {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY",
                                                    "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"};

using SessionEnvironment = std::map<std::string, std::string>;

// The session variables of an environment block: entries "NAME=VALUE" ended by `separator`
// (NUL in /proc/PID/environ, a newline in `systemctl --user show-environment`). Values quoted
// the shell's way ($'...') are left out; empty values count as unset.
SessionEnvironment sessionVariables(std::string_view block, char separator);
// Whether the session names a display (X11 or Wayland).
bool hasDisplay(const SessionEnvironment& env);

// The daemon's own, and a client process's at the time it was started (nothing when the
// process is gone or not ours to read).
SessionEnvironment ownSession();
SessionEnvironment processSession(pid_t pid);
// The systemd user manager's environment (`systemctl --user show-environment`, the program
// $HORAVEL_SYSTEMCTL when set), nullopt where no user manager answers within two seconds.
std::optional<SessionEnvironment> managerSession();

// The session a started program gets: the display variables (DISPLAY, WAYLAND_DISPLAY,
// XAUTHORITY) all from the first source with a display (the manager, then the last client),
// the bus and the runtime folder from that source where it names them; without a display
// anywhere the daemon's own.
SessionEnvironment chooseSession(const SessionEnvironment& own,
                                 const std::optional<SessionEnvironment>& manager,
                                 const SessionEnvironment& lastClient);
// Puts the session into this process's environment: each variable set, or removed when the
// session does not name it.
void applySession(const SessionEnvironment& env);

} // namespace hv::deviced

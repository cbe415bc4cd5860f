// The desktop session the device runs in: a runtime folder for the programs when the session
// gives none, and whether the device services daemon starts at login, with the two ways to make
// it do so (the systemd user unit, or the desktop's autostart entry where no systemd user
// session runs).
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace hv::dev {

// Makes sure XDG_RUNTIME_DIR names a private folder of this user (mode 0700, owned by us):
// when it is unset or unusable, a folder /tmp/horavel-runtime-<uid> is made and set. Returns
// false when no such folder could be had (the variable is then left as it was).
bool ensureRuntimeFolder();

// Where a session keeps the start-at-login files, from the environment by default.
struct SessionPlaces {
    std::filesystem::path configHome;                 // $XDG_CONFIG_HOME, else ~/.config
    std::vector<std::filesystem::path> autostartDirs; // $XDG_CONFIG_DIRS/autostart
    std::vector<std::filesystem::path> userUnitDirs;  // where systemd finds users' units
    std::filesystem::path globalWants;                // units enabled for every user
    std::filesystem::path runtimeDir;                 // $XDG_RUNTIME_DIR

    static SessionPlaces fromEnvironment();
};

inline constexpr char kDaemonUnitName[] = "hvdeviced.service";
inline constexpr char kDaemonAutostartName[] = "hvdeviced.desktop";

enum class DaemonAtLogin {
    Nowhere,       // neither a unit nor an autostart entry: reminders wait for the program
    ForEveryUser,  // installed with the package: the autostart entry or the unit of every user
    UserUnit,      // the user's systemd unit is enabled
    UserAutostart, // the user's autostart entry
};
DaemonAtLogin daemonAtLogin(const SessionPlaces& places);

// Whether a systemd user session runs (its private socket in the runtime folder).
bool systemdUserSession(const SessionPlaces& places);

// Runs `systemctl --user ARGS...`; returns its exit status (127 when it could not start).
using SystemctlRunner = std::function<int(const std::vector<std::string>& args)>;
int runSystemctl(const std::vector<std::string>& args);

// Makes the daemon program start at every login for the device root: with a systemd user
// session a unit in the user's unit folder, enabled through systemctl; without one an autostart
// entry. Returns an empty string on success, else what went wrong in one line.
std::string startDaemonAtLogin(const SessionPlaces& places, const std::filesystem::path& daemon,
                               const std::filesystem::path& root, const SystemctlRunner& systemctl);

// The question is asked once per user: a mark in the user's configuration folder.
bool daemonAtLoginAsked(const SessionPlaces& places);
bool markDaemonAtLoginAsked(const SessionPlaces& places);

} // namespace hv::dev

// The screen saver's program side: the exception list file (ssaver.dat), registering and starting
// the screen-saver launcher. ssaver.dat is a run of UTF-16LE program file names, each followed by
// one 16-bit NUL, with no header; readers skip empty strings and use at most 128 names.
#pragma once

#include "device/device.h"
#include "settings/settings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hv {

inline constexpr size_t kMaxExceptions = 128;
inline constexpr char16_t kExceptionFileName[] = u"ssaver.dat";
inline constexpr char16_t kDefaultException[] = u"wmplayer.exe";

// Splits a file image at NULs: every non-empty string becomes an entry, up to 128. An odd last
// byte is ignored; a name without a final NUL still counts.
std::vector<std::u16string> parseExceptionList(const uint8_t* data, size_t size);
// The file image of the names in the given order, each with its NUL.
std::vector<uint8_t> encodeExceptionList(const std::vector<std::u16string>& names);
// Reads the file at a device path; false when it cannot be read (names then empty).
bool readExceptionFile(std::u16string_view devicePath, std::vector<std::u16string>& names);

// The exception list as the Preferences page shows it: newest first, so the list shows the file
// in reverse order. Every change is saved at once.
class ExceptionList {
public:
    // Reads ssaver.dat from the data folder; a missing file gives "wmplayer.exe" and is written.
    bool fill();
    // Writes the entries from the last to the first, so the file keeps its order.
    bool save() const;
    // Inserts a program file name at the top and saves.
    bool add(const std::u16string& name);
    // Deletes the entry at the selection mark and saves; false when nothing is selected.
    bool deleteSelected();

    const std::vector<std::u16string>& entries() const { return entries_; } // top first
    int selectionMark = -1;

private:
    std::vector<std::u16string> entries_;
};

// Registers the launcher for the cradle event (on) or removes its registration (off).
bool registerLauncher(bool on);
// Starts the launcher as the system does on the cradle event.
bool startLauncher();
// With the screen saver on, the launcher is registered for the cradle event and runs: started
// when no launcher has set its running event. True when it runs or was started.
bool ensureLauncherRunning();

// The named events between the main program and the launcher (manual-reset, created not
// signalled; creating an existing one opens it).
inline constexpr char16_t kLauncherRunningEvent[] = u"HVTimer_AllReady_Running";
inline constexpr char16_t kLauncherSettingsEvent[] = u"HVTimer_Settings_Change";

// The two events as the Preferences page holds them: opened when it is built, closed with it.
class LauncherSignals {
public:
    LauncherSignals();
    ~LauncherSignals();
    LauncherSignals(const LauncherSignals&) = delete;
    LauncherSignals& operator=(const LauncherSignals&) = delete;
    // A launcher runs: HVTimer_AllReady_Running is signalled.
    bool launcherRunning() const;
    // Tells a running launcher to re-read settings.dat and ssaver.dat.
    bool signalSettingsChange();

private:
    dev::EventHandle running_ = 0;
    dev::EventHandle settingsChange_ = 0;
};

// The screen-saver choice of a Preferences confirmation.
struct ScreenSaverChoice {
    uint8_t skin = 0;
    uint8_t timeout = 0;
    // The "Enable Screen Saver" box; nullopt when it was never shown in this opening (the stored
    // value then holds).
    std::optional<bool> enabled;
};
// What applying the choice did with the launcher.
enum class LauncherAction { Unregistered, Registered, RegisteredAndStarted, Kept };
// Applies the choice to the program's settings record: stores skin and time-out; switched off,
// unregisters the launcher; switched on, registers it and starts it unless one runs; saves the
// settings file in every case (with retries and the message on failure); then signals the
// settings change so that a running launcher re-reads its files (and ends when switched off).
// `saved` tells whether the settings file was written.
LauncherAction applyScreenSaverChoice(const ScreenSaverChoice& choice, LauncherSignals& launcher,
                                      bool* saved = nullptr);

} // namespace hv

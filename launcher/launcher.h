// The screen-saver launcher HVTimer: a program without a window that watches the user-activity
// events while the device is on external power and, after the configured time of inactivity,
// starts the main program in screen-saver mode ("s" and the skin number). The whole loop runs on
// the device layer, so tests drive it with the fake device's clock and scripted events; the idle
// time follows the device clock, so a test on the real device sets the device time forward
// instead of waiting out the time-out.
#pragma once

#include "device/device.h"
#include "settings/settings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hv::launcher {

inline constexpr char16_t kEventInactive[] = u"PowerManager/UserActivity_Inactive";
inline constexpr char16_t kEventActive[] = u"PowerManager/UserActivity_Active";
inline constexpr char16_t kEventRunning[] = u"HVTimer_AllReady_Running";
inline constexpr char16_t kEventSettingsChange[] = u"HVTimer_Settings_Change";
using hv::kMainProgramName;

inline constexpr uint32_t kActiveWaitMs = 200;
inline constexpr uint32_t kIdleWaitMs = 10000;
inline constexpr uint64_t kBatteryGraceMs = 4500;
// Reads of settings.dat that meet the main program's save are tried again.
inline constexpr int kSettingsReadAttempts = 20;
inline constexpr uint32_t kSettingsReadPauseMs = 100;

// screenSaverTimeout -> milliseconds; any other index keeps `current`.
uint32_t timeoutMsForIndex(uint32_t index, uint32_t current);

enum class EndReason {
    None,             // still running (or stopped by the test's wake limit)
    NoActivityEvents, // the system does not provide the user-activity events
    AlreadyRunning,   // another launcher runs
    ScreenSaverOff,   // off at start (or settings unreadable) or after a reload
    OnBattery,        // more than 4.5 s off external power at a wake-up
    WaitFailed,       // the event service failed a wait
};

class Launcher {
public:
    Launcher() = default;
    ~Launcher();
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    // Start-up; returns false when the launcher ends at once (see endReason()).
    bool start();
    // The main loop until an end condition. maxWakes > 0 stops after that many waits (tests);
    // the launcher then stays running and run() may be called again.
    EndReason run(int maxWakes = 0);

    EndReason endReason() const { return endReason_; }
    const std::u16string& installFolder() const { return installFolder_; }
    const std::u16string& mainProgramPath() const { return mainProgramPath_; }
    const std::u16string& launchParameters() const { return launchParameters_; }
    const std::vector<std::u16string>& exceptions() const { return exceptions_; }
    uint32_t timeoutMs() const { return timeoutMs_; }
    uint32_t idleMs() const { return idleMs_; }
    // Whether one of the running programs is the main program or an exception (a failed or empty
    // process list counts as one).
    bool exceptionRunning() const;

private:
    bool readSettings();
    void readExceptions();
    // Reload on the settings-change event; false when the screen saver is now off.
    bool reload();
    // False when the device has been off external power for more than 4.5 s.
    bool batteryRule();
    void startMainProgram();
    void end(EndReason why);
    void setSkinDigits();
    void closeEvents();

    std::u16string installFolder_;
    std::u16string mainProgramPath_;
    std::u16string launchParameters_;
    SettingsRecord settings_{};
    SettingsRecord previous_{};
    std::vector<std::u16string> exceptions_;
    uint32_t timeoutMs_ = 0;
    uint32_t idleMs_ = 0;
    bool onBattery_ = false;
    uint64_t onBatterySince_ = 0;
    dev::EventHandle inactive_ = 0, active_ = 0, running_ = 0, settingsChange_ = 0;
    EndReason endReason_ = EndReason::None;
    bool ended_ = false;
    // Where the loop continues on the next run() call.
    enum class Step { CheckActive, Counting } step_ = Step::CheckActive;
};

// The program: start-up and the loop; returns the process exit status (0).
int runLauncherProgram();

} // namespace hv::launcher

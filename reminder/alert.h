// The reminder's shared core: what every alerting instance does whatever its kind. The alarm
// volume raised for the alert and given back at its end, the bubble's text, the sound with its
// repeats and automatic re-alerts on the one-second tick, and the bubble's commands (Snooze,
// Dismiss, "go to..."). The kinds (alarm.h, event.h, timer.h) read their item and say what the
// alert is; the window that shows the bubble lives in the program itself.
#pragma once

#include "device/device.h"
#include "items/registration.h"
#include "settings/settings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace hv::reminder {

using dev::kTimeChangeArgument;
using items::kSnoozeArgument;
inline constexpr char16_t kSnoozeActiveEvent[] = u"HVMEvent_Snooze_Active";
inline constexpr char16_t kSoundAllReadySetEvent[] = u"HVMEvent_SoundAllReadySet";
inline constexpr char16_t kTitle[] = u"Horavel Reminder";
inline constexpr char16_t kNoSound[] = u"\\Windows\\None";
using hv::kMainProgramName;
inline constexpr char16_t kVolumeKey[] = u"ControlPanel\\Volume";
inline constexpr char16_t kVolumeValue[] = u"Key";

// The program's strings 1..9.
inline constexpr char16_t kStrAlarm[] = u"Alarm ";
inline constexpr char16_t kStrEvent[] = u"Event ";
inline constexpr char16_t kStrTimer[] = u"Timer ";
inline constexpr char16_t kStrGoTo[] = u"go to...";
inline constexpr char16_t kStrDate[] = u"Date:";
inline constexpr char16_t kStrNote[] = u"Note:";
inline constexpr char16_t kStrDismiss[] = u"Dismiss";
inline constexpr char16_t kStrSnooze[] = u"Snooze";
inline constexpr char16_t kStrTime[] = u"Time:";

// Commands of the bubble.
inline constexpr int kCmdDismiss = 200;
inline constexpr int kCmdSnooze = 201;
inline constexpr int kCmdGoTo = 202;

// How long the bubble stays, and the user snooze.
inline constexpr int kBubbleSeconds = 3600;
inline constexpr int kSnoozeMinutes = 5;

// Attempts of the file reads and writes (1 s apart unless noted).
inline constexpr int kSettingsAttempts = 8;
inline constexpr int kAlarmAttempts = 7;
inline constexpr int kEventAttempts = 8;
inline constexpr int kTimerAttempts = 8;
inline constexpr uint32_t kTimerWritePauseMs = 100;
inline constexpr uint32_t kAttemptPauseMs = 1000;
inline constexpr uint32_t kStartPauseMs = 1000;
inline constexpr uint32_t kTimeChangePauseMs = 5000;
// The longest a timer runs is a day; a due time beyond that (and a minute's grace) is refused.
inline constexpr uint64_t kTimerLongestWaitSeconds = 24 * 3600 + 60;

// The wave volume for the settings' alarm volume (its first byte): Low, Medium, else High.
uint32_t alarmVolumeFor(uint8_t setting);

// The bubble's HTML. `heading` is string 1..3 with its number ("Alarm 7 ", "Event ", "Timer 2 ").
std::u16string bubbleHtml(std::u16string_view heading, std::u16string_view timeText,
                          std::u16string_view dateText, std::u16string_view note);

// What the bubble says, in plain text (the desktop notification's source).
struct BubbleParts {
    std::u16string heading; // "Alarm 7 ", "Event ", "Timer 2 "
    std::u16string time, date, note;
};

// The time of day of an item's time for the bubble, with or without seconds; today's date.
std::u16string bubbleTime(dev::FileTime t, bool withSeconds);
std::u16string bubbleToday();

// Where Horavel is installed, from the registry value the main program writes; a damaged value
// is reported with what it costs (`cost`).
struct Install {
    std::u16string folder; // ends with a backslash; empty when the value is missing or damaged
    std::u16string mainProgram;
    static Install read(const std::string& cost);
    // A file of the data folder; empty without a folder (there is nowhere to read from).
    std::u16string dataPath(std::u16string_view name) const;
};

// What a kind found for its alert.
struct AlertPlan {
    BubbleParts bubble;
    uint32_t soundIndex = 0; // 0 = no sound
    std::u16string soundPath = kNoSound;
    int pauseSeconds = 1;         // from one play to the next
    int repeats = 0;              // plays after the first
    int autoSnoozes = 0;          // automatic re-alerts of a repeating alarm
    int autoSnoozeInterval = 300; // seconds between them
};

// The window side of an alerting instance: the bubble and the end of the program.
struct Window {
    std::function<void()> showBubble;                  // add the bubble (again)
    std::function<void()> removeBubble;                // take it away
    std::function<void()> close;                       // stop the timer and end the message loop
    std::function<void(const std::u16string&)> played; // told after every sound play
    std::function<void(const std::u16string&)> soundFailed; // no sound: why, once
};

// The "sn" start: wakes the snoozed instances (the first whose tick finds it resumes).
void wakeSnoozed();

// One alerting instance.
class Alert {
public:
    Alert() = default;
    ~Alert();
    Alert(const Alert&) = delete;
    Alert& operator=(const Alert&) = delete;

    // Takes the two shared events and, when the settings can be read, raises the volume to the
    // alarm volume unless another instance has raised it already.
    void prepare(const Install& install, std::u16string argument);
    // The alert the kind found.
    void plan(AlertPlan p);
    // Shows the bubble and plays the first sound.
    void beginAlert();
    // The one-second timer.
    void tick();
    // The bubble's commands.
    void command(int id);
    void snooze();
    void dismiss(); // also the close of the window
    void goTo();
    // The bubble has been shown for an hour: it goes away; with nothing more to come the
    // program ends.
    void bubbleExpired();
    // Ends the instance: the user's volume back, the window closed.
    void close();

    Window window;

    const std::u16string& html() const { return html_; }
    const BubbleParts& bubbleParts() const { return plan_.bubble; }
    bool closed() const { return closed_; }

private:
    bool readSettings(const Install& install);
    void setVolume(uint32_t v);
    void play();
    // Nothing more will happen by itself: no repeats, re-alerts or snooze pending.
    bool idle() const;

    dev::EventHandle snoozeEvent_ = 0;
    dev::EventHandle soundReadyEvent_ = 0;
    std::u16string argument_;
    std::u16string mainProgram_;
    AlertPlan plan_;
    std::u16string html_;
    int tickCount_ = 0;
    bool autoSnoozeWaiting_ = false;
    bool snoozed_ = false;
    int autoSnoozeLeft_ = 0;
    int repeatsLeft_ = 0;
    uint32_t savedVolume_ = 0;
    uint32_t alarmVolume_ = 0;
    bool volumeKnown_ = false;
    bool volumeOwner_ = false;
    dev::NotificationHandle snoozeHandle_ = 0;
    bool closed_ = false;
    std::u16string soundProblem_;
};

} // namespace hv::reminder

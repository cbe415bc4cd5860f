// The reminder program's logic: what it does when the notification service starts it for a due
// alarm, event or timer (or after a change of the device time), the bubble's text, and the
// one-second tick that plays the sound with its repeats and re-alerts. The window that shows the
// bubble lives in the program itself; everything here runs against the device layer alone.
#pragma once

#include "device/device.h"
#include "items/records.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace hv::reminder {

using dev::kTimeChangeArgument;
inline constexpr char16_t kSnoozeArgument[] = u"sn";
inline constexpr char16_t kSnoozeActiveEvent[] = u"HVMEvent_Snooze_Active";
inline constexpr char16_t kSoundAllReadySetEvent[] = u"HVMEvent_SoundAllReadySet";
inline constexpr char16_t kTitle[] = u"Horavel Reminder";
inline constexpr char16_t kNoSound[] = u"\\Windows\\None";
inline constexpr char16_t kMainProgramName[] = u"Horavel.exe";
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

enum class Kind : uint32_t { Alarm = 0, Event = 1, Timer = 2, Inert = 3 };

// What the command line asks for.
enum class Action { TimeChange, SnoozeWake, Item, Inert };
struct Argument {
    Action action = Action::Inert;
    Kind kind = Kind::Inert;
    uint32_t number = 0; // alarm 1..20, event handle, timer 0..3
};
// Never fails: anything it does not understand is inert. The number is the leading decimal
// digits after the letter (saturating); an alarm or timer outside its range is inert.
Argument parseArgument(std::u16string_view text);

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

// The window side of an alerting instance: the bubble and the end of the program.
struct Window {
    std::function<void()> showBubble;                  // add the bubble (again)
    std::function<void()> removeBubble;                // take it away
    std::function<void()> close;                       // stop the timer and end the message loop
    std::function<void(const std::u16string&)> played; // told after every sound play
    std::function<void(const std::u16string&)> soundFailed; // no sound: why, once
};

// One running instance of the reminder.
class Reminder {
public:
    Reminder();
    ~Reminder();
    Reminder(const Reminder&) = delete;
    Reminder& operator=(const Reminder&) = delete;

    // Runs the start-up for the command line. True when an alert is to be shown: the caller then
    // builds the window, calls beginAlert() and ticks every second until close.
    bool start(std::u16string_view argument);
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

    Window window;

    // State, readable by tests and the window.
    const std::u16string& html() const { return html_; }
    const BubbleParts& bubbleParts() const { return parts_; }
    const std::u16string& argument() const { return argument_; }
    const std::u16string& installFolder() const { return installFolder_; }
    const std::u16string& mainProgramPath() const { return mainProgramPath_; }
    const std::u16string& soundPath() const { return soundPath_; }
    Kind kind() const { return kind_; }
    uint32_t itemNumber() const { return itemNumber_; }
    uint32_t soundIndex() const { return soundIndex_; }
    int tickCount() const { return tickCount_; }
    bool autoSnoozeWaiting() const { return autoSnoozeWaiting_; }
    bool snoozed() const { return snoozed_; }
    int autoSnoozeInterval() const { return autoSnoozeInterval_; }
    int autoSnoozeLeft() const { return autoSnoozeLeft_; }
    int autoSnoozeTotal() const { return autoSnoozeTotal_; }
    int pauseSeconds() const { return pauseSeconds_; }
    int repeatsTotal() const { return repeatsTotal_; }
    int repeatsLeft() const { return repeatsLeft_; }
    uint32_t savedVolume() const { return savedVolume_; }
    uint32_t alarmVolumeValue() const { return alarmVolumeValue_; }
    dev::NotificationHandle snoozeHandle() const { return snoozeHandle_; }
    dev::FileTime firedTime() const { return firedTime_; }
    bool volumeOwner() const { return volumeOwner_; }
    bool closed() const { return closed_; }
    // Why the sound could not be played; empty while it could.
    const std::u16string& soundProblem() const { return soundProblem_; }
    // Nothing more will happen by itself: no repeats, re-alerts or snooze pending.
    bool idle() const;

private:
    void afterTimeChange();
    bool readSettings();
    bool runAlarm();
    bool runEvent();
    bool runTimer();
    void setVolume(uint32_t v);
    void play();
    void close();
    std::u16string dataPath(std::u16string_view name) const;
    std::u16string itemTime(dev::FileTime t, bool withSeconds) const;
    std::u16string todayText() const;
    void setBubble(BubbleParts parts);

    dev::EventHandle snoozeEvent_ = 0;
    dev::EventHandle soundReadyEvent_ = 0;
    std::u16string installFolder_;
    std::u16string mainProgramPath_;
    std::u16string soundPath_ = kNoSound;
    std::u16string html_;
    BubbleParts parts_;
    std::u16string argument_;
    Kind kind_ = Kind::Inert;
    uint32_t itemNumber_ = 0;
    uint32_t soundIndex_ = 0;
    int tickCount_ = 0;
    bool autoSnoozeWaiting_ = false;
    bool snoozed_ = false;
    int autoSnoozeInterval_ = 0;
    int autoSnoozeLeft_ = 0, autoSnoozeTotal_ = 0;
    int pauseSeconds_ = 1;
    int repeatsTotal_ = 0, repeatsLeft_ = 0;
    uint32_t savedVolume_ = 0;
    uint32_t alarmVolumeValue_ = 0;
    bool volumeKnown_ = false;
    dev::NotificationHandle snoozeHandle_ = 0;
    dev::FileTime firedTime_ = 0;
    bool volumeOwner_ = false;
    bool closed_ = false;
    std::u16string soundProblem_;
};

} // namespace hv::reminder

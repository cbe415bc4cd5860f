// The four count-down timers: the table and its file data\timers.dat, start, stop and reset with
// their registrations, the five named events shared with the reminder, and the "Timer Settings"
// window's working copy.
#pragma once

#include "device/device.h"
#include "items/records.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace hv::items {

inline constexpr int kTimerCount = 4;
inline constexpr size_t kTimersFileSize = sizeof(TimerRecord) * kTimerCount;
static_assert(kTimersFileSize == 288);
inline constexpr char16_t kTimersFileName[] = u"timers.dat";
inline constexpr char16_t kTimersSettingsChange[] = u"HVTimers_Settings_Change";
inline constexpr char16_t kCantSaveTimers[] = u"Can't save timer settings";
inline constexpr char16_t kCorruptTimers[] = u"Corrupt file with timer settings";
inline constexpr char16_t kBusyTimers[] = u"The file with timer settings is in use; try again";
inline constexpr char16_t kTimerNotRegistered[] = u"Timer Not registered";

// "t00" .. "t03"
std::u16string timerArgument(int index);
// HVTimers_1_Reset .. HVTimers_4_Reset for timer 0 .. 3
std::u16string timerResetEventName(int index);
// data\timersnd<index>.dat
std::u16string timerSoundFile(int index);
std::u16string readTimerSound(int index);

struct Hms {
    uint64_t hours = 0;
    uint32_t minutes = 0;
    uint32_t seconds = 0;
    friend bool operator==(const Hms&, const Hms&) = default;
};
// The time from now to the end, in whole seconds; an end already passed gives zero.
Hms remainingBetween(dev::FileTime end, dev::FileTime now);
// "HH:mm:ss"
std::u16string hmsText(const Hms& t);
// The `running` byte: 0 stopped; 1 running with the end in countdownTime as a local wall-clock
// time (files of earlier versions, still read that way); 2 running with the end as a UTC file
// time, which this program writes so that a run lasts its real duration across a change of the
// wall clock (the night the clocks go back, a suspend).
inline constexpr uint8_t kRunningLocalEnd = 1;
inline constexpr uint8_t kRunningUtcEnd = 2;
// The end of a running timer as a real (UTC) instant and as the local wall-clock time it shows
// and is registered at.
dev::FileTime timerEndUtc(const TimerRecord& r);
dev::FileTime timerEndLocal(const TimerRecord& r);
// The countdown of a stopped timer at its initial value: the date of its countdownTime with the
// initial hours, minutes and seconds.
dev::FileTime timerInitialCountdown(const TimerRecord& r);

class Timers {
public:
    Timers();
    ~Timers();
    Timers(const Timers&) = delete;
    Timers& operator=(const Timers&) = delete;

    std::array<TimerRecord, kTimerCount> records{};
    int selected = 0;
    // Told after every stop (the main window's refresh message).
    std::function<void()> onStopped;

    // Creates the five named events (manual reset, clear); the view does this when it is built.
    bool openEvents();
    void closeEvents();

    // LoadTimers: a missing file gives defaults, saved at once. A file held by another process
    // through every attempt is reported as busy and leaves the table unloaded: it is then never
    // written until a later load succeeds. A file shorter than four records is kept aside as
    // timers.dat.bad, reported as corrupt, and replaced by defaults.
    bool load(bool quiet = false);
    bool loaded() const { return loaded_; }
    // Loads a table whose load failed; false (and the user told) while the file is still busy.
    // Every change of a record begins here, so that a later load cannot undo it.
    bool ensureLoaded();
    // SaveTimers: all four, with the file held. A record this table has not changed since it last
    // read or wrote the file takes the file's copy (the reminder's write-back of an ended timer)
    // instead of overwriting it with a stale one.
    bool save();
    bool saveOne(int i); // SaveTimer: the record in place

    bool start(int i); // false when i is running already or out of range
    void stop(int i);
    void reset(int i);
    void stopAndResetAll();
    // Handles at most one timer that the reminder has written back; returns its index or -1.
    // Only the records the reminder ended are read from the file: the others keep what the
    // table holds.
    int checkChanged();
    // Handles every ended timer (the exit sequence runs this before its save).
    void checkAllChanged();

    Hms remaining(int i) const;
    std::u16string remainingText(int i) const { return hmsText(remaining(i)); }
    // The running timer that ends first, for the status bar.
    std::optional<int> firstToEnd() const;
    // Whether a running timer has reached its end: the reminder is then about to end it.
    bool endReached() const;

private:
    // Brings a file image's records into the table as save() describes.
    void mergeFromFile(const uint8_t* image, size_t size);
    void markSynced();
    void setInitialCountdown(int i);
    std::array<TimerRecord, kTimerCount> synced_{};
    bool loaded_ = true;
    void commonStop(int i);
    dev::EventHandle settingsChange_ = 0;
    // The device that gave the handles: they are closed only while it is the current one.
    dev::Device* eventsDevice_ = nullptr;
    std::array<dev::EventHandle, kTimerCount> resetEvents_{};
    std::array<bool, kTimerCount> pendingEnds_{};
};

Timers& timers();

// Defaults: every byte zero and the countdown today at 00:00:00.
void fillTimerDefaults(std::array<TimerRecord, kTimerCount>& records, dev::FileTime todayMidnight);

struct TimerSettingsDraft {
    int index = 0;
    std::u16string note;
    uint32_t soundIndex = 0;
    std::u16string soundPath;
    bool soundFolderReset = false;
    uint8_t repeatIndex = 0, pauseIndex = 0;
    bool showNote = false;
    uint8_t hours = 0, minutes = 0, seconds = 0; // the initial value

    void reset();
    SoundTestPlan soundTest() const {
        return planSoundTest(soundIndex, soundPath, repeatIndex, pauseIndex);
    }
};
TimerSettingsDraft openTimerSettings(const Timers& table, int index);
// OK: stores the draft and puts the timer on its new initial value; the file is written with the
// next save.
void confirmTimerSettings(Timers& table, const TimerSettingsDraft& draft);

} // namespace hv::items

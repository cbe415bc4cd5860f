// The twenty alarms: the table and its file data\alarms.dat, the next-occurrence rule, the
// registration with the notification service, and the operations behind the Alarms view and the
// "Alarm Settings" window.
#pragma once

#include "items/records.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace hv::items {

inline constexpr int kAlarmCount = 20;
inline constexpr size_t kAlarmsFileSize = sizeof(AlarmRecord) * kAlarmCount;
static_assert(kAlarmsFileSize == 1520);
inline constexpr char16_t kAlarmsFileName[] = u"alarms.dat";

// The registration of an alarm lasts five minutes past its start.
inline constexpr dev::FileTime kAlarmWindow = 5 * dev::kTicksPerMinute;

inline constexpr char16_t kCorruptAlarms[] = u"Corrupt file with alarm settings";
inline constexpr char16_t kBusyAlarms[] = u"The file with alarm settings is in use; try again";
inline constexpr char16_t kCantSaveAlarms[] = u"Can't save alarm settings";
inline constexpr char16_t kAlarmNotRegistered[] = u"Not registered";

// "a01" .. "a20" for record index 0 .. 19.
std::u16string alarmArgument(int index);
// data\alarmsnd<index>.dat
std::u16string alarmSoundFile(int index);

// The one rule of an alarm's occurrences: the first time at or after `from` (local file time) at
// the hour and minute of the record's alarmTime on a weekday of its mask: the day of `from` if
// that time has not passed (equal counts as not passed), else the next selected weekday, wrapping
// from Saturday to Sunday. None without a weekday. Days are added as 24-hour steps of local
// time.
std::optional<dev::FileTime> alarmOccurrenceFrom(const AlarmRecord& r, dev::FileTime from);
// The occurrence that follows a firing: the first one after now, and never the occurrence that
// fired (its alarmTime) again, even when the start came a moment early.
std::optional<dev::FileTime> alarmOccurrenceAfterFiring(const AlarmRecord& r, dev::FileTime now);
// The last occurrence at or before `at` within the week before it (none without a weekday).
std::optional<dev::FileTime> alarmLatestOccurrence(const AlarmRecord& r, dev::FileTime at);
// The path in the alarm's sound path file, "\Windows\Alarm1.wav" when it is missing.
std::u16string readAlarmSound(int index);

// The result of parsing a file image: the records (defaults where the image is short) and
// whether the image held all 1520 bytes.
struct AlarmsImage {
    std::array<AlarmRecord, kAlarmCount> records;
    bool complete = false;
};
// Every byte zero, every day selected and the time today at 00:00 (local).
void fillAlarmDefaults(std::array<AlarmRecord, kAlarmCount>& records, dev::FileTime todayMidnight);
AlarmsImage parseAlarms(const uint8_t* data, size_t size, dev::FileTime todayMidnight);

class Alarms {
public:
    Alarms();

    std::array<AlarmRecord, kAlarmCount> records{};

    // LoadAlarms: defaults when the file does not exist (not written). A file held by another
    // process through every attempt is reported as busy and the table is not loaded: it is then
    // never written until a later refresh() has loaded it. A short file is kept aside as
    // alarms.dat.bad, reported as corrupt, and defaults are written in its place.
    bool load(bool quiet = false);
    // Whether the table holds the file's contents (or the defaults of a missing file).
    bool loaded() const { return loaded_; }
    // Loads a table whose load failed; false (and the user told) while the file is still busy.
    // Every change of a record begins here, so that a later load cannot undo it.
    bool ensureLoaded();
    // The views' and status bar's read: takes the reminder's writes (a fired alarm's new
    // occurrence and handle, a time change's re-registrations) into the records this table has
    // not changed itself; loads a table whose load failed. One attempt; a busy file waits for
    // the next call (busy, when given, then tells so). True when the table changed.
    bool refresh(bool* busy = nullptr);
    // SaveAlarms: the whole table, crash-safe, retried, then reported. The reminder rewrites
    // records in the file when an alarm fires (a new handle and occurrence) and all of them after
    // a time change; a record this table has not changed since it last read or wrote the file
    // takes the file's handle and time instead of overwriting them with stale ones. A table that
    // is not loaded is never written.
    bool save();
    // NextAlarmOccurrence: the next local date and time at which the alarm rings.
    std::optional<dev::SystemTime> nextOccurrence(int index) const;
    // ScheduleAlarm: cancels the registration whose handle is in the file (and the table's own,
    // should it differ) and registers the occurrence when one is given; always saves. The file is
    // held from the read of its handle to the write, so a reminder's write cannot fall between.
    void schedule(int index, const std::optional<dev::SystemTime>& occurrence);

    // The view's events.
    void timeChanged(int index, dev::FileTime picked); // disarms an armed alarm
    void checkSet(int index);
    void checkCleared(int index);

    // The earliest alarmTime among enabled alarms, for the status bar.
    std::optional<dev::FileTime> earliestEnabled() const;
    bool anyEnabled() const;

private:
    // Takes the reminder's changes from a file image into the records this table left alone;
    // true when a record changed.
    bool mergeFromFile(const uint8_t* image);
    void markSynced();
    // Holds the file, takes the reminder's changes from it, lets `change` alter the table (told
    // the file's records, null when none could be read) and writes the table; reports a failure.
    bool writeHeld(const std::function<void(const AlarmRecord* onFile)>& change);
    bool loaded_ = true;
    std::array<uint32_t, kAlarmCount> syncedHandle_{};
    std::array<dev::FileTime, kAlarmCount> syncedTime_{};
};

// The process-wide table of the main program.
Alarms& alarms();

// The "Alarm Settings" window's working copy.
struct AlarmSettingsDraft {
    int index = 0;
    uint8_t workingMask = 0;
    std::u16string note;
    uint32_t soundIndex = 0;
    std::u16string soundPath;      // what the sound picker was given / returns
    bool soundFolderReset = false; // "Reset" put the picker back on the \Windows folder
    uint8_t repeatIndex = 0, pauseIndex = 0, snoozeCountIndex = 0, snoozeIntervalIndex = 0;
    bool showDescription = false;
    bool repeating = false;

    // Day 0 = Sunday .. 6 = Saturday.
    void toggleDay(int day);
    bool daySelected(int day) const;
    void reset();
    SoundTestPlan soundTest() const {
        return planSoundTest(soundIndex, soundPath, repeatIndex, pauseIndex);
    }
};
AlarmSettingsDraft openAlarmSettings(const Alarms& table, int index);
// OK: stores the draft, writes the sound path file, then re-registers the alarm.
void confirmAlarmSettings(Alarms& table, const AlarmSettingsDraft& draft);

} // namespace hv::items

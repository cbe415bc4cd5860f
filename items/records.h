// The fixed-size item records of the alarm, timer and event files. Each is a little-endian image,
// identical in memory and on disk, read and written raw by the main program and the reminder.
#pragma once

#include "device/files.h"
#include "device/systime.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace hv::items {

// Attempts and pause of the loaders' and savers' retry loops (the other process holds the file
// for a moment only).
inline constexpr int kFileAttempts = 20;
inline constexpr uint32_t kRetryPauseMs = 100;

// Attempts while another process holds a file: far longer than the other programs ever hold one,
// so that a busy file is told apart from a damaged one.
inline constexpr int kBusyAttempts = 100;

// Reads an item file, retrying while another process holds it: `read` reads the open file and
// says whether what it got will do. Missing when the file does not exist at all, Busy when it was
// held by another process through every attempt, Failed when it was read but did not do,
// OutsideRoot when a symbolic link in its place leads out of the device root (never followed).
enum class ItemFileRead { Done, Missing, Busy, Failed, OutsideRoot };
ItemFileRead readItemFile(const std::u16string& path,
                          const std::function<bool(const dev::ExclusiveFile&)>& read);

// Opens an item file for one read-change-write, retrying while another process holds it: the
// caller keeps it open across its read and its write, so no other writer falls in between.
// `create` makes a missing file (empty); otherwise a missing file gives a closed handle at once.
dev::ExclusiveFile holdItemFile(const std::u16string& path, bool create,
                                int attempts = kBusyAttempts, uint32_t pauseMs = kRetryPauseMs);

// Keeps a damaged file's bytes beside it (the name with ".bad" added) before defaults replace it.
// A file longer than its records: the records are used, the whole file is kept as <file>.bad and
// the journal says so.
void keepOverlong(const std::u16string& path, uint64_t size, uint64_t used);
bool keepAside(const std::u16string& path, const std::vector<uint8_t>& bytes);

// The message for an item file that leads out of the device root; the journal says so too.
std::u16string outsideRootMessage(const std::u16string& path);

// Today's local midnight on the device clock.
dev::FileTime todayAtMidnight();

static_assert(std::endian::native == std::endian::little, "records are little-endian images");

// A UTF-16 text field of 24 units: at most 23 characters and a terminating zero.
inline constexpr size_t kTextUnits = 24;
using TextField = char16_t[kTextUnits];

// The text up to the first zero (or all 24 units of a field read from a damaged file).
std::u16string textOf(const char16_t (&field)[kTextUnits]);
// Stores at most 23 characters and zero-fills the rest.
void setText(char16_t (&field)[kTextUnits], std::u16string_view text);

#pragma pack(push, 4)
struct AlarmRecord {
    uint32_t notificationHandle;
    char16_t note[kTextUnits];
    uint32_t soundIndex;
    uint8_t repeatIndex;         // plays = repeatIndex + 1
    uint8_t pauseIndex;          // pauseIndex + 1 seconds from one play to the next
    uint8_t snoozeCountIndex;    // 1, 2, 3, 4, 5, 7, 10 re-alerts
    uint8_t snoozeIntervalIndex; // 60, 120, 180, 300, 600, 900 seconds
    uint8_t daysMask;            // bit 0 Sunday .. bit 6 Saturday
    uint8_t padding61[3];
    dev::FileTime alarmTime; // local wall-clock time
    uint8_t enabled;
    uint8_t repeating;
    uint8_t showDescription;
    uint8_t padding75;
};

struct TimerRecord {
    uint32_t notificationHandle;
    char16_t note[kTextUnits];
    dev::FileTime countdownTime; // stopped: time of day = time left; running: the end time
    uint32_t soundIndex;
    uint8_t repeatIndex;
    uint8_t pauseIndex;
    uint8_t showNote;
    uint8_t running;
    uint8_t initialSeconds;
    uint8_t initialMinutes;
    uint8_t initialHours;
    uint8_t padding71;
};

struct EventRecord {
    uint32_t notificationHandle; // also the event's number in the reminder argument
    char16_t name[kTextUnits];
    dev::FileTime eventTime;
    uint32_t soundIndex;
    uint8_t repeatIndex;
    uint8_t pauseIndex;
    uint8_t padding66[2];
    uint32_t noteNumber; // 0 = no note
    uint32_t eventId;    // names the event's sound path file
};

struct EventsFileHeader {
    uint16_t count;
    uint16_t zero; // the reminder reads bytes 0..3 as one 32-bit count
    uint32_t noteCounter;
};
#pragma pack(pop)

static_assert(sizeof(AlarmRecord) == 76);
static_assert(offsetof(AlarmRecord, note) == 4);
static_assert(offsetof(AlarmRecord, soundIndex) == 52);
static_assert(offsetof(AlarmRecord, repeatIndex) == 56);
static_assert(offsetof(AlarmRecord, pauseIndex) == 57);
static_assert(offsetof(AlarmRecord, snoozeCountIndex) == 58);
static_assert(offsetof(AlarmRecord, snoozeIntervalIndex) == 59);
static_assert(offsetof(AlarmRecord, daysMask) == 60);
static_assert(offsetof(AlarmRecord, alarmTime) == 64);
static_assert(offsetof(AlarmRecord, enabled) == 72);
static_assert(offsetof(AlarmRecord, repeating) == 73);
static_assert(offsetof(AlarmRecord, showDescription) == 74);

static_assert(sizeof(TimerRecord) == 72);
static_assert(offsetof(TimerRecord, countdownTime) == 52);
static_assert(offsetof(TimerRecord, soundIndex) == 60);
static_assert(offsetof(TimerRecord, repeatIndex) == 64);
static_assert(offsetof(TimerRecord, pauseIndex) == 65);
static_assert(offsetof(TimerRecord, showNote) == 66);
static_assert(offsetof(TimerRecord, running) == 67);
static_assert(offsetof(TimerRecord, initialSeconds) == 68);
static_assert(offsetof(TimerRecord, initialMinutes) == 69);
static_assert(offsetof(TimerRecord, initialHours) == 70);

static_assert(sizeof(EventRecord) == 76);
static_assert(offsetof(EventRecord, name) == 4);
static_assert(offsetof(EventRecord, eventTime) == 52);
static_assert(offsetof(EventRecord, soundIndex) == 60);
static_assert(offsetof(EventRecord, repeatIndex) == 64);
static_assert(offsetof(EventRecord, pauseIndex) == 65);
static_assert(offsetof(EventRecord, noteNumber) == 68);
static_assert(offsetof(EventRecord, eventId) == 72);

static_assert(sizeof(EventsFileHeader) == 8);
static_assert(offsetof(EventsFileHeader, noteCounter) == 4);

// Shared names and texts of the item modules.
inline constexpr char16_t kSoundFolder[] = u"\\Windows";
inline constexpr char16_t kDebugCaption[] = u"Debug";

// Converts a stored local file time to a calendar record; a value outside the calendar gives
// 1601-01-01 00:00 instead of failing.
dev::SystemTime systemTimeOf(dev::FileTime t);
// "YYYY-MM-DD HH:MM:SS" of a stored local file time.
std::string localTimeText(dev::FileTime t);
// Two digits, with a leading zero below 10 (values above 99 are written in full).
std::u16string twoDigits(uint64_t v);

// Names (without folder) of the sound path files: alarmsnd<index>.dat, timersnd<index>.dat and
// es<eventId>.dat. The main program, the reminder and the command line all build them here.
std::u16string alarmSoundFileName(int index);
std::u16string timerSoundFileName(int index);
std::u16string eventSoundFileName(uint32_t eventId);

// The sound test of the settings windows: plays = repeatIndex + 1, each followed by a pause of
// pauseIndex + 1 seconds. Nothing is planned for "None".
struct SoundTestPlan {
    std::u16string path;
    int plays = 0;
    uint32_t pauseMs = 0;
};
SoundTestPlan planSoundTest(uint32_t soundIndex, const std::u16string& path, uint8_t repeatIndex,
                            uint8_t pauseIndex);

// A running sound test that never blocks its window: start() plays the first time, the window's
// timer calls tick() and the next play starts once its pause has passed on the device's tick
// count; stop() (the window closes, or Test is pressed again) ends it and silences the sound.
class SoundTest {
public:
    void start(const SoundTestPlan& plan);
    // Starts what is due; false once the last pause is over.
    bool tick();
    void stop();
    bool running() const { return running_; }
    int started() const { return started_; }

private:
    void playNext();
    SoundTestPlan plan_;
    int played_ = 0;
    int started_ = 0;
    uint64_t nextMs_ = 0;
    bool running_ = false;
};

} // namespace hv::items

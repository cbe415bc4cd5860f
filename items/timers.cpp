#include "items/timers.h"

#include "device/files.h"
#include "items/alarms.h"
#include "settings/settings.h"
#include "settings/soundpath.h"

#include <cstring>

namespace hv::items {

namespace {

bool validIndex(int i) {
    return i >= 0 && i < kTimerCount;
}

dev::FileTime midnightOf(dev::FileTime t) {
    return t - t % dev::kTicksPerDay;
}

dev::FileTime hmsTicks(uint64_t h, uint64_t m, uint64_t s) {
    return h * dev::kTicksPerHour + m * dev::kTicksPerMinute + s * dev::kTicksPerSecond;
}

// The time of day of a stored time as a duration.
dev::FileTime timeOfDay(dev::FileTime t) {
    const dev::SystemTime st = systemTimeOf(t);
    return hmsTicks(st.hour, st.minute, st.second);
}

} // namespace

std::u16string timerArgument(int index) {
    return u"t0" + std::u16string(1, static_cast<char16_t>(u'0' + index));
}

std::u16string timerResetEventName(int index) {
    return u"HVTimers_" + std::u16string(1, static_cast<char16_t>(u'1' + index)) + u"_Reset";
}

std::u16string timerSoundFile(int index) {
    return dataFilePath(u"timersnd" + std::u16string(1, static_cast<char16_t>(u'0' + index)) +
                        u".dat");
}

std::u16string readTimerSound(int index) {
    return readSoundPathFile(timerSoundFile(index)).value_or(kDefaultSoundPath);
}

Hms remainingBetween(dev::FileTime end, dev::FileTime now) {
    if (end <= now)
        return {};
    const uint64_t total = (end - now) / dev::kTicksPerSecond;
    return {total / 3600, static_cast<uint32_t>(total / 60 % 60),
            static_cast<uint32_t>(total % 60)};
}

std::u16string hmsText(const Hms& t) {
    return twoDigits(t.hours) + u":" + twoDigits(t.minutes) + u":" + twoDigits(t.seconds);
}

void fillTimerDefaults(std::array<TimerRecord, kTimerCount>& records, dev::FileTime todayMidnight) {
    std::memset(records.data(), 0, kTimersFileSize);
    for (auto& r : records)
        r.countdownTime = todayMidnight;
}

Timers::Timers() {
    fillTimerDefaults(records, 0);
}

Timers::~Timers() {
    closeEvents();
}

Timers& timers() {
    static Timers table;
    return table;
}

bool Timers::openEvents() {
    closeEvents();
    auto& ev = dev::current().events();
    settingsChange_ = ev.create(kTimersSettingsChange, false, nullptr);
    bool ok = settingsChange_ != 0;
    for (int i = 0; i < kTimerCount; ++i) {
        resetEvents_[static_cast<size_t>(i)] = ev.create(timerResetEventName(i), false, nullptr);
        ok = ok && resetEvents_[static_cast<size_t>(i)] != 0;
    }
    return ok;
}

void Timers::closeEvents() {
    auto& ev = dev::current().events();
    if (settingsChange_)
        ev.close(settingsChange_);
    settingsChange_ = 0;
    for (auto& h : resetEvents_) {
        if (h)
            ev.close(h);
        h = 0;
    }
}

bool Timers::load() {
    const std::u16string path = dataFilePath(kTimersFileName);
    std::vector<uint8_t> bytes;
    const ItemFileRead result = readItemFile(path, [&](const dev::ExclusiveFile& f) {
        bytes.assign(kTimersFileSize, 0);
        bytes.resize(f.readAt(0, bytes.data(), kTimersFileSize));
        return true;
    });
    const bool missing = result == ItemFileRead::Missing;
    const bool ok = result == ItemFileRead::Done;
    if (missing) {
        fillTimerDefaults(records, todayAtMidnight());
        save();
        return true;
    }
    if (!ok)
        return false;
    // A short file replaces only the bytes it holds.
    if (!bytes.empty())
        std::memcpy(records.data(), bytes.data(), bytes.size());
    return true;
}

bool Timers::save() {
    const std::u16string path = dataFilePath(kTimersFileName);
    const bool ok = dev::withRetry(kFileAttempts, kRetryPauseMs, [&] {
        return dev::saveWholeFile(path, records.data(), kTimersFileSize);
    });
    if (!ok)
        dev::messageBox(kCaption, kCantSaveTimers, dev::MbIcon::Error);
    return ok;
}

bool Timers::saveOne(int i) {
    if (!validIndex(i))
        return false;
    const std::u16string path = dataFilePath(kTimersFileName);
    const bool ok = dev::withRetry(kFileAttempts, kRetryPauseMs, [&] {
        // A file that has gone (or was never written) is written whole, so the record is not lost.
        if (!dev::fileExists(path))
            return dev::saveWholeFile(path, records.data(), kTimersFileSize);
        return dev::writeRecordInPlace(path, static_cast<uint64_t>(i) * sizeof(TimerRecord),
                                       &records[static_cast<size_t>(i)], sizeof(TimerRecord));
    });
    if (!ok)
        dev::messageBox(kCaption, kCantSaveTimers, dev::MbIcon::Error);
    return ok;
}

bool Timers::start(int i) {
    if (!validIndex(i))
        return false;
    TimerRecord& r = records[static_cast<size_t>(i)];
    if (r.running)
        return false;
    dev::FileTime d = timeOfDay(r.countdownTime);
    if (d == 0)
        d = dev::kTicksPerDay; // a zero timer runs one day
    const dev::FileTime end = dev::getLocalTimeAsFileTime() + d;
    r.countdownTime = end;
    auto& ev = dev::current().events();
    if (resetEvents_[static_cast<size_t>(i)])
        ev.reset(resetEvents_[static_cast<size_t>(i)]);
    r.notificationHandle = dev::current().notifications().setTimed(
        r.notificationHandle, kReminderPath, timerArgument(i), dev::toSystemTime(end),
        dev::SystemTime{});
    if (r.notificationHandle == 0)
        dev::messageBox(kDebugCaption, kTimerNotRegistered, dev::MbIcon::None);
    r.running = 1;
    saveOne(i);
    return true;
}

void Timers::commonStop(int i) {
    TimerRecord& r = records[static_cast<size_t>(i)];
    if (resetEvents_[static_cast<size_t>(i)])
        dev::current().events().set(resetEvents_[static_cast<size_t>(i)]);
    dev::current().notifications().clear(r.notificationHandle);
    r.notificationHandle = 0;
    r.running = 0;
    if (onStopped)
        onStopped();
}

void Timers::stop(int i) {
    if (!validIndex(i))
        return;
    TimerRecord& r = records[static_cast<size_t>(i)];
    const dev::FileTime now = dev::getLocalTimeAsFileTime();
    const Hms left = remainingBetween(r.countdownTime, now);
    // Today's date with the time left (a full day left rolls over to 00:00:00, i.e. one day).
    r.countdownTime = midnightOf(now) + hmsTicks(left.hours, left.minutes, left.seconds);
    commonStop(i);
    saveOne(i);
}

void Timers::setInitialCountdown(int i) {
    TimerRecord& r = records[static_cast<size_t>(i)];
    const dev::FileTime day = midnightOf(r.countdownTime);
    r.countdownTime = day + hmsTicks(r.initialHours, r.initialMinutes, r.initialSeconds);
}

void Timers::reset(int i) {
    if (!validIndex(i))
        return;
    setInitialCountdown(i);
    commonStop(i);
    saveOne(i);
}

void Timers::stopAndResetAll() {
    for (int i = 0; i < kTimerCount; ++i) {
        if (records[static_cast<size_t>(i)].running)
            stop(i);
        setInitialCountdown(i);
        commonStop(i);
        saveOne(i);
    }
}

int Timers::checkChanged() {
    auto handlePending = [&]() -> int {
        for (int i = 0; i < kTimerCount; ++i) {
            if (!pendingEnds_[static_cast<size_t>(i)])
                continue;
            pendingEnds_[static_cast<size_t>(i)] = false;
            setInitialCountdown(i);
            commonStop(i);
            saveOne(i);
            return i;
        }
        return -1;
    };
    // Timers that ended together are completed one per call.
    if (const int done = handlePending(); done >= 0)
        return done;
    auto& ev = dev::current().events();
    if (!settingsChange_ || !ev.isSet(settingsChange_))
        return -1;
    ev.reset(settingsChange_);
    std::array<uint32_t, kTimerCount> before{};
    for (int i = 0; i < kTimerCount; ++i)
        before[static_cast<size_t>(i)] = records[static_cast<size_t>(i)].notificationHandle;
    load();
    for (int i = 0; i < kTimerCount; ++i) {
        const uint32_t was = before[static_cast<size_t>(i)];
        if (was != 0 && was != records[static_cast<size_t>(i)].notificationHandle)
            pendingEnds_[static_cast<size_t>(i)] = true;
    }
    return handlePending();
}

Hms Timers::remaining(int i) const {
    if (!validIndex(i))
        return {};
    const TimerRecord& r = records[static_cast<size_t>(i)];
    if (r.notificationHandle != 0 || r.running)
        return remainingBetween(r.countdownTime, dev::getLocalTimeAsFileTime());
    const dev::SystemTime st = systemTimeOf(r.countdownTime);
    return {st.hour, st.minute, st.second};
}

std::optional<int> Timers::firstToEnd() const {
    std::optional<int> best;
    for (int i = 0; i < kTimerCount; ++i) {
        const TimerRecord& r = records[static_cast<size_t>(i)];
        if (!r.running)
            continue;
        if (!best || r.countdownTime < records[static_cast<size_t>(*best)].countdownTime)
            best = i;
    }
    return best;
}

void TimerSettingsDraft::reset() {
    note.clear();
    soundFolderReset = true;
    repeatIndex = pauseIndex = 0;
    showNote = false;
    hours = minutes = seconds = 0;
}

TimerSettingsDraft openTimerSettings(const Timers& table, int index) {
    TimerSettingsDraft d;
    if (!validIndex(index))
        return d;
    const TimerRecord& r = table.records[static_cast<size_t>(index)];
    d.index = index;
    d.note = textOf(r.note);
    d.soundIndex = r.soundIndex;
    d.soundPath = readTimerSound(index);
    d.repeatIndex = r.repeatIndex;
    d.pauseIndex = r.pauseIndex;
    d.showNote = r.showNote != 0;
    d.hours = r.initialHours;
    d.minutes = r.initialMinutes;
    d.seconds = r.initialSeconds;
    return d;
}

void confirmTimerSettings(Timers& table, const TimerSettingsDraft& d) {
    if (!validIndex(d.index) || table.records[static_cast<size_t>(d.index)].running)
        return;
    TimerRecord& r = table.records[static_cast<size_t>(d.index)];
    setText(r.note, d.note);
    r.soundIndex = d.soundIndex;
    writeSoundPathFile(timerSoundFile(d.index), d.soundPath);
    r.pauseIndex = d.pauseIndex;
    r.repeatIndex = d.repeatIndex;
    r.showNote = d.showNote ? 1 : 0;
    // The time picker holds at most 23:59:59.
    r.initialSeconds = std::min<uint8_t>(d.seconds, 59);
    r.initialMinutes = std::min<uint8_t>(d.minutes, 59);
    r.initialHours = std::min<uint8_t>(d.hours, 23);
    r.countdownTime = midnightOf(dev::getLocalTimeAsFileTime()) +
                      hmsTicks(r.initialHours, r.initialMinutes, r.initialSeconds);
}

} // namespace hv::items

#include "items/timers.h"

#include "device/files.h"
#include "items/alarms.h"
#include "items/registration.h"
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
    return dataFilePath(timerSoundFileName(index));
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

dev::FileTime timerEndUtc(const TimerRecord& r) {
    return r.running == kRunningUtcEnd ? r.countdownTime
                                       : dev::localFileTimeToFileTime(r.countdownTime);
}

dev::FileTime timerEndLocal(const TimerRecord& r) {
    return r.running == kRunningUtcEnd ? dev::fileTimeToLocalFileTime(r.countdownTime)
                                       : r.countdownTime;
}

dev::FileTime timerInitialCountdown(const TimerRecord& r) {
    return midnightOf(r.countdownTime) +
           hmsTicks(r.initialHours, r.initialMinutes, r.initialSeconds);
}

void fillTimerDefaults(std::array<TimerRecord, kTimerCount>& records, dev::FileTime todayMidnight) {
    std::memset(records.data(), 0, kTimersFileSize);
    for (auto& r : records)
        r.countdownTime = todayMidnight;
}

Timers::Timers() {
    fillTimerDefaults(records, 0);
    markSynced();
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
    eventsDevice_ = &dev::current();
    auto& ev = eventsDevice_->events();
    settingsChange_ = ev.create(kTimersSettingsChange, false, nullptr);
    bool ok = settingsChange_ != 0;
    for (int i = 0; i < kTimerCount; ++i) {
        resetEvents_[static_cast<size_t>(i)] = ev.create(timerResetEventName(i), false, nullptr);
        ok = ok && resetEvents_[static_cast<size_t>(i)] != 0;
    }
    return ok;
}

void Timers::closeEvents() {
    // Handles of a device that is no longer current (one that has gone, at the program's exit)
    // are only dropped: another device would not know them, and reaching it could start its
    // services in a root nobody asked for.
    const bool own = eventsDevice_ == &dev::current();
    auto& ev = dev::current().events();
    if (settingsChange_ && own)
        ev.close(settingsChange_);
    settingsChange_ = 0;
    for (auto& h : resetEvents_) {
        if (h && own)
            ev.close(h);
        h = 0;
    }
    eventsDevice_ = nullptr;
}

bool Timers::load(bool quiet) {
    const std::u16string path = dataFilePath(kTimersFileName);
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    const ItemFileRead result = readItemFile(path, [&](const dev::ExclusiveFile& f) {
        bytes.assign(kTimersFileSize, 0);
        bytes.resize(f.readAt(0, bytes.data(), kTimersFileSize));
        size = f.size().value_or(0);
        return bytes.size() == kTimersFileSize;
    });
    if (result == ItemFileRead::Done && size > kTimersFileSize)
        keepOverlong(path, size, kTimersFileSize);
    switch (result) {
    case ItemFileRead::Done:
        std::memcpy(records.data(), bytes.data(), kTimersFileSize);
        markSynced();
        loaded_ = true;
        return true;
    case ItemFileRead::Busy:
        loaded_ = false;
        if (!quiet)
            dev::messageBox(kCaption, kBusyTimers, dev::MbIcon::Error);
        return false;
    case ItemFileRead::OutsideRoot:
        fillTimerDefaults(records, todayAtMidnight());
        markSynced();
        loaded_ = true;
        dev::messageBox(kCaption, outsideRootMessage(path), dev::MbIcon::Error);
        return false;
    case ItemFileRead::Missing:
    case ItemFileRead::Failed:
        break;
    }
    const bool corrupt = result == ItemFileRead::Failed;
    if (corrupt) {
        if (const auto whole = dev::readWholeFile(path))
            bytes = *whole;
        keepAside(path, bytes);
    }
    fillTimerDefaults(records, todayAtMidnight());
    markSynced();
    loaded_ = true;
    const bool saved = dev::withRetry(kFileAttempts, kRetryPauseMs, [&] {
        return dev::saveWholeFile(path, records.data(), kTimersFileSize);
    });
    if (corrupt)
        dev::messageBox(kCaption, kCorruptTimers, dev::MbIcon::Error);
    else if (!saved)
        dev::messageBox(kCaption, kCantSaveTimers, dev::MbIcon::Error);
    return !corrupt;
}

bool Timers::ensureLoaded() {
    if (loaded_ || load(true))
        return true;
    dev::messageBox(kCaption, kBusyTimers, dev::MbIcon::Error);
    return false;
}

void Timers::markSynced() {
    synced_ = records;
}

void Timers::mergeFromFile(const uint8_t* image, size_t size) {
    for (size_t i = 0; i < records.size() && (i + 1) * sizeof(TimerRecord) <= size; ++i) {
        TimerRecord onFile;
        std::memcpy(&onFile, image + i * sizeof(TimerRecord), sizeof onFile);
        TimerRecord& mine = records[i];
        const TimerRecord& was = synced_[i];
        if (std::memcmp(&onFile, &was, sizeof onFile) == 0)
            continue; // nobody else wrote it
        // A run of ours that the file no longer holds has ended: the stop is completed later.
        if (mine.notificationHandle != 0 && mine.notificationHandle == was.notificationHandle &&
            onFile.notificationHandle != was.notificationHandle)
            pendingEnds_[i] = true;
        if (std::memcmp(&mine, &was, sizeof mine) == 0) {
            mine = onFile; // we did not change it: the file's copy is the newer
        } else if (onFile.notificationHandle != was.notificationHandle &&
                   mine.notificationHandle == was.notificationHandle) {
            // The reminder ended the run we hold; our other changes stay.
            mine.notificationHandle = onFile.notificationHandle;
            mine.running = onFile.running;
            mine.countdownTime = onFile.countdownTime;
        }
    }
}

bool Timers::save() {
    if (!loaded_ && !load(true)) {
        dev::messageBox(kCaption, kCantSaveTimers, dev::MbIcon::Error);
        return false;
    }
    // Held from the read to the write: a reminder's write-back of an ended run waits, and is
    // then the one read.
    std::array<TimerRecord, kTimerCount> image;
    const HeldUpdate done = updateHeld(
        dataFilePath(kTimersFileName), 0, image.data(), kTimersFileSize, tableHoldRules(),
        [&](bool read) {
            if (read)
                mergeFromFile(reinterpret_cast<const uint8_t*>(image.data()), kTimersFileSize);
            image = records;
            return true;
        });
    if (done == HeldUpdate::Written) {
        markSynced();
        return true;
    }
    dev::messageBox(kCaption, kCantSaveTimers, dev::MbIcon::Error);
    return false;
}

bool Timers::saveOne(int i) {
    if (!validIndex(i))
        return false;
    if (!loaded_ && !load(true)) {
        dev::messageBox(kCaption, kCantSaveTimers, dev::MbIcon::Error);
        return false;
    }
    const std::u16string path = dataFilePath(kTimersFileName);
    const size_t at = static_cast<size_t>(i);
    const bool ok = dev::withRetry(kFileAttempts, kRetryPauseMs, [&] {
        // A file that has gone (or was never written) is written whole, so the record is not lost.
        if (!dev::fileExists(path))
            return dev::saveWholeFile(path, records.data(), kTimersFileSize);
        return dev::writeRecordInPlace(path, static_cast<uint64_t>(i) * sizeof(TimerRecord),
                                       &records[at], sizeof(TimerRecord));
    });
    if (ok)
        synced_[at] = records[at];
    else
        dev::messageBox(kCaption, kCantSaveTimers, dev::MbIcon::Error);
    return ok;
}

bool Timers::start(int i) {
    if (!validIndex(i) || !ensureLoaded())
        return false;
    TimerRecord& r = records[static_cast<size_t>(i)];
    if (r.running)
        return false;
    takeShownDefaultSound(r.soundIndex, timerSoundFile(i));
    dev::FileTime d = timeOfDay(r.countdownTime);
    if (d == 0)
        d = dev::kTicksPerDay; // a zero timer runs one day
    // The end is a real instant, so the run lasts d whatever the wall clock does meanwhile.
    r.countdownTime = dev::getSystemTimeAsFileTime() + d;
    r.running = kRunningUtcEnd;
    auto& ev = dev::current().events();
    if (resetEvents_[static_cast<size_t>(i)])
        ev.reset(resetEvents_[static_cast<size_t>(i)]);
    r.notificationHandle = registerTimer(i, timerEndLocal(r), r.notificationHandle);
    if (r.notificationHandle == 0)
        dev::messageBox(kDebugCaption, kTimerNotRegistered, dev::MbIcon::None);
    saveOne(i);
    return true;
}

void Timers::commonStop(int i) {
    TimerRecord& r = records[static_cast<size_t>(i)];
    if (resetEvents_[static_cast<size_t>(i)])
        dev::current().events().set(resetEvents_[static_cast<size_t>(i)]);
    clearRegistration(r.notificationHandle);
    r.notificationHandle = 0;
    r.running = 0;
    if (onStopped)
        onStopped();
}

void Timers::stop(int i) {
    if (!validIndex(i) || !ensureLoaded())
        return;
    TimerRecord& r = records[static_cast<size_t>(i)];
    const dev::FileTime now = dev::getLocalTimeAsFileTime();
    const Hms left = remainingBetween(timerEndUtc(r), dev::getSystemTimeAsFileTime());
    // Today's date with the time left (a full day left rolls over to 00:00:00, i.e. one day).
    r.countdownTime = midnightOf(now) + hmsTicks(left.hours, left.minutes, left.seconds);
    commonStop(i);
    saveOne(i);
}

void Timers::setInitialCountdown(int i) {
    TimerRecord& r = records[static_cast<size_t>(i)];
    r.countdownTime = timerInitialCountdown(r);
}

void Timers::reset(int i) {
    if (!validIndex(i) || !ensureLoaded())
        return;
    setInitialCountdown(i);
    commonStop(i);
    saveOne(i);
}

void Timers::stopAndResetAll() {
    if (!ensureLoaded())
        return;
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
    // Only the records whose run the reminder ended are taken from the file: the others may hold
    // settings not yet saved.
    std::vector<uint8_t> onFile;
    const ItemFileRead read =
        readItemFile(dataFilePath(kTimersFileName), [&](const dev::ExclusiveFile& f) {
            onFile = f.readAll();
            return onFile.size() >= kTimersFileSize;
        });
    if (read != ItemFileRead::Done)
        return -1;
    for (int i = 0; i < kTimerCount; ++i) {
        const size_t at = static_cast<size_t>(i);
        TimerRecord fileRecord;
        std::memcpy(&fileRecord, onFile.data() + at * sizeof(TimerRecord), sizeof fileRecord);
        const uint32_t was = records[at].notificationHandle;
        if (was != 0 && was != fileRecord.notificationHandle) {
            records[at] = fileRecord;
            synced_[at] = fileRecord;
            pendingEnds_[at] = true;
        }
    }
    return handlePending();
}

void Timers::checkAllChanged() {
    while (checkChanged() >= 0) {
    }
}

Hms Timers::remaining(int i) const {
    if (!validIndex(i))
        return {};
    const TimerRecord& r = records[static_cast<size_t>(i)];
    if (r.notificationHandle != 0 || r.running)
        return remainingBetween(timerEndUtc(r), dev::getSystemTimeAsFileTime());
    const dev::SystemTime st = systemTimeOf(r.countdownTime);
    return {st.hour, st.minute, st.second};
}

bool Timers::endReached() const {
    const dev::FileTime now = dev::getSystemTimeAsFileTime();
    for (const TimerRecord& r : records)
        if (r.running && timerEndUtc(r) <= now)
            return true;
    return false;
}

std::optional<int> Timers::firstToEnd() const {
    std::optional<int> best;
    for (int i = 0; i < kTimerCount; ++i) {
        const TimerRecord& r = records[static_cast<size_t>(i)];
        if (!r.running)
            continue;
        if (!best || timerEndUtc(r) < timerEndUtc(records[static_cast<size_t>(*best)]))
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
    if (!validIndex(d.index) || !table.ensureLoaded() ||
        table.records[static_cast<size_t>(d.index)].running)
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
    // Saved at once: the record must not wait for the exit save, which may never come.
    table.saveOne(d.index);
}

} // namespace hv::items

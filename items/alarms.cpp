#include "items/alarms.h"

#include "device/device.h"
#include "device/files.h"
#include "items/registration.h"
#include "settings/settings.h"
#include "settings/soundpath.h"

#include <cstring>

namespace hv::items {

namespace {

bool validIndex(int index) {
    return index >= 0 && index < kAlarmCount;
}

} // namespace

std::u16string alarmArgument(int index) {
    return u"a" + twoDigits(static_cast<uint64_t>(index + 1));
}

std::u16string alarmSoundFile(int index) {
    return dataFilePath(alarmSoundFileName(index));
}

std::u16string readAlarmSound(int index) {
    return readSoundPathFile(alarmSoundFile(index)).value_or(kDefaultSoundPath);
}

std::optional<dev::FileTime> alarmOccurrenceFrom(const AlarmRecord& r, dev::FileTime from) {
    const uint8_t mask = r.daysMask & 0x7F;
    if (mask == 0)
        return std::nullopt;
    dev::SystemTime day;
    if (!dev::fileTimeToSystemTime(from, day))
        return std::nullopt;
    const dev::SystemTime at = systemTimeOf(r.alarmTime);
    dev::SystemTime candidate = day;
    candidate.hour = at.hour;
    candidate.minute = at.minute;
    candidate.second = 0;
    candidate.milliseconds = 0;
    const auto candidateFt = dev::toFileTime(candidate);
    if (!candidateFt)
        return std::nullopt;
    int k = *candidateFt >= from ? 0 : 1;
    while (!(mask & (1u << ((day.dayOfWeek + k) % 7))))
        ++k;
    return *candidateFt + static_cast<dev::FileTime>(k) * dev::kTicksPerDay;
}

std::optional<dev::FileTime> alarmOccurrenceAfterFiring(const AlarmRecord& r, dev::FileTime now) {
    // A start a moment before the registered time (a clock step, a daemon that fires on the
    // second) must not register the same occurrence again; a far-off stored time is no guide.
    dev::FileTime from = now;
    if (r.alarmTime > now && r.alarmTime - now <= kAlarmWindow)
        from = r.alarmTime;
    return alarmOccurrenceFrom(r, from + 1);
}

std::optional<dev::FileTime> alarmLatestOccurrence(const AlarmRecord& r, dev::FileTime at) {
    // The occurrence from the start of the day a week back is the first candidate; walk forward.
    std::optional<dev::FileTime> latest;
    const dev::FileTime start = at >= 7 * dev::kTicksPerDay ? at - 7 * dev::kTicksPerDay : 0;
    for (auto t = alarmOccurrenceFrom(r, start); t && *t <= at; t = alarmOccurrenceFrom(r, *t + 1))
        latest = t;
    return latest;
}

void fillAlarmDefaults(std::array<AlarmRecord, kAlarmCount>& records, dev::FileTime todayMidnight) {
    std::memset(records.data(), 0, kAlarmsFileSize);
    for (auto& r : records) {
        r.daysMask = 0xFF;
        r.alarmTime = todayMidnight;
    }
}

AlarmsImage parseAlarms(const uint8_t* data, size_t size, dev::FileTime todayMidnight) {
    AlarmsImage img;
    fillAlarmDefaults(img.records, todayMidnight);
    const size_t n = std::min(size, kAlarmsFileSize);
    if (n > 0)
        std::memcpy(img.records.data(), data, n);
    img.complete = size >= kAlarmsFileSize;
    return img;
}

Alarms::Alarms() {
    fillAlarmDefaults(records, 0);
    markSynced();
}

Alarms& alarms() {
    static Alarms table;
    return table;
}

bool Alarms::load(bool quiet) {
    const std::u16string path = dataFilePath(kAlarmsFileName);
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    const ItemFileRead result = readItemFile(path, [&](const dev::ExclusiveFile& f) {
        bytes.assign(kAlarmsFileSize, 0);
        bytes.resize(f.readAt(0, bytes.data(), kAlarmsFileSize));
        size = f.size().value_or(0);
        return bytes.size() == kAlarmsFileSize;
    });
    if (result == ItemFileRead::Done && size > kAlarmsFileSize)
        keepOverlong(path, size, kAlarmsFileSize);
    const dev::FileTime midnight = todayAtMidnight();
    switch (result) {
    case ItemFileRead::Missing:
        fillAlarmDefaults(records, midnight);
        break;
    case ItemFileRead::Done:
        records = parseAlarms(bytes.data(), bytes.size(), midnight).records;
        break;
    case ItemFileRead::Busy:
        // Nothing is known of the user's alarms: nothing may be written over them.
        loaded_ = false;
        if (!quiet)
            dev::messageBox(kCaption, kBusyAlarms, dev::MbIcon::Error);
        return false;
    case ItemFileRead::OutsideRoot:
        fillAlarmDefaults(records, midnight);
        markSynced();
        loaded_ = true;
        dev::messageBox(kCaption, outsideRootMessage(path), dev::MbIcon::Error);
        return false;
    case ItemFileRead::Failed: {
        // A damaged file is kept for the user before the defaults take its place.
        if (const auto whole = dev::readWholeFile(path))
            bytes = *whole;
        keepAside(path, bytes);
        fillAlarmDefaults(records, midnight);
        markSynced();
        loaded_ = true;
        dev::withRetry(kFileAttempts, kRetryPauseMs,
                       [&] { return dev::saveWholeFile(path, records.data(), kAlarmsFileSize); });
        dev::messageBox(kCaption, kCorruptAlarms, dev::MbIcon::Error);
        return false;
    }
    }
    markSynced();
    loaded_ = true;
    return true;
}

bool Alarms::ensureLoaded() {
    if (loaded_ || load(true))
        return true;
    dev::messageBox(kCaption, kBusyAlarms, dev::MbIcon::Error);
    return false;
}

bool Alarms::refresh(bool* busy) {
    const std::u16string path = dataFilePath(kAlarmsFileName);
    dev::ExclusiveFile f = dev::ExclusiveFile::open(path, dev::OpenMode::ReadExisting);
    if (busy)
        *busy = f.busy();
    if (!loaded_) {
        // Called from the tick: a file another program holds is tried again at the next call,
        // never waited for here.
        if (f.busy())
            return false;
        f.close();
        return load(true);
    }
    std::vector<uint8_t> onFile(kAlarmsFileSize);
    if (!f.isOpen() || f.readAt(0, onFile.data(), kAlarmsFileSize) != kAlarmsFileSize)
        return false;
    return mergeFromFile(onFile.data());
}

void Alarms::markSynced() {
    for (size_t i = 0; i < records.size(); ++i) {
        syncedHandle_[i] = records[i].notificationHandle;
        syncedTime_[i] = records[i].alarmTime;
    }
}

bool Alarms::mergeFromFile(const uint8_t* image) {
    bool changed = false;
    for (size_t i = 0; i < records.size(); ++i) {
        AlarmRecord onFile;
        std::memcpy(&onFile, image + i * sizeof(AlarmRecord), sizeof onFile);
        AlarmRecord& r = records[i];
        if (onFile.notificationHandle == syncedHandle_[i] ||
            r.notificationHandle != syncedHandle_[i])
            continue; // the file holds what we wrote, or we have changed the record since
        r.notificationHandle = syncedHandle_[i] = onFile.notificationHandle;
        if (r.alarmTime == syncedTime_[i])
            r.alarmTime = syncedTime_[i] = onFile.alarmTime;
        changed = true;
    }
    return changed;
}

bool Alarms::writeHeld(const std::function<void(const AlarmRecord* onFile)>& change) {
    // The file is held from its read to its write: a reminder re-registering an alarm meanwhile
    // waits, and its registration is the one read.
    std::array<AlarmRecord, kAlarmCount> image;
    const HeldUpdate done =
        updateHeld(dataFilePath(kAlarmsFileName), 0, image.data(), kAlarmsFileSize,
                   tableHoldRules(), [&](bool read) {
                       if (read)
                           mergeFromFile(reinterpret_cast<const uint8_t*>(image.data()));
                       change(read ? image.data() : nullptr);
                       image = records;
                       return true;
                   });
    if (done == HeldUpdate::Written) {
        markSynced();
        return true;
    }
    dev::messageBox(kCaption, kCantSaveAlarms, dev::MbIcon::Error);
    return false;
}

bool Alarms::save() {
    if (!loaded_ && !load(true)) {
        dev::messageBox(kCaption, kCantSaveAlarms, dev::MbIcon::Error);
        return false;
    }
    return writeHeld([](const AlarmRecord*) {});
}

std::optional<dev::SystemTime> Alarms::nextOccurrence(int index) const {
    if (!validIndex(index))
        return std::nullopt;
    const auto t =
        alarmOccurrenceFrom(records[static_cast<size_t>(index)], dev::getLocalTimeAsFileTime());
    dev::SystemTime out;
    if (!t || !dev::fileTimeToSystemTime(*t, out))
        return std::nullopt;
    return out;
}

void Alarms::schedule(int index, const std::optional<dev::SystemTime>& occurrence) {
    if (!validIndex(index))
        return;
    if (!loaded_ && !load(true)) {
        dev::messageBox(kCaption, kCantSaveAlarms, dev::MbIcon::Error);
        return;
    }
    writeHeld([&](const AlarmRecord* onFile) {
        AlarmRecord& r = records[static_cast<size_t>(index)];
        // The handle cancelled is the file's: the reminder replaces the registration and writes
        // the new handle each time the alarm fires. The table's own goes too, should it differ.
        const uint32_t inFile =
            onFile ? onFile[index].notificationHandle : uint32_t{r.notificationHandle};
        if (r.notificationHandle != inFile)
            clearRegistration(r.notificationHandle);
        const auto start = occurrence ? dev::toFileTime(*occurrence) : std::nullopt;
        if (start)
            r.alarmTime = *start;
        r.notificationHandle =
            replaceAlarmRegistration(Registrar::MainProgram, inFile, alarmArgument(index), start);
        if (start && r.notificationHandle == 0)
            dev::messageBox(kDebugCaption, kAlarmNotRegistered, dev::MbIcon::None);
    });
}

void Alarms::timeChanged(int index, dev::FileTime picked) {
    if (!validIndex(index) || !ensureLoaded())
        return;
    AlarmRecord& r = records[static_cast<size_t>(index)];
    r.alarmTime = picked;
    if (r.enabled) {
        r.enabled = 0;
        schedule(index, std::nullopt);
    }
}

void Alarms::checkSet(int index) {
    if (!validIndex(index) || !ensureLoaded())
        return;
    takeShownDefaultSound(records[static_cast<size_t>(index)].soundIndex, alarmSoundFile(index));
    records[static_cast<size_t>(index)].enabled = 1;
    schedule(index, nextOccurrence(index));
}

void Alarms::checkCleared(int index) {
    if (!validIndex(index) || !ensureLoaded())
        return;
    records[static_cast<size_t>(index)].enabled = 0;
    schedule(index, std::nullopt);
}

std::optional<dev::FileTime> Alarms::earliestEnabled() const {
    std::optional<dev::FileTime> best;
    for (const auto& r : records) {
        const dev::FileTime t = r.alarmTime;
        if (r.enabled && (!best || t < *best))
            best = t;
    }
    return best;
}

bool Alarms::anyEnabled() const {
    for (const auto& r : records)
        if (r.enabled)
            return true;
    return false;
}

void AlarmSettingsDraft::toggleDay(int day) {
    if (day >= 0 && day < 7)
        workingMask ^= static_cast<uint8_t>(1u << day);
}

bool AlarmSettingsDraft::daySelected(int day) const {
    return day >= 0 && day < 7 && (workingMask >> day) & 1;
}

void AlarmSettingsDraft::reset() {
    workingMask = 0xFF;
    note.clear();
    soundFolderReset = true;
    repeatIndex = pauseIndex = snoozeCountIndex = snoozeIntervalIndex = 0;
    showDescription = repeating = false;
}

AlarmSettingsDraft openAlarmSettings(const Alarms& table, int index) {
    AlarmSettingsDraft d;
    if (!validIndex(index))
        return d;
    const AlarmRecord& r = table.records[static_cast<size_t>(index)];
    d.index = index;
    d.workingMask = r.daysMask;
    d.note = textOf(r.note);
    d.soundIndex = r.soundIndex;
    d.soundPath = readAlarmSound(index);
    d.repeatIndex = r.repeatIndex;
    d.pauseIndex = r.pauseIndex;
    d.snoozeCountIndex = r.snoozeCountIndex;
    d.snoozeIntervalIndex = r.snoozeIntervalIndex;
    d.showDescription = r.showDescription != 0;
    d.repeating = r.repeating != 0;
    return d;
}

void confirmAlarmSettings(Alarms& table, const AlarmSettingsDraft& d) {
    if (!validIndex(d.index) || !table.ensureLoaded())
        return;
    AlarmRecord& r = table.records[static_cast<size_t>(d.index)];
    r.daysMask = d.workingMask;
    setText(r.note, d.note);
    r.soundIndex = d.soundIndex;
    writeSoundPathFile(alarmSoundFile(d.index), d.soundPath);
    r.snoozeIntervalIndex = d.snoozeIntervalIndex;
    r.snoozeCountIndex = d.snoozeCountIndex;
    r.pauseIndex = d.pauseIndex;
    r.repeatIndex = d.repeatIndex;
    r.showDescription = d.showDescription ? 1 : 0;
    r.repeating = d.repeating ? 1 : 0;
    // One registration and one write: scheduling cancels whatever is registered first.
    table.schedule(d.index, table.nextOccurrence(d.index));
}

} // namespace hv::items

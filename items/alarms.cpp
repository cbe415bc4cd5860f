#include "items/alarms.h"

#include "device/device.h"
#include "device/files.h"
#include "settings/settings.h"
#include "settings/soundpath.h"

#include <cstring>

namespace hv::items {

namespace {

std::u16string ascii(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

bool validIndex(int index) {
    return index >= 0 && index < kAlarmCount;
}

} // namespace

std::u16string alarmArgument(int index) {
    return u"a" + twoDigits(static_cast<uint64_t>(index + 1));
}

std::u16string alarmSoundFile(int index) {
    return dataFilePath(u"alarmsnd" + ascii(std::to_string(index)) + u".dat");
}

std::u16string readAlarmSound(int index) {
    return readSoundPathFile(alarmSoundFile(index)).value_or(kDefaultSoundPath);
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

bool Alarms::load() {
    const std::u16string path = dataFilePath(kAlarmsFileName);
    std::vector<uint8_t> bytes;
    const ItemFileRead result = readItemFile(path, [&](const dev::ExclusiveFile& f) {
        bytes.assign(kAlarmsFileSize, 0);
        bytes.resize(f.readAt(0, bytes.data(), kAlarmsFileSize));
        return bytes.size() == kAlarmsFileSize;
    });
    const bool missing = result == ItemFileRead::Missing;
    const bool ok = result == ItemFileRead::Done;
    const dev::FileTime midnight = todayAtMidnight();
    if (missing) {
        fillAlarmDefaults(records, midnight);
        markSynced();
        return true;
    }
    records = parseAlarms(bytes.data(), bytes.size(), midnight).records;
    markSynced();
    if (!ok)
        dev::messageBox(kCaption, kCorruptAlarms, dev::MbIcon::Error);
    return ok;
}

void Alarms::markSynced() {
    for (size_t i = 0; i < records.size(); ++i) {
        syncedHandle_[i] = records[i].notificationHandle;
        syncedTime_[i] = records[i].alarmTime;
    }
}

void Alarms::mergeFromFile(const uint8_t* image) {
    for (size_t i = 0; i < records.size(); ++i) {
        AlarmRecord onFile;
        std::memcpy(&onFile, image + i * sizeof(AlarmRecord), sizeof onFile);
        AlarmRecord& r = records[i];
        if (onFile.notificationHandle == syncedHandle_[i] ||
            r.notificationHandle != syncedHandle_[i])
            continue; // the file holds what we wrote, or we have changed the record since
        r.notificationHandle = onFile.notificationHandle;
        if (r.alarmTime == syncedTime_[i])
            r.alarmTime = onFile.alarmTime;
    }
}

bool Alarms::save() {
    const std::u16string path = dataFilePath(kAlarmsFileName);
    const bool ok = dev::withRetry(kFileAttempts, kRetryPauseMs, [&] {
        if (!dev::fileExists(path))
            return dev::saveWholeFile(path, records.data(), kAlarmsFileSize);
        // Read, merge and replace under one lock, so no write of the reminder falls in between.
        dev::ExclusiveFile f = dev::ExclusiveFile::open(path, dev::OpenMode::ReadWriteExisting);
        if (!f.isOpen())
            return false;
        std::vector<uint8_t> onFile(kAlarmsFileSize);
        if (f.readAt(0, onFile.data(), kAlarmsFileSize) == kAlarmsFileSize)
            mergeFromFile(onFile.data());
        return f.replaceContent(records.data(), kAlarmsFileSize);
    });
    if (ok)
        markSynced();
    else
        dev::messageBox(kCaption, kCantSaveAlarms, dev::MbIcon::Error);
    return ok;
}

std::optional<dev::SystemTime> Alarms::nextOccurrence(int index) const {
    if (!validIndex(index))
        return std::nullopt;
    const AlarmRecord& r = records[static_cast<size_t>(index)];
    const uint8_t mask = r.daysMask & 0x7F;
    if (mask == 0)
        return std::nullopt;
    const dev::SystemTime now = dev::getLocalTime();
    const dev::SystemTime at = systemTimeOf(r.alarmTime);
    dev::SystemTime candidate = now;
    candidate.hour = at.hour;
    candidate.minute = at.minute;
    candidate.second = 0;
    candidate.milliseconds = 0;
    const auto candidateFt = dev::toFileTime(candidate);
    const auto nowFt = dev::toFileTime(now);
    if (!candidateFt || !nowFt)
        return std::nullopt;
    int k = *candidateFt >= *nowFt ? 0 : 1;
    while (!(mask & (1u << ((now.dayOfWeek + k) % 7))))
        ++k;
    dev::SystemTime out;
    if (!dev::fileTimeToSystemTime(*candidateFt + static_cast<dev::FileTime>(k) * dev::kTicksPerDay,
                                   out))
        return std::nullopt;
    return out;
}

uint32_t Alarms::handleInFile(int index) const {
    const std::u16string path = dataFilePath(kAlarmsFileName);
    const size_t offset = static_cast<size_t>(index) * sizeof(AlarmRecord);
    std::optional<uint32_t> handle;
    dev::withRetry(kFileAttempts, kRetryPauseMs, [&] {
        dev::ExclusiveFile f = dev::ExclusiveFile::open(path, dev::OpenMode::ReadExisting);
        if (!f.isOpen())
            return !f.busy();
        uint32_t h = 0;
        if (f.readAt(offset, &h, sizeof h) == sizeof h)
            handle = h;
        return true;
    });
    // Without a readable copy the one we hold is the best we know: cancelling it keeps a stale
    // registration from ringing beside the new one.
    return handle.value_or(records[static_cast<size_t>(index)].notificationHandle);
}

void Alarms::schedule(int index, const std::optional<dev::SystemTime>& occurrence) {
    if (!validIndex(index))
        return;
    AlarmRecord& r = records[static_cast<size_t>(index)];
    auto& service = dev::current().notifications();
    const auto start = occurrence ? dev::toFileTime(*occurrence) : std::nullopt;
    if (!start) {
        service.clear(handleInFile(index));
        r.notificationHandle = 0;
        save();
        return;
    }
    if (r.notificationHandle != 0) {
        service.clear(handleInFile(index));
        r.notificationHandle = 0;
    }
    const dev::SystemTime end = dev::toSystemTime(*start + kAlarmWindow);
    r.alarmTime = *start;
    r.notificationHandle =
        service.setTimed(0, kReminderPath, alarmArgument(index), dev::toSystemTime(*start), end);
    if (r.notificationHandle == 0)
        dev::messageBox(kDebugCaption, kAlarmNotRegistered, dev::MbIcon::None);
    save();
}

void Alarms::timeChanged(int index, dev::FileTime picked) {
    if (!validIndex(index))
        return;
    AlarmRecord& r = records[static_cast<size_t>(index)];
    r.alarmTime = picked;
    if (r.enabled) {
        r.enabled = 0;
        schedule(index, std::nullopt);
    }
}

void Alarms::checkSet(int index) {
    if (!validIndex(index))
        return;
    records[static_cast<size_t>(index)].enabled = 1;
    schedule(index, nextOccurrence(index));
}

void Alarms::checkCleared(int index) {
    if (!validIndex(index))
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
    if (!validIndex(d.index))
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
    table.schedule(d.index, std::nullopt);
    table.schedule(d.index, table.nextOccurrence(d.index));
}

} // namespace hv::items

#include "items/events.h"

#include "device/device.h"
#include "device/files.h"
#include "items/alarms.h"
#include "items/registration.h"
#include "settings/settings.h"
#include "settings/soundpath.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace hv::items {

namespace {

std::u16string decimal(uint64_t v) {
    const std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
}

} // namespace

std::u16string eventArgument(uint32_t handle) {
    return u"e" + decimal(handle);
}

std::u16string eventSoundFile(uint32_t eventId) {
    return dataFilePath(eventSoundFileName(eventId));
}

std::u16string noteFile(uint32_t noteNumber) {
    return dataFilePath(decimal(noteNumber) + u".dat");
}

std::u16string readEventSound(uint32_t eventId) {
    return readSoundPathFile(eventSoundFile(eventId)).value_or(kDefaultSoundPath);
}

std::u16string displayName(const EventRecord& r) {
    std::u16string name = textOf(r.name);
    return name.empty() ? std::u16string(kNoName) : name;
}

EventsImage parseEvents(const uint8_t* data, size_t size) {
    EventsImage img;
    if (size == 0) {
        img.ok = true;
        return img;
    }
    if (size < kEventsHeaderSize)
        return img;
    EventsFileHeader h;
    std::memcpy(&h, data, sizeof h);
    img.ok = true;
    img.noteCounter = h.noteCounter;
    img.declaredCount = h.count;
    const size_t available = (size - kEventsHeaderSize) / sizeof(EventRecord);
    const size_t n = std::min<size_t>(h.count, available);
    img.records.resize(n);
    if (n > 0)
        std::memcpy(img.records.data(), data + kEventsHeaderSize, n * sizeof(EventRecord));
    return img;
}

std::vector<uint8_t> serializeEvents(const std::vector<EventRecord>& records,
                                     uint32_t noteCounter) {
    const size_t n = std::min<size_t>(records.size(), 0xFFFF);
    EventsFileHeader h{static_cast<uint16_t>(n), 0, noteCounter};
    std::vector<uint8_t> out(kEventsHeaderSize + n * sizeof(EventRecord));
    std::memcpy(out.data(), &h, sizeof h);
    if (n > 0)
        std::memcpy(out.data() + kEventsHeaderSize, records.data(), n * sizeof(EventRecord));
    return out;
}

Events& events() {
    static Events table;
    return table;
}

bool Events::load(bool quiet) {
    const std::u16string path = dataFilePath(kEventsFileName);
    EventsImage img;
    uint64_t size = 0, used = 0;
    const ItemFileRead result = readItemFile(path, [&](const dev::ExclusiveFile& f) {
        size = f.size().value_or(0);
        // Only what the header announces is read, and never more than the file holds.
        std::vector<uint8_t> bytes(kEventsHeaderSize);
        bytes.resize(f.readAt(0, bytes.data(), kEventsHeaderSize));
        if (bytes.size() == kEventsHeaderSize) {
            EventsFileHeader h;
            std::memcpy(&h, bytes.data(), sizeof h);
            const size_t want = static_cast<size_t>(h.count) * sizeof(EventRecord);
            bytes.resize(kEventsHeaderSize + want);
            bytes.resize(kEventsHeaderSize +
                         f.readAt(kEventsHeaderSize, bytes.data() + kEventsHeaderSize, want));
        }
        img = parseEvents(bytes.data(), bytes.size());
        used = bytes.size();
        return img.ok;
    });
    if (result == ItemFileRead::Done && size > used)
        keepOverlong(path, size, used);
    if (result == ItemFileRead::Busy) {
        loaded_ = false;
        if (!quiet)
            dev::messageBox(kCaption, kBusyEvents, dev::MbIcon::Error);
        return false;
    }
    loaded_ = true;
    if (result != ItemFileRead::Done) {
        records.clear();
        noteCounter = 0;
        capacity_ = kEventsSpare;
        if (result == ItemFileRead::Missing)
            return true;
        if (result == ItemFileRead::OutsideRoot) {
            dev::messageBox(kCaption, outsideRootMessage(path), dev::MbIcon::Error);
            return false;
        }
        // Kept for the user before the empty list takes its place.
        keepAside(path, dev::readWholeFile(path).value_or(std::vector<uint8_t>{}));
        dev::withRetry(kFileAttempts, kRetryPauseMs, [&] {
            return dev::saveWholeFile(path, serializeEvents(records, noteCounter));
        });
        dev::messageBox(kCaption, kCorruptEvents, dev::MbIcon::Error);
        return false;
    }
    records = std::move(img.records);
    noteCounter = img.noteCounter;
    capacity_ = records.size() + kEventsSpare;
    return true;
}

bool Events::ensureLoaded() {
    if (loaded_ || load(true))
        return true;
    dev::messageBox(kCaption, kBusyEvents, dev::MbIcon::Error);
    return false;
}

bool Events::save() {
    if (!ensureLoaded())
        return false;
    const std::u16string path = dataFilePath(kEventsFileName);
    const std::vector<uint8_t> bytes = serializeEvents(records, noteCounter);
    const bool ok = dev::withRetry(kFileAttempts, kRetryPauseMs,
                                   [&] { return dev::saveWholeFile(path, bytes); });
    if (!ok)
        dev::messageBox(kCaption, kCantSaveEvents, dev::MbIcon::Error);
    return ok;
}

uint32_t Events::smallestFreeId() const {
    std::set<uint32_t> used;
    for (const auto& r : records)
        used.insert(r.eventId);
    uint32_t k = 1;
    while (used.count(k))
        ++k;
    return k;
}

void Events::ensureRoomForOneMore() {
    if (records.size() + 1 > capacity_) {
        capacity_ = records.size() + kEventsSpare;
    }
    records.reserve(capacity_);
}

EventDraft Events::newEvent() {
    ensureLoaded();
    ensureRoomForOneMore();
    EventDraft d;
    std::memset(&d.record, 0, sizeof d.record);
    d.record.eventId = smallestFreeId();
    d.soundPath = readEventSound(d.record.eventId);
    d.date = dev::getLocalTime();
    d.hour = d.date.hour;
    d.minute = d.date.minute;
    return d;
}

std::optional<EventDraft> Events::editEvent(size_t index) const {
    if (index >= records.size())
        return std::nullopt;
    EventDraft d;
    d.index = static_cast<int>(index);
    d.record = records[index];
    d.soundPath = readEventSound(d.record.eventId);
    // The pickers show the event's time when one was ever set, else the current time.
    const dev::FileTime t = d.record.eventTime;
    d.date = (t >> 32) != 0 ? systemTimeOf(t) : dev::getLocalTime();
    d.hour = d.date.hour;
    d.minute = d.date.minute;
    return d;
}

bool Events::registerEvent(EventDraft& d) {
    if (!ensureLoaded() || d.index >= static_cast<int>(records.size()))
        return false;
    EventRecord& r = d.record;
    writeSoundPathFile(eventSoundFile(r.eventId), d.soundPath);
    dev::SystemTime when = d.date;
    when.hour = std::min<uint16_t>(d.hour, 23);
    when.minute = std::min<uint16_t>(d.minute, 59);
    const auto eventTime = dev::toFileTime(when);
    if (!eventTime)
        return false;
    r.eventTime = *eventTime;
    const dev::FileTime now = dev::getLocalTimeAsFileTime();
    if (*eventTime >= dev::kTicksPerSecond && *eventTime - dev::kTicksPerSecond > now) {
        if (const uint32_t h = items::registerEvent(r.notificationHandle, *eventTime); h != 0)
            r.notificationHandle = h;
    } else if (d.index >= 0 && records[static_cast<size_t>(d.index)].eventTime > now) {
        // A pending event moved to a time that has come: its old registration must not ring at
        // the old time.
        clearRegistration(r.notificationHandle);
    }
    if (d.index < 0) {
        ensureRoomForOneMore();
        records.push_back(r);
        d.index = static_cast<int>(records.size() - 1);
    } else {
        records[static_cast<size_t>(d.index)] = r;
    }
    return save();
}

bool Events::deleteEvent(size_t index) {
    if (dev::messageBox(kCaption, kDeleteEventQuestion, dev::MbIcon::Question,
                        dev::MbButtons::YesNo) != dev::MbResult::Yes)
        return false;
    if (!ensureLoaded() || index >= records.size())
        return false;
    const EventRecord r = records[index];
    if (r.eventTime > dev::getLocalTimeAsFileTime())
        clearRegistration(r.notificationHandle);
    dev::deleteFile(eventSoundFile(r.eventId));
    if (r.noteNumber != 0)
        dev::deleteFile(noteFile(r.noteNumber));
    records.erase(records.begin() + static_cast<std::ptrdiff_t>(index));
    save();
    return true;
}

bool Events::saveNote(EventRecord& working, const std::u16string& text) {
    if (text.empty()) {
        working.noteNumber = 0;
        return true;
    }
    uint32_t n = working.noteNumber;
    if (n == 0) {
        n = noteCounter + 1;
        noteCounter = n;
    }
    const std::vector<uint8_t> bytes = encodeTerminatedUtf16(text);
    dev::ExclusiveFile f = dev::ExclusiveFile::open(noteFile(n), dev::OpenMode::ReadWriteAlways);
    if (!f.isOpen()) {
        dev::messageBox(kCaption, kCantSaveNote, dev::MbIcon::Error);
        return false;
    }
    if (!f.replaceContent(bytes.data(), bytes.size())) {
        dev::messageBox(kCaption, kCantStoreNote, dev::MbIcon::Error);
        return false;
    }
    working.noteNumber = n;
    return true;
}

std::u16string Events::loadNote(uint32_t noteNumber) {
    if (noteNumber == 0)
        return {};
    dev::ExclusiveFile f =
        dev::ExclusiveFile::open(noteFile(noteNumber), dev::OpenMode::ReadExisting);
    if (!f.isOpen())
        return {};
    std::vector<uint8_t> bytes(
        static_cast<size_t>(std::min<uint64_t>(f.size().value_or(0), kMaxNoteBytes)));
    bytes.resize(f.readAt(0, bytes.data(), bytes.size()) & ~size_t{1});
    return decodeSoundPath(bytes.data(), bytes.size(), bytes.size() / 2);
}

} // namespace hv::items

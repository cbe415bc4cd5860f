// Dated events: the table and data\events.dat, new/edit/delete with their registrations, the
// "Event Settings" window's working copy and the note files.
#pragma once

#include "items/records.h"

#include <optional>
#include <string>
#include <vector>

namespace hv::items {

inline constexpr char16_t kEventsFileName[] = u"events.dat";
inline constexpr size_t kEventsHeaderSize = sizeof(EventsFileHeader);
// Spare room kept in the in-memory table beyond the count.
inline constexpr size_t kEventsSpare = 8;
inline constexpr char16_t kCorruptEvents[] = u"Corrupt file with event settings";
inline constexpr char16_t kBusyEvents[] = u"The file with event settings is in use; try again";
inline constexpr char16_t kCantSaveEvents[] = u"Can't save event settings";
inline constexpr char16_t kCantSaveNote[] = u"Can't save event note";
inline constexpr char16_t kCantStoreNote[] = u"Can't storage event note";
inline constexpr char16_t kNoName[] = u"No Name";
inline constexpr char16_t kDeleteEventQuestion[] =
    u"Are you sure you want to delete the selected event?";
// Notes longer than this are cut when read (the note edit holds far less).
inline constexpr size_t kMaxNoteBytes = 1 << 20;

// "e" + the handle in unsigned decimal.
std::u16string eventArgument(uint32_t handle);
std::u16string eventSoundFile(uint32_t eventId); // data\es<id>.dat
std::u16string noteFile(uint32_t noteNumber);    // data\<n>.dat
std::u16string readEventSound(uint32_t eventId);
// The name shown in the list: "No Name" for an empty one.
std::u16string displayName(const EventRecord& r);
// Row height of the list: taller when the event has a note.
inline int eventRowHeight(const EventRecord& r) {
    return r.noteNumber != 0 ? 110 : 48;
}

// A parsed file image. A header shorter than 8 bytes fails; records past the end of the image
// are not invented (the count is what the image really holds).
struct EventsImage {
    bool ok = false;
    uint32_t noteCounter = 0;
    uint16_t declaredCount = 0;
    std::vector<EventRecord> records;
};
EventsImage parseEvents(const uint8_t* data, size_t size);
std::vector<uint8_t> serializeEvents(const std::vector<EventRecord>& records, uint32_t noteCounter);

// The "Event Settings" window's working copy.
struct EventDraft {
    int index = -1; // the row being edited, -1 for a new event
    EventRecord record{};
    std::u16string soundPath;
    dev::SystemTime date{}; // the date picker's value (its seconds and milliseconds are kept)
    uint16_t hour = 0, minute = 0; // the time picker's hour and minute
    SoundTestPlan soundTest() const {
        return planSoundTest(record.soundIndex, soundPath, record.repeatIndex, record.pauseIndex);
    }
};

class Events {
public:
    std::vector<EventRecord> records; // list order; size() is the count
    uint32_t noteCounter = 0;

    // Room of the in-memory table (count + 8 after a load; grows by count + 8 when used up).
    size_t capacity() const { return capacity_; }

    // A file another process holds through every attempt is reported busy and leaves the table
    // unloaded; it is then never written until a load succeeds (each change loads it first). A
    // damaged file is kept aside as events.dat.bad, reported, and replaced by an empty list.
    bool load(bool quiet = false);
    bool loaded() const { return loaded_; }
    bool ensureLoaded();
    bool save();

    // New...: a zeroed record with the smallest free id; the table grows first when full.
    EventDraft newEvent();
    // Edit...: a copy of the row.
    std::optional<EventDraft> editEvent(size_t index) const;
    // OK of the settings window: sound path file, time, registration, table, save.
    bool registerEvent(EventDraft& draft);
    // Delete...: asks, then cancels a pending registration, deletes the sound path and note
    // files, removes the row and saves. False when the user says no or the row is invalid.
    bool deleteEvent(size_t index);

    // The note window's OK on the working record: an empty text clears noteNumber (the old file
    // stays); otherwise the text is written to the event's note file, numbered on first use.
    bool saveNote(EventRecord& working, const std::u16string& text);
    static std::u16string loadNote(uint32_t noteNumber);

    // The smallest id >= 1 that no record carries.
    uint32_t smallestFreeId() const;

private:
    void ensureRoomForOneMore();
    size_t capacity_ = kEventsSpare;
    bool loaded_ = true;
};

Events& events();

} // namespace hv::items

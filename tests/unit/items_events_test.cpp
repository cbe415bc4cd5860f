#include "items/events.h"
#include "items/listorder.h"
#include "items_testing.h"
#include "settings/soundpath.h"

#include <cstring>

namespace hv::items {
namespace {

using testing::at;
using testing::ft;

class EventsTest : public testing::ItemsTest {
protected:
    // A new event at the given local time, confirmed with OK.
    EventDraft add(const std::u16string& name, const dev::SystemTime& when) {
        EventDraft d = table.newEvent();
        setText(d.record.name, name);
        d.date = when;
        d.hour = when.hour;
        d.minute = when.minute;
        EXPECT_TRUE(table.registerEvent(d));
        return d;
    }
    Events table;
};

TEST(EventRecordLayout, FieldsAtTheirOffsetsAndFileImage) {
    EventRecord r;
    std::memset(&r, 0, sizeof r);
    r.notificationHandle = 5;
    r.eventTime = 0x0102030405060708ULL;
    r.soundIndex = 3;
    r.repeatIndex = 1;
    r.pauseIndex = 2;
    r.noteNumber = 0x0A0B0C0D;
    r.eventId = 4;
    const auto bytes = serializeEvents({r, r}, 77);
    ASSERT_EQ(bytes.size(), 8u + 2 * 76);
    EXPECT_EQ(bytes[0], 2);
    EXPECT_EQ(bytes[1] | bytes[2] | bytes[3], 0); // bytes 0..3 also read as one 32-bit count
    EXPECT_EQ(bytes[4], 77);
    const uint8_t* b = bytes.data() + 8 + 76;
    EXPECT_EQ(b[0], 5);
    EXPECT_EQ(b[52], 0x08);
    EXPECT_EQ(b[60], 3);
    EXPECT_EQ(b[64], 1);
    EXPECT_EQ(b[65], 2);
    EXPECT_EQ(b[68], 0x0D);
    EXPECT_EQ(b[72], 4);

    // Short headers fail; an empty image is no events; a count beyond the bytes is not trusted.
    EXPECT_TRUE(parseEvents(nullptr, 0).ok);
    EXPECT_FALSE(parseEvents(bytes.data(), 7).ok);
    const EventsImage cut = parseEvents(bytes.data(), bytes.size() - 1);
    EXPECT_TRUE(cut.ok);
    EXPECT_EQ(cut.declaredCount, 2);
    EXPECT_EQ(cut.records.size(), 1u);
}

TEST_F(EventsTest, IdsAreTheSmallestFreeAndPendingEventsRegisterUnderTheirHandle) {
    add(u"One", at(2026, 12, 24, 18, 0));
    add(u"Two", at(2026, 12, 25, 18, 0));
    add(u"Three", at(2026, 12, 26, 18, 0));
    ASSERT_EQ(table.records.size(), 3u);
    EXPECT_EQ(table.records[0].eventId, 1u);
    EXPECT_EQ(table.records[2].eventId, 3u);
    const auto regs = registrations();
    ASSERT_EQ(regs.size(), 3u);
    for (const auto& reg : regs) {
        EXPECT_EQ(reg.application, u"\\Windows\\BHVEvents.exe");
        EXPECT_EQ(reg.arguments, eventArgument(reg.handle));
        EXPECT_EQ(reg.end, dev::SystemTime{});
    }
    EXPECT_EQ(regs[1].start, at(2026, 12, 25, 18, 0));
    EXPECT_EQ(table.records[1].notificationHandle, regs[1].handle);
    EXPECT_EQ(eventArgument(1234567), u"e1234567");

    // Deleting id 2 frees it for the next new event; its sound path file goes too.
    ASSERT_TRUE(dev::fileExists(eventSoundFile(2)));
    ASSERT_TRUE(table.deleteEvent(1));
    EXPECT_FALSE(dev::fileExists(eventSoundFile(2)));
    EXPECT_EQ(table.newEvent().record.eventId, 2u);

    // Editing a pending event keeps its handle.
    auto edit = *table.editEvent(0);
    const uint32_t handle = edit.record.notificationHandle;
    edit.date = at(2026, 12, 31, 0, 0);
    edit.hour = 23;
    edit.minute = 59;
    ASSERT_TRUE(table.registerEvent(edit));
    EXPECT_EQ(table.records[0].notificationHandle, handle);
    EXPECT_EQ(registrations().size(), 2u);
    EXPECT_EQ(dev::FileTime{table.records[0].eventTime}, ft(2026, 12, 31, 23, 59));
    // Moved to a time that has passed: saved, and the old registration is gone.
    edit.date = at(2026, 12, 1, 8, 0);
    ASSERT_TRUE(table.registerEvent(edit));
    EXPECT_EQ(registrations().size(), 1u);
    EXPECT_EQ(dev::FileTime{table.records[0].eventTime}, ft(2026, 12, 1, 23, 59));
    edit.date = at(2026, 12, 31, 0, 0);
    ASSERT_TRUE(table.registerEvent(edit)); // and back into the future: registered again
    EXPECT_EQ(registrations().size(), 2u);

    // Everything reaches the file and loads back.
    Events loaded;
    ASSERT_TRUE(loaded.load());
    ASSERT_EQ(loaded.records.size(), 2u);
    EXPECT_EQ(textOf(loaded.records[1].name), u"Three");
    EXPECT_EQ(loaded.capacity(), 2u + kEventsSpare);
}

TEST_F(EventsTest, EventsNotASecondAheadAreSavedButNotRegistered) {
    setNow(2026, 12, 9, 9, 59, 59, 500);
    EventDraft d = add(u"Soon", at(2026, 12, 9, 10, 0)); // 0.5 s ahead
    EXPECT_TRUE(registrations().empty());
    EXPECT_EQ(table.records[0].notificationHandle, 0u);
    EXPECT_EQ(fileBytes(kEventsFileName).size(), 8u + 76);
    EXPECT_EQ(displayName(table.records[0]), u"Soon");
    EventRecord blank{};
    EXPECT_EQ(displayName(blank), u"No Name");
}

TEST_F(EventsTest, DeletingCancelsOnlyPendingEventsAndAsksFirst) {
    add(u"Past", at(2026, 12, 10, 8, 0));
    add(u"Pending", at(2026, 12, 20, 8, 0));
    setNow(2026, 12, 15, 12, 0); // the first has passed
    fake.messageBoxesImpl.answers.push_back(dev::MbResult::No);
    EXPECT_FALSE(table.deleteEvent(0));
    EXPECT_EQ(table.records.size(), 2u);
    EXPECT_EQ(fake.messageBoxesImpl.shown.back().text,
              u"Are you sure you want to delete the selected event?");
    EXPECT_EQ(fake.messageBoxesImpl.shown.back().buttons, dev::MbButtons::YesNo);

    fake.notificationsImpl.cleared.clear();
    ASSERT_TRUE(table.deleteEvent(0));
    EXPECT_TRUE(fake.notificationsImpl.cleared.empty());
    const uint32_t pending = table.records[0].notificationHandle;
    ASSERT_TRUE(table.deleteEvent(0));
    EXPECT_EQ(fake.notificationsImpl.cleared, std::vector<uint32_t>{pending});
    EXPECT_TRUE(table.records.empty());
    EXPECT_FALSE(table.deleteEvent(0));
}

TEST_F(EventsTest, NotesAreNumberedKeptAndDeleted) {
    EventDraft d = table.newEvent();
    ASSERT_TRUE(table.saveNote(d.record, u"Bring the cake"));
    EXPECT_EQ(d.record.noteNumber, 1u);
    EXPECT_EQ(table.noteCounter, 1u);
    EXPECT_EQ(fileBytes(u"1.dat").size(), (14u + 1) * 2);
    EXPECT_EQ(Events::loadNote(1), u"Bring the cake");
    // Editing rewrites the same file.
    ASSERT_TRUE(table.saveNote(d.record, u"Bring two cakes"));
    EXPECT_EQ(d.record.noteNumber, 1u);
    EXPECT_EQ(Events::loadNote(1), u"Bring two cakes");
    // An empty note clears the number and leaves the file.
    ASSERT_TRUE(table.saveNote(d.record, u""));
    EXPECT_EQ(d.record.noteNumber, 0u);
    EXPECT_TRUE(dev::fileExists(noteFile(1)));
    // Odd and tiny note files.
    writeFile(u"7.dat", {'H', 0, 'i', 0, '!'});
    EXPECT_EQ(Events::loadNote(7), u"Hi");
    writeFile(u"8.dat", {'H'});
    EXPECT_EQ(Events::loadNote(8), u"");

    ASSERT_TRUE(table.saveNote(d.record, u"Again"));
    EXPECT_EQ(d.record.noteNumber, 2u);
    d.date = at(2026, 12, 30, 9, 0);
    ASSERT_TRUE(table.registerEvent(d));
    EXPECT_EQ(eventRowHeight(table.records[0]), 110);
    fake.messageBoxesImpl.answers.push_back(dev::MbResult::Yes);
    ASSERT_TRUE(table.deleteEvent(0));
    EXPECT_FALSE(dev::fileExists(noteFile(2)));

    ASSERT_TRUE(dev::createDirectory(noteFile(3)));
    d.record.noteNumber = 0;
    EXPECT_FALSE(table.saveNote(d.record, u"Cannot"));
    EXPECT_EQ(fake.messageBoxesImpl.shown.back().caption, u"Horavel");
    EXPECT_EQ(d.record.noteNumber, 0u);
}

TEST_F(EventsTest, EventsBeyondTheFirstRoomAreKept) {
    // The table starts with room for eight; the ninth and later new events must reach the file
    // and their registrations like the first ones.
    ASSERT_TRUE(table.load());
    for (int i = 0; i < 10; ++i)
        add(i == 8 ? u"Ninth" : u"E", at(2027, 1, 1 + i, 8, 0));
    EXPECT_GE(table.capacity(), 11u);
    Events loaded;
    ASSERT_TRUE(loaded.load());
    ASSERT_EQ(loaded.records.size(), 10u);
    EXPECT_EQ(textOf(loaded.records[8].name), u"Ninth");
    EXPECT_EQ(loaded.records[9].eventId, 10u);
    EXPECT_EQ(registrations().size(), 10u);
    EXPECT_EQ(loaded.records[8].notificationHandle, registrations()[8].handle);
}

TEST_F(EventsTest, ShortHeaderIsReportedAfterRetries) {
    writeFile(kEventsFileName, {1, 0, 0});
    EXPECT_FALSE(table.load());
    EXPECT_EQ(fake.messageBoxesImpl.shown.back().text, u"Corrupt file with event settings");
    EXPECT_EQ(fileBytes(u"events.dat.bad"), (std::vector<uint8_t>{1, 0, 0}));
    EXPECT_EQ(fileBytes(kEventsFileName).size(), kEventsHeaderSize);
    writeFile(kEventsFileName, {});
    EXPECT_TRUE(table.load());
    EXPECT_TRUE(table.records.empty());
}

// A file held by another process through every attempt is busy: the user's events are neither
// reported corrupt nor replaced by the one event added meanwhile.
TEST_F(EventsTest, BusyFileIsNeverOverwritten) {
    ASSERT_TRUE(table.load());
    add(u"Dentist", at(2027, 1, 2, 8, 0));
    add(u"Party", at(2027, 1, 3, 20, 0));
    const auto before = fileBytes(kEventsFileName);
    Events late;
    {
        auto held =
            dev::ExclusiveFile::open(dataFilePath(kEventsFileName), dev::OpenMode::ReadExisting);
        ASSERT_TRUE(held.isOpen());
        EXPECT_FALSE(late.load());
        EXPECT_EQ(fake.messageBoxesImpl.shown.back().text,
                  u"The file with event settings is in use; try again");
        EventDraft d = late.newEvent();
        EXPECT_FALSE(late.registerEvent(d));
    }
    EXPECT_EQ(fileBytes(kEventsFileName), before);
    // Free again: the next change loads the list first and keeps both events.
    EventDraft d = late.newEvent();
    setText(d.record.name, u"Third");
    d.date = at(2027, 1, 4, 9, 0);
    d.hour = 9;
    EXPECT_TRUE(late.registerEvent(d));
    Events reloaded;
    ASSERT_TRUE(reloaded.load());
    ASSERT_EQ(reloaded.records.size(), 3u);
    EXPECT_EQ(textOf(reloaded.records[0].name), u"Dentist");
    EXPECT_EQ(reloaded.records[2].eventId, 3u);
}

TEST(ListOrder, DifferenceInUnits) {
    EXPECT_EQ(differenceText(90, 1), u"1.5");
    EXPECT_EQ(differenceText(-30, 1), u"-0.5");
    EXPECT_EQ(differenceText(-90, 1), u"-1.5");
    EXPECT_EQ(differenceText(5400, 2), u"1.5");
    EXPECT_EQ(differenceText(-17, 0), u"-17");
    EXPECT_EQ(differenceText(2628287, 5), u"0.9");
    EXPECT_EQ(differenceText(86400 * 3 + 8640 * 2, 3), u"3.2");
    EXPECT_EQ(differenceText(59, 1), u"0.9");
    EXPECT_EQ(differenceText(-5, 1), u"-0.0");
    EXPECT_EQ(differenceText(0, 1), u"0.0");
    EXPECT_EQ(differenceText(-604800 * 2, 4), u"-2.0");
    EXPECT_EQ(differenceText(2628288 + 262829 * 3, 5), u"1.3");
    EXPECT_EQ(differenceText(31536000LL * 100, 6), u"100.0");
    EXPECT_EQ(differenceText(7, 9), u"7"); // an unknown unit counts as seconds
    EXPECT_EQ(signedSecondsBetween(ft(2026, 1, 1, 0, 0, 10), ft(2026, 1, 1)), 10);
    EXPECT_EQ(signedSecondsBetween(0, ~0ULL), -static_cast<int64_t>(~0ULL / dev::kTicksPerSecond));
}

TEST(ListOrder, SortRules) {
    std::vector<ListItem> items = {
        {u"beta", 30, 0}, {u"Stopwatch row", 0, 999}, {u"Alpha", 20, 1}, {u"gamma", 10, 2}};
    sortItems(items, SortRule::Name);
    EXPECT_EQ(items[0].name, u"Alpha");
    EXPECT_EQ(items[2].name, u"gamma");
    EXPECT_EQ(items[3].param, 999u);
    sortItems(items, SortRule::MinTime);
    EXPECT_EQ(items[0].time, 10u);
    EXPECT_EQ(items[3].param, 999u);
    sortItems(items, SortRule::MaxTime);
    EXPECT_EQ(items[0].time, 30u);
    EXPECT_EQ(compareItems(SortRule::MinTime, items[3], items[0]), 1);
    EXPECT_EQ(compareItems(SortRule::MinTime, items[0], items[3]), -1);
    EXPECT_EQ(compareItems(SortRule::Name, items[0], items[0]), 0);
    // Rows without a time go last under every rule and keep their order among themselves.
    const ListItem untimed{u"Aardvark", 0, 999}, other{u"Zebra", 0, 1000};
    for (SortRule r : {SortRule::Name, SortRule::MinTime, SortRule::MaxTime}) {
        EXPECT_EQ(compareItems(r, untimed, items[0]), 1);
        EXPECT_EQ(compareItems(r, items[0], untimed), -1);
        EXPECT_EQ(compareItems(r, untimed, other), 0);
        EXPECT_EQ(compareItems(r, other, untimed), 0);
    }
    // The word sort ignores hyphens.
    EXPECT_EQ(compareItems(SortRule::Name, {u"St-Peterburg", 1, 1}, {u"Stockholm", 1, 2}), 1);

    std::vector<EventRecord> events(3);
    std::memset(events.data(), 0, 3 * sizeof(EventRecord));
    setText(events[0].name, u"Zulu");
    events[0].eventTime = 5;
    events[1].eventTime = 9; // no name: "No Name"
    setText(events[2].name, u"Echo");
    events[2].eventTime = 1;
    EXPECT_EQ(eventOrder(events, SortRule::Name), (std::vector<size_t>{2, 1, 0}));
    EXPECT_EQ(eventOrder(events, SortRule::MinTime), (std::vector<size_t>{2, 0, 1}));
    EXPECT_EQ(eventOrder(events, SortRule::MaxTime), (std::vector<size_t>{1, 0, 2}));
}

} // namespace
} // namespace hv::items

// The Events view in the main window against the fake notification service: New... with the
// "Event Settings" window registers an event ahead and saves it, an event less than a second ahead
// is saved unregistered, Edit... re-registers under the same handle, Delete... asks and clears the
// registration; "No Name", the three sort rules, the unit column in every unit, the row heights,
// notes saved and read back, and the sort and unit kept in the settings.
#include "items/ui/eventsview.h"

#include "device/text.h"
#include "eventsui_support.h"
#include "items/listorder.h"
#include "toolkit/window/SWindow.h"

#include <fstream>

using namespace hv;
using namespace hv::eventstest;
using itemsui::EventsEditDlg;
using itemsui::EventsView;
namespace el = itemsui::eventslayout;
namespace dl = itemsui::eventdlglayout;

namespace {

EventsView* eventsView(shell::MainWindow& w) {
    return static_cast<EventsView*>(w.view(shell::kEvents));
}

void tap(itemsui::CommandPanel& panel, int id) {
    ASSERT_TRUE(panel.button(id));
    ASSERT_TRUE(panel.enabled(id)) << id;
    QTest::mouseClick(panel.button(id), Qt::LeftButton);
    pump();
}

// Fills the open "Event Settings" window: the name typed, the pickers set to `when`.
void fillDialog(EventsEditDlg& d, const std::u16string& name, const dev::SystemTime& when) {
    QTest::keyClicks(d.nameEdit(), dev::toQString(name));
    d.datePicker()->SetDate(when);
    d.timePicker()->SetTime(when);
}

std::vector<std::u16string> names(EventsView& v) {
    std::vector<std::u16string> out;
    const tk::ListView* l = v.eventList();
    for (int i = 0; i < l->ItemCount(); ++i)
        out.push_back(l->GetItemText(i, 0));
    return out;
}

items::EventRecord event(const std::u16string& name, dev::FileTime when, uint32_t id) {
    items::EventRecord r{};
    items::setText(r.name, name);
    r.eventTime = when;
    r.eventId = id;
    return r;
}

} // namespace

TEST_F(ItemViews, NewEditAndDeleteWithTheirRegistrations) {
    writeSounds();
    auto w = startWindow();
    showView(*w, shell::kEvents);
    EventsView& v = *eventsView(*w);
    EXPECT_FALSE(v.buttons()->enabled(el::kIdEdit));
    EXPECT_FALSE(v.buttons()->enabled(el::kIdDelete));

    // New...: one minute ahead.
    tap(*v.buttons(), el::kIdNew);
    ASSERT_TRUE(v.dialog());
    EXPECT_TRUE(tk::IsWindowVisible(v.dialog()->hwnd()));
    fillDialog(*v.dialog(), u"Dentist", at(2026, 3, 14, 10, 1));
    // The sound: Alarm1 preselected, Alarm2 chosen, played twice by "Test".
    tk::STFileList& picker = *v.dialog()->soundPicker();
    EXPECT_EQ(picker.entry(picker.selectedIndex()), u"Alarm1");
    choose(*picker.dropList(), 2);
    choose(*v.dialog()->repeatList(), 1);
    maybeScreenshot(*w, QStringLiteral("events-dialog"));
    tap(*v.dialog()->buttons(dl::kIdTest), dl::kIdTest);
    ASSERT_FALSE(fake.soundImpl.plays.empty());
    EXPECT_EQ(fake.soundImpl.plays[0].path, u"\\Windows\\Alarm2.wav");
    tap(*v.dialog()->buttons(dl::kIdOk), dl::kIdOk);
    pump();
    EXPECT_FALSE(v.dialog()) << "the window closes";
    ASSERT_EQ(items::events().records.size(), 1u);
    const items::EventRecord r = items::events().records[0];
    EXPECT_EQ(items::textOf(r.name), u"Dentist");
    EXPECT_EQ(r.eventId, 1u);
    EXPECT_EQ(r.soundIndex, 2u);
    EXPECT_EQ(r.repeatIndex, 1u);
    EXPECT_EQ(items::readEventSound(1), u"\\Windows\\Alarm2.wav");
    ASSERT_NE(r.notificationHandle, 0u);
    auto regs = fake.notificationsImpl.list();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].arguments, items::eventArgument(r.notificationHandle));
    EXPECT_EQ(regs[0].application, u"\\Windows\\BHVEvents.exe");
    EXPECT_EQ(regs[0].start.minute, 1);
    // Saved: a fresh load reads it back.
    items::Events reread;
    ASSERT_TRUE(reread.load(true));
    ASSERT_EQ(reread.records.size(), 1u);
    EXPECT_EQ(items::textOf(reread.records[0].name), u"Dentist");
    EXPECT_EQ(names(v), std::vector<std::u16string>{u"Dentist"});

    // Edit...: five minutes later, the same handle re-registered.
    v.eventList()->SetSelected(0);
    pump();
    EXPECT_TRUE(v.buttons()->enabled(el::kIdEdit));
    tap(*v.buttons(), el::kIdEdit);
    ASSERT_TRUE(v.dialog());
    EXPECT_EQ(tk::GetWindowText(v.dialog()->nameEdit()), u"Dentist");
    v.dialog()->timePicker()->SetTime(at(2026, 3, 14, 10, 6));
    tap(*v.dialog()->buttons(dl::kIdOk), dl::kIdOk);
    regs = fake.notificationsImpl.list();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].handle, r.notificationHandle);
    EXPECT_EQ(regs[0].start.minute, 6);

    // Delete...: "No" keeps it, "Yes" removes the event and its registration.
    v.eventList()->SetSelected(0);
    pump();
    fake.messageBoxesImpl.answers = {dev::MbResult::No};
    tap(*v.buttons(), el::kIdDelete);
    ASSERT_EQ(fake.messageBoxesImpl.shown.size(), 1u);
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].text,
              u"Are you sure you want to delete the selected event?");
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].caption, u"Horavel");
    EXPECT_EQ(items::events().records.size(), 1u);
    fake.messageBoxesImpl.answers = {dev::MbResult::Yes};
    tap(*v.buttons(), el::kIdDelete);
    EXPECT_TRUE(items::events().records.empty());
    EXPECT_TRUE(fake.notificationsImpl.list().empty());
    EXPECT_TRUE(names(v).empty());
    EXPECT_FALSE(v.buttons()->enabled(el::kIdEdit));
}

TEST_F(ItemViews, AnEventLessThanASecondAheadIsSavedUnregisteredAndCancelChangesNothing) {
    setClock(at(2026, 3, 14, 10, 0, 30));
    auto w = startWindow();
    showView(*w, shell::kEvents);
    EventsView& v = *eventsView(*w);
    tap(*v.buttons(), el::kIdNew);
    ASSERT_TRUE(v.dialog());
    // The pickers keep the seconds of the moment New... was pressed: 10:00:30.000.
    setClock(at(2026, 3, 14, 10, 0, 29, 500));
    tap(*v.dialog()->buttons(dl::kIdOk), dl::kIdOk);
    ASSERT_EQ(items::events().records.size(), 1u);
    EXPECT_EQ(items::events().records[0].notificationHandle, 0u);
    EXPECT_TRUE(fake.notificationsImpl.list().empty());
    EXPECT_EQ(names(v), std::vector<std::u16string>{u"No Name"}) << "an empty name";

    tap(*v.buttons(), el::kIdNew);
    ASSERT_TRUE(v.dialog());
    fillDialog(*v.dialog(), u"Never", at(2026, 3, 15, 9, 0));
    // Another view and back: the window keeps what was typed.
    showView(*w, shell::kStopwatch);
    EXPECT_FALSE(tk::IsWindowVisible(v.dialog()->hwnd()));
    showView(*w, shell::kEvents);
    ASSERT_TRUE(v.dialog());
    EXPECT_TRUE(tk::IsWindowVisible(v.dialog()->hwnd()));
    EXPECT_EQ(tk::GetWindowText(v.dialog()->nameEdit()), u"Never");
    tap(*v.dialog()->buttons(dl::kIdCancel), dl::kIdCancel);
    EXPECT_FALSE(v.dialog());
    EXPECT_EQ(items::events().records.size(), 1u);
    EXPECT_TRUE(fake.notificationsImpl.list().empty());
}

TEST_F(ItemViews, SortRulesUnitsRowHeightsAndNotes) {
    const dev::FileTime now = dev::getLocalTimeAsFileTime();
    items::Events& table = items::events();
    table.records = {event(u"beta", now + 90061 * dev::kTicksPerSecond, 1),
                     event(u"Alpha", now - 90 * dev::kTicksPerSecond, 2),
                     event(u"gamma", now + 30 * dev::kTicksPerSecond, 3)};
    table.records[2].noteNumber = 1;
    table.noteCounter = 1;
    items::EventRecord noted = table.records[2];
    ASSERT_TRUE(table.saveNote(noted, u"Bring the tickets"));
    ASSERT_TRUE(table.save());
    writeSettings([](SettingsRecord& s) {
        s.eventsSortBy = 0;
        s.eventsUnit = 0;
    });
    auto w = startWindow();
    showView(*w, shell::kEvents);
    EventsView& v = *eventsView(*w);
    using Names = std::vector<std::u16string>;
    EXPECT_EQ(names(v), (Names{u"Alpha", u"beta", u"gamma"})) << "by name, case aside";
    choose(*v.sortList(), 1);
    EXPECT_EQ(v.sortRule(), items::SortRule::MinTime);
    EXPECT_EQ(names(v), (Names{u"Alpha", u"gamma", u"beta"}));
    choose(*v.sortList(), 2);
    EXPECT_EQ(names(v), (Names{u"beta", u"gamma", u"Alpha"}));

    // The second column in every unit: beta 90061 s ahead, Alpha 90 s past.
    tk::ListView& list = *v.eventList();
    const std::u16string beta[] = {u"90061", u"1501.0", u"25.0", u"1.0", u"0.1", u"0.0", u"0.0"};
    const std::u16string alpha[] = {u"-90", u"-1.5", u"-0.0", u"-0.0", u"-0.0", u"-0.0", u"-0.0"};
    for (int unit = 0; unit < items::kTimeUnitCount; ++unit) {
        choose(*v.unitList(), unit);
        EXPECT_EQ(v.unit(), unit);
        EXPECT_EQ(list.SecondColumnText(0), beta[unit]) << unit;
        EXPECT_EQ(list.SecondColumnText(2), alpha[unit]) << unit;
    }
    choose(*v.unitList(), 1);

    // A row with a note is 110 pixels high, one without 48.
    tk::ListView& l = list;
    EXPECT_EQ(l.ItemRect(0).height(), 48);
    EXPECT_EQ(l.ItemRect(1).height(), 110);
    EXPECT_EQ(l.ItemRect(2).height(), 48);
    EXPECT_EQ(l.ItemRect(2).top, l.ItemRect(1).bottom);
    // The note shows in the tall row: dark text below its first line.
    const QImage row = list.ComposeRow(1, false, l.ItemRect(1).width(), 110);
    int dark = 0;
    for (int y = el::kRowLine; y < 110; ++y)
        for (int x = 0; x < row.width(); ++x)
            dark += qGray(row.pixel(x, y)) < 96;
    EXPECT_GT(dark, 50);
    maybeScreenshot(*w, QStringLiteral("events-list"));

    // The sort rule and unit go back into the settings at exit and come back at the next start.
    w->exitSequence();
    EXPECT_EQ(app().settings.eventsSortBy, 2);
    EXPECT_EQ(app().settings.eventsUnit, 1);
    w.reset();
    resetAppState();
    auto again = startWindow();
    showView(*again, shell::kEvents);
    EventsView& v2 = *eventsView(*again);
    EXPECT_EQ(v2.sortList()->selected(), 2);
    EXPECT_EQ(v2.unitList()->selected(), 1);
    EXPECT_EQ(names(v2), (Names{u"beta", u"gamma", u"Alpha"}));
}

TEST_F(ItemViews, ANoteIsSavedClosedAndReadBack) {
    auto w = startWindow();
    showView(*w, shell::kEvents);
    EventsView& v = *eventsView(*w);
    tap(*v.buttons(), el::kIdNew);
    ASSERT_TRUE(v.dialog());
    fillDialog(*v.dialog(), u"Concert", at(2026, 3, 20, 19, 30));
    tap(*v.dialog()->buttons(dl::kIdNote), dl::kIdNote);
    itemsui::NoteWindow* note = v.dialog()->noteWindow();
    ASSERT_TRUE(note);
    QTest::keyClicks(note->edit(), QStringLiteral("Row 7, seats 12 and 13"));
    maybeScreenshot(*w, QStringLiteral("events-note"));
    // "Clear" empties the edit and keeps the window open.
    tap(*note->buttons(), itemsui::notelayout::kIdClear);
    EXPECT_TRUE(note->text().empty());
    EXPECT_TRUE(tk::IsWindowVisible(note->hwnd()));
    QTest::keyClicks(note->edit(), QStringLiteral("Row 7, seats 12 and 13"));
    tap(*note->buttons(), itemsui::notelayout::kIdOk);
    pump();
    EXPECT_FALSE(v.dialog()->noteWindow());
    EXPECT_EQ(v.dialog()->draft().record.noteNumber, 1u);
    tap(*v.dialog()->buttons(dl::kIdOk), dl::kIdOk);
    ASSERT_EQ(items::events().records.size(), 1u);
    EXPECT_EQ(items::events().records[0].noteNumber, 1u);
    EXPECT_EQ(items::Events::loadNote(1), u"Row 7, seats 12 and 13");
    EXPECT_EQ(v.eventList()->ItemRect(0).height(), 110);

    // Reopened, the note window shows the saved text.
    v.eventList()->SetSelected(0);
    pump();
    tap(*v.buttons(), el::kIdEdit);
    ASSERT_TRUE(v.dialog());
    tap(*v.dialog()->buttons(dl::kIdNote), dl::kIdNote);
    ASSERT_TRUE(v.dialog()->noteWindow());
    EXPECT_EQ(v.dialog()->noteWindow()->text(), u"Row 7, seats 12 and 13");
}

TEST_F(ItemViews, AListOfMixedRowHeightsScrollsToItsLastRow) {
    const dev::FileTime now = dev::getLocalTimeAsFileTime();
    items::Events& table = items::events();
    for (uint32_t i = 0; i < 12; ++i) {
        table.records.push_back(event(u"Event " + std::u16string(1, char16_t(u'A' + i)),
                                      now + (i + 1) * dev::kTicksPerMinute, i + 1));
        if (i % 3 == 0) {
            items::EventRecord& r = table.records.back();
            ASSERT_TRUE(table.saveNote(r, u"A note"));
        }
    }
    ASSERT_TRUE(table.save());
    writeSettings([](SettingsRecord& s) { s.eventsSortBy = 1; });
    auto w = startWindow();
    showView(*w, shell::kEvents);
    tk::ListView& l = *eventsView(*w)->eventList();
    ASSERT_EQ(l.ItemCount(), 12);
    // The rows stack without gaps, each at its own height.
    for (int i = 1; i < l.ItemCount(); ++i) {
        EXPECT_EQ(l.ItemRect(i).top, l.ItemRect(i - 1).bottom);
        EXPECT_EQ(l.ItemRect(i).height(), (i % 3 == 0) ? 110 : 48) << i;
    }
    // Selecting the last row scrolls it into view, whole, at the bottom.
    l.SetSelected(11);
    pump();
    EXPECT_GT(l.TopIndex(), 0);
    const tk::RECT last = l.ItemRect(11);
    EXPECT_LE(last.bottom, l.height());
    EXPECT_GT(l.ItemRect(10).top, 0);
    EXPECT_EQ(l.RowAt(QPoint(20, last.top + 5)), 11);
    EXPECT_EQ(l.RowAt(QPoint(20, l.ItemRect(l.TopIndex()).top + 2)), l.TopIndex());
    // And the first row brings the top back.
    l.SetSelected(0);
    pump();
    EXPECT_EQ(l.TopIndex(), 0);
}

// The events file held by another program when OK is pressed: the window stays open with what was
// typed, and OK once the file is free stores the event beside the ones already saved.
TEST_F(ItemViews, ANewEventWaitsInItsWindowWhileTheFileIsHeld) {
    const dev::FileTime now = dev::getLocalTimeAsFileTime();
    items::events().records = {event(u"Kept", now + dev::kTicksPerHour, 1)};
    ASSERT_TRUE(items::events().save());
    auto w = startWindow();
    showView(*w, shell::kEvents);
    EventsView& v = *eventsView(*w);
    tap(*v.buttons(), el::kIdNew);
    ASSERT_TRUE(v.dialog());
    fillDialog(*v.dialog(), u"Waiting", at(2026, 3, 14, 11, 0));
    {
        auto held = dev::ExclusiveFile::open(dataFilePath(items::kEventsFileName),
                                             dev::OpenMode::ReadExisting);
        ASSERT_TRUE(held.isOpen());
        // The program lost the table meanwhile (another program held the file at a reload).
        EXPECT_FALSE(items::events().load(true));
        tap(*v.dialog()->buttons(dl::kIdOk), dl::kIdOk);
        ASSERT_TRUE(v.dialog()) << "the window stays open";
        EXPECT_TRUE(tk::IsWindowVisible(v.dialog()->hwnd()));
        EXPECT_EQ(fake.messageBoxesImpl.shown.back().text,
                  u"The file with event settings is in use; try again");
    }
    tap(*v.dialog()->buttons(dl::kIdOk), dl::kIdOk);
    EXPECT_FALSE(v.dialog());
    using Names = std::vector<std::u16string>;
    EXPECT_EQ(names(v), (Names{u"Kept", u"Waiting"}));
    items::Events reread;
    ASSERT_TRUE(reread.load(true));
    EXPECT_EQ(reread.records.size(), 2u);
}

// The Alarms view and the "Alarm Settings" window driven by taps on the real windows: arming,
// disarming and a changed time reach the notification service and the file; the settings window
// stores only on OK; a change the reminder made shows at the next tick; the command line and the
// remembered page open the right page.
#include "alarmsui_support.h"

#include "toolkit/platform/platform.h"

using namespace hv;
using namespace hv::alarmstest;
using itemsui::MAlarms;

namespace {

// The tab of page p (0..4) in the tab strip.
QPoint tabOf(int page) {
    return {page * tk::kTabWidth + tk::kTabWidth / 2, tk::kTabHeight / 2};
}

QPoint dayCell(int day) {
    const tk::RECT r = itemsui::DaySelector::cell(day);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

dev::FileTime ft(const dev::SystemTime& t) {
    return *dev::toFileTime(t);
}

} // namespace

TEST_F(ItemViews, ArmingAlarm7RegistersA07AndAChangedTimeDisarmsIt) {
    start();
    showView(shell::kAlarms);
    MAlarms& v = alarmsView();
    ASSERT_NE(v.tabs(), nullptr);
    tap(v.tabs()->hwnd(), tabOf(1));
    EXPECT_EQ(v.page(), 1);
    EXPECT_EQ(tk::GetWindowText(v.checkBox(2)), u"07.");

    // Every day at 00:00 (the defaults); now Saturday 10:00: tomorrow at 00:00.
    tap(v.checkBox(2));
    EXPECT_TRUE(tk::IsChecked(v.checkBox(2)));
    auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].arguments, u"a07");
    EXPECT_EQ(regs[0].application, u"\\Windows\\BHVEvents.exe");
    EXPECT_EQ(ft(regs[0].start), ft(at(2026, 3, 15, 0, 0)));
    const items::AlarmRecord stored = storedAlarm(6);
    EXPECT_EQ(stored.enabled, 1);
    EXPECT_EQ(stored.notificationHandle, regs[0].handle);
    EXPECT_EQ(dev::FileTime{stored.alarmTime}, ft(at(2026, 3, 15, 0, 0)));

    // One step of the picker's hour: the box clears and the registration goes.
    tk::TimePicker* picker = v.timePicker(2);
    picker->pick()->selectField(0);
    picker->pick()->spin(+1);
    pump();
    EXPECT_FALSE(tk::IsChecked(v.checkBox(2)));
    EXPECT_TRUE(registrations().empty());
    EXPECT_EQ(items::alarms().records[6].enabled, 0);
    EXPECT_EQ(items::alarms().records[6].notificationHandle, 0u);
    EXPECT_EQ(items::systemTimeOf(storedAlarm(6).alarmTime).hour, 1);
    EXPECT_EQ(storedAlarm(6).enabled, 0);

    // Armed again: the new time is registered; cleared by hand: the registration goes.
    tap(v.checkBox(2));
    regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(ft(regs[0].start), ft(at(2026, 3, 15, 1, 0)));
    tap(v.checkBox(2));
    EXPECT_TRUE(registrations().empty());
    EXPECT_EQ(storedAlarm(6).enabled, 0);
}

TEST_F(ItemViews, AnAlarmWithoutWeekdaysIsOnlyCancelledWhenArmed) {
    start();
    showView(shell::kAlarms);
    MAlarms& v = alarmsView();
    tap(v.settingsButton(1));
    itemsui::AlarmsSetDlg* dlg = v.settingsWindow();
    ASSERT_TRUE(dlg->isOpen());
    EXPECT_EQ(dlg->index(), 1);
    for (int d = 0; d < 7; ++d)
        tap(dlg->daySelector()->hwnd(), dayCell(d));
    EXPECT_EQ(dlg->draft().workingMask & 0x7F, 0);
    tap(dlg->control(itemsui::kIdOk));
    EXPECT_FALSE(dlg->isOpen());
    EXPECT_EQ(storedAlarm(1).daysMask & 0x7F, 0);
    EXPECT_TRUE(registrations().empty());

    tap(v.checkBox(1));
    EXPECT_TRUE(tk::IsChecked(v.checkBox(1)));
    EXPECT_EQ(storedAlarm(1).enabled, 1);
    EXPECT_TRUE(registrations().empty());
}

TEST_F(ItemViews, OkRegistersEvenADisabledAlarmAndStoresTheWindow) {
    start();
    showView(shell::kAlarms);
    MAlarms& v = alarmsView();
    tap(v.settingsButton(0));
    itemsui::AlarmsSetDlg* dlg = v.settingsWindow();
    ASSERT_TRUE(dlg->isOpen());
    // Only Monday; note, "Repeating alarm" and the lists.
    for (int d = 0; d < 7; ++d)
        if (d != 1)
            tap(dlg->daySelector()->hwnd(), dayCell(d));
    tk::SetWindowText(dlg->noteEdit(), u"Gym");
    tap(dlg->repeatingBox());
    tap(dlg->showDescriptionBox());
    dlg->repeatList()->SetSelected(2);
    dlg->pauseList()->SetSelected(4);
    dlg->snoozeCountList()->SetSelected(6);
    dlg->snoozeIntervalList()->SetSelected(3);
    tap(dlg->control(itemsui::kIdOk));

    const items::AlarmRecord r = storedAlarm(0);
    EXPECT_EQ(r.enabled, 0);
    EXPECT_EQ(r.daysMask & 0x7F, 0x02);
    EXPECT_EQ(items::textOf(r.note), u"Gym");
    EXPECT_EQ(r.repeating, 1);
    EXPECT_EQ(r.showDescription, 1);
    EXPECT_EQ(r.repeatIndex, 2);
    EXPECT_EQ(r.pauseIndex, 4);
    EXPECT_EQ(r.snoozeCountIndex, 6);
    EXPECT_EQ(r.snoozeIntervalIndex, 3);
    // Registered for Monday although the box is clear; the reminder drops it.
    const auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].arguments, u"a01");
    EXPECT_EQ(ft(regs[0].start), ft(at(2026, 3, 16, 0, 0)));
    EXPECT_EQ(r.notificationHandle, regs[0].handle);
    EXPECT_FALSE(tk::IsChecked(v.checkBox(0)));
    // The page shows the new note and the sound path file is written.
    EXPECT_TRUE(dev::fileExists(items::alarmSoundFile(0)));
    // A second OK replaces the registration instead of adding one.
    tap(v.settingsButton(0));
    tap(dlg->control(itemsui::kIdOk));
    EXPECT_EQ(registrations().size(), 1u);
}

TEST_F(ItemViews, ResetAndCancelStoreNothing) {
    start();
    showView(shell::kAlarms);
    MAlarms& v = alarmsView();
    tap(v.settingsButton(3));
    itemsui::AlarmsSetDlg* dlg = v.settingsWindow();
    tk::SetWindowText(dlg->noteEdit(), u"Dentist");
    tap(dlg->daySelector()->hwnd(), dayCell(0));
    tap(dlg->control(itemsui::kIdOk));
    tap(v.checkBox(3));
    const std::vector<uint8_t> before = fileBytes(dataFilePath(items::kAlarmsFileName));
    const auto regsBefore = registrations();
    ASSERT_EQ(before.size(), items::kAlarmsFileSize);
    ASSERT_EQ(regsBefore.size(), 1u);

    tap(v.settingsButton(3));
    EXPECT_EQ(tk::GetWindowText(dlg->noteEdit()), u"Dentist");
    EXPECT_FALSE(dlg->draft().daySelected(0));
    tk::SetWindowText(dlg->noteEdit(), u"Other");
    tap(dlg->repeatingBox());
    dlg->repeatList()->SetSelected(3);
    tap(dlg->control(itemsui::kIdReset));
    // Reset: every day, an empty note, the lists on their first entries, both boxes clear.
    const items::AlarmSettingsDraft d = dlg->draft();
    EXPECT_EQ(d.workingMask & 0x7F, 0x7F);
    EXPECT_EQ(d.note, u"");
    EXPECT_EQ(d.repeatIndex, 0);
    EXPECT_FALSE(d.repeating);
    EXPECT_FALSE(d.showDescription);
    EXPECT_TRUE(dlg->isOpen());
    EXPECT_EQ(fileBytes(dataFilePath(items::kAlarmsFileName)), before);

    tap(dlg->control(itemsui::kIdCancel));
    EXPECT_FALSE(dlg->isOpen());
    EXPECT_EQ(fileBytes(dataFilePath(items::kAlarmsFileName)), before);
    const auto regsAfter = registrations();
    ASSERT_EQ(regsAfter.size(), 1u);
    EXPECT_EQ(regsAfter[0].handle, regsBefore[0].handle);
    EXPECT_EQ(items::textOf(items::alarms().records[3].note), u"Dentist");
    // Opened again, the window shows what is stored.
    tap(v.settingsButton(3));
    EXPECT_EQ(tk::GetWindowText(dlg->noteEdit()), u"Dentist");
    // Leaving the view closes the window as Cancel does.
    showView(shell::kGeneral);
    EXPECT_FALSE(dlg->isOpen());
}

TEST_F(ItemViews, TheReminderNextOccurrenceShowsWithinASecond) {
    start();
    showView(shell::kAlarms);
    MAlarms& v = alarmsView();
    tap(v.checkBox(0));
    ASSERT_EQ(registrations().size(), 1u);
    // The reminder fired alarm 1 and wrote its next occurrence, a week on, with a new handle.
    std::vector<uint8_t> file = fileBytes(dataFilePath(items::kAlarmsFileName));
    ASSERT_EQ(file.size(), items::kAlarmsFileSize);
    items::AlarmRecord r;
    std::memcpy(&r, file.data(), sizeof r);
    r.alarmTime = ft(at(2026, 3, 22, 0, 0));
    r.notificationHandle = 77;
    std::memcpy(file.data(), &r, sizeof r);
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(items::kAlarmsFileName), file));

    nextSecond();
    EXPECT_EQ(v.timePicker(0)->GetTime().day, 22);
    EXPECT_TRUE(tk::IsChecked(v.checkBox(0)));
    EXPECT_EQ(items::alarms().records[0].notificationHandle, 77u);
}

TEST_F(ItemViews, TheCommandLineAndTheRememberedPageOpenTheRightPage) {
    start(shell::parseCommandLine(u"a5"));
    EXPECT_EQ(window->currentView(), shell::kAlarms);
    MAlarms& v = alarmsView();
    EXPECT_EQ(v.page(), 1);
    EXPECT_EQ(tk::GetWindowText(v.checkBox(0)), u"05.");
    EXPECT_EQ(v.tabs()->selected(), 1);
    window.reset();
    resetAppState();

    SettingsRecord s{};
    fillSettingsDefaults(s);
    s.lastView = shell::kAlarms;
    s.lastViewSub = 4;
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), &s, sizeof s));
    start();
    EXPECT_EQ(window->currentView(), shell::kAlarms);
    EXPECT_EQ(alarmsView().page(), 4);
    EXPECT_EQ(tk::GetWindowText(alarmsView().checkBox(3)), u"20.");
    // The page chosen last is remembered at exit.
    tap(alarmsView().tabs()->hwnd(), tabOf(2));
    window->exitSequence();
    SettingsRecord saved{};
    const std::vector<uint8_t> b = fileBytes(dataFilePath(u"settings.dat"));
    ASSERT_EQ(b.size(), sizeof saved);
    std::memcpy(&saved, b.data(), sizeof saved);
    EXPECT_EQ(saved.lastView, static_cast<uint32_t>(shell::kAlarms));
    EXPECT_EQ(saved.lastViewSub, 2);
}

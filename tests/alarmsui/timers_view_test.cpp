// The Timers view and the "Timer Settings" window driven by taps on the real windows: Start, Stop
// (the time left is kept) and Start again, "Set..." only while stopped, "Stop && Reset All...", a
// timer the reminder ended, the strip and the list choosing the timer, and "t2" on the command
// line.
#include "alarmsui_support.h"

using namespace hv;
using namespace hv::alarmstest;
using itemsui::MTimers;

namespace {

dev::FileTime ft(const dev::SystemTime& t) {
    return *dev::toFileTime(t);
}

bool shown(tk::HWND w) {
    return w && w->isVisible();
}

// The strip button of timer i, in the strip's coordinates.
QPoint stripButton(int i) {
    const tk::RECT& r = itemsui::TimersItem::kButtons[i];
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

} // namespace

class TimerViews : public ItemViews {
protected:
    // Sets timer i's initial value through "Set..." and OK.
    void setInitial(int i, int h, int m, int s) {
        MTimers& v = timersView();
        v.select(i);
        tap(v.button(itemsui::kIdSet));
        itemsui::TimersSetDlg* dlg = v.settingsWindow();
        ASSERT_TRUE(dlg->isOpen());
        ASSERT_EQ(dlg->index(), i);
        dev::SystemTime t = dlg->initialValue()->time();
        t.hour = static_cast<uint16_t>(h);
        t.minute = static_cast<uint16_t>(m);
        t.second = static_cast<uint16_t>(s);
        dlg->initialValue()->setTime(t);
        tap(dlg->control(itemsui::kIdOk));
        ASSERT_FALSE(dlg->isOpen());
    }
};

TEST_F(TimerViews, StopKeepsTheTimeLeftAndStartContinuesFromIt) {
    start();
    showView(shell::kTimers);
    MTimers& v = timersView();
    setInitial(0, 0, 1, 30);
    EXPECT_EQ(v.remainingShown(), u"00:01:30");
    EXPECT_EQ(storedTimer(0).initialMinutes, 1);
    EXPECT_EQ(storedTimer(0).initialSeconds, 30);

    tap(v.button(itemsui::kIdStart));
    auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].arguments, u"t00");
    EXPECT_EQ(ft(regs[0].start), ft(at(2026, 3, 14, 10, 1, 30)));
    EXPECT_TRUE(shown(v.button(itemsui::kIdStop)));
    EXPECT_FALSE(shown(v.button(itemsui::kIdStart)));
    EXPECT_FALSE(shown(v.button(itemsui::kIdSet)));
    EXPECT_FALSE(shown(v.button(itemsui::kIdTimerReset)));

    fake.clockImpl.advanceMs(39 * 1000);
    nextSecond();
    EXPECT_EQ(v.remainingShown(), u"00:00:50");
    tap(v.button(itemsui::kIdStop));
    EXPECT_TRUE(registrations().empty());
    EXPECT_TRUE(fake.eventsImpl.isSetByName(items::timerResetEventName(0)));
    EXPECT_EQ(v.remainingShown(), u"00:00:50");
    EXPECT_TRUE(shown(v.button(itemsui::kIdStart)));
    EXPECT_TRUE(shown(v.button(itemsui::kIdSet)));
    EXPECT_EQ(storedTimer(0).running, 0);

    // An hour later (11:00:41) Start runs the 50 seconds left.
    fake.clockImpl.advanceMs(3600 * 1000);
    nextSecond();
    EXPECT_EQ(v.remainingShown(), u"00:00:50");
    tap(v.button(itemsui::kIdStart));
    regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(ft(regs[0].start), ft(at(2026, 3, 14, 11, 1, 31)));
    EXPECT_FALSE(fake.eventsImpl.isSetByName(items::timerResetEventName(0)));

    // Reset while running: back at the initial value, registration gone.
    tap(v.button(itemsui::kIdStop));
    tap(v.button(itemsui::kIdTimerReset));
    EXPECT_EQ(v.remainingShown(), u"00:01:30");
    EXPECT_TRUE(registrations().empty());
}

TEST_F(TimerViews, SetIsOfferedOnlyWhileStoppedAndCancelStoresNothing) {
    start();
    showView(shell::kTimers);
    MTimers& v = timersView();
    setInitial(1, 0, 0, 5);
    tap(v.button(itemsui::kIdStart));
    EXPECT_FALSE(shown(v.button(itemsui::kIdSet)));
    // Even a "Set..." command that slips through leaves the window closed.
    tk::SendMessage(v.hwnd(), tk::WM_COMMAND, itemsui::kIdSet, 0);
    EXPECT_FALSE(v.settingsWindow()->isOpen());
    tap(v.button(itemsui::kIdStop));

    const std::vector<uint8_t> before = fileBytes(dataFilePath(items::kTimersFileName));
    tap(v.button(itemsui::kIdSet));
    itemsui::TimersSetDlg* dlg = v.settingsWindow();
    ASSERT_TRUE(dlg->isOpen());
    EXPECT_EQ(dlg->initialValue()->time().second, 5);
    EXPECT_EQ(dlg->initialValue()->text(), u"00:00:05");
    tk::SetWindowText(dlg->noteEdit(), u"Eggs");
    tap(dlg->control(itemsui::kIdReset));
    EXPECT_EQ(dlg->initialValue()->text(), u"00:00:00");
    EXPECT_EQ(tk::GetWindowText(dlg->noteEdit()), u"");
    tap(dlg->control(itemsui::kIdCancel));
    EXPECT_EQ(fileBytes(dataFilePath(items::kTimersFileName)), before);
    EXPECT_EQ(items::timers().records[1].initialSeconds, 5);

    // OK with a note to show: the view draws it.
    tap(v.button(itemsui::kIdSet));
    tk::SetWindowText(dlg->noteEdit(), u"Eggs");
    tap(dlg->showDescriptionBox());
    tap(dlg->control(itemsui::kIdOk));
    EXPECT_EQ(items::textOf(storedTimer(1).note), u"Eggs");
    EXPECT_EQ(storedTimer(1).showNote, 1);
    EXPECT_EQ(v.remainingShown(), u"00:00:05");
}

TEST_F(TimerViews, StopAndResetAllStopsEveryTimerAtItsInitialValue) {
    start();
    showView(shell::kTimers);
    MTimers& v = timersView();
    setInitial(0, 0, 10, 0);
    setInitial(2, 1, 0, 0);
    setInitial(3, 0, 0, 30);
    v.select(0);
    tap(v.button(itemsui::kIdStart));
    v.select(2);
    tap(v.button(itemsui::kIdStart));
    v.select(3);
    tap(v.button(itemsui::kIdStart));
    fake.clockImpl.advanceMs(10 * 1000);
    tap(v.button(itemsui::kIdStop)); // timer 4 stopped with 20 s left
    ASSERT_EQ(registrations().size(), 2u);

    tap(v.button(itemsui::kIdStopResetAll));
    EXPECT_TRUE(registrations().empty());
    const uint8_t initial[4][3] = {{0, 10, 0}, {0, 0, 0}, {1, 0, 0}, {0, 0, 30}};
    for (int i = 0; i < items::kTimerCount; ++i) {
        const items::TimerRecord r = storedTimer(i);
        EXPECT_EQ(r.running, 0) << i;
        EXPECT_EQ(r.notificationHandle, 0u) << i;
        const dev::SystemTime c = items::systemTimeOf(r.countdownTime);
        EXPECT_EQ(c.hour, initial[i][0]) << i;
        EXPECT_EQ(c.minute, initial[i][1]) << i;
        EXPECT_EQ(c.second, initial[i][2]) << i;
        EXPECT_TRUE(fake.eventsImpl.isSetByName(items::timerResetEventName(i))) << i;
    }
    EXPECT_EQ(v.remainingShown(), u"00:00:30");
    EXPECT_TRUE(shown(v.button(itemsui::kIdStart)));
}

TEST_F(TimerViews, ATimerTheReminderEndedReturnsToItsInitialValue) {
    start();
    showView(shell::kTimers);
    MTimers& v = timersView();
    setInitial(0, 0, 0, 5);
    tap(v.button(itemsui::kIdStart));
    ASSERT_EQ(registrations().size(), 1u);
    fake.clockImpl.advanceMs(5 * 1000);

    // The reminder writes the timer back stopped at its initial value and tells the program.
    items::TimerRecord r = storedTimer(0);
    r.notificationHandle = 0;
    r.running = 0;
    r.countdownTime = items::timerInitialCountdown(r);
    ASSERT_TRUE(dev::writeRecordInPlace(dataFilePath(items::kTimersFileName), 0, &r, sizeof r));
    fake.eventsImpl.setByName(items::kTimersSettingsChange, true);

    nextSecond();
    EXPECT_EQ(v.remainingShown(), u"00:00:05");
    EXPECT_TRUE(shown(v.button(itemsui::kIdStart)));
    EXPECT_FALSE(shown(v.button(itemsui::kIdStop)));
    EXPECT_FALSE(fake.eventsImpl.isSetByName(items::kTimersSettingsChange));
    EXPECT_EQ(items::timers().records[0].running, 0);
}

TEST_F(TimerViews, TheStripAndTheListChooseTheTimer) {
    start();
    showView(shell::kTimers);
    MTimers& v = timersView();
    setInitial(3, 0, 4, 0);
    v.select(0);
    tap(v.strip()->hwnd(), stripButton(3));
    EXPECT_EQ(v.selected(), 3);
    EXPECT_EQ(v.timerList()->selected(), 3);
    EXPECT_EQ(v.remainingShown(), u"00:04:00");
    tap(v.strip()->hwnd(), stripButton(1));
    EXPECT_EQ(v.selected(), 1);
    // The large digits are drawn right-aligned in the time area at (16,130).
    const QImage img = window->grab().toImage();
    int inked = 0;
    for (int y = 130; y < 230; ++y)
        for (int x = 240; x < 464; ++x)
            inked += qGray(img.pixel(x, y)) < 160;
    EXPECT_GT(inked, 2000);
}

TEST_F(TimerViews, TheCommandLineAndTheRememberedTimerSelectIt) {
    start(shell::parseCommandLine(u"t2"));
    EXPECT_EQ(window->currentView(), shell::kTimers);
    EXPECT_EQ(timersView().selected(), 2);
    EXPECT_EQ(timersView().timerList()->selected(), 2);
    tap(timersView().strip()->hwnd(), stripButton(1));
    window->exitSequence();
    SettingsRecord saved{};
    const std::vector<uint8_t> b = fileBytes(dataFilePath(u"settings.dat"));
    ASSERT_EQ(b.size(), sizeof saved);
    std::memcpy(&saved, b.data(), sizeof saved);
    EXPECT_EQ(saved.lastView, static_cast<uint32_t>(shell::kTimers));
    EXPECT_EQ(saved.lastViewSub, 1);
}

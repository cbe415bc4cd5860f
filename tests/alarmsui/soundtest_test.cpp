// "Test" in the settings windows: nothing for "None"; the chosen sound repeatIndex + 1 times with
// pauseIndex + 1 seconds between the plays, while the window goes on answering taps; a second
// tap stops it, and so does closing the window.
#include "alarmsui_support.h"

#include "settings/soundpath.h"

using namespace hv;
using namespace hv::alarmstest;

namespace {

constexpr char16_t kAlarm3[] = u"\\Windows\\Alarm3.wav";

} // namespace

class SoundTests : public ItemViews {
protected:
    // Alarm 1 with a sound (or None) as its settings left it.
    itemsui::AlarmsSetDlg& openAlarm1(uint32_t soundIndex) {
        start();
        showView(shell::kAlarms);
        items::alarms().records[0].soundIndex = soundIndex;
        EXPECT_TRUE(writeSoundPathFile(items::alarmSoundFile(0), kAlarm3));
        tap(alarmsView().settingsButton(0));
        itemsui::AlarmsSetDlg* dlg = alarmsView().settingsWindow();
        EXPECT_TRUE(dlg->isOpen());
        return *dlg;
    }
    // One beat of the window's timer after `ms` on the device's tick count.
    void after(itemsui::ItemSettingsWindow& w, uint64_t ms) {
        fake.clockImpl.advanceMs(ms);
        tk::SendMessage(w.hwnd(), tk::WM_TIMER, itemsui::settingslayout::kTestTimerId, 0);
        pump();
    }
    size_t plays() const { return fake.soundImpl.plays.size(); }
};

TEST_F(SoundTests, NonePlaysNothing) {
    itemsui::AlarmsSetDlg& dlg = openAlarm1(0);
    tap(dlg.testButton());
    after(dlg, 1000);
    EXPECT_EQ(plays(), 0u);
    EXPECT_FALSE(dlg.soundTest().running());
    EXPECT_EQ(tk::GetWindowText(dlg.testButton()), u"Test");
}

TEST_F(SoundTests, ASoundPlaysRepeatPlusOneTimesWithItsPauses) {
    itemsui::AlarmsSetDlg& dlg = openAlarm1(3);
    dlg.repeatList()->SetSelected(2); // "3 times"
    dlg.pauseList()->SetSelected(1);  // "2 seconds"
    const dev::FileTime began = fake.clockImpl.utcNow();
    tap(dlg.testButton());
    ASSERT_EQ(plays(), 1u);
    EXPECT_EQ(fake.soundImpl.plays[0].path, kAlarm3);
    EXPECT_EQ(tk::GetWindowText(dlg.testButton()), u"Stop");
    // The window answers while the sound plays: a day tapped in between toggles.
    tap(dlg.daySelector()->hwnd(), QPoint(15, 16));
    EXPECT_FALSE(dlg.draft().daySelected(0));
    after(dlg, 1900);
    EXPECT_EQ(plays(), 1u);
    after(dlg, 100);
    EXPECT_EQ(plays(), 2u);
    after(dlg, 2000);
    EXPECT_EQ(plays(), 3u);
    after(dlg, 2000);
    after(dlg, 2000);
    EXPECT_EQ(plays(), 3u);
    EXPECT_FALSE(dlg.soundTest().running());
    EXPECT_EQ(tk::GetWindowText(dlg.testButton()), u"Test");
    EXPECT_EQ(fake.soundImpl.plays[2].at - began, 4 * dev::kTicksPerSecond);
    // The test stores nothing.
    EXPECT_EQ(items::alarms().records[0].repeatIndex, 0);
}

TEST_F(SoundTests, ASecondTapOrClosingTheWindowStopsIt) {
    itemsui::AlarmsSetDlg& dlg = openAlarm1(3);
    dlg.repeatList()->SetSelected(4);
    tap(dlg.testButton());
    after(dlg, 1000);
    ASSERT_EQ(plays(), 2u);
    const int stops = fake.soundImpl.stops;
    tap(dlg.testButton());
    EXPECT_FALSE(dlg.soundTest().running());
    EXPECT_GT(fake.soundImpl.stops, stops);
    EXPECT_EQ(tk::GetWindowText(dlg.testButton()), u"Test");
    after(dlg, 5000);
    EXPECT_EQ(plays(), 2u);

    tap(dlg.testButton());
    EXPECT_EQ(plays(), 3u);
    tap(dlg.control(itemsui::kIdCancel));
    EXPECT_FALSE(dlg.soundTest().running());
    after(dlg, 5000);
    EXPECT_EQ(plays(), 3u);
}

TEST_F(SoundTests, TheTimerWindowTestsItsOwnChoice) {
    start();
    showView(shell::kTimers);
    items::timers().records[2].soundIndex = 1;
    ASSERT_TRUE(writeSoundPathFile(items::timerSoundFile(2), kAlarm3));
    itemsui::MTimers& v = timersView();
    v.select(2);
    tap(v.button(itemsui::kIdSet));
    itemsui::TimersSetDlg* dlg = v.settingsWindow();
    ASSERT_TRUE(dlg->isOpen());
    dlg->repeatList()->SetSelected(1);
    tap(dlg->testButton());
    after(*dlg, 1000);
    after(*dlg, 1000);
    EXPECT_EQ(plays(), 2u);
    EXPECT_EQ(fake.soundImpl.plays[1].path, kAlarm3);
}

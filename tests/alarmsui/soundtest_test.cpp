// The sound picker in the settings windows and "Test": the stored path selects its entry ("None"
// for a file the folder does not hold) and OK stores the choice; "Reset" takes the picker back to
// \Windows; "Test" plays nothing for "None", the chosen sound repeatIndex + 1 times with
// pauseIndex + 1 seconds between the plays while the window goes on answering taps, and a second
// tap stops it, as does closing the window.
#include "alarmsui_support.h"

#include "settings/soundpath.h"

using namespace hv;
using namespace hv::alarmstest;

namespace {

constexpr char16_t kAlarm3[] = u"\\Windows\\Alarm3.wav";

} // namespace

class SoundTests : public ItemViews {
protected:
    void SetUp() override {
        ItemViews::SetUp();
        // The device's sounds, and a file the picker leaves out.
        for (const char16_t* f : {u"\\Windows\\Alarm1.wav", u"\\Windows\\Alarm2.wav", kAlarm3,
                                  u"\\Windows\\Readme.txt", u"\\Windows\\Sounds\\Chime.wav"}) {
            std::filesystem::create_directories(fake.host(f).parent_path());
            ASSERT_TRUE(dev::saveWholeFile(f, "RIFF", 4));
        }
    }
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
        w.soundTestBeat();
        pump();
    }
    size_t plays() const { return fake.soundImpl.plays.size(); }
};

TEST_F(SoundTests, ThePickerSelectsTheStoredSoundOrNoneAndOkStoresIt) {
    itemsui::AlarmsSetDlg& dlg = openAlarm1(3);
    tk::STFileList* picker = dlg.soundPicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(picker->visible());
    EXPECT_EQ(picker->folder(), u"\\Windows");
    EXPECT_EQ(picker->entry(picker->selectedIndex()), u"Alarm3");
    EXPECT_EQ(picker->count(), 4); // None, Alarm1, Alarm2, Alarm3: no Readme.txt
    picker->setSelectedIndex(2);
    tap(dlg.control(itemsui::kIdOk));
    EXPECT_FALSE(picker->visible());
    EXPECT_EQ(storedAlarm(0).soundIndex, 2u);
    EXPECT_EQ(items::readAlarmSound(0), u"\\Windows\\Alarm2.wav");

    // A sound the folder no longer holds: "None", stored as no sound.
    ASSERT_TRUE(writeSoundPathFile(items::alarmSoundFile(0), u"\\Windows\\Gone.wav"));
    tap(alarmsView().settingsButton(0));
    EXPECT_EQ(picker->selectedIndex(), 0);
    EXPECT_EQ(picker->entry(0), u"None");
    tap(dlg.control(itemsui::kIdOk));
    EXPECT_EQ(storedAlarm(0).soundIndex, 0u);

    // "Reset" takes another folder back to \Windows; Cancel keeps the stored path.
    ASSERT_TRUE(writeSoundPathFile(items::alarmSoundFile(0), u"\\Windows\\Sounds\\Chime.wav"));
    tap(alarmsView().settingsButton(0));
    EXPECT_EQ(picker->folder(), u"\\Windows\\Sounds");
    EXPECT_EQ(picker->entry(picker->selectedIndex()), u"Chime");
    tap(dlg.control(itemsui::kIdReset));
    EXPECT_EQ(picker->folder(), u"\\Windows");
    tap(dlg.control(itemsui::kIdCancel));
    EXPECT_EQ(items::readAlarmSound(0), u"\\Windows\\Sounds\\Chime.wav");
}

TEST_F(SoundTests, NonePlaysNothing) {
    itemsui::AlarmsSetDlg& dlg = openAlarm1(3);
    dlg.soundPicker()->setSelectedIndex(0);
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
    items::timers().records[2].soundIndex = 3;
    ASSERT_TRUE(writeSoundPathFile(items::timerSoundFile(2), kAlarm3));
    itemsui::MTimers& v = timersView();
    v.select(2);
    tap(v.button(itemsui::kIdSet));
    itemsui::TimersSetDlg* dlg = v.settingsWindow();
    ASSERT_TRUE(dlg->isOpen());
    EXPECT_EQ(dlg->soundPicker()->entry(dlg->soundPicker()->selectedIndex()), u"Alarm3");
    dlg->repeatList()->SetSelected(1);
    tap(dlg->testButton());
    after(*dlg, 1000);
    after(*dlg, 1000);
    EXPECT_EQ(plays(), 2u);
    EXPECT_EQ(fake.soundImpl.plays[1].path, kAlarm3);
}

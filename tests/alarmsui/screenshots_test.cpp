// The screenshots of the Alarms and Timers views and of their settings windows (written when
// HV_SCREENSHOT_DIR names a folder), with the pixels that say the layout stands where it should.
#include "alarmsui_support.h"

using namespace hv;
using namespace hv::alarmstest;

namespace {

// The colour at a logical point of what the window shows, at any scale factor.
QRgb at(shell::MainWindow& w, int x, int y) {
    const QImage img = w.grab().toImage();
    const int scale = qRound(img.width() / 480.0);
    return img.pixel(x * scale + scale / 2, y * scale + scale / 2) & 0xffffff;
}

} // namespace

TEST_F(ItemViews, ScreenshotsOfBothViewsAndBothSettingsWindows) {
    // The device's sounds for the sound picker.
    for (const char16_t* f : {u"\\Windows\\Alarm1.wav", u"\\Windows\\Alarm2.wav"}) {
        std::filesystem::create_directories(fake.host(f).parent_path());
        ASSERT_TRUE(dev::saveWholeFile(f, "RIFF", 4));
    }
    // Alarms 1 and 3 armed, alarm 2 with a note and off.
    items::Alarms& a = items::alarms();
    start();
    showView(shell::kAlarms);
    itemsui::MAlarms& v = alarmsView();
    a.records[0].alarmTime = *dev::toFileTime(at(2026, 3, 14, 6, 45));
    items::setText(a.records[0].note, u"Wake up");
    a.records[1].alarmTime = *dev::toFileTime(at(2026, 3, 14, 12, 30));
    items::setText(a.records[1].note, u"Lunch with Anna");
    a.records[2].alarmTime = *dev::toFileTime(at(2026, 3, 14, 22, 0));
    nextSecond();
    tap(v.checkBox(0));
    tap(v.checkBox(2));
    nextSecond();
    maybeScreenshot(*window, QStringLiteral("alarms-page1"));
    // The row separators below the title strip: y 0, 110, 220, 330 and 440 of the view's window.
    for (int y : {44, 154, 264, 374, 484})
        EXPECT_EQ(at(*window, 20, y + 1), 0xC0C0FFu) << y;
    EXPECT_EQ(at(*window, 20, 44 + 6), 0xFFFFFFu);

    tap(v.settingsButton(1));
    ASSERT_TRUE(v.settingsWindow()->isOpen());
    maybeScreenshot(*window, QStringLiteral("alarmsettings-alarm2"));
    // The black bar under the title, the grey ones, and Sunday selected in the day selector.
    EXPECT_EQ(at(*window, 240, 52), 0x000000u);
    for (int y : {99, 205, 315})
        EXPECT_EQ(at(*window, 240, y), 0xC0C0C0u) << y;
    const tk::RECT sunday = itemsui::DaySelector::cell(0);
    EXPECT_EQ(at(*window, itemsui::alarmsetlayout::kDaySelectorAt.x + sunday.left + 1,
                 itemsui::alarmsetlayout::kDaySelectorAt.y + sunday.top + 1),
              0x0000E0u);
    tap(v.settingsWindow()->control(itemsui::kIdCancel));

    // Timer 1 running for 5 minutes, timer 2 stopped at 1:30 left of 10 minutes.
    items::Timers& t = items::timers();
    showView(shell::kTimers);
    itemsui::MTimers& tv = timersView();
    t.records[0].initialMinutes = 5;
    t.records[0].countdownTime = *dev::toFileTime(at(2026, 3, 14, 0, 5));
    items::setText(t.records[0].note, u"Tea");
    t.records[0].showNote = 1;
    t.records[1].initialMinutes = 10;
    t.records[1].countdownTime = *dev::toFileTime(at(2026, 3, 14, 0, 1, 30));
    nextSecond();
    tap(tv.button(itemsui::kIdStart));
    fake.clockImpl.advanceMs(17 * 1000);
    nextSecond();
    maybeScreenshot(*window, QStringLiteral("timers-running"));
    for (int y : {82, 312, 424})
        EXPECT_EQ(at(*window, 5, y), 0xC0C0C0u) << y;
    EXPECT_EQ(tv.remainingShown(), u"00:04:42");
    tv.select(1);
    nextSecond();
    maybeScreenshot(*window, QStringLiteral("timers-stopped"));
    tap(tv.button(itemsui::kIdSet));
    ASSERT_TRUE(tv.settingsWindow()->isOpen());
    maybeScreenshot(*window, QStringLiteral("timersettings-timer2"));
    tap(tv.settingsWindow()->control(itemsui::kIdCancel));
}

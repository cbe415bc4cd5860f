#include "astro/sun.h"
#include "cities_test_support.h"
#include "device/fake.h"
#include "settings/settings.h"
#include "shellcore/homesources.h"
#include "shellcore/shellcore.h"
#include "shellcore/statusbar.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace hv;
using namespace hv::shell;
using Kind = CommandLine::Kind;

namespace {
SettingsRecord defaults() {
    SettingsRecord s{};
    fillSettingsDefaults(s);
    return s;
}
dev::SystemTime at(int h, int m, int s, int ms = 0) {
    dev::SystemTime t{};
    t.year = 2026;
    t.month = 3;
    t.day = 14;
    t.dayOfWeek = 6;
    t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(m);
    t.second = static_cast<uint16_t>(s);
    t.milliseconds = static_cast<uint16_t>(ms);
    return t;
}
} // namespace

TEST(ShellCommandLine, FirstCharacterDecidesAndNumberFollows) {
    struct Case {
        const char16_t* line;
        Kind kind;
        uint32_t number;
    } cases[] = {
        {u"s0", Kind::ScreenSaver, 0}, {u"s2", Kind::ScreenSaver, 2},
        {u"s3", Kind::Refused, 3},     {u"s-1", Kind::Refused, 0xFFFFFFFF},
        {u"s", Kind::ScreenSaver, 0},  {u"s99999999999", Kind::Refused, 0x7FFFFFFF},
        {u"a5", Kind::Alarm, 5},       {u"a07", Kind::Alarm, 7},
        {u"e", Kind::Events, 0},       {u"e123", Kind::Events, 0},
        {u"t02", Kind::Timer, 2},      {u"", Kind::Normal, 0},
        {u"x5", Kind::Normal, 0},      {u"S0", Kind::Normal, 0},
        {u" s0", Kind::Normal, 0},     {u"sabc", Kind::ScreenSaver, 0},
    };
    for (const auto& c : cases) {
        const CommandLine got = parseCommandLine(c.line);
        EXPECT_EQ(got.kind, c.kind)
            << std::string(c.line, c.line + std::char_traits<char16_t>::length(c.line));
        EXPECT_EQ(got.number, c.number);
    }
}

TEST(ShellStartup, StartupViewLastViewAndCommandLines) {
    SettingsRecord s = defaults();
    s.startupView = 0;
    s.lastView = 4;
    s.lastViewSub = 2;
    StartupChoice c = chooseStartup(s, parseCommandLine(u""));
    EXPECT_EQ(c.selectedView, kTimers);
    EXPECT_EQ(c.sub.timersSelected, 2);

    s.lastView = 15;
    EXPECT_EQ(chooseStartup(s, {}).selectedView, kAnaDigiLike);
    s.startupView = 5;
    s.lastView = 3;
    c = chooseStartup(s, {});
    EXPECT_EQ(c.selectedView, kTimers);
    EXPECT_EQ(c.sub, ViewSubStates{}) << "the sub-state is restored only for Last Used";

    // Command lines win over the start-up view.
    c = chooseStartup(s, parseCommandLine(u"a5"));
    EXPECT_EQ(c.selectedView, kAlarms);
    EXPECT_EQ(c.sub.alarmsPage, 1);
    EXPECT_EQ(chooseStartup(s, parseCommandLine(u"a20")).sub.alarmsPage, 4);
    EXPECT_EQ(chooseStartup(s, parseCommandLine(u"a0")).sub.alarmsPage, 0);
    EXPECT_EQ(chooseStartup(s, parseCommandLine(u"a99")).sub.alarmsPage, 0);
    EXPECT_EQ(chooseStartup(s, parseCommandLine(u"e")).selectedView, kEvents);
    c = chooseStartup(s, parseCommandLine(u"t03"));
    EXPECT_EQ(c.selectedView, kTimers);
    EXPECT_EQ(c.sub.timersSelected, 3);
    EXPECT_EQ(chooseStartup(s, parseCommandLine(u"t9")).sub.timersSelected, 0);

    // Numbers from a damaged file fall back to the General view and a zero sub-state.
    s.startupView = 14; // the start-up list ends with Time Calc
    EXPECT_EQ(chooseStartup(s, {}).selectedView, kGeneral);
    s.startupView = 0;
    s.lastView = 16;
    EXPECT_EQ(chooseStartup(s, {}).selectedView, kGeneral);
    s.lastView = 10;
    s.lastViewSub = 20;
    EXPECT_EQ(chooseStartup(s, {}).sub.cityTimeSelected, 0);
    s.lastViewSub = 19;
    EXPECT_EQ(chooseStartup(s, {}).sub.cityTimeSelected, 19);
    s.lastView = 12;
    s.lastViewSub = 11;
    EXPECT_EQ(chooseStartup(s, {}).sub.timeCalcSelected, 11);
}

TEST(ShellViews, NamesCommandsAndSwitchPlans) {
    EXPECT_EQ(viewName(0), u"General");
    EXPECT_EQ(viewName(9), u"Sun rise/set");
    EXPECT_EQ(viewName(15), u"Ana-Digi like");
    EXPECT_EQ(viewName(16), u"");
    EXPECT_EQ(viewOfCommand(40015), kAnalogClock);
    EXPECT_EQ(viewOfCommand(40013), kAlarms);
    EXPECT_EQ(viewOfCommand(40028), kCasioLike);
    EXPECT_EQ(viewOfCommand(40024), -1);
    for (int v = 0; v < kViewCount; ++v)
        EXPECT_EQ(viewOfCommand(commandOfView(v)), v);

    SwitchPlan p = planSwitch(-1, 4);
    EXPECT_EQ(p.hide, -1);
    EXPECT_EQ(p.show, 4);
    EXPECT_TRUE(p.invalidate);
    EXPECT_FALSE(p.enterFullScreen || p.leaveFullScreen || p.resync);
    p = planSwitch(4, 4);
    EXPECT_TRUE(p.resync);
    EXPECT_EQ(p.show, -1);
    p = planSwitch(2, 13);
    EXPECT_TRUE(p.enterFullScreen);
    EXPECT_FALSE(p.leaveFullScreen);
    p = planSwitch(13, 14); // skin to skin stays full screen
    EXPECT_EQ(p.hide, 13);
    EXPECT_TRUE(p.enterFullScreen);
    EXPECT_FALSE(p.leaveFullScreen);
    p = planSwitch(15, 0);
    EXPECT_TRUE(p.leaveFullScreen);
    EXPECT_FALSE(p.enterFullScreen);
    EXPECT_EQ(planSwitch(3, 16).show, -1);
}

TEST(ShellTick, RedrawsOncePerSecondExceptRunningStopwatch) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    SettingsRecord s = defaults();
    int redraws = 0;
    Ticker u;
    for (int sec = 0; sec < 10; ++sec)
        for (int ms = 0; ms < 1000; ms += 100)
            redraws += u.tick(at(10, 0, sec, ms), s, false, kGeneral).redraw;
    EXPECT_EQ(redraws, 10);

    s.stopwatchRunning = 1;
    Ticker w;
    redraws = 0;
    for (int ms = 0; ms < 1000; ms += 100)
        redraws += w.tick(at(10, 0, 1, ms), s, false, kStopwatch).redraw;
    EXPECT_EQ(redraws, 10) << "a running stopwatch on screen redraws at every tick";
    redraws = 0;
    Ticker x;
    for (int ms = 0; ms < 1000; ms += 100)
        redraws += x.tick(at(10, 0, 1, ms), s, false, kTimers).redraw;
    EXPECT_EQ(redraws, 1) << "only while the Stopwatch view is current";
    redraws = 0;
    Ticker y;
    for (int ms = 0; ms < 1000; ms += 100)
        redraws += y.tick(at(10, 0, 1, ms), s, true, kStopwatch).redraw;
    EXPECT_EQ(redraws, 1) << "not in screen-saver mode";
    // The same second on another day is a new second.
    EXPECT_TRUE(decideTick(
                    at(10, 0, 1),
                    [] {
                        auto n = at(10, 0, 1);
                        n.day = 15;
                        return n;
                    }(),
                    false, 0, false)
                    .redraw);
}

TEST(ShellChime, SoundsAtTheChosenMinutesOnceEach) {
    SettingsRecord s = defaults();
    s.chimeOn = 1;
    s.chimeInterval = 2; // 15 minute
    // An hour and a bit of 100 ms ticks starting at 08:59:58.
    std::vector<std::pair<int, int>> chimes;
    bool stopwatchShown = false;
    for (int pass = 0; pass < 2; ++pass) {
        chimes.clear();
        Ticker t;
        s.stopwatchRunning = stopwatchShown ? 1 : 0;
        for (int sec = 0; sec < 3700; ++sec) {
            const int total = 8 * 3600 + 59 * 60 + 58 + sec;
            for (int ms = 0; ms < 1000; ms += 100) {
                const auto now = at(total / 3600 % 24, total / 60 % 60, total % 60, ms);
                if (t.tick(now, s, false, stopwatchShown ? kStopwatch : kGeneral).chime)
                    chimes.emplace_back(now.hour, now.minute);
            }
        }
        const std::vector<std::pair<int, int>> expected = {
            {9, 0}, {9, 15}, {9, 30}, {9, 45}, {10, 0}};
        EXPECT_EQ(chimes, expected) << "stopwatch shown: " << stopwatchShown;
        stopwatchShown = true;
    }

    s.chimeInterval = 5; // 1 hour
    EXPECT_TRUE(chimeDue(s, at(7, 0, 0)));
    EXPECT_FALSE(chimeDue(s, at(7, 30, 0)));
    EXPECT_FALSE(chimeDue(s, at(7, 0, 1)));
    s.chimeInterval = 0;
    EXPECT_TRUE(chimeDue(s, at(7, 35, 0)));
    s.chimeInterval = 3; // 20 minute
    EXPECT_TRUE(chimeDue(s, at(7, 40, 0)));
    EXPECT_FALSE(chimeDue(s, at(7, 30, 0)));
    s.chimeInterval = 6; // not in the list
    EXPECT_FALSE(chimeDue(s, at(7, 0, 0)));
    s.chimeInterval = 5;
    s.chimeOn = 0;
    EXPECT_FALSE(chimeDue(s, at(7, 0, 0)));
}

TEST(ShellExit, GathersViewStatesIntoTheRecord) {
    SettingsRecord s = defaults();
    ExitViewState e = exitStateFromSettings(s);
    e.selectedView = kAlarms;
    e.sub.alarmsPage = 3;
    e.sub.timersSelected = 2;
    e.worldTimeCityB = {3, 40};
    e.home = {3, 55};
    e.eventsSortBy = 2;
    e.eventsUnit = 4;
    e.timeCalcCities[11] = {1, 7};
    storeExitState(s, e);
    EXPECT_EQ(s.lastView, 3u);
    EXPECT_EQ(s.lastViewSub, 3);
    EXPECT_EQ(s.worldTimeCityB, (CityPair{3, 40}));
    EXPECT_EQ(s.homeContinent, 3u);
    EXPECT_EQ(s.homeCity, 55u);
    EXPECT_EQ(s.eventsSortBy, 2);
    EXPECT_EQ(s.eventsUnit, 4);
    EXPECT_EQ(s.timeCalcCities[11], (CityPair{1, 7}));
    EXPECT_EQ(s.timeCalcCities[12], (CityPair{0, 0})) << "entries 12..14 are not touched";

    e.selectedView = kGeneral;
    storeExitState(s, e);
    EXPECT_EQ(s.lastViewSub, 0) << "views without a sub-state save 0";
    e.selectedView = kTimers;
    storeExitState(s, e);
    EXPECT_EQ(s.lastViewSub, 2);
    // Round trip through start-up.
    s.startupView = 0;
    EXPECT_EQ(chooseStartup(s, {}).sub.timersSelected, 2);
}

// ---- Status bar -----------------------------------------------------------------------------

namespace {
struct ScriptedSources : StatusSources {
    std::array<AlarmSlot, 20> a{};
    std::array<TimerSlot, 4> t{};
    bool running = false;
    std::array<AlarmSlot, 20> alarms() override { return a; }
    std::array<TimerSlot, 4> timers() override { return t; }
    std::u16string timerRemainingText(int i) override {
        return u"timer" + std::u16string(1, u'0' + i);
    }
    std::u16string stopwatchText() override { return u"00:01 02"; }
    bool stopwatchRunning() override { return running; }
    std::u16string sunriseText() override { return u"6:12 AM"; }
    std::u16string sunsetText() override { return u"5:58 PM"; }
    std::u16string beatText() override { return u"417"; }
};
dev::FileTime localFt(int h, int m) {
    dev::FileTime f = 0;
    dev::systemTimeToFileTime(at(h, m, 0), f);
    return f;
}
} // namespace

TEST(ShellStatusBar, KindsIconsTargetsAndTaps) {
    EXPECT_EQ(statusIcon(StatusKind::None), -1);
    EXPECT_EQ(statusIcon(StatusKind::Alarm), 0);
    EXPECT_EQ(statusIcon(StatusKind::Time), 7);
    EXPECT_EQ(statusTargetView(StatusKind::None), -1);
    EXPECT_EQ(statusTargetView(StatusKind::Date), kGeneral);
    EXPECT_EQ(statusTargetView(StatusKind::Sunset), kSunRiseSet);
    EXPECT_EQ(statusTargetView(StatusKind::Sunrise), kSunRiseSet);
    EXPECT_EQ(statusTargetView(StatusKind::InternetTime), kInternetTime);
    EXPECT_EQ(statusTargetView(StatusKind::Stopwatch), kStopwatch);
    EXPECT_EQ(statusKindFrom(9), StatusKind::None);
    EXPECT_EQ(statusKindFrom(0xFFFFFFFF), StatusKind::None);

    EXPECT_EQ(statusPartAt({0, 496}), 0);
    EXPECT_EQ(statusPartAt({155, 533}), 0);
    EXPECT_EQ(statusPartAt({156, 500}), -1) << "separators are not tappable";
    EXPECT_EQ(statusPartAt({158, 500}), 1);
    EXPECT_EQ(statusPartAt({321, 500}), -1);
    EXPECT_EQ(statusPartAt({479, 500}), 2);
    EXPECT_EQ(statusPartAt({10, 495}), -1) << "the top six rows of the bar are not tappable";
    EXPECT_EQ(statusPartAt({10, 534}), -1);

    EXPECT_EQ(statusIconOrigin(160, 40), (Point{195, 5}));
    EXPECT_EQ(statusTextOrigin(160, 40), (Point{241, 8}));
    EXPECT_EQ(statusTextOrigin(0, 118), (Point{42, 8}));
}

TEST(ShellStatusBar, TextsPerKind) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    ScriptedSources src;
    const auto now = at(14, 5, 9);
    EXPECT_EQ(statusText(StatusKind::None, src, now), u"");
    EXPECT_EQ(statusText(StatusKind::Alarm, src, now), u"--:--");
    EXPECT_EQ(statusText(StatusKind::Timer, src, now), u"--:--");
    EXPECT_EQ(statusText(StatusKind::Stopwatch, src, now), u"--:-- --");
    src.running = true;
    EXPECT_EQ(statusText(StatusKind::Stopwatch, src, now), u"00:01 02");
    EXPECT_EQ(statusText(StatusKind::InternetTime, src, now), u"@417");
    EXPECT_EQ(statusText(StatusKind::Sunset, src, now), u"5:58 PM");
    EXPECT_EQ(statusText(StatusKind::Date, src, now), u"3/14/2026");
    EXPECT_EQ(statusText(StatusKind::Time, src, now), u"2:05 PM");

    // Two enabled alarms at the same time: that time, from the lower index.
    src.a[7] = {true, localFt(6, 30)};
    src.a[3] = {true, localFt(6, 30)};
    src.a[1] = {false, localFt(5, 0)};
    EXPECT_EQ(earliestAlarm(src.a), 3);
    EXPECT_EQ(statusText(StatusKind::Alarm, src, now), u"6:30 AM");
    src.a[12] = {true, localFt(6, 29)};
    EXPECT_EQ(earliestAlarm(src.a), 12);

    src.t[2] = {5, localFt(15, 0)};
    src.t[1] = {9, localFt(15, 0)};
    src.t[0] = {0, localFt(14, 10)}; // stopped
    EXPECT_EQ(firstTimerToEnd(src.t), 1);
    EXPECT_EQ(statusText(StatusKind::Timer, src, now), u"timer1");
}

TEST(ShellStatusBar, ProgramSourcesFollowTheItemCoresAndTheClock) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    resetAppState();
    fake.clockImpl.setZone(dev::zoneUtc());
    CityDatabase none;
    ShellStatusSources src(none);

    // Internet time counts from midnight in Biel, 23:00 UTC.
    fake.clockImpl.setLocal(at(23, 0, 0));
    EXPECT_EQ(src.beatText(), u"000");
    EXPECT_EQ(statusText(StatusKind::InternetTime, src, at(23, 0, 0)), u"@000");
    fake.clockImpl.setLocal(at(11, 0, 0));
    EXPECT_EQ(src.beatText(), u"500");
    fake.clockImpl.setLocal(at(22, 59, 59));
    EXPECT_EQ(src.beatText(), u"999");

    // The stopwatch as the settings record keeps it: stopped, then running for 1:02:05.
    EXPECT_FALSE(src.stopwatchRunning());
    EXPECT_EQ(statusText(StatusKind::Stopwatch, src, at(22, 59, 59)), u"--:-- --");
    app().settings.stopwatchRunning = 1;
    app().settings.stopwatchTime = dev::getSystemTimeAsFileTime() - 3725 * dev::kTicksPerSecond;
    EXPECT_TRUE(src.stopwatchRunning());
    EXPECT_EQ(statusText(StatusKind::Stopwatch, src, at(22, 59, 59)), u"01:02 05");

    // No home city: no sun times.
    EXPECT_EQ(src.sunriseText(), std::u16string(astro::kNoSunrise));
    EXPECT_EQ(src.sunsetText(), std::u16string(astro::kNoSunset));
    resetAppState();
}

// The status bar's sun texts are worked out again when the device zone or the home city's place
// changes within a day, not only at midnight.
TEST(ShellStatusSources, SunTextsFollowTheZoneAndTheHomeCity) {
    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    fake.clockImpl.setZone(dev::TimeZoneInformation{});
    fake.clockImpl.setUtc(test::utcAt(2026, 6, 21, 12));
    CityDatabase db;
    db.loadImages(test::shippedImages());
    ASSERT_TRUE(db.setHome(kEurope, 40)); // London
    shell::ShellStatusSources sources(db);
    auto fresh = [&db] { return shell::ShellStatusSources(db).sunriseText(); };
    const std::u16string utcRise = sources.sunriseText();
    EXPECT_EQ(utcRise, fresh());

    dev::TimeZoneInformation plusTwo{};
    plusTwo.Bias = -120;
    fake.clockImpl.setZone(plusTwo);
    EXPECT_NE(fresh(), utcRise);
    EXPECT_EQ(sources.sunriseText(), fresh());

    const std::u16string zoneRise = sources.sunriseText();
    CityRecord moved = *db.homeRecord();
    moved.lonDegrees = 15; // 15 degrees further west: an hour later
    ASSERT_TRUE(db.replaceCity(kEurope, 40, moved));
    EXPECT_NE(fresh(), zoneRise);
    EXPECT_EQ(sources.sunriseText(), fresh());
    EXPECT_EQ(sources.sunsetText(), shell::ShellStatusSources(db).sunsetText());
}

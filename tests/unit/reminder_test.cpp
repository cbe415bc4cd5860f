// The reminder's start-up, item paths and one-second tick against the fake device.
#include "reminder/reminder.h"

#include "device/fake.h"
#include "device/files.h"
#include "device/journal.h"
#include "device/registry.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/timers.h"
#include "items_testing.h"
#include "settings/settings.h"
#include "settings/soundpath.h"

#include <gtest/gtest.h>

#include <cstring>

namespace hv::reminder {
namespace {

using items::testing::at;
using items::testing::ft;

constexpr char16_t kFolder[] = u"\\Program Files\\Horavel\\";
constexpr uint32_t kUserVolume = 0x40004000;

class ReminderTest : public ::testing::Test {
protected:
    ReminderTest() {
        resetAppState();
        fake.clockImpl.setZone(dev::zoneUtc());
        fake.setModulePath(std::u16string(kFolder) + u"Horavel.exe");
        writeInstallFolderValue();
        fake.setModulePath(kReminderPath);
        fake.soundImpl.setVolume(kUserVolume);
        writeSettings(2);
        std::array<items::AlarmRecord, items::kAlarmCount> none{};
        items::fillAlarmDefaults(none, 0);
        alarmsFile = none;
        saveAlarms();
        setNow(2026, 12, 7, 7, 0); // a Monday
    }
    static std::u16string data(std::u16string_view name) {
        return std::u16string(kFolder) + u"data\\" + std::u16string(name);
    }
    void setNow(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
        fake.clockImpl.setLocal(at(y, mo, d, h, mi, s));
    }
    void writeSettings(uint8_t alarmVolume) {
        SettingsRecord r{};
        fillSettingsDefaults(r);
        r.alarmVolume = alarmVolume;
        ASSERT_TRUE(dev::saveWholeFile(data(u"settings.dat"), &r, sizeof r));
    }
    void saveAlarms() {
        ASSERT_TRUE(dev::saveWholeFile(data(items::kAlarmsFileName), alarmsFile.data(),
                                       items::kAlarmsFileSize));
    }
    items::AlarmRecord loadAlarm(int index) {
        items::AlarmRecord r{};
        const auto bytes =
            dev::readWholeFile(data(items::kAlarmsFileName)).value_or(std::vector<uint8_t>{});
        EXPECT_EQ(bytes.size(), items::kAlarmsFileSize);
        if (bytes.size() == items::kAlarmsFileSize)
            std::memcpy(&r, bytes.data() + index * sizeof r, sizeof r);
        return r;
    }
    // Alarm n (1-based) at hh:mm on the given days, armed, with an old registration.
    items::AlarmRecord& armAlarm(int n, int h, int mi, uint8_t days) {
        items::AlarmRecord& r = alarmsFile[static_cast<size_t>(n - 1)];
        r.enabled = 1;
        r.daysMask = days;
        r.alarmTime = ft(2026, 12, 7, h, mi);
        r.soundIndex = 3;
        items::setText(r.note, u"Wake up");
        r.notificationHandle =
            fake.notificationsImpl.setTimed(0, kReminderPath, items::alarmArgument(n - 1),
                                            at(2026, 12, 7, h, mi), at(2026, 12, 7, h, mi + 5));
        writeSoundPathFile(
            data(u"alarmsnd" + std::u16string(1, char16_t(u'0' + (n - 1) % 10)) + u".dat"),
            u"\\Windows\\Alarm3.wav");
        return r;
    }
    // Ticks the instance `seconds` times, one device second apart, and returns the seconds after
    // `start` of every play recorded.
    std::vector<int64_t> run(Reminder& r, int seconds, dev::FileTime startUtc) {
        for (int i = 0; i < seconds; ++i) {
            fake.clockImpl.advanceMs(1000);
            r.tick();
        }
        std::vector<int64_t> out;
        for (const auto& p : fake.soundImpl.plays)
            out.push_back(dev::fileTimeDiffSeconds(p.at, startUtc));
        return out;
    }
    std::vector<dev::TimedRegistration> registrations() { return fake.notificationsImpl.list(); }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    std::array<items::AlarmRecord, items::kAlarmCount> alarmsFile{};
    int bubbles = 0, removals = 0, closes = 0;
    void attach(Reminder& r) {
        r.window.showBubble = [this] { ++bubbles; };
        r.window.removeBubble = [this] { ++removals; };
        r.window.close = [this] { ++closes; };
    }
};

TEST(ReminderArgument, KindsNumbersAndInertInput) {
    struct Case {
        std::u16string text;
        Action action;
        Kind kind;
        uint32_t number;
    } cases[] = {
        {u"AppRunAfterTimeChange", Action::TimeChange, Kind::Inert, 0},
        {u"AppRunAfterTimeChangeX", Action::Inert, Kind::Inert, 0},
        {u"sn", Action::SnoozeWake, Kind::Inert, 0},
        {u"snooze", Action::SnoozeWake, Kind::Inert, 0},
        {u"s", Action::Inert, Kind::Inert, 0},
        {u"a07", Action::Item, Kind::Alarm, 7},
        {u"a20", Action::Item, Kind::Alarm, 20},
        {u"a00", Action::Inert, Kind::Inert, 0},
        {u"a21", Action::Inert, Kind::Inert, 0},
        {u"a", Action::Inert, Kind::Inert, 0},
        {u"a99999999999999999999", Action::Inert, Kind::Inert, 0},
        {u"e4294967295", Action::Item, Kind::Event, 4294967295u},
        {u"e99999999999", Action::Item, Kind::Event, 4294967295u},
        {u"e12x", Action::Item, Kind::Event, 12},
        {u"e", Action::Inert, Kind::Inert, 0},
        {u"t00", Action::Item, Kind::Timer, 0},
        {u"t03", Action::Item, Kind::Timer, 3},
        {u"t04", Action::Inert, Kind::Inert, 0},
        {u"t", Action::Inert, Kind::Inert, 0}, // no number names no timer
        {u"tx", Action::Inert, Kind::Inert, 0},
        {u"t-1", Action::Inert, Kind::Inert, 0},
        {u"a-1", Action::Inert, Kind::Inert, 0},
        {u"j12", Action::Inert, Kind::Inert, 0},
        {u"", Action::Inert, Kind::Inert, 0},
        {u"\u00e901", Action::Inert, Kind::Inert, 0},
    };
    for (const auto& c : cases) {
        const Argument a = parseArgument(c.text);
        EXPECT_EQ(a.action, c.action);
        EXPECT_EQ(a.kind, c.kind);
        EXPECT_EQ(a.number, c.number);
    }
    EXPECT_EQ(alarmVolumeFor(0), 0x88888888u);
    EXPECT_EQ(alarmVolumeFor(1), 0xAAAAAAAAu);
    EXPECT_EQ(alarmVolumeFor(2), 0xFFFFFFFFu);
    EXPECT_EQ(alarmVolumeFor(200), 0xFFFFFFFFu);
}

TEST(ReminderHtml, BuiltAsTabledWithTheNoteEscaped) {
    EXPECT_EQ(
        bubbleHtml(u"Alarm 7 ", u"7:00 AM", u"Dec 07, 2026", u"Wake <up> & go"),
        u"<html><body>Horavel <b>Alarm 7  </b><a href=\"cmd:202\" align=\"right\">go to...</a>"
        u"<br><br><b>Time:</b> 7:00 AM<br><b>Date:</b> Dec 07, 2026<br><br><b>Note:</b> "
        u"Wake &lt;up&gt; &amp; go<br><br></body></html>");
}

TEST_F(ReminderTest, DisabledAlarmIsCancelledAndShowsNothing) {
    items::AlarmRecord& r = armAlarm(7, 7, 0, 0x7F);
    r.enabled = 0;
    const uint32_t old = r.notificationHandle;
    saveAlarms();
    Reminder rem;
    attach(rem);
    EXPECT_FALSE(rem.start(u"a07"));
    EXPECT_TRUE(registrations().empty());
    ASSERT_FALSE(fake.notificationsImpl.cleared.empty());
    EXPECT_EQ(fake.notificationsImpl.cleared.back(), old);
    EXPECT_EQ(loadAlarm(6).notificationHandle, 0u);
    EXPECT_TRUE(fake.soundImpl.plays.empty());
    EXPECT_EQ(bubbles, 0);
    // The volume raised at the start is back and the ownership released.
    EXPECT_EQ(fake.soundImpl.volume(), kUserVolume);
    EXPECT_FALSE(fake.eventsImpl.isSetByName(kSoundAllReadySetEvent));
    EXPECT_TRUE(rem.closed());
}

// A damaged install-folder value leaves the reminder without its items: it says so in the
// device's fault journal instead of quitting in silence.
TEST_F(ReminderTest, DamagedInstallFolderValueIsReported) {
    armAlarm(7, 7, 0, 0x7F);
    saveAlarms();
    const uint8_t junk[10] = {'j', 0, 'u', 0, 'n', 0, 'k', 0, 0, 0};
    ASSERT_TRUE(dev::regSetValue(dev::RegHive::LocalMachine, kInstallKey, kInstallValue,
                                 dev::RegType::MultiSz, junk, sizeof junk));
    Reminder rem;
    attach(rem);
    EXPECT_FALSE(rem.start(u"a07"));
    const auto faults = dev::readFaults(fake.root());
    ASSERT_EQ(faults.count, 1u);
    EXPECT_NE(faults.last[0].find("install-folder registry value is damaged"), std::string::npos)
        << faults.last[0];
}

TEST_F(ReminderTest, LateStartReRegistersWithoutAlert) {
    armAlarm(7, 7, 0, 0x02 | 0x10); // Monday and Thursday
    saveAlarms();
    setNow(2026, 12, 7, 7, 10);
    Reminder rem;
    attach(rem);
    EXPECT_FALSE(rem.start(u"a07"));
    const auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].arguments, u"a07");
    EXPECT_EQ(regs[0].start, at(2026, 12, 10, 7, 0));
    const items::AlarmRecord stored = loadAlarm(6);
    EXPECT_EQ(stored.notificationHandle, regs[0].handle);
    EXPECT_EQ(dev::FileTime{stored.alarmTime}, ft(2026, 12, 10, 7, 0));
    EXPECT_TRUE(fake.soundImpl.plays.empty());

    // Five minutes and a few seconds late still rings; exactly six minutes does not.
    for (int late : {5, 6}) {
        armAlarm(7, 7, 0, 0x02);
        saveAlarms();
        setNow(2026, 12, 7, 7, late, late == 5 ? 58 : 0); // plus the one-second start pause
        Reminder again;
        EXPECT_EQ(again.start(u"a07"), late == 5) << late;
    }
}

TEST_F(ReminderTest, WeeklyReRegistrationAndOnTimeAlert) {
    armAlarm(7, 7, 0, 0x02 | 0x10);
    saveAlarms();
    setNow(2026, 12, 7, 7, 0, 3);
    Reminder rem;
    attach(rem);
    ASSERT_TRUE(rem.start(u"a07"));
    auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].application, kReminderPath);
    EXPECT_EQ(regs[0].start, at(2026, 12, 10, 7, 0)); // Thursday, 3 days on
    EXPECT_EQ(regs[0].end, dev::SystemTime{});
    EXPECT_NE(rem.html().find(u"<b>Time:</b> 7:00 AM<br>"), std::u16string::npos); // as fired
    EXPECT_TRUE(fake.eventsImpl.isSetByName(kSoundAllReadySetEvent)); // it owns the volume
    EXPECT_EQ(fake.soundImpl.volume(), 0xFFFFFFFFu);
    rem.beginAlert();
    ASSERT_EQ(fake.soundImpl.plays.size(), 1u);
    EXPECT_EQ(fake.soundImpl.plays[0].path, u"\\Windows\\Alarm3.wav");
    EXPECT_NE(rem.html().find(u"Alarm 7  </b>"), std::u16string::npos);
    EXPECT_NE(rem.html().find(u"Dec 07, 2026"), std::u16string::npos);
    EXPECT_NE(rem.html().find(u"<b>Note:</b> <br>"), std::u16string::npos); // note not shown

    // Thursday only, firing on Thursday: next Thursday.
    for (auto& a : alarmsFile)
        a = items::AlarmRecord{};
    items::AlarmRecord& t = armAlarm(2, 18, 30, 0x10);
    t.alarmTime = ft(2026, 12, 10, 18, 30);
    t.showDescription = 1;
    saveAlarms();
    setNow(2026, 12, 10, 18, 30, 1);
    Reminder thu;
    ASSERT_TRUE(thu.start(u"a02"));
    regs = registrations();
    ASSERT_EQ(regs.size(), 2u);
    EXPECT_EQ(regs[1].start, at(2026, 12, 17, 18, 30));
    EXPECT_EQ(loadAlarm(1).notificationHandle, regs[1].handle);
    EXPECT_NE(thu.html().find(u"<b>Note:</b> Wake up<br>"), std::u16string::npos);
}

TEST_F(ReminderTest, RepeatsPlayAtTheirSeconds) {
    struct Case {
        uint8_t repeatIndex, pauseIndex;
        std::vector<int64_t> plays;
    } cases[] = {
        {0, 0, {0}},             // once
        {4, 0, {0, 1, 2, 3, 4}}, // 5 times, 1 second
        {2, 1, {0, 2, 4}},       // 3 times, 2 seconds
    };
    for (const auto& c : cases) {
        fake.soundImpl.plays.clear();
        items::AlarmRecord& r = armAlarm(1, 7, 0, 0x7F);
        r.repeatIndex = c.repeatIndex;
        r.pauseIndex = c.pauseIndex;
        saveAlarms();
        setNow(2026, 12, 7, 7, 0);
        Reminder rem;
        ASSERT_TRUE(rem.start(u"a01"));
        const dev::FileTime begin = fake.clockImpl.utcNow();
        rem.beginAlert();
        EXPECT_EQ(run(rem, 20, begin), c.plays);
        // Nothing more to come: the idle timer is left to run out.
        const int resets = fake.shellImpl.idleResets;
        run(rem, 5, begin);
        EXPECT_EQ(fake.shellImpl.idleResets, resets);
        rem.dismiss();
    }
}

TEST_F(ReminderTest, RepeatingAlarmReAlertsAfterEachCycle) {
    items::AlarmRecord& r = armAlarm(1, 7, 0, 0x7F);
    r.repeatIndex = 2; // 3 plays
    r.repeating = 1;
    r.snoozeCountIndex = 1;    // twice
    r.snoozeIntervalIndex = 0; // 1 minute
    saveAlarms();
    Reminder rem;
    attach(rem);
    ASSERT_TRUE(rem.start(u"a01"));
    const dev::FileTime begin = fake.clockImpl.utcNow();
    rem.beginAlert();
    const auto plays = run(rem, 300, begin);
    // The cycle ends at its last play (second 2); the next begins 60 s after the tick that found
    // it over (second 3).
    EXPECT_EQ(plays, (std::vector<int64_t>{0, 1, 2, 63, 64, 65, 126, 127, 128}));
    EXPECT_EQ(bubbles, 3);
    // The idle timer was kept from running out while more was to come, and only then.
    EXPECT_GE(fake.shellImpl.idleResets, 128);
    EXPECT_LT(fake.shellImpl.idleResets, 140);
}

TEST_F(ReminderTest, SnoozeWakeUpAndSnoozeAgain) {
    items::AlarmRecord& r = armAlarm(1, 7, 0, 0x7F);
    r.repeating = 1;
    r.snoozeCountIndex = 6;
    saveAlarms();
    Reminder rem;
    attach(rem);
    ASSERT_TRUE(rem.start(u"a01"));
    const dev::FileTime begin = fake.clockImpl.utcNow();
    rem.beginAlert();
    run(rem, 10, begin);
    rem.command(kCmdSnooze);
    EXPECT_EQ(removals, 1);
    auto snoozes = [&] {
        std::vector<dev::TimedRegistration> out;
        for (const auto& reg : registrations())
            if (reg.arguments == u"sn")
                out.push_back(reg);
        return out;
    };
    ASSERT_EQ(snoozes().size(), 1u);
    const auto first = snoozes()[0];
    EXPECT_EQ(first.start, at(2026, 12, 7, 7, 5, 11));
    EXPECT_EQ(first.application, kReminderPath);
    rem.snooze(); // a second press changes nothing
    EXPECT_EQ(snoozes().size(), 1u);

    // Nothing happens until the platform starts the second instance with "sn".
    const size_t playsBefore = fake.soundImpl.plays.size();
    run(rem, 290, begin);
    EXPECT_EQ(fake.soundImpl.plays.size(), playsBefore);
    {
        Reminder second;
        EXPECT_FALSE(second.start(u"sn"));
    }
    EXPECT_TRUE(fake.eventsImpl.isSetByName(kSnoozeActiveEvent));
    const int bubblesBefore = bubbles;
    run(rem, 1, begin);
    EXPECT_FALSE(fake.eventsImpl.isSetByName(kSnoozeActiveEvent));
    EXPECT_EQ(bubbles, bubblesBefore + 1);
    EXPECT_EQ(fake.soundImpl.plays.size(), playsBefore + 1);
    EXPECT_TRUE(snoozes().empty());

    run(rem, 7, begin);
    const dev::SystemTime pressed = dev::getLocalTime();
    rem.snooze();
    ASSERT_EQ(snoozes().size(), 1u);
    EXPECT_NE(snoozes()[0].handle, first.handle);
    EXPECT_EQ(dev::toFileTime(snoozes()[0].start),
              dev::toFileTime(pressed).value() + 5 * dev::kTicksPerMinute);

    // The wake-up gives the automatic re-alerts back in full: ten more, a minute apart.
    {
        Reminder third;
        EXPECT_FALSE(third.start(u"sn"));
    }
    const int bubblesAtWake = bubbles;
    run(rem, 1, begin);
    EXPECT_EQ(bubbles, bubblesAtWake + 1);
    run(rem, 1200, begin);
    EXPECT_EQ(bubbles, bubblesAtWake + 1 + 10);
}

TEST_F(ReminderTest, SecondAlarmAtTheSameMinuteLeavesTheVolumeToTheFirst) {
    armAlarm(1, 7, 0, 0x7F);
    armAlarm(2, 7, 0, 0x7F);
    saveAlarms();
    writeSettings(0);
    Reminder first, second;
    ASSERT_TRUE(first.start(u"a01"));
    EXPECT_EQ(fake.soundImpl.volume(), 0x88888888u);
    // The wave volume belongs to each process: the second instance starts with its own, which
    // the first has not raised.
    fake.soundImpl.setVolume(kUserVolume);
    ASSERT_TRUE(second.start(u"a02"));
    EXPECT_TRUE(fake.eventsImpl.isSetByName(kSoundAllReadySetEvent));
    second.beginAlert();
    ASSERT_EQ(fake.soundImpl.plays.size(), 1u);
    EXPECT_EQ(fake.soundImpl.plays[0].volume, 0x88888888u); // every play at the alarm volume
    fake.soundImpl.setVolume(0x88888888u);                  // back in the first process
    first.dismiss();
    EXPECT_EQ(fake.soundImpl.volume(), kUserVolume);
    EXPECT_FALSE(fake.eventsImpl.isSetByName(kSoundAllReadySetEvent));
    // The second saved no volume, so it gives none back.
    fake.soundImpl.setVolume(0x12341234u);
    second.dismiss();
    EXPECT_EQ(fake.soundImpl.volume(), 0x12341234u);
}

// Monday's registration of a daily 07:00 alarm fires late, on Tuesday at 06:30 (the device was
// suspended): no bubble for Monday, and Tuesday 07:00 still rings.
TEST_F(ReminderTest, LateFiredAlarmStillRingsLaterToday) {
    armAlarm(3, 7, 0, 0x7F); // alarmTime Monday 07:00
    saveAlarms();
    setNow(2026, 12, 8, 6, 29, 59);
    Reminder rem;
    EXPECT_FALSE(rem.start(u"a03"));
    const auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].start, at(2026, 12, 8, 7, 0));
    EXPECT_EQ(dev::FileTime{loadAlarm(2).alarmTime}, ft(2026, 12, 8, 7, 0));
}

// A daily 02:30 alarm on the night the clocks go forward (02:00 -> 03:00): the service starts it
// at the first moment after the gap, 03:00 by the clock, and it rings then.
TEST_F(ReminderTest, AlarmInTheSpringForwardGapRingsAfterTheGap) {
    fake.clockImpl.setZone(dev::zoneCentralEurope());
    items::AlarmRecord& r = armAlarm(1, 2, 30, 0x7F);
    r.alarmTime = ft(2026, 3, 29, 2, 30);
    saveAlarms();
    setNow(2026, 3, 29, 3, 0, 1);
    Reminder rem;
    EXPECT_TRUE(rem.start(u"a01"));
    const auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].start, at(2026, 3, 30, 2, 30));
}

// Snooze at 02:58 summer time on the night the clocks go back: five minutes of real time later
// the alert returns, not when the wall clock next reads 03:03 (65 minutes on).
TEST_F(ReminderTest, SnoozeCountsRealTimeAcrossTheClocksGoingBack) {
    fake.clockImpl.setZone(dev::zoneCentralEurope());
    items::AlarmRecord& r = armAlarm(1, 2, 58, 0x7F);
    r.alarmTime = ft(2026, 10, 25, 2, 58);
    saveAlarms();
    fake.clockImpl.setUtc(at(2026, 10, 25, 0, 57, 59)); // 02:57:59 summer time
    Reminder rem;
    attach(rem);
    ASSERT_TRUE(rem.start(u"a01"));
    const dev::FileTime begin = fake.clockImpl.utcNow();
    rem.beginAlert();
    rem.snooze();
    run(rem, 299, begin);
    EXPECT_EQ(bubbles, 1);
    run(rem, 1, begin);
    EXPECT_EQ(bubbles, 2);
    for (const auto& reg : registrations())
        EXPECT_NE(reg.arguments, u"sn"); // its registration is cleared
}

TEST_F(ReminderTest, UnknownEventEndsQuietly) {
    std::vector<items::EventRecord> recs(1);
    recs[0].notificationHandle = 40;
    ASSERT_TRUE(dev::saveWholeFile(data(items::kEventsFileName), items::serializeEvents(recs, 0)));
    Reminder rem;
    attach(rem);
    EXPECT_FALSE(rem.start(u"e99"));
    EXPECT_EQ(bubbles, 0);
    EXPECT_TRUE(rem.closed());
}

TEST_F(ReminderTest, GoToStartsTheMainProgramAndCloses) {
    armAlarm(5, 7, 0, 0x7F);
    saveAlarms();
    Reminder rem;
    attach(rem);
    ASSERT_TRUE(rem.start(u"a05"));
    rem.beginAlert();
    rem.command(kCmdGoTo);
    ASSERT_EQ(fake.shellImpl.started.size(), 1u);
    EXPECT_EQ(fake.shellImpl.started[0].first, u"\\Program Files\\Horavel\\Horavel.exe");
    EXPECT_EQ(fake.shellImpl.started[0].second, u"a05");
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(removals, 1);
    EXPECT_TRUE(rem.closed());
}

TEST_F(ReminderTest, UnreadableInputsEndOrDegradeQuietly) {
    armAlarm(1, 7, 0, 0x7F);
    saveAlarms();
    // No settings file: eight attempts a second apart, the volume left alone.
    ASSERT_TRUE(dev::deleteFile(data(u"settings.dat")));
    {
        const int sleeps = fake.clockImpl.sleeps();
        Reminder rem;
        ASSERT_TRUE(rem.start(u"a01"));
        EXPECT_EQ(fake.clockImpl.sleeps() - sleeps, 1 + 7); // the start pause, then 7 between 8
        EXPECT_FALSE(fake.eventsImpl.isSetByName(kSoundAllReadySetEvent));
        EXPECT_EQ(fake.soundImpl.volume(), kUserVolume);
    }
    // No install folder: nothing can be read and the alarm ends without alert.
    ASSERT_TRUE(dev::regDeleteValue(dev::RegHive::LocalMachine, kInstallKey, kInstallValue));
    {
        Reminder rem;
        EXPECT_FALSE(rem.start(u"a01"));
    }
    // Inert arguments show nothing; "sn" does not even wait.
    for (const char16_t* arg : {u"j03", u"", u"a42", u"zz"}) {
        Reminder rem;
        EXPECT_FALSE(rem.start(arg));
    }
    EXPECT_TRUE(fake.soundImpl.plays.empty());
}

TEST_F(ReminderTest, EventIsFoundByItsHandle) {
    std::vector<items::EventRecord> recs(3);
    for (uint32_t i = 0; i < 3; ++i) {
        recs[i].notificationHandle = 40 + i;
        recs[i].eventId = i + 1;
        recs[i].eventTime = ft(2026, 12, 7, 15, 45);
        recs[i].soundIndex = 2;
        recs[i].repeatIndex = 1;
        recs[i].pauseIndex = 2;
        items::setText(recs[i].name, i == 1 ? u"Dentist" : u"Other");
    }
    ASSERT_TRUE(dev::saveWholeFile(data(items::kEventsFileName), items::serializeEvents(recs, 0)));
    writeSoundPathFile(data(u"es2.dat"), u"\\Windows\\Ding.wav");
    Reminder rem;
    attach(rem);
    ASSERT_TRUE(rem.start(u"e41"));
    EXPECT_EQ(rem.html(), bubbleHtml(u"Event ", u"3:45 PM", u"Dec 07, 2026", u"Dentist"));
    EXPECT_TRUE(registrations().empty());
    // Twice, three seconds apart, with the event's sound; no automatic re-alert follows.
    const dev::FileTime begin = fake.clockImpl.utcNow();
    rem.beginAlert();
    EXPECT_EQ(run(rem, 900, begin), (std::vector<int64_t>{0, 3}));
    EXPECT_EQ(fake.soundImpl.plays[0].path, u"\\Windows\\Ding.wav");
    EXPECT_EQ(bubbles, 1);
}

class ReminderTimerTest : public ReminderTest {
protected:
    void writeTimer(int index, dev::FileTime end) {
        std::array<items::TimerRecord, items::kTimerCount> t{};
        items::fillTimerDefaults(t, ft(2026, 12, 7));
        items::TimerRecord& r = t[static_cast<size_t>(index)];
        r.running = 1;
        r.countdownTime = end;
        r.initialHours = 0;
        r.initialMinutes = 10;
        r.initialSeconds = 30;
        r.soundIndex = 1;
        r.showNote = 1;
        items::setText(r.note, u"Tea");
        r.notificationHandle =
            fake.notificationsImpl.setTimed(0, kReminderPath, items::timerArgument(index),
                                            dev::toSystemTime(end), dev::SystemTime{});
        ASSERT_TRUE(
            dev::saveWholeFile(data(items::kTimersFileName), t.data(), items::kTimersFileSize));
    }
    items::TimerRecord loadTimer(int index) {
        items::TimerRecord r{};
        const auto bytes =
            dev::readWholeFile(data(items::kTimersFileName)).value_or(std::vector<uint8_t>{});
        if (bytes.size() == items::kTimersFileSize)
            std::memcpy(&r, bytes.data() + index * sizeof r, sizeof r);
        return r;
    }
};

TEST_F(ReminderTimerTest, ResetWhileWaitingEndsWithoutBubble) {
    writeTimer(2, ft(2026, 12, 7, 7, 0, 30));
    uint32_t waitedMs = 0;
    fake.eventsImpl.onWait = [&](const std::vector<dev::EventHandle>&, uint32_t ms) {
        waitedMs = ms;
        fake.eventsImpl.setByName(items::timerResetEventName(2), true);
    };
    Reminder rem;
    attach(rem);
    EXPECT_FALSE(rem.start(u"t02"));
    EXPECT_EQ(waitedMs, 29000u); // the remaining whole seconds after the one-second start pause
    EXPECT_FALSE(fake.eventsImpl.isSetByName(items::timerResetEventName(2)));
    EXPECT_FALSE(fake.eventsImpl.isSetByName(items::kTimersSettingsChange));
    EXPECT_EQ(loadTimer(2).running, 1); // the main program has written it already
    EXPECT_TRUE(fake.soundImpl.plays.empty());
    EXPECT_EQ(bubbles, 0);
}

TEST_F(ReminderTimerTest, DueTimerIsStoppedAtItsInitialValue) {
    writeTimer(1, ft(2026, 12, 7, 7, 0, 30));
    // The main program holds the change event open.
    fake.eventsImpl.create(items::kTimersSettingsChange, false, nullptr);
    Reminder rem;
    ASSERT_TRUE(rem.start(u"t01"));
    const items::TimerRecord r = loadTimer(1);
    EXPECT_EQ(r.running, 0);
    EXPECT_EQ(r.notificationHandle, 0u);
    EXPECT_EQ(dev::FileTime{r.countdownTime}, ft(2026, 12, 7, 0, 10, 30));
    EXPECT_TRUE(fake.eventsImpl.isSetByName(items::kTimersSettingsChange));
    EXPECT_TRUE(registrations().empty());
    EXPECT_EQ(rem.html(), bubbleHtml(u"Timer 2 ", u"7:00:30 AM", u"Dec 07, 2026", u"Tea"));
}

// A timers.dat with a nonsense due time (forty days ahead) is not waited for: the timer is put
// back stopped and nothing is shown.
TEST_F(ReminderTimerTest, DueTimeFarOutsideTheTimersRangeIsRefused) {
    fake.eventsImpl.create(items::kTimersSettingsChange, false, nullptr);
    const dev::FileTime before = fake.clockImpl.utcNow();
    writeTimer(0, ft(2027, 1, 16, 7, 0));
    Reminder rem;
    attach(rem);
    EXPECT_FALSE(rem.start(u"t00"));
    EXPECT_LT(fake.clockImpl.utcNow() - before, dev::kTicksPerMinute);
    EXPECT_EQ(loadTimer(0).running, 0);
    EXPECT_TRUE(fake.eventsImpl.isSetByName(items::kTimersSettingsChange));
    EXPECT_EQ(bubbles, 0);
}

// The reminder of a firing alarm and the time-change run each read, re-register and write with
// alarms.dat held throughout, so neither can slip a registration between the other's read and
// write (which left two "a05" registrations, one of them beyond the reach of the alarm's switch).
TEST(ReminderFileHold, FiringAndTimeChangeHoldTheFileAcrossTheirRegistrations) {
    items::testing::HoldCheckingDevice device;
    dev::ScopedDevice use(device);
    resetAppState();
    device.clockImpl.setZone(dev::zoneUtc());
    device.setModulePath(std::u16string(kFolder) + u"Horavel.exe");
    writeInstallFolderValue();
    device.setModulePath(kReminderPath);
    const std::u16string alarmsPath = std::u16string(kFolder) + u"data\\alarms.dat";
    device.holdChecking.heldPath = alarmsPath;
    std::array<items::AlarmRecord, items::kAlarmCount> table{};
    items::fillAlarmDefaults(table, 0);
    for (int i : {2, 4}) {
        table[static_cast<size_t>(i)].enabled = 1;
        table[static_cast<size_t>(i)].alarmTime = ft(2026, 12, 7, 7, 0);
    }
    ASSERT_TRUE(dev::saveWholeFile(alarmsPath, table.data(), items::kAlarmsFileSize));
    device.clockImpl.setLocal(at(2026, 12, 7, 7, 0));
    {
        Reminder firing;
        firing.start(u"a05");
    }
    {
        Reminder timeChange;
        timeChange.start(u"AppRunAfterTimeChange");
    }
    EXPECT_EQ(device.holdChecking.registered, 3);
    EXPECT_EQ(device.holdChecking.registeredUnheld, 0);
    std::vector<std::u16string> args;
    for (const auto& reg : device.holdChecking.list())
        args.push_back(reg.arguments);
    EXPECT_EQ(args, (std::vector<std::u16string>{u"a03", u"a05"}));
}

TEST_F(ReminderTest, TimeChangeReRegistersEveryArmedAlarm) {
    armAlarm(1, 6, 0, 0x7F);  // passed today: tomorrow
    armAlarm(3, 9, 15, 0x02); // Monday, later today
    items::AlarmRecord& off = armAlarm(4, 8, 0, 0x7F);
    off.enabled = 0;
    armAlarm(5, 8, 0, 0x00); // no weekday
    saveAlarms();
    for (auto h : {alarmsFile[0].notificationHandle, alarmsFile[2].notificationHandle})
        ASSERT_NE(h, 0u);
    const dev::FileTime before = fake.clockImpl.utcNow();
    Reminder rem;
    EXPECT_FALSE(rem.start(u"AppRunAfterTimeChange"));
    EXPECT_EQ(dev::fileTimeDiffSeconds(fake.clockImpl.utcNow(), before), 5);
    std::vector<std::u16string> args;
    for (const auto& reg : registrations())
        if (reg.application == kReminderPath && reg.end == dev::SystemTime{})
            args.push_back(reg.arguments);
    EXPECT_EQ(args, (std::vector<std::u16string>{u"a01", u"a03"}));
    EXPECT_EQ(dev::FileTime{loadAlarm(0).alarmTime}, ft(2026, 12, 8, 6, 0));
    EXPECT_EQ(dev::FileTime{loadAlarm(2).alarmTime}, ft(2026, 12, 7, 9, 15));
    EXPECT_EQ(loadAlarm(3).notificationHandle, alarmsFile[3].notificationHandle); // untouched
    EXPECT_EQ(fake.shellImpl.displayOnCalls, 0);
}

} // namespace
} // namespace hv::reminder

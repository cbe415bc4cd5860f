#include "device/paths.h"
#include "items/alarms.h"
#include "items_testing.h"
#include "settings/soundpath.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hv::items {
namespace {

using testing::at;
using testing::ft;

class AlarmsTest : public testing::ItemsTest {
protected:
    Alarms table;
    void setAlarm(int i, int hour, int minute, uint8_t mask) {
        table.records[static_cast<size_t>(i)].alarmTime = ft(2026, 1, 1, hour, minute);
        table.records[static_cast<size_t>(i)].daysMask = mask;
    }
};

TEST(AlarmRecordLayout, FieldsAtTheirOffsets) {
    AlarmRecord r;
    std::memset(&r, 0, sizeof r);
    r.notificationHandle = 0x11223344;
    setText(r.note, u"Wake up, this note is far too long to fit");
    r.soundIndex = 7;
    r.repeatIndex = 1;
    r.pauseIndex = 2;
    r.snoozeCountIndex = 3;
    r.snoozeIntervalIndex = 4;
    r.daysMask = 0x42;
    r.alarmTime = 0x0102030405060708ULL;
    r.enabled = 1;
    r.repeating = 1;
    r.showDescription = 1;
    uint8_t b[76];
    std::memcpy(b, &r, sizeof b);
    EXPECT_EQ(b[0], 0x44);
    EXPECT_EQ(b[3], 0x11);
    EXPECT_EQ(b[4], 'W');
    EXPECT_EQ(b[4 + 22 * 2], 'f'); // the 23rd character of the note
    EXPECT_EQ(b[4 + 23 * 2], 0);   // always terminated
    EXPECT_EQ(b[52], 7);
    EXPECT_EQ(b[56], 1);
    EXPECT_EQ(b[57], 2);
    EXPECT_EQ(b[58], 3);
    EXPECT_EQ(b[59], 4);
    EXPECT_EQ(b[60], 0x42);
    EXPECT_EQ(b[64], 0x08);
    EXPECT_EQ(b[71], 0x01);
    EXPECT_EQ(b[72], 1);
    EXPECT_EQ(b[73], 1);
    EXPECT_EQ(b[74], 1);
    EXPECT_EQ(textOf(r.note).size(), 23u);
}

TEST_F(AlarmsTest, NextOccurrenceRules) {
    // No weekday: never.
    setAlarm(0, 7, 0, 0x80);
    EXPECT_FALSE(table.nextOccurrence(0));
    // Monday only, now Wednesday 10:00: next Monday, five days ahead.
    setAlarm(1, 7, 0, 0x02);
    EXPECT_EQ(table.nextOccurrence(1), at(2026, 12, 14, 7, 0));
    // Every day at 07:00: equal is not passed; one millisecond later it is tomorrow.
    setAlarm(2, 7, 0, 0x7F);
    setNow(2026, 12, 9, 7, 0, 0, 0);
    EXPECT_EQ(table.nextOccurrence(2), at(2026, 12, 9, 7, 0));
    setNow(2026, 12, 9, 7, 0, 0, 1);
    EXPECT_EQ(table.nextOccurrence(2), at(2026, 12, 10, 7, 0));
    // Only today's weekday (Wednesday) and its time has passed: a week ahead.
    setAlarm(3, 7, 0, 0x08);
    EXPECT_EQ(table.nextOccurrence(3), at(2026, 12, 16, 7, 0));
    // Saturday evening, Sunday selected: tomorrow, across the week's wrap.
    setAlarm(4, 7, 30, 0x01);
    setNow(2026, 12, 12, 21, 0);
    EXPECT_EQ(table.nextOccurrence(4), at(2026, 12, 13, 7, 30));
    // Seconds of the stored time do not count.
    table.records[5].alarmTime = ft(2026, 1, 1, 22, 15, 42);
    table.records[5].daysMask = 0x7F;
    EXPECT_EQ(table.nextOccurrence(5), at(2026, 12, 12, 22, 15, 0));
}

TEST_F(AlarmsTest, ArmingRegistersTheReminderAndReArmingReplacesIt) {
    setAlarm(6, 7, 0, 0x7F);
    table.checkSet(6);
    auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].application, u"\\Windows\\BHVEvents.exe");
    EXPECT_EQ(regs[0].arguments, u"a07");
    EXPECT_EQ(regs[0].start, at(2026, 12, 10, 7, 0));
    EXPECT_EQ(regs[0].end, at(2026, 12, 10, 7, 5));
    EXPECT_EQ(table.records[6].notificationHandle, regs[0].handle);
    EXPECT_EQ(dev::FileTime{table.records[6].alarmTime}, ft(2026, 12, 10, 7, 0));
    EXPECT_EQ(fileBytes(kAlarmsFileName).size(), kAlarmsFileSize);

    // The reminder replaced the registration and wrote its handle into the file; re-arming
    // cancels that one, not the stale in-memory copy.
    auto& service = fake.notificationsImpl;
    service.clear(regs[0].handle);
    const auto fired =
        service.setTimed(0, u"\\Windows\\BHVEvents.exe", u"a07", at(2026, 12, 11, 7, 0), {});
    ASSERT_TRUE(
        dev::writeRecordInPlace(dataFilePath(kAlarmsFileName), 6 * sizeof(AlarmRecord), &fired, 4));
    table.checkSet(6);
    regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(service.cleared.back(), fired);
    EXPECT_EQ(regs[0].arguments, u"a07");

    EXPECT_EQ(alarmArgument(0), u"a01");
    EXPECT_EQ(alarmArgument(9), u"a10");
    EXPECT_EQ(alarmArgument(19), u"a20");
}

// The reminder re-registers a fired weekly alarm and writes its record; a later save of another
// alarm must not put the stale handle back, or re-arming would leave two registrations.
TEST_F(AlarmsTest, SavingKeepsTheRemindersRewrittenRecords) {
    setAlarm(2, 7, 0, 0x7F);
    setAlarm(4, 8, 0, 0x7F);
    table.checkSet(2);
    auto& service = fake.notificationsImpl;
    const uint32_t first = table.records[2].notificationHandle;
    // Alarm 3 fires; the reminder registers the next day and rewrites record 2.
    service.clear(first);
    AlarmRecord rewritten = table.records[2];
    rewritten.alarmTime = ft(2026, 12, 11, 7, 0);
    rewritten.notificationHandle = service.setTimed(0, u"\\Windows\\BHVEvents.exe", u"a03",
                                                    at(2026, 12, 11, 7, 0), at(2026, 12, 11, 7, 5));
    ASSERT_TRUE(dev::writeRecordInPlace(dataFilePath(kAlarmsFileName), 2 * sizeof(AlarmRecord),
                                        &rewritten, sizeof rewritten));
    table.checkSet(4); // saves all twenty records
    EXPECT_EQ(table.records[2].notificationHandle, rewritten.notificationHandle);
    EXPECT_EQ(dev::FileTime{table.records[2].alarmTime}, ft(2026, 12, 11, 7, 0));
    table.checkCleared(2);
    const auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].arguments, u"a05");
    // A record changed here wins over the file.
    Alarms reloaded;
    ASSERT_TRUE(reloaded.load());
    EXPECT_EQ(reloaded.records[2].notificationHandle, 0u);
    EXPECT_EQ(reloaded.records[4].notificationHandle, regs[0].handle);
}

TEST_F(AlarmsTest, CheckBoxAndTimePickerDisarm) {
    setAlarm(0, 8, 0, 0x7F);
    table.checkSet(0);
    ASSERT_EQ(registrations().size(), 1u);
    // A new time always leaves the alarm off.
    table.timeChanged(0, ft(2026, 12, 9, 9, 30));
    EXPECT_EQ(table.records[0].enabled, 0);
    EXPECT_EQ(table.records[0].notificationHandle, 0u);
    EXPECT_TRUE(registrations().empty());
    // An alarm without days: the check only cancels, and stays checked.
    setAlarm(1, 8, 0, 0);
    table.checkSet(1);
    EXPECT_EQ(table.records[1].enabled, 1);
    EXPECT_TRUE(registrations().empty());
    table.checkCleared(1);
    EXPECT_EQ(table.records[1].enabled, 0);
    EXPECT_FALSE(table.anyEnabled());
}

TEST_F(AlarmsTest, RefusedRegistrationShowsDebugMessage) {
    setAlarm(2, 8, 0, 0x7F);
    fake.notificationsImpl.failNext = true;
    table.checkSet(2);
    EXPECT_EQ(table.records[2].notificationHandle, 0u);
    EXPECT_EQ(table.records[2].enabled, 1);
    ASSERT_EQ(messages(), 1u);
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].caption, u"Debug");
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].text, u"Not registered");
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].icon, dev::MbIcon::None);
}

TEST_F(AlarmsTest, LoadRulesForMissingShortAndLongFiles) {
    // Missing: defaults, nothing written.
    ASSERT_TRUE(table.load());
    EXPECT_EQ(table.records[19].daysMask, 0xFF);
    EXPECT_EQ(dev::FileTime{table.records[19].alarmTime}, ft(2026, 12, 9));
    EXPECT_FALSE(dev::fileExists(dataFilePath(kAlarmsFileName)));
    EXPECT_EQ(messages(), 0u);

    std::vector<uint8_t> image(kAlarmsFileSize + 1, 0);
    image[76 * 3 + 60] = 0x15; // alarm 4's days
    writeFile(kAlarmsFileName, image);
    Alarms longer;
    EXPECT_TRUE(longer.load());
    EXPECT_EQ(longer.records[3].daysMask, 0x15);
    EXPECT_EQ(messages(), 0u);

    image.resize(kAlarmsFileSize - 1);
    writeFile(kAlarmsFileName, image);
    Alarms shorter;
    const int sleepsBefore = fake.clockImpl.sleeps();
    EXPECT_FALSE(shorter.load());
    EXPECT_EQ(fake.clockImpl.sleeps() - sleepsBefore, kFileAttempts - 1);
    // The damaged file is kept aside before the defaults are written in its place.
    EXPECT_EQ(fileBytes(u"alarms.dat.bad"), image);
    EXPECT_EQ(shorter.records[3].daysMask, 0xFF);
    EXPECT_EQ(fileBytes(kAlarmsFileName).size(), kAlarmsFileSize);
    EXPECT_TRUE(shorter.loaded());
    ASSERT_EQ(messages(), 1u);
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].caption, u"Horavel");
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].text, u"Corrupt file with alarm settings");
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].icon, dev::MbIcon::Error);
}

// A symbolic link leading out of the device root is neither read nor written, with a message of
// its own: the file it names is the user's business, not a damaged alarm file.
TEST_F(AlarmsTest, FileLeadingOutOfTheRootIsRefusedWithItsOwnMessage) {
    namespace fs = std::filesystem;
    const fs::path link = dev::hostPath(dataFilePath(kAlarmsFileName));
    fs::create_directories(link.parent_path());
    const fs::path outside = fake.root().parent_path() / (fake.root().filename().string() + "-x");
    std::vector<uint8_t> image(kAlarmsFileSize, 0);
    image[60] = 0x15;
    {
        std::ofstream(outside, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), kAlarmsFileSize);
    }
    fs::create_symlink(outside, link);
    Alarms table;
    EXPECT_FALSE(table.load());
    EXPECT_EQ(table.records[0].daysMask, 0xFF); // the defaults, not the outside bytes
    EXPECT_FALSE(table.save());
    ASSERT_GE(messages(), 1u);
    const std::u16string& text = fake.messageBoxesImpl.shown[0].text;
    EXPECT_NE(text.find(u"leads out of the device folder"), std::u16string::npos);
    EXPECT_EQ(text.find(u"Corrupt"), std::u16string::npos);
    EXPECT_FALSE(dev::fileExists(dataFilePath(u"alarms.dat.bad")));
    std::ifstream in(outside, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), image);
    fs::remove(outside);
}

TEST_F(AlarmsTest, BusyFileIsWaitedForAndUnwritableFileReported) {
    std::vector<uint8_t> image(kAlarmsFileSize, 0);
    image[60] = 0x7F;
    writeFile(kAlarmsFileName, image);
    {
        auto holder =
            dev::ExclusiveFile::open(dataFilePath(kAlarmsFileName), dev::OpenMode::ReadExisting);
        ASSERT_TRUE(holder.isOpen());
        fake.clockImpl.onSleep = [&](uint32_t) { holder.close(); };
        EXPECT_TRUE(table.load());
        fake.clockImpl.onSleep = nullptr;
    }
    EXPECT_EQ(table.records[0].daysMask, 0x7F); // not defaults (0xFF)
    EXPECT_EQ(messages(), 0u);

    // A folder where the file should be: every attempt fails.
    ASSERT_TRUE(dev::deleteFile(dataFilePath(kAlarmsFileName)));
    ASSERT_TRUE(dev::createDirectory(dataFilePath(kAlarmsFileName)));
    EXPECT_FALSE(table.save());
    ASSERT_EQ(messages(), 1u);
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].text, u"Can't save alarm settings");
}

TEST_F(AlarmsTest, OneOccurrenceRuleForTheProgramAndTheReminder) {
    AlarmRecord r{};
    r.daysMask = 0x7F;
    r.alarmTime = ft(2026, 12, 7, 7, 0); // Monday's occurrence
    // From a moment: today when not passed (equal is not passed), else the next day.
    EXPECT_EQ(alarmOccurrenceFrom(r, ft(2026, 12, 8, 6, 30)), ft(2026, 12, 8, 7, 0));
    EXPECT_EQ(alarmOccurrenceFrom(r, ft(2026, 12, 8, 7, 0)), ft(2026, 12, 8, 7, 0));
    EXPECT_EQ(alarmOccurrenceFrom(r, ft(2026, 12, 8, 7, 0, 0, 1)), ft(2026, 12, 9, 7, 0));
    // Monday's registration fires late, on Tuesday at 06:30 after a suspend: Tuesday still rings.
    EXPECT_EQ(alarmOccurrenceAfterFiring(r, ft(2026, 12, 8, 6, 30)), ft(2026, 12, 8, 7, 0));
    // On time, or a moment early: never the occurrence that fired.
    EXPECT_EQ(alarmOccurrenceAfterFiring(r, ft(2026, 12, 7, 7, 0, 1)), ft(2026, 12, 8, 7, 0));
    EXPECT_EQ(alarmOccurrenceAfterFiring(r, ft(2026, 12, 7, 6, 59, 59)), ft(2026, 12, 8, 7, 0));
    // Monday and Thursday: from Monday's firing to Thursday.
    r.daysMask = 0x12;
    EXPECT_EQ(alarmOccurrenceAfterFiring(r, ft(2026, 12, 7, 7, 0, 1)), ft(2026, 12, 10, 7, 0));
    EXPECT_EQ(alarmLatestOccurrence(r, ft(2026, 12, 9, 12, 0)), ft(2026, 12, 7, 7, 0));
    r.daysMask = 0x80;
    EXPECT_FALSE(alarmOccurrenceFrom(r, ft(2026, 12, 8)));
    EXPECT_FALSE(alarmLatestOccurrence(r, ft(2026, 12, 8)));
    EXPECT_EQ(alarmSoundFileName(19), u"alarmsnd19.dat");
    EXPECT_EQ(timerSoundFileName(3), u"timersnd3.dat");
    EXPECT_EQ(eventSoundFileName(12), u"es12.dat");
}

// Another process holds alarms.dat through every attempt: that is a busy file, not a corrupt
// one, and nothing may replace the user's alarms with defaults.
TEST_F(AlarmsTest, BusyFileIsNeitherCorruptNorOverwritten) {
    std::vector<uint8_t> image(kAlarmsFileSize, 0);
    for (int i = 0; i < kAlarmCount; ++i)
        image[static_cast<size_t>(i) * 76 + 60] = 0x3E; // weekdays
    writeFile(kAlarmsFileName, image);
    {
        auto holder =
            dev::ExclusiveFile::open(dataFilePath(kAlarmsFileName), dev::OpenMode::ReadExisting);
        ASSERT_TRUE(holder.isOpen());
        EXPECT_FALSE(table.load());
        EXPECT_FALSE(table.loaded());
        ASSERT_EQ(messages(), 1u);
        EXPECT_EQ(fake.messageBoxesImpl.shown[0].text,
                  u"The file with alarm settings is in use; try again");
        // Arming meanwhile writes nothing and registers nothing.
        table.checkSet(0);
        EXPECT_TRUE(registrations().empty());
        EXPECT_EQ(messages(), 2u);
        EXPECT_EQ(table.records[0].enabled, 0);
    }
    EXPECT_EQ(fileBytes(kAlarmsFileName), image);
    EXPECT_FALSE(dev::fileExists(dataFilePath(u"alarms.dat.bad")));
    // Released: arming loads the user's alarms first and keeps them.
    table.checkSet(1);
    ASSERT_EQ(registrations().size(), 1u);
    const auto after = fileBytes(kAlarmsFileName);
    EXPECT_EQ(after[19 * 76 + 60], 0x3E);
    EXPECT_EQ(after[1 * 76 + 72], 1); // armed
    EXPECT_EQ(table.records[7].daysMask, 0x3E);
    // A later refresh of a loaded table takes nothing new.
    EXPECT_FALSE(table.refresh());
}

// The status bar and the views see the reminder's writes: a fired alarm's next occurrence.
TEST_F(AlarmsTest, RefreshTakesTheRemindersWrites) {
    setAlarm(2, 7, 0, 0x7F);
    setAlarm(3, 9, 0, 0x7F);
    table.checkSet(2);
    table.checkSet(3);
    EXPECT_EQ(table.earliestEnabled(), ft(2026, 12, 10, 7, 0));
    EXPECT_FALSE(table.refresh()); // nothing new
    AlarmRecord rewritten = table.records[2];
    rewritten.alarmTime = ft(2026, 12, 11, 7, 0);
    rewritten.notificationHandle = 77;
    ASSERT_TRUE(dev::writeRecordInPlace(dataFilePath(kAlarmsFileName), 2 * sizeof(AlarmRecord),
                                        &rewritten, sizeof rewritten));
    // A change of this table's own (a picked time not yet saved) is not undone by the read.
    table.records[3].alarmTime = ft(2026, 12, 9, 11, 0);
    EXPECT_TRUE(table.refresh());
    EXPECT_EQ(table.records[2].notificationHandle, 77u);
    EXPECT_EQ(dev::FileTime{table.records[2].alarmTime}, ft(2026, 12, 11, 7, 0));
    EXPECT_EQ(dev::FileTime{table.records[3].alarmTime}, ft(2026, 12, 9, 11, 0));
    EXPECT_EQ(table.earliestEnabled(), ft(2026, 12, 9, 11, 0));
}

// Arming, disarming and confirming hold alarms.dat from the read of the stored handle to the
// write, so a reminder re-registering the alarm cannot fall in between; OK writes the file once.
TEST(AlarmsFileHold, ScheduleHoldsTheFileAndConfirmWritesOnce) {
    testing::HoldCheckingDevice device;
    dev::ScopedDevice use(device);
    resetAppState();
    device.clockImpl.setLocal(at(2026, 12, 9, 10, 0));
    device.holdChecking.heldPath = dataFilePath(kAlarmsFileName);
    Alarms table;
    ASSERT_TRUE(table.save());
    table.records[0].daysMask = 0x7F;
    table.checkSet(0);
    AlarmSettingsDraft d = openAlarmSettings(table, 1);
    d.workingMask = 0x02;
    const auto hostData = device.host(dataFilePath(u""));
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, hostData.c_str(), IN_MOVED_TO), 0);
    confirmAlarmSettings(table, d);
    int writes = 0;
    alignas(inotify_event) char buf[4096];
    for (ssize_t n; (n = read(watch, buf, sizeof buf)) > 0;)
        for (char* p = buf; p < buf + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            if (e->len && std::string(e->name) == "alarms.dat")
                ++writes;
            p += sizeof(inotify_event) + e->len;
        }
    close(watch);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(device.holdChecking.registered, 2);
    EXPECT_EQ(device.holdChecking.registeredUnheld, 0);
    EXPECT_EQ(device.holdChecking.list().size(), 2u);
}

TEST_F(AlarmsTest, SettingsWindowConfirmAndReset) {
    AlarmSettingsDraft d = openAlarmSettings(table, 4);
    EXPECT_EQ(d.soundPath, u"\\Windows\\Alarm1.wav"); // no sound path file yet
    EXPECT_EQ(d.workingMask, 0xFF);
    d.workingMask = 0;
    d.toggleDay(1);
    d.toggleDay(5);
    d.note = u"Gym";
    d.soundIndex = 3;
    d.soundPath = u"\\Windows\\Chimes.wav";
    d.repeatIndex = 2;
    d.pauseIndex = 1;
    d.snoozeCountIndex = 6;
    d.snoozeIntervalIndex = 5;
    d.repeating = true;
    confirmAlarmSettings(table, d);
    const AlarmRecord& r = table.records[4];
    EXPECT_EQ(r.daysMask, 0x22);
    EXPECT_EQ(textOf(r.note), u"Gym");
    EXPECT_EQ(r.snoozeCountIndex, 6);
    EXPECT_EQ(r.repeating, 1);
    EXPECT_EQ(readSoundPathFile(alarmSoundFile(4)), u"\\Windows\\Chimes.wav");
    EXPECT_EQ(fileBytes(u"alarmsnd4.dat").size(), (19u + 1) * 2);
    // OK registers the alarm even while it is not enabled.
    ASSERT_EQ(registrations().size(), 1u);
    EXPECT_EQ(registrations()[0].arguments, u"a05");
    EXPECT_EQ(openAlarmSettings(table, 4).soundPath, u"\\Windows\\Chimes.wav");

    d.reset();
    EXPECT_EQ(d.workingMask, 0xFF);
    EXPECT_TRUE(d.note.empty());
    EXPECT_TRUE(d.soundFolderReset);
    EXPECT_EQ(d.snoozeIntervalIndex, 0);
    EXPECT_FALSE(d.repeating);
    EXPECT_EQ(textOf(table.records[4].note), u"Gym"); // nothing stored until OK
}

TEST_F(AlarmsTest, SoundTestPlaysTheChosenTimesWithPauses) {
    AlarmSettingsDraft d;
    d.soundIndex = 0;
    EXPECT_EQ(d.soundTest().plays, 0);
    d.soundIndex = 2;
    d.soundPath = u"\\Windows\\Alarm2.wav";
    d.repeatIndex = 2;
    d.pauseIndex = 1;
    const SoundTestPlan plan = d.soundTest();
    EXPECT_EQ(plan.plays, 3);
    EXPECT_EQ(plan.pauseMs, 2000u);
    // The test never blocks: start() returns at once after the first play and the window's
    // 100 ms timer drives the rest.
    const dev::FileTime t0 = fake.clockImpl.utcNow();
    SoundTest test;
    test.start(plan);
    EXPECT_EQ(fake.clockImpl.utcNow(), t0);
    EXPECT_EQ(fake.soundImpl.plays.size(), 1u);
    int ticks = 0;
    while (test.tick() && ticks < 1000) {
        fake.clockImpl.advanceMs(100);
        ++ticks;
    }
    EXPECT_EQ(test.started(), 3);
    ASSERT_EQ(fake.soundImpl.plays.size(), 3u);
    EXPECT_EQ(fake.soundImpl.plays[1].at - t0, 2 * dev::kTicksPerSecond);
    EXPECT_EQ(ticks, 60); // over after the pause that follows the last play
    // Stopping ends it at once and silences the sound.
    test.start(plan);
    const int stopsBefore = fake.soundImpl.stops;
    test.stop();
    fake.clockImpl.advanceMs(10000);
    EXPECT_FALSE(test.tick());
    EXPECT_EQ(fake.soundImpl.plays.size(), 4u);
    EXPECT_EQ(fake.soundImpl.stops, stopsBefore + 1);
    // A damaged record cannot ask for hundreds of plays.
    EXPECT_EQ(planSoundTest(1, u"x", 255, 255).plays, 5);
}

// Two processes save and load the same file at once: every load sees one of the whole images
// that were saved, never a torn or partial one.
TEST_F(AlarmsTest, TwoProcessesNeverSeeATornFile) {
    // The retry pauses must really wait here, the other process is real.
    const auto realPause = [](uint32_t ms) { usleep(ms * 1000); };
    fake.clockImpl.onSleep = realPause;
    Alarms seed;
    seed.save();
    const auto root = fake.root();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dev::FakeDevice other(root);
        dev::ScopedDevice use2(other);
        other.clockImpl.onSleep = realPause;
        Alarms mine;
        int bad = 0;
        for (int round = 0; round < 100; ++round) {
            usleep(10000); // each program does other work between its saves
            for (auto& r : mine.records)
                r.soundIndex = 1000000u + static_cast<uint32_t>(round);
            if (!mine.save())
                ++bad;
            Alarms seen;
            if (!seen.load())
                ++bad;
            for (const auto& r : seen.records)
                if (r.soundIndex != seen.records[0].soundIndex)
                    ++bad;
        }
        if (bad)
            fprintf(stderr, "child: %d bad, %zu messages\n", bad,
                    other.messageBoxesImpl.shown.size());
        _exit(bad == 0 && other.messageBoxesImpl.shown.empty() ? 0 : 1);
    }
    int bad = 0;
    for (int round = 0; round < 100; ++round) {
        usleep(10000); // each program does other work between its saves
        for (auto& r : table.records)
            r.soundIndex = 2000000u + static_cast<uint32_t>(round);
        if (!table.save())
            ++bad;
        Alarms seen;
        if (!seen.load())
            ++bad;
        for (const auto& r : seen.records)
            if (r.soundIndex != seen.records[0].soundIndex)
                ++bad;
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(messages(), 0u);
    // The last save of one of the two is what stays.
    Alarms last;
    ASSERT_TRUE(last.load());
    EXPECT_TRUE(last.records[19].soundIndex == 1000099u || last.records[19].soundIndex == 2000099u);
}

} // namespace
} // namespace hv::items

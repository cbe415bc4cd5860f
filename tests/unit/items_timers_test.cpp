#include "items/timers.h"
#include "items_testing.h"

#include <cstring>

namespace hv::items {
namespace {

using testing::at;
using testing::ft;

class TimersTest : public testing::ItemsTest {
protected:
    TimersTest() {
        table.openEvents();
        table.onStopped = [this] { ++stopsTold; };
        EXPECT_TRUE(table.load()); // defaults, written at once
    }
    void setInitial(int i, uint8_t h, uint8_t m, uint8_t s) {
        TimerSettingsDraft d = openTimerSettings(table, i);
        d.hours = h;
        d.minutes = m;
        d.seconds = s;
        confirmTimerSettings(table, d);
    }
    bool resetEventSet(int i) { return fake.eventsImpl.isSetByName(timerResetEventName(i)); }
    Timers table;
    int stopsTold = 0;
};

TEST(TimerRecordLayout, FieldsAtTheirOffsets) {
    TimerRecord r;
    std::memset(&r, 0, sizeof r);
    r.countdownTime = 0x0102030405060708ULL;
    r.soundIndex = 9;
    r.repeatIndex = 1;
    r.pauseIndex = 2;
    r.showNote = 3;
    r.running = 4;
    r.initialSeconds = 5;
    r.initialMinutes = 6;
    r.initialHours = 7;
    uint8_t b[72];
    std::memcpy(b, &r, sizeof b);
    EXPECT_EQ(b[52], 0x08);
    EXPECT_EQ(b[59], 0x01);
    EXPECT_EQ(b[60], 9);
    const uint8_t tail[] = {1, 2, 3, 4, 5, 6, 7, 0};
    EXPECT_EQ(std::memcmp(b + 64, tail, sizeof tail), 0);
}

TEST_F(TimersTest, DefaultsNamesAndTexts) {
    EXPECT_EQ(fileBytes(kTimersFileName).size(), kTimersFileSize);
    EXPECT_EQ(dev::FileTime{table.records[3].countdownTime}, ft(2026, 12, 9));
    EXPECT_EQ(timerArgument(2), u"t02");
    EXPECT_EQ(timerResetEventName(2), u"HVTimers_3_Reset");
    EXPECT_TRUE(fake.eventsImpl.exists(u"HVTimers_Settings_Change"));
    EXPECT_TRUE(fake.eventsImpl.exists(u"HVTimers_4_Reset"));
    EXPECT_EQ(hmsText({1, 2, 3}), u"01:02:03");
    EXPECT_EQ(remainingBetween(ft(2026, 1, 1, 10), ft(2026, 1, 1, 11)), Hms{}); // passed: zero
}

TEST_F(TimersTest, ZeroTimerRunsOneDay) {
    ASSERT_TRUE(table.start(0));
    const auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].start, at(2026, 12, 10, 10, 0));
    EXPECT_EQ(regs[0].end, dev::SystemTime{});
    EXPECT_EQ(regs[0].arguments, u"t00");
    EXPECT_EQ(table.remainingText(0), u"24:00:00");
    // Stopping at once keeps the whole day, which starts again as a whole day.
    table.stop(0);
    ASSERT_TRUE(table.start(0));
    EXPECT_EQ(registrations()[0].start, at(2026, 12, 10, 10, 0));
}

TEST_F(TimersTest, StartStopStartKeepsTheTimeLeft) {
    setInitial(1, 0, 1, 30);
    setNow(2026, 12, 9, 10, 0, 0, 250);
    ASSERT_TRUE(table.start(1));
    EXPECT_FALSE(table.start(1)); // already running
    EXPECT_EQ(dev::FileTime{table.records[1].countdownTime}, ft(2026, 12, 9, 10, 1, 30, 250));
    EXPECT_EQ(registrations()[0].start, at(2026, 12, 9, 10, 1, 30, 250));
    EXPECT_FALSE(resetEventSet(1));
    // The reminder reads the running record from the file.
    TimerRecord onDisk;
    std::memcpy(&onDisk, fileBytes(kTimersFileName).data() + sizeof(TimerRecord), sizeof onDisk);
    EXPECT_EQ(onDisk.running, kRunningUtcEnd);
    EXPECT_EQ(onDisk.notificationHandle, table.records[1].notificationHandle);

    setNow(2026, 12, 9, 10, 0, 40, 250);
    table.stop(1);
    EXPECT_EQ(table.remaining(1), (Hms{0, 0, 50}));
    EXPECT_TRUE(registrations().empty());
    EXPECT_TRUE(resetEventSet(1));
    EXPECT_EQ(stopsTold, 1);

    setNow(2026, 12, 9, 11, 0, 0);
    ASSERT_TRUE(table.start(1));
    EXPECT_EQ(registrations()[0].start, at(2026, 12, 9, 11, 0, 50));
    EXPECT_FALSE(resetEventSet(1));
    EXPECT_EQ(table.firstToEnd(), 1);
}

TEST_F(TimersTest, ResetWhileRunningCancelsAndSetsTheResetEvent) {
    setInitial(2, 0, 5, 0);
    ASSERT_TRUE(table.start(2));
    const auto handle = table.records[2].notificationHandle;
    setNow(2026, 12, 9, 10, 2, 0);
    table.reset(2);
    EXPECT_TRUE(resetEventSet(2));
    EXPECT_EQ(fake.notificationsImpl.cleared.back(), handle);
    EXPECT_TRUE(registrations().empty());
    EXPECT_EQ(table.remainingText(2), u"00:05:00");
    EXPECT_EQ(table.records[2].running, 0);

    // Stop & Reset All touches every timer, running or not.
    ASSERT_TRUE(table.start(3));
    table.stopAndResetAll();
    EXPECT_TRUE(registrations().empty());
    for (int i = 0; i < kTimerCount; ++i)
        EXPECT_TRUE(resetEventSet(i)) << i;
    EXPECT_FALSE(table.firstToEnd());
}

TEST_F(TimersTest, TimersEndingTogetherAreHandledOnTwoCalls) {
    setInitial(0, 0, 0, 10);
    setInitial(3, 0, 0, 10);
    ASSERT_TRUE(table.start(0));
    ASSERT_TRUE(table.start(3));
    EXPECT_EQ(table.checkChanged(), -1); // nothing announced
    // The reminder writes both back stopped at their initial values and announces it.
    setNow(2026, 12, 9, 10, 0, 10);
    for (int i : {0, 3}) {
        TimerRecord r = table.records[static_cast<size_t>(i)];
        r.notificationHandle = 0;
        r.running = 0;
        r.countdownTime = ft(2026, 12, 9, 0, 0, 10);
        ASSERT_TRUE(dev::writeRecordInPlace(dataFilePath(kTimersFileName),
                                            static_cast<uint64_t>(i) * 72, &r, 72));
    }
    fake.eventsImpl.setByName(kTimersSettingsChange, true);
    fake.notificationsImpl.cleared.clear();
    EXPECT_EQ(table.checkChanged(), 0);
    EXPECT_FALSE(fake.eventsImpl.isSetByName(kTimersSettingsChange));
    EXPECT_TRUE(resetEventSet(0));
    EXPECT_FALSE(resetEventSet(3));
    EXPECT_EQ(stopsTold, 1);
    EXPECT_EQ(table.checkChanged(), 3);
    EXPECT_TRUE(resetEventSet(3));
    EXPECT_EQ(stopsTold, 2);
    EXPECT_EQ(table.checkChanged(), -1);
    EXPECT_EQ(fake.notificationsImpl.cleared,
              (std::vector<uint32_t>{0, 0})); // the handles now on file
    EXPECT_EQ(table.remainingText(3), u"00:00:10");
}

TEST_F(TimersTest, RefusedRegistrationAndFileRules) {
    fake.notificationsImpl.failNext = true;
    ASSERT_TRUE(table.start(1));
    EXPECT_EQ(table.records[1].running, kRunningUtcEnd);
    ASSERT_EQ(messages(), 1u);
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].text, u"Timer Not registered");
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].caption, u"Debug");

    // A short file (three records) is damaged: it is kept aside for the user, the defaults take
    // its place in the table and on disk, and the user is told.
    Timers other;
    std::vector<uint8_t> shortImage(3 * 72, 0);
    shortImage[68] = 42;
    writeFile(kTimersFileName, shortImage);
    EXPECT_FALSE(other.load());
    EXPECT_EQ(fake.messageBoxesImpl.shown.back().text, u"Corrupt file with timer settings");
    EXPECT_EQ(fileBytes(u"timers.dat.bad"), shortImage);
    EXPECT_EQ(fileBytes(kTimersFileName).size(), kTimersFileSize);
    EXPECT_EQ(other.records[0].initialSeconds, 0);
    EXPECT_TRUE(other.loaded());

    // SaveTimer writes its own record in place only.
    other.records[2].initialMinutes = 17;
    other.records[3].initialMinutes = 18;
    EXPECT_TRUE(other.saveOne(2));
    const auto bytes = fileBytes(kTimersFileName);
    ASSERT_EQ(bytes.size(), kTimersFileSize);
    EXPECT_EQ(bytes[2 * 72 + 69], 17);
    EXPECT_EQ(bytes[3 * 72 + 69], 0);

    ASSERT_TRUE(dev::deleteFile(dataFilePath(kTimersFileName)));
    ASSERT_TRUE(dev::createDirectory(dataFilePath(kTimersFileName)));
    EXPECT_FALSE(other.save());
    EXPECT_EQ(fake.messageBoxesImpl.shown.back().text, u"Can't save timer settings");
}

// A timer that ends while another view is shown and the program then closed: the exit save must
// not bring the finished run back (running with a past end, stuck at 00:00:00).
TEST_F(TimersTest, ExitSaveNeverWritesBackAFinishedRun) {
    setInitial(0, 0, 0, 10);
    ASSERT_TRUE(table.start(0));
    const uint32_t handle = table.records[0].notificationHandle;
    setNow(2026, 12, 9, 10, 0, 11);
    // The reminder's write-back, as it leaves the record.
    TimerRecord ended = table.records[0];
    ended.notificationHandle = 0;
    ended.running = 0;
    ended.countdownTime = timerInitialCountdown(ended);
    ASSERT_TRUE(dev::writeRecordInPlace(dataFilePath(kTimersFileName), 0, &ended, 72));
    fake.eventsImpl.setByName(kTimersSettingsChange, true);
    // Even a save that comes before any change check keeps the reminder's record.
    ASSERT_TRUE(table.save());
    TimerRecord onFile;
    std::memcpy(&onFile, fileBytes(kTimersFileName).data(), sizeof onFile);
    EXPECT_EQ(onFile.running, 0);
    EXPECT_EQ(onFile.notificationHandle, 0u);
    EXPECT_EQ(table.records[0].running, 0);
    EXPECT_EQ(table.remainingText(0), u"00:00:10");
    // The exit sequence's check completes the stop: the reset event set, the handle cleared.
    table.checkAllChanged();
    EXPECT_TRUE(resetEventSet(0));
    EXPECT_FALSE(fake.eventsImpl.isSetByName(kTimersSettingsChange));
    EXPECT_TRUE(table.start(0)); // startable again
    EXPECT_NE(table.records[0].notificationHandle, handle);
}

// Handling one ended timer keeps what the table holds for the others (settings not yet saved).
TEST_F(TimersTest, AnEndedTimerLeavesTheOthersAlone) {
    setInitial(0, 0, 0, 10);
    ASSERT_TRUE(table.start(0));
    setText(table.records[2].note, u"Eggs"); // changed in memory only
    table.records[2].repeatIndex = 3;
    TimerRecord ended = table.records[0];
    ended.notificationHandle = 0;
    ended.running = 0;
    ASSERT_TRUE(dev::writeRecordInPlace(dataFilePath(kTimersFileName), 0, &ended, 72));
    fake.eventsImpl.setByName(kTimersSettingsChange, true);
    EXPECT_EQ(table.checkChanged(), 0);
    EXPECT_EQ(textOf(table.records[2].note), u"Eggs");
    EXPECT_EQ(table.records[2].repeatIndex, 3);
    // OK of the settings window saves the record at once.
    TimerSettingsDraft d = openTimerSettings(table, 1);
    d.note = u"Tea";
    confirmTimerSettings(table, d);
    TimerRecord onFile;
    std::memcpy(&onFile, fileBytes(kTimersFileName).data() + 72, sizeof onFile);
    EXPECT_EQ(textOf(onFile.note), u"Tea");
}

// A five-minute timer started at 02:58 summer time on the night the clocks go back ends five
// minutes of real time later (02:03 winter time), not when the wall clock reads 03:03.
TEST_F(TimersTest, RunsRealTimeAcrossTheClocksGoingBack) {
    fake.clockImpl.setZone(dev::zoneCentralEurope());
    setInitial(0, 0, 5, 0);
    fake.clockImpl.setUtc(at(2026, 10, 25, 0, 58)); // 02:58 summer time
    ASSERT_TRUE(table.start(0));
    EXPECT_EQ(registrations()[0].start, at(2026, 10, 25, 2, 3)); // the wall clock at the end
    fake.clockImpl.advanceMs(4 * 60 * 1000);
    EXPECT_EQ(table.remainingText(0), u"00:01:00");
    table.stop(0);
    EXPECT_EQ(table.remainingText(0), u"00:01:00");
    // A running record of an earlier version (running = 1) holds a local end and is read so.
    TimerRecord old = table.records[1];
    old.running = kRunningLocalEnd;
    old.countdownTime = ft(2026, 10, 25, 3, 30); // winter time, unambiguous
    EXPECT_EQ(timerEndUtc(old), ft(2026, 10, 25, 2, 30));
}

// A file another process holds through every attempt is busy, not damaged: nothing is written
// over the user's timers, and the next load takes them.
TEST_F(TimersTest, BusyFileIsNeverOverwrittenWithDefaults) {
    setInitial(1, 1, 2, 3);
    Timers late;
    {
        dev::ExclusiveFile held =
            dev::ExclusiveFile::open(dataFilePath(kTimersFileName), dev::OpenMode::ReadExisting);
        ASSERT_TRUE(held.isOpen());
        EXPECT_FALSE(late.load());
        EXPECT_FALSE(late.loaded());
        EXPECT_EQ(fake.messageBoxesImpl.shown.back().text,
                  u"The file with timer settings is in use; try again");
        EXPECT_FALSE(late.save());
    }
    TimerRecord onFile;
    std::memcpy(&onFile, fileBytes(kTimersFileName).data() + 72, sizeof onFile);
    EXPECT_EQ(onFile.initialMinutes, 2);
    EXPECT_EQ(fileBytes(u"timers.dat.bad").size(), 0u);
    // Released: the next save loads first and keeps the user's timers.
    EXPECT_TRUE(late.save());
    EXPECT_TRUE(late.loaded());
    EXPECT_EQ(late.records[1].initialMinutes, 2);
}

} // namespace
} // namespace hv::items

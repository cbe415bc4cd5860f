#include "items/stopwatch.h"
#include "items_testing.h"

namespace hv::items {
namespace {

using testing::at;

class StopwatchTest : public testing::ItemsTest {
protected:
    StopwatchTest() {
        fake.clockImpl.setZone(dev::zoneCentralEurope()); // the stored start is UTC, not local
        fake.clockImpl.setUtc(at(2026, 12, 9, 10, 0));
        sw.random = [this] { return nextRandom++; };
    }
    void setUtc(int h, int mi, int s, int ms = 0) {
        fake.clockImpl.setUtc(at(2026, 12, 9, h, mi, s, ms));
    }
    Stopwatch sw;
    int nextRandom = 3;
};

TEST_F(StopwatchTest, StartStopResumeAndTheElapsedText) {
    EXPECT_EQ(sw.startButton(), StartButton::Start);
    EXPECT_FALSE(sw.resetEnabled());
    sw.startStopResume();
    EXPECT_EQ(app().settings.stopwatchRunning, 1);
    EXPECT_EQ(app().settings.stopwatchTime, *dev::toFileTime(at(2026, 12, 9, 10, 0)));
    EXPECT_EQ(sw.startButton(), StartButton::Stop);

    setUtc(10, 0, 5, 300);
    sw.startStopResume();
    EXPECT_EQ(app().settings.stopwatchTime, 53'000'000u);
    EXPECT_EQ(sw.startButton(), StartButton::Resume);
    EXPECT_FALSE(sw.splitEnabled());
    EXPECT_TRUE(sw.resetEnabled());
    EXPECT_EQ(sw.statusText(), u"--:-- --");

    setUtc(10, 1, 0);
    sw.startStopResume();
    EXPECT_EQ(app().settings.stopwatchTime, *dev::toFileTime(at(2026, 12, 9, 10, 0, 54, 700)));
    EXPECT_EQ(sw.elapsedText(), u"00:00 05.");
    setUtc(11, 6, 4, 300);
    EXPECT_EQ(sw.elapsedText(), u"01:05 09.");
    EXPECT_EQ(sw.statusText(), u"01:05 09");

    sw.reset();
    EXPECT_EQ(sw.startButton(), StartButton::Start);
    EXPECT_EQ(app().settings.stopwatchTime, 0u);
    EXPECT_EQ(sw.elapsedText(), u"00:00 00.");

    // Past a day the hours go on, in the display, the status bar and the splits alike.
    sw.startStopResume();
    fake.clockImpl.advanceMs((25ull * 3600 + 3 * 60 + 10) * 1000);
    EXPECT_EQ(sw.elapsedText(), u"25:03 10.");
    EXPECT_EQ(sw.statusText(), u"25:03 10");
    sw.random = [] { return 4; };
    ASSERT_TRUE(sw.split());
    EXPECT_EQ(sw.splits.back().time, u"25:03 10.04");
    fake.clockImpl.advanceMs(100ull * 3600 * 1000);
    EXPECT_EQ(sw.statusText(), u"125:03 10");
}

TEST_F(StopwatchTest, StartStopAndResetAreSavedAtOnce) {
    // A session that ends without the exit sequence (logout) keeps the measurement.
    sw.startStopResume();
    SettingsRecord onFile{};
    auto stored = [&] {
        const auto bytes = dev::readWholeFile(dataFilePath(u"settings.dat"));
        EXPECT_TRUE(bytes && parseSettings(bytes->data(), bytes->size(), onFile));
        return onFile;
    };
    EXPECT_EQ(stored().stopwatchRunning, 1);
    EXPECT_EQ(stored().stopwatchTime, app().settings.stopwatchTime);
    fake.clockImpl.advanceMs(5000);
    sw.startStopResume();
    EXPECT_EQ(stored().stopwatchRunning, 0);
    EXPECT_EQ(stored().stopwatchTime, 5 * dev::kTicksPerSecond);
    sw.reset();
    EXPECT_EQ(stored().stopwatchTime, 0u);
}

TEST_F(StopwatchTest, KeepsRunningAcrossARestart) {
    sw.startStopResume();
    ASSERT_TRUE(saveSettings());
    resetAppState();
    fake.clockImpl.advanceMs(3600 * 1000 + 2000);
    ASSERT_TRUE(loadSettings());
    Stopwatch again;
    EXPECT_TRUE(again.running());
    EXPECT_EQ(again.elapsedText(), u"01:00 02.");
    // The clock set back before the start: nothing negative is shown.
    fake.clockImpl.setUtc(at(2026, 12, 9, 9, 0));
    EXPECT_EQ(again.elapsed(), 0u);
}

TEST_F(StopwatchTest, HundredthsCountRedrawsWithinTheSecond) {
    EXPECT_EQ(sw.tick(), 0); // stopped: unchanged
    sw.startStopResume();
    EXPECT_EQ(sw.tick(), 13); // tenths 1, random 3
    fake.clockImpl.advanceMs(100);
    EXPECT_EQ(sw.tick(), 24);
    EXPECT_EQ(sw.hundredthsText(), u"24");
    for (int i = 0; i < 20; ++i)
        sw.tick(); // more redraws than tenths: capped below 100
    EXPECT_LT(sw.hundredths(), 100);
    fake.clockImpl.advanceMs(1000);
    EXPECT_EQ(sw.tick() / 10, 0); // a new second starts again at 0
    sw.startStopResume();
    const int kept = sw.hundredths();
    EXPECT_EQ(sw.tick(), kept);
}

TEST_F(StopwatchTest, SplitsLabelsAndTheirFile) {
    EXPECT_FALSE(sw.split()); // only while running
    sw.startStopResume();
    setUtc(10, 1, 23, 450);
    sw.tick();
    ASSERT_TRUE(sw.split());
    for (int i = 0; i < 9; ++i)
        ASSERT_TRUE(sw.split());
    ASSERT_EQ(sw.splits.size(), 10u);
    EXPECT_EQ(sw.splits[0].label, u"Split 01");
    EXPECT_EQ(sw.splits[9].label, u"Split 10");
    EXPECT_EQ(sw.splits[0].time.substr(0, 10), u"00:01 23.1");
    EXPECT_EQ(sw.splits[0].time.size(), 11u);

    Stopwatch loaded;
    loaded.loadSplits();
    EXPECT_EQ(loaded.splits, sw.splits);
    EXPECT_EQ(loaded.nextSplit, 1); // the counter is not stored

    sw.deleteSplit(0);
    EXPECT_EQ(sw.splits.size(), 9u);
    EXPECT_EQ(sw.nextSplit, 11);
    sw.deleteAll();
    EXPECT_EQ(sw.nextSplit, 1);
    EXPECT_TRUE(fileBytes(kStopwatchFileName).empty());
}

TEST(StopwatchFile, OddStringsEmptyStringsAndTornTail) {
    const std::vector<Split> splits = {{u"Split 01", u"00:00 01.23"},
                                       {u"Split 02", u"00:00 02.34"}};
    std::vector<uint8_t> bytes = serializeSplits(splits);
    EXPECT_EQ(bytes.size(), (8u + 1 + 11 + 1) * 2 * 2);
    EXPECT_EQ(parseSplits(bytes.data(), bytes.size()), splits);
    // Empty strings are skipped; a label without its time is dropped.
    std::vector<uint8_t> extra = {0, 0};
    extra.insert(extra.end(), bytes.begin(), bytes.end());
    for (char c : std::string("Split 03"))
        extra.insert(extra.end(), {static_cast<uint8_t>(c), 0});
    extra.push_back(0x41); // an odd last byte
    EXPECT_EQ(parseSplits(extra.data(), extra.size()), splits);
}

} // namespace
} // namespace hv::items

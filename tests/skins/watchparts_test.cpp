// The skins' shared parts without a window: where a strip frame goes for each position, the
// 12-hour hour and its tens digit, and the date's order.
#include "clockface/watchparts.h"

#include <gtest/gtest.h>

using namespace hv::clockface;

namespace {

constexpr StripHandGeometry kCitizenMinute{130, 228, 252, 203, 439};

hv::dev::SystemTime at(int month, int day, int hour, int minute, int second = 0) {
    hv::dev::SystemTime t{};
    t.year = 2026;
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(day);
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
    t.second = static_cast<uint16_t>(second);
    return t;
}

} // namespace

TEST(WatchParts, QuadrantsMirrorTheSixteenFrames) {
    // The quarter hours and the positions either side of them.
    EXPECT_EQ(PlaceStripFrame(0, kCitizenMinute), (FramePlacement{0, 228, 203, 130, 130}));
    EXPECT_EQ(PlaceStripFrame(15, kCitizenMinute), (FramePlacement{15, 228, 203, 130, 130}));
    EXPECT_EQ(PlaceStripFrame(16, kCitizenMinute), (FramePlacement{14, 228, 439, 130, -130}));
    EXPECT_EQ(PlaceStripFrame(30, kCitizenMinute), (FramePlacement{0, 228, 439, 130, -130}));
    EXPECT_EQ(PlaceStripFrame(31, kCitizenMinute), (FramePlacement{1, 252, 439, -130, -130}));
    EXPECT_EQ(PlaceStripFrame(45, kCitizenMinute), (FramePlacement{15, 252, 439, -130, -130}));
    EXPECT_EQ(PlaceStripFrame(46, kCitizenMinute), (FramePlacement{14, 252, 203, -130, 130}));
    EXPECT_EQ(PlaceStripFrame(59, kCitizenMinute), (FramePlacement{1, 252, 203, -130, 130}));
    // Every position uses a frame of the strip; outside 0..59 it wraps.
    for (int p = 0; p < 60; ++p) {
        const FramePlacement f = PlaceStripFrame(p, kCitizenMinute);
        EXPECT_GE(f.frame, 0) << p;
        EXPECT_LT(f.frame, kStripFrames) << p;
    }
    EXPECT_EQ(PlaceStripFrame(61, kCitizenMinute), PlaceStripFrame(1, kCitizenMinute));
    EXPECT_EQ(PlaceStripFrame(-1, kCitizenMinute), PlaceStripFrame(59, kCitizenMinute));
}

// The sub-dial turns once a day: a position every 24 minutes. (Adding a tenth of an hour as a
// whole position, as (hour x 5 + minute / 6) / 2 does, would run the hand back at every full hour:
// 27 at 09:54, 25 at 10:00.)
TEST(WatchParts, DayDialTurnsOnceADayAndNeverBack) {
    EXPECT_EQ(DayDialPosition(0, 0), 0);
    EXPECT_EQ(DayDialPosition(6, 0), 15);
    EXPECT_EQ(DayDialPosition(9, 30), 23); // 9.5 hours of 24 are 23.75 positions
    EXPECT_EQ(DayDialPosition(10, 0), 25);
    EXPECT_EQ(DayDialPosition(12, 0), 30);
    EXPECT_EQ(DayDialPosition(23, 59), 59);
    int previous = 0;
    for (int m = 0; m < 24 * 60; ++m) {
        const int p = DayDialPosition(m / 60, m % 60);
        EXPECT_GE(p, previous) << m;
        EXPECT_LT(p, 60) << m;
        previous = p;
    }
    // 10:00 lies in the second quadrant: frame 5 mirrored top to bottom; 09:30 is frame 7.
    const StripHandGeometry dial{44, 168, 178, 282, 360};
    EXPECT_EQ(PlaceStripFrame(DayDialPosition(10, 0), dial),
              (FramePlacement{5, 168, 360, 44, -44}));
    EXPECT_EQ(PlaceStripFrame(DayDialPosition(9, 30), dial),
              (FramePlacement{7, 168, 360, 44, -44}));
}

TEST(WatchParts, TwelveHourDisplayHasNoLeadingZeroHour) {
    const TimeDigits midnight = WatchTimeDigits(at(1, 1, 0, 5), false);
    EXPECT_EQ(midnight.hourTens, 1);
    EXPECT_EQ(midnight.hourUnits, 2);
    EXPECT_EQ(midnight.minuteTens, 0);
    EXPECT_EQ(midnight.minuteUnits, 5);
    EXPECT_FALSE(midnight.afternoon);
    const TimeDigits one = WatchTimeDigits(at(1, 1, 13, 5), false);
    EXPECT_EQ(one.hourTens, kNoDigit);
    EXPECT_EQ(one.hourUnits, 1);
    EXPECT_TRUE(one.afternoon);
    const TimeDigits noon = WatchTimeDigits(at(1, 1, 12, 0), false);
    EXPECT_EQ(noon.hourTens, 1);
    EXPECT_EQ(noon.hourUnits, 2);
    EXPECT_TRUE(noon.afternoon);
    // 24-hour mode keeps the hour and its zero.
    const TimeDigits early = WatchTimeDigits(at(1, 1, 0, 5, 37), true);
    EXPECT_EQ(early.hourTens, 0);
    EXPECT_EQ(early.hourUnits, 0);
    EXPECT_EQ(early.secondTens, 3);
    EXPECT_EQ(early.secondUnits, 7);
    EXPECT_EQ(WatchTimeDigits(at(1, 1, 23, 59), true).hourTens, 2);
    for (int h = 0; h < 24; ++h) {
        const int shown = DisplayHour(h, false);
        EXPECT_GE(shown, 1) << h;
        EXPECT_LE(shown, 12) << h;
        EXPECT_EQ(shown % 12, h % 12) << h;
    }
}

TEST(WatchParts, DateFollowsTheShortDateOrder) {
    const auto t = at(3, 7, 10, 0);
    // Month first (orders 0 and 2): the month's zero tens digit is left out where asked.
    DateDigits d = WatchDateDigits(t, 0, true);
    EXPECT_EQ(d.firstTens, kNoDigit);
    EXPECT_EQ(d.firstUnits, 3);
    EXPECT_EQ(d.secondTens, 0);
    EXPECT_EQ(d.secondUnits, 7);
    EXPECT_EQ(WatchDateDigits(t, 2, true).firstUnits, 3);
    EXPECT_EQ(WatchDateDigits(t, 0, false).firstTens, 0);
    // Day first: the day's tens digit always shows.
    d = WatchDateDigits(t, 1, true);
    EXPECT_EQ(d.firstTens, 0);
    EXPECT_EQ(d.firstUnits, 7);
    EXPECT_EQ(d.secondTens, 0);
    EXPECT_EQ(d.secondUnits, 3);
    const DateDigits december = WatchDateDigits(at(12, 31, 0, 0), 0, true);
    EXPECT_EQ(december.firstTens, 1);
    EXPECT_EQ(december.secondTens, 3);
}

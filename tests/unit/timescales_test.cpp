#include "timescales/timescales.h"

#include "cities/citytime.h"
#include "cities_test_support.h"
#include "device/fake.h"
#include "tests/support/settime.h"

#include <gtest/gtest.h>

using namespace hv;
using dev::SystemTime;

namespace {

using testsupport::at;

dev::TimeZoneInformation FixedZone(int minutesEast) {
    dev::TimeZoneInformation tz{};
    tz.Bias = -minutesEast;
    return tz;
}

struct Clock {
    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    explicit Clock(const dev::TimeZoneInformation& tz) { fake.clockImpl.setZone(tz); }
};

using test::makeCity;
using test::ruleCity;

const CityRecord kLondon = ruleCity(0, 0x40, 2, 0x40, 9);
const CityRecord kNewYork = ruleCity(-300, 0x00, 3, 0x40, 9);
const CityRecord kSydney = ruleCity(600, 0x40, 9, 0x40, 2);
const CityRecord kKathmandu = makeCity(u"Kathmandu", 345);

bool CityInDaylightSaving(const CityRecord& city, dev::FileTime utc) {
    return InDaylightSaving(CityZone(city), utc);
}

} // namespace

TEST(TimeScales, BeatsOfTheDay) {
    Clock c(FixedZone(60));
    EXPECT_EQ(BeatsFromLocal(at(2006, 3, 1, 0, 0, 0)), 0);
    EXPECT_EQ(BeatsFromLocal(at(2006, 3, 1, 23, 59, 59)), 999);
    EXPECT_EQ(FormatBeats(BeatsFromLocal(at(2006, 3, 1, 0, 0, 0)).value()), u"000");
    EXPECT_EQ(FormatBeats(999), u"999");
    EXPECT_EQ(FormatBeats(7), u"007");
    EXPECT_EQ(FormatBeats(42), u"042");
    EXPECT_EQ(BeatsFromUtc(*dev::toFileTime(at(2006, 3, 1, 12, 0, 0))), 541);
    EXPECT_FALSE(BeatsFromLocal(SystemTime{})); // outside the calendar
}

TEST(TimeScales, BeatsThroughADaylightZone) {
    Clock c(dev::zoneUsEastern());
    // 12:00 UTC is 08:00 in New York in July, 07:00 in January.
    EXPECT_EQ(BeatsFromLocal(at(2006, 7, 3, 8, 0, 0)), 541);
    EXPECT_EQ(BeatsFromLocal(at(2006, 1, 3, 7, 0, 0)), 541);
    EXPECT_EQ(LocalFromBeats(500, at(2006, 7, 3, 0, 0, 0)),
              dev::toSystemTime(*dev::toFileTime(at(2006, 7, 3, 7, 0, 0))));
}

TEST(TimeScales, LocalFromBeatsInUtcAndRoundTrip) {
    Clock c(FixedZone(0));
    const SystemTime t = LocalFromBeats(500, at(2006, 3, 1, 9, 9, 9));
    EXPECT_EQ(t.year, 2006);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 11);
    EXPECT_EQ(t.minute, 0);
    EXPECT_EQ(t.second, 0);
    // The start of a beat is cut to the whole second, so it may still read as the beat before.
    for (int b = 0; b < 1000; ++b) {
        const int back = BeatsFromLocal(LocalFromBeats(b, at(2006, 3, 1, 0, 0, 0))).value();
        ASSERT_TRUE(back == b || (back == b - 1 && b * 864 % 10 != 0)) << b;
    }
    // Beat 0 of the first representable day has no local time before it: the date comes back.
    EXPECT_EQ(LocalFromBeats(0, at(1601, 1, 1, 0, 0, 0)), at(1601, 1, 1, 0, 0, 0));
}

TEST(TimeScales, BeatEntryPicture) {
    const SystemTime e = BeatEntryFromBeats(42);
    EXPECT_EQ(e.year, 2000);
    EXPECT_EQ(e.hour, 4);
    EXPECT_EQ(e.minute, 2);
    for (int b = 0; b < 1000; b += 13)
        ASSERT_EQ(BeatsFromBeatEntry(BeatEntryFromBeats(b)), b);
}

TEST(TimeScales, DaylightRulesOfCities) {
    const CityRecord europe = ruleCity(60, 0x40, 2, 0x40, 9);
    EXPECT_TRUE(CityInDaylightSaving(europe, *dev::toFileTime(at(2006, 7, 1, 12, 0, 0))));
    EXPECT_FALSE(CityInDaylightSaving(europe, *dev::toFileTime(at(2006, 12, 1, 12, 0, 0))));
    EXPECT_TRUE(CityInDaylightSaving(kSydney, *dev::toFileTime(at(2006, 1, 1, 0, 0, 0))));
    EXPECT_FALSE(CityInDaylightSaving(kSydney, *dev::toFileTime(at(2006, 7, 1, 0, 0, 0))));
    // Both transitions count as in force: 2006-03-26 00:00 and 2006-10-29 00:00 standard time.
    EXPECT_TRUE(CityInDaylightSaving(europe, *dev::toFileTime(at(2006, 3, 25, 23, 0, 0))));
    EXPECT_FALSE(CityInDaylightSaving(europe, *dev::toFileTime(at(2006, 3, 25, 22, 59, 59))));
    EXPECT_TRUE(CityInDaylightSaving(europe, *dev::toFileTime(at(2006, 10, 28, 23, 0, 0))));
    EXPECT_FALSE(CityInDaylightSaving(europe, *dev::toFileTime(at(2006, 10, 28, 23, 0, 1))));
    // Third Sunday of February 2007 is the 18th.
    const CityRecord south = ruleCity(-180, 0x00, 10, 0x20, 1);
    EXPECT_TRUE(CityInDaylightSaving(south, *dev::toFileTime(at(2007, 2, 18, 3, 0, 0))));
    EXPECT_FALSE(CityInDaylightSaving(south, *dev::toFileTime(at(2007, 2, 18, 3, 0, 1))));
    EXPECT_FALSE(CityInDaylightSaving(kKathmandu, *dev::toFileTime(at(2006, 7, 1, 0, 0, 0))));
}

TEST(TimeScales, TimeCalcRows) {
    // The reference city itself, even on the night of its change.
    for (const SystemTime& t :
         {at(2006, 7, 1, 12, 0, 0), at(2006, 3, 26, 0, 30, 0), at(2006, 10, 29, 0, 0, 0)})
        EXPECT_EQ(TimeCalcRow(kLondon, t, kLondon), t);
    EXPECT_EQ(TimeCalcRow(kLondon, at(2006, 7, 1, 12, 0, 0), kNewYork)->hour, 7);
    EXPECT_EQ(TimeCalcRow(kLondon, at(2006, 1, 10, 12, 0, 0), kNewYork)->hour, 7);
    EXPECT_EQ(TimeCalcRow(kLondon, at(2006, 1, 10, 12, 0, 0), kSydney),
              dev::toSystemTime(*dev::toFileTime(at(2006, 1, 10, 23, 0, 0))));
    const SystemTime k = TimeCalcRow(kNewYork, at(2006, 12, 31, 20, 0, 0), kKathmandu).value();
    EXPECT_EQ(k.year, 2007);
    EXPECT_EQ(k.day, 1);
    EXPECT_EQ(k.hour, 6);
    EXPECT_EQ(k.minute, 45);
    // Another record with London's zone counts as the reference city's own.
    CityRecord rec = kLondon;
    rec.id = 4040;
    rec.setName(u"Edinburgh");
    EXPECT_FALSE(ZonesDiffer(CityZone(rec), CityZone(kLondon)));
    EXPECT_EQ(TimeCalcRow(kLondon, at(2006, 3, 26, 0, 30, 0), rec), at(2006, 3, 26, 0, 30, 0));
}

// At the ends of the file times a city's time, a Time Calc row and the beats of a local time have
// no result instead of a clamped or zeroed one.
TEST(TimeScales, NoResultAtTheEndsOfTheCalendar) {
    const CityRecord adak = makeCity(u"Adak", -600);
    const CityRecord line = makeCity(u"Kiritimati", 840);
    EXPECT_FALSE(TimeCalcRow(kKathmandu, at(1601, 1, 1, 0, 0, 0), adak));
    EXPECT_FALSE(TimeCalcRow(kKathmandu, at(1601, 1, 1, 5, 44, 0), kLondon));
    auto filled = [](const SystemTime& t) { return dev::toSystemTime(*dev::toFileTime(t)); };
    EXPECT_EQ(TimeCalcRow(kKathmandu, at(1601, 1, 1, 5, 45, 0), kLondon),
              filled(at(1601, 1, 1, 0, 0, 0)));
    EXPECT_FALSE(TimeCalcRow(kLondon, at(30827, 12, 31, 10, 0, 0), line));
    EXPECT_EQ(TimeCalcRow(kLondon, at(30827, 12, 31, 9, 59, 0), line),
              filled(at(30827, 12, 31, 23, 59, 0)));
    const dev::FileTime last = *dev::toFileTime(at(30827, 12, 31, 23, 0, 0));
    EXPECT_FALSE(CityWallTime(line, last));
    EXPECT_FALSE(CityWallTime(adak, *dev::toFileTime(at(1601, 1, 1, 9, 0, 0))));
    EXPECT_FALSE(CityUtcOf(line, *dev::toFileTime(at(1601, 1, 1, 13, 0, 0))));
    EXPECT_EQ(CityWallTime(adak, last), *dev::toFileTime(at(30827, 12, 31, 13, 0, 0)));
    {
        Clock c(FixedZone(0));
        EXPECT_EQ(BeatsFromLocal(at(30827, 12, 31, 23, 30, 0)), 20);
        EXPECT_EQ(BeatsFromUtc(last), 0);
    }
    {
        Clock c(FixedZone(60));
        EXPECT_FALSE(BeatsFromLocal(at(1601, 1, 1, 0, 30, 0)));
        EXPECT_EQ(BeatsFromLocal(at(1601, 1, 1, 1, 0, 0)), 41);
    }
}

TEST(TimeScales, YearProgress) {
    const SystemTime now = at(2006, 7, 2, 12, 0, 0);
    // 2006-07-02 12:00 is 182.5 days into the year and 182.5 days before its end.
    YearProgressValues v = YearProgress(2006, ProgressUnit::Days, now);
    EXPECT_EQ(v.passed, (ProgressValue{182, 5}));
    EXPECT_EQ(v.remained, (ProgressValue{182, 5}));
    v = YearProgress(2006, ProgressUnit::Hours, now);
    EXPECT_EQ(v.passed, (ProgressValue{4380, 0}));
    v = YearProgress(2006, ProgressUnit::Weeks, now);
    EXPECT_EQ(v.remained, (ProgressValue{26, 0}));
    v = YearProgress(2005, ProgressUnit::Days, now);
    EXPECT_EQ(v.remained, (ProgressValue{0, 0}));
    EXPECT_EQ(v.passed, (ProgressValue{547, 5}));
    v = YearProgress(2007, ProgressUnit::Months, now);
    EXPECT_EQ(v.passed, (ProgressValue{0, 0}));
    EXPECT_EQ(FormatProgress(v.passed), u"0.0");
    EXPECT_EQ(MonthsFromDays(365), (ProgressValue{11, 9}));
    EXPECT_EQ(FormatProgress(MonthsFromDays(365)), u"11.9");
    // On 1 January nothing has passed yet (never a negative count).
    v = YearProgress(2006, ProgressUnit::Months, at(2006, 1, 1, 0, 0, 0));
    EXPECT_EQ(v.passed, (ProgressValue{0, 0}));
    EXPECT_EQ(v.remained, MonthsFromDays(365));
    Clock c(FixedZone(0));
    c.fake.clockImpl.setUtc(*dev::toFileTime(now));
    EXPECT_EQ(YearProgress(2006, ProgressUnit::Days).passed, (ProgressValue{182, 5}));
}

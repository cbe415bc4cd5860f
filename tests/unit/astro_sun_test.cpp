#include "astro/sun.h"

#include "device/fake.h"

#include <gtest/gtest.h>

using namespace hv::astro;

namespace {

SunTimes At(double lat, double lon, double h, int type, int y, int m, int d) {
    return SunRiseSet(lat, lon, h, SunZenithForType(type), y, m, d);
}

} // namespace

TEST(AstroSun, EquatorAtEquinoxForEveryType) {
    EXPECT_EQ(At(0, 0, 0, 0, 2006, 3, 21), (SunTimes{364, 1090}));
    EXPECT_EQ(At(0, 0, 0, 1, 2006, 3, 21), (SunTimes{343, 1111}));
    EXPECT_EQ(At(0, 0, 0, 2, 2006, 3, 21), (SunTimes{319, 1135}));
    EXPECT_EQ(At(0, 0, 0, 3, 2006, 3, 21), (SunTimes{295, 1159}));
}

TEST(AstroSun, CitiesFromTheirRecords) {
    const double londonLat = SignedDegrees(51, 30, true), londonLon = SignedDegrees(0, 7, false);
    EXPECT_EQ(At(londonLat, londonLon, 1, 0, 2006, 6, 21), (SunTimes{283, 1281}));
    const double nyLat = SignedDegrees(40, 44, true), nyLon = SignedDegrees(73, 55, false);
    EXPECT_EQ(At(nyLat, nyLon, -4, 0, 2006, 7, 1), (SunTimes{328, 1231}));
}

TEST(AstroSun, PolarDayAndNightHaveNoEvents) {
    EXPECT_EQ(At(78, 15, 1, 0, 2006, 6, 21), (SunTimes{-1, -1}));
    EXPECT_EQ(At(78, 15, 1, 0, 2006, 12, 21), (SunTimes{-1, -1}));
    const SunTexts t = SunTextsFor(SunTimes{-1, -1}, 0, 2006, 6, 21);
    EXPECT_EQ(t.rise, u"--:--");
    EXPECT_EQ(t.set, u"- - - - -");
}

TEST(AstroSun, SouthernDaysAreLongerInDecember) {
    const double lat = SignedDegrees(33, 55, false), lon = SignedDegrees(151, 17, true);
    const SunTimes june = At(lat, lon, 10, 0, 2006, 6, 21);
    const SunTimes december = At(lat, lon, 11, 0, 2006, 12, 21);
    ASSERT_GE(june.rise, 0);
    ASSERT_GE(december.rise, 0);
    EXPECT_GT(december.set - december.rise, june.set - june.rise + 120);
}

TEST(AstroSun, JulianCalendarBeforeGregorianReform) {
    // 1500-03-11 (Julian) is the same day as 1500-03-21 (proleptic Gregorian): the equinox.
    // Both branches of the day count must land on the same sunrise within a minute.
    const SunTimes julian = At(0, 0, 0, 0, 1500, 3, 11);
    const SunTimes g1583 = At(0, 0, 0, 0, 1583, 3, 11);
    ASSERT_GE(julian.rise, 0);
    EXPECT_NEAR(julian.rise, 364, 4);
    EXPECT_NEAR(julian.set, 1090, 4);
    // Ten days apart in the Julian branch: the equinox day in 1583 falls on the 21st.
    EXPECT_NE(julian, At(0, 0, 0, 0, 1500, 3, 21));
    EXPECT_NEAR(g1583.rise - At(0, 0, 0, 0, 1583, 3, 21).rise, 0, 10);
}

TEST(AstroSun, TextsOfFoundEventsAndBadTypes) {
    hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    const SunTexts t = SunTextsFor(SunTimes{364, -1}, 0, 2006, 3, 21);
    EXPECT_NE(t.rise, u"--:--");
    EXPECT_FALSE(t.rise.empty());
    EXPECT_EQ(t.set, u"- - - - -");
    const SunTexts bad = SunTextsFor(SunTimes{364, 1090}, 4, 2006, 3, 21);
    EXPECT_EQ(bad.rise, u"--:--");
    EXPECT_EQ(bad.set, u"- - - - -");
    EXPECT_EQ(SunZenithForType(4), 0);
    // A locale whose time text is longer than 16 characters still shows its times.
    fake.localeImpl.set(hv::dev::LocaleData::fromName("dz_BT"));
    const SunTexts dz = SunTextsFor(SunTimes{364, 1090}, 0, 2006, 3, 21);
    EXPECT_GT(dz.rise.size(), 16u);
    EXPECT_NE(dz.set.find(u" 6 "), std::u16string::npos); // 18:10, on a 12-hour clock
}

TEST(AstroSun, StaysInRangeEverywhere) {
    for (int y = 1600; y <= 2400; y += 37)
        for (int m = 1; m <= 12; m += 1)
            for (double lat = -90; lat <= 90; lat += 7.5)
                for (double lon = -180; lon <= 180; lon += 45)
                    for (int type = 0; type < 4; ++type) {
                        const SunTimes t = At(lat, lon, lon / 15, type, y, m, 1 + (m * 3) % 28);
                        ASSERT_GE(t.rise, -1);
                        ASSERT_LT(t.rise, 1440);
                        ASSERT_GE(t.set, -1);
                        ASSERT_LT(t.set, 1440);
                    }
}

TEST(AstroSun, DayForTheDeviceZone) {
    hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    fake.clockImpl.setZone(hv::dev::zoneUsEastern());
    EXPECT_EQ(DeviceZoneHours(2006, 7, 1), -4);
    EXPECT_EQ(DeviceZoneHours(2006, 1, 1), -5);
    const double lat = SignedDegrees(40, 44, true), lon = SignedDegrees(73, 55, false);
    const SunDay d = SunDayFor(lat, lon, 0, 2006, 7, 1);
    EXPECT_EQ(d.times, (SunTimes{328, 1231}));
    EXPECT_NE(d.texts.rise, kNoSunrise);
    EXPECT_NE(d.texts.set, kNoSunset);
    const SunDay bad = SunDayFor(lat, lon, 7, 2006, 7, 1);
    EXPECT_EQ(bad.times, (SunTimes{-1, -1}));
    EXPECT_EQ(bad.texts.rise, kNoSunrise);
}

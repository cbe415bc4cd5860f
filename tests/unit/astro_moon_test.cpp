#include "astro/moon.h"

#include "device/fake.h"
#include "device/strings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

using namespace hv::astro;

namespace {

hv::dev::FileTime Utc(int y, int mo, int d, int h, int mi, int s = 0) {
    return *hv::dev::toFileTime(hv::dev::SystemTime{
        static_cast<uint16_t>(y), static_cast<uint16_t>(mo), 0, static_cast<uint16_t>(d),
        static_cast<uint16_t>(h), static_cast<uint16_t>(mi), static_cast<uint16_t>(s), 0});
}

} // namespace

TEST(AstroMoon, JulianDayAndItsInverse) {
    EXPECT_DOUBLE_EQ(JulianDayOf(2000, 1, 1, 12, 0, 0), 2451545.0);
    EXPECT_DOUBLE_EQ(JulianDayOf(1957, 10, 4, 19, 26, 24), 2436116.31);
    EXPECT_EQ(DateOfJulianDay(2436116.31), (CalendarMinute{1957, 10, 4, 19, 26}));
    // Before the reform the inverse reads the Julian calendar.
    EXPECT_EQ(DateOfJulianDay(2299160.5), (CalendarMinute{1582, 10, 15, 0, 0}));
    EXPECT_EQ(DateOfJulianDay(2299159.5), (CalendarMinute{1582, 10, 4, 0, 0}));
    // Every minute of a day round-trips.
    for (int m = 0; m < 1440; m += 7)
        ASSERT_EQ(DateOfJulianDay(JulianDayOf(2024, 2, 29, m / 60, m % 60)),
                  (CalendarMinute{2024, 2, 29, m / 60, m % 60}));
    // Every day from the reform to 2400 against std::chrono's calendar: JD = days since
    // 1970-01-01 + 2440587.5, and back.
    namespace chr = std::chrono;
    for (chr::sys_days d{chr::year{1582} / 10 / 15}; d < chr::sys_days{chr::year{2400} / 1 / 1};
         d += chr::days{1}) {
        const chr::year_month_day c{d};
        const int y = int(c.year()), m = int(unsigned(c.month())), day = int(unsigned(c.day()));
        const int minute = static_cast<int>(d.time_since_epoch().count() % 1440 + 1440) % 1440;
        ASSERT_EQ(JulianDayOf(y, m, day),
                  static_cast<double>(d.time_since_epoch().count()) + 2440587.5);
        ASSERT_EQ(DateOfJulianDay(JulianDayOf(y, m, day, minute / 60, minute % 60)),
                  (CalendarMinute{y, m, day, minute / 60, minute % 60}))
            << y << '-' << m << '-' << day;
    }
}

TEST(AstroMoon, QuarterPhasesOf2006January) {
    EXPECT_EQ(PhaseKindOf(74.25), PhaseKind::FirstQuarter);
    EXPECT_EQ(PhaseKindOf(74.75), PhaseKind::LastQuarter);
    EXPECT_EQ(DateOfJulianDay(PhaseTime(74.25)), (CalendarMinute{2006, 1, 6, 18, 57}));
    EXPECT_EQ(DateOfJulianDay(PhaseTime(74.75)), (CalendarMinute{2006, 1, 22, 15, 14}));
    // The book's worked example: the new moon of 1977 February (k = -283) at JDE 2443192.65118.
    EXPECT_NEAR(PhaseTime(-283), 2443192.65118, 0.00002);
}

TEST(AstroMoon, NextPhasesStartAtOrAfterNow) {
    const double fq = PhaseTime(74.25);
    MoonClock at{fq, 2006 + (fq - JulianDayOf(2006, 1, 1) - 1) / 365.25};
    MoonPhases p = NextPhases(at);
    EXPECT_EQ(p.next[0].kind, PhaseKind::FirstQuarter); // a phase exactly now is listed
    EXPECT_DOUBLE_EQ(p.next[0].jd, fq);
    at.jd += 1.0 / 1440;
    p = NextPhases(at);
    EXPECT_EQ(p.next[0].kind, PhaseKind::Full); // just past: the list starts with the next one
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(static_cast<int>(p.next[i].kind), (static_cast<int>(p.next[i - 1].kind) + 1) % 4);
        EXPECT_GT(p.next[i].jd, p.next[i - 1].jd);
    }
    EXPECT_LT(p.lastNew, at.jd);
    EXPECT_GE(p.nextNew, at.jd);
    EXPECT_NEAR(p.nextNew - p.lastNew, 29.53, 0.5);
}

TEST(AstroMoon, ApsidesOfTheBook) {
    // Apogee of 1988 October (k = -148.5): JDE 2447442.3543, parallax 3240.679".
    const Apsis apogee = ApsisAt(-148.5);
    EXPECT_NEAR(apogee.jd, 2447442.3543, 0.0002);
    EXPECT_NEAR(apogee.km, 6378.14 / std::sin(3240.679 / 3600 * 0.017453292519943295), 2);
    const Apsides a = CurrentApsides(MoonClockAt(Utc(2006, 1, 10, 12, 0)));
    EXPECT_GT(a.apogee.km, 400000);
    EXPECT_LT(a.perigee.km, 371000);
    EXPECT_NEAR(a.perigee.jd - a.apogee.jd, 13.8, 2);
}

TEST(AstroMoon, PositionAndIllumination) {
    // Around the full moon of 2006-01-14 09:48 UTC and the new moon of 2006-01-29 14:15 UTC.
    EXPECT_GE(MoonPositionAt(JulianDayOf(2006, 1, 14, 9, 48)).visible, 99);
    EXPECT_LE(MoonPositionAt(JulianDayOf(2006, 1, 29, 14, 15)).visible, 1);
    const MoonPosition p = MoonPositionAt(JulianDayOf(2006, 1, 10, 12, 0));
    EXPECT_GT(p.distanceKm, 356000);
    EXPECT_LT(p.distanceKm, 407000);
}

TEST(AstroMoon, PhaseNamesAndPictures) {
    EXPECT_EQ(PhaseLookOf(0, 0.99).name, PhaseName::New);
    EXPECT_EQ(PhaseLookOf(0, 0.99).picture, 0);
    EXPECT_EQ(SouthernPicture(0), 0);
    EXPECT_EQ(PhaseLookOf(100, 0.5).name, PhaseName::Full);
    EXPECT_EQ(PhaseLookOf(100, 0.5).picture, 12);
    EXPECT_EQ(SouthernPicture(12), 12);
    const PhaseLook crescent = PhaseLookOf(45, 0.3);
    EXPECT_EQ(crescent.name, PhaseName::WaxingCrescent);
    EXPECT_EQ(crescent.picture, 5);
    EXPECT_EQ(SouthernPicture(crescent.picture), 19);
    EXPECT_EQ(PhaseLookOf(5, 0.9).picture, 23);
    EXPECT_EQ(PhaseLookOf(50, 0.2).name, PhaseName::FirstQuarter);
    EXPECT_EQ(PhaseLookOf(50, 0.8).picture, 18);
    EXPECT_EQ(PhaseLookOf(95, 0.3).picture, 11);
    EXPECT_EQ(PhaseLookOf(55, 0.7).picture, 17);
    EXPECT_EQ(PhaseNameText(PhaseName::WaningGibbous), u"Waning Gibbous");
    EXPECT_EQ(SouthernIconKind(0), 0);
    EXPECT_EQ(SouthernIconKind(1), 3);
    EXPECT_EQ(SouthernIconKind(2), 2);
    EXPECT_EQ(SouthernIconKind(3), 1);
}

TEST(AstroMoon, AgeText) {
    EXPECT_EQ(AgeText(1.5), u"1d 12h 0m");
    EXPECT_EQ(AgeText(0), u"0d 0h 0m");
    EXPECT_EQ(AgeText(-0.1), u"0d 0h 0m");
}

TEST(AstroMoon, EvaluationFromTheDeviceClockMirrorsForTheSouth) {
    hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use(fake);
    fake.clockImpl.setUtc(Utc(2006, 1, 10, 12, 0));
    const MoonClock now = MoonClockNow();
    EXPECT_DOUBLE_EQ(now.jd, JulianDayOf(2006, 1, 10, 12, 0, 0));
    const MoonReport north = EvaluateMoon(now, false);
    const MoonReport south = EvaluateMoon(now, true);
    EXPECT_EQ(north.look.name, PhaseName::WaxingGibbous);
    EXPECT_EQ(south.look.picture, 24 - north.look.picture);
    EXPECT_EQ(north.phases.next[0].kind, PhaseKind::Full);
    EXPECT_EQ(south.iconKinds[0], 2);
    EXPECT_EQ(south.iconKinds[1], 1); // last quarter drawn as a first quarter
}

TEST(AstroMoon, StaysInRangeFrom1600To2400) {
    for (int y = 1600; y <= 2400; y += 3)
        for (int m = 1; m <= 12; m += 5) {
            const double jd = JulianDayOf(y, m, 1 + (y % 28), y % 24, y % 60);
            const MoonClock c{jd, y + (jd - JulianDayOf(y, 1, 1) - 1) / 365.25};
            const MoonReport r = EvaluateMoon(c, y % 2 == 0);
            ASSERT_GE(r.position.visible, 0);
            ASSERT_LE(r.position.visible, 100);
            ASSERT_GT(r.position.distanceKm, 350000);
            ASSERT_LT(r.position.distanceKm, 410000);
            ASSERT_GE(r.look.picture, 0);
            ASSERT_LE(r.look.picture, 23);
            ASSERT_GE(r.phases.next[0].jd, jd);
            ASSERT_LT(r.phases.lastNew, jd);
            ASSERT_GE(r.phases.nextNew, jd);
            ASSERT_GT(r.apsides.apogee.km, 400000);
            ASSERT_LT(r.apsides.perigee.km, 372000);
        }
}

// Far from 2000 the first guess of the lunation drifts: the list must still start with the first
// phase after now, and the last new moon lie before now.
TEST(AstroMoon, PhaseListBracketsNowFarFrom2000) {
    const MoonClock far = MoonClockAt(Utc(5000, 10, 3, 2, 37));
    const MoonPhases p = NextPhases(far);
    EXPECT_EQ(p.next[0].kind, PhaseKind::New);
    EXPECT_EQ(DateOfJulianDay(p.next[0].jd), (CalendarMinute{5000, 10, 3, 12, 57}));
    EXPECT_NE(EvaluateMoon(far, false).age, u"0d 0h 0m");
    for (int year : {1601, 3000, 5000, 9999})
        for (int month = 1; month <= 12; ++month)
            for (int day : {1, 9, 17, 25}) {
                const MoonClock now = MoonClockAt(Utc(year, month, day, day % 24, 0));
                const MoonPhases ph = NextPhases(now);
                ASSERT_GE(ph.next[0].jd, now.jd) << year << '-' << month << '-' << day;
                // No phase skipped: quarters are at most 8.5 days apart.
                ASSERT_LT(ph.next[0].jd - now.jd, 8.5) << year << '-' << month << '-' << day;
                for (int i = 1; i < 4; ++i)
                    ASSERT_GT(ph.next[i].jd, ph.next[i - 1].jd);
                ASSERT_LE(ph.lastNew, now.jd) << year << '-' << month << '-' << day;
                ASSERT_GT(ph.nextNew, now.jd);
                ASSERT_NEAR(ph.nextNew - ph.lastNew, 29.53, 0.5);
            }
}

TEST(AstroMoon, ViewHelpersLocalTimeAndPhaseNames) {
    hv::dev::FakeDevice fake;
    hv::dev::ScopedDevice use{fake};
    hv::dev::TimeZoneInformation plusTwo{};
    plusTwo.Bias = -120;
    fake.clockImpl.setZone(plusTwo);
    hv::dev::SystemTime t;
    ASSERT_TRUE(LocalTimeOfJulianDay(2451545.0, t)); // 2000-01-01 12:00 UTC
    EXPECT_EQ(t, (hv::dev::SystemTime{2000, 1, 6, 1, 14, 0, 0, 0}));
    EXPECT_TRUE(LocalTimeOfJulianDay(JulianDayOf(30827, 12, 31, 21, 59), t));
    EXPECT_EQ(t.hour, 23);
    EXPECT_FALSE(LocalTimeOfJulianDay(JulianDayOf(30827, 12, 31, 22, 0), t));
    EXPECT_FALSE(LocalTimeOfJulianDay(JulianDayOf(1600, 12, 31, 23, 0), t));

    EXPECT_EQ(PhaseNameText(PhaseName::Full), u"Full Moon");
    EXPECT_EQ(PhaseNameText(PhaseName::WaningCrescent), u"Waning Crescent");
    // A later table (a translation) gives the names.
    static const hv::dev::StringResource german[] = {
        {kStrPhaseNames + static_cast<int>(PhaseName::Full), u"Vollmond"}};
    hv::dev::RegisterStrings(german, 1);
    EXPECT_EQ(PhaseNameText(PhaseName::Full), u"Vollmond");
    static const hv::dev::StringResource english[] = {
        {kStrPhaseNames + static_cast<int>(PhaseName::Full), u"Full Moon"}};
    hv::dev::RegisterStrings(english, 1);
}

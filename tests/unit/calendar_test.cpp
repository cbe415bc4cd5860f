#include "calendar/calendar.h"
#include "device/fake.h"
#include "device/systime.h"
#include "settings/settings.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

using namespace hv;
using hv::dev::SystemTime;
namespace chr = std::chrono;

namespace {
SystemTime date(int y, int m, int d) {
    return SystemTime{static_cast<uint16_t>(y),
                      static_cast<uint16_t>(m),
                      0,
                      static_cast<uint16_t>(d),
                      0,
                      0,
                      0,
                      0};
}
int civil(int y, int m, int d) {
    return WeekNumber(date(y, m, d), WeekScheme::Civil);
}
int iso(int y, int m, int d) {
    return WeekNumber(date(y, m, d), WeekScheme::Iso8601);
}

// The sweeps below walk std::chrono's calendar, a reference independent of the code under test.
chr::sys_days on(int y, unsigned m, unsigned d) {
    return chr::sys_days{chr::year{y} / chr::month{m} / chr::day{d}};
}
struct Ymd {
    int y;
    unsigned m, d;
};
Ymd parts(chr::sys_days day) {
    const chr::year_month_day ymd{day};
    return {static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
            static_cast<unsigned>(ymd.day())};
}
int64_t count(chr::days n) {
    return static_cast<int64_t>(n.count());
}

// The ISO 8601 week as the C library counts it (strftime's %V).
int referenceIsoWeek(chr::sys_days day) {
    const time_t t = static_cast<time_t>(day.time_since_epoch().count()) * 86400;
    tm fields{};
    gmtime_r(&t, &fields);
    char text[8] = {};
    strftime(text, sizeof text, "%V", &fields);
    return std::atoi(text);
}
} // namespace

TEST(WeekNumbers, YearBoundariesInBothSchemes) {
    EXPECT_EQ(civil(2023, 1, 1), 1);
    EXPECT_EQ(iso(2023, 1, 1), 52);
    EXPECT_EQ(civil(2023, 1, 2), 2);
    EXPECT_EQ(iso(2023, 1, 2), 1);
    EXPECT_EQ(civil(2024, 12, 30), 53);
    EXPECT_EQ(civil(2024, 12, 31), 53);
    EXPECT_EQ(iso(2024, 12, 30), 1);
    EXPECT_EQ(iso(2024, 12, 31), 1);
    EXPECT_EQ(civil(2012, 12, 31), 54); // leap year that began on a Sunday
    EXPECT_EQ(civil(2020, 12, 31), 53);
    EXPECT_EQ(iso(2020, 12, 31), 53);
    EXPECT_EQ(civil(2026, 12, 31), 53);
    EXPECT_EQ(iso(2026, 12, 31), 53);
}

TEST(WeekNumbers, IsoMatchesThursdayRuleForFourCenturies) {
    for (chr::sys_days day = on(1901, 1, 1); day < on(2301, 1, 1); day += chr::days{1}) {
        const Ymd c = parts(day);
        const auto t = date(c.y, static_cast<int>(c.m), static_cast<int>(c.d));
        ASSERT_EQ(IsoWeekOfJulianDay(JulianDay(t)), referenceIsoWeek(day))
            << c.y << '-' << c.m << '-' << c.d;
    }
}

TEST(WeekNumbers, FollowTheSettingsScheme) {
    resetAppState();
    app().settings.weekNumbering = 0;
    EXPECT_EQ(WeekNumber(date(2023, 1, 1)), 1);
    app().settings.weekNumbering = 1;
    EXPECT_EQ(WeekNumber(date(2023, 1, 1)), 52);
    resetAppState();
}

TEST(CalendarArithmetic, GregorianWeekdayAndJulianDayOverFourCenturies) {
    for (chr::sys_days day = on(1800, 3, 1); day < on(2400, 3, 1); day += chr::days{1}) {
        const Ymd c = parts(day);
        const int expected = static_cast<int>(chr::weekday{day}.iso_encoding()) - 1;
        ASSERT_EQ(DayOfWeek(static_cast<uint16_t>(c.y), static_cast<uint8_t>(c.m),
                            static_cast<uint8_t>(c.d)),
                  expected);
        ASSERT_EQ(JulianDay(date(c.y, static_cast<int>(c.m), static_cast<int>(c.d))),
                  count(day.time_since_epoch()) + 2440588);
    }
    EXPECT_EQ(DayOfWeek(2024, 1, 1), 0);
    EXPECT_EQ(DayOfWeek(2023, 1, 1), 6);
    EXPECT_EQ(JulianDay(date(2000, 1, 1)), 2451545);
}

TEST(CalendarArithmetic, GregorianLeapYearsInEveryCount) {
    EXPECT_EQ(DaysInMonth(2, 2100), 28);
    EXPECT_EQ(DaysInMonth(2, 1900), 28);
    EXPECT_EQ(DaysInMonth(2, 2000), 29);
    EXPECT_EQ(DaysInMonth(2, 2024), 29);
    EXPECT_EQ(DaysInMonth(2, 2023), 28);
    EXPECT_EQ(DaysInMonth(4, 2023), 30);
    EXPECT_EQ(DaysInMonth(12, 2023), 31);
    EXPECT_EQ(DaysBetween(28, 2, 2100, 1, 3, 2100), 1);
    EXPECT_EQ(DaysBetween(1, 1, 1900, 1, 1, 2100), 73049);
    EXPECT_EQ(DayOfWeek(2100, 3, 1), 0);
    EXPECT_EQ(DayOfWeek(2100, 2, 28), 6);
    // Every day of four centuries that start with a year that is not a leap year: the counts agree
    // with the day numbers, and the civil week moves on each Monday after 1 January.
    for (chr::sys_days day = on(1700, 1, 1); day < on(2101, 1, 1); day += chr::days{1}) {
        const Ymd c = parts(day);
        const auto y = static_cast<uint16_t>(c.y);
        const auto m = static_cast<uint8_t>(c.m), d = static_cast<uint8_t>(c.d);
        const chr::sys_days jan1 = on(c.y, 1, 1);
        ASSERT_EQ(DayOfYear(d, m, y), count(day - jan1) + 1);
        ASSERT_EQ(DaysToYearEnd(d, m, y), count(on(c.y, 12, 31) - day) + 1);
        ASSERT_EQ(DaysBetween(1, 1, 1700, d, m, y), count(day - on(1700, 1, 1)));
        const int64_t jan1Monday = chr::weekday{jan1}.iso_encoding() - 1;
        ASSERT_EQ(civil(c.y, static_cast<int>(c.m), static_cast<int>(c.d)),
                  (jan1Monday + count(day - jan1)) / 7 + 1)
            << c.y << '-' << c.m << '-' << c.d;
    }
}

TEST(CalendarArithmetic, DayOfYearAndDaysToYearEnd) {
    EXPECT_EQ(DayOfYear(1, 1, 2023), 1);
    EXPECT_EQ(DayOfYear(31, 12, 2023), 365);
    EXPECT_EQ(DayOfYear(31, 12, 2024), 366);
    EXPECT_EQ(DaysToYearEnd(31, 12, 2023), 1);
    EXPECT_EQ(DaysToYearEnd(1, 1, 2024), 366);
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= DaysInMonth(static_cast<uint8_t>(m), 2024); ++d)
            ASSERT_EQ(DayOfYear(static_cast<uint8_t>(d), static_cast<uint8_t>(m), 2024) +
                          DaysToYearEnd(static_cast<uint8_t>(d), static_cast<uint8_t>(m), 2024),
                      367);
}

TEST(CalendarArithmetic, DaysBetweenAcrossYearsAndSwapped) {
    EXPECT_EQ(DaysBetween(5, 6, 2024, 5, 6, 2024), 0);
    EXPECT_EQ(DaysBetween(31, 12, 2023, 1, 1, 2024), 1);
    EXPECT_EQ(DaysBetween(1, 1, 2024, 31, 12, 2023), -1);
    EXPECT_EQ(DaysBetween(1, 1, 2000, 1, 1, 2024), 8766);
    EXPECT_EQ(DaysBetween(15, 3, 2024, 20, 3, 2024), 5);
    EXPECT_EQ(DaysBetween(20, 3, 2024, 15, 2, 2024), -34);
    // Within 1901..2099 the every-fourth-year rule is the Gregorian one: compare with day numbers.
    const int pairs[][6] = {
        {3, 7, 1950, 28, 2, 2044}, {31, 1, 2099, 1, 2, 1901}, {29, 2, 2024, 28, 2, 2025}};
    for (const auto& p : pairs) {
        const auto a = on(p[2], static_cast<unsigned>(p[1]), static_cast<unsigned>(p[0]));
        const auto b = on(p[5], static_cast<unsigned>(p[4]), static_cast<unsigned>(p[3]));
        const int32_t n = DaysBetween(static_cast<uint8_t>(p[0]), static_cast<uint8_t>(p[1]),
                                      static_cast<uint16_t>(p[2]), static_cast<uint8_t>(p[3]),
                                      static_cast<uint8_t>(p[4]), static_cast<uint16_t>(p[5]));
        EXPECT_EQ(n, count(b - a));
        EXPECT_EQ(DaysBetween(static_cast<uint8_t>(p[3]), static_cast<uint8_t>(p[4]),
                              static_cast<uint16_t>(p[5]), static_cast<uint8_t>(p[0]),
                              static_cast<uint8_t>(p[1]), static_cast<uint16_t>(p[2])),
                  -n);
    }
}

class FormatMonthDayTest : public ::testing::Test {
protected:
    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    void SetUp() override { resetAppState(); }
    void TearDown() override { resetAppState(); }
};

TEST_F(FormatMonthDayTest, MonthFirstWithSlash) {
    app().locale.localeLongDateOrder = 0;
    const SystemTime t = date(2024, 12, 6);
    EXPECT_EQ(FormatMonthDay(t, false), u"12/06");
    EXPECT_EQ(FormatMonthDay(date(2024, 6, 12), false), u"6/12");
    EXPECT_EQ(FormatMonthDay(t, true), u"Fri, 12/06");
}

TEST_F(FormatMonthDayTest, DayFirstWithFullStopRepeatsTheSeparator) {
    fake.localeImpl.set(dev::LocaleData::fromName("de_DE"));
    app().locale.localeLongDateOrder = 1;
    EXPECT_EQ(FormatMonthDay(date(2024, 12, 6), false), u"6.12.");
    EXPECT_EQ(FormatMonthDay(date(2024, 12, 6), true), u"Fr., 6.12.");
}

// The civil calendar of every program: the proleptic Gregorian calendar of std::chrono. Days are
// numbered from 1970-01-01 = 0, weekdays run 0 = Sunday .. 6 = Saturday (the calendar-time
// record's numbering). Every other count (weeks, file times, Julian days) is built on these.
#pragma once

#include <chrono>
#include <cstdint>

namespace hv::dev {

namespace civil_detail {
// std::chrono's years stop at +-32767; the calendar repeats itself every 400 years, which are
// 146097 days, so a year beyond is carried by whole cycles.
inline constexpr int64_t kCycleYears = 400;
inline constexpr int64_t kCycleDays = 146097;
inline constexpr int64_t kChronoYears = 32000;

constexpr int64_t floorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
} // namespace civil_detail

// The day number of a date. A day past the month's end, or 0, counts on from the 1st (0 is the
// day before it).
constexpr int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    using namespace std::chrono;
    int64_t cycles = 0;
    if (y > civil_detail::kChronoYears || y < -civil_detail::kChronoYears) {
        cycles = civil_detail::floorDiv(y, civil_detail::kCycleYears);
        y -= cycles * civil_detail::kCycleYears;
    }
    const sys_days first{year{static_cast<int>(y)} / month{m} / 1};
    return (first + days{static_cast<int64_t>(d) - 1}).time_since_epoch().count() +
           cycles * civil_detail::kCycleDays;
}

struct CivilDate {
    int64_t year;
    unsigned month;
    unsigned day;
};

constexpr CivilDate civilFromDays(int64_t z) {
    using namespace std::chrono;
    int64_t cycles = 0;
    constexpr int64_t kLimit = 30000 * 365; // within chrono's years on both sides of 1970
    if (z > kLimit || z < -kLimit) {
        cycles = civil_detail::floorDiv(z, civil_detail::kCycleDays);
        z -= cycles * civil_detail::kCycleDays;
    }
    const year_month_day ymd{sys_days{days{z}}};
    return {static_cast<int>(ymd.year()) + cycles * civil_detail::kCycleYears,
            static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day())};
}

constexpr bool isGregorianLeap(int64_t y) {
    return std::chrono::year{static_cast<int>(y % civil_detail::kCycleYears)}.is_leap();
}

// 28..31 for a month 1..12.
constexpr unsigned gregorianDaysInMonth(int64_t y, unsigned m) {
    using namespace std::chrono;
    const year_month_day_last last{year{static_cast<int>(y % civil_detail::kCycleYears)},
                                   month_day_last{month{(m + 11) % 12 + 1}}};
    return static_cast<unsigned>(last.day());
}

// 0 = Sunday, for a day number of daysFromCivil.
constexpr unsigned weekdayFromDays(int64_t z) {
    return std::chrono::weekday{std::chrono::sys_days{std::chrono::days{z}}}.c_encoding();
}

// The day a yearly daylight-saving rule names in a month: year/month/weekday[week] for week
// 1..4, and year/month/weekday[last] for any other week (the records' 5 means "last").
// weekday 0 = Sunday, taken modulo 7; the year within std::chrono's +-32767.
constexpr int64_t ruleDay(int64_t y, unsigned m, unsigned weekday, unsigned week) {
    using namespace std::chrono;
    const year_month ym{year{static_cast<int>(y)}, month{m}};
    const std::chrono::weekday wd{weekday % 7};
    const sys_days day = week >= 1 && week <= 4 ? sys_days{ym / wd[week]} : sys_days{ym / wd[last]};
    return day.time_since_epoch().count();
}

// Julian days: the Julian day of the midnight that starts a day number (1970-01-01 00:00 UTC is
// 2440587.5), and the Julian day number of its noon.
inline constexpr double kJulianDayOfUnixEpoch = 2440587.5;
inline constexpr int64_t kJulianDayNumberOfUnixEpoch = 2440588;
constexpr double julianDayOfDays(int64_t z) {
    return static_cast<double>(z) + kJulianDayOfUnixEpoch;
}
constexpr int64_t julianDayNumberOfDays(int64_t z) {
    return z + kJulianDayNumberOfUnixEpoch;
}
constexpr int64_t daysOfJulianDayNumber(int64_t j) {
    return j - kJulianDayNumberOfUnixEpoch;
}

} // namespace hv::dev

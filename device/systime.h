// Calendar-time records, 64-bit file times and the device zone record, with the conversions the
// programs use. Field layouts are those of the handheld so that stored records keep their bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace hv::dev {

// The handheld's calendar-time record: 16 bits a field, dayOfWeek 0 = Sunday.
struct SystemTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;

    friend bool operator==(const SystemTime&, const SystemTime&) = default;
};
static_assert(sizeof(SystemTime) == 16);

// 100-nanosecond units since 1601-01-01 00:00.
using FileTime = uint64_t;

inline constexpr FileTime kTicksPerMillisecond = 10'000;
inline constexpr FileTime kTicksPerSecond = 10'000'000;
inline constexpr FileTime kTicksPerMinute = 60 * kTicksPerSecond;
inline constexpr FileTime kTicksPerHour = 60 * kTicksPerMinute;
inline constexpr FileTime kTicksPerDay = 24 * kTicksPerHour;
// File time of the Unix epoch, 1970-01-01.
inline constexpr FileTime kUnixEpochFileTime = 116444736000000000ULL;

// The device zone record (the handheld's TIME_ZONE_INFORMATION, 172 bytes). UTC = local + Bias
// (+ StandardBias or DaylightBias), all in minutes. A transition date with year 0 is a rule:
// month, dayOfWeek (0 = Sunday), day = week of the month 1..5 (5 = last), hour and minute of
// local time. A non-zero year names one absolute date. StandardDate.month == 0: no daylight time.
struct TimeZoneInformation {
    int32_t Bias = 0;
    std::array<char16_t, 32> StandardName{};
    SystemTime StandardDate{};
    int32_t StandardBias = 0;
    std::array<char16_t, 32> DaylightName{};
    SystemTime DaylightDate{};
    int32_t DaylightBias = 0;
};
static_assert(sizeof(TimeZoneInformation) == 172);

// Proleptic Gregorian day number with 1970-01-01 = 0 (Hinnant's days_from_civil).
constexpr int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct CivilDate {
    int64_t year;
    unsigned month;
    unsigned day;
};

constexpr CivilDate civilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {y + (m <= 2), m, d};
}

constexpr bool isGregorianLeap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
constexpr unsigned gregorianDaysInMonth(int64_t y, unsigned m) {
    constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isGregorianLeap(y) ? 29 : kDays[(m - 1) % 12];
}
// 0 = Sunday, for a day number of daysFromCivil.
constexpr unsigned weekdayFromDays(int64_t z) {
    return static_cast<unsigned>(z >= -4 ? (z + 4) % 7 : (z + 5) % 7 + 6);
}

// SystemTimeToFileTime: false for a record outside the calendar (month 0, 31 April, hour 24 ...)
// or before 1601. dayOfWeek is not checked, as on the handheld.
bool systemTimeToFileTime(const SystemTime& st, FileTime& out);
std::optional<FileTime> toFileTime(const SystemTime& st);
// FileTimeToSystemTime: fills every field, dayOfWeek included. False past year 30827.
bool fileTimeToSystemTime(FileTime ft, SystemTime& out);
SystemTime toSystemTime(FileTime ft);

// Day (1..31) of the given week (1..5, 5 = last) and weekday (0 = Sunday) in a month.
unsigned nthWeekdayOfMonth(int year, unsigned month, unsigned weekday, unsigned week);

bool zoneHasDaylight(const TimeZoneInformation& tz);
// Whether daylight time is in force at a UTC instant under the zone's rule for that year.
bool isDaylightAtUtc(const TimeZoneInformation& tz, FileTime utc);
// Whether the given local wall time is daylight time. Local times in the skipped hour count as
// standard time; the repeated hour counts as daylight time (its first pass).
bool isDaylightAtLocal(const TimeZoneInformation& tz, FileTime local);
// Minutes to add to local time to get UTC at the instant (Bias plus the bias in force).
int32_t utcBiasAtUtc(const TimeZoneInformation& tz, FileTime utc);
int32_t utcBiasAtLocal(const TimeZoneInformation& tz, FileTime local);
FileTime utcToLocal(const TimeZoneInformation& tz, FileTime utc);
FileTime localToUtc(const TimeZoneInformation& tz, FileTime local);
// The instant a wall-clock time comes due: as localToUtc, except that a time the clocks skip
// (the hour after the daylight start) comes due at the first moment after the skip.
FileTime dueUtcOfLocal(const TimeZoneInformation& tz, FileTime local);

// Milliseconds of the host's monotonic clock, for time-outs and pauses that a change of the
// wall clock must not stretch or cut.
uint64_t monotonicMs();

// Helpers for durations and text names.
inline constexpr int64_t fileTimeDiffSeconds(FileTime a, FileTime b) {
    return (static_cast<int64_t>(a) - static_cast<int64_t>(b)) /
           static_cast<int64_t>(kTicksPerSecond);
}
void setZoneName(std::array<char16_t, 32>& field, const char16_t* text);

} // namespace hv::dev

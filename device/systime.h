// Calendar-time records, 64-bit file times and the device zone record, with the conversions the
// programs use. Field layouts are those of the handheld so that stored records keep their bytes.
#pragma once

#include "device/civil.h"

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

// SystemTimeToFileTime: false for a record outside the calendar (month 0, 31 April, hour 24 ...)
// or before 1601. dayOfWeek is not checked, as on the handheld.
bool systemTimeToFileTime(const SystemTime& st, FileTime& out);
std::optional<FileTime> toFileTime(const SystemTime& st);
// FileTimeToSystemTime: fills every field, dayOfWeek included. False past year 30827.
bool fileTimeToSystemTime(FileTime ft, SystemTime& out);
SystemTime toSystemTime(FileTime ft);

// Day (1..31) of the given week (1..5, 5 = last; 0 is taken as 1) and weekday (0 = Sunday) in a
// month.
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

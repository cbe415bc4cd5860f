// Calendar arithmetic, week numbers and the table of format pictures the views use.
#pragma once

#include "device/systime.h"

#include <cstdint>
#include <string>

namespace hv {

using dev::SystemTime;
struct SettingsRecord;

// Counts of the device's civil calendar (device/civil.h), the Gregorian one.
// 0 = Monday ... 6 = Sunday.
int DayOfWeek(uint16_t year, uint8_t month, uint8_t day);
// 28..31; February by the Gregorian rule (1900 and 2100 have 28 days, 2000 has 29). 31 for a
// month outside 1..12.
int DaysInMonth(uint8_t month, uint16_t year);
// 1 for January 1st.
uint16_t DayOfYear(uint8_t day, uint8_t month, uint16_t year);
// Days from the date to December 31st, both counted.
uint16_t DaysToYearEnd(uint8_t day, uint8_t month, uint16_t year);
// Signed days from date 1 to date 2.
int32_t DaysBetween(uint8_t d1, uint8_t m1, uint16_t y1, uint8_t d2, uint8_t m2, uint16_t y2);
// Julian day number of the record's date (January 1st 2000 gives 2451545).
int32_t JulianDay(const SystemTime& t);
int IsoWeekOfJulianDay(int32_t j);

// Civil: weeks start on Monday and week 1 holds January 1st (1..54). ISO 8601: weeks start on
// Monday and week 1 holds the year's first Thursday (1..53).
enum class WeekScheme : uint8_t { Civil = 0, Iso8601 = 1 };
int WeekNumber(const SystemTime& t, WeekScheme scheme);
// The scheme the settings' weekNumbering names: 1 is ISO 8601, anything else civil.
WeekScheme WeekSchemeOf(const SettingsRecord& settings);
// The week number every view shows: under the given settings' weekNumbering, or the program's.
int WeekNumber(const SystemTime& t, const SettingsRecord& settings);
int WeekNumber(const SystemTime& t);
// The week number as decimal text ("23").
std::u16string WeekNumberText(const SystemTime& t, const SettingsRecord& settings);

// The short month-and-day text ("6/12", "06.12.", "Thu, 6/12") under the locale cache's
// localeLongDateOrder and the device locale's date separator.
std::u16string FormatMonthDay(const SystemTime& t, bool dayNamePrefix);

// The pictures the views hand to the formatter.
namespace picture {
inline constexpr char16_t kLongDateMonthFirst[] = u"MMMM dd, yyyy";
inline constexpr char16_t kLongDateDayFirst[] = u"dd MMMM yyyy";
inline constexpr char16_t kDayName[] = u"dddd";
inline constexpr char16_t kMonthName[] = u"MMMM";
inline constexpr char16_t kYear[] = u"yyyy";
inline constexpr char16_t kMonthUnpadded[] = u"M";
inline constexpr char16_t kDayPadded[] = u"dd";
inline constexpr char16_t kDayUnpadded[] = u"d";
inline constexpr char16_t kMonthPadded[] = u"MM";
inline constexpr char16_t kDayNameMonth[] = u"ddd, M";
inline constexpr char16_t kDayNameDay[] = u"ddd, d";
inline constexpr char16_t kDayNamePrefix[] = u"ddd, ";
inline constexpr char16_t kHourMinute12[] = u"h:mm";
inline constexpr char16_t kHourMinute24[] = u"H:mm";
inline constexpr char16_t kSeconds[] = u"ss";
inline constexpr char16_t kSunMoonTime[] = u"h:mm tt";
inline constexpr char16_t kSunMoonDate[] = u"dd MMM yyyy";
inline constexpr char16_t kTimerRemaining[] = u"HH':'mm':'ss";
inline constexpr char16_t kStatusStopwatch[] = u"HH':'mm' 'ss";
inline constexpr char16_t kStopwatch[] = u"HH':'mm' 'ss'.'";
inline constexpr char16_t kTimePicker12[] = u"h':'mm' 'tt";
inline constexpr char16_t kTimePicker24[] = u"HH':'mm";
inline constexpr char16_t kOffsetZero[] = u"' 'ss':'mm'";
inline constexpr char16_t kOffsetPositive[] = u"'+'ss':'mm'";
inline constexpr char16_t kOffsetNegative[] = u"'-'ss':'mm'";
inline constexpr char16_t kInternetTime[] = u"'@'yHm";
} // namespace picture

// Labels.
inline constexpr char16_t kWeekLabel[] = u"Week:";
inline constexpr char16_t kTodayLabel[] = u"Today:";

} // namespace hv

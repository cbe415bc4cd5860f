// Other time scales of the local clock: Internet time in beats (the day in 1000 parts, counted
// in a fixed zone one hour east of UTC), the Time Calc conversion of a wall time from one city to
// another, and how much of a year has passed and remains.
#pragma once

#include "cities/cityrecord.h"
#include "device/systime.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hv {

using dev::SystemTime;

// ---- Internet time --------------------------------------------------------------------------

// Beats 0..999 of a local time of the device zone. No result for a record outside the calendar
// or a local time whose UTC instant lies outside the file times.
std::optional<int> BeatsFromLocal(const SystemTime& local);
// Beats 0..999 of a UTC instant. Beats are a time of day, so the last hour of 30827 has them
// too, although its date in the beat zone lies past the calendar.
int BeatsFromUtc(dev::FileTime utc);
// The local time (device zone) on the given date at which beat b begins, cut to the whole
// second (b x 86.4 s, truncated); b is taken modulo 1000 into 0..999. A date outside the
// calendar is returned unchanged.
SystemTime LocalFromBeats(int beats, const SystemTime& date);
// Three digits with leading zeros: "007", "042", "999".
std::u16string FormatBeats(int beats);

// The beat entry of the time picker (picture "'@'yHm"): n is held as year 2000 + n / 100,
// hour (n mod 100) / 10, minute n mod 10.
SystemTime BeatEntryFromBeats(int beats);
int BeatsFromBeatEntry(const SystemTime& entry);

// ---- Time Calc ------------------------------------------------------------------------------

// The row city's wall time at the instant when the reference city's wall time is refLocal, by
// the cities' own zone rules (standard offset and daylight-saving rule). A row city with the
// reference city's zone shows refLocal unchanged. A record outside the calendar is returned
// unchanged. No result when the instant or the row's wall time lies outside the file times.
std::optional<SystemTime> TimeCalcRow(const CityRecord& reference, const SystemTime& refLocal,
                                      const CityRecord& row);

// ---- Year progress --------------------------------------------------------------------------

enum class ProgressUnit : int { Hours = 0, Days = 1, Weeks = 2, Months = 3 };

struct ProgressValue {
    int64_t whole = 0;
    int tenth = 0; // 0..9
    friend bool operator==(const ProgressValue&, const ProgressValue&) = default;
};
struct YearProgressValues {
    ProgressValue passed;
    ProgressValue remained;
};

// How much of year `year` has passed and remains at the local time now, in the unit. A year
// before now's has nothing remaining, one after it nothing passed.
YearProgressValues YearProgress(int year, ProgressUnit unit, const SystemTime& nowLocal);
// The same at the device's local time.
YearProgressValues YearProgress(int year, ProgressUnit unit);
// Months from a day count: close to d / 30.5, as whole and tenth.
ProgressValue MonthsFromDays(int64_t days);
// "whole.tenth".
std::u16string FormatProgress(const ProgressValue& v);

} // namespace hv

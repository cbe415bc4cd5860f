// Other time scales of the local clock: Internet time in beats (the day in 1000 parts, counted
// in a fixed zone one hour east of UTC), the Time Calc conversion of a wall time from one city to
// another, and how much of a year has passed and remains.
#pragma once

#include "device/systime.h"

#include <cstdint>
#include <string>

namespace hv {

using dev::SystemTime;

// ---- Internet time --------------------------------------------------------------------------

// Beats 0..999 of a local time of the device zone. A record outside the calendar gives 0.
int BeatsFromLocal(const SystemTime& local);
// Beats 0..999 of a UTC instant.
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

// What the conversion reads of a city record: the standard offset and the daylight-saving rule,
// with the meanings and codes of the city record's fields of the same names. Any record that
// has these fields converts with CityZoneOf.
struct CityZone {
    int16_t gmtOffset = 0;     // minutes east of UTC
    uint8_t dstUsed = 0;       // 1: the city observes daylight saving
    uint8_t dstStart = 0;      // high nibble week 0..4 (4 = last), low nibble weekday 0 = Sunday
    uint8_t dstStartMonth = 0; // 0 = January
    uint8_t dstEnd = 0;
    uint8_t dstEndMonth = 0;
    friend bool operator==(const CityZone&, const CityZone&) = default;
};

template <class Record> CityZone CityZoneOf(const Record& r) {
    return CityZone{static_cast<int16_t>(r.gmtOffset), static_cast<uint8_t>(r.dstUsed),
                    static_cast<uint8_t>(r.dstStart),  static_cast<uint8_t>(r.dstStartMonth),
                    static_cast<uint8_t>(r.dstEnd),    static_cast<uint8_t>(r.dstEndMonth)};
}

// Whether the city's daylight-saving rule is in force at a UTC instant: the transitions of the
// instant's year at 00:00 of the city's standard wall time, both ends included; a rule whose
// start falls after its end spans the new year.
bool CityInDaylightSaving(const CityZone& city, dev::FileTime utc);

// The row city's wall time at the instant when the reference city's wall time is refLocal.
// A row city with the reference city's zone shows refLocal unchanged. A record outside the
// calendar is returned unchanged.
SystemTime TimeCalcRow(const CityZone& reference, const SystemTime& refLocal, const CityZone& row);

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

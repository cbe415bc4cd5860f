#include "timescales/timescales.h"

#include "cities/citytime.h"
#include "device/device.h"

#include <string>

namespace hv {

namespace {

using dev::FileTime;
using dev::kTicksPerHour;

// The second of the day one hour east of UTC, in beats.
int BeatsOfBeatZoneTime(FileTime utc) {
    const uint64_t s = (utc / dev::kTicksPerSecond + 3600) % 86400;
    return static_cast<int>(s * 10 / 864);
}

// Seconds since 1601-01-01 of a calendar date and time, for any year.
int64_t SecondsOf(int64_t year, unsigned month, unsigned day, int64_t secondOfDay) {
    return (dev::daysFromCivil(year, month, day) - dev::daysFromCivil(1601, 1, 1)) * 86400 +
           secondOfDay;
}

} // namespace

std::optional<int> BeatsFromLocal(const SystemTime& local) {
    FileTime ft;
    if (!dev::systemTimeToFileTime(local, ft))
        return std::nullopt;
    const int64_t bias = dev::utcBiasAtLocal(dev::getTimeZoneInformation(), ft);
    const int64_t utc =
        static_cast<int64_t>(ft) + bias * static_cast<int64_t>(dev::kTicksPerMinute);
    SystemTime check;
    if (utc < 0 || !dev::fileTimeToSystemTime(static_cast<FileTime>(utc), check))
        return std::nullopt;
    return BeatsOfBeatZoneTime(static_cast<FileTime>(utc));
}

int BeatsFromUtc(FileTime utc) {
    return BeatsOfBeatZoneTime(utc);
}

SystemTime LocalFromBeats(int beats, const SystemTime& date) {
    const int b = ((beats % 1000) + 1000) % 1000;
    const int s = (b * 864) / 10;
    SystemTime t = date;
    t.hour = static_cast<uint16_t>(s / 3600);
    t.minute = static_cast<uint16_t>((s - t.hour * 3600) / 60);
    t.second = static_cast<uint16_t>(s % 60);
    t.milliseconds = 0;
    FileTime ft;
    if (!dev::systemTimeToFileTime(t, ft) || ft < kTicksPerHour)
        return date;
    return dev::toSystemTime(dev::fileTimeToLocalFileTime(ft - kTicksPerHour));
}

std::u16string FormatBeats(int beats) {
    const int b = beats < 0 ? 0 : beats > 999 ? 999 : beats;
    return {static_cast<char16_t>(u'0' + b / 100), static_cast<char16_t>(u'0' + b / 10 % 10),
            static_cast<char16_t>(u'0' + b % 10)};
}

SystemTime BeatEntryFromBeats(int beats) {
    const int b = beats < 0 ? 0 : beats > 999 ? 999 : beats;
    SystemTime t{};
    t.year = static_cast<uint16_t>(2000 + b / 100);
    t.month = 1;
    t.day = 1;
    t.hour = static_cast<uint16_t>(b % 100 / 10);
    t.minute = static_cast<uint16_t>(b % 10);
    return t;
}

int BeatsFromBeatEntry(const SystemTime& entry) {
    return (static_cast<int>(entry.year) - 2000) * 100 + entry.hour * 10 + entry.minute;
}

std::optional<SystemTime> TimeCalcRow(const CityRecord& reference, const SystemTime& refLocal,
                                      const CityRecord& row) {
    FileTime local;
    if (!ZonesDiffer(CityZone(reference), CityZone(row)) ||
        !dev::systemTimeToFileTime(refLocal, local))
        return refLocal;
    const std::optional<FileTime> utc = CityUtcOf(reference, local);
    const std::optional<FileTime> wall = utc ? CityWallTime(row, *utc) : std::nullopt;
    SystemTime out;
    if (!wall || !dev::fileTimeToSystemTime(*wall, out))
        return std::nullopt;
    return out;
}

ProgressValue MonthsFromDays(int64_t d) {
    if (d < 0)
        d = 0;
    const int64_t a = d / 62, ra = ((d % 62) * 100) / 62;
    const int64_t b = d / 60, rb = ((d % 60) * 100) / 60;
    const int64_t c = (ra + rb) / 100;
    return {a + b + c, static_cast<int>((ra + rb - 100 * c) / 10)};
}

YearProgressValues YearProgress(int year, ProgressUnit unit, const SystemTime& nowLocal) {
    YearProgressValues r;
    if (nowLocal.month < 1 || nowLocal.month > 12 || nowLocal.day < 1 || nowLocal.day > 31)
        return r;
    const int64_t nowSec = SecondsOf(nowLocal.year, nowLocal.month, nowLocal.day,
                                     nowLocal.hour * 3600 + nowLocal.minute * 60 + nowLocal.second);
    const int64_t today = dev::daysFromCivil(nowLocal.year, nowLocal.month, nowLocal.day);
    int64_t ePassed = 0, dPassed = 0, eRemained = 0, dRemained = 0;
    if (year <= nowLocal.year) {
        ePassed = nowSec - SecondsOf(year, 1, 1, 0);
        dPassed = today - dev::daysFromCivil(year, 1, 1) - 1;
    }
    if (year >= nowLocal.year) {
        eRemained = SecondsOf(int64_t(year) + 1, 1, 1, 0) - nowSec;
        dRemained = dev::daysFromCivil(int64_t(year) + 1, 1, 1) - today;
    }
    auto value = [unit](int64_t e, int64_t d) -> ProgressValue {
        if (e < 0)
            e = 0;
        if (unit == ProgressUnit::Months)
            return MonthsFromDays(d);
        const int64_t u = unit == ProgressUnit::Hours  ? 3600
                          : unit == ProgressUnit::Days ? 86400
                                                       : 604800;
        const int64_t whole = e / u;
        return {whole, static_cast<int>(((e - whole * u) * 10) / u)};
    };
    r.passed = value(ePassed, dPassed);
    r.remained = value(eRemained, dRemained);
    return r;
}

YearProgressValues YearProgress(int year, ProgressUnit unit) {
    return YearProgress(year, unit, dev::getLocalTime());
}

std::u16string FormatProgress(const ProgressValue& v) {
    const std::string s = std::to_string(v.whole) + "." + std::to_string(v.tenth);
    return std::u16string(s.begin(), s.end());
}

} // namespace hv

#include "device/systime.h"

#include <ctime>

namespace hv::dev {

namespace {
constexpr int64_t kDay1601 = daysFromCivil(1601, 1, 1);
constexpr uint16_t kMaxYear = 30827;

// Local wall time of a zone transition in the given year, or nullopt when the date is not in
// that year (absolute dates) or malformed.
std::optional<FileTime> transitionLocal(const SystemTime& rule, int year) {
    if (rule.month < 1 || rule.month > 12)
        return std::nullopt;
    unsigned day;
    if (rule.year == 0) {
        if (rule.dayOfWeek > 6 || rule.day < 1 || rule.day > 5)
            return std::nullopt;
        day = nthWeekdayOfMonth(year, rule.month, rule.dayOfWeek, rule.day);
    } else {
        if (rule.year != year)
            return std::nullopt;
        day = rule.day;
    }
    SystemTime st{
        static_cast<uint16_t>(year), rule.month, 0, static_cast<uint16_t>(day), 0, 0, 0, 0};
    FileTime ft;
    if (!systemTimeToFileTime(st, ft))
        return std::nullopt;
    return ft + rule.hour * kTicksPerHour + rule.minute * kTicksPerMinute +
           rule.second * kTicksPerSecond + rule.milliseconds * kTicksPerMillisecond;
}

int yearOf(FileTime ft) {
    return static_cast<int>(toSystemTime(ft).year);
}

FileTime shift(FileTime t, int64_t minutes) {
    return static_cast<FileTime>(static_cast<int64_t>(t) +
                                 minutes * static_cast<int64_t>(kTicksPerMinute));
}
} // namespace

bool systemTimeToFileTime(const SystemTime& st, FileTime& out) {
    if (st.year < 1601 || st.year > kMaxYear || st.month < 1 || st.month > 12 || st.day < 1 ||
        st.day > gregorianDaysInMonth(st.year, st.month) || st.hour > 23 || st.minute > 59 ||
        st.second > 59 || st.milliseconds > 999)
        return false;
    const int64_t days = daysFromCivil(st.year, st.month, st.day) - kDay1601;
    out = static_cast<FileTime>(days) * kTicksPerDay + st.hour * kTicksPerHour +
          st.minute * kTicksPerMinute + st.second * kTicksPerSecond +
          st.milliseconds * kTicksPerMillisecond;
    return true;
}

std::optional<FileTime> toFileTime(const SystemTime& st) {
    FileTime ft;
    if (!systemTimeToFileTime(st, ft))
        return std::nullopt;
    return ft;
}

bool fileTimeToSystemTime(FileTime ft, SystemTime& out) {
    const int64_t days = static_cast<int64_t>(ft / kTicksPerDay);
    const FileTime rest = ft % kTicksPerDay;
    const CivilDate c = civilFromDays(days + kDay1601);
    if (c.year > kMaxYear)
        return false;
    out.year = static_cast<uint16_t>(c.year);
    out.month = static_cast<uint16_t>(c.month);
    out.day = static_cast<uint16_t>(c.day);
    out.dayOfWeek = static_cast<uint16_t>(weekdayFromDays(days + kDay1601));
    out.hour = static_cast<uint16_t>(rest / kTicksPerHour);
    out.minute = static_cast<uint16_t>(rest % kTicksPerHour / kTicksPerMinute);
    out.second = static_cast<uint16_t>(rest % kTicksPerMinute / kTicksPerSecond);
    out.milliseconds = static_cast<uint16_t>(rest % kTicksPerSecond / kTicksPerMillisecond);
    return true;
}

SystemTime toSystemTime(FileTime ft) {
    SystemTime st{};
    fileTimeToSystemTime(ft, st);
    return st;
}

unsigned nthWeekdayOfMonth(int year, unsigned month, unsigned weekday, unsigned week) {
    const int64_t day = ruleDay(year, month, weekday, week < 1 ? 1 : week);
    return static_cast<unsigned>(day - daysFromCivil(year, month, 1) + 1);
}

bool zoneHasDaylight(const TimeZoneInformation& tz) {
    return tz.StandardDate.month != 0 && tz.DaylightDate.month != 0;
}

namespace {
// Daylight start and end of a year as UTC instants.
bool daylightBoundsUtc(const TimeZoneInformation& tz, int year, FileTime& start, FileTime& end) {
    const auto s = transitionLocal(tz.DaylightDate, year); // local standard time
    const auto e = transitionLocal(tz.StandardDate, year); // local daylight time
    if (!s || !e)
        return false;
    start = shift(*s, tz.Bias + tz.StandardBias);
    end = shift(*e, tz.Bias + tz.DaylightBias);
    return true;
}

bool inside(FileTime t, FileTime start, FileTime end) {
    return start < end ? (t >= start && t < end) : (t >= start || t < end);
}
} // namespace

bool isDaylightAtUtc(const TimeZoneInformation& tz, FileTime utc) {
    if (!zoneHasDaylight(tz))
        return false;
    FileTime start, end;
    if (!daylightBoundsUtc(tz, yearOf(shift(utc, -tz.Bias)), start, end))
        return false;
    return inside(utc, start, end);
}

bool isDaylightAtLocal(const TimeZoneInformation& tz, FileTime local) {
    if (!zoneHasDaylight(tz))
        return false;
    const int year = yearOf(local);
    const auto s = transitionLocal(tz.DaylightDate, year);
    const auto e = transitionLocal(tz.StandardDate, year);
    if (!s || !e)
        return false;
    // The skipped hour after the start is standard time; the repeated hour before the end is
    // daylight time.
    const int64_t gap = static_cast<int64_t>(tz.StandardBias) - tz.DaylightBias;
    const FileTime start = shift(*s, gap > 0 ? gap : 0);
    return inside(local, start, *e);
}

int32_t utcBiasAtUtc(const TimeZoneInformation& tz, FileTime utc) {
    return tz.Bias + (isDaylightAtUtc(tz, utc) ? tz.DaylightBias : tz.StandardBias);
}

int32_t utcBiasAtLocal(const TimeZoneInformation& tz, FileTime local) {
    return tz.Bias + (isDaylightAtLocal(tz, local) ? tz.DaylightBias : tz.StandardBias);
}

FileTime utcToLocal(const TimeZoneInformation& tz, FileTime utc) {
    return shift(utc, -static_cast<int64_t>(utcBiasAtUtc(tz, utc)));
}

FileTime localToUtc(const TimeZoneInformation& tz, FileTime local) {
    return shift(local, utcBiasAtLocal(tz, local));
}

uint64_t monotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec / 1000000);
}

FileTime dueUtcOfLocal(const TimeZoneInformation& tz, FileTime local) {
    if (zoneHasDaylight(tz)) {
        const int64_t gap = static_cast<int64_t>(tz.StandardBias) - tz.DaylightBias;
        const auto s = transitionLocal(tz.DaylightDate, yearOf(local));
        if (gap > 0 && s && local >= *s && local < shift(*s, gap))
            return shift(*s, tz.Bias + tz.StandardBias);
    }
    return localToUtc(tz, local);
}

void setZoneName(std::array<char16_t, 32>& field, const char16_t* text) {
    field.fill(0);
    for (size_t i = 0; text && text[i] && i + 1 < field.size(); ++i)
        field[i] = text[i];
}

} // namespace hv::dev

#include "cities/citytime.h"
#include "calendar/calendar.h"

#include "device/device.h"
#include "settings/settings.h"

namespace hv {

namespace {

constexpr int64_t kMinute = static_cast<int64_t>(dev::kTicksPerMinute);
constexpr int64_t kHour = static_cast<int64_t>(dev::kTicksPerHour);

// Adds signed ticks to a file time, staying inside the representable range.
dev::FileTime addTicks(dev::FileTime t, int64_t ticks) {
    if (ticks < 0 && static_cast<uint64_t>(-ticks) > t)
        return 0;
    return t + static_cast<uint64_t>(ticks);
}

// The first file time past 30827-12-31 23:59:59.9999999.
constexpr dev::FileTime kFileTimeEnd =
    static_cast<dev::FileTime>((dev::daysFromCivil(30828, 1, 1) - dev::daysFromCivil(1601, 1, 1)) *
                               static_cast<int64_t>(dev::kTicksPerDay));

// A file time moved by signed ticks; no result outside the file times.
std::optional<dev::FileTime> shifted(dev::FileTime t, int64_t ticks) {
    if (t >= kFileTimeEnd)
        return std::nullopt;
    const int64_t r = static_cast<int64_t>(t) + ticks;
    if (r < 0 || r >= static_cast<int64_t>(kFileTimeEnd))
        return std::nullopt;
    return static_cast<dev::FileTime>(r);
}

// 00:00 of a day number of the civil calendar.
dev::FileTime midnightOf(int64_t days) {
    return dev::kUnixEpochFileTime +
           static_cast<uint64_t>(days * static_cast<int64_t>(dev::kTicksPerDay));
}

dev::SystemTime ruleOf(uint8_t code, uint8_t month) {
    dev::SystemTime r{};
    r.month = static_cast<uint16_t>(month + 1);
    r.dayOfWeek = static_cast<uint16_t>(code & 0x0F);
    r.day = static_cast<uint16_t>((code >> 4) + 1);
    return r;
}

} // namespace

int CityWeekday(int year, int month, int day) {
    return static_cast<int>(
        dev::weekdayFromDays(dev::daysFromCivil(year, static_cast<unsigned>(month), 1) + day - 1));
}

int CityDaysInMonth(int year, int month) {
    return static_cast<int>(dev::gregorianDaysInMonth(year, static_cast<unsigned>(month)));
}

std::optional<dev::FileTime> TransitionDate(int year, const dev::SystemTime& rule) {
    if (rule.month < 1 || rule.month > 12)
        return std::nullopt;
    if (rule.year != 0) {
        if (rule.year < 1601 || rule.day < 1 ||
            rule.day > dev::gregorianDaysInMonth(rule.year, rule.month))
            return std::nullopt;
        return midnightOf(dev::daysFromCivil(rule.year, rule.month, rule.day)) +
               rule.hour * dev::kTicksPerHour + rule.minute * dev::kTicksPerMinute;
    }
    if (year < 1601 || year > 30000)
        return std::nullopt;
    // Weeks 1..4 name that weekday of the month; 5 and above, and 0, name the last one. A damaged
    // record may hold any weekday nibble.
    return midnightOf(dev::ruleDay(year, rule.month, rule.dayOfWeek % 7, rule.day));
}

dev::TimeZoneInformation CityZone(const CityRecord& city) {
    dev::TimeZoneInformation z{};
    z.Bias = -city.gmtOffset;
    if (city.dstUsed == 1) {
        z.DaylightBias = -60;
        z.StandardDate = ruleOf(city.dstEnd, city.dstEndMonth);
        z.DaylightDate = ruleOf(city.dstStart, city.dstStartMonth);
    }
    return z;
}

dev::TimeZoneInformation CityZone(const CityDatabase& db, int continent, int index) {
    const CityRecord* r = db.recordAt(continent, index);
    return r ? CityZone(*r) : dev::TimeZoneInformation{};
}

bool InDaylightSaving(const dev::TimeZoneInformation& zone, dev::FileTime utc) {
    if (zone.StandardDate.month == 0 || zone.DaylightBias == 0)
        return false;
    dev::SystemTime st;
    if (!dev::fileTimeToSystemTime(utc, st))
        return false;
    const auto start = TransitionDate(st.year, zone.DaylightDate);
    const auto end = TransitionDate(st.year, zone.StandardDate);
    if (!start || !end)
        return false;
    const dev::FileTime t =
        addTicks(utc, -static_cast<int64_t>(zone.Bias) * kMinute); // standard wall time
    if (*start < *end)
        return *start <= t && t <= *end;
    return t >= *start || t <= *end;
}

bool InDaylightSaving(const dev::TimeZoneInformation& zone) {
    return InDaylightSaving(zone, UtcNow());
}

dev::FileTime UtcNow() {
    return dev::getSystemTimeAsFileTime();
}

std::optional<dev::FileTime> CityWallTime(const CityRecord& city, dev::FileTime utc, bool* dst) {
    const bool inDst = InDaylightSaving(CityZone(city), utc);
    if (dst)
        *dst = inDst;
    return shifted(utc, city.gmtOffset * kMinute + (inDst ? kHour : 0));
}

std::optional<dev::SystemTime> CityTimeAt(const CityDatabase& db, int continent, int index,
                                          dev::FileTime utc, bool* dst) {
    const CityRecord* r = db.recordAt(continent, index);
    if (dst)
        *dst = false;
    const std::optional<dev::FileTime> wall = r ? CityWallTime(*r, utc, dst) : shifted(utc, 0);
    dev::SystemTime st;
    if (!wall || !dev::fileTimeToSystemTime(*wall, st))
        return std::nullopt;
    return st;
}

std::optional<dev::SystemTime> CityTimeNow(const CityDatabase& db, int continent, int index) {
    return CityTimeAt(db, continent, index, UtcNow());
}

std::optional<dev::FileTime> CityUtcOf(const CityRecord& city, dev::FileTime wall) {
    const std::optional<dev::FileTime> standard = shifted(wall, -city.gmtOffset * kMinute);
    if (!standard || !InDaylightSaving(CityZone(city), *standard))
        return standard;
    return shifted(*standard, -kHour);
}

bool UtcOfCityTime(const CityDatabase& db, int continent, int index, const dev::SystemTime& wall,
                   dev::FileTime& utc, dev::SystemTime& utcTime) {
    const CityRecord* r = db.recordAt(continent, index);
    dev::FileTime w;
    if (!r || !dev::systemTimeToFileTime(wall, w))
        return false;
    const std::optional<dev::FileTime> u = CityUtcOf(*r, w);
    if (!u)
        return false;
    utc = *u;
    return dev::fileTimeToSystemTime(utc, utcTime);
}

bool ZonesDiffer(const dev::TimeZoneInformation& d, const dev::TimeZoneInformation& z) {
    if (d.Bias != z.Bias || d.StandardDate.month != z.StandardDate.month)
        return true;
    if (d.StandardDate.month == 0)
        return false;
    return d.StandardDate.dayOfWeek != z.StandardDate.dayOfWeek ||
           d.StandardDate.day != z.StandardDate.day ||
           d.DaylightDate.month != z.DaylightDate.month ||
           d.DaylightDate.dayOfWeek != z.DaylightDate.dayOfWeek ||
           d.DaylightDate.day != z.DaylightDate.day;
}

bool DeviceZoneDiffers(const dev::TimeZoneInformation& zone) {
    return ZonesDiffer(dev::getTimeZoneInformation(), zone);
}

bool DeviceZoneDiffers(const CityDatabase& db) {
    const CityRecord* home = db.homeRecord();
    return DeviceZoneDiffers(home ? CityZone(*home) : dev::TimeZoneInformation{});
}

HomeApplyResult ApplyHomeLocation(CityDatabase& db, HomeLocationState& state, int continent,
                                  int index, const ConfirmZoneChange& confirm,
                                  const std::function<void()>& repaint) {
    const CityRecord* city = db.recordAt(continent, index);
    if (!city)
        return HomeApplyResult::Failed;
    const dev::TimeZoneInformation zone = CityZone(*city);
    if (DeviceZoneDiffers(zone)) {
        bool shift = true; // the check box is ticked when the question opens
        const ConfirmAnswer answer = confirm ? confirm(shift) : ConfirmAnswer::Cancel;
        state.shiftClock = shift;
        if (answer == ConfirmAnswer::Cancel)
            return HomeApplyResult::StaysOpen;
        if (answer == ConfirmAnswer::No)
            return state.forced ? HomeApplyResult::StaysOpen : HomeApplyResult::Closed;
    }
    if (repaint)
        repaint();

    // The device keeps its UTC clock across a zone change. With the shift-clock flag the instant
    // stays and the wall clock moves to the new zone; without it the wall clock keeps its reading,
    // as a handheld whose clock runs on local time does.
    dev::TimeSetting& ts = dev::current().timeSetting();
    const dev::SystemTime utcBefore = dev::getSystemTime();
    const dev::SystemTime localBefore = dev::getLocalTime();
    ts.setTimeZone(zone);
    if (state.shiftClock)
        ts.setSystemTime(utcBefore);
    else
        ts.setLocalTime(localBefore);

    db.setHome(continent, index);
    const CitySelection home = db.home();
    app().settings.homeContinent = static_cast<uint32_t>(home.continent);
    app().settings.homeCity = static_cast<uint32_t>(home.index);
    return HomeApplyResult::Applied;
}

} // namespace hv

// City time: a city's standard offset and yearly daylight-saving rule turned into wall time, the
// conversions between a city's wall time and UTC, the comparison of the device zone with a city's,
// and making a city the home location (optionally moving the device zone and clock to it).
#pragma once

#include "cities/citydatabase.h"
#include "device/systime.h"

#include <functional>

namespace hv {

// 0..6, 0 = Sunday. The day may be 0 (the day before the 1st).
int CityWeekday(int year, int month, int day);
// 28..31, by the Gregorian rule.
int CityDaysInMonth(int year, int month);
// The transition a rule names in a year, at 00:00 of its day. A rule with a non-zero year is the
// absolute date it holds. A rule with a month outside 1..12 gives nullopt.
std::optional<dev::FileTime> TransitionDate(int year, const dev::SystemTime& rule);

// The zone record of a city: Bias = -gmtOffset, daylight one hour, changes at local midnight.
dev::TimeZoneInformation CityZone(const CityRecord& city);
// Of the city at a position of a list; all zero (UTC without daylight saving) outside the lists.
dev::TimeZoneInformation CityZone(const CityDatabase& db, int continent, int index);

// Whether daylight saving is in force at a UTC instant (both ends inclusive; a period that spans
// the new year is the southern rule). Without an instant: the device's UTC now.
bool InDaylightSaving(const dev::TimeZoneInformation& zone, dev::FileTime utc);
bool InDaylightSaving(const dev::TimeZoneInformation& zone);

// The device's UTC now.
dev::FileTime UtcNow();
// The city's wall time at a UTC instant, and whether daylight saving is then in force. No result
// when the wall time lies outside the file times (before 1601 or after 30827).
std::optional<dev::FileTime> CityWallTime(const CityRecord& city, dev::FileTime utc,
                                          bool* dst = nullptr);
std::optional<dev::SystemTime> CityTimeAt(const CityDatabase& db, int continent, int index,
                                          dev::FileTime utc, bool* dst = nullptr);
std::optional<dev::SystemTime> CityTimeNow(const CityDatabase& db, int continent, int index);
// The UTC instant of a city wall time; no result outside the file times.
std::optional<dev::FileTime> CityUtcOf(const CityRecord& city, dev::FileTime wall);
bool UtcOfCityTime(const CityDatabase& db, int continent, int index, const dev::SystemTime& wall,
                   dev::FileTime& utc, dev::SystemTime& utcTime);

// Whether the device's zone differs from the given zone (equal Bias and either no daylight saving
// on both sides or the same rule months, weekdays and weeks compare as the same).
bool ZonesDiffer(const dev::TimeZoneInformation& device, const dev::TimeZoneInformation& zone);
bool DeviceZoneDiffers(const dev::TimeZoneInformation& zone);
// Against the home city's zone.
bool DeviceZoneDiffers(const CityDatabase& db);

// ---- Home location -----------------------------------------------------------------------------
enum class ConfirmAnswer { Yes, No, Cancel };

// The Home Location page's state: forced mode (opened at start-up, no Cancel) and the shift-clock
// flag, which keeps the check box of the last confirmation and starts cleared.
struct HomeLocationState {
    bool forced = false;
    bool shiftClock = false;
};

enum class HomeApplyResult {
    Applied,   // the city is the home location; the page closes
    Closed,    // "No" outside forced mode: the page closes, nothing changed
    StaysOpen, // "Cancel", or "No" in forced mode: nothing changed, the page stays open
    Failed,    // no city at that position
};

// Asked only when the device zone differs from the chosen city's: returns the button and sets
// shiftClock to the state of the check box (ticked when the question opens).
using ConfirmZoneChange = std::function<ConfirmAnswer(bool& shiftClock)>;

// The page's OK: confirms a zone change, then sets the device zone to the city's (and, when the
// shift-clock flag is set, keeps the UTC instant so that the wall clock moves to the new zone),
// makes the city the home location and copies it into the settings' homeContinent and homeCity.
// `repaint` asks the main window to redraw.
HomeApplyResult ApplyHomeLocation(CityDatabase& db, HomeLocationState& state, int continent,
                                  int index, const ConfirmZoneChange& confirm,
                                  const std::function<void()>& repaint = {});

} // namespace hv

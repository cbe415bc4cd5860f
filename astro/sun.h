// Sunrise and sunset (and the three twilights) for one place and local date, by Roger W.
// Sinnott's sunrise-sunset method: the Sun's place from the low-precision fundamental arguments
// of Van Flandern and Pulkkinen at local midnight and one day later, interpolated over the 24
// hours of the day, each hour tested for a crossing of the zenith distance by a three-point fit.
#pragma once

#include "device/systime.h"

#include <string>

namespace hv::astro {

// The event kinds of the "Type:" list.
enum class SunEventType : int { RiseSet = 0, Civil = 1, Nautical = 2, Astronomical = 3 };
inline constexpr int kSunTypeCount = 4;

// Zenith distance in degrees of type 0..3 (90.833, 96, 102, 108); 0 for any other type.
double SunZenithForType(int type);

// Minutes of the local day 0..1439 of the rise (or twilight beginning) and of the set (or
// twilight end); -1 when the event does not happen on that date.
struct SunTimes {
    int rise = -1;
    int set = -1;
    friend bool operator==(const SunTimes&, const SunTimes&) = default;
};

// latitude and longitude in degrees (north and east positive), zoneHours the local time minus
// UTC in hours, zenith in degrees, and the local calendar date. Dates before 1583 are taken in
// the Julian calendar.
SunTimes SunRiseSet(double latitude, double longitude, double zoneHours, double zenith, int year,
                    int month, int day);

// Signed degrees from the unsigned degrees and minutes and the hemisphere flag of a city record.
double SignedDegrees(int degrees, int minutes, bool positive);

// Local minus UTC, in hours, of the device zone on the local date (taken at local noon, so that
// a day that changes to or from daylight time gets the offset of most of its daylight hours).
double DeviceZoneHours(int year, int month, int day);

inline constexpr char16_t kNoSunrise[] = u"--:--";
inline constexpr char16_t kNoSunset[] = u"- - - - -";

struct SunTexts {
    std::u16string rise;
    std::u16string set;
};

// The two texts of a computation on the given local date: each time formatted by the device's
// time format without seconds, or the placeholders when the event does not happen. A type
// outside 0..3 gives the placeholders.
SunTexts SunTextsFor(const SunTimes& t, int type, int year, int month, int day);

// Everything the view and the status bar need for a place and a date: the computation with
// the device zone's offset on that date, and its texts.
struct SunDay {
    SunTimes times;
    SunTexts texts;
};
SunDay SunDayFor(double latitude, double longitude, int type, int year, int month, int day);

} // namespace hv::astro

// The Moon: Julian days, the times of the principal phases and of perigee and apogee (Meeus,
// Astronomical Algorithms, first edition), the distance and illuminated fraction by the
// epoch-1900 series (Meeus, Astronomical Formulae for Calculators), and what the Moon view shows
// from them: phase name, picture, age. Times are Julian days of UTC; no correction between
// dynamical and universal time is applied.
#pragma once

#include "device/systime.h"

#include <array>
#include <string>

namespace hv::astro {

// Julian day of a Gregorian calendar date and time of day.
double JulianDayOf(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// A calendar date and time to the minute (seconds dropped).
struct CalendarMinute {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    friend bool operator==(const CalendarMinute&, const CalendarMinute&) = default;
};
// The inverse of JulianDayOf, Gregorian from 1582-10-15 on and Julian before.
CalendarMinute DateOfJulianDay(double jd);
// The UTC file time of a Julian day, to the minute; false when it lies outside the file-time
// range (before 1601 or after 30827).
bool FileTimeOfJulianDay(double jd, dev::FileTime& out);
// What the views show of a Julian day: its minute in the device's local time, day of the week
// filled. False when the UTC or the local time lies outside the file-time range.
bool LocalTimeOfJulianDay(double jd, dev::SystemTime& out);

// The Julian day of a UTC instant and its decimal year.
struct MoonClock {
    double jd = 0;
    double year = 0;
};
MoonClock MoonClockAt(dev::FileTime utc);
MoonClock MoonClockOf(int year, int month, int day, int hour, int minute, int second);
MoonClock MoonClockNow(); // from the device's UTC clock

enum class PhaseKind : int { New = 0, FirstQuarter = 1, Full = 2, LastQuarter = 3 };

// Kind of the phase number k (a multiple of 0.25): its fraction times 4.
PhaseKind PhaseKindOf(double k);
// Julian day of the phase number k (k = 0 is the new moon of 2000 January 6).
double PhaseTime(double k);

struct PhaseEvent {
    PhaseKind kind = PhaseKind::New;
    double jd = 0;
};
struct MoonPhases {
    std::array<PhaseEvent, 4> next{}; // in time order, the first at or after now
    double lastNew = 0;
    double nextNew = 0;
};
MoonPhases NextPhases(const MoonClock& now);

struct Apsis {
    double jd = 0;
    int km = 0;
};
// The perigee (k whole) or apogee (k with a half) of apsis number k.
Apsis ApsisAt(double k);
struct Apsides {
    Apsis apogee;
    Apsis perigee;
};
Apsides CurrentApsides(const MoonClock& now);

struct MoonPosition {
    int distanceKm = 0;
    int visible = 0; // illuminated percentage 0..100
};
MoonPosition MoonPositionAt(double jd);

// The eight phase names, in the order of the view's strings (kStrPhaseNames onwards).
enum class PhaseName : int {
    New = 0,
    WaxingCrescent,
    WaningCrescent,
    FirstQuarter,
    LastQuarter,
    WaxingGibbous,
    WaningGibbous,
    Full
};
inline constexpr int kStrPhaseNames = 40043;
// The phase's name from the string resources (registered by registerMoonStrings).
std::u16string PhaseNameText(PhaseName n);
// Registers the Moon view's strings, the labels 40019..40025 and the phase names 40043..40050,
// with the string resources, once; the program calls it at start-up, before any table that
// replaces those texts.
void registerMoonStrings();

struct PhaseLook {
    PhaseName name = PhaseName::New;
    int picture = 0; // 0..23
};
// From the visible percentage and q, the fraction of the lunation passed.
PhaseLook PhaseLookOf(int visible, double q);
// Whole days, hours and minutes: "12d 5h 33m". Negative ages read as 0.
std::u16string AgeText(double days);
// The picture and principal-phase icon seen from the southern hemisphere.
int SouthernPicture(int picture);
int SouthernIconKind(int kind);

// One full evaluation: what a paint of the Moon view needs.
struct MoonReport {
    MoonClock clock;
    MoonPosition position;
    MoonPhases phases;
    Apsides apsides;
    PhaseLook look; // picture already mirrored for the south
    std::u16string age;
    std::array<int, 4> iconKinds{}; // kinds of phases.next, mirrored for the south
};
MoonReport EvaluateMoon(const MoonClock& now, bool southern);

} // namespace hv::astro

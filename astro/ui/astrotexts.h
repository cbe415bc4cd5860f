// What the Sun rise/set and Moon Phases views write, made without a window: their string
// resources, the two sun lines of a place and date, and every text of the Moon panel from one
// evaluation of the Moon. The views only place these texts; tests read them directly.
#pragma once

#include "astro/moon.h"
#include "astro/sun.h"
#include "cities/cityrecord.h"
#include "device/systime.h"

#include <array>
#include <string>

namespace hv::astroui {

// String resources of the two views.
enum : int {
    kStrPhase = 40019,
    kStrVisible = 40020,
    kStrAge = 40021,
    kStrDistance = 40022,
    kStrApogee = 40023,
    kStrPerigee = 40024,
    kStrMoonAt = 40025,
    kStrSunrise = 40026,
    kStrSunset = 40027,
    kStrDate = 40028,
    kStrType = 40120,
    kStrSunTypes = 40121,
};

// Registers the strings above with the toolkit; harmless to call again.
void registerAstroStrings();
// The resource text (registering the table first).
std::u16string astroString(int id);

// ---- Sun rise/set ---------------------------------------------------------------------------

struct SunLines {
    astro::SunDay day;
    std::u16string sunrise; // "Sunrise:  04:43"
    std::u16string sunset;  // "Sunset:  21:21"
};
// The day of the home city (nullptr: no home, the placeholders) for the "Type:" choice and a
// local date. The status bar's texts come from the same astro::SunDayFor call with today's date
// and the first type.
SunLines sunLinesFor(const CityRecord* home, int type, const dev::SystemTime& date);

// ---- Moon Phases ----------------------------------------------------------------------------

// A UTC Julian day as the device's local calendar time, to the minute. A day outside the range
// of file times gives a zero record.
dev::SystemTime localTimeOfJulianDay(double jd);

// The phase name shown on the "Phase:" line.
std::u16string phaseNameText(astro::PhaseName name);
// "h:mm tt" and "dd MMM yyyy" of the apsis lines.
std::u16string apsisTimeText(const dev::SystemTime& t);
std::u16string apsisDateText(const dev::SystemTime& t);
// The principal phases' lines: the locale's time without seconds and its short date.
std::u16string phaseTimeText(const dev::SystemTime& t);
std::u16string phaseDateText(const dev::SystemTime& t);
// "384401 km".
std::u16string kilometresText(int km);

struct ApsisLines {
    std::u16string time;
    std::u16string date;
    std::u16string distance;
};
struct PhaseLines {
    int icon = 0; // frame of the principal-phase icon strip (mirrored for the south)
    std::u16string time;
    std::u16string date;
};
struct MoonPanel {
    int picture = 0; // 0..23, mirrored for the south
    std::u16string phase;
    std::u16string visible;  // "57%"
    std::u16string age;      // "12d 5h 33m"
    std::u16string distance; // "384401 km"
    ApsisLines apogee;
    ApsisLines perigee;
    std::array<PhaseLines, 4> phases; // in time order
};
// Every text of the panel from one evaluation (already mirrored for a southern home).
MoonPanel moonPanelFor(const astro::MoonReport& r);

} // namespace hv::astroui

// The day-and-night line of the world map: a simple solar model (declination from the day of
// the year with an obliquity of 23.45 degrees, hour angle from the UTC clock) gives, for every
// pixel column of a plate carree map, the row where night begins; the night side is then a set
// of runs of columns per row. Everything is single precision, as on the handheld.
#pragma once

#include "device/systime.h"

#include <cstdint>
#include <vector>

namespace hv::astro {

struct Terminator {
    std::vector<int16_t> rows; // per column x: the terminator row y_t(x)
    int sigma = 1;             // +1: the night lies below the curve (northern summer); -1 above
};

// The terminator of a w x h map (longitude -180 at the left edge, latitude +90 at the top) at a
// UTC time. Only the month, day, hour and minute are used. w and h below 1 give no columns.
Terminator TerminatorAt(const dev::SystemTime& utc, int w, int h);

// One run of night pixels: columns x0 .. x1 - 1 of row y.
struct NightRun {
    int16_t y = 0;
    int16_t x0 = 0;
    int16_t x1 = 0;
    friend bool operator==(const NightRun&, const NightRun&) = default;
};

// The maximal runs of columns of each row y in 0..h-1 whose pixels lie on the night side,
// (y - y_t(x)) * sigma > 0, row by row from the top and left to right within a row.
std::vector<NightRun> NightRuns(const Terminator& t, int h);

// Whether the pixel (x, y) is on the night side.
bool IsNight(const Terminator& t, int x, int y);

struct MapPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const MapPoint&, const MapPoint&) = default;
};

// Where a city mark goes on a w x h map, from whole degrees and the hemisphere flags.
MapPoint MarkPosition(int latDegrees, int lonDegrees, bool north, bool east, int w, int h);

// The inverse for a tap on the map: whole degrees (0..90, 0..180) and the hemisphere flags of the
// point nearest to (x, y) whose mark lands there.
struct MapPlace {
    int latDegrees = 0;
    int lonDegrees = 0;
    bool north = true;
    bool east = true;
};
MapPlace PlaceAtPoint(int x, int y, int w, int h);

} // namespace hv::astro

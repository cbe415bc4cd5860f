// The geometry of an analog clock's hands: sixty positions round the dial, six degrees apart and
// counted clockwise from twelve, each hand a four-point kite (tip, one side, tail, other side)
// and the second hand a line from the centre. The tables are built once; a paint only indexes
// them.
#pragma once

#include "toolkit/window/winapi.h"

#include <array>

namespace hv::clockface {

using tk::POINT;

inline constexpr int kPositions = 60;
// Six degrees in radians, in single precision, as the tables are built.
inline constexpr float kRadiansPerPosition = 0.10471976f;

// Lengths in pixels from the centre.
struct HandShape {
    int tip = 0;
    int tail = 0;
    int halfWidth = 0;
};

using Kite = std::array<POINT, 4>;

// The point at a position (taken modulo 60) and radius: x = cx + trunc(sin a * r + 0.5),
// y = cy - trunc(cos a * r + 0.5), the sine and cosine in double precision and the rest in single.
POINT PointAt(POINT centre, int position, int radius);
// The kite of a hand at a position: the tip, the side a quarter turn on, the tail opposite the
// tip, the side three quarters on.
Kite KiteAt(POINT centre, int position, const HandShape& shape);

// Where the hands stand: the hour hand moves one position every twelve minutes.
int HourPosition(int hour, int minute);
int MinutePosition(int minute);
int SecondPosition(int second);

struct HandTables {
    std::array<Kite, kPositions> hourHands{};
    std::array<Kite, kPositions> minuteHands{};
    // The outer ends of the second hand (or, for line hands, of the hour and minute lines).
    std::array<POINT, kPositions> secondEnds{};
    std::array<POINT, kPositions> hourEnds{};
    std::array<POINT, kPositions> minuteEnds{};
};

// Kites for the hour and minute shapes and line ends at the three radii (a radius of 0 leaves
// that table empty).
HandTables BuildHandTables(POINT centre, const HandShape& hour, const HandShape& minute,
                           int secondRadius, int hourLineRadius = 0, int minuteLineRadius = 0);

} // namespace hv::clockface

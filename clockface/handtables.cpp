#include "clockface/handtables.h"

#include <cmath>

namespace hv::clockface {

namespace {

int wrap(int position) {
    const int p = position % kPositions;
    return p < 0 ? p + kPositions : p;
}

// trunc(v * r + 0.5) in single precision; the cast cuts toward zero.
int scaled(double unit, int radius) {
    const float v = static_cast<float>(unit) * static_cast<float>(radius) + 0.5f;
    return static_cast<int>(v);
}

} // namespace

POINT PointAt(POINT centre, int position, int radius) {
    const float a = static_cast<float>(wrap(position)) * kRadiansPerPosition;
    const double angle = static_cast<double>(a);
    return {centre.x + scaled(std::sin(angle), radius), centre.y - scaled(std::cos(angle), radius)};
}

Kite KiteAt(POINT centre, int position, const HandShape& shape) {
    return {PointAt(centre, position, shape.tip),
            PointAt(centre, position + kPositions / 4, shape.halfWidth),
            PointAt(centre, position + kPositions / 2, shape.tail),
            PointAt(centre, position + kPositions * 3 / 4, shape.halfWidth)};
}

int HourPosition(int hour, int minute) {
    return wrap((hour % 12) * 5 + minute / 12);
}

int MinutePosition(int minute) {
    return wrap(minute);
}

int SecondPosition(int second) {
    return wrap(second);
}

HandTables BuildHandTables(POINT centre, const HandShape& hour, const HandShape& minute,
                           int secondRadius, int hourLineRadius, int minuteLineRadius) {
    HandTables t;
    for (int i = 0; i < kPositions; ++i) {
        const auto n = static_cast<size_t>(i);
        t.hourHands[n] = KiteAt(centre, i, hour);
        t.minuteHands[n] = KiteAt(centre, i, minute);
        if (secondRadius > 0)
            t.secondEnds[n] = PointAt(centre, i, secondRadius);
        if (hourLineRadius > 0)
            t.hourEnds[n] = PointAt(centre, i, hourLineRadius);
        if (minuteLineRadius > 0)
            t.minuteEnds[n] = PointAt(centre, i, minuteLineRadius);
    }
    return t;
}

} // namespace hv::clockface

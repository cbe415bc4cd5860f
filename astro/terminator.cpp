#include "astro/terminator.h"

#include <cmath>
#include <cstdlib>

namespace hv::astro {

namespace {

constexpr float kTwoPiF = 6.2831853f;
constexpr float kPiF = 3.14159265f;
constexpr float kTanObliquity = 0.43377513f; // tan 23.45 degrees
// The declination below has a year of 365 days: the day of the year is counted in a common year,
// leap years included.
constexpr int64_t kCommonYear = 2001;

} // namespace

Terminator TerminatorAt(const dev::SystemTime& utc, int w, int h) {
    Terminator r;
    if (w < 1 || h < 1)
        return r;
    const int month = utc.month >= 1 && utc.month <= 12 ? utc.month : 1;
    const int n =
        static_cast<int>(dev::daysFromCivil(kCommonYear, static_cast<unsigned>(month), utc.day) -
                         dev::daysFromCivil(kCommonYear, 1, 0));
    float s = static_cast<float>(n - 80) * kTwoPiF / 365.0f;
    if (s == 0.0f)
        s = 0.001f; // on 21 March the Sun is over the equator: keep the cotangent finite
    // cot of the Sun's declination. sin s vanishes only at s = 0 (n = 80) or s = pi, which no
    // day number 1..365 reaches in single precision.
    const float c = 1.0f / (std::sin(s) * kTanObliquity);
    const float t = static_cast<float>(utc.hour * 60 + utc.minute) * kTwoPiF / 1440.0f;
    r.sigma = c < 0 ? -1 : 1;
    r.rows.resize(static_cast<size_t>(w));
    const float hf = static_cast<float>(h);
    for (int x = 0; x < w; ++x) {
        const float a = std::atan(std::cos(kTwoPiF * static_cast<float>(x) / w + t) * c);
        r.rows[static_cast<size_t>(x)] = static_cast<int16_t>(std::trunc(a * hf / kPiF + hf / 2));
    }
    return r;
}

bool IsNight(const Terminator& t, int x, int y) {
    if (x < 0 || static_cast<size_t>(x) >= t.rows.size())
        return false;
    return (y - t.rows[static_cast<size_t>(x)]) * t.sigma > 0;
}

std::vector<NightRun> NightRuns(const Terminator& t, int h) {
    std::vector<NightRun> runs;
    const int w = static_cast<int>(t.rows.size());
    const int16_t* rows = t.rows.data();
    const int sigma = t.sigma;
    for (int y = 0; y < h; ++y) {
        int x = 0;
        while (x < w) {
            while (x < w && (y - rows[x]) * sigma <= 0)
                ++x;
            if (x >= w)
                break;
            const int start = x;
            while (x < w && (y - rows[x]) * sigma > 0)
                ++x;
            runs.push_back(
                {static_cast<int16_t>(y), static_cast<int16_t>(start), static_cast<int16_t>(x)});
        }
    }
    return runs;
}

MapPoint MarkPosition(int latDegrees, int lonDegrees, bool north, bool east, int w, int h) {
    const float sx = static_cast<float>(w) * 0.0027777778f; // w / 360
    const float sy = static_cast<float>(h) * 0.0055555557f; // h / 180
    const int dx = static_cast<int>(std::trunc(static_cast<float>(lonDegrees) * sx + 0.5f));
    const int dy = static_cast<int>(std::trunc(static_cast<float>(latDegrees) * sy + 1.5f));
    MapPoint p;
    p.x = east ? w / 2 + dx : w / 2 - dx;
    p.y = north ? (h - 4) / 2 - dy : (h - 4) / 2 + dy;
    return p;
}

MapPlace PlaceAtPoint(int x, int y, int w, int h) {
    MapPlace r;
    if (w < 1 || h < 5)
        return r;
    // Inverse of MarkPosition: x = w/2 +- round(lon w/360), y = (h-4)/2 -+ (trunc(lat h/180
    // + 1.5)).
    const int dx = x - w / 2;
    r.east = dx >= 0;
    int lon = static_cast<int>(std::lround(std::abs(dx) * 360.0 / w));
    r.lonDegrees = lon > 180 ? 180 : lon;
    const int dy = (h - 4) / 2 - y; // positive above the equator row
    r.north = dy >= 1;
    const int steps = r.north ? dy : -dy; // trunc(lat h/180 + 1.5) for the north, the same south
    int lat = static_cast<int>(std::lround((steps - 1) * 180.0 / h));
    if (lat < 0)
        lat = 0;
    r.latDegrees = lat > 90 ? 90 : lat;
    return r;
}

} // namespace hv::astro

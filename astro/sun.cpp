#include "astro/sun.h"

#include "device/device.h"
#include "device/format.h"

#include <cmath>

namespace hv::astro {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;
constexpr double kDegToRad = 0.017453292519943295;
// Sidereal hour angle gained per solar hour: 15 x 1.0027379 degrees, in radians.
constexpr double kK1 = 0.26251616834300473;

// The method's integer part: towards zero for x >= 0, and of x + 0.5 for x < 0.
double Int(double x) {
    return x >= 0 ? std::trunc(x) : std::trunc(x + 0.5);
}

struct SunPlace {
    double ra;  // right ascension, radians
    double dec; // declination, radians
};

// Low-precision place of the Sun at day number t (days from J2000.0); tt is centuries from
// J1900.0.
SunPlace SunAt(double t, double tt) {
    double l = 0.779072 + 0.00273790931 * t;
    double g = 0.993126 + 0.0027377785 * t;
    l = (l - Int(l)) * kTwoPi;
    g = (g - Int(g)) * kTwoPi;
    const double v = 0.39785 * std::sin(l) - 0.01 * std::sin(l - g) + 0.00333 * std::sin(l + g) -
                     0.00021 * tt * std::sin(l);
    const double u = 1 - 0.03349 * std::cos(g) - 0.00014 * std::cos(2 * l) + 0.00008 * std::cos(l);
    const double w = -0.0001 - 0.04129 * std::sin(2 * l) + 0.03211 * std::sin(g) +
                     0.00104 * std::sin(2 * l - g) - 0.00035 * std::sin(2 * l + g) -
                     0.00008 * tt * std::sin(g);
    // u stays near 1 and v below 0.4, so the roots below have positive arguments.
    double s = w / std::sqrt(u - v * v);
    const double ra = l + std::atan(s / std::sqrt(1 - s * s));
    s = v / std::sqrt(u);
    const double dec = std::atan(s / std::sqrt(1 - s * s));
    return {ra, dec};
}

// Days from J2000.0 (JD 2451545.0) to 0h of a date: of the civil calendar from 1583 on, of the
// Julian calendar before.
double DaysFromJ2000(int year, int month, int day) {
    constexpr double kJ2000 = 2451545.0;
    if (year >= 1583)
        return dev::julianDayOfDays(dev::daysFromCivil(year, static_cast<unsigned>(month),
                                                       static_cast<unsigned>(day))) -
               kJ2000;
    // The Julian day number of the date (its noon); 0h is half a day earlier.
    const long long j =
        -((7LL * ((month + 9) / 12 + year)) / 4) + (275 * month) / 9 + day + 367LL * year + 1721027;
    return static_cast<double>(j - 2451545) - 0.5;
}

} // namespace

double SunZenithForType(int type) {
    switch (type) {
    case 0:
        return 90.833;
    case 1:
        return 96.0;
    case 2:
        return 102.0;
    case 3:
        return 108.0;
    default:
        return 0;
    }
}

double SignedDegrees(int degrees, int minutes, bool positive) {
    const double v = degrees + minutes / 60.0;
    return positive ? v : -v;
}

SunTimes SunRiseSet(double latitude, double longitude, double zoneHours, double zenith, int year,
                    int month, int day) {
    // 1.-2. Days from J2000.0 to the date's 0h and the local sidereal time at local midnight.
    const double t = DaysFromJ2000(year, month, day);
    const double t0 = t / 36525;
    const double tt = t0 + 1;
    const double z0 = -zoneHours / 24;
    const double l5 = longitude / 360;
    double sid = 24110.5 + 8640184.813 * t0 + 86636.6 * z0 + 86400 * l5;
    sid /= 86400;
    sid -= Int(sid);
    const double theta0 = sid * kTwoPi;

    // 3.-4. The Sun at local midnight and a day later.
    const SunPlace p1 = SunAt(t + z0, tt);
    SunPlace p2 = SunAt(t + z0 + 1, tt);
    if (p2.ra < p1.ra)
        p2.ra += kTwoPi;
    const double dra = p2.ra - p1.ra;
    const double ddec = p2.dec - p1.dec;
    const double sphi = std::sin(latitude * kDegToRad);
    const double cphi = std::cos(latitude * kDegToRad);
    const double z = std::cos(zenith * kDegToRad);

    // 5. Hour scan.
    double ra0 = p1.ra;
    double dec0 = p1.dec;
    double v0 = 0;
    int riseH = 0, riseM = 0, setH = 0, setM = 0;
    bool riseFound = false, setFound = false;
    for (int c = 0; c < 24; ++c) {
        const double p = (c + 1) / 24.0;
        const double rab = p1.ra + p * dra;
        const double decb = p1.dec + p * ddec;
        const double l0 = theta0 + c * kK1;
        const double l2 = l0 + kK1;
        const double h0 = l0 - ra0;
        const double h2 = l2 - rab;
        const double h1 = (h0 + h2) / 2;
        const double decm = (dec0 + decb) / 2;
        if (c == 0)
            v0 = sphi * std::sin(dec0) + cphi * std::cos(dec0) * std::cos(h0) - z;
        const double v2 = sphi * std::sin(decb) + cphi * std::cos(decb) * std::cos(h2) - z;
        if ((v0 < 0) != (v2 < 0)) {
            const double v1 = sphi * std::sin(decm) + cphi * std::cos(decm) * std::cos(h1) - z;
            const double qa = 2 * v2 - 4 * v1 + 2 * v0;
            const double qb = 4 * v1 - 3 * v0 - v2;
            const double dq = qb * qb - 4 * qa * v0;
            if (dq >= 0) {
                double e;
                if (std::fabs(qa) < 1e-15) {
                    // The three altitudes lie on a line: its zero (qb is non-zero since the
                    // ends differ in sign).
                    e = -v0 / qb;
                } else {
                    e = (-qb + std::sqrt(dq)) / (2 * qa);
                    if (e > 1 || e < 0)
                        e = (-qb - std::sqrt(dq)) / (2 * qa);
                }
                // The ends differ in sign, so the crossing lies within the hour.
                if (!(e >= 0))
                    e = 0;
                if (e > 1)
                    e = 1;
                const double t3 = c + e + 1.0 / 120;
                int hh = static_cast<int>(Int(t3));
                int mm = static_cast<int>(Int((t3 - hh) * 60));
                if (hh >= 24) { // a crossing in the last half minute stays on this day
                    hh = 23;
                    mm = 59;
                }
                if (v0 < 0 && v2 > 0) {
                    riseH = hh;
                    riseM = mm;
                    riseFound = true;
                }
                if (v0 > 0 && v2 < 0) {
                    setH = hh;
                    setM = mm;
                    setFound = true;
                }
            }
        }
        ra0 = rab;
        dec0 = decb;
        v0 = v2;
    }

    // 6. Results.
    SunTimes r;
    if (riseFound)
        r.rise = riseH * 60 + riseM;
    if (setFound)
        r.set = setH * 60 + setM;
    return r;
}

double DeviceZoneHours(int year, int month, int day) {
    const auto local =
        dev::toFileTime(dev::SystemTime{static_cast<uint16_t>(year), static_cast<uint16_t>(month),
                                        0, static_cast<uint16_t>(day), 12, 0, 0, 0});
    if (!local)
        return 0;
    const dev::FileTime utc = dev::localFileTimeToFileTime(*local);
    const int64_t minutes =
        (static_cast<int64_t>(*local) - static_cast<int64_t>(utc)) / int64_t(dev::kTicksPerMinute);
    return minutes / 60.0;
}

namespace {

std::u16string TimeOfDayText(int minute, int year, int month, int day) {
    dev::SystemTime st{static_cast<uint16_t>(year),
                       static_cast<uint16_t>(month),
                       0,
                       static_cast<uint16_t>(day),
                       static_cast<uint16_t>(minute / 60),
                       static_cast<uint16_t>(minute % 60),
                       0,
                       0};
    if (const auto ft = dev::toFileTime(st))
        st = dev::toSystemTime(*ft); // fills the day of the week for the formatter
    if (st.hour > 23 || st.minute > 59)
        return {};
    return dev::systemFormatText(st, dev::SystemFormat::TimeNoSeconds);
}

} // namespace

SunTexts SunTextsFor(const SunTimes& t, int type, int year, int month, int day) {
    SunTexts r{kNoSunrise, kNoSunset};
    if (type < 0 || type >= kSunTypeCount)
        return r;
    if (t.rise >= 0 && t.rise < 1440) {
        std::u16string s = TimeOfDayText(t.rise, year, month, day);
        if (!s.empty())
            r.rise = std::move(s);
    }
    if (t.set >= 0 && t.set < 1440) {
        std::u16string s = TimeOfDayText(t.set, year, month, day);
        if (!s.empty())
            r.set = std::move(s);
    }
    return r;
}

SunDay SunDayFor(double latitude, double longitude, int type, int year, int month, int day) {
    SunDay d;
    if (type >= 0 && type < kSunTypeCount)
        d.times = SunRiseSet(latitude, longitude, DeviceZoneHours(year, month, day),
                             SunZenithForType(type), year, month, day);
    d.texts = SunTextsFor(d.times, type, year, month, day);
    return d;
}

} // namespace hv::astro

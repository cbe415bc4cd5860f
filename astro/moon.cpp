#include "astro/moon.h"

#include "device/device.h"
#include "device/strings.h"

#include <cmath>
#include <iterator>

namespace hv::astro {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;
constexpr double kDegToRad = 0.017453292519943295;

double SinDeg(double deg) {
    return std::sin(deg * kDegToRad);
}
double CosDeg(double deg) {
    return std::cos(deg * kDegToRad);
}

// Degrees to radians reduced to [0, 2 pi).
double Normalised(double deg) {
    double r = deg * kDegToRad;
    r -= std::trunc(r / kTwoPi) * kTwoPi;
    if (r < 0)
        r += kTwoPi;
    return r;
}

double EPower(double e, int power) {
    double f = 1;
    for (int i = 0; i < power; ++i)
        f *= e;
    return f;
}

// The rows of the periodic-term tables.
struct AfcTerm {
    double coefficient; // degrees
    int m, mp, d, f;    // multipliers of M, M', D, F
    int ePower;
};
struct PhaseTerm {
    double days;
    int m, mp, f, om; // multipliers of M, M', F, Omega
    int ePower;
};
struct PlanetaryTerm {
    double a0, perK, perT2; // degrees
    double days;
};
struct ApsisTerm {
    double coefficient, perT; // days or arc seconds
    int d, m, f;
};

#include "astro/moon_terms.inc"

// The Julian day number of 1582-10-15, the first day of the Gregorian calendar.
constexpr double kGregorianReform = 2299161;

} // namespace

double JulianDayOf(int year, int month, int day, int hour, int minute, int second) {
    const double f = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    return dev::julianDayOfDays(
               dev::daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day))) +
           f;
}

CalendarMinute DateOfJulianDay(double jd) {
    const double z = std::floor(jd + 0.5);
    const double f = jd + 0.5 - z;
    CalendarMinute r;
    if (z >= kGregorianReform) {
        const dev::CivilDate c =
            dev::civilFromDays(dev::daysOfJulianDayNumber(static_cast<int64_t>(z)));
        r.year = static_cast<int>(c.year);
        r.month = static_cast<int>(c.month);
        r.day = static_cast<int>(c.day);
    } else {
        // The Julian calendar (Meeus).
        const double b = z + 1524;
        const double c = std::floor((b - 122.1) / 365.25);
        const double d = std::floor(365.25 * c);
        const double e = std::floor((b - d) / 30.6001);
        r.day = static_cast<int>(b - d - std::floor(30.6001 * e));
        r.month = static_cast<int>(e < 14 ? e - 1 : e - 13);
        r.year = static_cast<int>(r.month > 2 ? c - 4716 : c - 4715);
    }
    // Whole minutes of the day's fraction; the tiny allowance keeps an instant that is a whole
    // minute from reading as the minute before after the rounding of the sums above.
    int minutes = static_cast<int>(std::floor(f * 1440 + 1e-6));
    if (minutes > 1439)
        minutes = 1439;
    if (minutes < 0)
        minutes = 0;
    r.hour = minutes / 60;
    r.minute = minutes % 60;
    return r;
}

bool FileTimeOfJulianDay(double jd, dev::FileTime& out) {
    if (!(jd > 2305813.5 && jd < 13000000))
        return false;
    const CalendarMinute c = DateOfJulianDay(jd);
    if (c.year < 1601 || c.year > 30827)
        return false;
    const dev::SystemTime st{static_cast<uint16_t>(c.year),
                             static_cast<uint16_t>(c.month),
                             0,
                             static_cast<uint16_t>(c.day),
                             static_cast<uint16_t>(c.hour),
                             static_cast<uint16_t>(c.minute),
                             0,
                             0};
    return dev::systemTimeToFileTime(st, out);
}

bool LocalTimeOfJulianDay(double jd, dev::SystemTime& out) {
    dev::FileTime utc;
    if (!FileTimeOfJulianDay(jd, utc))
        return false;
    const int64_t local =
        static_cast<int64_t>(utc) -
        static_cast<int64_t>(dev::utcBiasAtUtc(dev::getTimeZoneInformation(), utc)) *
            static_cast<int64_t>(dev::kTicksPerMinute);
    return local >= 0 && dev::fileTimeToSystemTime(static_cast<dev::FileTime>(local), out);
}

MoonClock MoonClockOf(int year, int month, int day, int hour, int minute, int second) {
    MoonClock c;
    c.jd = JulianDayOf(year, month, day, hour, minute, second);
    c.year = year + (c.jd - JulianDayOf(year, 1, 1) - 1) / 365.25;
    return c;
}

MoonClock MoonClockAt(dev::FileTime utc) {
    const dev::SystemTime st = dev::toSystemTime(utc);
    return MoonClockOf(st.year, st.month, st.day, st.hour, st.minute, st.second);
}

MoonClock MoonClockNow() {
    return MoonClockAt(dev::getSystemTimeAsFileTime());
}

PhaseKind PhaseKindOf(double k) {
    const long q = std::lround((k - std::floor(k)) * 4);
    return static_cast<PhaseKind>(q & 3);
}

double PhaseTime(double k) {
    const double t = k / 1236.85;
    const double t2 = t * t, t3 = t2 * t, t4 = t3 * t;
    double jde =
        2451550.09765 + 29.530588853 * k + 0.0001337 * t2 - 0.00000015 * t3 + 0.00000000073 * t4;
    const double e = 1 - 0.002516 * t - 0.0000074 * t2;
    const double m = 2.5534 + 29.10535669 * k - 0.0000218 * t2 - 0.00000011 * t3;
    const double mp =
        201.5643 + 385.81693528 * k + 0.0107438 * t2 + 0.00001239 * t3 - 0.000000058 * t4;
    const double f =
        160.7108 + 390.67050274 * k - 0.0016341 * t2 - 0.00000227 * t3 + 0.000000011 * t4;
    const double om = 124.7746 - 1.5637558 * k + 0.0020691 * t2 + 0.00000215 * t3;

    const PhaseKind kind = PhaseKindOf(k);
    const PhaseTerm* terms = kind == PhaseKind::New    ? kPhaseNewTerms
                             : kind == PhaseKind::Full ? kPhaseFullTerms
                                                       : kPhaseQuarterTerms;
    constexpr int kTerms = 25;
    static_assert(std::size(kPhaseNewTerms) == kTerms && std::size(kPhaseFullTerms) == kTerms &&
                  std::size(kPhaseQuarterTerms) == kTerms);
    for (int i = 0; i < kTerms; ++i) {
        const PhaseTerm& p = terms[i];
        jde += p.days * EPower(e, p.ePower) * SinDeg(p.m * m + p.mp * mp + p.f * f + p.om * om);
    }
    if (kind == PhaseKind::FirstQuarter || kind == PhaseKind::LastQuarter) {
        const double w = 0.00306 - 0.00038 * e * CosDeg(m) + 0.00026 * CosDeg(mp) -
                         0.00002 * CosDeg(mp - m) + 0.00002 * CosDeg(mp + m) +
                         0.00002 * CosDeg(2 * f);
        jde += kind == PhaseKind::FirstQuarter ? w : -w;
    }
    for (const PlanetaryTerm& p : kPhasePlanetary)
        jde += p.days * SinDeg(p.a0 + p.perK * k + p.perT2 * t2);
    return jde;
}

MoonPhases NextPhases(const MoonClock& now) {
    MoonPhases r;
    double k = std::trunc((now.year - 2000) * 49.474) * 0.25 - 0.5;
    // The estimate drifts from the real lunation count far from 2000 (by days in the year 5000):
    // step it until the phases at k - 0.25 and k bracket now. The bounds only guard odd inputs.
    for (int guard = 0; guard < 4000 && PhaseTime(k - 0.25) >= now.jd; ++guard)
        k -= 0.25;
    for (int guard = 0; guard < 4000 && PhaseTime(k) < now.jd; ++guard)
        k += 0.25;
    int count = 0;
    for (int guard = 0; count < 4 && guard < 64; ++guard, k += 0.25) {
        const double jde = PhaseTime(k);
        if (jde < now.jd)
            continue;
        const PhaseKind kind = PhaseKindOf(k);
        r.next[count++] = {kind, jde};
        if (kind == PhaseKind::New) {
            r.nextNew = jde;
            r.lastNew = PhaseTime(std::floor(k) - 1);
        }
    }
    return r;
}

Apsis ApsisAt(double k) {
    const double t = k / 1325.55;
    const double t2 = t * t, t3 = t2 * t, t4 = t3 * t;
    double jde =
        2451534.6698 + 27.55454988 * k - 0.0006886 * t2 - 0.000001098 * t3 + 0.0000000052 * t4;
    const double d = Normalised(171.9179 + 335.9106046 * k - 0.0100250 * t2 - 0.00001156 * t3 +
                                0.000000055 * t4);
    const double m = Normalised(347.3477 + 27.1577721 * k - 0.0008323 * t2 - 0.0000010 * t3);
    const double f = Normalised(316.6109 + 364.5287911 * k - 0.0125131 * t2 - 0.0000148 * t3);
    const bool apogee = std::fabs(k - std::floor(k) - 0.5) < 0.25;

    auto timeSum = [&](const auto& table) {
        double s = 0;
        for (const ApsisTerm& a : table)
            s += (a.coefficient + a.perT * t) * std::sin(a.d * d + a.m * m + a.f * f);
        return s;
    };
    auto parallaxSum = [&](const auto& table) {
        double s = 0;
        for (const ApsisTerm& a : table)
            s += (a.coefficient + a.perT * t) * std::cos(a.d * d + a.m * m + a.f * f);
        return s;
    };
    double parallax;
    if (apogee) {
        jde += timeSum(kApogeeTime);
        parallax = parallaxSum(kApogeeParallax);
    } else {
        jde += timeSum(kPerigeeTime);
        parallax = parallaxSum(kPerigeeParallax);
    }
    Apsis r;
    r.jd = jde;
    r.km = static_cast<int>(6378.14 / std::sin(parallax / 3600 * kDegToRad));
    return r;
}

Apsides CurrentApsides(const MoonClock& now) {
    const double k = std::trunc((now.year - 1999.97) * 13.2555);
    return {ApsisAt(k - 0.5), ApsisAt(k)};
}

MoonPosition MoonPositionAt(double jd) {
    const double t = (jd - 2415020.0) / 36525;
    const double t2 = t * t, t3 = t2 * t;
    double lp = 270.434164 + 481267.8831 * t - 0.001133 * t2 + 0.0000019 * t3;
    double m = 358.475833 + 35999.0498 * t - 0.000150 * t2 - 0.0000033 * t3;
    double mp = 296.104608 + 477198.8491 * t + 0.009192 * t2 + 0.0000144 * t3;
    double d = 350.737486 + 445267.1142 * t - 0.001436 * t2 + 0.0000019 * t3;
    double f = 11.250889 + 483202.0251 * t - 0.003211 * t2 - 0.0000003 * t3;
    const double om = 259.183275 - 1934.1420 * t + 0.002078 * t2 + 0.0000022 * t3;

    const double s1 = SinDeg(51.2 + 20.2 * t);
    const double s2 = 0.003964 * SinDeg(346.560 + 132.870 * t - 0.0091731 * t2);
    const double sinOm = SinDeg(om);
    const double omTerm = om + 275.05 - 2.30 * t;
    lp += 0.000233 * s1 + s2 + 0.001964 * sinOm;
    m -= 0.001778 * s1;
    mp += 0.000817 * s1 + s2 + 0.002541 * sinOm;
    d += 0.002011 * s1 + s2 + 0.001964 * sinOm;
    f += s2 - 0.024691 * sinOm - 0.004328 * SinDeg(omTerm);
    const double e = 1 - 0.002495 * t - 0.00000752 * t2;

    const double mr = Normalised(m), mpr = Normalised(mp), dr = Normalised(d), fr = Normalised(f);
    auto argument = [&](const AfcTerm& a) { return a.m * mr + a.mp * mpr + a.d * dr + a.f * fr; };
    double longitude = lp;
    for (const AfcTerm& a : kAfcLongitude)
        longitude += a.coefficient * EPower(e, a.ePower) * std::sin(argument(a));
    double b = 0;
    for (const AfcTerm& a : kAfcLatitude)
        b += a.coefficient * EPower(e, a.ePower) * std::sin(argument(a));
    const double latitude =
        b * (1 - 0.0004664 * std::cos(om * kDegToRad) - 0.0000754 * std::cos(omTerm * kDegToRad));
    double parallax = 0;
    for (const AfcTerm& a : kAfcParallax)
        parallax += a.coefficient * EPower(e, a.ePower) * std::cos(argument(a));

    // The Sun's longitude.
    const double l0 = 279.69668 + 36000.76892 * t + 0.0003025 * t2;
    const double ms = 358.47583 + 35999.04975 * t - 0.000150 * t2 - 0.0000033 * t3;
    const double c = (1.919460 - 0.004789 * t - 0.000014 * t2) * SinDeg(ms) +
                     (0.020094 - 0.000100 * t) * SinDeg(2 * ms) + 0.000293 * SinDeg(3 * ms);
    const double lambda0 = l0 + c;

    MoonPosition r;
    r.distanceKm = static_cast<int>(std::lround(6378.14 / SinDeg(parallax)));
    double cosPsi = CosDeg(latitude) * CosDeg(longitude - lambda0);
    cosPsi = std::fmin(1.0, std::fmax(-1.0, cosPsi));
    const double psi = std::acos(cosPsi) / kDegToRad;
    const double i =
        180 - psi -
        0.1468 * (1 - 0.0549 * std::sin(mpr)) / (1 - 0.0167 * std::sin(mr)) * SinDeg(psi);
    int visible = static_cast<int>(std::trunc((1 + CosDeg(i)) * 50 + 0.5));
    r.visible = visible < 0 ? 0 : visible > 100 ? 100 : visible;
    return r;
}

void registerMoonStrings() {
    static const dev::StringResource table[] = {
        {40019, u"Phase:"},
        {40020, u"Visible:"},
        {40021, u"Age:"},
        {40022, u"Distance:"},
        {40023, u"Apogee:"},
        {40024, u"Perigee:"},
        {40025, u"The Moon at"},
        {kStrPhaseNames + static_cast<int>(PhaseName::New), u"New Moon"},
        {kStrPhaseNames + static_cast<int>(PhaseName::WaxingCrescent), u"Waxing Crescent"},
        {kStrPhaseNames + static_cast<int>(PhaseName::WaningCrescent), u"Waning Crescent"},
        {kStrPhaseNames + static_cast<int>(PhaseName::FirstQuarter), u"First Quarter"},
        {kStrPhaseNames + static_cast<int>(PhaseName::LastQuarter), u"Last Quarter"},
        {kStrPhaseNames + static_cast<int>(PhaseName::WaxingGibbous), u"Waxing Gibbous"},
        {kStrPhaseNames + static_cast<int>(PhaseName::WaningGibbous), u"Waning Gibbous"},
        {kStrPhaseNames + static_cast<int>(PhaseName::Full), u"Full Moon"},
    };
    static const bool once = [] {
        dev::RegisterStrings(table, static_cast<int>(std::size(table)));
        return true;
    }();
    (void)once;
}

std::u16string PhaseNameText(PhaseName n) {
    registerMoonStrings();
    return dev::LoadStringResource(kStrPhaseNames + static_cast<int>(n));
}

PhaseLook PhaseLookOf(int visible, double q) {
    const double p = visible / 100.0;
    const bool waxing = q < 0.505;
    auto step = [visible](int base, int dir) {
        // Pictures by tens of percent: < 10, < 20, < 30, < 40, else.
        int i = visible < 10 ? 0 : visible < 20 ? 1 : visible < 30 ? 2 : visible < 40 ? 3 : 4;
        return base + dir * i;
    };
    auto gibbous = [visible](int base, int dir) {
        int i = visible < 60 ? 0 : visible < 70 ? 1 : visible < 80 ? 2 : visible < 90 ? 3 : 4;
        return base + dir * i;
    };
    if (p < 0.005)
        return {PhaseName::New, 0};
    if (p < 0.495)
        return waxing ? PhaseLook{PhaseName::WaxingCrescent, step(1, 1)}
                      : PhaseLook{PhaseName::WaningCrescent, step(23, -1)};
    if (p < 0.505)
        return waxing ? PhaseLook{PhaseName::FirstQuarter, 6}
                      : PhaseLook{PhaseName::LastQuarter, 18};
    if (p >= 0.995)
        return {PhaseName::Full, 12};
    return waxing ? PhaseLook{PhaseName::WaxingGibbous, gibbous(7, 1)}
                  : PhaseLook{PhaseName::WaningGibbous, gibbous(17, -1)};
}

std::u16string AgeText(double days) {
    if (!(days > 0))
        days = 0;
    if (days > 1e6)
        days = 1e6;
    const long whole = static_cast<long>(days);
    double rest = (days - whole) * 24;
    const long hours = static_cast<long>(rest);
    rest = (rest - hours) * 60;
    const long minutes = static_cast<long>(rest);
    const std::string s =
        std::to_string(whole) + "d " + std::to_string(hours) + "h " + std::to_string(minutes) + "m";
    return std::u16string(s.begin(), s.end());
}

int SouthernPicture(int picture) {
    return picture == 0 ? 0 : 24 - picture;
}
int SouthernIconKind(int kind) {
    return ((4 - kind) % 4 + 4) % 4;
}

MoonReport EvaluateMoon(const MoonClock& now, bool southern) {
    MoonReport r;
    r.clock = now;
    r.position = MoonPositionAt(now.jd);
    r.phases = NextPhases(now);
    r.apsides = CurrentApsides(now);
    const double age = now.jd - r.phases.lastNew;
    const double lunation = r.phases.nextNew - r.phases.lastNew;
    const double q = lunation > 0 ? age / lunation : 0;
    r.look = PhaseLookOf(r.position.visible, q);
    r.age = AgeText(age);
    for (int i = 0; i < 4; ++i)
        r.iconKinds[i] = static_cast<int>(r.phases.next[i].kind);
    if (southern) {
        r.look.picture = SouthernPicture(r.look.picture);
        for (int& k : r.iconKinds)
            k = SouthernIconKind(k);
    }
    return r;
}

} // namespace hv::astro

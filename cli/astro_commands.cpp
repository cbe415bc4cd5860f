// horavel-cli commands of the sun, the Moon and the other time scales: sun, moon, beats,
// timecalc and year-progress.
#include "astro/moon.h"
#include "astro/sun.h"
#include "cli/citydata.h"
#include "cli/commands.h"
#include "device/device.h"
#include "device/text.h"
#include "timescales/timescales.h"

#include <cstdio>
#include <string>

namespace hv::cli {

namespace {

// "C,I": a continent list 0..6 and a position in it.
bool parseCityRef(const std::string& s, int& continent, int& index) {
    const auto comma = s.find(',');
    if (comma == std::string::npos)
        return false;
    long long c, i;
    if (!parseInt(s.substr(0, comma), 0, 6, c) || !parseInt(s.substr(comma + 1), 0, 65535, i))
        return false;
    continent = static_cast<int>(c);
    index = static_cast<int>(i);
    return true;
}

std::string MinuteText(double jd) {
    const astro::CalendarMinute c = astro::DateOfJulianDay(jd);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", c.year, c.month, c.day, c.hour,
                  c.minute);
    return buf;
}

int printSun(const astro::SunDay& day, Io& io) {
    io.out << day.times.rise << ' ' << day.times.set << '\n'
           << dev::toUtf8(day.texts.rise) << '\t' << dev::toUtf8(day.texts.set) << '\n';
    return kExitOk;
}

int runSun(const ParsedArgs& a, Io& io) {
    int y, m, d;
    if (!parseDate(a.get("date"), y, m, d) || y < 1 || y > 9999)
        return badValue(io, "sun", "--date must be YYYY-MM-DD (years 1..9999)");
    long long type = 0;
    if (a.has("type") && !parseInt(a.get("type"), 0, 3, type))
        return badValue(io, "sun",
                        "--type must be 0..3 (rise and set, civil, nautical, astronomical)");
    if (a.has("city")) {
        if (a.has("lat") || a.has("lon") || a.has("offset-min"))
            return badValue(io, "sun", "give either --city or --lat, --lon and --offset-min");
        int c, i;
        if (!parseCityRef(a.get("city"), c, i))
            return badValue(io, "sun", "--city must be C,I (list 0..6, position)");
        CityDatabase db;
        if (!loadCities(a, db, "sun", io))
            return kExitFailure;
        const CityRecord* city = cityAt(db, c, i, "sun", io);
        if (!city)
            return kExitUsage;
        return printSun(
            astro::SunDayFor(city->latitude(), city->longitude(), static_cast<int>(type), y, m, d),
            io);
    }
    double lat, lon, offset;
    if (!a.has("lat") || !a.has("lon") || !a.has("offset-min"))
        return badValue(io, "sun", "give --lat, --lon and --offset-min (or --city)");
    if (!parseDouble(a.get("lat"), -90, 90, lat))
        return badValue(io, "sun", "--lat must be degrees -90..90, north positive");
    if (!parseDouble(a.get("lon"), -180, 180, lon))
        return badValue(io, "sun", "--lon must be degrees -180..180, east positive");
    if (!parseDouble(a.get("offset-min"), -1440, 1440, offset))
        return badValue(io, "sun", "--offset-min must be minutes -1440..1440, east positive");
    const int t = static_cast<int>(type);
    astro::SunDay day;
    day.times = astro::SunRiseSet(lat, lon, offset / 60.0, astro::SunZenithForType(t), y, m, d);
    day.texts = astro::SunTextsFor(day.times, t, y, m, d);
    return printSun(day, io);
}

const char* KindWord(astro::PhaseKind k) {
    switch (k) {
    case astro::PhaseKind::New:
        return "new";
    case astro::PhaseKind::FirstQuarter:
        return "first";
    case astro::PhaseKind::Full:
        return "full";
    case astro::PhaseKind::LastQuarter:
        return "last";
    }
    return "?";
}

int runMoon(const ParsedArgs& a, Io& io) {
    int y, mo, d, h, mi, s;
    if (!parseDateTime(a.get("utc"), y, mo, d, h, mi, s) || y < 1 || y > 9999)
        return badValue(io, "moon", "--utc must be 'YYYY-MM-DD HH:MM:SS' (years 1..9999)");
    const astro::MoonReport r =
        astro::EvaluateMoon(astro::MoonClockOf(y, mo, d, h, mi, s), a.has("south"));
    std::ostream& o = io.out;
    o << "visible=" << r.position.visible << "\ndistance_km=" << r.position.distanceKm
      << "\nphase=" << dev::toUtf8(astro::PhaseNameText(r.look.name))
      << "\npicture=" << r.look.picture << "\nage=" << dev::toUtf8(r.age)
      << "\nlast_new=" << MinuteText(r.phases.lastNew)
      << "\nnext_new=" << MinuteText(r.phases.nextNew) << '\n';
    for (int i = 0; i < 4; ++i)
        o << "phase_" << i + 1 << '=' << KindWord(r.phases.next[i].kind) << ' '
          << MinuteText(r.phases.next[i].jd) << '\n';
    o << "apogee=" << MinuteText(r.apsides.apogee.jd) << ' ' << r.apsides.apogee.km
      << "\nperigee=" << MinuteText(r.apsides.perigee.jd) << ' ' << r.apsides.perigee.km << '\n';
    return kExitOk;
}

int runBeats(const ParsedArgs& a, Io& io) {
    if (a.has("utc") == a.has("local"))
        return badValue(io, "beats", "give exactly one of --utc and --local");
    dev::FileTime ft;
    dev::SystemTime st;
    if (!parseInstant(a.get(a.has("utc") ? "utc" : "local"), ft, st))
        return badValue(io, "beats", "the time must be 'YYYY-MM-DD HH:MM:SS' (years 1601..30827)");
    const std::optional<int> beats = a.has("utc") ? BeatsFromUtc(ft) : BeatsFromLocal(st);
    if (!beats) {
        io.err << "horavel-cli beats: no result: the local time has no UTC instant in the years "
                  "1601..30827\n";
        return kExitFailure;
    }
    io.out << dev::toUtf8(FormatBeats(*beats)) << '\n';
    return kExitOk;
}

int runTimeCalc(const ParsedArgs& a, Io& io) {
    int fc, fi, tc, ti;
    if (!parseCityRef(a.get("from"), fc, fi) || !parseCityRef(a.get("to"), tc, ti))
        return badValue(io, "timecalc", "--from and --to must be C,I (list 0..6, position)");
    dev::FileTime ft;
    dev::SystemTime st;
    if (!parseInstant(a.get("at"), ft, st))
        return badValue(io, "timecalc", "--at must be 'YYYY-MM-DD HH:MM:SS' (years 1601..30827)");
    CityDatabase db;
    if (!loadCities(a, db, "timecalc", io))
        return kExitFailure;
    const CityRecord* from = cityAt(db, fc, fi, "timecalc", io);
    const CityRecord* to = from ? cityAt(db, tc, ti, "timecalc", io) : nullptr;
    if (!to)
        return kExitUsage;
    const std::optional<dev::SystemTime> row = TimeCalcRow(*from, st, *to);
    if (!row) {
        io.err << "horavel-cli timecalc: no result: the time lies outside the years 1601..30827 "
                  "in one of the cities\n";
        return kExitFailure;
    }
    io.out << wallTimeText(*row) << '\n';
    return kExitOk;
}

int runYearProgress(const ParsedArgs& a, Io& io) {
    long long year;
    if (!parseInt(a.get("year"), 1601, 30826, year))
        return badValue(io, "year-progress", "--year must be 1601..30826");
    const std::string u = a.get("unit");
    ProgressUnit unit;
    if (u == "hours")
        unit = ProgressUnit::Hours;
    else if (u == "days")
        unit = ProgressUnit::Days;
    else if (u == "weeks")
        unit = ProgressUnit::Weeks;
    else if (u == "months")
        unit = ProgressUnit::Months;
    else
        return badValue(io, "year-progress", "--unit must be hours, days, weeks or months");
    dev::FileTime ft;
    dev::SystemTime now;
    if (!parseInstant(a.get("now"), ft, now))
        return badValue(io, "year-progress",
                        "--now must be 'YYYY-MM-DD HH:MM:SS' (years 1601..30827)");
    const YearProgressValues v = YearProgress(static_cast<int>(year), unit, now);
    io.out << dev::toUtf8(FormatProgress(v.passed)) << ' '
           << dev::toUtf8(FormatProgress(v.remained)) << '\n';
    return kExitOk;
}

} // namespace

void registerAstroCommands(CommandTable& t) {
    t.add({"sun",
           "",
           "print sunrise and sunset as minutes of the local day, then their texts",
           "Prints 'RISE SET' (-1 when the event does not happen), then the two texts separated "
           "by a tab.\n--type 0 rise and set (default), 1 civil, 2 nautical, 3 astronomical "
           "twilight.\n--city C,I takes the place from the city database and the offset from the "
           "device zone; --data DIR reads the city files of a host folder instead of the device's\n"
           "installed ones.",
           {{"lat", true, false, "DEG"},
            {"lon", true, false, "DEG"},
            {"offset-min", true, false, "M"},
            {"date", true, true, "YYYY-MM-DD"},
            {"type", true, false, "0..3"},
            {"city", true, false, "C,I"},
            kCityDataOption},
           0,
           0,
           runSun});
    t.add({"moon",
           "",
           "print the Moon's data at a UTC instant as key=value lines",
           "Keys: visible, distance_km, phase, picture, age, last_new, next_new, phase_1..phase_4 "
           "(KIND YYYY-MM-DD HH:MM, kinds new first full last), apogee and perigee "
           "(YYYY-MM-DD HH:MM KM). Times are UTC.\n--south mirrors the picture for a southern "
           "home.",
           {{"utc", true, true, "'YYYY-MM-DD HH:MM:SS'"}, {"south", false, false, ""}},
           0,
           0,
           runMoon});
    t.add({"beats",
           "",
           "print the Internet time (three-digit beats) of a time",
           "--utc takes the time as UTC, --local as local time of the device zone.",
           {{"utc", true, false, "'YYYY-MM-DD HH:MM:SS'"},
            {"local", true, false, "'YYYY-MM-DD HH:MM:SS'"}},
           0,
           0,
           runBeats});
    t.add({"timecalc",
           "",
           "print a city's wall time when the reference city's wall time is --at",
           "--from is the reference city and --to the row city, each as C,I (list 0..6, "
           "position).\nPrints the row city's wall time as 'YYYY-MM-DD HH:MM:SS'. --data DIR "
           "reads the city files of a\nhost folder instead of the device's installed ones.",
           {{"from", true, true, "C,I"},
            {"to", true, true, "C,I"},
            {"at", true, true, "'YYYY-MM-DD HH:MM:SS'"},
            kCityDataOption},
           0,
           0,
           runTimeCalc});
    t.add({"year-progress",
           "",
           "print how much of a year has passed and remains: PASSED REMAINED",
           "",
           {{"year", true, true, "Y"},
            {"unit", true, true, "hours|days|weeks|months"},
            {"now", true, true, "'YYYY-MM-DD HH:MM:SS'"}},
           0,
           0,
           runYearProgress});
}

} // namespace hv::cli

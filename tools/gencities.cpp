// Builds the six city files (africa.cdb .. samerica.cdb) from the source table data/cities.csv and
// the system's IANA time-zone data, for one target year, and writes a report of the cities whose
// real transitions the record format cannot reproduce in that year.
//
//   hv_gencities --csv data/cities.csv --out DIR [--year YYYY]
//   hv_gencities --check --csv data/cities.csv --data DIR [--year YYYY]
//
// The check mode compares every city's time from the files (through the city-time engine) with the
// IANA data at 12:00 UTC on the 1st and 15th of every month, allowing only the hours between a
// real transition and the record's midnight transition, and the cities the report names.
#include "cities/citydatabase.h"
#include "cities/citytime.h"
#include "device/text.h"
#include "device/wordsort.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using hv::CityRecord;

struct SourceCity {
    int continent = 0;
    int position = 0;
    int id = 0;
    std::string name;
    int latDeg = 0, latMin = 0, north = 0, lonDeg = 0, lonMin = 0, east = 0;
    std::string zone;
};

const char* const kContinentNames[] = {"Africa", "Asia",          "Australia",
                                       "Europe", "North America", "South America"};

std::vector<std::string> splitCsvLine(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                cur += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cur += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            out.push_back(cur);
            cur.clear();
        } else if (c != '\r') {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

bool toInt(const std::string& s, int& v) {
    char* end = nullptr;
    errno = 0;
    const long x = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end != '\0' || errno != 0 || x < -100000 || x > 100000)
        return false;
    v = static_cast<int>(x);
    return true;
}

bool readSource(const std::string& path, std::vector<SourceCity>& cities) {
    std::ifstream in(path);
    if (!in) {
        std::cerr << "hv_gencities: cannot read " << path << '\n';
        return false;
    }
    std::string line;
    std::getline(in, line); // header
    int lineNo = 1;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty())
            continue;
        const auto f = splitCsvLine(line);
        SourceCity c;
        if (f.size() < 11 || !toInt(f[0], c.continent) || !toInt(f[1], c.position) ||
            !toInt(f[2], c.id) || !toInt(f[4], c.latDeg) || !toInt(f[5], c.latMin) ||
            !toInt(f[6], c.north) || !toInt(f[7], c.lonDeg) || !toInt(f[8], c.lonMin) ||
            !toInt(f[9], c.east) || c.continent < 0 || c.continent > 5 || f[3].empty() ||
            f[3].size() > 21 || f[10].empty()) {
            std::cerr << "hv_gencities: " << path << ':' << lineNo << ": malformed row\n";
            return false;
        }
        c.name = f[3];
        c.zone = f[10];
        cities.push_back(c);
    }
    return true;
}

// ---- IANA data through the C library -----------------------------------------------------------

void useZone(const std::string& zone) {
    setenv("TZ", (":" + zone).c_str(), 1);
    tzset();
}

// Offset from UTC in minutes at a Unix time, under the zone in use.
int offsetAt(time_t t) {
    struct tm tm {};
    localtime_r(&t, &tm);
    return static_cast<int>(tm.tm_gmtoff / 60);
}

struct Transition {
    time_t at;  // first second of the new offset
    int before; // minutes
    int after;
};

time_t yearStart(int year) {
    struct tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mday = 1;
    return timegm(&tm);
}

// The offset changes whose instant lies in the UTC year.
std::vector<Transition> transitionsIn(int year) {
    std::vector<Transition> out;
    const time_t from = yearStart(year), to = yearStart(year + 1);
    int prev = offsetAt(from);
    for (time_t t = from + 3600; t <= to; t += 3600) {
        const int cur = offsetAt(t);
        if (cur == prev)
            continue;
        time_t lo = t - 3600, hi = t; // offset(lo) == prev, offset(hi) == cur
        while (hi - lo > 1) {
            const time_t mid = lo + (hi - lo) / 2;
            (offsetAt(mid) == prev ? lo : hi) = mid;
        }
        if (hi < to)
            out.push_back({hi, prev, cur});
        prev = cur;
    }
    return out;
}

// ---- Deriving a record's rule ------------------------------------------------------------------

struct Derived {
    int gmtOffset = 0;
    bool dst = false;
    uint8_t start = 0, startMonth = 0, end = 0, endMonth = 0;
    std::vector<Transition> real; // the year's real transitions
    std::string problem;          // why the record cannot reproduce the year, empty when it can
};

struct CivilDay {
    int year, month, day;
};

CivilDay civilOf(time_t t) {
    struct tm tm {};
    gmtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

// Week-of-month nibble (0..3 first..fourth, 4 last) and weekday of a day; "last" whenever the day
// is in the month's last seven, as the yearly rules of the tz data are written.
uint8_t encodeDay(const CivilDay& d) {
    const int weekday = hv::CityWeekday(d.year, d.month, d.day);
    const int dim = hv::CityDaysInMonth(d.year, d.month);
    const int week = d.day + 7 > dim ? 4 : (d.day - 1) / 7;
    return static_cast<uint8_t>(week << 4 | weekday);
}

std::string dayText(const CivilDay& d) {
    char b[32];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d", d.year, d.month, d.day);
    return b;
}

std::string utcText(time_t t) {
    struct tm tm {};
    gmtime_r(&t, &tm);
    char b[40];
    std::strftime(b, sizeof b, "%Y-%m-%d %H:%M UTC", &tm);
    return b;
}

Derived derive(const std::string& zone, int year) {
    useZone(zone);
    Derived d;
    d.real = transitionsIn(year);
    std::set<int> offsets{offsetAt(yearStart(year))};
    for (const auto& t : d.real)
        offsets.insert(t.after);
    const int endOffset = offsetAt(yearStart(year + 1) - 1);
    d.gmtOffset = endOffset;
    if (offsets.size() == 1)
        return d;

    std::ostringstream why;
    if (offsets.size() != 2 || *offsets.rbegin() - *offsets.begin() != 60) {
        why << "offsets";
        for (int o : offsets)
            why << ' ' << o;
        why << " min in the year; a record has one standard offset and a one-hour daylight shift";
        d.problem = why.str();
        return d;
    }
    const int standard = *offsets.begin();
    d.gmtOffset = standard;
    const Transition* on = nullptr;
    const Transition* off = nullptr;
    int ons = 0, offs = 0;
    for (const auto& t : d.real) {
        if (t.after > t.before) {
            on = &t;
            ++ons;
        } else {
            off = &t;
            ++offs;
        }
    }
    if (ons != 1 || offs != 1) {
        why << d.real.size() << " transition(s) in the year";
        for (const auto& t : d.real)
            why << "; " << utcText(t.at) << " to " << t.after << " min";
        why << "; a record has one start and one end";
        d.problem = why.str();
        return d;
    }
    // Days of the changes in local standard time: the record changes at 00:00 of these days.
    const CivilDay startDay = civilOf(on->at + standard * 60);
    const CivilDay endDay = civilOf(off->at + standard * 60);
    d.dst = true;
    d.start = encodeDay(startDay);
    d.startMonth = static_cast<uint8_t>(startDay.month - 1);
    d.end = encodeDay(endDay);
    d.endMonth = static_cast<uint8_t>(endDay.month - 1);

    // The rule must name the same days under the city-time engine.
    CityRecord probe{};
    probe.gmtOffset = static_cast<int16_t>(standard);
    probe.dstUsed = 1;
    probe.dstStart = d.start;
    probe.dstStartMonth = d.startMonth;
    probe.dstEnd = d.end;
    probe.dstEndMonth = d.endMonth;
    const auto z = hv::CityZone(probe);
    const auto s = hv::TransitionDate(year, z.DaylightDate);
    const auto e = hv::TransitionDate(year, z.StandardDate);
    auto dayOf = [](hv::dev::FileTime ft) {
        const auto st = hv::dev::toSystemTime(ft);
        return CivilDay{st.year, st.month, st.day};
    };
    if (!s || !e || dayText(dayOf(*s)) != dayText(startDay) ||
        dayText(dayOf(*e)) != dayText(endDay)) {
        d.problem = "real transitions on " + dayText(startDay) + " and " + dayText(endDay) +
                    ", which the rule does not name";
        d.dst = false;
        d.start = d.startMonth = d.end = d.endMonth = 0;
    }
    return d;
}

CityRecord makeRecord(const SourceCity& c, const Derived& d) {
    CityRecord r{};
    r.id = static_cast<uint16_t>(c.id);
    r.setName(hv::dev::fromUtf8(c.name));
    r.gmtOffset = static_cast<int16_t>(d.gmtOffset);
    r.latDegrees = static_cast<int16_t>(c.latDeg);
    r.latMinutes = static_cast<int16_t>(c.latMin);
    r.lonDegrees = static_cast<int16_t>(c.lonDeg);
    r.lonMinutes = static_cast<int16_t>(c.lonMin);
    r.north = static_cast<uint8_t>(c.north);
    r.east = static_cast<uint8_t>(c.east);
    r.continent = static_cast<uint8_t>(c.continent);
    r.dstUsed = d.dst ? 1 : 0;
    r.dstStart = d.start;
    r.dstStartMonth = d.startMonth;
    r.dstEnd = d.end;
    r.dstEndMonth = d.endMonth;
    return r;
}

std::string tzdataVersion() {
    std::ifstream in("/usr/share/zoneinfo/tzdata.zi");
    std::string line;
    if (in && std::getline(in, line) && line.rfind("# version ", 0) == 0)
        return line.substr(10);
    return "unknown";
}

// Names, order, counts and ids the files must have.
bool checkSource(const std::vector<SourceCity>& cities) {
    static const int kCounts[6] = {62, 141, 31, 85, 165, 28};
    int counts[6] = {};
    bool ok = true;
    for (size_t i = 0; i < cities.size(); ++i) {
        const auto& c = cities[i];
        const int n = counts[c.continent]++;
        const bool last = n + 1 == kCounts[c.continent];
        const int id = 1000 * (c.continent + 1) + n + (last ? 50000 : 0);
        if (c.position != n || c.id != id) {
            std::cerr << "hv_gencities: " << c.name << ": position " << c.position << " id " << c.id
                      << ", expected " << n << " and " << id << '\n';
            ok = false;
        }
        if (i > 0 && cities[i - 1].continent == c.continent &&
            hv::dev::compareWordSort(hv::dev::fromUtf8(cities[i - 1].name),
                                     hv::dev::fromUtf8(c.name)) > 0) {
            std::cerr << "hv_gencities: '" << cities[i - 1].name << "' sorts after '" << c.name
                      << "'\n";
            ok = false;
        }
    }
    for (int k = 0; k < 6; ++k)
        if (counts[k] != kCounts[k]) {
            std::cerr << "hv_gencities: " << kContinentNames[k] << " has " << counts[k]
                      << " cities, expected " << kCounts[k] << '\n';
            ok = false;
        }
    return ok;
}

// The standard offsets of the cities with tabled records.
bool checkTabledOffsets(const std::vector<SourceCity>& cities,
                        const std::vector<Derived>& derived) {
    static const std::map<std::string, int> kOffsets = {
        {"London", 0},  {"New York", -300}, {"Sydney", 600},    {"Auckland", 720},
        {"Cairo", 120}, {"Kolkata", 330},   {"Kathmandu", 345}, {"Tokyo", 540}};
    bool ok = true;
    for (size_t i = 0; i < cities.size(); ++i) {
        auto it = kOffsets.find(cities[i].name);
        if (it != kOffsets.end() && derived[i].gmtOffset != it->second) {
            std::cerr << "hv_gencities: " << cities[i].name << " gets offset "
                      << derived[i].gmtOffset << ", expected " << it->second << '\n';
            ok = false;
        }
    }
    return ok;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) && out.flush();
}

int generate(const std::vector<SourceCity>& cities, const std::string& outDir, int year) {
    std::vector<Derived> derived;
    for (const auto& c : cities)
        derived.push_back(derive(c.zone, year));
    if (!checkTabledOffsets(cities, derived))
        return 1;

    std::string files[6];
    int dstCities = 0;
    std::ostringstream problems;
    int problemCount = 0;
    for (size_t i = 0; i < cities.size(); ++i) {
        const CityRecord r = makeRecord(cities[i], derived[i]);
        files[cities[i].continent].append(reinterpret_cast<const char*>(&r), sizeof r);
        dstCities += r.dstUsed;
        if (!derived[i].problem.empty()) {
            ++problemCount;
            problems << "  " << kContinentNames[cities[i].continent] << ' ' << cities[i].position
                     << ' ' << cities[i].name << " (" << cities[i].zone
                     << "): " << derived[i].problem << '\n';
        }
    }
    for (int k = 0; k < 6; ++k) {
        const std::string path =
            outDir + "/" + hv::dev::toUtf8(hv::kCityFileNames[static_cast<size_t>(k)]);
        if (!writeFile(path, files[k])) {
            std::cerr << "hv_gencities: cannot write " << path << '\n';
            return 1;
        }
    }

    std::ostringstream rep;
    rep << "City files for the year " << year
        << ", from data/cities.csv and the IANA time-zone data (tzdata " << tzdataVersion()
        << ").\n\n"
        << cities.size() << " cities; " << dstCities << " observe daylight saving in " << year
        << ".\n\n"
        << "A record holds one standard offset and a one-hour daylight-saving period from 00:00 "
           "local\n"
        << "standard time of its start day to 00:00 local standard time of its end day, the days "
           "named\n"
        << "as week of the month, weekday and month. The real changes fall on those days at "
           "another\n"
        << "hour (usually 01:00 to 03:00), so a city's time differs from the real one for those "
           "few\n"
        << "hours. Rules are derived for " << year
        << " only: zones whose dates move from year to year\n"
        << "need files generated again for another year.\n\n"
        << "Cities whose real transitions in " << year
        << " the record format cannot reproduce: " << problemCount << "\n"
        << (problemCount ? problems.str() : std::string("  (none)\n"));
    if (!writeFile(outDir + "/cities-report.txt", rep.str())) {
        std::cerr << "hv_gencities: cannot write the report\n";
        return 1;
    }
    std::cout << "hv_gencities: " << cities.size() << " cities for " << year << ", " << problemCount
              << " reported\n";
    return 0;
}

bool readHostFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

int check(const std::vector<SourceCity>& cities, const std::string& dataDir, int year) {
    std::array<std::vector<uint8_t>, hv::kContinentFiles> images;
    for (int k = 0; k < 6; ++k) {
        const std::string path =
            dataDir + "/" + hv::dev::toUtf8(hv::kCityFileNames[static_cast<size_t>(k)]);
        if (!readHostFile(path, images[static_cast<size_t>(k)])) {
            std::cerr << "hv_gencities: cannot read " << path << '\n';
            return 1;
        }
    }
    hv::CityDatabase db;
    db.loadImages(images);
    int samples = 0, windowed = 0, reported = 0, failures = 0;
    for (const auto& c : cities) {
        const CityRecord* r = db.recordAt(c.continent, c.position);
        if (!r || hv::dev::toUtf8(r->nameView()) != c.name) {
            std::cerr << "hv_gencities: " << c.name << " is not at " << kContinentNames[c.continent]
                      << ' ' << c.position << '\n';
            ++failures;
            continue;
        }
        const Derived d = derive(c.zone, year); // also selects the zone
        // The record's transition instants in UTC, to allow the hours between them and the real
        // ones.
        std::vector<std::pair<time_t, time_t>> windows;
        if (r->dstUsed) {
            const auto z = hv::CityZone(*r);
            const auto s = hv::TransitionDate(year, z.DaylightDate);
            const auto e = hv::TransitionDate(year, z.StandardDate);
            auto unix = [&](hv::dev::FileTime ft) {
                return static_cast<time_t>((static_cast<int64_t>(ft) -
                                            static_cast<int64_t>(hv::dev::kUnixEpochFileTime)) /
                                           static_cast<int64_t>(hv::dev::kTicksPerSecond)) -
                       r->gmtOffset * 60;
            };
            for (const auto& t : d.real) {
                const auto rec = t.after > t.before ? s : e;
                if (rec) {
                    // The record's end is inclusive: its period closes just after 00:00.
                    const time_t at = unix(*rec) + (t.after > t.before ? 0 : 1);
                    windows.emplace_back(std::min(at, t.at), std::max(at, t.at));
                }
            }
        }
        for (int month = 1; month <= 12; ++month) {
            for (int day : {1, 15}) {
                struct tm tm {};
                tm.tm_year = year - 1900;
                tm.tm_mon = month - 1;
                tm.tm_mday = day;
                tm.tm_hour = 12;
                const time_t t = timegm(&tm);
                const int real = offsetAt(t);
                const hv::dev::FileTime utc = hv::dev::kUnixEpochFileTime +
                                              static_cast<uint64_t>(t) * hv::dev::kTicksPerSecond;
                const hv::dev::SystemTime got = hv::CityTimeAt(db, c.continent, c.position, utc);
                const hv::dev::SystemTime want = hv::dev::toSystemTime(
                    hv::dev::kUnixEpochFileTime +
                    static_cast<uint64_t>(t + real * 60) * hv::dev::kTicksPerSecond);
                ++samples;
                if (got == want)
                    continue;
                bool inWindow = false;
                for (const auto& w : windows)
                    inWindow = inWindow || (t >= w.first && t < w.second);
                if (inWindow) {
                    ++windowed;
                } else if (!d.problem.empty()) {
                    ++reported;
                } else {
                    ++failures;
                    std::cerr << "hv_gencities: " << c.name << " at " << utcText(t)
                              << ": files give " << got.hour << ':' << got.minute << ", IANA data "
                              << want.hour << ':' << want.minute << '\n';
                }
            }
        }
    }
    std::cout << "hv_gencities: " << samples << " samples, " << windowed
              << " between a real and a record transition, " << reported << " of reported cities, "
              << failures << " wrong\n";
    return failures == 0 ? 0 : 1;
}

int currentYear() {
    const time_t now = time(nullptr);
    struct tm tm {};
    gmtime_r(&now, &tm);
    return tm.tm_year + 1900;
}

} // namespace

int main(int argc, char** argv) {
    std::string csv, out, data;
    int year = currentYear();
    bool checkMode = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= argc)
                return false;
            v = argv[++i];
            return true;
        };
        std::string y;
        if (a == "--csv" && value(csv)) {
        } else if (a == "--out" && value(out)) {
        } else if (a == "--data" && value(data)) {
        } else if (a == "--check") {
            checkMode = true;
        } else if (a == "--year" && value(y) && toInt(y, year) && year >= 1970 && year <= 2037) {
        } else {
            std::cerr << "usage: hv_gencities --csv FILE (--out DIR | --check --data DIR) [--year "
                         "YYYY]\n";
            return 2;
        }
    }
    if (csv.empty() || (checkMode ? data.empty() : out.empty())) {
        std::cerr
            << "usage: hv_gencities --csv FILE (--out DIR | --check --data DIR) [--year YYYY]\n";
        return 2;
    }
    std::vector<SourceCity> cities;
    if (!readSource(csv, cities) || !checkSource(cities))
        return 1;
    return checkMode ? check(cities, data, year) : generate(cities, out, year);
}

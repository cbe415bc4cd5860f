// Builds the six city files (africa.cdb .. samerica.cdb) from the source table data/cities.csv and
// the system's IANA time-zone data (read with QTimeZone), for one target year, and writes a report
// of how many hours a year each city's time differs from the IANA data, in the target year and the
// next.
//
//   hv_gencities --csv data/cities.csv --out DIR [--year YYYY]
//   hv_gencities --check --csv data/cities.csv --data DIR [--year YYYY]
//
// A record changes at local standard midnight; the generator names the midnight nearest each
// real change, so a city's time may differ only in the hours between a real change and that
// midnight. A zone whose changes in the target year and the next no yearly weekday rule names gets
// the offset that holds most of the target year and no daylight saving, and the report lists it.
// The check mode compares every city's time from the files (through the city-time engine) with
// the IANA data at every hour of the target year and the next, allows only those hours and the
// listed cities, and names the city that differs most.
#include "cities/citydatabase.h"
#include "cities/citytime.h"
#include "device/text.h"
#include "device/wordsort.h"
#include "device/zonechanges.h"

#include <algorithm>
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

// ---- IANA data ----------------------------------------------------------------------------------

using hv::dev::ZoneChange;

constexpr int64_t kDay = 86400;

int64_t floorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

int64_t yearStart(int year) {
    return hv::dev::daysFromCivil(year, 1, 1) * kDay;
}

// A zone's offset at the start of the target year and its changes in that year and the next.
struct Zone {
    int initial = 0;
    std::vector<ZoneChange> changes;

    std::vector<ZoneChange> in(int64_t from, int64_t to) const {
        std::vector<ZoneChange> out;
        for (const auto& c : changes)
            if (c.at >= from && c.at < to)
                out.push_back(c);
        return out;
    }
    int offsetAt(int64_t t) const { return hv::dev::offsetFromChanges(initial, changes, t); }
};

Zone readZone(const std::string& id, int year) {
    Zone z;
    z.initial = hv::dev::zoneOffsetAt(id, yearStart(year));
    z.changes = hv::dev::zoneChanges(id, yearStart(year), yearStart(year + 2));
    return z;
}

// The midnight of local standard time nearest a change, as a Unix time; a record's change falls
// there.
int64_t nearestMidnight(int64_t at, int standard) {
    const int64_t local = at + standard * 60;
    return floorDiv(local + kDay / 2, kDay) * kDay - standard * 60;
}

struct CivilDay {
    int year, month, day;
};

CivilDay civilOf(int64_t unixTime) {
    const auto c = hv::dev::civilFromDays(floorDiv(unixTime, kDay));
    return {static_cast<int>(c.year), static_cast<int>(c.month), static_cast<int>(c.day)};
}

std::string utcText(int64_t t) {
    const CivilDay d = civilOf(t);
    const int64_t s = t - floorDiv(t, kDay) * kDay;
    char b[40];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d UTC", d.year, d.month, d.day,
                  static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60));
    return b;
}

// ---- Deriving a record's rule ------------------------------------------------------------------

struct Derived {
    int gmtOffset = 0;
    bool dst = false;
    uint8_t start = 0, startMonth = 0, end = 0, endMonth = 0;
    std::string problem; // why no yearly rule fits, empty when one does
};

// Week-of-month nibble (0..3 first..fourth, 4 last) and weekday of a day; "last" whenever the day
// is in the month's last seven, as the yearly rules of the tz data are written.
uint8_t encodeDay(const CivilDay& d) {
    const int weekday = hv::CityWeekday(d.year, d.month, d.day);
    const int dim = hv::CityDaysInMonth(d.year, d.month);
    const int week = d.day + 7 > dim ? 4 : (d.day - 1) / 7;
    return static_cast<uint8_t>(week << 4 | weekday);
}

// The record's change in a year, as a Unix time (its local standard midnight).
std::optional<int64_t> recordChange(int year, const hv::dev::SystemTime& rule, int standard) {
    const auto ft = hv::TransitionDate(year, rule);
    if (!ft)
        return std::nullopt;
    return (static_cast<int64_t>(*ft) - static_cast<int64_t>(hv::dev::kUnixEpochFileTime)) /
               static_cast<int64_t>(hv::dev::kTicksPerSecond) -
           standard * 60;
}

// Whether a daylight-saving record names the nearest midnight of each of a year's changes, and
// those are one start and one end of a one-hour shift from its standard offset.
bool ruleFits(const CityRecord& r, const std::vector<ZoneChange>& changes, int year) {
    const auto z = hv::CityZone(r);
    const auto s = recordChange(year, z.DaylightDate, r.gmtOffset);
    const auto e = recordChange(year, z.StandardDate, r.gmtOffset);
    int ons = 0, offs = 0;
    for (const auto& c : changes) {
        const bool on = c.after > c.before;
        const int from = on ? r.gmtOffset : r.gmtOffset + 60;
        if (c.before != from || c.after != (on ? r.gmtOffset + 60 : r.gmtOffset))
            return false;
        const auto& rec = on ? s : e;
        if (!rec || *rec != nearestMidnight(c.at, r.gmtOffset))
            return false;
        ++(on ? ons : offs);
    }
    return ons == 1 && offs == 1;
}

// The offset in force for the most seconds of the year.
int mostOfYear(const Zone& zone, int year) {
    std::map<int, int64_t> seconds;
    int64_t t = yearStart(year);
    int offset = zone.offsetAt(t);
    for (const auto& c : zone.in(yearStart(year), yearStart(year + 1))) {
        seconds[offset] += c.at - t;
        t = c.at;
        offset = c.after;
    }
    seconds[offset] += yearStart(year + 1) - t;
    return std::max_element(seconds.begin(), seconds.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

std::string changesText(const std::vector<ZoneChange>& changes) {
    std::ostringstream out;
    for (const auto& c : changes)
        out << "; " << utcText(c.at) << " to " << c.after << " min";
    return out.str();
}

Derived derive(const Zone& zone, int year) {
    Derived d;
    const auto first = zone.in(yearStart(year), yearStart(year + 1));
    const auto second = zone.in(yearStart(year + 1), yearStart(year + 2));
    if (first.empty() && second.empty()) {
        d.gmtOffset = zone.initial;
        return d;
    }
    // A rule from the first year with changes, which must fit both years.
    const auto& model = first.empty() ? second : first;
    std::set<int> offsets;
    for (const auto& c : model)
        offsets.insert({c.before, c.after});
    if (offsets.size() == 2 && *offsets.rbegin() - *offsets.begin() == 60 && model.size() == 2 &&
        (model[0].after > model[0].before) != (model[1].after > model[1].before)) {
        const int standard = *offsets.begin();
        const ZoneChange& on = model[0].after > model[0].before ? model[0] : model[1];
        const ZoneChange& off = model[0].after > model[0].before ? model[1] : model[0];
        const CivilDay startDay = civilOf(nearestMidnight(on.at, standard) + standard * 60);
        const CivilDay endDay = civilOf(nearestMidnight(off.at, standard) + standard * 60);
        CityRecord probe{};
        probe.gmtOffset = static_cast<int16_t>(standard);
        probe.dstUsed = 1;
        probe.dstStart = encodeDay(startDay);
        probe.dstStartMonth = static_cast<uint8_t>(startDay.month - 1);
        probe.dstEnd = encodeDay(endDay);
        probe.dstEndMonth = static_cast<uint8_t>(endDay.month - 1);
        if (ruleFits(probe, first, year)) {
            d.gmtOffset = standard;
            d.dst = true;
            d.start = probe.dstStart;
            d.startMonth = probe.dstStartMonth;
            d.end = probe.dstEnd;
            d.endMonth = probe.dstEndMonth;
            // A rule that names the target year's changes but not the next year's (Jerusalem's
            // "Friday before the last Sunday" is the last Friday in some years only) still beats
            // no daylight saving at all; the report lists the city.
            if (!ruleFits(probe, second, year + 1)) {
                std::ostringstream why;
                why << "its weekday rule names the changes of " << year << " only"
                    << changesText(second);
                d.problem = why.str();
            }
            return d;
        }
    }
    d.gmtOffset = mostOfYear(zone, year);
    std::ostringstream why;
    why << "no yearly weekday rule names its changes" << changesText(first) << changesText(second);
    d.problem = why.str();
    return d;
}

// ---- Comparing a record with the IANA data -----------------------------------------------------

// Hours (sampled on the hour, UTC) in the target year [0] and the next [1] at which the record's
// time differs from the zone's, and of those the hours between a real change and its nearest
// midnight, which the record format forces.
struct Fit {
    int hours[2] = {0, 0};
    int forced[2] = {0, 0};
    int unforced() const { return hours[0] - forced[0] + hours[1] - forced[1]; }
    int worst() const { return std::max(hours[0], hours[1]); }
};

Fit measure(const CityRecord& r, const Zone& zone, int year) {
    std::vector<std::pair<int64_t, int64_t>> windows;
    for (const auto& c : zone.changes) {
        const int64_t m = nearestMidnight(c.at, std::min(c.before, c.after));
        windows.emplace_back(std::min(m, c.at), std::max(m, c.at));
    }
    Fit f;
    const int64_t from = yearStart(year), next = yearStart(year + 1), to = yearStart(year + 2);
    size_t change = 0;
    int real = zone.initial;
    for (int64_t t = from; t < to; t += 3600) {
        while (change < zone.changes.size() && zone.changes[change].at <= t)
            real = zone.changes[change++].after;
        const hv::dev::FileTime utc =
            hv::dev::kUnixEpochFileTime + static_cast<uint64_t>(t) * hv::dev::kTicksPerSecond;
        const auto wall = hv::CityWallTime(r, utc);
        const int got =
            wall ? static_cast<int>((static_cast<int64_t>(*wall) - static_cast<int64_t>(utc)) /
                                    static_cast<int64_t>(hv::dev::kTicksPerMinute))
                 : real + 1;
        if (got == real)
            continue;
        const int y = t < next ? 0 : 1;
        ++f.hours[y];
        for (const auto& w : windows)
            if (t >= w.first && t <= w.second) {
                ++f.forced[y];
                break;
            }
    }
    return f;
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

std::string cityLabel(const SourceCity& c) {
    std::ostringstream out;
    out << kContinentNames[c.continent] << ' ' << c.position << ' ' << c.name << " (" << c.zone
        << ')';
    return out.str();
}

bool readZones(const std::vector<SourceCity>& cities, int year, std::vector<Zone>& zones) {
    std::map<std::string, Zone> byId;
    for (const auto& c : cities) {
        if (byId.count(c.zone))
            continue;
        if (!hv::dev::zoneKnown(c.zone)) {
            std::cerr << "hv_gencities: " << c.name << ": unknown zone " << c.zone << '\n';
            return false;
        }
        byId[c.zone] = readZone(c.zone, year);
    }
    for (const auto& c : cities)
        zones.push_back(byId[c.zone]);
    return true;
}

int generate(const std::vector<SourceCity>& cities, const std::string& outDir, int year) {
    std::vector<Zone> zones;
    if (!readZones(cities, year, zones))
        return 1;
    std::vector<Derived> derived;
    for (const auto& z : zones)
        derived.push_back(derive(z, year));
    if (!checkTabledOffsets(cities, derived))
        return 1;

    std::string files[6];
    int dstCities = 0;
    std::ostringstream problems, table;
    int problemCount = 0;
    size_t worst = 0, worstListed = cities.size();
    std::vector<Fit> fits;
    for (size_t i = 0; i < cities.size(); ++i) {
        const CityRecord r = makeRecord(cities[i], derived[i]);
        files[cities[i].continent].append(reinterpret_cast<const char*>(&r), sizeof r);
        dstCities += r.dstUsed;
        fits.push_back(measure(r, zones[i], year));
        const Fit& f = fits.back();
        if (!derived[i].problem.empty()) {
            ++problemCount;
            problems << "  " << cityLabel(cities[i]) << ": " << derived[i].problem << '\n';
            if (worstListed == cities.size() || f.worst() > fits[worstListed].worst())
                worstListed = i;
        } else if (f.worst() > fits[worst].worst() || !derived[worst].problem.empty()) {
            worst = i;
        }
        char row[160];
        std::snprintf(row, sizeof row, "  %-44s %5d %5d%s\n", cityLabel(cities[i]).c_str(),
                      f.hours[0], f.hours[1], derived[i].problem.empty() ? "" : "  listed above");
        table << row;
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
        << "as week of the month, weekday and month. The generator names the midnight nearest "
           "each\n"
        << "real change, so a city's time differs from the real one only in the hours between "
           "the\n"
        << "real change (usually 01:00 to 03:00) and that midnight. The rule must name the real "
           "changes\n"
        << "of " << year << " and " << year + 1 << "; a zone whose rule fits " << year
        << " only keeps it and is listed, and a zone\n"
        << "whose changes no yearly weekday rule names gets the offset that holds most of " << year
        << "\nand no daylight saving.\n\n"
        << "Cities whose rule does not fit both " << year << " and " << year + 1 << ": "
        << problemCount << "\n"
        << (problemCount ? problems.str() : std::string("  (none)\n")) << "\n"
        << "Hours a year each city's time differs from the IANA data, sampled every hour (UTC):\n"
        << "  worst city with a rule: " << cityLabel(cities[worst]) << ", " << fits[worst].worst()
        << " hours\n";
    if (worstListed != cities.size())
        rep << "  worst listed city: " << cityLabel(cities[worstListed]) << ", "
            << fits[worstListed].worst() << " hours\n";
    char head[160];
    std::snprintf(head, sizeof head, "\n  %-44s %5d %5d\n", "city (zone)", year, year + 1);
    rep << head << table.str();
    if (!writeFile(outDir + "/cities-report.txt", rep.str())) {
        std::cerr << "hv_gencities: cannot write the report\n";
        return 1;
    }
    std::cout << "hv_gencities: " << cities.size() << " cities for " << year << ", " << problemCount
              << " listed whose rule does not fit both years; worst city with a rule "
              << cityLabel(cities[worst]) << ", " << fits[worst].worst() << " hours a year\n";
    return 0;
}

bool readHostFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The tzdata version a report was written from: "(tzdata 2026f)" on its first line.
std::string reportTzdataVersion(const std::string& dataDir) {
    std::ifstream in(dataDir + "/cities-report.txt");
    std::string line;
    if (!in || !std::getline(in, line))
        return "unknown";
    const size_t at = line.find("(tzdata ");
    const size_t end = at == std::string::npos ? at : line.find(')', at);
    return end == std::string::npos ? "unknown" : line.substr(at + 8, end - at - 8);
}

int check(const std::vector<SourceCity>& cities, const std::string& dataDir, int year) {
    // The files hold the rules of the tzdata they were made from; a newer tzdata on this system
    // may have moved a zone, which is a reason to regenerate them, not a fault of the engine.
    const std::string made = reportTzdataVersion(dataDir), here = tzdataVersion();
    if (made != here) {
        std::cout << "hv_gencities: skipped: the city files were made from tzdata " << made
                  << " and this system has " << here << "; regenerate them\n";
        return 0;
    }
    std::array<std::vector<uint8_t>, hv::kContinentFiles> images;
    for (int k = 0; k < 6; ++k) {
        const std::string path =
            dataDir + "/" + hv::dev::toUtf8(hv::kCityFileNames[static_cast<size_t>(k)]);
        if (!readHostFile(path, images[static_cast<size_t>(k)])) {
            std::cerr << "hv_gencities: cannot read " << path << '\n';
            return 1;
        }
    }
    std::vector<Zone> zones;
    if (!readZones(cities, year, zones))
        return 1;
    hv::CityDatabase db;
    db.loadImages(images);
    int64_t samples = 0, forced = 0, listed = 0, failures = 0;
    const SourceCity* worst = nullptr;
    int worstHours = -1;
    for (size_t i = 0; i < cities.size(); ++i) {
        const auto& c = cities[i];
        const CityRecord* r = db.recordAt(c.continent, c.position);
        if (!r || hv::dev::toUtf8(r->nameView()) != c.name) {
            std::cerr << "hv_gencities: " << c.name << " is not at " << kContinentNames[c.continent]
                      << ' ' << c.position << '\n';
            ++failures;
            continue;
        }
        const bool isListed = !derive(zones[i], year).problem.empty();
        const Fit f = measure(*r, zones[i], year);
        samples += (yearStart(year + 2) - yearStart(year)) / 3600;
        if (isListed) {
            listed += f.hours[0] + f.hours[1];
            continue;
        }
        forced += f.forced[0] + f.forced[1];
        if (f.worst() > worstHours) {
            worstHours = f.worst();
            worst = &c;
        }
        if (f.unforced() > 0) {
            failures += f.unforced();
            std::cerr << "hv_gencities: " << cityLabel(c) << ": " << f.unforced()
                      << " hours differ from the IANA data beyond its changes' midnights\n";
        }
    }
    std::cout << "hv_gencities: " << samples << " hourly samples in " << year << " and " << year + 1
              << ", " << forced << " between a real change and its midnight, " << listed
              << " of listed cities, " << failures << " wrong";
    if (worst)
        std::cout << "; worst city with a rule " << cityLabel(*worst) << ", " << worstHours
                  << " hours a year";
    std::cout << '\n';
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

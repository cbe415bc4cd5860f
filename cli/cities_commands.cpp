// horavel-cli commands over the city files: list a city list, and a city's wall time at a UTC
// instant.
#include "cities/citydatabase.h"
#include "cities/citytime.h"
#include "cli/citydata.h"
#include "cli/commands.h"
#include "device/text.h"

#include <cstdio>

namespace hv::cli {

namespace {

std::string ruleText(uint8_t code, uint8_t month) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%02x/%u", code, month);
    return b;
}

int runCities(const ParsedArgs& a, Io& io) {
    long long continent = kAllContinents;
    if (a.has("continent") && !parseInt(a.get("continent"), 0, kAllContinents, continent))
        return badValue(io, "cities", "--continent must be 0..6");
    CityDatabase db;
    if (!loadCities(a, db, "cities", io))
        return kExitFailure;
    const int c = static_cast<int>(continent);
    for (int i = 0; i < db.count(c); ++i) {
        const CityRecord& r = *db.recordAt(c, i);
        char lat[32], lon[32];
        std::snprintf(lat, sizeof lat, "%.4f", r.latitude());
        std::snprintf(lon, sizeof lon, "%.4f", r.longitude());
        io.out << i << '\t' << r.id << '\t' << dev::toUtf8(r.nameView()) << '\t' << r.gmtOffset
               << '\t' << lat << '\t' << lon << '\t' << int(r.dstUsed) << '\t'
               << ruleText(r.dstStart, r.dstStartMonth) << '\t' << ruleText(r.dstEnd, r.dstEndMonth)
               << '\n';
    }
    return kExitOk;
}

int runCityTime(const ParsedArgs& a, Io& io) {
    long long continent = 0, index = 0;
    if (!parseInt(a.get("continent"), 0, kAllContinents, continent))
        return badValue(io, "city-time", "--continent must be 0..6");
    if (!parseInt(a.get("index"), 0, 65535, index))
        return badValue(io, "city-time", "--index must be a position in the list");
    dev::FileTime utc;
    dev::SystemTime at;
    if (!parseInstant(a.get("utc"), utc, at))
        return badValue(io, "city-time", "--utc must be 'YYYY-MM-DD HH:MM:SS' (years 1601..30827)");
    CityDatabase db;
    if (!loadCities(a, db, "city-time", io))
        return kExitFailure;
    const int c = static_cast<int>(continent), i = static_cast<int>(index);
    if (!cityAt(db, c, i, "city-time", io))
        return kExitUsage;
    bool dst = false;
    const std::optional<dev::SystemTime> t = CityTimeAt(db, c, i, utc, &dst);
    if (!t) {
        io.err << "horavel-cli city-time: no result: the city's time lies outside the years "
                  "1601..30827\n";
        return kExitFailure;
    }
    io.out << wallTimeText(*t) << (dst ? " dst" : "") << '\n';
    return kExitOk;
}

} // namespace

void registerCitiesCommands(CommandTable& t) {
    t.add(
        {"cities",
         "",
         "list the cities of a list: position, id, name, offset, latitude, longitude, rules",
         "--continent N: 0 Africa, 1 Asia, 2 Australia, 3 Europe, 4 North America, 5 South "
         "America,\n"
         "6 all continents (default). --data DIR reads the city files of a host folder instead of\n"
         "the device's installed ones.",
         {{"continent", true, false, "N"}, kCityDataOption},
         0,
         0,
         runCities});
    t.add(
        {"city-time",
         "",
         "print a city's wall time at a UTC instant (' dst' when daylight saving is in force)",
         "--data DIR reads the city files of a host folder instead of the device's installed ones.",
         {{"continent", true, true, "C"},
          {"index", true, true, "I"},
          {"utc", true, true, "'YYYY-MM-DD HH:MM:SS'"},
          kCityDataOption},
         0,
         0,
         runCityTime});
}

} // namespace hv::cli

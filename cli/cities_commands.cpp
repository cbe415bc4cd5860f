// horavel-cli commands over the city files: list a city list, and a city's wall time at a UTC
// instant.
#include "cities/citydatabase.h"
#include "cities/citytime.h"
#include "cli/commands.h"
#include "device/paths.h"
#include "shell/settings.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace hv::cli {

namespace {

// The city files of --data DIR (a host folder), else the installed ones of the device.
bool loadCities(const ParsedArgs& a, CityDatabase& db, const std::string& cmd, Io& io) {
    int loaded = 0;
    std::string where;
    if (a.has("data")) {
        where = a.get("data");
        std::array<std::vector<uint8_t>, kContinentFiles> images;
        for (size_t c = 0; c < images.size(); ++c) {
            std::ifstream in(std::filesystem::path(where) / dev::toUtf8(kCityFileNames[c]),
                             std::ios::binary);
            if (in)
                images[c].assign(std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>());
        }
        loaded = db.loadImages(images);
    } else {
        std::u16string folder = readInstallFolderValue();
        if (!folder.empty() && folder.back() != u'\\')
            folder += u'\\';
        folder = folder.empty() ? dataFilePath(u"") : folder + u"data\\";
        where = dev::toUtf8(folder);
        loaded = db.loadFromFolder(folder);
    }
    if (loaded == 0) {
        io.err << "horavel-cli " << cmd << ": no city files in '" << where << "'\n";
        return false;
    }
    return true;
}

int badValue(Io& io, const std::string& cmd, const std::string& what) {
    io.err << "horavel-cli " << cmd << ": " << what << '\n';
    return kExitUsage;
}

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
    int y, mo, d, h, mi, s;
    if (!parseDateTime(a.get("utc"), y, mo, d, h, mi, s) || y < 1601 || y > 30000)
        return badValue(io, "city-time", "--utc must be 'YYYY-MM-DD HH:MM:SS' (years 1601..30000)");
    const auto utc = dev::toFileTime(dev::SystemTime{
        static_cast<uint16_t>(y), static_cast<uint16_t>(mo), 0, static_cast<uint16_t>(d),
        static_cast<uint16_t>(h), static_cast<uint16_t>(mi), static_cast<uint16_t>(s), 0});
    if (!utc)
        return badValue(io, "city-time", "--utc is not a valid date and time");
    CityDatabase db;
    if (!loadCities(a, db, "city-time", io))
        return kExitFailure;
    const int c = static_cast<int>(continent), i = static_cast<int>(index);
    if (!db.recordAt(c, i))
        return badValue(io, "city-time",
                        "list " + std::to_string(c) + " has no city " + std::to_string(i) +
                            " (it has " + std::to_string(db.count(c)) + ")");
    bool dst = false;
    const dev::SystemTime t = CityTimeAt(db, c, i, *utc, &dst);
    char b[48];
    std::snprintf(b, sizeof b, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    io.out << b << (dst ? " dst" : "") << '\n';
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
         {{"continent", true, false, "N"}, {"data", true, false, "DIR"}},
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
          {"data", true, false, "DIR"}},
         0,
         0,
         runCityTime});
}

} // namespace hv::cli

#include "cli/citydata.h"

#include "device/paths.h"
#include "settings/settings.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace hv::cli {

bool parseInstant(const std::string& s, dev::FileTime& ft, dev::SystemTime& st) {
    int y, mo, d, h, mi, se;
    if (!parseDateTime(s, y, mo, d, h, mi, se) || y < 1601 || y > 30827)
        return false;
    st = dev::SystemTime{static_cast<uint16_t>(y),
                         static_cast<uint16_t>(mo),
                         0,
                         static_cast<uint16_t>(d),
                         static_cast<uint16_t>(h),
                         static_cast<uint16_t>(mi),
                         static_cast<uint16_t>(se),
                         0};
    if (!dev::systemTimeToFileTime(st, ft))
        return false;
    st = dev::toSystemTime(ft);
    return true;
}

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

const CityRecord* cityAt(const CityDatabase& db, int continent, int index, const std::string& cmd,
                         Io& io) {
    const CityRecord* r = db.recordAt(continent, index);
    if (!r)
        io.err << "horavel-cli " << cmd << ": list " << continent << " has no city " << index
               << " (it has " << db.count(continent) << ")\n";
    return r;
}

std::string wallTimeText(const dev::SystemTime& t) {
    char b[48];
    std::snprintf(b, sizeof b, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return b;
}

} // namespace hv::cli

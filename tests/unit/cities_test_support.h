// Shared helpers of the city tests: the shipped city files and UTC instants.
#pragma once

#include "cities/citydatabase.h"
#include "device/fake.h"
#include "device/text.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace hv::test {

inline std::filesystem::path shippedDataDir() {
    return HV_DATA_DIR;
}

inline std::vector<uint8_t> readHost(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::array<std::vector<uint8_t>, kContinentFiles> shippedImages() {
    std::array<std::vector<uint8_t>, kContinentFiles> images;
    for (size_t c = 0; c < images.size(); ++c)
        images[c] = readHost(shippedDataDir() / dev::toUtf8(kCityFileNames[c]));
    return images;
}

// The year and tzdata version the shipped files were made for, from the first line of their
// report: "City files for the year 2027, from ... (tzdata 2026f)."
struct ShippedMaking {
    int year = 0;
    std::string tzdata;
};
inline ShippedMaking shippedMaking() {
    std::ifstream in(shippedDataDir() / "cities-report.txt");
    std::string line;
    std::getline(in, line);
    ShippedMaking m;
    const size_t y = line.find("the year ");
    if (y != std::string::npos)
        m.year = std::atoi(line.c_str() + y + 9);
    const size_t t = line.find("(tzdata "), e = line.find(')', t == std::string::npos ? 0 : t);
    if (t != std::string::npos && e != std::string::npos)
        m.tzdata = line.substr(t + 8, e - t - 8);
    return m;
}
inline std::string hostTzdata() {
    std::ifstream in("/usr/share/zoneinfo/tzdata.zi");
    std::string line;
    return std::getline(in, line) && line.rfind("# version ", 0) == 0 ? line.substr(10) : "";
}

// Puts the shipped files into the fake device's data folder (program folder "\").
inline void installShippedFiles(dev::FakeDevice& fake) {
    std::filesystem::create_directories(fake.host(u"\\data"));
    for (const char16_t* name : kCityFileNames)
        std::filesystem::copy_file(shippedDataDir() / dev::toUtf8(name),
                                   fake.host(u"\\data\\" + std::u16string(name)),
                                   std::filesystem::copy_options::overwrite_existing);
}

inline dev::FileTime utcAt(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return *dev::toFileTime(dev::SystemTime{
        static_cast<uint16_t>(y), static_cast<uint16_t>(mo), 0, static_cast<uint16_t>(d),
        static_cast<uint16_t>(h), static_cast<uint16_t>(mi), static_cast<uint16_t>(s), 0});
}

inline CityRecord makeCity(const std::u16string& name, int16_t gmtOffset = 0) {
    CityRecord r{};
    r.setName(name);
    r.gmtOffset = gmtOffset;
    return r;
}

// A city with a daylight-saving rule: week/weekday codes and months 0..11.
inline CityRecord ruleCity(int16_t offset, uint8_t start, uint8_t startMonth, uint8_t end,
                           uint8_t endMonth) {
    CityRecord r = makeCity(u"Test", offset);
    r.dstUsed = 1;
    r.dstStart = start;
    r.dstStartMonth = startMonth;
    r.dstEnd = end;
    r.dstEndMonth = endMonth;
    return r;
}

} // namespace hv::test

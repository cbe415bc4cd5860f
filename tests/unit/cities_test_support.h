// Shared helpers of the city tests: the shipped city files and UTC instants.
#pragma once

#include "cities/citydatabase.h"
#include "device/fake.h"
#include "device/text.h"

#include <array>
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

// The 64-byte city record: the same image in the city files (data\*.cdb) and in memory.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hv {

static_assert(std::endian::native == std::endian::little, "records are little-endian images");

// Continent indices; 6 names the merged list of all continents, which has no file.
enum Continent : int {
    kAfrica = 0,
    kAsia = 1,
    kAustralia = 2,
    kEurope = 3,
    kNorthAmerica = 4,
    kSouthAmerica = 5,
    kAllContinents = 6,
};
inline constexpr int kContinentFiles = 6;
inline constexpr int kCityLists = 7;
inline constexpr size_t kCityNameUnits = 22; // 21 characters and the terminator

struct CityRecord {
    uint16_t id;                   // 1000 * (continent + 1) + position; never interpreted
    char16_t name[kCityNameUnits]; // UTF-16, zero-terminated, zero-filled after the terminator
    int16_t gmtOffset;             // standard offset from UTC in minutes, east positive
    int16_t latDegrees;            // 0..90, without sign
    int16_t latMinutes;            // 0..59
    int16_t lonDegrees;            // 0..180, without sign
    int16_t lonMinutes;            // 0..59
    uint8_t north;                 // 1 northern latitude, 0 southern
    uint8_t east;                  // 1 eastern longitude, 0 western
    uint8_t continent;             // 0..5, the file's continent
    uint8_t dstUsed;               // 1 the city observes daylight saving
    uint8_t dstStart;      // high nibble week 0..4 (4 = last), low nibble weekday 0 = Sunday
    uint8_t dstStartMonth; // 0 = January .. 11
    uint8_t dstEnd;        // coded as dstStart
    uint8_t dstEndMonth;   // 0..11

    // The name up to its terminator (all 22 units when a damaged record has none).
    std::u16string_view nameView() const {
        size_t n = 0;
        while (n < kCityNameUnits && name[n] != 0)
            ++n;
        return {name, n};
    }
    // Stores at most 21 characters, zero-filling the rest.
    void setName(std::u16string_view text) {
        const size_t n = text.size() < kCityNameUnits - 1 ? text.size() : kCityNameUnits - 1;
        for (size_t i = 0; i < kCityNameUnits; ++i)
            name[i] = i < n ? text[i] : 0;
    }
    // Signed decimal degrees from degrees, minutes and the hemisphere flags.
    double latitude() const { return (north ? 1.0 : -1.0) * (latDegrees + latMinutes / 60.0); }
    double longitude() const { return (east ? 1.0 : -1.0) * (lonDegrees + lonMinutes / 60.0); }
};

static_assert(sizeof(CityRecord) == 64);
static_assert(offsetof(CityRecord, id) == 0);
static_assert(offsetof(CityRecord, name) == 2);
static_assert(offsetof(CityRecord, gmtOffset) == 46);
static_assert(offsetof(CityRecord, latDegrees) == 48);
static_assert(offsetof(CityRecord, latMinutes) == 50);
static_assert(offsetof(CityRecord, lonDegrees) == 52);
static_assert(offsetof(CityRecord, lonMinutes) == 54);
static_assert(offsetof(CityRecord, north) == 56);
static_assert(offsetof(CityRecord, east) == 57);
static_assert(offsetof(CityRecord, continent) == 58);
static_assert(offsetof(CityRecord, dstUsed) == 59);
static_assert(offsetof(CityRecord, dstStart) == 60);
static_assert(offsetof(CityRecord, dstStartMonth) == 61);
static_assert(offsetof(CityRecord, dstEnd) == 62);
static_assert(offsetof(CityRecord, dstEndMonth) == 63);

inline constexpr size_t kCityRecordSize = sizeof(CityRecord);

} // namespace hv

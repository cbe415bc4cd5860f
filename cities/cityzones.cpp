#include "cities/cityzones.h"

#include <iterator>
#include <string>

namespace hv {

namespace {

constexpr ZoneCity kCityZones[] = {
#include "city_zones.inc"
};

// The zone's own city: its last part with the underscores as spaces.
std::u16string ownCityOf(std::string_view zone) {
    const auto slash = zone.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? zone : zone.substr(slash + 1);
    std::u16string name;
    for (const char c : last)
        name += c == '_' ? u' ' : static_cast<char16_t>(static_cast<unsigned char>(c));
    return name;
}

char16_t lowerAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool sameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::optional<CitySelection> findInDatabase(const CityDatabase& db, const ZoneCity& z) {
    for (int i = 0; i < db.count(z.continent); ++i)
        if (const CityRecord* r = db.recordAt(z.continent, i); r && r->nameView() == z.name)
            return CitySelection{z.continent, i};
    return std::nullopt;
}

} // namespace

std::span<const ZoneCity> ShippedCityZones() {
    return {kCityZones, std::size(kCityZones)};
}

std::optional<CitySelection> HomeCityForZone(const CityDatabase& db, std::string_view zone) {
    if (zone.empty())
        return std::nullopt;
    const std::u16string own = ownCityOf(zone);
    for (const ZoneCity& z : kCityZones)
        if (zone == z.zone && sameName(own, z.name))
            if (auto found = findInDatabase(db, z))
                return found;
    for (const ZoneCity& z : kCityZones)
        if (zone == z.zone)
            if (auto found = findInDatabase(db, z))
                return found;
    return std::nullopt;
}

} // namespace hv

// The IANA zone of every shipped city, and the city a zone makes the natural home location: on a
// desktop the device zone starts as the host's, so a host in Europe/Berlin starts at home in
// Berlin instead of asking.
#pragma once

#include "cities/citydatabase.h"

#include <optional>
#include <span>
#include <string_view>

namespace hv {

struct ZoneCity {
    int continent;        // 0..5
    const char16_t* name; // as in the city files
    const char* zone;     // IANA name
};

// The shipped cities in continent and file order.
std::span<const ZoneCity> ShippedCityZones();

// The city of the zone's own name ("Europe/Berlin": Berlin, "America/New_York": New York), else
// the first city of the table in that zone; as a position in the database's continent list. No
// result for an unknown zone or when the database no longer holds such a city.
std::optional<CitySelection> HomeCityForZone(const CityDatabase& db, std::string_view zone);

} // namespace hv

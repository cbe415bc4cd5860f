// The offset changes of an IANA time zone, read with QTimeZone from the system's zone data. The
// host zone of the real device and the city-file generator both take their changes from here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hv::dev {

struct ZoneChange {
    int64_t at = 0; // Unix time of the first second of the new offset
    int before = 0; // offset from UTC in minutes, east positive
    int after = 0;
};

// The changes of the total offset whose instant lies in [from, to); changes of name or of the
// split between standard and daylight time that keep the offset are left out. An empty id names
// the host's zone. An unknown zone gives no changes.
std::vector<ZoneChange> zoneChanges(const std::string& ianaId, int64_t from, int64_t to);
// The zone's offset in minutes at a Unix time (0 for an unknown zone).
int zoneOffsetAt(const std::string& ianaId, int64_t at);
// Whether the system knows the zone.
bool zoneKnown(const std::string& ianaId);

// The offset at a Unix time from an offset and the changes after it, in order.
int offsetFromChanges(int initial, const std::vector<ZoneChange>& changes, int64_t at);

} // namespace hv::dev

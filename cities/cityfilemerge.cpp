#include "cities/cityfilemerge.h"

#include "cities/citydatabase.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace hv {

namespace {

std::vector<CityRecord> recordsOf(std::span<const uint8_t> bytes) {
    std::vector<CityRecord> out(bytes.size() / kCityRecordSize);
    if (!out.empty())
        std::memcpy(out.data(), bytes.data(), out.size() * kCityRecordSize);
    return out;
}

bool same(const CityRecord& a, const CityRecord& b) {
    return std::memcmp(&a, &b, kCityRecordSize) == 0;
}

} // namespace

std::vector<uint8_t> mergeCityFile(std::span<const uint8_t> base, std::span<const uint8_t> user,
                                   std::span<const uint8_t> shipped) {
    const std::vector<CityRecord> was = recordsOf(base), mine = recordsOf(user),
                                  now = recordsOf(shipped);
    std::set<uint16_t> baseIds;
    for (const CityRecord& r : was)
        baseIds.insert(r.id);
    std::map<uint16_t, const CityRecord*> shippedById;
    for (const CityRecord& r : now)
        shippedById.emplace(r.id, &r);

    std::vector<CityRecord> out;
    for (const CityRecord& r : mine) {
        const bool untouched =
            std::any_of(was.begin(), was.end(), [&](const CityRecord& b) { return same(b, r); });
        if (!untouched) {
            out.push_back(r); // the user's own city or edit
            continue;
        }
        if (const auto it = shippedById.find(r.id); it != shippedById.end())
            out.push_back(*it->second);
    }
    for (const CityRecord& r : now) {
        if (baseIds.count(r.id))
            continue; // known before: updated above, or deleted by the user
        const bool held = std::any_of(out.begin(), out.end(), [&](const CityRecord& o) {
            return o.nameView() == r.nameView();
        });
        if (!held)
            out.push_back(r);
    }
    std::stable_sort(out.begin(), out.end(), [](const CityRecord& a, const CityRecord& b) {
        return compareCityNames(a, b) < 0;
    });
    std::vector<uint8_t> bytes(out.size() * kCityRecordSize);
    if (!out.empty())
        std::memcpy(bytes.data(), out.data(), bytes.size());
    return bytes;
}

} // namespace hv

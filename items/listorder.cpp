#include "items/listorder.h"

#include "device/wordsort.h"
#include "items/events.h"

#include <algorithm>
#include <numeric>

namespace hv::items {

namespace {

struct UnitSteps {
    int64_t unit;
    int64_t tenth;
};
constexpr UnitSteps kSteps[kTimeUnitCount] = {
    {1, 1},          {60, 6},           {3600, 360},        {86400, 8640},
    {604800, 60480}, {2628288, 262829}, {31536000, 3153600}};

std::u16string ascii(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

} // namespace

int64_t signedSecondsBetween(dev::FileTime to, dev::FileTime from) {
    if (to >= from)
        return static_cast<int64_t>((to - from) / dev::kTicksPerSecond);
    return -static_cast<int64_t>((from - to) / dev::kTicksPerSecond);
}

std::u16string differenceText(int64_t d, uint8_t unit) {
    if (unit == 0 || unit >= kTimeUnitCount)
        return ascii(std::to_string(d));
    const UnitSteps s = kSteps[unit];
    const int64_t q = d / s.unit; // truncated toward zero
    const int64_t rest = (d - q * s.unit) / s.tenth;
    std::string text = q == 0 && d < 0 ? "-0" : std::to_string(q);
    text += '.';
    text += std::to_string(rest < 0 ? -rest : rest);
    return ascii(text);
}

namespace {

// The rule itself, for two rows that both carry a time.
int compareTimed(SortRule rule, const ListItem& a, const ListItem& b) {
    switch (rule) {
    case SortRule::Name: {
        const int c = dev::compareWordSort(std::u16string_view(a.name).substr(0, 32),
                                           std::u16string_view(b.name).substr(0, 32));
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    case SortRule::MinTime:
        return a.time > b.time ? 1 : 0;
    case SortRule::MaxTime:
        return a.time < b.time ? 1 : 0;
    }
    return 0;
}

} // namespace

int compareItems(SortRule rule, const ListItem& a, const ListItem& b) {
    if (a.param >= kNoTimeParam)
        return b.param >= kNoTimeParam ? 0 : 1;
    if (b.param >= kNoTimeParam)
        return -1;
    return compareTimed(rule, a, b);
}

void sortItems(std::vector<ListItem>& items, SortRule rule) {
    // "b goes after a" as a strict ordering; rows without a time are equal among themselves.
    std::stable_sort(items.begin(), items.end(), [rule](const ListItem& a, const ListItem& b) {
        const bool aNone = a.param >= kNoTimeParam, bNone = b.param >= kNoTimeParam;
        if (aNone || bNone)
            return !aNone && bNone;
        return compareItems(rule, b, a) > 0;
    });
}

std::vector<size_t> eventOrder(const std::vector<EventRecord>& records, SortRule rule) {
    std::vector<ListItem> items;
    items.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i)
        items.push_back({displayName(records[i]), records[i].eventTime, static_cast<uint32_t>(i)});
    // Every event carries a time, whatever its row index.
    std::vector<size_t> order(records.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return compareTimed(rule, items[b], items[a]) > 0;
    });
    return order;
}

} // namespace hv::items

// The rules behind the two-column item list: the second column's time difference written in the
// chosen unit, and the three sort rules ("Name", "Min Time", "Max Time").
#pragma once

#include "device/systime.h"
#include "items/records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hv::items {

enum class TimeUnit : uint8_t { Seconds, Minutes, Hours, Days, Weeks, Months, Years };
inline constexpr int kTimeUnitCount = 7;

// Whole seconds from `from` to `to`, negative when `to` is earlier; exact for any two file times.
int64_t signedSecondsBetween(dev::FileTime to, dev::FileTime from);
// The second column: seconds as a number, larger units as "q.t" with one digit of the next
// smaller step ("1.5", "-0.5", "-1.5"). An out-of-range unit counts as seconds.
std::u16string differenceText(int64_t seconds, uint8_t unit);

// A list row as the sort rules see it: the first-column text, the row's time and its parameter
// (999 or more: the row carries no time and goes last).
struct ListItem {
    std::u16string name;
    dev::FileTime time = 0;
    uint32_t param = 0;
};
inline constexpr uint32_t kNoTimeParam = 999;

enum class SortRule : uint8_t { Name = 0, MinTime = 1, MaxTime = 2 };

// The list's comparison: by name -1/0/1 under the word sort (first 32 characters); by time 1 when
// the first goes after the second, else 0. Rows without a time go after the others and are equal
// among themselves (they keep their order).
int compareItems(SortRule rule, const ListItem& a, const ListItem& b);
// Stable order of the rows under a rule (two rows without a time keep their order).
void sortItems(std::vector<ListItem>& items, SortRule rule);
// The events in the order the list shows them; returns indices into `records`.
std::vector<size_t> eventOrder(const std::vector<EventRecord>& records, SortRule rule);

} // namespace hv::items

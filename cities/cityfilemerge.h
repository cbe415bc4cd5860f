// A new shipped version of a city file reaching a user who edited theirs: a three-way merge by
// record, with the version that was shipped before as the base.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace hv {

// base: the file as the previous package shipped it (empty when that is not known); user: the
// file on the device; shipped: the new package's file. The result keeps every record the user
// added or edited and leaves out every shipped record the user deleted; a shipped record the user
// left as it was takes the new version's content (or goes, when the new version drops it); a
// record new in this version is added unless the user already holds a city of that name. The
// result is in word-sort order by name; trailing partial records are ignored.
std::vector<uint8_t> mergeCityFile(std::span<const uint8_t> base, std::span<const uint8_t> user,
                                   std::span<const uint8_t> shipped);

} // namespace hv

// String comparison by the handheld's word sort (CompareStringW with NORM_IGNORECASE): letters
// compare without case, hyphen and apostrophe are ignored but for breaking ties, other punctuation
// and space sort before digits, and digits before letters. "St-Peterburg" follows "Stockholm".
#pragma once

#include <string_view>

namespace hv::dev {

// <0, 0 or >0.
int compareWordSort(std::u16string_view a, std::u16string_view b);

} // namespace hv::dev

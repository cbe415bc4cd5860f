#include "items/ui/itemsuistrings.h"

#include "items/events.h"
#include "toolkit/window/strings.h"

#include <iterator>

namespace hv::itemsui {

void registerItemsUiStrings() {
    registerItemsStrings();
    static const tk::StringResource table[] = {
        {kStrSortRules, u"Name\\Min Time\\Max Time\\."},
        {kStrStart, u"Start"},
        {kStrSplit, u"Split"},
        {kStrSortBy, u"Sort by:"},
        {kStrEventSettings, u"Event Settings"},
        {kStrStop, u"Stop"},
        {kStrResume, u"Resume"},
        {kStrNoName, items::kNoName},
    };
    static const bool once = [] {
        tk::RegisterStrings(table, static_cast<int>(std::size(table)));
        return true;
    }();
    (void)once;
}

} // namespace hv::itemsui

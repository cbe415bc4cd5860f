#include "items/ui/itemsuistrings.h"

#include "items/events.h"
#include "toolkit/window/strings.h"

#include <iterator>

namespace hv::itemsui {

void registerItemsUiStrings() {
    static const tk::StringResource table[] = {
        {kStrSortRules, u"Name\\Min Time\\Max Time\\."},
        {kStrStart, u"Start"},
        {kStrSplit, u"Split"},
        {kStrSortBy, u"Sort by:"},
        {kStrRepeats, u"once\\2 times\\3 times\\4 times\\5 times\\."},
        {kStrPauses, u"1 second\\2 seconds\\3 seconds\\4 seconds\\5 seconds\\."},
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

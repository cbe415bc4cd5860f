#include "items/ui/alarmstexts.h"

#include "toolkit/window/strings.h"

#include <iterator>

namespace hv::itemsui {

void registerItemsStrings() {
    static const tk::StringResource table[] = {
        {kStrTimerNames, u"Timer 1\\Timer 2\\Timer 3\\Timer 4\\."},
        {kStrRepeatCounts, u"once\\twice\\3 times\\4 times\\5 times\\."},
        {kStrPauses, u"1 second\\2 seconds\\3 seconds\\4 seconds\\5 seconds\\."},
        {kStrSnoozeCounts, u"once\\twice\\3 times\\4 times\\5 times\\7 times\\10 times\\."},
        {kStrSnoozeIntervals,
         u"1 minutes\\2 minutes\\3 minutes\\5 minutes\\10 minutes\\15 minutes\\."},
        {kStrAlarmSettings, u"Alarm Settings"},
        {kStrTimerSettings, u"Timer Settings"},
    };
    static const bool once = [] {
        tk::RegisterStrings(table, static_cast<int>(std::size(table)));
        return true;
    }();
    (void)once;
}

std::u16string itemsString(int id) {
    registerItemsStrings();
    return tk::LoadStringResource(id);
}

} // namespace hv::itemsui

#include "views/viewstrings.h"

#include "calendar/calendar.h"
#include "toolkit/window/strings.h"

#include <iterator>

namespace hv::views {

void registerViewStrings() {
    static const tk::StringResource table[] = {
        {kStrProgressUnits, u"Hours\\Days\\Weeks\\Months\\."},
        {kStrToday, kTodayLabel},
        {kStrWeek, kWeekLabel},
        {kStrPassed, u"Passed"},
        {kStrRemained, u"Remained"},
    };
    static const bool once = [] {
        tk::RegisterStrings(table, static_cast<int>(std::size(table)));
        return true;
    }();
    (void)once;
}

} // namespace hv::views

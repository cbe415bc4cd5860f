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
        {kStrInternetModes,
         u"Internet time from standard time\\Standard time from internet time\\."},
        {kStrDate, u"Date:"},
        {kStrTime, u"Time:"},
        {kStrInternetTime, u"Internet Time:"},
        {kStrStandardTime, u"Standart Time:"},
        {kStrInternetTimeShort, u"I-net Time:"},
    };
    static const bool once = [] {
        tk::RegisterStrings(table, static_cast<int>(std::size(table)));
        return true;
    }();
    (void)once;
}

} // namespace hv::views

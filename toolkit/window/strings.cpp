#include "toolkit/window/strings.h"

namespace hv::tk {

namespace {

const StringResource kToolkitStrings[] = {
    {kStrContinents,
     u"Africa\\Asia\\Australia\\Europe\\North America\\South America\\All Continents\\."},
    {kStrTimeUnits, u"Seconds\\Minutes\\Hours\\Days\\Weeks\\Months\\Years\\."},
    {kStrWeekNumbering, u"Civil\\ISO 8601\\."},
    {kStrContinentLabel, u"Continent:"},
    {kStrCityLabel, u"City:"},
};

} // namespace

std::u16string LoadStringResource(int id) {
    static const bool registered = [] {
        RegisterStrings(kToolkitStrings, static_cast<int>(std::size(kToolkitStrings)));
        return true;
    }();
    (void)registered;
    return dev::LoadStringResource(id);
}

} // namespace hv::tk

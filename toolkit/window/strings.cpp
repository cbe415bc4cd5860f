#include "toolkit/window/strings.h"

#include <utility>
#include <vector>

namespace hv::tk {

namespace {

const StringResource kToolkitStrings[] = {
    {kStrContinents,
     u"Africa\\Asia\\Australia\\Europe\\North America\\South America\\All Continents\\."},
    {kStrTimeUnits, u"Seconds\\Minutes\\Hours\\Days\\Weeks\\Months\\Years\\."},
    {kStrWeekNumbering, u"Civil\\ISO 8601\\."},
};

std::vector<std::pair<const StringResource*, int>>& tables() {
    static std::vector<std::pair<const StringResource*, int>> t = {
        {kToolkitStrings, static_cast<int>(std::size(kToolkitStrings))}};
    return t;
}

} // namespace

void RegisterStrings(const StringResource* table, int count) {
    if (table && count > 0)
        tables().emplace_back(table, count);
}

std::u16string LoadStringResource(int id) {
    const auto& t = tables();
    for (auto it = t.rbegin(); it != t.rend(); ++it)
        for (int i = 0; i < it->second; ++i)
            if (it->first[i].id == id && it->first[i].text)
                return it->first[i].text;
    return {};
}

} // namespace hv::tk

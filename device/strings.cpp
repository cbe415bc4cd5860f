#include "device/strings.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

namespace hv::dev {

namespace {

std::vector<std::pair<const StringResource*, int>>& tables() {
    static std::vector<std::pair<const StringResource*, int>> t;
    return t;
}

} // namespace

void RegisterStrings(const StringResource* table, int count) {
    if (table && count > 0)
        tables().emplace_back(table, count);
}

std::vector<int> StringsDefinedTwice() {
    std::map<int, std::u16string_view> seen;
    std::vector<int> twice;
    for (const auto& [table, count] : tables())
        for (int i = 0; i < count; ++i) {
            if (!table[i].text)
                continue;
            const auto [it, fresh] = seen.emplace(table[i].id, table[i].text);
            if (!fresh && it->second != table[i].text &&
                std::find(twice.begin(), twice.end(), table[i].id) == twice.end())
                twice.push_back(table[i].id);
        }
    return twice;
}

std::u16string LoadStringResource(int id) {
    const auto& t = tables();
    for (auto it = t.rbegin(); it != t.rend(); ++it)
        for (int i = 0; i < it->second; ++i)
            if (it->first[i].id == id && it->first[i].text)
                return it->first[i].text;
    return {};
}

} // namespace hv::dev

#include "device/strings.h"

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

std::u16string LoadStringResource(int id) {
    const auto& t = tables();
    for (auto it = t.rbegin(); it != t.rend(); ++it)
        for (int i = 0; i < it->second; ++i)
            if (it->first[i].id == id && it->first[i].text)
                return it->first[i].text;
    return {};
}

} // namespace hv::dev

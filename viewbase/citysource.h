// The city database as the toolkit's city lists and pickers read it.
#pragma once

#include "cities/citydatabase.h"
#include "toolkit/window/SDraw.h"

namespace hv::view {

class DatabaseCitySource : public tk::CitySource {
public:
    explicit DatabaseCitySource(const CityDatabase& db) : db_(db) {}
    int count(int continent) const override;
    std::u16string name(int continent, int index) const override;
    int gmtOffset(int continent, int index) const override;
    dev::SystemTime localTimeAt(int continent, int index, dev::FileTime utc) const override;

private:
    const CityDatabase& db_;
};

} // namespace hv::view

#include "viewbase/citysource.h"

#include "cities/citytime.h"

namespace hv::view {

int DatabaseCitySource::count(int continent) const {
    return db_.displayCount(continent);
}

std::u16string DatabaseCitySource::name(int continent, int index) const {
    const CityRecord* r = db_.recordAt(continent, index);
    return r ? std::u16string(r->nameView()) : std::u16string();
}

int DatabaseCitySource::gmtOffset(int continent, int index) const {
    const CityRecord* r = db_.recordAt(continent, index);
    return r ? r->gmtOffset : 0;
}

dev::SystemTime DatabaseCitySource::localTimeAt(int continent, int index, dev::FileTime utc) const {
    return CityTimeAt(db_, continent, index, utc).value_or(dev::SystemTime{});
}

} // namespace hv::view

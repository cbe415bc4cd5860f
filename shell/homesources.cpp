#include "shell/homesources.h"

#include "astro/sun.h"
#include "cities/citytime.h"
#include "device/device.h"
#include "shell/settings.h"

namespace hv::shell {

std::pair<std::u16string, std::u16string> ShellStatusSources::sunTexts() {
    const dev::SystemTime today = dev::getLocalTime();
    const Key key{today.year, today.month, today.day, db_.homeRecord()};
    if (key_ && *key_ == key)
        return texts_;
    key_ = key;
    if (!key.home) {
        texts_ = {astro::kNoSunrise, astro::kNoSunset};
        return texts_;
    }
    const astro::SunDay day = astro::SunDayFor(key.home->latitude(), key.home->longitude(),
                                               static_cast<int>(astro::SunEventType::RiseSet),
                                               today.year, today.month, today.day);
    texts_ = {day.texts.rise, day.texts.set};
    return texts_;
}

void loadCities(CityDatabase& db) {
    db.load();
    db.setHome(static_cast<int>(app().settings.homeContinent),
               static_cast<int>(app().settings.homeCity));
}

bool homeZoneDiffers(const CityDatabase& db) {
    return db.homeRecord() && DeviceZoneDiffers(db);
}

} // namespace hv::shell

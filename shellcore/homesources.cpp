#include "shellcore/homesources.h"

#include "astro/sun.h"
#include "cities/citytime.h"
#include "cities/cityzones.h"
#include "device/device.h"
#include "items/alarms.h"
#include "items/stopwatch.h"
#include "items/timers.h"
#include "settings/settings.h"
#include "timescales/timescales.h"

namespace hv::shell {

std::pair<std::u16string, std::u16string> ShellStatusSources::sunTexts() {
    const dev::SystemTime today = dev::getLocalTime();
    const CityRecord* home = db_.homeRecord();
    const dev::LocaleData& loc = dev::current().locale().data();
    const Key key{today.year,
                  today.month,
                  today.day,
                  home != nullptr,
                  home ? home->latitude() : 0,
                  home ? home->longitude() : 0,
                  astro::DeviceZoneHours(today.year, today.month, today.day),
                  loc.timePicture,
                  loc.am,
                  loc.pm};
    if (key_ && *key_ == key)
        return texts_;
    key_ = key;
    if (!home) {
        texts_ = {astro::kNoSunrise, astro::kNoSunset};
        return texts_;
    }
    const astro::SunDay day = astro::SunDayFor(key.latitude, key.longitude,
                                               static_cast<int>(astro::SunEventType::RiseSet),
                                               today.year, today.month, today.day);
    texts_ = {day.texts.rise, day.texts.set};
    return texts_;
}

void ShellStatusSources::loadTables(bool withTimers) {
    items::alarms().load();
    if (withTimers) {
        // The reminder tells of an ended timer through these events.
        items::timers().openEvents();
        items::timers().load();
    }
}

std::array<AlarmSlot, 20> ShellStatusSources::alarms() {
    std::array<AlarmSlot, 20> out{};
    const auto& records = items::alarms().records;
    for (size_t i = 0; i < out.size() && i < records.size(); ++i)
        out[i] = {records[i].enabled != 0, records[i].alarmTime};
    return out;
}

std::array<TimerSlot, 4> ShellStatusSources::timers() {
    std::array<TimerSlot, 4> out{};
    const auto& records = items::timers().records;
    for (size_t i = 0; i < out.size() && i < records.size(); ++i)
        out[i] = {records[i].notificationHandle,
                  records[i].running ? items::timerEndUtc(records[i]) : records[i].countdownTime};
    return out;
}

std::u16string ShellStatusSources::timerRemainingText(int i) {
    if (i < 0 || i >= static_cast<int>(items::kTimerCount))
        return kNoTime;
    return items::timers().remainingText(i);
}

std::u16string ShellStatusSources::stopwatchText() {
    return items::Stopwatch().statusText();
}

bool ShellStatusSources::stopwatchRunning() {
    return items::Stopwatch().running();
}

std::u16string ShellStatusSources::beatText() {
    return FormatBeats(BeatsFromUtc(dev::getSystemTimeAsFileTime()));
}

void loadCities(CityDatabase& db) {
    db.load();
    db.setHome(static_cast<int>(app().settings.homeContinent),
               static_cast<int>(app().settings.homeCity));
}

bool homeZoneDiffers(const CityDatabase& db) {
    return db.homeRecord() && DeviceZoneDiffers(db);
}

bool homeFromHostZone(CityDatabase& db, SettingsRecord& settings) {
    const auto home = HomeCityForZone(db, dev::current().clock().hostZoneName());
    if (!home || !db.setHome(home->continent, home->index))
        return false;
    settings.homeContinent = static_cast<uint32_t>(home->continent);
    settings.homeCity = static_cast<uint32_t>(home->index);
    return true;
}

} // namespace hv::shell

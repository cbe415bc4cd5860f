// The parts of the shell that stand on the city database: the home city's sunrise and sunset for
// the status bar, the forced Home Location check at start-up, and the home location and city
// files written back at exit.
#pragma once

#include "cities/citydatabase.h"
#include "settings/settings.h"
#include "shellcore/statusbar.h"

#include <optional>

namespace hv::shell {

// The status bar's sources: the program's alarm and timer tables and its stopwatch, and today's
// sunrise and sunset at the home city (the "Sunrise / Sunset" kind of the Sun rise/set view),
// computed again only when what they depend on changes: the local date, the home city's place,
// the device zone's offset on that date and the locale's time format.
class ShellStatusSources : public StatusSources {
public:
    explicit ShellStatusSources(const CityDatabase& db) : db_(db) {}
    // Loads the alarms and, unless only the alarms are wanted (screen-saver mode), the timers.
    void load() { loadTables(true); }
    void loadTables(bool withTimers);
    std::array<AlarmSlot, 20> alarms() override;
    std::array<TimerSlot, 4> timers() override;
    std::u16string timerRemainingText(int i) override;
    std::u16string stopwatchText() override;
    bool stopwatchRunning() override;
    std::u16string sunriseText() override { return sunTexts().first; }
    std::u16string sunsetText() override { return sunTexts().second; }
    std::u16string beatText() override;

private:
    std::pair<std::u16string, std::u16string> sunTexts();

    const CityDatabase& db_;
    struct Key {
        int year = 0, month = 0, day = 0;
        bool home = false;
        double latitude = 0, longitude = 0;
        double zoneHours = 0;
        std::u16string timePicture, am, pm;
        friend bool operator==(const Key&, const Key&) = default;
    };
    std::optional<Key> key_;
    std::pair<std::u16string, std::u16string> texts_;
};

// Loads the city files and selects the stored home location.
void loadCities(CityDatabase& db);
// True when the device's zone rule differs from the home city's (no home city: false).
bool homeZoneDiffers(const CityDatabase& db);
// A first start (no settings file): when the host's zone is that of a shipped city, that city
// becomes the home location, in the database and in the settings' homeContinent and homeCity.
// True when it did.
bool homeFromHostZone(CityDatabase& db, SettingsRecord& settings);

} // namespace hv::shell

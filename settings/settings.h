// The settings record and file (data\settings.dat), the data folder, the install-folder registry
// value and the locale cache with its name lists: the program state every other module reads.
#pragma once

#include "device/systime.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

namespace hv {

static_assert(std::endian::native == std::endian::little, "records are little-endian images");

// A city as (continent list, position in that list).
struct CityPair {
    uint32_t continent = 0;
    uint32_t city = 0;
    friend bool operator==(const CityPair&, const CityPair&) = default;
};
static_assert(sizeof(CityPair) == 8);

// The 368-byte settings image, identical in memory and on disk.
struct SettingsRecord {
    uint32_t alarmVolume; // 0 Low, 1 Medium, 2 High
    uint32_t startupView; // 0 Last Used, k = view k-1
    uint32_t lastView;    // 0..15
    uint32_t homeContinent;
    uint32_t homeCity;
    uint32_t statusLeft; // status-bar part lists: None .. Time
    uint32_t statusCentral;
    uint32_t statusRight;
    uint8_t lastViewSub;
    uint8_t stopwatchRunning;
    uint8_t reserved34[6];
    uint64_t stopwatchTime;
    CityPair cityTimeCities[20];
    CityPair timeCalcCities[15]; // 0..11 used
    CityPair worldTimeCityA;
    CityPair worldTimeCityB;
    CityPair digitalClockCity;
    uint8_t chimeOn;
    uint8_t chimeInterval; // 5, 10, 15, 20, 30 minute, 1 hour
    uint8_t screenSaverOn;
    uint8_t screenSaverSkin;    // Citizen like, Casio like, Ana-Digi like
    uint8_t screenSaverTimeout; // 1 .. 5, 7, 10, 15, 30, 45 minute, 1 hour
    uint8_t reserved357[2];
    uint8_t weekNumbering; // 0 Civil, 1 ISO 8601
    uint8_t eventsUnit;    // Seconds .. Years
    uint8_t eventsSortBy;  // Name, Min Time, Max Time
    uint8_t reserved362[6];
};
static_assert(sizeof(SettingsRecord) == 368);
static_assert(offsetof(SettingsRecord, lastViewSub) == 32);
static_assert(offsetof(SettingsRecord, stopwatchTime) == 40);
static_assert(offsetof(SettingsRecord, cityTimeCities) == 48);
static_assert(offsetof(SettingsRecord, timeCalcCities) == 208);
static_assert(offsetof(SettingsRecord, worldTimeCityA) == 328);
static_assert(offsetof(SettingsRecord, digitalClockCity) == 344);
static_assert(offsetof(SettingsRecord, chimeOn) == 352);
static_assert(offsetof(SettingsRecord, weekNumbering) == 359);
static_assert(offsetof(SettingsRecord, eventsSortBy) == 361);

inline constexpr size_t kSettingsFileSize = sizeof(SettingsRecord);

// Locale cache: four bytes read from the user locale, never saved.
struct LocaleCache {
    uint8_t locale24Hour = 0;         // 0 12-hour with AM/PM, 1 24-hour
    uint8_t localeShortDateOrder = 0; // 0 MDY, 1 DMY, 2 YMD
    uint8_t localeLongDateOrder = 0;  // same coding; the one the views consult
    uint8_t localeFirstDayOfWeek = 0; // 0 Monday .. 6 Sunday
};

// Name lists in string-list form ("January\...\December\."), built once.
struct LocaleNameLists {
    std::u16string monthNameList;
    std::u16string dayNameList;
    std::u16string dayInitials; // seven characters
};

// The program's global state that this module owns.
struct AppState {
    SettingsRecord settings{};
    LocaleCache locale{};
    LocaleNameLists names{};
    std::u16string chimeSound; // at most 260 characters
};
AppState& app();
// Back to a zeroed state, as at process start (tests).
void resetAppState();

// Program folder from the module path: up to and including the last backslash, else "\".
std::u16string programFolder();
// The handheld form: writes into buf (capacity characters, terminator included) and returns the
// number of characters without the terminator; 0 when it does not fit.
int programFolder(char16_t* buf, int capacity);
// Program folder + "data\" + name.
std::u16string dataFilePath(std::u16string_view name);

// The main program's file name in the program folder.
inline constexpr char16_t kMainProgramName[] = u"Horavel.exe";

inline constexpr char16_t kInstallKey[] = u"SOFTWARE\\Brinwick\\Horavel\\InstallPas";
inline constexpr char16_t kInstallValue[] = u"Pass";
inline constexpr size_t kInstallValueSize = 520;
// Writes the program folder to the install-folder value (520 bytes, REG_MULTI_SZ).
bool writeInstallFolderValue();
// The same for a given folder (a device path ending in a backslash): the install hook writes it
// at installation, so that every program of the package finds the data at once.
bool writeInstallFolderValue(std::u16string_view folder);
// The companion programs' view of it: the folder text, empty when missing or malformed.
std::u16string readInstallFolderValue();
// What is wrong with the value: "missing", damaged (type, size or text), or naming a folder that
// does not exist; empty when it is sound.
std::string installFolderValueProblem();
// The main program's check at every start: rewrites a missing or damaged value, or one naming a
// folder without the program, with this program's folder (the damage goes to the fault journal).
bool checkInstallFolderValue();

// The device installer's record of the package: the cabinet it was installed from, by its host
// path ("Source" of HKLM\Software\Apps\Horavel).
inline constexpr char16_t kInstalledPackageKey[] = u"Software\\Apps\\Horavel";
inline constexpr char16_t kInstalledPackageSource[] = u"Source";
// For a program that runs from inside the device root: the text that says that the package it
// was installed from has been removed from this computer (its cabinet is gone), so that the
// program ends instead of running as an old copy. Empty when the package is there, when the
// installer recorded no source, and for programs run from elsewhere (a build tree).
std::string removedPackageMessage();
// Whether this program's own file has been removed from the device root (the package was
// uninstalled while it ran); such a program writes nothing more into the removed folder.
bool ownProgramRemoved();

// Settings operations.
void fillSettingsDefaults(SettingsRecord& r); // every field that has a default
bool loadSettings();
bool saveSettings();
bool saveSettingsWithRetry();
void resetSettingsToDefaults();
inline constexpr int kSaveSettingsAttempts = 10;
inline constexpr int kSettingsReadAttempts = 50; // 100 ms apart while another program holds it

// Reads a settings file image; false when the size is not exactly 368 bytes.
bool parseSettings(const uint8_t* data, size_t size, SettingsRecord& out);

void RefreshLocaleCache();
void BuildLocaleNameLists();

// Paths of the companion programs.
inline constexpr char16_t kReminderPath[] = u"\\Windows\\BHVEvents.exe";
inline constexpr char16_t kLauncherPath[] = u"\\Windows\\HVTimer.exe";
inline constexpr char16_t kLauncherArgument[] = u"AppRunAtRs232Detect";

// Message texts and caption.
inline constexpr char16_t kCaption[] = u"Horavel";
inline constexpr char16_t kCantSaveSettings[] = u"Can't save settings file";

} // namespace hv

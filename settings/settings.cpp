#include "settings/settings.h"

#include "device/device.h"
#include "device/files.h"
#include "device/journal.h"
#include "device/locale.h"
#include "device/paths.h"
#include "device/registry.h"
#include "device/text.h"
#include "settings/soundpath.h"

#include <QChar>
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>

namespace hv {

namespace {
AppState g_app;

constexpr CityPair kCityTimeDefaults[20] = {
    {4, 97}, {3, 40}, {3, 55}, {1, 129}, {3, 46}, {4, 159}, {1, 124}, {0, 15}, {0, 18}, {2, 5},
    {2, 26}, {4, 39}, {4, 93}, {4, 76},  {5, 3},  {5, 23},  {5, 2},   {3, 4},  {3, 47}, {3, 12}};
} // namespace

AppState& app() {
    return g_app;
}

void resetAppState() {
    g_app = AppState{};
}

std::u16string programFolder() {
    const std::u16string module = dev::current().modulePath().substr(0, 260);
    const size_t slash = module.rfind(u'\\');
    if (slash == std::u16string::npos)
        return u"\\";
    return module.substr(0, slash + 1);
}

int programFolder(char16_t* buf, int capacity) {
    const std::u16string folder = programFolder();
    if (!buf || capacity <= static_cast<int>(folder.size()))
        return 0;
    std::memcpy(buf, folder.data(), folder.size() * sizeof(char16_t));
    buf[folder.size()] = 0;
    return static_cast<int>(folder.size());
}

std::u16string dataFilePath(std::u16string_view name) {
    return programFolder() + u"data\\" + std::u16string(name);
}

bool writeInstallFolderValue() {
    return writeInstallFolderValue(programFolder());
}

bool writeInstallFolderValue(std::u16string_view folder) {
    char16_t value[kInstallValueSize / 2] = {};
    if (folder.size() >= std::size(value))
        return false;
    std::copy(folder.begin(), folder.end(), value);
    return dev::regCreateKey(dev::RegHive::LocalMachine, kInstallKey) &&
           dev::regSetValue(dev::RegHive::LocalMachine, kInstallKey, kInstallValue,
                            dev::RegType::MultiSz, value, sizeof(value));
}

std::u16string readInstallFolderValue() {
    const auto v = dev::regQueryValue(dev::RegHive::LocalMachine, kInstallKey, kInstallValue);
    if (!v)
        return {};
    return decodeSoundPath(v->data.data(), v->data.size(), kInstallValueSize / 2);
}

namespace {

// What is wrong with the install-folder value ("" when intact), and the folder it names.
std::string inspectInstallFolderValue(std::u16string& folder) {
    folder.clear();
    const auto v = dev::regQueryValue(dev::RegHive::LocalMachine, kInstallKey, kInstallValue);
    if (!v)
        return "missing";
    if (v->type != dev::RegType::MultiSz || v->data.size() != kInstallValueSize)
        return "damaged (type " + std::to_string(static_cast<uint32_t>(v->type)) + ", " +
               std::to_string(v->data.size()) + " bytes)";
    folder = decodeSoundPath(v->data.data(), v->data.size(), kInstallValueSize / 2);
    if (folder.empty() || folder.front() != u'\\' || folder.back() != u'\\')
        return "damaged ('" + dev::toUtf8(folder) + "' is not a folder)";
    std::error_code ec;
    if (!std::filesystem::is_directory(dev::hostPath(folder), ec))
        return "naming '" + dev::toUtf8(folder) + "', which does not exist";
    return {};
}

} // namespace

std::string installFolderValueProblem() {
    std::u16string folder;
    return inspectInstallFolderValue(folder);
}

bool checkInstallFolderValue() {
    const std::u16string own = programFolder();
    std::u16string folder;
    const std::string problem = inspectInstallFolderValue(folder);
    // An intact value of another installation that still holds the program is left alone.
    if (problem.empty() && (folder == own || dev::fileExists(folder + kMainProgramName)))
        return true;
    if (problem != "missing")
        dev::reportFault("the install-folder registry value was " +
                         (problem.empty() ? "naming a folder without Horavel.exe" : problem) +
                         "; rewritten as '" + dev::toUtf8(own) + "'");
    return writeInstallFolderValue();
}

std::string removedPackageMessage() {
    const std::u16string module = dev::current().modulePath();
    if (module.find(u'\\') == std::u16string::npos)
        return {};
    const auto v = dev::regQueryValue(dev::RegHive::LocalMachine, kInstalledPackageKey,
                                      kInstalledPackageSource);
    if (!v || v->data.size() < 2)
        return {};
    std::u16string source(v->data.size() / 2, u'\0');
    std::memcpy(source.data(), v->data.data(), source.size() * 2);
    source.resize(std::u16string_view(source.c_str()).size());
    std::error_code ec;
    if (source.empty() || std::filesystem::exists(dev::toUtf8(source), ec))
        return {};
    return "Horavel has been removed from this computer: the package it was installed from (" +
           dev::toUtf8(source) + ") is gone. Install Horavel again to use it; the data stays in " +
           dev::current().root().string() + ".";
}

bool ownProgramRemoved() {
    const std::u16string module = dev::current().modulePath();
    return module.find(u'\\') != std::u16string::npos && !dev::fileExists(module);
}

void fillSettingsDefaults(SettingsRecord& r) {
    r.alarmVolume = 1;
    r.startupView = 0;
    r.homeContinent = 4;
    r.homeCity = 97;
    r.statusLeft = 7;
    r.statusCentral = 4;
    r.statusRight = 6;
    r.lastViewSub = 0;
    std::memset(r.reserved34, 0, sizeof r.reserved34);
    r.stopwatchTime = 0;
    std::copy(std::begin(kCityTimeDefaults), std::end(kCityTimeDefaults), r.cityTimeCities);
    // The Time Calc defaults are the City Time defaults shifted by one; 12..14 stay zero.
    for (int i = 0; i < 15; ++i)
        r.timeCalcCities[i] = i < 12 ? kCityTimeDefaults[i + 1] : CityPair{};
    r.worldTimeCityA = {3, 40};
    r.digitalClockCity = {3, 40};
    r.chimeOn = 0;
    r.chimeInterval = 5;
    r.screenSaverOn = 1;
    r.screenSaverSkin = 2;
    r.screenSaverTimeout = 4;
    std::memset(r.reserved357, 0, sizeof r.reserved357);
    std::memset(r.reserved362, 0, sizeof r.reserved362);
    r.worldTimeCityB = {r.homeContinent, r.homeCity};
}

bool parseSettings(const uint8_t* data, size_t size, SettingsRecord& out) {
    if (size != kSettingsFileSize || !data)
        return false;
    std::memcpy(&out, data, kSettingsFileSize);
    return true;
}

void resetSettingsToDefaults() {
    fillSettingsDefaults(g_app.settings);
    writeInstallFolderValue(); // a failure leaves the companions without the folder
    auto& device = dev::current();
    device.notifications().runAppAtEvent(kReminderPath, dev::RunEvent::TimeChange);
    // Saved once, before the launcher starts and reads the file.
    saveSettingsWithRetry();
    if (device.shell().systemMajorVersion() >= 4) {
        device.notifications().runAppAtEvent(kLauncherPath, dev::RunEvent::Rs232Detected);
        device.shell().start(kLauncherPath, kLauncherArgument);
    }
}

bool loadSettings() {
    readChimeSound();
    const std::u16string path = dataFilePath(u"settings.dat");
    // A file held for a moment by a companion program (the reminder, the launcher) is waited
    // for: only a missing or damaged file gives the defaults, never a busy one.
    SettingsRecord r;
    bool read = false;
    std::vector<uint8_t> damaged;
    dev::withRetry(kSettingsReadAttempts, 100, [&] {
        dev::ExclusiveFile f = dev::ExclusiveFile::open(path, dev::OpenMode::ReadExisting);
        if (f.notRegular())
            dev::reportFault("settings file is not a regular file: replaced by the defaults");
        if (f.outsideRoot())
            dev::reportFault("settings file leads out of the device folder: it is neither read "
                             "nor written, and the defaults are used");
        if (!f.isOpen())
            return !f.busy();
        read = f.size() == kSettingsFileSize && f.readAt(0, &r, sizeof r) == sizeof r;
        if (!read)
            damaged = f.readAll();
        return true;
    });
    if (read) {
        g_app.settings = r;
        // The companions find the data through this value: a damaged one is repaired at every
        // start, not only when the settings are new.
        checkInstallFolderValue();
        return true;
    }
    // A file of the wrong size is kept beside its replacement.
    if (!damaged.empty()) {
        const std::u16string aside = path + u".damaged";
        if (dev::saveWholeFile(aside, damaged))
            dev::reportFault("settings file of " + std::to_string(damaged.size()) +
                             " bytes replaced by the defaults; the damaged file is kept as " +
                             dev::toUtf8(aside));
    }
    resetSettingsToDefaults();
    return true;
}

bool saveSettings() {
    return dev::saveWholeFile(dataFilePath(u"settings.dat"), &g_app.settings,
                              sizeof g_app.settings);
}

bool saveSettingsWithRetry() {
    if (dev::withRetry(kSaveSettingsAttempts, 100, saveSettings))
        return true;
    dev::messageBox(kCaption, kCantSaveSettings, dev::MbIcon::Error);
    return false;
}

namespace {
// Reads a numeric locale item into a three-character buffer and converts it like wcstol.
uint8_t numericItem(dev::LocaleItem item) {
    char16_t buf[3] = {};
    if (dev::getLocaleInfo(item, buf, 3) == 0)
        return 0;
    long v = 0;
    for (int i = 0; i < 3 && buf[i] >= u'0' && buf[i] <= u'9'; ++i)
        v = v * 10 + (buf[i] - u'0');
    return static_cast<uint8_t>(v);
}

// A text item of any length: the size is asked first.
std::u16string itemText(dev::LocaleItem item) {
    const int capacity = dev::getLocaleInfo(item, nullptr, 0);
    if (capacity <= 0)
        return {};
    std::u16string buf(static_cast<size_t>(capacity), u'\0');
    const int n = dev::getLocaleInfo(item, buf.data(), capacity);
    buf.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return buf;
}

// One character per day from the narrow day names. A narrow name of several characters whose
// first character other days' names share ("T2" .. "T7" beside "CN") gives its last character
// when that is a letter or digit of its own.
std::u16string dayInitialsOf(const std::u16string (&narrow)[7]) {
    std::u16string out;
    for (int i = 0; i < 7; ++i) {
        const std::u16string& name = narrow[i];
        char16_t c = name.empty() ? u' ' : name.front();
        bool shared = false;
        for (int j = 0; j < 7; ++j)
            shared = shared ||
                     (j != i && narrow[j] != name && !narrow[j].empty() && narrow[j].front() == c);
        if (shared && name.size() > 1) {
            const QChar last(name.back());
            if (last.isLetterOrNumber() && !last.isMark())
                c = name.back();
        }
        out += c;
    }
    return out;
}

dev::LocaleItem offsetItem(dev::LocaleItem base, int i) {
    return static_cast<dev::LocaleItem>(static_cast<uint32_t>(base) + static_cast<uint32_t>(i));
}
} // namespace

void RefreshLocaleCache() {
    g_app.locale.locale24Hour = numericItem(dev::LocaleItem::ITIME);
    g_app.locale.localeShortDateOrder = numericItem(dev::LocaleItem::IDATE);
    g_app.locale.localeLongDateOrder = numericItem(dev::LocaleItem::ILDATE);
    g_app.locale.localeFirstDayOfWeek = numericItem(dev::LocaleItem::IFIRSTDAYOFWEEK);
}

void BuildLocaleNameLists() {
    auto& n = g_app.names;
    n.monthNameList.clear();
    for (int i = 0; i < 12; ++i)
        n.monthNameList += itemText(offsetItem(dev::LocaleItem::SMONTHNAME1, i)) + u"\\";
    n.monthNameList += u".";
    // Day lists start with Sunday only when the locale's week starts on Sunday.
    int order[7] = {0, 1, 2, 3, 4, 5, 6};
    if (g_app.locale.localeFirstDayOfWeek == 6)
        for (int i = 0; i < 7; ++i)
            order[i] = (i + 6) % 7;
    n.dayNameList.clear();
    std::u16string narrow[7];
    for (int i = 0; i < 7; ++i) {
        narrow[i] = itemText(offsetItem(dev::LocaleItem::SSHORTESTDAYNAME1, order[i]));
        n.dayNameList += itemText(offsetItem(dev::LocaleItem::SDAYNAME1, order[i])) + u"\\";
    }
    n.dayInitials = dayInitialsOf(narrow);
    n.dayNameList += u".";
}

} // namespace hv

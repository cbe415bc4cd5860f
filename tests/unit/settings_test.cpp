#include "device/fake.h"
#include "device/files.h"
#include "device/journal.h"
#include "device/registry.h"
#include "settings/settings.h"
#include "settings/soundpath.h"

#include <QLocale>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace hv;
namespace fs = std::filesystem;

namespace {
uint32_t u32(const std::vector<uint8_t>& b, size_t off) {
    return b[off] | b[off + 1] << 8 | b[off + 2] << 16 | static_cast<uint32_t>(b[off + 3]) << 24;
}
} // namespace

class Settings : public ::testing::Test {
protected:
    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    void SetUp() override {
        resetAppState();
        fake.setModulePath(u"\\Program Files\\Brinwick\\Horavel\\Horavel.exe");
    }
    void TearDown() override { resetAppState(); }
    fs::path settingsFile() const {
        return fake.host(u"\\Program Files\\Brinwick\\Horavel\\data\\settings.dat");
    }
    void writeRaw(size_t size, uint8_t fill) {
        fs::create_directories(settingsFile().parent_path());
        std::ofstream(settingsFile(), std::ios::binary)
            .write(std::string(size, static_cast<char>(fill)).data(),
                   static_cast<std::streamsize>(size));
    }
    std::vector<uint8_t> fileBytes() const {
        return dev::readWholeFile(u"\\Program Files\\Brinwick\\Horavel\\data\\settings.dat")
            .value();
    }
};

TEST(SettingsRecordLayout, EveryFieldAtItsOffset) {
    EXPECT_EQ(offsetof(SettingsRecord, alarmVolume), 0u);
    EXPECT_EQ(offsetof(SettingsRecord, startupView), 4u);
    EXPECT_EQ(offsetof(SettingsRecord, lastView), 8u);
    EXPECT_EQ(offsetof(SettingsRecord, homeContinent), 12u);
    EXPECT_EQ(offsetof(SettingsRecord, homeCity), 16u);
    EXPECT_EQ(offsetof(SettingsRecord, statusLeft), 20u);
    EXPECT_EQ(offsetof(SettingsRecord, statusCentral), 24u);
    EXPECT_EQ(offsetof(SettingsRecord, statusRight), 28u);
    EXPECT_EQ(offsetof(SettingsRecord, lastViewSub), 32u);
    EXPECT_EQ(offsetof(SettingsRecord, stopwatchRunning), 33u);
    EXPECT_EQ(offsetof(SettingsRecord, stopwatchTime), 40u);
    EXPECT_EQ(offsetof(SettingsRecord, cityTimeCities), 48u);
    EXPECT_EQ(offsetof(SettingsRecord, timeCalcCities), 208u);
    EXPECT_EQ(offsetof(SettingsRecord, worldTimeCityA), 328u);
    EXPECT_EQ(offsetof(SettingsRecord, worldTimeCityB), 336u);
    EXPECT_EQ(offsetof(SettingsRecord, digitalClockCity), 344u);
    EXPECT_EQ(offsetof(SettingsRecord, chimeOn), 352u);
    EXPECT_EQ(offsetof(SettingsRecord, chimeInterval), 353u);
    EXPECT_EQ(offsetof(SettingsRecord, screenSaverOn), 354u);
    EXPECT_EQ(offsetof(SettingsRecord, screenSaverSkin), 355u);
    EXPECT_EQ(offsetof(SettingsRecord, screenSaverTimeout), 356u);
    EXPECT_EQ(offsetof(SettingsRecord, weekNumbering), 359u);
    EXPECT_EQ(offsetof(SettingsRecord, eventsUnit), 360u);
    EXPECT_EQ(offsetof(SettingsRecord, eventsSortBy), 361u);
    EXPECT_EQ(sizeof(SettingsRecord), 368u);
}

TEST_F(Settings, FirstStartWritesAWholeDefaultFile) {
    ASSERT_TRUE(loadSettings());
    const auto b = fileBytes();
    ASSERT_EQ(b.size(), 368u);
    EXPECT_EQ(u32(b, 0), 1u);  // alarm volume Medium
    EXPECT_EQ(u32(b, 4), 0u);  // start-up view "Last Used"
    EXPECT_EQ(u32(b, 12), 4u); // home: New York
    EXPECT_EQ(u32(b, 16), 97u);
    EXPECT_EQ(u32(b, 20), 7u); // Date
    EXPECT_EQ(u32(b, 24), 4u); // Sunrise
    EXPECT_EQ(u32(b, 28), 6u); // Internet Time
    const uint32_t cityTime[20][2] = {{4, 97},  {3, 40},  {3, 55}, {1, 129}, {3, 46},
                                      {4, 159}, {1, 124}, {0, 15}, {0, 18},  {2, 5},
                                      {2, 26},  {4, 39},  {4, 93}, {4, 76},  {5, 3},
                                      {5, 23},  {5, 2},   {3, 4},  {3, 47},  {3, 12}};
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(u32(b, 48 + 8 * i), cityTime[i][0]) << i;
        EXPECT_EQ(u32(b, 52 + 8 * i), cityTime[i][1]) << i;
    }
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(u32(b, 208 + 8 * i), cityTime[i + 1][0]) << i;
        EXPECT_EQ(u32(b, 212 + 8 * i), cityTime[i + 1][1]) << i;
    }
    for (size_t off = 304; off < 328; ++off)
        EXPECT_EQ(b[off], 0) << "Time Calc slots 12..14 are zero";
    EXPECT_EQ(u32(b, 328), 3u);
    EXPECT_EQ(u32(b, 332), 40u);
    EXPECT_EQ(u32(b, 336), 4u); // second World Time city is the home location
    EXPECT_EQ(u32(b, 340), 97u);
    EXPECT_EQ(u32(b, 344), 3u);
    EXPECT_EQ(u32(b, 348), 40u);
    EXPECT_EQ(b[352], 0); // chime off
    EXPECT_EQ(b[353], 5); // 1 hour
    EXPECT_EQ(b[354], 1); // screen saver on
    EXPECT_EQ(b[355], 2); // Ana-Digi like
    EXPECT_EQ(b[356], 4); // 5 minute
    for (size_t off :
         {8u, 32u, 33u, 34u, 35u, 36u, 37u, 38u, 39u, 357u, 358u, 359u, 360u, 361u, 362u, 367u})
        EXPECT_EQ(b[off], 0) << off;
    EXPECT_TRUE(fake.messageBoxesImpl.shown.empty());
}

TEST_F(Settings, FirstStartRegistersTheCompanionProgramsAndTheFolder) {
    loadSettings();
    const auto events = fake.notificationsImpl.listRunAtEvent();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].first, u"\\Windows\\BHVEvents.exe");
    EXPECT_EQ(events[0].second, dev::RunEvent::TimeChange);
    EXPECT_EQ(events[1].first, u"\\Windows\\HVTimer.exe");
    EXPECT_EQ(events[1].second, dev::RunEvent::Rs232Detected);
    ASSERT_EQ(fake.shellImpl.started.size(), 1u);
    EXPECT_EQ(fake.shellImpl.started[0].first, u"\\Windows\\HVTimer.exe");
    EXPECT_EQ(fake.shellImpl.started[0].second, u"AppRunAtRs232Detect");
    const auto pass = dev::regQueryValue(dev::RegHive::LocalMachine, kInstallKey, kInstallValue);
    ASSERT_TRUE(pass.has_value());
    EXPECT_EQ(pass->type, dev::RegType::MultiSz);
    EXPECT_EQ(pass->data.size(), 520u);
    EXPECT_EQ(readInstallFolderValue(), u"\\Program Files\\Brinwick\\Horavel\\");
}

TEST_F(Settings, OlderSystemsDoNotGetTheLauncher) {
    fake.shellImpl.majorVersion = 3;
    loadSettings();
    EXPECT_EQ(fake.notificationsImpl.listRunAtEvent().size(), 1u);
    EXPECT_TRUE(fake.shellImpl.started.empty());
    EXPECT_EQ(fileBytes().size(), 368u);
}

TEST_F(Settings, WrongSizedFilesAreReplacedAndARightSizedOneIsKept) {
    for (size_t size : {0u, 367u, 369u, 1000u}) {
        writeRaw(size, 0x55);
        resetAppState();
        loadSettings();
        ASSERT_EQ(fileBytes().size(), 368u) << size;
        EXPECT_EQ(app().settings.homeCity, 97u) << size;
    }
    writeRaw(368, 0x03);
    resetAppState();
    fake.notificationsImpl = {};
    loadSettings();
    EXPECT_EQ(app().settings.alarmVolume, 0x03030303u); // read as is, not validated here
    EXPECT_EQ(app().settings.weekNumbering, 3);
    EXPECT_TRUE(fake.notificationsImpl.listRunAtEvent().empty()); // no first-run work
}

// The companions find the data through the install-folder value; a damaged one is repaired at
// every start of the main program, and the repair is journalled.
TEST_F(Settings, DamagedInstallFolderValueIsRewrittenAtEveryStart) {
    loadSettings();
    ASSERT_EQ(readInstallFolderValue(), u"\\Program Files\\Brinwick\\Horavel\\");
    std::vector<uint8_t> wrongFolder(kInstallValueSize, 0); // \x\, a folder that is not there
    const uint8_t text[] = {'\\', 0, 'x', 0, '\\', 0};
    std::memcpy(wrongFolder.data(), text, sizeof text);
    const std::vector<std::vector<uint8_t>> damaged = {{1, 2, 3}, wrongFolder};
    for (const auto& value : damaged) {
        ASSERT_TRUE(dev::regSetValue(dev::RegHive::LocalMachine, kInstallKey, kInstallValue,
                                     dev::RegType::MultiSz, value.data(), value.size()));
        EXPECT_FALSE(installFolderValueProblem().empty());
        resetAppState();
        loadSettings(); // the settings file is sound: no first-run work
        EXPECT_EQ(readInstallFolderValue(), u"\\Program Files\\Brinwick\\Horavel\\");
    }
    EXPECT_EQ(dev::readFaults(fake.root()).count, 2u);
    // A sound value is left alone and nothing is journalled.
    resetAppState();
    loadSettings();
    EXPECT_EQ(dev::readFaults(fake.root()).count, 2u);
}

TEST_F(Settings, WrongSizedFileIsKeptBesideItsReplacement) {
    writeRaw(100, 0x55);
    loadSettings();
    EXPECT_EQ(fileBytes().size(), 368u);
    const auto kept =
        dev::readWholeFile(u"\\Program Files\\Brinwick\\Horavel\\data\\settings.dat.damaged");
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(*kept, std::vector<uint8_t>(100, 0x55));
    const auto faults = dev::readFaults(fake.root());
    ASSERT_EQ(faults.count, 1u);
    EXPECT_NE(faults.last[0].find("settings.dat.damaged"), std::string::npos);
}

TEST_F(Settings, ModulePathWithoutBackslashUsesTheRootDataFolder) {
    fake.setModulePath(u"horavel");
    EXPECT_EQ(programFolder(), u"\\");
    EXPECT_EQ(dataFilePath(u"settings.dat"), u"\\data\\settings.dat");
    loadSettings();
    EXPECT_TRUE(fs::exists(fake.host(u"\\data\\settings.dat")));
    EXPECT_EQ(readInstallFolderValue(), u"\\");
    char16_t small[4];
    fake.setModulePath(u"\\Windows\\Horavel.exe");
    EXPECT_EQ(programFolder(small, 4), 0); // "\Windows\" does not fit
    char16_t enough[16];
    EXPECT_EQ(programFolder(enough, 16), 9);
    EXPECT_EQ(std::u16string(enough), u"\\Windows\\");
}

TEST_F(Settings, ALongProgramFolderStillGivesA520ByteValue) {
    fake.setModulePath(u"\\" + std::u16string(300, u'x') + u"\\Horavel.exe");
    EXPECT_TRUE(writeInstallFolderValue());
    const auto pass = dev::regQueryValue(dev::RegHive::LocalMachine, kInstallKey, kInstallValue);
    ASSERT_TRUE(pass.has_value());
    EXPECT_EQ(pass->data.size(), 520u);
}

TEST_F(Settings, SaveFailureRetriesThenTellsTheUser) {
    loadSettings();
    dev::ExclusiveFile holder = dev::ExclusiveFile::open(
        u"\\Program Files\\Brinwick\\Horavel\\data\\settings.dat", dev::OpenMode::ReadExisting);
    ASSERT_TRUE(holder.isOpen());
    app().settings.alarmVolume = 2;
    const int sleepsBefore = fake.clockImpl.sleeps();
    EXPECT_FALSE(saveSettingsWithRetry());
    EXPECT_EQ(fake.clockImpl.sleeps() - sleepsBefore, kSaveSettingsAttempts - 1);
    ASSERT_EQ(fake.messageBoxesImpl.shown.size(), 1u);
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].caption, u"Horavel");
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].text, u"Can't save settings file");
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].icon, dev::MbIcon::Error);
    EXPECT_EQ(app().settings.alarmVolume, 2u); // the record in memory is kept
    holder.close();
    // A holder that lets go during the pauses: the save goes through.
    holder = dev::ExclusiveFile::open(u"\\Program Files\\Brinwick\\Horavel\\data\\settings.dat",
                                      dev::OpenMode::ReadExisting);
    int attempts = 0;
    EXPECT_TRUE(dev::withRetry(kSaveSettingsAttempts, 100, [&] {
        if (++attempts == 3)
            holder.close();
        return saveSettings();
    }));
    EXPECT_EQ(fileBytes()[0], 2);
}

TEST_F(Settings, ChimeSoundFileOrItsDefault) {
    loadSettings();
    EXPECT_EQ(app().chimeSound, u"\\Windows\\Alarm1.wav");
    app().chimeSound = u"\\My Documents\\bell.wav";
    ASSERT_TRUE(writeChimeSound());
    EXPECT_EQ(fs::file_size(fake.host(u"\\Program Files\\Brinwick\\Horavel\\data\\chimesnd.dat")),
              (22u + 1) * 2);
    app().chimeSound.clear();
    readChimeSound();
    EXPECT_EQ(app().chimeSound, u"\\My Documents\\bell.wav");
    // An unterminated file with an odd length: the text up to the last whole character.
    const uint8_t odd[] = {'a', 0, 'b', 0, 'c'};
    EXPECT_EQ(decodeSoundPath(odd, sizeof odd), u"ab");
    std::vector<uint8_t> longer(2 * 300, 'x');
    EXPECT_EQ(decodeSoundPath(longer.data(), longer.size()).size(), 260u);
}

class LocaleLists : public Settings {};

TEST_F(LocaleLists, SundayFirstGivesSundayFirstDays) {
    RefreshLocaleCache(); // en_US: 12-hour, month-day-year, Sunday first
    EXPECT_EQ(app().locale.locale24Hour, 0);
    EXPECT_EQ(app().locale.localeShortDateOrder, 0);
    EXPECT_EQ(app().locale.localeLongDateOrder, 0);
    EXPECT_EQ(app().locale.localeFirstDayOfWeek, 6);
    BuildLocaleNameLists();
    EXPECT_EQ(app().names.dayInitials, u"SMTWTFS");
    EXPECT_EQ(app().names.dayNameList,
              u"Sunday\\Monday\\Tuesday\\Wednesday\\Thursday\\Friday\\Saturday\\.");
    EXPECT_EQ(app().names.monthNameList, u"January\\February\\March\\April\\May\\June\\July\\August"
                                         u"\\September\\October\\November\\December\\.");
}

TEST_F(LocaleLists, OtherFirstDaysGiveMondayFirst) {
    for (int first : {0, 5}) { // Monday, and Saturday (not honoured)
        fake.localeImpl.mutableData().firstDayOfWeek = first;
        RefreshLocaleCache();
        BuildLocaleNameLists();
        EXPECT_EQ(app().names.dayInitials, u"MTWTFSS") << first;
        EXPECT_EQ(app().names.dayNameList.substr(0, 7), u"Monday\\") << first;
    }
    fake.localeImpl.set(dev::LocaleData::fromName("de_DE"));
    RefreshLocaleCache();
    BuildLocaleNameLists();
    EXPECT_EQ(app().locale.locale24Hour, 1);
    EXPECT_EQ(app().locale.localeLongDateOrder, 1);
    EXPECT_EQ(app().names.monthNameList.substr(0, 7), u"Januar\\");
}

// The first run writes the defaults once, before the launcher starts and reads them (a second
// save met the launcher's read and it took the screen saver as off).
TEST_F(Settings, FirstRunSavesOnce) {
    const fs::path folder = settingsFile().parent_path();
    fs::create_directories(folder);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO), 0);
    loadSettings();
    int saves = 0;
    alignas(inotify_event) char buf[4096];
    for (ssize_t n; (n = read(watch, buf, sizeof buf)) > 0;)
        for (char* p = buf; p < buf + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            if (e->len && std::string(e->name) == "settings.dat")
                ++saves;
            p += sizeof(inotify_event) + e->len;
        }
    close(watch);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(fake.shellImpl.started.size(), 1u);
}

// A settings file that a companion program holds for a moment is waited for: the user's
// settings are not replaced by defaults.
TEST_F(Settings, HeldFileIsWaitedForNotReplaced) {
    writeRaw(368, 0x03);
    auto held = dev::ExclusiveFile::open(u"\\Program Files\\Brinwick\\Horavel\\data\\settings.dat",
                                         dev::OpenMode::ReadExisting);
    ASSERT_TRUE(held.isOpen());
    fake.clockImpl.onSleep = [&](uint32_t) { held.close(); };
    loadSettings();
    fake.clockImpl.onSleep = nullptr;
    EXPECT_EQ(app().settings.weekNumbering, 3);
    EXPECT_EQ(fileBytes(), std::vector<uint8_t>(368, 0x03));
}

TEST_F(LocaleLists, NamesOfAnyLengthAndDistinctInitials) {
    fake.localeImpl.set(dev::LocaleData::fromName("ga_IE"));
    RefreshLocaleCache();
    BuildLocaleNameLists();
    EXPECT_NE(app().names.monthNameList.find(u"\\Deireadh F\u00f3mhair\\"), std::u16string::npos);
    // Every locale Qt knows: twelve and seven names, none of them empty.
    for (const QLocale& q : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                     QLocale::AnyTerritory)) {
        fake.localeImpl.set(dev::LocaleData::fromName(q.name().toStdString()));
        RefreshLocaleCache();
        BuildLocaleNameLists();
        const std::u16string& months = app().names.monthNameList;
        const std::u16string& days = app().names.dayNameList;
        EXPECT_EQ(std::count(months.begin(), months.end(), u'\\'), 12);
        EXPECT_EQ(std::count(days.begin(), days.end(), u'\\'), 7);
        EXPECT_EQ(months.find(u"\\\\"), std::u16string::npos) << q.name().toStdString();
        EXPECT_NE(months.front(), u'\\');
        EXPECT_EQ(days.find(u"\\\\"), std::u16string::npos) << q.name().toStdString();
        EXPECT_EQ(app().names.dayInitials.size(), 7u);
    }
    // Initials that tell the days apart where the abbreviations share their first character.
    const std::pair<const char*, std::u16string_view> kInitials[] = {
        {"zh_CN", u"\u4e00\u4e8c\u4e09\u56db\u4e94\u516d\u65e5"},
        {"zh_TW", u"\u4e00\u4e8c\u4e09\u56db\u4e94\u516d\u65e5"},
        {"he_IL", u"\u05d0\u05d1\u05d2\u05d3\u05d4\u05d5\u05e9"},
        {"ar_EG", u"\u0646\u062b\u0631\u062e\u062c\u0633\u062d"},
        {"vi_VN", u"234567C"}};
    for (const auto& [name, initials] : kInitials) {
        fake.localeImpl.set(dev::LocaleData::fromName(name));
        RefreshLocaleCache();
        BuildLocaleNameLists();
        std::u16string got = app().names.dayInitials, want(initials);
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want) << name;
    }
}

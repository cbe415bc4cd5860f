// The main window with the program's real views over city files of the tests' own: London, a
// place at 78° N that no shipped city reaches, and Sydney for the southern hemisphere.
#pragma once

#include "app/viewregistry.h"
#include "cities/cityrecord.h"
#include "device/fake.h"
#include "device/files.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"
#include "tests/support/windowtest.h"

#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace hv::astrotest {

using testsupport::at;

// Positions in the continent lists (sorted by name).
inline constexpr int kLondon = 0;       // Europe
inline constexpr int kLongyearbyen = 1; // Europe, 78° N 15° E
inline constexpr int kSydney = 0;       // Australia

inline CityRecord city(std::u16string_view name, int latD, int latM, bool north, int lonD, int lonM,
                       bool east, int continent) {
    CityRecord r{};
    r.setName(name);
    r.latDegrees = static_cast<int16_t>(latD);
    r.latMinutes = static_cast<int16_t>(latM);
    r.north = north;
    r.lonDegrees = static_cast<int16_t>(lonD);
    r.lonMinutes = static_cast<int16_t>(lonM);
    r.east = east;
    r.continent = static_cast<uint8_t>(continent);
    return r;
}

// A zone of a fixed offset east of UTC, without daylight saving.
inline dev::TimeZoneInformation fixedZone(int minutesEast) {
    dev::TimeZoneInformation tz{};
    tz.Bias = -minutesEast;
    return tz;
}
// London: UTC in winter, one hour ahead from the last Sunday of March to the last of October.
inline dev::TimeZoneInformation londonZone() {
    dev::TimeZoneInformation tz = dev::zoneCentralEurope();
    tz.Bias = 0;
    tz.DaylightDate.hour = 1;
    tz.StandardDate.hour = 2;
    return tz;
}

class AstroViews : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fake.localeImpl.set(dev::LocaleData::fromName("en_GB"));
        fake.clockImpl.setZone(dev::zoneUtc());
        writeCities();
    }
    void TearDown() override { resetAppState(); }

    void writeCities() {
        std::filesystem::create_directories(fake.host(dataFilePath(u"settings.dat")).parent_path());
        const CityRecord europe[] = {city(u"London", 51, 30, true, 0, 7, false, kEurope),
                                     city(u"Longyearbyen", 78, 0, true, 15, 0, true, kEurope)};
        const CityRecord australia[] = {city(u"Sydney", 33, 52, false, 151, 12, true, kAustralia)};
        save(u"europe.cdb", europe, sizeof europe);
        save(u"australia.cdb", australia, sizeof australia);
    }
    void save(std::u16string_view name, const void* bytes, size_t size) {
        ASSERT_TRUE(dev::saveWholeFile(dataFilePath(name), bytes, size));
    }
    // The settings file with the home city and the status bar's Sunrise and Sunset parts.
    void setHome(int continent, int index) {
        SettingsRecord s{};
        fillSettingsDefaults(s);
        s.homeContinent = static_cast<uint32_t>(continent);
        s.homeCity = static_cast<uint32_t>(index);
        s.statusLeft = 4;
        s.statusCentral = 5;
        ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), &s, sizeof s));
    }
    std::unique_ptr<shell::MainWindow> startWindow() { return testsupport::startMainWindow(); }
    void showView(shell::MainWindow& w, int v) { testsupport::showView(w, v); }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
};

// Writes what the window shows when HV_SCREENSHOT_DIR names a folder (docs/screenshots); the
// file name carries the scale factor the run was started with.
inline void maybeScreenshot(shell::MainWindow& w, const QString& name) {
    const QString dir = qEnvironmentVariable("HV_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QApplication::processEvents();
    const QImage img = w.grab().toImage();
    const int scale = qRound(img.width() / 480.0);
    QDir().mkpath(dir);
    img.save(QDir(dir).filePath(QStringLiteral("%1@%2x.png").arg(name).arg(scale)));
}

} // namespace hv::astrotest

// The main window with the program's real views over the shipped city files, on the fake device
// with a set clock, zone and locale.
#pragma once

#include "app/viewregistry.h"
#include "cities/cityrecord.h"
#include "device/fake.h"
#include "device/files.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace hv::citiestest {

// Positions in the shipped continent lists.
inline constexpr int kLondon = 40;  // Europe
inline constexpr int kBerlin = 8;   // Europe
inline constexpr int kNewYork = 97; // North America

inline dev::SystemTime at(int y, int mo, int d, int h, int mi) {
    dev::SystemTime t{};
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint16_t>(mo);
    t.day = static_cast<uint16_t>(d);
    t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(mi);
    return t;
}

inline QRgb pixel(const QImage& img, int x, int y) {
    return img.pixel(x, y) & 0xffffff;
}

// Dark (text) pixels inside a rectangle of a rendered window.
inline int darkPixels(const QImage& img, const tk::RECT& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += qGray(img.pixel(x, y)) < 96;
    return n;
}

class CitiesWindow : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fake.localeImpl.set(dev::LocaleData::fromName("en_US"));
        fake.clockImpl.setZone(dev::zoneUtc());
        fake.clockImpl.setUtc(at(2026, 12, 8, 12, 0));
        installCityFiles();
    }
    void TearDown() override {
        QApplication::processEvents();
        resetAppState();
    }

    void installCityFiles() {
        const auto folder = fake.host(dataFilePath(u"settings.dat")).parent_path();
        std::filesystem::create_directories(folder);
        for (const char* name : {"africa", "asia", "australia", "europe", "namerica", "samerica"})
            std::filesystem::copy_file(std::filesystem::path(HV_DATA_DIR) /
                                           (std::string(name) + ".cdb"),
                                       folder / (std::string(name) + ".cdb"),
                                       std::filesystem::copy_options::overwrite_existing);
    }
    // The settings file, changed by the test first.
    void writeSettings(const std::function<void(SettingsRecord&)>& change = {}) {
        SettingsRecord s{};
        fillSettingsDefaults(s);
        if (change)
            change(s);
        ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), &s, sizeof s));
    }
    std::unique_ptr<shell::MainWindow> startWindow(bool checkZone = false) {
        auto w = std::make_unique<shell::MainWindow>(shell::CommandLine{}, registry::makeView);
        if (!checkZone)
            w->homeLocationDiffers = [] { return false; };
        EXPECT_TRUE(w->start());
        QApplication::processEvents();
        return w;
    }
    void showView(shell::MainWindow& w, int v) {
        w.setSelectedView(v);
        w.switchView();
        QApplication::processEvents();
    }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
};

// Writes what the window shows when HV_SCREENSHOT_DIR names a folder (docs/screenshots):
// name.png at scale 1, name@2x.png at the scale factor 2 the run was started with.
inline void maybeScreenshot(QWidget& w, const QString& name) {
    const QString dir = qEnvironmentVariable("HV_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QApplication::processEvents();
    const QImage img = w.grab().toImage();
    const int scale = qRound(img.width() / 480.0);
    QDir().mkpath(dir);
    const QString file = scale == 1 ? QStringLiteral("%1.png").arg(name)
                                    : QStringLiteral("%1@%2x.png").arg(name).arg(scale);
    img.save(QDir(dir).filePath(file));
}

} // namespace hv::citiestest

// The main window with the program's real views over the shipped city files, on the fake device
// with a set clock, zone and locale.
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

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace hv::citiestest {

using testsupport::at;
using testsupport::maybeScreenshot;
using testsupport::pixel;

// Positions in the shipped continent lists.
inline constexpr int kLondon = 40;  // Europe
inline constexpr int kBerlin = 8;   // Europe
inline constexpr int kNewYork = 97; // North America

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
        return testsupport::startMainWindow({}, checkZone);
    }
    void showView(shell::MainWindow& w, int v) { testsupport::showView(w, v); }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
};

} // namespace hv::citiestest

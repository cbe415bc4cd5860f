// The main window with the program's real Stopwatch and Events views against the fake device with
// a set clock (UTC zone, en_US locale), and the taps the tests drive them with.
#pragma once

#include "app/viewregistry.h"
#include "device/fake.h"
#include "device/files.h"
#include "items/events.h"
#include "items/stopwatch.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"
#include "toolkit/controls/droplist.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace hv::eventstest {

inline dev::SystemTime at(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0) {
    dev::SystemTime t{};
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint16_t>(mo);
    t.day = static_cast<uint16_t>(d);
    t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(mi);
    t.second = static_cast<uint16_t>(s);
    t.milliseconds = static_cast<uint16_t>(ms);
    return t;
}

inline void pump() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

class ItemViews : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        items::events() = items::Events{};
        items::stopwatch() = items::Stopwatch{};
        items::stopwatch().random = [] { return 5; };
        fake.localeImpl.set(dev::LocaleData::fromName("en_US"));
        fake.clockImpl.setZone(dev::zoneUtc());
        fake.clockImpl.setLocal(at(2026, 3, 14, 10, 0, 0));
    }
    void TearDown() override {
        pump();
        items::stopwatch().random = nullptr;
        resetAppState();
    }
    void setClock(const dev::SystemTime& t) { fake.clockImpl.setLocal(t); }
    void advance(uint64_t ms) { fake.clockImpl.advanceMs(ms); }

    // The settings file as the program would find it.
    void writeSettings(const std::function<void(SettingsRecord&)>& change) {
        SettingsRecord s{};
        fillSettingsDefaults(s);
        change(s);
        std::filesystem::create_directories(fake.host(dataFilePath(u"settings.dat")).parent_path());
        ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), &s, sizeof s));
    }
    // Two sounds in the device's \Windows folder for the sound picker to list.
    void writeSounds() {
        for (const char16_t* name : {u"\\Windows\\Alarm1.wav", u"\\Windows\\Alarm2.wav"}) {
            std::filesystem::create_directories(fake.host(name).parent_path());
            std::ofstream(fake.host(name)) << "RIFF";
        }
    }
    std::unique_ptr<shell::MainWindow> startWindow() {
        auto w = std::make_unique<shell::MainWindow>(shell::CommandLine{}, registry::makeView);
        w->homeLocationDiffers = [] { return false; };
        EXPECT_TRUE(w->start());
        pump();
        return w;
    }
    void showView(shell::MainWindow& w, int v) {
        w.setSelectedView(v);
        w.switchView();
        pump();
    }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
};

// Chooses a row of a drop list the way the stylus does.
inline void choose(tk::DropList& drop, int row) {
    tk::DropListB* list = drop.engine();
    list->Open();
    ASSERT_TRUE(list->isOpen());
    const QPoint inRow(40, 2 + (row - list->firstVisible()) * list->rowHeight() +
                               list->rowHeight() / 2);
    QTest::mousePress(list->popup(), Qt::LeftButton, {}, inRow);
    QTest::mouseRelease(list->popup(), Qt::LeftButton, {}, inRow);
    pump();
}

// Writes what the window shows when HV_SCREENSHOT_DIR names a folder (docs/screenshots); the
// file name carries the scale factor the run was started with (none at scale 1).
inline void maybeScreenshot(QWidget& w, const QString& name) {
    const QString dir = qEnvironmentVariable("HV_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    pump();
    const QImage img = w.grab().toImage();
    const int scale = qRound(img.width() / 480.0);
    QDir().mkpath(dir);
    const QString file = scale == 1 ? QStringLiteral("%1.png").arg(name)
                                    : QStringLiteral("%1@%2x.png").arg(name).arg(scale);
    img.save(QDir(dir).filePath(file));
}

} // namespace hv::eventstest

// The main window with the program's real Alarms and Timers views against the fake device with a
// set clock and zone: helpers that tap the real windows and read the stored files.
#pragma once

#include "app/viewregistry.h"
#include "device/fake.h"
#include "device/files.h"
#include "items/alarms.h"
#include "items/timers.h"
#include "items/ui/alarmsview.h"
#include "items/ui/timersview.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace hv::alarmstest {

inline dev::SystemTime at(int y, int mo, int d, int h, int mi, int s = 0) {
    dev::SystemTime t{};
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint16_t>(mo);
    t.day = static_cast<uint16_t>(d);
    t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(mi);
    t.second = static_cast<uint16_t>(s);
    return t;
}

inline void pump() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// A tap on a child window at a point of its own (the centre when none is given).
inline void tap(tk::HWND w, QPoint p = {-1, -1}) {
    ASSERT_NE(w, nullptr);
    if (p.x() < 0)
        p = w->rect().center();
    QTest::mouseClick(w, Qt::LeftButton, {}, p);
    pump();
}

// Reads a whole device file (empty when missing).
inline std::vector<uint8_t> fileBytes(std::u16string_view devicePath) {
    return dev::readWholeFile(devicePath).value_or(std::vector<uint8_t>{});
}

class ItemViews : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fake.localeImpl.set(dev::LocaleData::fromName("en_GB"));
        fake.clockImpl.setZone(dev::zoneUtc());
        // Saturday 14 March 2026, 10:00.
        fake.clockImpl.setLocal(at(2026, 3, 14, 10, 0));
        std::filesystem::create_directories(fake.host(dataFilePath(u"settings.dat")).parent_path());
    }
    void TearDown() override {
        window.reset();
        pump();
        resetAppState();
    }
    shell::MainWindow& start(const shell::CommandLine& cmd = {}) {
        window = std::make_unique<shell::MainWindow>(cmd, registry::makeView);
        window->homeLocationDiffers = [] { return false; };
        EXPECT_TRUE(window->start());
        pump();
        return *window;
    }
    void showView(int v) {
        window->setSelectedView(v);
        window->switchView();
        pump();
    }
    itemsui::MAlarms& alarmsView() {
        return *static_cast<itemsui::MAlarms*>(window->view(shell::kAlarms));
    }
    itemsui::MTimers& timersView() {
        return *static_cast<itemsui::MTimers*>(window->view(shell::kTimers));
    }
    // One tick a second later, as the main window's timer gives it.
    void nextSecond() {
        fake.clockImpl.advanceMs(1000);
        window->tick();
        pump();
    }
    std::vector<dev::TimedRegistration> registrations() { return fake.notificationsImpl.list(); }
    // The alarm record as stored in data\alarms.dat.
    items::AlarmRecord storedAlarm(int index) {
        items::AlarmRecord r{};
        const std::vector<uint8_t> b = fileBytes(dataFilePath(items::kAlarmsFileName));
        if (b.size() >= (static_cast<size_t>(index) + 1) * sizeof r)
            std::memcpy(&r, b.data() + static_cast<size_t>(index) * sizeof r, sizeof r);
        return r;
    }
    items::TimerRecord storedTimer(int index) {
        items::TimerRecord r{};
        const std::vector<uint8_t> b = fileBytes(dataFilePath(items::kTimersFileName));
        if (b.size() >= (static_cast<size_t>(index) + 1) * sizeof r)
            std::memcpy(&r, b.data() + static_cast<size_t>(index) * sizeof r, sizeof r);
        return r;
    }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    std::unique_ptr<shell::MainWindow> window;
};

// Writes what the window shows when HV_SCREENSHOT_DIR names a folder (docs/screenshots): name.png
// at scale 1, name@2x.png at the scale factor 2 the run was started with.
inline void maybeScreenshot(shell::MainWindow& w, const QString& name) {
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

} // namespace hv::alarmstest

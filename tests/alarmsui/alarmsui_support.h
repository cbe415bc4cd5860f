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
#include "tests/support/windowtest.h"

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

using testsupport::at;
using testsupport::maybeScreenshot;
using testsupport::pump;

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
        window = testsupport::startMainWindow(cmd);
        return *window;
    }
    void showView(int v) { testsupport::showView(*window, v); }
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

} // namespace hv::alarmstest

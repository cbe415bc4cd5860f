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
#include "tests/support/windowtest.h"
#include "toolkit/controls/droplist.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace hv::eventstest {

using testsupport::at;
using testsupport::maybeScreenshot;
using testsupport::pump;

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
    std::unique_ptr<shell::MainWindow> startWindow() { return testsupport::startMainWindow(); }
    void showView(shell::MainWindow& w, int v) { testsupport::showView(w, v); }

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

} // namespace hv::eventstest

// The device tree the picker tests browse: a few sounds in \Windows, programs, a sub-folder and
// an empty folder, in a fake device with a recording sound service.
#pragma once

#include "device/fake.h"
#include "guitest.h"
#include "settings/settings.h"
#include "toolkit/window/SDraw.h"

#include <QTest>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace hv::tk::test {

class PickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        for (const char16_t* f :
             {u"\\Windows\\Alarm1.wav", u"\\Windows\\Alarm3.wav", u"\\Windows\\alarm2.WAV",
              u"\\Windows\\Readme.txt", u"\\Windows\\wmplayer.exe", u"\\Windows\\Pocket.EXE",
              u"\\Windows\\Sounds\\Chime.wav", u"\\My Music\\song.wav"})
            touch(f);
        std::filesystem::create_directories(fake.host(u"\\Empty"));
        screen = makeScreen();
    }
    void TearDown() override {
        screen.reset();
        pump();
    }
    void touch(std::u16string_view devicePath) {
        const auto p = fake.host(devicePath);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p) << "RIFF";
    }
    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    SDrawBasic resources; // the shared fonts and pictures live while a test runs
    std::unique_ptr<QWidget> screen;
};

} // namespace hv::tk::test

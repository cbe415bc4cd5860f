// What a Preferences confirmation does with the screen-saver choice, against the fake device:
// the stored record, the launcher's registration and start, the settings file and the signal.
#include "device/fake.h"
#include "device/files.h"
#include "screensaver/exceptions.h"
#include "settings/settings.h"

#include <cstring>

#include <gtest/gtest.h>

using namespace hv;

namespace {

class ScreenSaverChoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fillSettingsDefaults(app().settings);
        app().settings.screenSaverOn = 0;
    }
    bool registered() { return !fake.notificationsImpl.listRunAtEvent().empty(); }
    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
};

} // namespace

TEST_F(ScreenSaverChoiceTest, EachTransitionRegistersStartsOrUnregistersAndAlwaysSavesAndSignals) {
    // A launcher's handle on the change event, so that its state can be read.
    const dev::EventHandle change = fake.eventsImpl.create(kLauncherSettingsEvent, false, nullptr);
    LauncherSignals signals;
    bool saved = false;

    // Off and kept off (the box never shown): unregistered, saved, signalled.
    EXPECT_EQ(applyScreenSaverChoice({1, 3, std::nullopt}, signals, &saved),
              LauncherAction::Unregistered);
    EXPECT_TRUE(saved);
    EXPECT_EQ(app().settings.screenSaverSkin, 1);
    EXPECT_EQ(app().settings.screenSaverTimeout, 3);
    EXPECT_TRUE(fake.eventsImpl.isSetByName(kLauncherSettingsEvent));

    // Switched on with no launcher running: registered and started once.
    fake.eventsImpl.reset(change);
    EXPECT_EQ(applyScreenSaverChoice({2, 4, true}, signals, &saved),
              LauncherAction::RegisteredAndStarted);
    EXPECT_TRUE(registered());
    EXPECT_EQ(fake.shellImpl.started.size(), 1u);
    EXPECT_EQ(app().settings.screenSaverOn, 1);
    SettingsRecord onDisk{};
    const auto bytes = dev::readWholeFile(dataFilePath(u"settings.dat"));
    ASSERT_TRUE(bytes && bytes->size() == sizeof onDisk);
    std::memcpy(&onDisk, bytes->data(), sizeof onDisk);
    EXPECT_EQ(onDisk.screenSaverOn, 1);
    EXPECT_EQ(onDisk.screenSaverSkin, 2);

    // Already on: kept, saved, signalled, no second start.
    fake.eventsImpl.reset(change);
    EXPECT_EQ(applyScreenSaverChoice({2, 4, true}, signals), LauncherAction::Kept);
    EXPECT_EQ(fake.shellImpl.started.size(), 1u);
    EXPECT_TRUE(fake.eventsImpl.isSetByName(kLauncherSettingsEvent));

    // Switched off: unregistered.
    EXPECT_EQ(applyScreenSaverChoice({2, 4, false}, signals), LauncherAction::Unregistered);
    EXPECT_FALSE(registered());
    EXPECT_EQ(app().settings.screenSaverOn, 0);
    fake.eventsImpl.close(change);
}

TEST_F(ScreenSaverChoiceTest, ARunningLauncherIsNotStartedAgainAndAFailedStartIsIgnored) {
    const dev::EventHandle running = fake.eventsImpl.create(kLauncherRunningEvent, true, nullptr);
    LauncherSignals signals;
    EXPECT_TRUE(signals.launcherRunning());
    EXPECT_EQ(applyScreenSaverChoice({0, 0, true}, signals), LauncherAction::Registered);
    EXPECT_TRUE(fake.shellImpl.started.empty());
    // The launcher ends: it resets its event and lets go of it.
    fake.eventsImpl.reset(running);
    fake.eventsImpl.close(running);

    app().settings.screenSaverOn = 0;
    fake.shellImpl.failStart = true;
    LauncherSignals alone;
    EXPECT_FALSE(alone.launcherRunning());
    EXPECT_EQ(applyScreenSaverChoice({0, 0, true}, alone), LauncherAction::RegisteredAndStarted);
    EXPECT_EQ(app().settings.screenSaverOn, 1);
    EXPECT_TRUE(fake.messageBoxesImpl.shown.empty());
}

TEST_F(ScreenSaverChoiceTest, ASettingsFileThatCannotBeSavedIsReportedAndTheLauncherStillHears) {
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), std::vector<uint8_t>(368, 0)));
    auto held =
        dev::ExclusiveFile::open(dataFilePath(u"settings.dat"), dev::OpenMode::ReadExisting);
    ASSERT_TRUE(held.isOpen());
    const dev::EventHandle change = fake.eventsImpl.create(kLauncherSettingsEvent, false, nullptr);
    LauncherSignals signals;
    bool saved = true;
    applyScreenSaverChoice({0, 0, false}, signals, &saved);
    EXPECT_FALSE(saved);
    ASSERT_EQ(fake.messageBoxesImpl.shown.size(), 1u);
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].text, u"Can't save settings file");
    EXPECT_TRUE(fake.eventsImpl.isSetByName(kLauncherSettingsEvent));
    fake.eventsImpl.close(change);
}

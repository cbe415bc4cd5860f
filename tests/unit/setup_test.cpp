// setup.dll loaded the way the device installer loads it, against the fake device: the removal
// hook clears every registration, switches the screen saver off and deletes the data files.
#include "device/fake.h"
#include "device/files.h"
#include "device/paths.h"
#include "launcher/launcher.h"
#include "screensaver/exceptions.h"
#include "settings/settings.h"
#include "setup/setup_hook.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sys/stat.h>

using namespace hv;

namespace {

constexpr char16_t kDir[] = u"\\Program Files\\Brinwick\\Horavel";

struct Hook {
    Hook() {
        lib = dlopen(HV_SETUP_DLL, RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return;
        installInit = reinterpret_cast<InstallInitFn>(dlsym(lib, kInstallInitName));
        installExit = reinterpret_cast<InstallExitFn>(dlsym(lib, kInstallExitName));
        uninstallInit = reinterpret_cast<UninstallInitFn>(dlsym(lib, kUninstallInitName));
        uninstallExit = reinterpret_cast<UninstallExitFn>(dlsym(lib, kUninstallExitName));
        useDevice = reinterpret_cast<SetupUseDeviceFn>(dlsym(lib, kSetupUseDeviceName));
    }
    ~Hook() {
        if (useDevice)
            useDevice(nullptr);
        if (lib)
            dlclose(lib);
    }
    void* lib = nullptr;
    InstallInitFn installInit = nullptr;
    InstallExitFn installExit = nullptr;
    UninstallInitFn uninstallInit = nullptr;
    UninstallExitFn uninstallExit = nullptr;
    SetupUseDeviceFn useDevice = nullptr;
};

void putHandle(std::vector<uint8_t>& file, size_t offset, uint32_t h) {
    std::memcpy(file.data() + offset, &h, 4);
}

} // namespace

TEST(SetupHook, ExportsTheFourEntryPoints) {
    Hook hook;
    ASSERT_NE(hook.lib, nullptr) << dlerror();
    ASSERT_TRUE(hook.installInit && hook.installExit && hook.uninstallInit && hook.uninstallExit &&
                hook.useDevice);
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    hook.useDevice(&fake);
    EXPECT_EQ(hook.installInit(nullptr, 1, 0, kDir), 0);
    EXPECT_EQ(hook.installExit(nullptr, kDir, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(readInstallFolderValue(), std::u16string(kDir) + u"\\");
    EXPECT_EQ(hook.uninstallExit(nullptr), 0);
    EXPECT_EQ(dlsym(hook.lib, "_ZN2hv3dev7currentEv"), nullptr); // the device layer stays inside
}

TEST(SetupHook, UninstallClearsEverythingAndEndsTheLauncher) {
    Hook hook;
    ASSERT_TRUE(hook.uninstallInit && hook.useDevice);
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    hook.useDevice(&fake);
    fake.setModulePath(std::u16string(kDir) + u"\\Horavel.exe");
    ASSERT_TRUE(writeInstallFolderValue());
    auto& n = fake.notificationsImpl;

    n.runAppAtEvent(u"\\Windows\\BHVEvents.exe", dev::RunEvent::TimeChange);
    n.runAppAtEvent(u"\\Windows\\HVTimer.exe", dev::RunEvent::Rs232Detected);
    n.runAppAtEvent(u"\\Program Files\\Brinwick\\Horavel\\data\\HVTimer.exe",
                    dev::RunEvent::Rs232Detected);
    const dev::SystemTime t{2026, 12, 1, 7, 8, 0, 0, 0};
    auto reg = [&] { return n.setTimed(0, u"\\Windows\\BHVEvents.exe", u"x", t, t); };

    SettingsRecord s{};
    fillSettingsDefaults(s);
    s.screenSaverOn = 1;
    s.screenSaverTimeout = 0;
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), &s, sizeof s));
    std::vector<uint8_t> timers(288), alarms(1520), events(8 + 3 * 76);
    putHandle(timers, 72, reg());
    putHandle(alarms, 0, reg());
    putHandle(alarms, 19 * 76, reg());
    putHandle(events, 0, 3);
    putHandle(events, 8 + 2 * 76, reg());
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"timers.dat"), timers));
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"alarms.dat"), alarms));
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"events.dat"), events));
    for (const char16_t* name :
         {u"chimesnd.dat", u"ssaver.dat", u"stopwatch.dat", u"alarmsnd3.dat"})
        ASSERT_TRUE(dev::saveWholeFile(dataFilePath(name), "ab", 2));
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"europe.cdb"), "cdb", 3));
    ASSERT_EQ(n.list().size(), 4u);

    // A launcher runs meanwhile: it gets its turn during the hook's pause.
    fake.eventsImpl.create(launcher::kEventInactive, false, nullptr);
    fake.eventsImpl.create(launcher::kEventActive, false, nullptr);
    fake.shellImpl.processes = {u"explorer.exe"};
    launcher::Launcher l;
    ASSERT_TRUE(l.start());
    launcher::EndReason ended = launcher::EndReason::None;
    fake.clockImpl.onSleep = [&](uint32_t) {
        if (ended == launcher::EndReason::None)
            ended = l.run(1);
    };

    EXPECT_EQ(hook.uninstallInit(nullptr, kDir), 0);
    fake.clockImpl.onSleep = nullptr;

    EXPECT_TRUE(n.listRunAtEvent().empty());
    EXPECT_TRUE(n.list().empty());
    EXPECT_EQ(ended, launcher::EndReason::ScreenSaverOff);
    EXPECT_FALSE(fake.eventsImpl.isSetByName(launcher::kEventRunning));
    EXPECT_TRUE(dev::findFiles(std::u16string(kDir) + u"\\data", u"*.dat").empty());
    EXPECT_TRUE(dev::fileExists(dataFilePath(u"europe.cdb")));
    EXPECT_TRUE(fake.shellImpl.started.empty());
}

TEST(SetupHook, UninstallWithoutDataFilesCreatesNothing) {
    Hook hook;
    ASSERT_TRUE(hook.uninstallInit && hook.useDevice);
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    hook.useDevice(&fake);
    ASSERT_TRUE(dev::saveWholeFile(std::u16string(kDir) + u"\\data\\events.dat", "", 0));
    ASSERT_TRUE(dev::saveWholeFile(std::u16string(kDir) + u"\\data\\timers.dat", "\x05\0\0\0",
                                   4)); // too short
    EXPECT_EQ(hook.uninstallInit(nullptr, kDir), 0);
    EXPECT_FALSE(dev::fileExists(std::u16string(kDir) + u"\\data\\settings.dat"));
    EXPECT_TRUE(dev::findFiles(std::u16string(kDir) + u"\\data", u"*.dat").empty());
    EXPECT_TRUE(fake.notificationsImpl.cleared.empty());
}

// Named pipes in place of the data files hold the removal hook no more than damaged files do.
TEST(SetupHook, UninstallIsNotHeldByNamedPipes) {
    Hook hook;
    ASSERT_TRUE(hook.uninstallInit && hook.useDevice);
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    hook.useDevice(&fake);
    ASSERT_TRUE(dev::createDirectory(std::u16string(kDir) + u"\\data"));
    for (const char16_t* name : {u"settings.dat", u"timers.dat", u"alarms.dat", u"events.dat"})
        ASSERT_EQ(::mkfifo(dev::hostPath(std::u16string(kDir) + u"\\data\\" + name).c_str(), 0600),
                  0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(hook.uninstallInit(nullptr, kDir), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

// A snooze pending at removal ("sn", named in no data file) is cleared too, and a data file held
// by another program at that moment is read again instead of skipping its registrations.
TEST(SetupHook, UninstallClearsAPendingSnoozeAndWaitsForAHeldFile) {
    Hook hook;
    ASSERT_TRUE(hook.uninstallInit && hook.useDevice);
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    hook.useDevice(&fake);
    fake.setModulePath(std::u16string(kDir) + u"\\Horavel.exe");
    ASSERT_TRUE(writeInstallFolderValue());
    auto& n = fake.notificationsImpl;
    const dev::SystemTime t{2026, 12, 1, 7, 8, 0, 0, 0};
    n.setTimed(0, u"\\Windows\\BHVEvents.exe", u"sn", t, {});
    const uint32_t alarm = n.setTimed(0, u"\\Windows\\BHVEvents.exe", u"a01", t, {});
    const uint32_t foreign = n.setTimed(0, u"\\Windows\\Other.exe", u"x", t, {});
    std::vector<uint8_t> alarms(1520);
    putHandle(alarms, 0, alarm);
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"alarms.dat"), alarms));
    auto held = dev::ExclusiveFile::open(dataFilePath(u"alarms.dat"), dev::OpenMode::ReadExisting);
    ASSERT_TRUE(held.isOpen());
    fake.clockImpl.onSleep = [&](uint32_t) { held.close(); };

    EXPECT_EQ(hook.uninstallInit(nullptr, kDir), 0);
    fake.clockImpl.onSleep = nullptr;
    ASSERT_EQ(n.list().size(), 1u);
    EXPECT_EQ(n.list()[0].handle, foreign);
    // The alarm's handle was cleared from its record, read once the file was free.
    ASSERT_GE(n.cleared.size(), 1u);
    EXPECT_EQ(n.cleared.front(), alarm);
}

// The screen-saver launcher's loop against the fake device: a set clock, scripted user-activity
// events and a recorded shell.
#include "device/fake.h"
#include "device/files.h"
#include "device/real.h"
#include "launcher/launcher.h"
#include "screensaver/exceptions.h"
#include "settings/settings.h"
#include "settings/soundpath.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

using namespace hv;
using namespace hv::launcher;

namespace {

constexpr char16_t kMain[] = u"\\Program Files\\Brinwick\\Horavel\\Horavel.exe";

class Launch : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fake.setModulePath(kMain);
        ASSERT_TRUE(writeInstallFolderValue());
        // The system provides the user-activity events.
        fake.eventsImpl.create(kEventInactive, false, nullptr);
        fake.eventsImpl.create(kEventActive, false, nullptr);
        fake.shellImpl.processes = {u"explorer.exe", u"HVTimer.exe"};
        writeSettings(true, 2, 4);
    }
    void writeSettings(bool on, uint8_t skin, uint8_t timeout) {
        SettingsRecord r{};
        fillSettingsDefaults(r);
        r.screenSaverOn = on;
        r.screenSaverSkin = skin;
        r.screenSaverTimeout = timeout;
        ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), &r, sizeof r));
    }
    void writeExceptions(const std::vector<std::u16string>& names) {
        ASSERT_TRUE(
            dev::saveWholeFile(dataFilePath(kExceptionFileName), encodeExceptionList(names)));
    }
    void setUserActive(bool active) {
        fake.eventsImpl.setByName(kEventActive, active);
        fake.eventsImpl.setByName(kEventInactive, !active);
    }
    bool running() const { return fake.eventsImpl.isSetByName(kEventRunning); }
    size_t starts() const { return fake.shellImpl.started.size(); }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
};

} // namespace

TEST(LauncherTable, TimeoutIndices) {
    EXPECT_EQ(timeoutMsForIndex(0, 7), 60000u);
    EXPECT_EQ(timeoutMsForIndex(4, 7), 300000u);
    EXPECT_EQ(timeoutMsForIndex(5, 7), 420000u);
    EXPECT_EQ(timeoutMsForIndex(10, 7), 3600000u);
    EXPECT_EQ(timeoutMsForIndex(11, 7), 7u);
    EXPECT_EQ(timeoutMsForIndex(255, 0), 0u);
}

TEST_F(Launch, StartUpReadsTheInstallFolderAndSettings) {
    Launcher l;
    ASSERT_TRUE(l.start());
    EXPECT_EQ(l.installFolder(), u"\\Program Files\\Brinwick\\Horavel\\");
    EXPECT_EQ(l.mainProgramPath(), kMain);
    EXPECT_EQ(l.launchParameters(), u"s2");
    EXPECT_EQ(l.timeoutMs(), 300000u);
    EXPECT_TRUE(running());
}

TEST_F(Launch, StartsTheSaverAfterEachPeriodOfInactivity) {
    setUserActive(false);
    Launcher l;
    ASSERT_TRUE(l.start());
    EXPECT_EQ(l.run(29), EndReason::None);
    EXPECT_EQ(starts(), 0u); // 290 s
    EXPECT_EQ(l.run(1), EndReason::None);
    ASSERT_EQ(starts(), 1u); // 300 s
    EXPECT_EQ(fake.shellImpl.started[0].first, kMain);
    EXPECT_EQ(fake.shellImpl.started[0].second, u"s2");
    EXPECT_EQ(fake.clockImpl.tickCount(), 300000u);
    EXPECT_EQ(l.run(29), EndReason::None);
    EXPECT_EQ(starts(), 1u);
    EXPECT_EQ(l.run(1), EndReason::None);
    EXPECT_EQ(starts(), 2u); // again after a further 300 s
    EXPECT_TRUE(running());
}

TEST_F(Launch, ActivityRestartsTheCount) {
    setUserActive(false);
    Launcher l;
    ASSERT_TRUE(l.start());
    l.run(20); // 200 s inactive
    setUserActive(true);
    l.run(3); // wakes on activity, then 200 ms slices
    EXPECT_EQ(l.idleMs(), 0u);
    setUserActive(false);
    l.run(29);
    EXPECT_EQ(starts(), 0u);
    l.run(2);
    EXPECT_EQ(starts(), 1u);
}

// The idle time follows the device clock: a device time set forward during a counting slice counts
// whole, one set back still counts the slice's ten seconds.
TEST_F(Launch, IdleTimeFollowsTheDeviceClockForwardButNeverBack) {
    setUserActive(false);
    Launcher l;
    ASSERT_TRUE(l.start());
    int waits = 0;
    fake.eventsImpl.onWait = [&](const std::vector<dev::EventHandle>&, uint32_t) {
        const dev::FileTime now = fake.clockImpl.utcNow();
        if (++waits == 1)
            fake.clockImpl.setUtc(now - 3600 * dev::kTicksPerSecond);
        else if (waits == 2)
            fake.clockImpl.setUtc(now + 280 * dev::kTicksPerSecond);
    };
    l.run(1);
    EXPECT_EQ(l.idleMs(), 10000u);
    EXPECT_EQ(starts(), 0u);
    l.run(1); // 10 s + 280 s + 10 s of the time-out of 300 s
    EXPECT_EQ(starts(), 1u);
    EXPECT_EQ(fake.clockImpl.tickCount(), 20000u);
}

TEST_F(Launch, ExceptionNamesAreCaseSensitive) {
    writeExceptions({u"wmplayer.exe", u"games.exe"});
    fake.shellImpl.processes.push_back(u"games.exe");
    setUserActive(false);
    {
        Launcher l;
        ASSERT_TRUE(l.start());
        ASSERT_EQ(l.exceptions().size(), 2u);
        l.run(60);
        EXPECT_EQ(starts(), 0u);
    }
    fake.shellImpl.processes.back() = u"Games.exe";
    Launcher l;
    ASSERT_TRUE(l.start());
    l.run(30);
    EXPECT_EQ(starts(), 1u);
}

TEST_F(Launch, NoProcessListCountsAsAnExceptionRunning) {
    fake.shellImpl.processes.clear();
    setUserActive(false);
    Launcher l;
    ASSERT_TRUE(l.start());
    l.run(40);
    EXPECT_EQ(starts(), 0u);
}

TEST_F(Launch, SettingsChangeWithTheSaverOffEnds) {
    setUserActive(true);
    Launcher l;
    ASSERT_TRUE(l.start());
    int waits = 0;
    fake.eventsImpl.onWait = [&](const std::vector<dev::EventHandle>&, uint32_t) {
        if (++waits == 5) {
            writeSettings(false, 2, 4);
            fake.eventsImpl.setByName(kEventSettingsChange, true);
        }
    };
    EXPECT_EQ(l.run(100), EndReason::ScreenSaverOff);
    EXPECT_EQ(waits, 5);
    EXPECT_FALSE(running());
    EXPECT_FALSE(fake.eventsImpl.isSetByName(kEventSettingsChange));
}

TEST_F(Launch, ReloadTakesTheNewSkinAndTimeoutWithoutResettingTheCount) {
    setUserActive(false);
    Launcher l;
    ASSERT_TRUE(l.start());
    l.run(10); // 100 s counted
    writeSettings(true, 0, 0);
    writeExceptions({u"notes.exe"});
    fake.eventsImpl.setByName(kEventSettingsChange, true);
    l.run(1); // woken by the change: reload
    EXPECT_EQ(l.launchParameters(), u"s0");
    EXPECT_EQ(l.timeoutMs(), 60000u);
    EXPECT_EQ(l.exceptions(), std::vector<std::u16string>{u"notes.exe"});
    EXPECT_FALSE(fake.eventsImpl.isSetByName(kEventSettingsChange));
    l.run(1); // next counting slice: 110 s >= 60 s
    ASSERT_EQ(starts(), 1u);
    EXPECT_EQ(fake.shellImpl.started[0].second, u"s0");
}

TEST_F(Launch, UnreadableSettingsAtAReloadKeepThePreviousValues) {
    setUserActive(false);
    Launcher l;
    ASSERT_TRUE(l.start());
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), "short", 5));
    fake.eventsImpl.setByName(kEventSettingsChange, true);
    EXPECT_EQ(l.run(3), EndReason::None);
    EXPECT_EQ(l.launchParameters(), u"s2");
    EXPECT_TRUE(running());
    // A settings file that is gone altogether (the package removed) ends the launcher.
    dev::deleteFile(dataFilePath(u"settings.dat"));
    fake.eventsImpl.setByName(kEventSettingsChange, true);
    EXPECT_EQ(l.run(3), EndReason::ScreenSaverOff);
    EXPECT_FALSE(running());
}

TEST_F(Launch, ASecondLauncherEndsAtOnce) {
    Launcher first;
    ASSERT_TRUE(first.start());
    Launcher second;
    EXPECT_FALSE(second.start());
    EXPECT_EQ(second.endReason(), EndReason::AlreadyRunning);
    EXPECT_TRUE(running()); // the first one's event stays set
}

TEST_F(Launch, EndsAtOnceWhenTheSaverIsOffOrTheSettingsAreMissing) {
    writeSettings(false, 1, 1);
    {
        Launcher l;
        EXPECT_FALSE(l.start());
        EXPECT_EQ(l.endReason(), EndReason::ScreenSaverOff);
        EXPECT_FALSE(running());
    }
    dev::deleteFile(dataFilePath(u"settings.dat"));
    Launcher l;
    EXPECT_FALSE(l.start());
    EXPECT_EQ(l.endReason(), EndReason::ScreenSaverOff);
    EXPECT_FALSE(running());
}

TEST(LauncherSystem, EndsWithoutTheUserActivityEvents) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    Launcher l;
    EXPECT_FALSE(l.start());
    EXPECT_EQ(l.endReason(), EndReason::NoActivityEvents);
    EXPECT_FALSE(fake.eventsImpl.isSetByName(kEventRunning));
    EXPECT_FALSE(fake.eventsImpl.exists(kEventInactive)); // the handle it made is closed again
}

TEST_F(Launch, EndsAfterMoreThanFourAndAHalfSecondsOnBattery) {
    setUserActive(true);
    Launcher l;
    ASSERT_TRUE(l.start());
    l.run(10);
    const uint64_t unplugged = fake.clockImpl.tickCount();
    fake.shellImpl.externalPower = false;
    EXPECT_EQ(l.run(1000), EndReason::OnBattery);
    const uint64_t after = fake.clockImpl.tickCount() - unplugged;
    EXPECT_GT(after, 4500u);
    EXPECT_LE(after, 4800u);
    EXPECT_FALSE(running());
}

TEST_F(Launch, BriefBatteryAndIdleOnBatteryStartNothing) {
    setUserActive(false);
    Launcher l;
    ASSERT_TRUE(l.start());
    l.run(29);
    fake.shellImpl.externalPower = false;
    l.run(1); // 300 s reached but on battery: no start, first sighting of battery
    EXPECT_EQ(starts(), 0u);
    fake.shellImpl.externalPower = true;
    l.run(1); // back on power: starts, the battery count is cleared
    EXPECT_EQ(starts(), 1u);
    fake.shellImpl.externalPower = false;
    l.run(1);
    EXPECT_EQ(l.run(1), EndReason::OnBattery);
}

TEST_F(Launch, FailedStartIsIgnoredAndTheCountRestarts) {
    fake.shellImpl.failStart = true;
    setUserActive(false);
    Launcher l;
    ASSERT_TRUE(l.start());
    l.run(30);
    EXPECT_EQ(l.idleMs(), 0u);
    EXPECT_TRUE(running());
}

// ---- The main program's side -------------------------------------------------------------

TEST(ExceptionFile, SplitsAtNulsAndSkipsEmptyStrings) {
    const auto img =
        encodeExceptionList({u"a.exe", u"", u"bb.exe"}); // "a.exe" NUL NUL "bb.exe" NUL
    ASSERT_EQ(img.size(), (5 + 1 + 1 + 6 + 1) * 2u);
    const auto names = parseExceptionList(img.data(), img.size());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"a.exe", u"bb.exe"}));
    // Odd tail byte and a name without its NUL.
    const uint8_t odd[] = {'x', 0, 0, 0, 'y', 0, 'z'};
    EXPECT_EQ(parseExceptionList(odd, sizeof odd), (std::vector<std::u16string>{u"x", u"y"}));
    EXPECT_TRUE(parseExceptionList(nullptr, 5).empty());
    std::vector<std::u16string> many(200, u"p.exe");
    const auto big = encodeExceptionList(many);
    EXPECT_EQ(parseExceptionList(big.data(), big.size()).size(), kMaxExceptions);
}

TEST(ExceptionList, FillSaveAddDelete) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    fake.setModulePath(kMain);
    const std::u16string path = dataFilePath(kExceptionFileName);

    ExceptionList list;
    ASSERT_TRUE(list.fill()); // missing: the default entry, written
    EXPECT_EQ(list.entries(), std::vector<std::u16string>{u"wmplayer.exe"});
    auto bytes = dev::readWholeFile(path);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, encodeExceptionList({u"wmplayer.exe"}));

    ASSERT_TRUE(
        dev::saveWholeFile(path, encodeExceptionList({u"one.exe", u"two.exe", u"three.exe"})));
    ASSERT_TRUE(list.fill());
    EXPECT_EQ(list.entries(), (std::vector<std::u16string>{u"three.exe", u"two.exe", u"one.exe"}));
    ASSERT_TRUE(list.save());
    EXPECT_EQ(*dev::readWholeFile(path),
              encodeExceptionList({u"one.exe", u"two.exe", u"three.exe"}));

    ASSERT_TRUE(list.add(u"four.exe"));
    EXPECT_EQ(list.entries().front(), u"four.exe");
    EXPECT_EQ(*dev::readWholeFile(path),
              encodeExceptionList({u"one.exe", u"two.exe", u"three.exe", u"four.exe"}));

    list.selectionMark = 2; // "two.exe"
    ASSERT_TRUE(list.deleteSelected());
    EXPECT_EQ(*dev::readWholeFile(path),
              encodeExceptionList({u"one.exe", u"three.exe", u"four.exe"}));
    EXPECT_FALSE(list.deleteSelected()); // no selection
    list.selectionMark = 9;
    EXPECT_FALSE(list.deleteSelected());
}

TEST(LauncherControl, RegisterAndStart) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    ASSERT_TRUE(registerLauncher(true));
    auto regs = fake.notificationsImpl.listRunAtEvent();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].first, u"\\Windows\\HVTimer.exe");
    EXPECT_EQ(regs[0].second, dev::RunEvent::Rs232Detected);
    registerLauncher(false);
    EXPECT_TRUE(fake.notificationsImpl.listRunAtEvent().empty());
    ASSERT_TRUE(startLauncher());
    ASSERT_EQ(fake.shellImpl.started.size(), 1u);
    EXPECT_EQ(fake.shellImpl.started[0].second, u"AppRunAtRs232Detect");
}

TEST(ChimeSound, MissingFileGivesTheDefault) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    resetAppState();
    readChimeSound();
    EXPECT_EQ(app().chimeSound, u"\\Windows\\Alarm1.wav");
}

// The main program's save of settings.dat holds the file for a moment; a launcher reading it
// then waits and tries again instead of taking the screen saver as off.
TEST_F(Launch, SettingsHeldByASaveAreReadAgain) {
    auto held =
        dev::ExclusiveFile::open(dataFilePath(u"settings.dat"), dev::OpenMode::ReadExisting);
    ASSERT_TRUE(held.isOpen());
    int sleeps = 0;
    fake.clockImpl.onSleep = [&](uint32_t) {
        if (++sleeps == 3)
            held.close();
    };
    Launcher l;
    EXPECT_TRUE(l.start());
    EXPECT_EQ(l.launchParameters(), u"s2");
    EXPECT_TRUE(running());
}

namespace {
// The fake device with the real process list of the host.
class HostProcesses : public dev::FakeDevice {
public:
    dev::Shell& shell() override { return realShell; }
    struct Shell : dev::FakeShell {
        std::vector<std::u16string> processNames() override {
            return dev::RealDevice::instance().shell().processNames();
        }
    } realShell;
};
} // namespace

// The real process list names executables by file name: a running main program is recognised
// (it was compared with its full device path and never matched), and no saver is started over it.
TEST(LauncherHost, RecognisesTheRunningMainProgram) {
    HostProcesses device;
    dev::ScopedDevice use(device);
    resetAppState();
    device.setModulePath(kMain);
    ASSERT_TRUE(writeInstallFolderValue());
    device.eventsImpl.create(kEventInactive, false, nullptr);
    device.eventsImpl.create(kEventActive, false, nullptr);
    SettingsRecord r{};
    fillSettingsDefaults(r);
    r.screenSaverOn = 1;
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), &r, sizeof r));

    Launcher l;
    ASSERT_TRUE(l.start());
    // (Other checkouts' tests may run a Horavel.exe on this host meanwhile, so its absence is
    // not asserted first.)
    // A process whose executable is named Horavel.exe, as the installed main program is.
    const auto exe = device.host(kMain);
    std::filesystem::create_directories(exe.parent_path());
    std::filesystem::copy_file("/bin/sleep", exe);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl(exe.c_str(), "Horavel.exe", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    bool seen = false;
    for (int i = 0; i < 200 && !seen; ++i) {
        seen = l.exceptionRunning();
        if (!seen)
            usleep(10000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(seen);
}

// On a host that serves several device roots the main program counts as running only when it runs
// from this root's own file: a copy of the same name serving another root does not keep the screen
// saver away.
TEST(LauncherHost, OnlyTheMainProgramOfThisDeviceRootCounts) {
    namespace fs = std::filesystem;
    const fs::path base =
        fs::temp_directory_path() / ("hv-launcher-roots-" + std::to_string(getpid()));
    fs::remove_all(base);
    const fs::path root = base / "root";
    const fs::path inside = root / "Program Files" / "Brinwick" / "Horavel" / "Horavel.exe";
    const fs::path outside = base / "elsewhere" / "Horavel.exe";
    for (const auto& p : {inside, outside}) {
        fs::create_directories(p.parent_path());
        fs::copy_file("/bin/sleep", p);
    }
    dev::RealDevice& real = dev::RealDevice::instance();
    const fs::path previous = real.root();
    real.setRoot(root);
    auto spawn = [](const fs::path& exe) {
        const pid_t child = fork();
        if (child == 0) {
            execl(exe.c_str(), "Horavel.exe", "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Until the child runs the copy.
        for (int i = 0; i < 300; ++i) {
            std::error_code ec;
            if (fs::read_symlink("/proc/" + std::to_string(child) + "/exe", ec) == exe)
                break;
            usleep(10000);
        }
        return child;
    };
    const pid_t foreign = spawn(outside);
    EXPECT_FALSE(real.shell().programRunning(kMain));
    EXPECT_TRUE(real.shell().programRunning(u"Horavel.exe")); // a bare name matches any copy
    const pid_t own = spawn(inside);
    EXPECT_TRUE(real.shell().programRunning(kMain));
    for (pid_t p : {foreign, own}) {
        kill(p, SIGKILL);
        waitpid(p, nullptr, 0);
    }
    EXPECT_FALSE(real.shell().programRunning(kMain));
    real.setRoot(previous);
    fs::remove_all(base);
}

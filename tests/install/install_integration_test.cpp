// Installs the built package into a temporary device root through Devprobe, Deskinst, the
// desktop application manager and the device installer, checks every placement, leaves pending
// registrations and a running screen-saver launcher behind, then removes the package.
#include "device/daemon_client.h"
#include "device/files.h"
#include "device/paths.h"
#include "device/real.h"
#include "device/registry.h"
#include "device/text.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace hv;
namespace fs = std::filesystem;

namespace {

constexpr char16_t kDir[] = u"\\Program Files\\Brinwick\\Horavel";

template <class Pred> bool waitUntil(Pred pred, double seconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    while (std::chrono::steady_clock::now() < deadline) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return pred();
}

// The real device, seen from the installed main program's place (its data folder).
class AsMainProgram : public dev::Device {
public:
    explicit AsMainProgram(dev::Device& d) : d_(d) {}
    fs::path root() const override { return d_.root(); }
    std::u16string modulePath() const override { return std::u16string(kDir) + u"\\Horavel.exe"; }
    dev::Clock& clock() override { return d_.clock(); }
    dev::TimeSetting& timeSetting() override { return d_.timeSetting(); }
    dev::Notifications& notifications() override { return d_.notifications(); }
    dev::NamedEvents& events() override { return d_.events(); }
    dev::LocaleProvider& locale() override { return d_.locale(); }
    dev::Sound& sound() override { return d_.sound(); }
    dev::Shell& shell() override { return d_.shell(); }
    dev::MessageBoxes& messageBoxes() override { return d_.messageBoxes(); }

private:
    dev::Device& d_;
};

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

void putHandle(std::vector<uint8_t>& file, size_t offset, uint32_t h) {
    std::memcpy(file.data() + offset, &h, 4);
}

} // namespace

TEST(PackageInstall, ThroughTheDesktopChainAndOut) {
    const fs::path top = fs::temp_directory_path() / ("hv-install-" + std::to_string(::getpid()));
    fs::remove_all(top);
    // However the test ends, its roots go, and with them their daemons.
    struct RemovedAtEnd {
        fs::path path;
        ~RemovedAtEnd() {
            std::error_code ec;
            fs::remove_all(path, ec);
        }
    } removedAtEnd{top};
    const fs::path root = top / "device", desktop = top / "desktop";
    fs::create_directories(root);
    ::setenv("HORAVEL_DEVICE", root.c_str(), 1);
    ::setenv("HORAVEL_DESKTOP", desktop.c_str(), 1);
    ::setenv("HORAVEL_DEVICED", HV_DEVICED_PATH, 1);

    // A second installation into another device root (of another desktop) from the same build
    // runs at the same time; neither may see the other's files half written.
    const fs::path other = top / "other";
    fs::create_directories(other);
    const std::string script = "bash " + quote(HV_INSTALL_SCRIPT) + " " + quote(HV_BUILD_DIR) + " ";
    ASSERT_EQ(run(script + quote(root) + " & a=$!; HORAVEL_DESKTOP=" + quote(top / "desktop2") +
                  " " + script + quote(other) + " & b=$!; wait $a && wait $b"),
              0);
    EXPECT_TRUE(fs::exists(dev::hostPath(other, u"\\Windows\\HVTimer.exe")));
    EXPECT_TRUE(fs::exists(dev::hostPath(other, std::u16string(kDir) + u"\\data\\europe.cdb")));

    // Every placement of the package.
    auto exists = [&](std::u16string_view p) { return fs::exists(dev::hostPath(root, p)); };
    for (const char16_t* f :
         {u"\\Program Files\\Brinwick\\Horavel\\setup.dll", u"\\Windows\\HVTimer.exe",
          u"\\Windows\\Alarm1.wav", u"\\Windows\\Alarm5.wav",
          u"\\Windows\\Start Menu\\Programs\\Horavel.lnk",
          u"\\Program Files\\Brinwick\\Horavel\\data\\africa.cdb",
          u"\\Program Files\\Brinwick\\Horavel\\data\\asia.cdb",
          u"\\Program Files\\Brinwick\\Horavel\\data\\australia.cdb",
          u"\\Program Files\\Brinwick\\Horavel\\data\\europe.cdb",
          u"\\Program Files\\Brinwick\\Horavel\\data\\namerica.cdb",
          u"\\Program Files\\Brinwick\\Horavel\\data\\samerica.cdb"})
        EXPECT_TRUE(exists(f)) << dev::toUtf8(f);
    // The main program and the reminder are in the package when this tree builds them.
    if (fs::exists(fs::path(HV_BUILD_DIR) / "shell" / "Horavel.exe")) {
        EXPECT_TRUE(exists(u"\\Program Files\\Brinwick\\Horavel\\Horavel.exe"));
    }

    dev::RealDevice& real = dev::RealDevice::instance();
    real.setRoot(root);
    AsMainProgram asMain(real);
    dev::ScopedDevice use(asMain);
    EXPECT_TRUE(dev::regKeyExists(dev::RegHive::LocalMachine, u"Software\\Brinwick\\Horavel"));
    // The desktop manager names a damaged cabinet as damaged, not as one that does not fit.
    const fs::path broken = top / "broken";
    fs::create_directories(broken);
    std::ofstream(broken / "setup_VGA.ini")
        << "[CEAppManager]\r\nVersion=1.0\r\nComponent=Horavel\r\n"
           "[Horavel]\r\nDescription=Horavel v1.22\r\n"
           "CabFiles=setup_VGA.ARM.cab\r\n";
    std::ofstream(broken / "setup_VGA.ARM.cab") << "MSCF, cut short";
    EXPECT_EQ(run(quote(fs::path(HV_BUILD_DIR) / "desktop-bin" / "CEAPPMGR.EXE") + " " +
                  quote(broken / "setup_VGA.ini") +
                  " 2>&1 | grep -q 'setup_VGA.ARM.cab is damaged'"),
              0);
    // The fresh installation serves the command line before the main program ever ran.
    EXPECT_EQ(readInstallFolderValue(), std::u16string(kDir) + u"\\");
    EXPECT_EQ(run(quote(fs::path(HV_BUILD_DIR) / "cli" / "horavel-cli") + " cities --continent 3" +
                  " | grep -q London"),
              0);

    // The running system: an armed alarm, a running timer, a pending event, the launcher's
    // registration, the screen saver on and its launcher running.
    auto& n = asMain.notifications();
    const dev::SystemTime later{2099, 1, 4, 1, 8, 0, 0, 0};
    auto reg = [&] { return n.setTimed(0, u"\\Windows\\BHVEvents.exe", u"x", later, later); };
    std::vector<uint8_t> alarms(1520), timers(288), events(8 + 76);
    putHandle(alarms, 76, reg());
    putHandle(timers, 0, reg());
    putHandle(events, 0, 1);
    putHandle(events, 8, reg());
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"alarms.dat"), alarms));
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"timers.dat"), timers));
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"events.dat"), events));
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"chimesnd.dat"), "a\0\0", 4));
    ASSERT_EQ(n.list().size(), 3u);
    ASSERT_TRUE(n.runAppAtEvent(kLauncherPath, dev::RunEvent::Rs232Detected));
    ASSERT_TRUE(writeInstallFolderValue());
    SettingsRecord s{};
    fillSettingsDefaults(s);
    s.screenSaverOn = 1;
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), &s, sizeof s));

    const fs::path launcher = dev::hostPath(root, u"\\Windows\\HVTimer.exe");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(launcher.c_str(), launcher.c_str(), "AppRunAtRs232Detect",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    const dev::EventHandle running =
        asMain.events().create(u"HVTimer_AllReady_Running", false, nullptr);
    ASSERT_NE(running, 0u);
    EXPECT_TRUE(waitUntil([&] { return asMain.events().isSet(running); }, 20))
        << "launcher did not start";
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "launcher ended early";

    // The main program runs through the removal; its exit afterwards writes nothing back.
    const fs::path mainProgram = dev::hostPath(root, std::u16string(kDir) + u"\\Horavel.exe");
    pid_t mainPid = -1;
    if (fs::exists(mainProgram)) {
        const fs::path log = top / "shell.log";
        mainPid = ::fork();
        if (mainPid == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("HORAVEL_SHELL_LOG", log.c_str(), 1);
            ::execl(mainProgram.c_str(), mainProgram.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ASSERT_GT(mainPid, 0);
        EXPECT_TRUE(waitUntil(
            [&] {
                std::ifstream in(log);
                std::string text((std::istreambuf_iterator<char>(in)), {});
                return text.find(" running") != std::string::npos;
            },
            30))
            << "the main program did not start";
    }

    // Removal through the device installer.
    ASSERT_EQ(run(quote(HV_DEVICE_INSTALL) + " --root " + quote(root) + " uninstall Horavel"), 0);
    if (mainPid > 0) {
        ::kill(mainPid, SIGTERM); // ends through its ordinary exit, which saves
        if (!waitUntil([&] { return ::waitpid(mainPid, &status, WNOHANG) == mainPid; }, 20)) {
            ADD_FAILURE() << "the main program did not end on SIGTERM";
            ::kill(mainPid, SIGKILL);
            ::waitpid(mainPid, &status, 0);
        }
    }

    EXPECT_TRUE(waitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, 20))
        << "launcher still runs";
    EXPECT_FALSE(asMain.events().isSet(running));
    EXPECT_TRUE(n.list().empty());
    EXPECT_TRUE(n.listRunAtEvent().empty());
    EXPECT_TRUE(dev::findFiles(std::u16string(kDir) + u"\\data", u"*.dat").empty());
    EXPECT_FALSE(exists(kDir));
    EXPECT_FALSE(exists(u"\\Windows\\HVTimer.exe"));
    EXPECT_FALSE(exists(u"\\Windows\\Start Menu\\Programs\\Horavel.lnk"));
    EXPECT_FALSE(dev::regKeyExists(dev::RegHive::LocalMachine, u"Software\\Brinwick\\Horavel"));
    // Nothing of the package is left: no key in any spelling, no folder it created.
    EXPECT_FALSE(dev::regKeyExists(dev::RegHive::LocalMachine, kInstallKey));
    EXPECT_FALSE(dev::regKeyExists(dev::RegHive::LocalMachine, u"SOFTWARE\\Brinwick"));
    EXPECT_FALSE(exists(u"\\Windows\\Start Menu"));
    EXPECT_FALSE(exists(u"\\Program Files\\Brinwick"));

    asMain.events().close(running);
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, &status, 0);
    }
    fs::remove_all(top); // the daemon ends by itself once its root is gone
}

// The screen-saver path end to end in a temporary device root, with the real daemon, the real
// launcher HVTimer.exe and Horavel.exe installed in the root (its test build, which a control
// file drives on the offscreen platform): while a program of the exception list runs the launcher
// keeps the screen saver away; once only a program of the same name in other letters runs, the
// launcher starts "Horavel.exe s2" after the time-out; the Ana-Digi skin fills the screen, scaled
// and centred; a second start only brings it to the front; the first tap ends it; the settings
// file is left as it was.
//
// The shortest time-out is a minute. The launcher's idle time follows the device clock, so the test
// sets the device time forward instead of waiting the minute out; the launcher still counts in
// ten-second steps, so the test takes some twenty seconds.
#include "device/files.h"
#include "device/real.h"
#include "device/registry.h"
#include "launcher/launcher.h"
#include "screensaver/exceptions.h"
#include "settings/settings.h"
#include "tests/support/real_daemon.h"
#include "views/skins/anadigilikeview.h"

#include <QImage>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace hv;
using hv::testing::waitUntil;

namespace {

constexpr char16_t kProgramFolder[] = u"\\Program Files\\Brinwick\\Horavel\\";
constexpr char kException[] = "hv-player.exe";
constexpr char kExceptionOtherCase[] = "HV-Player.exe";

pid_t spawn(const std::vector<std::string>& args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

void end(pid_t& pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

bool exited(pid_t pid, int& status) {
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

std::string readText(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The running copies of a program file, with their command lines (arguments NUL-separated).
std::vector<std::pair<pid_t, std::string>> runningCopies(const fs::path& program) {
    std::vector<std::pair<pid_t, std::string>> out;
    std::error_code ec;
    for (fs::directory_iterator it("/proc", ec), e; !ec && it != e; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code ec2;
        if (fs::read_symlink(it->path() / "exe", ec2) != program)
            continue;
        std::string line = readText(it->path() / "cmdline");
        out.emplace_back(static_cast<pid_t>(std::stol(name)), line);
    }
    return out;
}

class ScreenSaverEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("hv-ssaver-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
        ::setenv("HORAVEL_DEVICE", root_.c_str(), 1);
        ::setenv("HORAVEL_DEVICED", HV_DEVICED_PATH, 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("HORAVEL_SHELL_LOG", (root_ / "shell.log").c_str(), 1);
        ::setenv("HORAVEL_SHELL_CONTROL", (root_ / "shell.cmd").c_str(), 1);
        dev::RealDevice::instance().setRoot(root_);
        bool answering = false;
        daemon_ = hv::testing::startRealDaemon(HV_DEVICED_PATH, root_, answering);
        ASSERT_GT(daemon_, 0);
        ASSERT_TRUE(answering);
    }
    void TearDown() override {
        for (pid_t* p : {&launcher_, &player_, &otherPlayer_})
            end(*p);
        for (const auto& [pid, line] : runningCopies(horavel()))
            ::kill(pid, SIGTERM);
        end(daemon_);
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    fs::path horavel() const {
        return root_ / "Program Files" / "Brinwick" / "Horavel" / "Horavel.exe";
    }
    std::u16string dataPath(std::u16string_view name) const {
        return std::u16string(kProgramFolder) + u"data\\" + std::u16string(name);
    }

    // The package's part that matters here: the program in its folder, the install-folder value,
    // the settings with the screen saver on (Ana-Digi, one minute) and the exception list.
    void install() {
        fs::create_directories(horavel().parent_path() / "data");
        fs::copy_file(HORAVEL_EXE, horavel(), fs::copy_options::overwrite_existing);
        fs::permissions(horavel(), fs::perms::owner_all);
        char16_t value[kInstallValueSize / 2] = {};
        std::u16string(kProgramFolder).copy(value, std::size(value) - 1);
        ASSERT_TRUE(dev::regCreateKey(dev::RegHive::LocalMachine, kInstallKey));
        ASSERT_TRUE(dev::regSetValue(dev::RegHive::LocalMachine, kInstallKey, kInstallValue,
                                     dev::RegType::MultiSz, value, sizeof value));
        SettingsRecord s{};
        fillSettingsDefaults(s);
        s.screenSaverOn = 1;
        s.screenSaverSkin = 2;
        s.screenSaverTimeout = 0;
        ASSERT_TRUE(dev::saveWholeFile(dataPath(u"settings.dat"), &s, sizeof s));
        ASSERT_TRUE(dev::saveWholeFile(dataPath(kExceptionFileName),
                                       encodeExceptionList({u"wmplayer.exe", u"hv-player.exe"})));
        for (const char* name : {kException, kExceptionOtherCase}) {
            fs::copy_file("/bin/sleep", root_ / "bin" / name);
            fs::permissions(root_ / "bin" / name, fs::perms::owner_all);
        }
    }
    void inactive() {
        const std::string cmd = std::string(HV_CLI_PATH) + " device activity inactive --device '" +
                                root_.string() + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    bool logHas(const std::string& text) const {
        return readText(root_ / "shell.log").find(text) != std::string::npos;
    }
    void control(const std::string& command) {
        const fs::path tmp = root_ / "shell.cmd.part";
        std::ofstream(tmp) << command << "\n";
        fs::rename(tmp, root_ / "shell.cmd");
    }

    fs::path root_;
    pid_t daemon_ = -1, launcher_ = -1, player_ = -1, otherPlayer_ = -1;
};

} // namespace

TEST_F(ScreenSaverEndToEnd, LauncherStartsTheAnaDigiSkinWhichTheFirstTapEnds) {
    install();
    const auto settingsBefore = dev::readWholeFile(dataPath(u"settings.dat"));
    ASSERT_TRUE(settingsBefore);
    player_ = spawn({(root_ / "bin" / kException).string(), "600"});
    inactive();
    launcher_ = spawn({HV_TIMER_PATH});

    // The launcher sets its running event just before its first wait; a moment later it counts
    // its first ten-second slice.
    dev::NamedEvents& events = dev::current().events();
    const dev::EventHandle running = events.create(launcher::kEventRunning, false, nullptr);
    ASSERT_NE(running, 0u);
    ASSERT_TRUE(waitUntil([&] { return events.isSet(running); }, 30));
    events.close(running);
    std::this_thread::sleep_for(std::chrono::seconds(1));

    // A minute of inactivity and more on the device clock (the device time set forward during
    // the slice): at the slice's end the exception keeps the screen saver away (it runs in the
    // background, never in front).
    dev::Clock& clock = dev::current().clock();
    ASSERT_TRUE(dev::current().timeSetting().setSystemTime(
        dev::toSystemTime(clock.utcNow() + 75 * dev::kTicksPerSecond)));
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(12)) {
        ASSERT_TRUE(runningCopies(horavel()).empty()) << "started despite the exception";
        int status = 0;
        ASSERT_FALSE(exited(launcher_, status)) << "the launcher ended";
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    // The same name in other letters is no exception: the next ten-second count starts it.
    otherPlayer_ = spawn({(root_ / "bin" / kExceptionOtherCase).string(), "600"});
    end(player_);
    pid_t saver = -1;
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto copies = runningCopies(horavel());
            if (copies.size() != 1)
                return false;
            EXPECT_EQ(copies[0].second, horavel().string() + std::string("\0s2\0", 4));
            saver = copies[0].first;
            return true;
        },
        90, 200));
    ASSERT_TRUE(waitUntil([&] { return logHas(" screen saver, skin 2"); }, 30));

    // The skin fills the whole screen, scaled to fit and centred on black.
    const fs::path shot = root_ / "shot.png";
    control("grab " + shot.string());
    ASSERT_TRUE(waitUntil([&] { return fs::exists(shot); }, 30));
    const QImage img =
        QImage(QString::fromStdString(shot.string())).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(img.isNull());
    const std::string log = readText(root_ / "shell.log");
    int windowX = -1, windowY = -1, windowW = 0, windowH = 0, screenW = 0, screenH = 0;
    const auto at = log.find("grab of the window at ");
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(std::sscanf(log.c_str() + at,
                          "grab of the window at %d, %d, %d x %d on a screen of %d x %d", &windowX,
                          &windowY, &windowW, &windowH, &screenW, &screenH),
              6);
    EXPECT_EQ(windowX, 0);
    EXPECT_EQ(windowY, 0);
    EXPECT_EQ(windowW, screenW);
    EXPECT_EQ(windowH, screenH);
    EXPECT_EQ(img.width(), screenW);
    EXPECT_EQ(img.height(), screenH);
    const double scale = std::min(screenW / 480.0, screenH / 640.0);
    const double left = (screenW - 480 * scale) / 2, top = (screenH - 640 * scale) / 2;
    auto shown = [&](double x, double y) {
        return img.pixel(static_cast<int>(left + x * scale), static_cast<int>(top + y * scale)) &
               0xffffff;
    };
    const tk::COLORREF lcd = skins::MAnaDigiLike::kLcd;
    EXPECT_EQ(shown(200, 365),
              qRgb(tk::GetRValue(lcd), tk::GetGValue(lcd), tk::GetBValue(lcd)) & 0xffffff);
    if (left >= 2) {
        EXPECT_EQ(img.pixel(0, screenH / 2) & 0xffffff, 0u);
        EXPECT_EQ(img.pixel(screenW - 1, screenH / 2) & 0xffffff, 0u);
    }
    if (top >= 2) {
        EXPECT_EQ(img.pixel(screenW / 2, 0) & 0xffffff, 0u);
        EXPECT_EQ(img.pixel(screenW / 2, screenH - 1) & 0xffffff, 0u);
    }

    // A second start while it runs only brings it to the front.
    pid_t second = spawn({horavel().string(), "s2"});
    int status = -1;
    ASSERT_TRUE(waitUntil([&] { return exited(second, status); }, 30));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(waitUntil([&] { return logHas(std::to_string(saver) + " activated"); }, 20));
    EXPECT_EQ(::kill(saver, 0), 0);

    // The first tap ends it, and nothing was saved.
    control("tap " + std::to_string(screenW / 2) + " " + std::to_string(screenH / 2));
    EXPECT_TRUE(waitUntil([&] { return runningCopies(horavel()).empty(); }, 30));
    EXPECT_TRUE(logHas(std::to_string(saver) + " ended"));
    EXPECT_EQ(dev::readWholeFile(dataPath(u"settings.dat")), settingsBefore);
}

// With the screen saver on, the launcher runs after a new login whatever starts first: the main
// program (which also registers it for the cradle event) and every start of the daemon.
TEST_F(ScreenSaverEndToEnd, EveryStartOfTheMainProgramOrTheDaemonStartsTheLauncher) {
    install();
    const fs::path launcher = root_ / "Windows" / "HVTimer.exe";
    fs::create_directories(launcher.parent_path());
    fs::copy_file(HV_TIMER_PATH, launcher);
    fs::permissions(launcher, fs::perms::owner_all);
    const auto launcherRuns = [&] {
        const auto copies = runningCopies(launcher);
        return copies.size() == 1 &&
               copies[0].second == launcher.string() + std::string("\0AppRunAtRs232Detect\0", 21);
    };
    const auto endLaunchers = [&] {
        for (const auto& [pid, line] : runningCopies(launcher))
            ::kill(pid, SIGTERM);
        return waitUntil([&] { return runningCopies(launcher).empty(); }, 20);
    };

    pid_t main = spawn({horavel().string()});
    EXPECT_TRUE(waitUntil(launcherRuns, 30)) << readText(root_ / "shell.log");
    end(main);
    ASSERT_TRUE(endLaunchers());

    end(daemon_);
    bool answering = false;
    daemon_ = hv::testing::startRealDaemon(HV_DEVICED_PATH, root_, answering);
    ASSERT_TRUE(answering);
    EXPECT_TRUE(waitUntil(launcherRuns, 30));
    EXPECT_TRUE(endLaunchers());
}

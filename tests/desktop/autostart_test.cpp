// Reminders after a restart: the question the main program asks once when nothing starts the
// device services at login, and both ways a "Yes" is carried out, in a scratch home folder with
// systemctl played by the test.
#include "device/hostsession.h"
#include "shell/autostartprompt.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace hv;
namespace fs = std::filesystem;

namespace {

class ScriptedBoxes : public dev::MessageBoxes {
public:
    dev::MbResult answer = dev::MbResult::Yes;
    std::vector<std::u16string> texts;
    dev::MbResult show(const std::u16string&, const std::u16string& text, dev::MbIcon,
                       dev::MbButtons) override {
        texts.push_back(text);
        return answer;
    }
};

std::string read(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class RemindersAfterRestart : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = fs::temp_directory_path() / ("hv-autostart-" + std::to_string(::getpid()));
        fs::remove_all(home_);
        fs::create_directories(home_ / "etc-xdg" / "autostart");
        fs::create_directories(home_ / "run");
        places_.configHome = home_ / "config";
        places_.autostartDirs = {home_ / "etc-xdg" / "autostart"};
        places_.userUnitDirs = {home_ / "lib-systemd-user"};
        places_.globalWants = home_ / "etc-systemd-user" / "default.target.wants";
        places_.runtimeDir = home_ / "run";
    }
    void TearDown() override { fs::remove_all(home_); }

    // A systemd user session: its private socket in the runtime folder.
    void withSystemd() {
        fs::create_directories(home_ / "run" / "systemd");
        std::ofstream(home_ / "run" / "systemd" / "private");
    }
    // systemctl --user as the test plays it: records the calls; "enable" links the unit the
    // way systemd does.
    dev::SystemctlRunner systemctl(int enableStatus = 0) {
        return [this, enableStatus](const std::vector<std::string>& args) {
            std::string line;
            for (const auto& a : args)
                line += (line.empty() ? "" : " ") + a;
            calls_.push_back(line);
            if (args.size() == 2 && args[0] == "enable" && enableStatus == 0) {
                const fs::path wants = places_.configHome / "systemd/user/default.target.wants";
                fs::create_directories(wants);
                fs::create_symlink(places_.configHome / "systemd/user" / args[1], wants / args[1]);
            }
            return args[0] == "enable" ? enableStatus : 0;
        };
    }
    dev::DaemonAtLogin state() const { return dev::daemonAtLogin(places_); }
    shell::AutostartOutcome offer(dev::SystemctlRunner run) {
        return shell::offerDaemonAtLogin(boxes_, places_, daemon_, root_, run);
    }

    fs::path home_;
    dev::SessionPlaces places_;
    ScriptedBoxes boxes_;
    std::vector<std::string> calls_;
    const fs::path daemon_ = "/opt/hv build/deviced/hvdeviced";
    const fs::path root_ = "/home/u/.local/share/horavel/device";
};

TEST_F(RemindersAfterRestart, YesWithSystemdEnablesTheUserUnitOnce) {
    withSystemd();
    ASSERT_EQ(state(), dev::DaemonAtLogin::Nowhere);
    EXPECT_EQ(offer(systemctl()), shell::AutostartOutcome::Enabled);
    ASSERT_EQ(boxes_.texts.size(), 1u);
    EXPECT_EQ(boxes_.texts[0], shell::kAutostartQuestion);

    const std::string unit = read(places_.configHome / "systemd/user/hvdeviced.service");
    EXPECT_NE(unit.find("ExecStart=\"/opt/hv build/deviced/hvdeviced\" --root "
                        "/home/u/.local/share/horavel/device\n"),
              std::string::npos)
        << unit;
    EXPECT_NE(unit.find("WantedBy=default.target"), std::string::npos);
    EXPECT_EQ(calls_, (std::vector<std::string>{"daemon-reload", "enable hvdeviced.service"}));
    EXPECT_FALSE(fs::exists(places_.configHome / "autostart/hvdeviced.desktop"));
    EXPECT_EQ(state(), dev::DaemonAtLogin::UserUnit);

    // Asked once: the next start asks nothing.
    fs::remove_all(places_.configHome / "systemd");
    EXPECT_EQ(offer(systemctl()), shell::AutostartOutcome::NotAsked);
    EXPECT_EQ(boxes_.texts.size(), 1u);
}

TEST_F(RemindersAfterRestart, YesWithoutSystemdWritesTheAutostartEntry) {
    EXPECT_EQ(offer(systemctl()), shell::AutostartOutcome::Enabled);
    EXPECT_TRUE(calls_.empty());
    const fs::path entry = places_.configHome / "autostart/hvdeviced.desktop";
    const std::string text = read(entry);
    EXPECT_NE(text.find("\nExec=\"/opt/hv build/deviced/hvdeviced\" --root "
                        "/home/u/.local/share/horavel/device\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(state(), dev::DaemonAtLogin::UserAutostart);
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
        const std::string cmd = "desktop-file-validate '" + entry.string() + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << text;
    }
    EXPECT_FALSE(fs::exists(places_.configHome / "systemd"));
}

TEST_F(RemindersAfterRestart, NoIsRememberedAndChangesNothing) {
    withSystemd();
    boxes_.answer = dev::MbResult::No;
    EXPECT_EQ(offer(systemctl()), shell::AutostartOutcome::Declined);
    EXPECT_TRUE(calls_.empty());
    EXPECT_EQ(state(), dev::DaemonAtLogin::Nowhere);
    EXPECT_EQ(offer(systemctl()), shell::AutostartOutcome::NotAsked);
    EXPECT_EQ(boxes_.texts.size(), 1u);
}

TEST_F(RemindersAfterRestart, NotAskedWhenThePackageOrTheUserStartsTheDaemon) {
    // The package's autostart entry for every session.
    std::ofstream(home_ / "etc-xdg/autostart/hvdeviced.desktop")
        << "[Desktop Entry]\nType=Application\n";
    EXPECT_EQ(state(), dev::DaemonAtLogin::ForEveryUser);
    EXPECT_EQ(offer(systemctl()), shell::AutostartOutcome::NotAsked);

    // A user who switched the system's entry off with an entry of their own is asked.
    fs::create_directories(places_.configHome / "autostart");
    std::ofstream(places_.configHome / "autostart/hvdeviced.desktop")
        << "[Desktop Entry]\nType=Application\nHidden=true\n";
    EXPECT_EQ(state(), dev::DaemonAtLogin::Nowhere);

    // The unit enabled for every user by the package's preset.
    fs::remove(places_.configHome / "autostart/hvdeviced.desktop");
    fs::remove(home_ / "etc-xdg/autostart/hvdeviced.desktop");
    fs::create_directories(places_.globalWants);
    fs::create_symlink("/usr/lib/systemd/user/hvdeviced.service",
                       places_.globalWants / "hvdeviced.service");
    EXPECT_EQ(state(), dev::DaemonAtLogin::ForEveryUser);
    EXPECT_EQ(offer(systemctl()), shell::AutostartOutcome::NotAsked);
    EXPECT_TRUE(boxes_.texts.empty());
}

TEST_F(RemindersAfterRestart, AFailedEnableIsReportedNotHidden) {
    withSystemd();
    testing::internal::CaptureStderr();
    EXPECT_EQ(offer(systemctl(1)), shell::AutostartOutcome::Failed);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("systemctl --user enable hvdeviced.service failed"), std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    ASSERT_EQ(boxes_.texts.size(), 2u);
    EXPECT_EQ(boxes_.texts[1].rfind(shell::kAutostartFailed, 0), 0u);
    EXPECT_EQ(state(), dev::DaemonAtLogin::Nowhere);
    // A daemon that cannot be found is no "Yes" carried out either.
    fs::remove_all(places_.configHome);
    EXPECT_EQ(shell::offerDaemonAtLogin(boxes_, places_, "", root_, systemctl()),
              shell::AutostartOutcome::Failed);
}

TEST(RuntimeFolder, MadePrivateWhenMissingOrUnsafe) {
    const char* before = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = before ? before : "";
    ::unsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(dev::ensureRuntimeFolder());
    const char* made = std::getenv("XDG_RUNTIME_DIR");
    ASSERT_NE(made, nullptr);
    struct stat st {};
    ASSERT_EQ(::lstat(made, &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());

    // A folder others may enter is not a runtime folder.
    const fs::path open = fs::temp_directory_path() / ("hv-open-run-" + std::to_string(::getpid()));
    fs::create_directories(open);
    fs::permissions(open, fs::perms::all);
    ::setenv("XDG_RUNTIME_DIR", open.c_str(), 1);
    ASSERT_TRUE(dev::ensureRuntimeFolder());
    EXPECT_STREQ(std::getenv("XDG_RUNTIME_DIR"), made);
    fs::remove_all(open);
    if (saved.empty())
        ::unsetenv("XDG_RUNTIME_DIR");
    else
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

} // namespace

// The device services daemon as a real process in a temporary device root: registrations fire
// once and on time, survive kill -9, named events die with their holders, waits, the socket's
// defences. Every wait polls with a generous deadline, so a loaded machine only makes it slower.
#include "desktop/host.h"
#include "device/daemon_client.h"
#include "device/daemon_protocol.h"
#include "device/journal.h"
#include "device/paths.h"
#include "device/real.h"
#include "device/text.h"

#include "tests/support/real_daemon.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace hv::dev;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

namespace {

using hv::testing::waitUntil;

double hostNowSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// Device local time for a host instant, with the device zone set to UTC and no offset.
SystemTime deviceTimeAt(double hostSeconds) {
    const auto ticks = static_cast<FileTime>(hostSeconds * 1e7);
    return toSystemTime(kUnixEpochFileTime + ticks);
}

bool alive(pid_t pid) {
    return ::kill(pid, 0) == 0;
}

class DaemonTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("hv-daemon-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
        const fs::path script = root_ / "bin" / "mark.sh";
        std::ofstream(script)
            << "#!/bin/sh\necho \"$1 $(date +%s.%N)\" >> \"$HORAVEL_DEVICE/fired.log\"\n";
        fs::permissions(script, fs::perms::owner_all);
        ::setenv("HORAVEL_DEVICED", HV_DEVICED_PATH, 1);
    }

    void TearDown() override {
        stopDaemon();
        client_.reset();
        fs::remove_all(root_);
        // A daemon started on demand ends by itself once its root is gone.
        if (onDemandPid_ > 0) {
            EXPECT_TRUE(waitUntil([&] { return !alive(onDemandPid_); }, 20))
                << "daemon left behind";
        }
    }

    void startDaemon() {
        bool answering = false;
        daemonPid_ = hv::testing::startRealDaemon(HV_DEVICED_PATH, root_, answering);
        ASSERT_GT(daemonPid_, 0);
        ASSERT_TRUE(answering);
        client_ = std::make_shared<DaemonClient>(root_, false);
    }

    void stopDaemon(int sig = SIGTERM) {
        if (daemonPid_ <= 0)
            return;
        ::kill(daemonPid_, sig);
        ::waitpid(daemonPid_, nullptr, 0);
        daemonPid_ = -1;
        if (client_)
            client_->disconnect();
    }

    // Device zone UTC, so that device local time is host UTC.
    void useUtcZone() {
        TimeZoneInformation utc{};
        ASSERT_TRUE(DaemonTimeSetting(client_).setTimeZone(utc));
    }

    // The fired.log lines: argument and host time of the start.
    std::vector<std::pair<std::string, double>> fired() const {
        std::vector<std::pair<std::string, double>> out;
        std::ifstream in(root_ / "fired.log");
        std::string arg;
        double at;
        while (in >> arg >> at)
            out.emplace_back(arg, at);
        return out;
    }

    fs::path root_;
    pid_t daemonPid_ = -1;
    pid_t onDemandPid_ = -1;
    std::shared_ptr<DaemonClient> client_;
};

TEST_F(DaemonTest, RegistrationStartsItsProgramOnceOnTime) {
    startDaemon();
    useUtcZone();
    DaemonNotifications n(client_);
    const double due = std::ceil(hostNowSeconds()) + 2;
    const auto h = n.setTimed(0, u"\\bin\\mark.sh", u"once", deviceTimeAt(due), deviceTimeAt(due));
    ASSERT_NE(h, 0u);
    ASSERT_EQ(n.list().size(), 1u);
    EXPECT_EQ(n.list()[0].handle, h);
    ASSERT_TRUE(waitUntil([&] { return !fired().empty(); }, 15));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const auto f = fired();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].first, "once");
    EXPECT_GE(f[0].second, due - 0.05);
    EXPECT_LT(f[0].second, due + 1.0);
    EXPECT_TRUE(n.list().empty());
}

TEST_F(DaemonTest, UpdatedRegistrationFiresWithNewArgumentsAndClearedOneNever) {
    startDaemon();
    useUtcZone();
    DaemonNotifications n(client_);
    const double now = hostNowSeconds();
    const auto h = n.setTimed(0, u"\\bin\\mark.sh", u"old", deviceTimeAt(now + 1.5), {});
    ASSERT_NE(h, 0u);
    EXPECT_EQ(n.setTimed(h, u"\\bin\\mark.sh", u"new", deviceTimeAt(now + 2.5), {}), h);
    const auto gone = n.setTimed(0, u"\\bin\\mark.sh", u"cleared", deviceTimeAt(now + 1.5), {});
    EXPECT_TRUE(n.clear(gone));
    EXPECT_FALSE(n.clear(gone));
    EXPECT_FALSE(n.clear(0));
    EXPECT_FALSE(n.clear(0xDEADBEEF));
    EXPECT_EQ(n.setTimed(0xDEADBEEF, u"\\bin\\mark.sh", u"x", deviceTimeAt(now + 1), {}), 0u);
    ASSERT_TRUE(waitUntil([&] { return !fired().empty(); }, 15));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const auto f = fired();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].first, "new");
    EXPECT_GE(f[0].second, now + 2.45);
}

TEST_F(DaemonTest, HundredRegistrationsSurviveKill9AndFireExactlyOnce) {
    startDaemon();
    useUtcZone();
    DaemonNotifications n(client_);
    const double start = hostNowSeconds() + 1.5;
    for (int i = 0; i < 100; ++i) {
        const double due = start + i * 0.02;
        ASSERT_NE(n.setTimed(0, u"\\bin\\mark.sh", fromUtf8("r" + std::to_string(i)),
                             deviceTimeAt(due), {}),
                  0u);
    }
    // Killed while the registrations are falling due.
    while (hostNowSeconds() < start + 1.0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stopDaemon(SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    startDaemon();
    ASSERT_TRUE(waitUntil([&] { return fired().size() >= 100; }, 30));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    std::map<std::string, int> count;
    for (const auto& [arg, at] : fired())
        ++count[arg];
    EXPECT_EQ(count.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(count["r" + std::to_string(i)], 1) << i;
    EXPECT_TRUE(DaemonNotifications(client_).list().empty());
}

TEST_F(DaemonTest, RegistrationDueWhileDaemonWasDownFiresOnceOnRestart) {
    startDaemon();
    useUtcZone();
    const double due = hostNowSeconds() + 1;
    ASSERT_NE(
        DaemonNotifications(client_).setTimed(0, u"\\bin\\mark.sh", u"late", deviceTimeAt(due), {}),
        0u);
    stopDaemon();
    while (hostNowSeconds() < due + 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(fired().empty());
    startDaemon();
    ASSERT_TRUE(waitUntil([&] { return !fired().empty(); }, 15));
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ASSERT_EQ(fired().size(), 1u);
    EXPECT_EQ(fired()[0].first, "late");
}

TEST_F(DaemonTest, SettingTheTimeRunsTimeChangeProgramsAndReplans) {
    startDaemon();
    useUtcZone();
    DaemonNotifications n(client_);
    ASSERT_TRUE(n.runAppAtEvent(u"\\bin\\mark.sh", RunEvent::TimeChange));
    ASSERT_EQ(n.listRunAtEvent().size(), 1u);
    // Due in a year of device time; moving the device clock to just before it fires it soon.
    const double far = hostNowSeconds() + 365.0 * 86400;
    ASSERT_NE(n.setTimed(0, u"\\bin\\mark.sh", u"replanned", deviceTimeAt(far), {}), 0u);
    ASSERT_TRUE(DaemonTimeSetting(client_).setSystemTime(deviceTimeAt(far - 1)));
    const auto s = client_->status();
    ASSERT_TRUE(s);
    EXPECT_GT(s->offsetTicks, 0);
    ASSERT_TRUE(waitUntil([&] { return fired().size() >= 2; }, 15));
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    const auto f = fired();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].first, "AppRunAfterTimeChange");
    EXPECT_EQ(f[1].first, "replanned");
    // The clock file that every program reads carries the new offset.
    const auto cf = readClockFile(root_);
    ASSERT_TRUE(cf);
    EXPECT_EQ(cf->offsetTicks, s->offsetTicks);
    // Unregistered, a change starts nothing.
    ASSERT_TRUE(n.runAppAtEvent(u"\\bin\\mark.sh", RunEvent::None));
    ASSERT_TRUE(DaemonTimeSetting(client_).setLocalTime(deviceTimeAt(hostNowSeconds())));
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_EQ(fired().size(), 2u);
}

TEST_F(DaemonTest, ExternalPowerComingOnlineRunsCradlePrograms) {
    startDaemon();
    DaemonNotifications n(client_);
    ASSERT_TRUE(n.runAppAtEvent(u"\\bin\\mark.sh", RunEvent::Rs232Detected));
    const auto power = [&](proto::Override o) {
        proto::Request r{proto::Op::SetPower};
        r.value = static_cast<uint32_t>(o);
        proto::Status st;
        std::vector<uint8_t> p;
        return client_->call(r, st, p) && st == proto::Status::Ok;
    };
    ASSERT_TRUE(power(proto::Override::Off));
    EXPECT_FALSE(client_->status()->externalPower);
    ASSERT_TRUE(power(proto::Override::On));
    ASSERT_TRUE(power(proto::Override::On)); // no change, no second start
    EXPECT_TRUE(client_->status()->externalPower);
    ASSERT_TRUE(waitUntil([&] { return !fired().empty(); }, 15));
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ASSERT_EQ(fired().size(), 1u);
    EXPECT_EQ(fired()[0].first, "AppRunAtRs232Detect");
}

TEST_F(DaemonTest, EventIsDestroyedWhenItsHolderDies) {
    startDaemon();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        auto c = std::make_shared<DaemonClient>(root_, false);
        DaemonEvents ev(c);
        const uint32_t h = ev.create(u"Held", true, nullptr);
        [[maybe_unused]] auto k = ::write(ready[1], &h, sizeof h);
        ::pause();
        ::_exit(0);
    }
    uint32_t childHandle = 0;
    ASSERT_EQ(::read(ready[0], &childHandle, sizeof childHandle),
              static_cast<ssize_t>(sizeof childHandle));
    ASSERT_NE(childHandle, 0u);
    ::close(ready[0]);
    ::close(ready[1]);
    // A handle is private to the process that opened it.
    EXPECT_FALSE(DaemonEvents(client_).reset(childHandle));
    EXPECT_FALSE(DaemonEvents(client_).close(childHandle));
    ASSERT_EQ(client_->status()->eventCount, 3u); // the two activity events and Held
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(waitUntil([&] { return client_->status()->eventCount == 2; }, 10));
    DaemonEvents ev(client_);
    bool existed = true;
    const auto h = ev.create(u"Held", false, &existed);
    ASSERT_NE(h, 0u);
    EXPECT_FALSE(existed);
    EXPECT_FALSE(ev.isSet(h));
    // Opening it again counts a second handle; closing one keeps the event.
    const auto h2 = ev.create(u"Held", false, &existed);
    EXPECT_TRUE(existed);
    EXPECT_TRUE(ev.close(h));
    EXPECT_FALSE(ev.close(h));
    EXPECT_TRUE(ev.set(h2));
    EXPECT_TRUE(ev.isSet(h2));
}

TEST_F(DaemonTest, WaitReturnsTheEventSetOrTimesOut) {
    startDaemon();
    DaemonEvents ev(client_);
    const auto a = ev.create(u"A", false, nullptr);
    const auto b = ev.create(u"B", false, nullptr);
    ASSERT_TRUE(a && b);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ev.set(b);
    });
    EXPECT_EQ(ev.wait({a, b}, 20000), 1);
    setter.join();
    ASSERT_TRUE(ev.reset(b));
    const auto t0 = Steady::now();
    EXPECT_EQ(ev.wait({a, b}, 300), static_cast<int32_t>(WaitResult::Timeout));
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - t0).count();
    EXPECT_GE(ms, 290);
    EXPECT_LT(ms, 15000);
    EXPECT_EQ(ev.wait({a}, 0), static_cast<int32_t>(WaitResult::Timeout));
    EXPECT_EQ(ev.wait({a, 0xABCDEF}, 100), static_cast<int32_t>(WaitResult::Failed));
    // The activity events: exactly one is set, following the override.
    const auto active = ev.create(u"PowerManager/UserActivity_Active", false, nullptr);
    const auto inactive = ev.create(u"PowerManager/UserActivity_Inactive", false, nullptr);
    EXPECT_TRUE(ev.isSet(active));
    EXPECT_FALSE(ev.isSet(inactive));
    proto::Request r{proto::Op::SetActivity};
    r.value = static_cast<uint32_t>(proto::Override::Off);
    proto::Status st;
    std::vector<uint8_t> p;
    ASSERT_TRUE(client_->call(r, st, p));
    EXPECT_EQ(ev.wait({active, inactive}, 5000), 1);
    EXPECT_FALSE(ev.isSet(active));
}

// Runs horavel-cli with the arguments (quoted for the shell) against the test's root; its error
// output is kept only when asked for.
std::string cli(const fs::path& root, const std::string& args, int* status = nullptr,
                bool withErrors = false) {
    const std::string cmd = std::string(HV_CLI_PATH) + " " + args + " --device '" + root.string() +
                            (withErrors ? "' 2>&1" : "' 2>/dev/null");
    std::string out;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        const int rc = ::pclose(p);
        if (status)
            *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    return out;
}

TEST_F(DaemonTest, CommandLineDrivesTheDaemon) {
    startDaemon();
    int rc = -1;
    const std::string status = "\n" + cli(root_, "device status", &rc);
    EXPECT_EQ(rc, 0);
    for (const char* key : {"pid=", "root=", "utc=", "local=", "bias=", "power=", "activity="})
        EXPECT_NE(status.find(std::string("\n") + key), std::string::npos)
            << key << " in " << status;
    EXPECT_NE(status.find("pid=" + std::to_string(daemonPid_) + "\n"), std::string::npos);

    EXPECT_EQ(cli(root_, "device set-zone --bias -60 --dst '5,0,3;5,0,10'", &rc), "");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(cli(root_, "device set-time '2031-07-01 12:00:00'", &rc), "");
    const std::string local = cli(root_, "device time");
    const std::string utc = cli(root_, "device time --utc");
    ASSERT_EQ(local.size(), 24u) << local; // YYYY-MM-DD HH:MM:SS.mmm and a newline
    EXPECT_EQ(local.substr(0, 14), "2031-07-01 12:");
    EXPECT_EQ(utc.substr(0, 14), "2031-07-01 10:"); // daylight time: two hours east of UTC

    const std::string h =
        cli(root_,
            "device notify set --app '\\bin\\mark.sh' --args 'a b' --at '2031-07-02 08:30:00.250'",
            &rc);
    EXPECT_EQ(rc, 0);
    ASSERT_FALSE(h.empty());
    const std::string handle = h.substr(0, h.size() - 1);
    EXPECT_EQ(cli(root_, "device notify list"),
              handle + "\t2031-07-02 08:30:00.250\t\\bin\\mark.sh\ta b\n");
    EXPECT_EQ(cli(root_, "device notify set --handle " + handle +
                             " --app '\\bin\\mark.sh' --at '2031-07-03 08:30:00'"),
              h);
    cli(root_, "device notify clear " + handle, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(cli(root_, "device notify list"), "");
    cli(root_, "device notify clear 0", &rc);
    EXPECT_EQ(rc, 1); // nothing was cleared
    cli(root_, "device notify clear " + handle, &rc);
    EXPECT_EQ(rc, 1); // cleared before

    EXPECT_EQ(cli(root_, "device event wait A B --timeout 200", &rc), "timeout\n");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(cli(root_, "device event test PowerManager/UserActivity_Active"), "set\n");
    cli(root_, "device activity inactive");
    EXPECT_NE(cli(root_, "device status").find("activity=inactive"), std::string::npos);
    EXPECT_EQ(cli(root_, "device event test PowerManager/UserActivity_Inactive"), "set\n");
    cli(root_, "device power battery");
    EXPECT_NE(cli(root_, "device status").find("power=battery"), std::string::npos);
    cli(root_, "device set-time 'not a time'", &rc);
    EXPECT_EQ(rc, 2);
}

// A list longer than one answer frame comes in pages and is complete, through the client and
// the command line alike.
TEST_F(DaemonTest, LongListsAreComplete) {
    startDaemon();
    DaemonNotifications n(client_);
    constexpr int kCount = 1200;
    const std::u16string args(100, u'a');
    const auto later = deviceTimeAt(hostNowSeconds() + 86400);
    for (int i = 0; i < kCount; ++i)
        ASSERT_NE(n.setTimed(0, u"\\bin\\mark.sh", args, later, later), 0u);
    const auto all = n.listAll();
    ASSERT_TRUE(all.has_value());
    ASSERT_EQ(all->size(), static_cast<size_t>(kCount));
    for (size_t i = 1; i < all->size(); ++i)
        EXPECT_LT((*all)[i - 1].handle, (*all)[i].handle);
    int rc = -1;
    const std::string text = cli(root_, "device notify list", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kCount);
}

// A burst falls due at a clock jump: the time setting is answered at once, the daemon answers
// while it fires (in batches), and every registration fires exactly once.
TEST_F(DaemonTest, BurstAfterAClockJumpFiresOnceWhileTheDaemonAnswers) {
    startDaemon();
    useUtcZone();
    DaemonNotifications n(client_);
    constexpr int kCount = 600;
    const double base = hostNowSeconds() + 3600;
    for (int i = 0; i < kCount; ++i)
        ASSERT_NE(n.setTimed(0, u"\\bin\\mark.sh", u"b" + fromUtf8(std::to_string(i)),
                             deviceTimeAt(base + i * 0.001), {}),
                  0u);
    ASSERT_TRUE(DaemonTimeSetting(client_).setSystemTime(deviceTimeAt(hostNowSeconds() + 7200)));
    const auto s = client_->status();
    ASSERT_TRUE(s.has_value());
    EXPECT_GT(s->timedCount, 0u); // answered before the burst was over
    ASSERT_TRUE(waitUntil([&] { return fired().size() >= static_cast<size_t>(kCount); }, 90));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::map<std::string, int> seen;
    for (const auto& [arg, at] : fired())
        ++seen[arg];
    EXPECT_EQ(seen.size(), static_cast<size_t>(kCount));
    for (const auto& [arg, times] : seen)
        EXPECT_EQ(times, 1) << arg;
    EXPECT_TRUE(n.list().empty());
}

// Command-line edges get a clear message and the right exit status, and a root too deep for a
// socket or a database path in place works for the programs, the command line and the desktop
// host alike, its registrations kept across a restart.
TEST_F(DaemonTest, CommandLineEdgesAndDeepRoots) {
    const fs::path deep = root_ / std::string(250, 'd') / std::string(240, 'e');
    ASSERT_GT(deep.string().size(), 500u);
    fs::create_directories(deep / "bin");
    fs::copy_file(root_ / "bin" / "mark.sh", deep / "bin" / "mark.sh");
    bool answering = false;
    daemonPid_ = hv::testing::startRealDaemon(HV_DEVICED_PATH, deep, answering);
    ASSERT_TRUE(answering);
    int rc = -1;
    EXPECT_NE(cli(deep, "device status", &rc).find("pid=" + std::to_string(daemonPid_)),
              std::string::npos);
    EXPECT_EQ(rc, 0);
    cli(deep, "device notify clear 5", &rc);
    EXPECT_EQ(rc, 1); // answered, but there was nothing to clear
    RealDevice::instance().setRoot(deep);
    EXPECT_TRUE(hv::desktop::HostDesktop().rapiInit());
    // Back to this test's own root, never the default one: a daemon for the user's device must
    // not be started from a test.
    RealDevice::instance().setRoot(root_);

    for (const char* command :
         {"device status", "device time", "device set-time '2031-07-01 12:00:00'",
          "device set-zone --bias 0", "device notify list", "device notify clear 5",
          "device event set A", "device power ac", "device activity active"}) {
        cli("", command, &rc);
        EXPECT_EQ(rc, 2) << command << " with --device ''";
    }
    const auto t0 = Steady::now();
    cli(deep, "device event create ''", &rc);
    EXPECT_EQ(rc, 2);
    cli(deep, "device event wait A '' --timeout 10", &rc);
    EXPECT_EQ(rc, 2);
    cli(deep, "device event create " + std::string(proto::kMaxText + 1, 'n'), &rc);
    EXPECT_EQ(rc, 2);
    cli(deep, "device event create " + std::string(proto::kMaxText, 'n'), &rc);
    EXPECT_EQ(rc, 0);
    const std::string at = " --at '2031-07-02 08:30:00'";
    cli(deep, "device notify set --app '\\bin\\" + std::string(proto::kMaxText, 'x') + "'" + at,
        &rc);
    EXPECT_EQ(rc, 2);
    cli(deep, "device notify set --app '\\bin\\missing.sh'" + at, &rc);
    EXPECT_EQ(rc, 1);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(Steady::now() - t0).count(), 10);
    cli(deep, "device notify set --app '\\bin\\mark.sh'" + at, &rc);
    EXPECT_EQ(rc, 0);
    stopDaemon();
    daemonPid_ = hv::testing::startRealDaemon(HV_DEVICED_PATH, deep, answering);
    ASSERT_TRUE(answering);
    EXPECT_NE(cli(deep, "device notify list", &rc).find("mark.sh"), std::string::npos);
    EXPECT_EQ(readFaults(deep).count, 0u)
        << (readFaults(deep).last.empty() ? "" : readFaults(deep).last[0]);

    // Nobody answers (and nobody can be started): clearing is a failure, not a quiet success.
    stopDaemon();
    ::setenv("HORAVEL_DEVICED", (root_ / "no-such-daemon").c_str(), 1);
    cli(deep, "device notify clear 5", &rc);
    EXPECT_EQ(rc, 1);
}

// The launcher's fallback after a daemon died mid-firing starts the program only when the
// registration is gone from the store.
TEST_F(DaemonTest, LauncherFallbackStartsOnlyWhatWasCommitted) {
    startDaemon();
    useUtcZone();
    DaemonNotifications n(client_);
    const auto kept =
        n.setTimed(0, u"\\bin\\mark.sh", u"kept", deviceTimeAt(hostNowSeconds() + 3600), {});
    ASSERT_NE(kept, 0u);
    stopDaemon();
    const std::string db = (root_ / ".system" / "deviced.db").string();
    const std::string script = (root_ / "bin" / "mark.sh").string();
    // Firing records as a daemon instance 77 commits them, and as a later daemon, 78, does.
    {
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
        const std::string sql = "INSERT INTO fired(handle, instance, at) VALUES(" +
                                std::to_string(kept + 1000) + ", 77, 0), (" +
                                std::to_string(kept + 2000) + ", 78, 0)";
        ASSERT_EQ(sqlite3_exec(h, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(h);
    }
    const auto run = [&](uint32_t handle, const char* arg) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("HORAVEL_DEVICE", root_.c_str(), 1);
            const std::string h = std::to_string(handle);
            ::execl(HV_DEVICED_PATH, HV_DEVICED_PATH, "--confirm-start", db.c_str(), h.c_str(),
                    "77", "--", script.c_str(), arg, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
    };
    run(kept, "still-registered");               // the next daemon fires it: nothing starts now
    run(kept + 1000, "committed");               // this instance committed the firing
    run(kept + 2000, "fired-by-a-later-daemon"); // started by that one already
    const auto f = fired();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].first, "committed");
}

int rawConnect(const fs::path& root) {
    return connectDaemonSocket(root);
}

std::vector<uint8_t> rawAnswer(int fd) {
    std::vector<uint8_t> body;
    if (!proto::recvFrame(fd, body, 10000))
        body.clear();
    return body;
}

uint16_t statusOf(const std::vector<uint8_t>& body) {
    return body.size() >= 4 ? body[2] | body[3] << 8 : 0xFFFF;
}

TEST_F(DaemonTest, GarbageIsAnsweredWithAnErrorAndServiceGoesOn) {
    startDaemon();
    // Text where a length is expected: an oversized frame, refused and closed.
    int fd = rawConnect(root_);
    ASSERT_GE(fd, 0);
    const char junk[] = "hello world garbage\n";
    ASSERT_EQ(::send(fd, junk, sizeof junk - 1, MSG_NOSIGNAL),
              static_cast<ssize_t>(sizeof junk - 1));
    EXPECT_EQ(statusOf(rawAnswer(fd)), static_cast<uint16_t>(proto::Status::TooLarge));
    ::close(fd);
    // Well framed nonsense: an error answer, and the connection still serves.
    fd = rawConnect(root_);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(proto::sendFrame(fd, {1, 0, 0xEE, 0xEE, 1, 2, 3}));
    EXPECT_EQ(statusOf(rawAnswer(fd)), static_cast<uint16_t>(proto::Status::BadRequest));
    ASSERT_TRUE(proto::sendFrame(fd, {7, 0, 1, 0}));
    EXPECT_EQ(statusOf(rawAnswer(fd)), static_cast<uint16_t>(proto::Status::BadVersion));
    ASSERT_TRUE(proto::sendFrame(fd, proto::encodeRequest(proto::Request{proto::Op::Status})));
    EXPECT_EQ(statusOf(rawAnswer(fd)), static_cast<uint16_t>(proto::Status::Ok));
    // A half frame left hanging does not stall anyone else.
    const uint8_t half[] = {100, 0, 0, 0, 1, 0};
    ASSERT_EQ(::send(fd, half, sizeof half, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof half));
    EXPECT_TRUE(client_->status());
    ::close(fd);
    EXPECT_TRUE(client_->status());
}

// The daemon's limits: pipelined requests are all answered (frames are taken as they arrive and
// a client that does not read is simply not read), what one client holds is bounded with a clear
// refusal, and connections over the limit are told so.
TEST_F(DaemonTest, LimitsAreKeptWithClearAnswers) {
    startDaemon();
    int fd = rawConnect(root_);
    ASSERT_GE(fd, 0);
    constexpr int kPipelined = 20000;
    std::thread writer([fd] {
        const auto body = proto::encodeRequest(proto::Request{proto::Op::Status});
        for (int i = 0; i < kPipelined; ++i)
            if (!proto::sendFrame(fd, body))
                return;
    });
    int answered = 0;
    while (answered < kPipelined && statusOf(rawAnswer(fd)) == 0)
        ++answered;
    writer.join();
    EXPECT_EQ(answered, kPipelined);
    ::close(fd);

    // Events with long names on one connection: refused past the limit, the daemon stays small.
    fd = rawConnect(root_);
    ASSERT_GE(fd, 0);
    proto::Request create{proto::Op::EventCreate};
    int made = 0;
    uint16_t last = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string name = std::to_string(i) + std::string(4000, 'e');
        create.text1 = fromUtf8(name);
        ASSERT_TRUE(proto::sendFrame(fd, proto::encodeRequest(create)));
        last = statusOf(rawAnswer(fd));
        if (last != 0)
            break;
        ++made;
    }
    EXPECT_EQ(last, static_cast<uint16_t>(proto::Status::LimitReached));
    EXPECT_GE(made, 256);
    EXPECT_LT(made, 3000);
    EXPECT_TRUE(client_->status()); // the others are still served
    ::close(fd);

    // Several clients with long names fill what the daemon keeps for all: that refusal is its
    // own, and the memory is given back once they leave.
    const auto rssKb = [this] {
        std::ifstream in("/proc/" + std::to_string(daemonPid_) + "/status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("VmRSS:", 0) == 0)
                return std::stol(line.substr(6));
        return 0L;
    };
    const long before = rssKb();
    std::vector<int> holders;
    last = 0;
    for (int k = 0; k < 8 && last == 0; ++k) {
        holders.push_back(rawConnect(root_));
        ASSERT_GE(holders.back(), 0);
        for (int i = 0; i < 1000 && last == 0; ++i) {
            create.text1 =
                fromUtf8(std::to_string(k) + "-" + std::to_string(i) + std::string(4000, 'n'));
            ASSERT_TRUE(proto::sendFrame(holders.back(), proto::encodeRequest(create)));
            last = statusOf(rawAnswer(holders.back()));
        }
    }
    EXPECT_EQ(last, static_cast<uint16_t>(proto::Status::DaemonFull));
    EXPECT_GE(holders.size(), 2u);
    const long full = rssKb();
    EXPECT_LT(full - before, 120L * 1024);
    int cliRc = -1;
    EXPECT_NE(cli(root_, "device event create " + std::string(proto::kMaxText, 'm'), &cliRc, true)
                  .find("the daemon holds as many"),
              std::string::npos);
    EXPECT_EQ(cliRc, 1);
    for (int h : holders)
        ::close(h);
#ifndef __SANITIZE_ADDRESS__
    // (AddressSanitizer keeps freed memory in its quarantine, so a sanitizer build never gives
    // it back.)
    EXPECT_TRUE(waitUntil([&] { return rssKb() < before + (full - before) / 3; }, 10))
        << before << " kB at first, " << full << " kB full, " << rssKb() << " kB after";
#endif
    EXPECT_EQ(cli(root_, "device event create more", &cliRc), "created\n");

    // Connections over the limit get a clear answer, not a bare failure.
    std::vector<int> fds;
    uint16_t refusal = 0;
    for (int i = 0; i < 300 && refusal == 0; ++i) {
        const int c = rawConnect(root_);
        ASSERT_GE(c, 0);
        fds.push_back(c);
        // A connection over the limit may be answered and closed before the request is sent.
        proto::sendFrame(c, proto::encodeRequest(proto::Request{proto::Op::Status}));
        refusal = statusOf(rawAnswer(c));
    }
    EXPECT_EQ(refusal, static_cast<uint16_t>(proto::Status::LimitReached));
    EXPECT_GE(fds.size(), 250u);
    for (int c : fds)
        ::close(c);
    EXPECT_TRUE(waitUntil([&] { return client_->status().has_value(); }, 10));
}

TEST_F(DaemonTest, PeerOfAnotherUserIsRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to connect as another user";
    startDaemon();
    // Open the socket's file permissions so that only the credential check stands in the way.
    ::chmod((root_ / ".system").c_str(), 0755);
    ::chmod(daemonSocketPath(root_).c_str(), 0666);
    int result[2];
    ASSERT_EQ(::pipe(result), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        uint16_t status = 0xFFFF;
        if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
            const int fd = rawConnect(root_);
            if (fd >= 0) {
                proto::sendFrame(fd, proto::encodeRequest(proto::Request{proto::Op::Status}));
                status = statusOf(rawAnswer(fd));
            }
        }
        [[maybe_unused]] auto k = ::write(result[1], &status, sizeof status);
        ::_exit(0);
    }
    uint16_t status = 0;
    ASSERT_EQ(::read(result[0], &status, sizeof status), static_cast<ssize_t>(sizeof status));
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(status, static_cast<uint16_t>(proto::Status::Refused));
    EXPECT_TRUE(client_->status()); // the owner still gets served
}

TEST_F(DaemonTest, UnreadableDatabaseIsSetAsideAndServiceStarts) {
    fs::create_directories(root_ / ".system");
    std::ofstream(root_ / ".system" / "deviced.db") << "this is not a database, not at all\n";
    startDaemon();
    EXPECT_NE(DaemonNotifications(client_).setTimed(0, u"\\bin\\mark.sh", u"x",
                                                    deviceTimeAt(hostNowSeconds() + 3600), {}),
              0u);
    bool kept = false;
    for (const auto& e : fs::directory_iterator(root_ / ".system"))
        kept = kept || e.path().filename().string().rfind("deviced.db.unreadable-", 0) == 0;
    EXPECT_TRUE(kept);
}

// A damaged store is kept aside and what SQLite can still read of it is carried over with its
// handles; a damaged clock file is kept too; both are in the fault journal that status shows.
TEST_F(DaemonTest, DamagedStoresAreKeptSalvagedAndReported) {
    startDaemon();
    useUtcZone();
    DaemonNotifications n(client_);
    std::vector<uint32_t> handles;
    for (int i = 0; i < 5; ++i)
        handles.push_back(n.setTimed(0, u"\\bin\\mark.sh", u"kept",
                                     deviceTimeAt(hostNowSeconds() + 3600 + i), {}));
    stopDaemon();
    const fs::path db = root_ / ".system" / "deviced.db";
    {
        // A filler table after the registrations; its last page is then overwritten.
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(h,
                               "CREATE TABLE filler(x BLOB);"
                               "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k "
                               "WHERE i < 100) INSERT INTO filler SELECT zeroblob(2000) FROM k;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(h);
    }
    {
        std::fstream f(db, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(-4096, std::ios::end);
        const std::string junk(4096, 'Z');
        f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    std::ofstream(root_ / ".system" / "clock.dat") << "not a clock";
    startDaemon();
    auto listed = n.list();
    ASSERT_EQ(listed.size(), handles.size());
    for (size_t i = 0; i < handles.size(); ++i)
        EXPECT_EQ(listed[i].handle, handles[i]);
    // New handles follow the recovered ones.
    EXPECT_GT(n.setTimed(0, u"\\bin\\mark.sh", u"new", deviceTimeAt(hostNowSeconds() + 3600), {}),
              handles.back());
    bool storeKept = false, clockKept = false;
    for (const auto& e : fs::directory_iterator(root_ / ".system")) {
        const std::string name = e.path().filename().string();
        storeKept = storeKept || name.rfind("deviced.db.unreadable-", 0) == 0;
        clockKept = clockKept || name.rfind("clock.dat.damaged-", 0) == 0;
    }
    EXPECT_TRUE(storeKept);
    EXPECT_TRUE(clockKept);
    const std::string status = cli(root_, "device status");
    EXPECT_NE(status.find("\nfaults=2\n"), std::string::npos) << status;
    EXPECT_NE(status.find("5 registrations recovered"), std::string::npos) << status;
    EXPECT_NE(status.find("clock file was damaged"), std::string::npos) << status;
}

// Registrations name programs inside the root: a missing program or a link out of the root is
// refused when registered, and a link made out of the root afterwards is not followed at firing.
TEST_F(DaemonTest, ProgramsAreStartedOnlyInsideTheRoot) {
    startDaemon();
    useUtcZone();
    DaemonNotifications n(client_);
    const fs::path outside = root_.string() + "-outside.sh";
    const fs::path ran = root_.string() + "-outside.ran";
    std::ofstream(outside) << "#!/bin/sh\ntouch '" << ran.string() << "'\n";
    fs::permissions(outside, fs::perms::owner_all);
    fs::create_symlink(outside, root_ / "bin" / "link.sh");
    const auto later = deviceTimeAt(hostNowSeconds() + 3600);
    EXPECT_EQ(n.setTimed(0, u"\\bin\\link.sh", u"", later, later), 0u);
    EXPECT_EQ(n.setTimed(0, u"\\bin\\missing.sh", u"", later, later), 0u);
    EXPECT_FALSE(n.runAppAtEvent(u"\\bin\\link.sh", RunEvent::TimeChange));
    EXPECT_FALSE(n.runAppAtEvent(u"\\bin\\missing.sh", RunEvent::TimeChange));
    EXPECT_TRUE(n.list().empty());

    fs::copy_file(root_ / "bin" / "mark.sh", root_ / "bin" / "later.sh");
    const double due = std::ceil(hostNowSeconds()) + 2;
    ASSERT_NE(n.setTimed(0, u"\\bin\\later.sh", u"", deviceTimeAt(due), deviceTimeAt(due)), 0u);
    fs::remove(root_ / "bin" / "later.sh");
    fs::create_symlink(outside, root_ / "bin" / "later.sh");
    EXPECT_TRUE(waitUntil([&] { return n.list().empty(); }, 15));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_FALSE(fs::exists(ran));
    EXPECT_TRUE(fired().empty());
    // The two refusals (told by the client) and the program not started (told by the daemon).
    const auto faults = readFaults(root_);
    ASSERT_EQ(faults.count, 3u);
    EXPECT_NE(faults.last[2].find("not started"), std::string::npos) << faults.last[2];
    fs::remove(outside);
    fs::remove(ran);
}

TEST_F(DaemonTest, MissingDaemonProgramFailsQuickly) {
    ::setenv("HORAVEL_DEVICED", (root_ / "no-such-daemon").c_str(), 1);
    const auto t0 = Steady::now();
    DaemonClient c(root_, true);
    EXPECT_FALSE(c.status());
    EXPECT_EQ(DaemonNotifications(std::make_shared<DaemonClient>(root_, true))
                  .setTimed(0, u"\\bin\\mark.sh", u"", deviceTimeAt(hostNowSeconds()), {}),
              0u);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(Steady::now() - t0).count(), 10);
    // The failed registration is in the device's fault journal, not only on standard error.
    const auto faults = readFaults(root_);
    ASSERT_EQ(faults.count, 1u);
    EXPECT_NE(faults.last[0].find("\\bin\\mark.sh"), std::string::npos) << faults.last[0];
    EXPECT_NE(faults.last[0].find("does not answer"), std::string::npos) << faults.last[0];
}

// A program installed in the device root (nothing beside it, no build tree above it) starts the
// daemon that last served the root, which recorded its path there.
TEST_F(DaemonTest, InstalledProgramStartsTheRecordedDaemon) {
    startDaemon();
    stopDaemon();
    EXPECT_TRUE(waitUntil([&] { return connectDaemonSocket(root_) < 0; }, 10));
    fs::create_directories(root_ / "Windows");
    const fs::path installed = root_ / "Windows" / "horavel-cli";
    fs::copy_file(HV_CLI_PATH, installed);
    const std::string cmd = "env -u HORAVEL_DEVICED PATH=/usr/bin:/bin '" + installed.string() +
                            "' device status --device '" + root_.string() + "' 2>&1";
    std::string out;
    int rc = -1;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        const int st = ::pclose(p);
        rc = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    ASSERT_EQ(rc, 0) << out;
    const size_t at = out.find("pid=");
    ASSERT_NE(at, std::string::npos) << out;
    onDemandPid_ = static_cast<pid_t>(std::stol(out.substr(at + 4)));
    EXPECT_TRUE(alive(onDemandPid_));
}

TEST_F(DaemonTest, ClientsStartingAtOnceShareOneDaemonThatEndsWithItsRoot) {
    constexpr int kClients = 4;
    int result[2];
    ASSERT_EQ(::pipe(result), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < kClients; ++i) {
        const pid_t c = ::fork();
        if (c == 0) {
            DaemonClient client(root_, true);
            const auto s = client.status();
            const uint32_t pid = s ? s->pid : 0;
            [[maybe_unused]] auto k = ::write(result[1], &pid, sizeof pid);
            ::_exit(0);
        }
        children.push_back(c);
    }
    std::vector<uint32_t> pids;
    for (int i = 0; i < kClients; ++i) {
        uint32_t pid = 0;
        ASSERT_EQ(::read(result[0], &pid, sizeof pid), static_cast<ssize_t>(sizeof pid));
        pids.push_back(pid);
    }
    for (pid_t c : children)
        ::waitpid(c, nullptr, 0);
    ::close(result[0]);
    ::close(result[1]);
    ASSERT_NE(pids[0], 0u);
    for (uint32_t p : pids)
        EXPECT_EQ(p, pids[0]);
    onDemandPid_ = static_cast<pid_t>(pids[0]);
    EXPECT_TRUE(alive(onDemandPid_));
    // TearDown removes the root and checks that the daemon went with it.
}

} // namespace

namespace {

// Runs a program with exactly the given environment and waits for it.
int runWithEnvironment(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv, envp;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (const auto& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 1);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string fileText(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

// A daemon started without a display (by the user manager before the desktop, or on a console)
// starts its programs in the graphical session as it is at that moment: the user manager's
// environment when it names a display, else that of the last client that came with one.
TEST_F(DaemonTest, StartedProgramsGetTheGraphicalSessionOfTheMomentFromTheManagerOrAClient) {
    std::ofstream(root_ / "bin" / "env.sh")
        << "#!/bin/sh\n{ echo \"$1 DISPLAY=$DISPLAY WAYLAND=$WAYLAND_DISPLAY "
           "XAUTHORITY=$XAUTHORITY BUS=$DBUS_SESSION_BUS_ADDRESS\"; } >> "
           "\"$HORAVEL_DEVICE/env.log\"\n";
    fs::permissions(root_ / "bin" / "env.sh", fs::perms::owner_all);
    // The user manager: `systemctl --user show-environment` prints what manager.env holds.
    std::ofstream(root_ / "systemctl")
        << "#!/bin/sh\n[ \"$1 $2\" = \"--user show-environment\" ] || exit 1\n"
           "cat \"$HORAVEL_DEVICE/manager.env\"\n";
    fs::permissions(root_ / "systemctl", fs::perms::owner_all);
    hv::testing::withoutADisplay();
    ::setenv("HORAVEL_SYSTEMCTL", (root_ / "systemctl").c_str(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/own-bus", 1);
    ::setenv("HORAVEL_WAKE_ALARM", "0", 1);
    startDaemon();
    for (const char* v : {"HORAVEL_SYSTEMCTL", "DBUS_SESSION_BUS_ADDRESS", "HORAVEL_WAKE_ALARM"})
        ::unsetenv(v);
    useUtcZone();
    DaemonNotifications n(client_);
    const auto fireNow = [&](const char16_t* argument) {
        const double due = hostNowSeconds() + 0.5;
        ASSERT_NE(n.setTimed(0, u"\\bin\\env.sh", argument, deviceTimeAt(due), deviceTimeAt(due)),
                  0u);
    };
    const auto lineOf = [&](const std::string& argument) {
        std::string line;
        waitUntil(
            [&] {
                std::istringstream in(fileText(root_ / "env.log"));
                while (std::getline(in, line))
                    if (line.rfind(argument + " ", 0) == 0)
                        return true;
                line.clear();
                return false;
            },
            20);
        return line;
    };

    // The desktop has handed the manager its display since the daemon started.
    std::ofstream(root_ / "manager.env")
        << "HOME=/home/u\nDISPLAY=:47\nXAUTHORITY=/run/user/auth47\nPATH=/bin\n";
    fireNow(u"manager");
    EXPECT_EQ(lineOf("manager"), "manager DISPLAY=:47 WAYLAND= XAUTHORITY=/run/user/auth47 "
                                 "BUS=unix:path=/run/user/own-bus");

    // A manager without a display (a desktop that exports nothing): the last client that came
    // with a Wayland display gives it, bus and all.
    std::ofstream(root_ / "manager.env") << "HOME=/home/u\n";
    ASSERT_EQ(runWithEnvironment({HV_CLI_PATH, "device", "status", "--device", root_.string()},
                                 {"WAYLAND_DISPLAY=wayland-48", "XDG_RUNTIME_DIR=/run/user/48",
                                  "DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/48/bus",
                                  "HORAVEL_DEVICED=" HV_DEVICED_PATH}),
              0);
    fireNow(u"client");
    EXPECT_EQ(lineOf("client"),
              "client DISPLAY= WAYLAND=wayland-48 XAUTHORITY= BUS=unix:path=/run/user/48/bus");

    // No user manager answers: the client's session still holds.
    fs::remove(root_ / "manager.env");
    fireNow(u"nomanager");
    EXPECT_EQ(lineOf("nomanager"),
              "nomanager DISPLAY= WAYLAND=wayland-48 XAUTHORITY= BUS=unix:path=/run/user/48/bus");

    // The status says how the daemon wakes (here the fallback it was told to take) and where
    // its idle time comes from.
    const fs::path out = root_ / "status.txt";
    ASSERT_EQ(std::system((std::string(HV_CLI_PATH) + " device status --device '" + root_.string() +
                           "' > '" + out.string() + "'")
                              .c_str()),
              0);
    const std::string status = fileText(out);
    EXPECT_NE(status.find("\nwake=timer (does not wake the machine: turned off with "
                          "HORAVEL_WAKE_ALARM=0; a reminder due during a suspend rings at the "
                          "wake-up)\n"),
              std::string::npos)
        << status;
    if (!hv::testing::startedWithADisplay()) {
        EXPECT_NE(status.find("\nidle=none (WAYLAND_DISPLAY=wayland-48 gives no idle time"),
                  std::string::npos)
            << status;
    }
}

// The screen-saver launcher is registered for the cradle event; it is started at every start of
// the daemon (a new login), not only when external power comes online. The power state the
// programs see is the device's: the state set with `device power` holds for them too.
TEST_F(DaemonTest, CradleProgramsRunAtEveryDaemonStartAndProgramsSeeTheDevicesPower) {
    startDaemon();
    ASSERT_TRUE(
        DaemonNotifications(client_).runAppAtEvent(u"\\bin\\mark.sh", RunEvent::Rs232Detected));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(fired().empty());
    stopDaemon();
    startDaemon();
    ASSERT_TRUE(waitUntil([&] { return fired().size() == 1; }, 15));
    EXPECT_EQ(fired()[0].first, "AppRunAtRs232Detect");

    RealDevice::instance().setRoot(root_);
    const auto power = [&](const char* state) {
        const std::string cmd = std::string(HV_CLI_PATH) + " device power " + state +
                                " --device '" + root_.string() + "' >/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    };
    power("battery");
    EXPECT_FALSE(RealDevice::instance().shell().onExternalPower());
    power("ac");
    EXPECT_TRUE(RealDevice::instance().shell().onExternalPower());
    // Coming back online starts them too.
    EXPECT_TRUE(waitUntil([&] { return fired().size() == 2; }, 15));
}

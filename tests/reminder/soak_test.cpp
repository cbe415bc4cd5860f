// Soak: random steps of a user and a device against the real daemon and BHVEvents.exe in a
// temporary device root. The test process plays the main program (its alarm and timer tables on
// the real device layer); the daemon starts the reminder for every due alarm, timer and snooze
// and after every change of the device clock. After each step, once every reminder has ended,
// every armed alarm has exactly one registration, at its next occurrence; a stopped timer and a
// disarmed alarm have none; no snooze is left; alarms.dat and timers.dat are whole.
//
// HV_SOAK_STEPS (default 20) and HV_SOAK_SEED (default 1) choose the run; HV_SOAK_DEVICED and
// HV_SOAK_BHVEVENTS may name other builds of the two programs. scripts/soak.sh runs the long one
// and prints its figures.
#include "device/daemon_client.h"
#include "device/device.h"
#include "device/files.h"
#include "device/paths.h"
#include "device/real.h"
#include "items/alarms.h"
#include "items/timers.h"
#include "settings/settings.h"

#include "tests/support/real_daemon.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace hv;
using namespace hv::dev;
namespace fs = std::filesystem;

namespace {

using hv::testing::waitUntil;

size_t countOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

long envNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

const char* envPath(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("hv-soak-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "Windows");
        fs::create_directories(root_ / "data");
        const char* deviced = envPath("HV_SOAK_DEVICED", HV_DEVICED_PATH);
        fs::copy_file(envPath("HV_SOAK_BHVEVENTS", HV_BHVEVENTS_PATH),
                      root_ / "Windows" / "BHVEvents.exe");
        hv::testing::useReminderRoot(root_, deviced);
        bool answering = false;
        daemonPid_ = hv::testing::startRealDaemon(deviced, root_, answering);
        ASSERT_GT(daemonPid_, 0);
        ASSERT_TRUE(answering);
        client_ = std::make_shared<DaemonClient>(root_, false);
        ASSERT_TRUE(DaemonTimeSetting(client_).setTimeZone(TimeZoneInformation{}));
        ASSERT_TRUE(
            DaemonTimeSetting(client_).setSystemTime(SystemTime{2026, 12, 1, 7, 6, 0, 0, 0}));
        // What the main program's first run leaves: the install folder (this test program runs
        // outside the root, so its folder is "\"), the settings and the time-change start.
        resetAppState();
        loadSettings();
    }

    void TearDown() override {
        // The tables close their named events while the daemon still answers.
        timers_.reset();
        alarms_.reset();
        if (daemonPid_ > 0) {
            ::kill(daemonPid_, SIGTERM);
            ::waitpid(daemonPid_, nullptr, 0);
        }
        client_.reset();
        if (!HasFailure())
            fs::remove_all(root_);
        else
            std::cerr << "soak root kept: " << root_ << '\n';
    }

    std::string log() const {
        std::ifstream in(root_ / "reminder.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void press(int command) { std::ofstream(root_ / "reminder.cmd") << command; }
    FileTime nowLocal() { return getLocalTimeAsFileTime(); }
    void setLocal(FileTime t) {
        ASSERT_TRUE(DaemonTimeSetting(client_).setSystemTime(toSystemTime(t)));
    }

    // Waits until every reminder started so far has ended, dismissing any bubble on the way.
    bool settle(double seconds = 60) {
        return waitUntil(
            [&] {
                const std::string l = log();
                const size_t starts = countOf(l, " start "), ends = countOf(l, " end");
                if (starts == ends)
                    return true;
                if (countOf(l, " bubble ") > countOf(l, "command 200") + countOf(l, "command 201"))
                    press(200);
                return false;
            },
            seconds, 100);
    }

    // The invariants after a step.
    void check(int step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const auto alarmsBytes = dev::readWholeFile(u"\\data\\alarms.dat");
        ASSERT_TRUE(alarmsBytes);
        ASSERT_EQ(alarmsBytes->size(), items::kAlarmsFileSize);
        std::array<items::AlarmRecord, items::kAlarmCount> onFile{};
        std::memcpy(onFile.data(), alarmsBytes->data(), items::kAlarmsFileSize);
        const auto timersBytes = dev::readWholeFile(u"\\data\\timers.dat");
        ASSERT_TRUE(timersBytes);
        ASSERT_EQ(timersBytes->size(), items::kTimersFileSize);
        std::array<items::TimerRecord, items::kTimerCount> timersOnFile{};
        std::memcpy(timersOnFile.data(), timersBytes->data(), items::kTimersFileSize);

        const auto regs = DaemonNotifications(client_).list();
        const FileTime now = nowLocal();
        for (int i = 0; i < items::kAlarmCount; ++i) {
            const items::AlarmRecord& r = onFile[static_cast<size_t>(i)];
            std::vector<TimedRegistration> mine;
            for (const auto& reg : regs)
                if (reg.arguments == items::alarmArgument(i))
                    mine.push_back(reg);
            if (!r.enabled || (r.daysMask & 0x7F) == 0) {
                EXPECT_TRUE(mine.empty()) << "disarmed alarm " << i + 1 << " still registered";
                continue;
            }
            ASSERT_EQ(mine.size(), 1u) << "alarm " << i + 1;
            // Copies: the record is packed, and the checks take their values by reference.
            const auto handle = r.notificationHandle;
            const FileTime alarmTime = r.alarmTime;
            EXPECT_EQ(mine[0].handle, handle) << "alarm " << i + 1;
            EXPECT_EQ(toFileTime(mine[0].start), std::optional<FileTime>(alarmTime))
                << "alarm " << i + 1;
            EXPECT_EQ(toFileTime(mine[0].start), items::alarmOccurrenceFrom(r, now))
                << "alarm " << i + 1 << " not at its next occurrence";
        }
        for (int i = 0; i < items::kTimerCount; ++i) {
            size_t n = 0;
            for (const auto& reg : regs)
                n += reg.arguments == items::timerArgument(i);
            EXPECT_EQ(n, timersOnFile[static_cast<size_t>(i)].running ? 1u : 0u) << "timer " << i;
        }
        for (const auto& reg : regs)
            EXPECT_NE(reg.arguments, u"sn") << "a snooze outlived its reminder";
        // The program's table sees what the reminder wrote.
        alarms_->refresh();
        for (int i = 0; i < items::kAlarmCount; ++i) {
            const auto inProgram = alarms_->records[static_cast<size_t>(i)].notificationHandle;
            const auto stored = onFile[static_cast<size_t>(i)].notificationHandle;
            EXPECT_EQ(inProgram, stored) << "alarm " << i + 1 << " stale in the program";
        }
    }

    fs::path root_;
    pid_t daemonPid_ = -1;
    std::shared_ptr<DaemonClient> client_;
    std::unique_ptr<items::Alarms> alarms_;
    std::unique_ptr<items::Timers> timers_;
};

TEST_F(Soak, RandomStepsKeepOneRegistrationPerArmedItem) {
    const long steps = envNumber("HV_SOAK_STEPS", 20);
    std::mt19937 rng(static_cast<unsigned>(envNumber("HV_SOAK_SEED", 1)));
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto start = [&] {
        alarms_ = std::make_unique<items::Alarms>();
        timers_ = std::make_unique<items::Timers>();
        ASSERT_TRUE(alarms_->load());
        alarms_->save();
        timers_->openEvents();
        ASSERT_TRUE(timers_->load());
    };
    start();
    std::map<std::string, int> done;
    const auto began = std::chrono::steady_clock::now();
    for (long step = 0; step < steps && !HasFatalFailure(); ++step) {
        const int kind = pick(100);
        std::string name;
        if (kind < 25) {
            name = "arm";
            const int i = pick(6); // a few alarms, so they meet often
            items::AlarmRecord& r = alarms_->records[static_cast<size_t>(i)];
            r.daysMask = static_cast<uint8_t>(1 + pick(127));
            r.alarmTime = nowLocal() + static_cast<FileTime>(pick(48 * 60)) * kTicksPerMinute;
            alarms_->checkSet(i);
        } else if (kind < 35) {
            name = "disarm";
            alarms_->checkCleared(pick(6));
        } else if (kind < 60) {
            // The clock moves to just before the next armed occurrence; the reminder rings, and is
            // dismissed or snoozed and woken five minutes later.
            std::optional<FileTime> next;
            for (const auto& r : alarms_->records) {
                const FileTime at = r.alarmTime; // a copy: the record is packed
                if (r.enabled && (r.daysMask & 0x7F) && (!next || at < *next))
                    next = at;
            }
            if (!next) {
                --step;
                continue;
            }
            name = "fire";
            const size_t bubbles = countOf(log(), " bubble ");
            setLocal(*next - 2 * kTicksPerSecond);
            const bool rang =
                waitUntil([&] { return countOf(log(), " bubble ") > bubbles; }, 30, 100);
            if (rang && pick(2) == 0) {
                name = "fire+snooze";
                press(201);
                ASSERT_TRUE(waitUntil(
                    [&] {
                        for (const auto& reg : DaemonNotifications(client_).list())
                            if (reg.arguments == u"sn")
                                return true;
                        return false;
                    },
                    30, 100))
                    << log();
                setLocal(nowLocal() + 5 * kTicksPerMinute + kTicksPerSecond);
                ASSERT_TRUE(
                    waitUntil([&] { return countOf(log(), " bubble ") > bubbles + 1; }, 30, 100))
                    << log();
            }
            if (rang)
                press(200);
        } else if (kind < 75) {
            name = "timer";
            const int i = pick(items::kTimerCount);
            if (timers_->records[static_cast<size_t>(i)].running) {
                timers_->stop(i);
            } else {
                items::TimerSettingsDraft d = items::openTimerSettings(*timers_, i);
                d.hours = d.minutes = 0;
                d.seconds = static_cast<uint8_t>(2 + pick(3));
                items::confirmTimerSettings(*timers_, d);
                ASSERT_TRUE(timers_->start(i));
                if (pick(3) == 0) {
                    name = "timer start-stop";
                    timers_->stop(i);
                } else {
                    name = "timer run";
                    ASSERT_TRUE(waitUntil([&] { return timers_->checkChanged() == i; }, 30, 100))
                        << log();
                }
            }
        } else if (kind < 85) {
            name = "exit";
            timers_->checkAllChanged();
            timers_->save();
            start();
        } else {
            name = "clock jump";
            const size_t changes = countOf(log(), "start AppRunAfterTimeChange");
            const int64_t minutes = pick(2) ? pick(180) + 1 : -(pick(180) + 1);
            setLocal(nowLocal() + static_cast<FileTime>(minutes * 60) * kTicksPerSecond);
            ASSERT_TRUE(waitUntil(
                [&] { return countOf(log(), "start AppRunAfterTimeChange") > changes; }, 30, 100))
                << log();
        }
        ASSERT_TRUE(settle()) << "step " << step << " (" << name << ") did not settle\n" << log();
        timers_->checkAllChanged();
        ++done[name];
        check(static_cast<int>(step));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::cout << "soak: " << steps << " steps in " << seconds << " s, " << countOf(log(), " start ")
              << " reminder starts;";
    for (const auto& [k, n] : done)
        std::cout << ' ' << k << '=' << n;
    std::cout << '\n';
}

} // namespace

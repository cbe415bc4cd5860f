// The device services daemon killed (SIGKILL) at random moments while the main program arms,
// moves and disarms alarms, a few hundred times. After every kill, once the main program's start
// has run its repair, each armed alarm has exactly one registration, the one its record keeps,
// and a disarmed alarm none; alarms that come due ring exactly once each. A stand-in reminder
// program notes every start.
//   HV_KILLS (default 300) and HV_KILLS_SEED (default 1) choose the run.
#include "device/daemon_client.h"
#include "device/device.h"
#include "device/paths.h"
#include "device/real.h"
#include "device/text.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/reregister.h"
#include "items/timers.h"
#include "settings/settings.h"

#include "tests/support/real_daemon.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace hv;
using namespace hv::dev;
namespace fs = std::filesystem;

namespace {

using hv::testing::waitUntil;

long envNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

std::string describe(const std::map<std::string, int>& m) {
    std::string out;
    for (const auto& [arg, n] : m)
        out += arg + " x" + std::to_string(n) + " ";
    return out;
}

class AlarmKills : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("hv-kills-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "Windows");
        fs::create_directories(root_ / "data");
        const fs::path stub = root_ / "Windows" / "BHVEvents.exe";
        std::ofstream(stub) << "#!/bin/sh\necho \"$1\" >> \"$HORAVEL_DEVICE/fired.log\"\n";
        fs::permissions(stub, fs::perms::owner_all);
        hv::testing::useReminderRoot(root_, HV_DEVICED_PATH);
        client_ = std::make_shared<DaemonClient>(root_, true);
        ASSERT_TRUE(DaemonTimeSetting(client_).setTimeZone(TimeZoneInformation{}));
    }
    void TearDown() override {
        if (const auto s = client_->status())
            ::kill(static_cast<pid_t>(s->pid), SIGTERM);
        client_.reset();
        fs::remove_all(root_);
    }

    pid_t daemonPid() {
        const auto s = client_->status();
        return s ? static_cast<pid_t>(s->pid) : -1;
    }

    std::map<std::string, int> firings() const {
        std::map<std::string, int> out;
        std::ifstream in(root_ / "fired.log");
        for (std::string arg; in >> arg;)
            ++out[arg];
        return out;
    }

    // The main program's start: every armed alarm registered once, every extra cleared.
    void repair() {
        items::Timers timers;
        items::Events events;
        timers.load();
        events.load();
        items::registerMissingItems(alarms_, timers, events);
    }

    ::testing::AssertionResult oneRegistrationPerArmedAlarm(int round) {
        std::map<std::u16string, std::vector<uint32_t>> held;
        for (const auto& r : DaemonNotifications(client_).list())
            held[r.arguments].push_back(r.handle);
        for (int i = 0; i < items::kAlarmCount; ++i) {
            const auto& r = alarms_.records[static_cast<size_t>(i)];
            const auto& regs = held[items::alarmArgument(i)];
            const size_t want = r.enabled ? 1 : 0;
            if (regs.size() != want || (want && regs[0] != r.notificationHandle))
                return ::testing::AssertionFailure()
                       << "after kill " << round << ": alarm " << i + 1 << " has " << regs.size()
                       << " registrations (armed " << int(r.enabled) << ")";
        }
        return ::testing::AssertionSuccess();
    }

    // Runs the step while another thread kills the daemon after a random pause.
    template <class Step> void underKill(std::mt19937& rng, Step step) {
        const pid_t pid = daemonPid();
        const int pauseUs = std::uniform_int_distribution<int>(0, 4000)(rng);
        std::thread killer([&] {
            std::this_thread::sleep_for(std::chrono::microseconds(pauseUs));
            if (pid > 0)
                ::kill(pid, SIGKILL);
        });
        step();
        killer.join();
    }

    fs::path root_;
    std::shared_ptr<DaemonClient> client_;
    items::Alarms alarms_;
};

TEST_F(AlarmKills, EveryKillLeavesOneRegistrationPerArmedAlarmAndOneFiringPerDueOne) {
    const long kills = envNumber("HV_KILLS", 300);
    std::mt19937 rng(static_cast<unsigned>(envNumber("HV_KILLS_SEED", 1)));
    alarms_.load();
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    std::map<std::string, int> due; // expected firings
    for (long k = 1; k <= kills; ++k) {
        const int i = pick(items::kAlarmCount);
        auto& r = alarms_.records[static_cast<size_t>(i)];
        // Far ahead, so that nothing rings during the steps: a day or more.
        const FileTime at =
            getLocalTimeAsFileTime() + (1 + pick(5)) * kTicksPerDay + pick(1440) * kTicksPerMinute;
        underKill(rng, [&] {
            if (pick(3) == 0) {
                r.enabled = 0;
                alarms_.schedule(i, std::nullopt);
            } else {
                r.enabled = 1;
                r.daysMask = 0x7F;
                r.alarmTime = at;
                alarms_.schedule(i, toSystemTime(at));
            }
        });
        repair();
        ASSERT_TRUE(oneRegistrationPerArmedAlarm(static_cast<int>(k)));

        if (k % 60 == 0) {
            // Three alarms at the next whole minute but one, armed under kills: each rings once.
            // Only after the registrations were checked does the device clock go to three
            // seconds before them (the zone is UTC, so device local time is UTC): on a loaded
            // machine the arming and the repair can take longer than three seconds, and an
            // alarm that already rang holds no registration any more.
            const FileTime now = getLocalTimeAsFileTime();
            const FileTime when = now - now % kTicksPerMinute + 2 * kTicksPerMinute;
            std::vector<int> soon;
            for (int j = 0; j < 3; ++j) {
                const int n = (static_cast<int>(k / 60) * 3 + j) % items::kAlarmCount;
                auto& s = alarms_.records[static_cast<size_t>(n)];
                underKill(rng, [&] {
                    s.enabled = 1;
                    s.daysMask = 0x7F;
                    s.alarmTime = when;
                    alarms_.schedule(n, toSystemTime(when));
                });
                ++due[dev::toUtf8(items::alarmArgument(n))];
                soon.push_back(n);
            }
            repair();
            ASSERT_TRUE(oneRegistrationPerArmedAlarm(static_cast<int>(k)));
            ASSERT_TRUE(
                DaemonTimeSetting(client_).setSystemTime(toSystemTime(when - 3 * kTicksPerSecond)));
            ASSERT_TRUE(waitUntil([&] { return firings() == due; }, 20))
                << "after kill " << k
                << ": the due alarms did not ring exactly once: " << describe(firings())
                << " rang, " << describe(due) << " were due";
            // As the reminder would: the ones that rang are disarmed.
            for (int n : soon) {
                alarms_.records[static_cast<size_t>(n)].enabled = 0;
                alarms_.schedule(n, std::nullopt);
            }
        }
    }
    // Nothing rang twice meanwhile, and nothing else rang.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(firings(), due);
}

} // namespace

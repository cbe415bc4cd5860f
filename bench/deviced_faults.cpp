// hv_deviced_faults: the fault-injection run of the device services daemon (a process run, not a
// unit test). In a temporary device root it kills the daemon with SIGKILL at random moments while
// a client registers programs (most of them due at once or within a second), clears some and the
// daemon fires them; the client starts a new daemon on its next request. At the end every
// registration must have started its program exactly once unless it was cleared, none twice; a
// request the killed daemon may or may not have carried out may have either outcome.
//   hv_deviced_faults --daemon PATH [--kills N] [--seed S]
#include "device/daemon_client.h"
#include "device/paths.h"
#include "device/text.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>

using namespace hv::dev;
namespace fs = std::filesystem;

namespace {

SystemTime utcAt(double unixSeconds) {
    return toSystemTime(kUnixEpochFileTime + static_cast<FileTime>(unixSeconds * 1e7));
}

double nowUnix() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

bool running(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string skip, state;
    if (!(in >> skip >> skip >> state))
        return false;
    return state != "Z";
}

enum class Reg { Confirmed, Unsure, NotSent };
enum class Clr { None, Cleared, AlreadyGone, Unsure };
struct Entry {
    uint32_t handle = 0;
    Reg reg = Reg::NotSent;
    Clr clr = Clr::None;
};

} // namespace

int main(int argc, char** argv) {
    std::string daemon;
    int kills = 1000;
    unsigned seed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--daemon" && i + 1 < argc)
            daemon = argv[++i];
        else if (a == "--kills" && i + 1 < argc)
            kills = std::atoi(argv[++i]);
        else if (a == "--seed" && i + 1 < argc)
            seed = static_cast<unsigned>(std::atoi(argv[++i]));
        else {
            std::cerr << "usage: hv_deviced_faults --daemon PATH [--kills N] [--seed S]\n";
            return 2;
        }
    }
    char tmpl[] = "/tmp/hv-faults-XXXXXX";
    if (daemon.empty() || !::mkdtemp(tmpl))
        return 2;
    const fs::path root = tmpl;
    fs::create_directories(root / "bin");
    std::ofstream(root / "bin" / "mark")
        << "#!/bin/sh\necho \"$1\" >> \"$HORAVEL_DEVICE/fired.log\"\n";
    fs::permissions(root / "bin" / "mark", fs::perms::owner_all);
    ::setenv("HORAVEL_DEVICED", daemon.c_str(), 1);

    auto client = std::make_shared<DaemonClient>(root);
    DaemonNotifications n(client);
    if (!DaemonTimeSetting(client).setTimeZone(TimeZoneInformation{}))
        return 1;
    std::mt19937 rng(seed);
    std::map<std::string, Entry> ledger;
    std::vector<std::string> clearable;
    int next = 0, killed = 0, ops = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (int attempt = 0; killed < kills && attempt < 4 * kills; ++attempt) {
        const auto s = client->status();
        if (!s)
            continue;
        const auto pid = static_cast<pid_t>(s->pid);
        const int delayUs = std::uniform_int_distribution<int>(0, 20000)(rng);
        std::thread killer([pid, delayUs] {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            ::kill(pid, SIGKILL);
        });
        for (int op = 0; op < 6; ++op, ++ops) {
            if (!clearable.empty() && std::uniform_int_distribution<int>(0, 3)(rng) == 0) {
                const size_t i =
                    std::uniform_int_distribution<size_t>(0, clearable.size() - 1)(rng);
                Entry& e = ledger[clearable[i]];
                clearable.erase(clearable.begin() + static_cast<std::ptrdiff_t>(i));
                const bool cleared = n.clear(e.handle);
                e.clr = cleared                ? Clr::Cleared
                        : client->lastStatus() ? Clr::AlreadyGone
                                               : Clr::Unsure;
                continue;
            }
            const std::string arg = "f" + std::to_string(next++);
            // Due within the next second and a half, some already due.
            const double at = nowUnix() + std::uniform_real_distribution<double>(-1.0, 1.5)(rng);
            Entry e;
            e.handle = n.setTimed(0, u"\\bin\\mark", fromUtf8(arg), utcAt(at), utcAt(at));
            e.reg = e.handle != 0               ? Reg::Confirmed
                    : client->lastCallReached() ? Reg::Unsure
                                                : Reg::NotSent;
            ledger[arg] = e;
            if (e.reg == Reg::Confirmed)
                clearable.push_back(arg);
        }
        killer.join();
        ++killed;
        for (int w = 0; w < 200 && running(pid); ++w)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Whatever is left falls due: one day ahead, on a daemon that is left running.
    DaemonTimeSetting(client).setSystemTime(utcAt(nowUnix() + 86400));
    for (int w = 0; w < 1200; ++w) {
        if (n.listAll().value_or(std::vector<TimedRegistration>{1}).empty())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::map<std::string, int> fired;
    {
        std::ifstream in(root / "fired.log");
        for (std::string line; std::getline(in, line);)
            ++fired[line];
    }
    int lost = 0, doubled = 0, firedAfterClear = 0, confirmed = 0, unsure = 0, notSent = 0,
        sentNotFired = 0, unsureFired = 0, cleared = 0;
    for (const auto& [arg, e] : ledger) {
        const int times = fired.count(arg) ? fired[arg] : 0;
        doubled += times > 1;
        if (times > 1 || (e.clr == Clr::Cleared && times != 0))
            std::printf("%s fired %d times: handle %u, registration %d, clear %d\n", arg.c_str(),
                        times, e.handle, static_cast<int>(e.reg), static_cast<int>(e.clr));
        confirmed += e.reg == Reg::Confirmed;
        unsure += e.reg == Reg::Unsure;
        notSent += e.reg == Reg::NotSent;
        cleared += e.clr == Clr::Cleared;
        unsureFired += e.reg == Reg::Unsure && times == 1;
        if (e.reg == Reg::NotSent && times != 0)
            ++sentNotFired; // fired though never sent: impossible
        if (e.reg == Reg::Confirmed && (e.clr == Clr::None || e.clr == Clr::AlreadyGone) &&
            times == 0)
            ++lost;
        if (e.clr == Clr::Cleared && times != 0)
            ++firedAfterClear;
    }
    const double secs =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("kills=%d requests=%d seconds=%.0f registrations=%zu confirmed=%d unsure=%d "
                "(fired %d) not_sent=%d cleared=%d\n",
                killed, ops, secs, ledger.size(), confirmed, unsure, unsureFired, notSent, cleared);
    std::printf("lost=%d doubled=%d fired_after_clear=%d fired_never_sent=%d\n", lost, doubled,
                firedAfterClear, sentNotFired);
    proto::Status st;
    std::vector<uint8_t> payload;
    client->call(proto::Request{proto::Op::Shutdown}, st, payload);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::error_code ec;
    fs::remove_all(root, ec);
    return lost == 0 && doubled == 0 && firedAfterClear == 0 && sentNotFired == 0 ? 0 : 1;
}

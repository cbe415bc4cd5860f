// hv_deviced_load: a load run of the device services daemon in a temporary device root (a process
// measurement, not a unit test). It registers N programs through the socket, one request at a
// time, and reports the rate of the first and of the last thousand; then it moves the device
// clock past all of them, measures how long the time setting and status requests take while the
// burst fires, and checks that every registration fired exactly once.
//   hv_deviced_load --daemon PATH [--count N] [--keep]
#include "device/daemon_client.h"
#include "device/paths.h"
#include "device/text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace hv::dev;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

namespace {

double seconds(Steady::duration d) {
    return std::chrono::duration<double>(d).count();
}

SystemTime utcAt(double unixSeconds) {
    return toSystemTime(kUnixEpochFileTime + static_cast<FileTime>(unixSeconds * 1e7));
}

double nowUnix() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

size_t countLines(const fs::path& p, std::map<std::string, int>* seen = nullptr) {
    std::ifstream in(p);
    size_t n = 0;
    for (std::string line; std::getline(in, line); ++n)
        if (seen)
            ++(*seen)[line];
    return n;
}

} // namespace

int main(int argc, char** argv) {
    std::string daemon;
    long count = 10000;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--daemon" && i + 1 < argc)
            daemon = argv[++i];
        else if (a == "--count" && i + 1 < argc)
            count = std::atol(argv[++i]);
        else if (a == "--keep")
            keep = true;
        else {
            std::cerr << "usage: hv_deviced_load --daemon PATH [--count N] [--keep]\n";
            return 2;
        }
    }
    if (daemon.empty() || count < 1000) {
        std::cerr << "hv_deviced_load: --daemon is required and --count at least 1000\n";
        return 2;
    }
    char tmpl[] = "/tmp/hv-load-XXXXXX";
    if (!::mkdtemp(tmpl))
        return 1;
    const fs::path root = tmpl;
    fs::create_directories(root / "bin");
    {
        std::ofstream mark(root / "bin" / "mark");
        mark << "#!/bin/sh\necho \"$1\" >> \"$HORAVEL_DEVICE/fired.log\"\n";
    }
    fs::permissions(root / "bin" / "mark", fs::perms::owner_all);
    ::setenv("HORAVEL_DEVICED", daemon.c_str(), 1);

    auto client = std::make_shared<DaemonClient>(root);
    DaemonNotifications n(client);
    DaemonTimeSetting ts(client);
    if (!client->status() || !ts.setTimeZone(TimeZoneInformation{})) {
        std::cerr << "hv_deviced_load: the daemon does not answer\n";
        return 1;
    }
    const auto pid = client->status()->pid;

    // Registration: due between one and two hours ahead, one request at a time.
    const double base = nowUnix() + 3600;
    std::vector<double> perThousand;
    auto t0 = Steady::now(), lap = t0;
    for (long i = 0; i < count; ++i) {
        const SystemTime at =
            utcAt(base + 3600.0 * static_cast<double>(i) / static_cast<double>(count));
        if (n.setTimed(0, u"\\bin\\mark", fromUtf8("r" + std::to_string(i)), at, at) == 0) {
            std::cerr << "hv_deviced_load: registration " << i << " failed\n";
            return 1;
        }
        if ((i + 1) % 1000 == 0) {
            const auto t = Steady::now();
            perThousand.push_back(1000.0 / seconds(t - lap));
            lap = t;
        }
    }
    const double regTotal = seconds(Steady::now() - t0);
    std::printf("registrations=%ld total_s=%.2f mean_per_s=%.0f first_1000_per_s=%.0f "
                "last_1000_per_s=%.0f slowest_1000_per_s=%.0f\n",
                count, regTotal, static_cast<double>(count) / regTotal, perThousand.front(),
                perThousand.back(), *std::min_element(perThousand.begin(), perThousand.end()));
    std::ifstream rss("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(rss, line);)
        if (line.rfind("VmRSS", 0) == 0)
            std::printf("daemon_%s\n", line.c_str());
    std::fflush(stdout);

    // The clock jump: every registration falls due at once.
    t0 = Steady::now();
    const bool set = ts.setSystemTime(utcAt(nowUnix() + 3 * 3600));
    std::printf("set_time_ok=%d set_time_ms=%.1f\n", set ? 1 : 0,
                1000 * seconds(Steady::now() - t0));

    // Status requests while the burst fires, on a connection of their own.
    DaemonClient watcher(root, false);
    double worstMs = 0, sumMs = 0;
    int asked = 0;
    uint32_t left = 1;
    const auto burst = Steady::now();
    while (left > 0 && seconds(Steady::now() - burst) < 3600) {
        const auto q = Steady::now();
        const auto s = watcher.status();
        const double ms = 1000 * seconds(Steady::now() - q);
        if (!s) {
            std::cerr << "hv_deviced_load: no status answer during the burst\n";
            return 1;
        }
        worstMs = std::max(worstMs, ms);
        sumMs += ms;
        ++asked;
        left = s->timedCount;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const double fireStore = seconds(Steady::now() - burst);
    // The started programs finish shortly after the store is empty.
    const fs::path log = root / "fired.log";
    for (int i = 0; i < 600 && countLines(log) < static_cast<size_t>(count); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::map<std::string, int> seen;
    const size_t lines = countLines(log, &seen);
    size_t doubled = 0;
    for (const auto& [arg, k] : seen)
        doubled += k > 1 ? 1 : 0;
    std::printf("burst_store_empty_s=%.1f fired_lines=%zu distinct=%zu doubled=%zu missing=%ld\n",
                fireStore, lines, seen.size(), doubled, count - static_cast<long>(seen.size()));
    std::printf("status_during_burst: requests=%d mean_ms=%.1f worst_ms=%.1f\n", asked,
                asked ? sumMs / asked : 0.0, worstMs);

    proto::Status st;
    std::vector<uint8_t> payload;
    client->call(proto::Request{proto::Op::Shutdown}, st, payload);
    std::fflush(stdout);
    if (!keep) {
        // The daemon removes its socket as it stops; whatever is left goes here.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        std::error_code ec;
        fs::remove_all(root, ec);
    } else
        std::printf("root=%s\n", root.c_str());
    return doubled == 0 && seen.size() == static_cast<size_t>(count) ? 0 : 1;
}

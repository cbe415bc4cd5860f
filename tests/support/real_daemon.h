// Helpers for tests that run a real hvdeviced in a temporary device root.
#pragma once

#include "device/daemon_client.h"
#include "device/real.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

namespace hv::testing {

// Polls pred every stepMs until it holds or the seconds have passed; a loaded machine gets
// generous deadlines rather than tight timing assumptions.
template <class Pred> bool waitUntil(Pred pred, double seconds, int stepMs = 25) {
    using Steady = std::chrono::steady_clock;
    const auto deadline =
        Steady::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    while (Steady::now() < deadline) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
    return pred();
}

// Starts the daemon program for the root and waits until its socket answers. Returns the pid
// (also when the socket never answered, so the caller can end it), or -1 when fork failed.
inline pid_t startRealDaemon(const char* program, const std::filesystem::path& root,
                             bool& answering) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(program, program, "--root", root.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    answering = pid > 0 && waitUntil(
                               [&] {
                                   const int fd = dev::connectDaemonSocket(root);
                                   if (fd >= 0)
                                       ::close(fd);
                                   return fd >= 0;
                               },
                               20);
    return pid;
}

// Whether this process was started with a display (its environment as the daemon reads it).
inline bool startedWithADisplay() {
    std::ifstream in("/proc/self/environ", std::ios::binary);
    std::string entry;
    while (std::getline(in, entry, '\0'))
        if ((entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("WAYLAND_DISPLAY=", 0) == 0) &&
            entry.find('=') + 1 < entry.size())
            return true;
    return false;
}

// This process without a display, so that what it starts has none either.
inline void withoutADisplay() {
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM"})
        ::unsetenv(v);
}

// Points this process and the programs it starts at a reminder's device root: the device
// root, the daemon program, the reminder's log and control files (the control file presses the
// bubble's buttons of the test build of BHVEvents.exe), the offscreen platform.
inline void useReminderRoot(const std::filesystem::path& root, const char* deviced) {
    ::setenv("HORAVEL_DEVICE", root.c_str(), 1);
    ::setenv("HORAVEL_DEVICED", deviced, 1);
    ::setenv("HORAVEL_REMINDER_LOG", (root / "reminder.log").c_str(), 1);
    ::setenv("HORAVEL_REMINDER_CONTROL", (root / "reminder.cmd").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    dev::RealDevice::instance().setRoot(root);
}

// A fresh reminder's device root: the event program in \Windows, the data folder (relative to
// the root), this process pointed at the root, and the real daemon answering in it with the
// device zone at UTC. The daemon's pid is set as soon as it runs, so the caller can end it even
// when a later step failed.
inline ::testing::AssertionResult startReminderRoot(const std::filesystem::path& root,
                                                    const std::filesystem::path& dataFolder,
                                                    const char* eventsProgram, const char* deviced,
                                                    pid_t& daemonPid,
                                                    std::shared_ptr<dev::DaemonClient>& client) {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    std::filesystem::create_directories(root / "Windows");
    std::filesystem::create_directories(root / dataFolder);
    std::filesystem::copy_file(eventsProgram, root / "Windows" / "BHVEvents.exe");
    useReminderRoot(root, deviced);
    bool answering = false;
    daemonPid = startRealDaemon(deviced, root, answering);
    if (daemonPid <= 0 || !answering)
        return ::testing::AssertionFailure() << "the daemon did not answer in " << root;
    client = std::make_shared<dev::DaemonClient>(root, false);
    if (!dev::DaemonTimeSetting(client).setTimeZone(dev::TimeZoneInformation{}))
        return ::testing::AssertionFailure() << "the daemon refused the device zone";
    return ::testing::AssertionSuccess();
}

} // namespace hv::testing

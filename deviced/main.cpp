// hvdeviced [--root DIR]: serves one device root (default: HORAVEL_DEVICE, else the user's
// device) in the foreground until SIGTERM or until the root is removed. A second daemon for a
// root that already has one exits at once with status 0.
#include "device/daemon_client.h"
#include "device/paths.h"
#include "deviced/daemon.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    // Internal: the launcher's check after the daemon died mid-firing.
    if (args.size() >= 5 && args[0] == "--confirm-start" && args[4] == "--") {
        char* end = nullptr;
        const unsigned long h = std::strtoul(args[2].c_str(), &end, 10);
        if (!end || *end || h == 0 || h > 0xFFFFFFFFul)
            return 2;
        const long long instance = std::strtoll(args[3].c_str(), &end, 10);
        if (!end || *end)
            return 2;
        return hv::deviced::confirmAndStart(args[1], static_cast<uint32_t>(h), instance,
                                            std::vector<std::string>(args.begin() + 5, args.end()));
    }
    std::filesystem::path root;
    int reportFd = -1; // set by a program that starts the daemon and waits for it
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--root" && i + 1 < args.size()) {
            root = args[++i];
        } else if (args[i] == "--report-fd" && i + 1 < args.size()) {
            reportFd = std::atoi(args[++i].c_str());
            if (reportFd < 3)
                reportFd = -1;
            else
                ::fcntl(reportFd, F_SETFD, FD_CLOEXEC); // not passed on to started programs
        } else if (args[i] == "--foreground") {
            // The daemon always runs in the foreground; programs detach it when they start it.
        } else if (args[i] == "--help" || args[i] == "-h") {
            std::cout
                << "usage: hvdeviced [--root DIR] [--foreground]\n"
                   "\n"
                   "Device services for one device root (default: $HORAVEL_DEVICE, else\n"
                   "$XDG_DATA_HOME/horavel/device): the timed starts of the reminder program,\n"
                   "named events, the device clock and time zone, and the user-activity events.\n"
                   "Programs of the device start it when none runs; the user service and the\n"
                   "desktop's autostart start it at login, so that reminders ring after a "
                   "restart.\n"
                   "\n"
                   "It runs in the foreground until SIGTERM, until its device root is removed or\n"
                   "until its own program file is removed (the package was uninstalled). A second\n"
                   "daemon for a root that already has one ends at once with status 0.\n"
                   "\n"
                   "Options:\n"
                   "  --root DIR    the device root to serve\n"
                   "  --foreground  accepted for service managers; the daemon never detaches\n"
                   "  --help        show this text and end\n";
            return 0;
        } else {
            std::cerr << "hvdeviced: unknown argument '" << args[i] << "'\n";
            return 2;
        }
    }
    if (root.empty())
        root = hv::dev::defaultRoot();
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    root = std::filesystem::absolute(root, ec);
    // Everything in this process that asks for the device root finds this one.
    ::setenv("HORAVEL_DEVICE", root.c_str(), 1);

    hv::deviced::Daemon daemon(root);
    const int started = daemon.start();
    if (reportFd >= 0) {
        const char answer = started == 0 ? 'r' : started == 1 ? 'b' : 'f';
        [[maybe_unused]] auto k = ::write(reportFd, &answer, 1);
        ::close(reportFd);
    }
    switch (started) {
    case 0: {
        // Programs installed in the root find the daemon again through this record when none
        // runs.
        const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (!ec)
            hv::dev::recordDaemonProgram(root, self);
        return daemon.run();
    }
    case 1:
        return 0; // another daemon serves this root
    default:
        return 1;
    }
}

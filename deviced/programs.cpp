#include "deviced/programs.h"

#include "device/journal.h"
#include "device/paths.h"
#include "device/text.h"
#include "deviced/log.h"
#include "deviced/store.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace hv::deviced {

namespace fs = std::filesystem;

namespace {

void prepareChild(const fs::path& root, const SessionEnvironment& lastClient) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGCHLD, SIG_DFL);
    ::signal(SIGPIPE, SIG_DFL);
    ::setsid();
    const int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0 && devnull != 0) {
        ::dup2(devnull, 0);
        ::close(devnull);
    }
    ::setenv("HORAVEL_DEVICE", root.c_str(), 1);
    applySession(chooseSession(ownSession(), managerSession(), lastClient));
}

} // namespace

bool Programs::insideRoot(const std::u16string& app) const {
    return dev::isProgramInsideRoot(root_, app);
}

void Programs::reportNotStarted(const std::string& what) const {
    dev::reportFault(root_, what + " not started: the program is missing or leads out of the "
                                   "device root");
}

void Programs::start(const std::u16string& app, const std::u16string& args) const {
    if (!insideRoot(app)) {
        reportNotStarted(dev::toUtf8(app));
        return;
    }
    const auto argv = commandLine(app, args);
    const pid_t pid = fork();
    if (pid == 0)
        execOrExit(argv);
    if (pid < 0)
        log("fork failed for " + argv[0]);
}

std::vector<std::string> Programs::commandLine(const std::u16string& app,
                                               const std::u16string& args) const {
    std::vector<std::string> argv{dev::hostPath(root_, app).string()};
    if (!args.empty())
        argv.push_back(dev::toUtf8(args));
    return argv;
}

pid_t Programs::fork() const {
    const pid_t pid = ::fork();
    if (pid == 0)
        prepareChild(root_, lastClient_);
    return pid;
}

void execOrExit(const std::vector<std::string>& argv) {
    std::vector<char*> a;
    for (const auto& s : argv)
        a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    ::execv(a[0], a.data());
    std::cerr << "hvdeviced: cannot start " << argv[0] << ": " << std::strerror(errno) << std::endl;
    ::_exit(127);
}

int confirmAndStart(const std::string& dbPath, uint32_t handle, int64_t instance,
                    const std::vector<std::string>& argv) {
    // Only the firing this daemon committed: a registration still there is fired by the next
    // daemon, and one a next daemon fired already was started by that one.
    const auto mine = firedBy(dbPath, handle, instance);
    if (!mine || !*mine || argv.empty())
        return 0;
    execOrExit(argv);
}

} // namespace hv::deviced

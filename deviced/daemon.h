// hvdeviced: the device services daemon of one device root. One thread, one event loop: the
// socket server and its connections, the scheduler of the timed registrations, the named
// events with their waits, the power supply and the user's activity, signals, and a watch on the
// root (the daemon ends when the root disappears). Daemon composes them.
#pragma once

#include "device/daemon_protocol.h"
#include "deviced/activity.h"
#include "deviced/clock.h"
#include "deviced/events.h"
#include "deviced/loop.h"
#include "deviced/power.h"
#include "deviced/programs.h"
#include "deviced/requests.h"
#include "deviced/rootwatch.h"
#include "deviced/scheduler.h"
#include "deviced/server.h"
#include "deviced/session.h"
#include "deviced/store.h"

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace hv::deviced {

using dev::kTimeChangeArgument;
inline constexpr char16_t kCradleArgument[] = u"AppRunAtRs232Detect";

class Daemon {
public:
    explicit Daemon(std::filesystem::path root);
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;

    // Takes the root's lock, opens the store and the socket. 1: another daemon owns the root;
    // 2: failure; 0: ready to run.
    int start();
    // Serves until told to stop or the root disappears. Returns the exit status.
    int run();

private:
    Services services();
    int lockRoot();
    bool openStore();
    bool openLoop();
    bool watchSignals();
    void markThisInstance();

    void clientJoined(pid_t pid);
    void timeChanged();
    void startCradlePrograms();
    void startPrograms(dev::RunEvent event, const char16_t* argument);
    void syncSoon();

    // Held from the start to the very end: the socket is gone before another daemon may start.
    struct Lock {
        int fd = -1;
        ~Lock();
    };

    std::filesystem::path root_;
    Lock lock_;
    std::string dbPath_;
    Store store_;
    EventLoop loop_;
    DeviceClock clock_;
    SessionEnvironment lastClientSession_; // of the last client that had a display
    Programs programs_;
    Server server_;
    NamedEvents events_;
    Scheduler scheduler_;
    PowerSupply power_;
    UserActivity activity_;
    RootWatch rootWatch_;
    Services services_;
    int signalFd_ = -1;
    int syncTimer_ = -1;
    bool syncArmed_ = false;
    bool stop_ = false;
    int status_ = 0;
};

} // namespace hv::deviced

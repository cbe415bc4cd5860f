// hvdeviced: the device services daemon of one device root. One thread, one epoll loop: the
// listening socket and its connections, a real-time timer for the next due registration (it
// also reports jumps of the host clock), a monotonic timer for event waits, signals, a watch on
// the root (the daemon ends when the root disappears) and the kernel's power-supply events.
#pragma once

#include "device/daemon_protocol.h"
#include "deviced/activity.h"
#include "deviced/clock.h"
#include "deviced/events.h"
#include "deviced/idle.h"
#include "deviced/loop.h"
#include "deviced/power.h"
#include "deviced/programs.h"
#include "deviced/rootwatch.h"
#include "deviced/server.h"
#include "deviced/session.h"
#include "deviced/store.h"
#include "deviced/wake.h"

#include <filesystem>
#include <map>
#include <memory>
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
    void clientJoined(pid_t pid);
    void syncSoon();
    Answer answer(Connection& c, const dev::proto::Request& r);
    std::vector<uint8_t> handle(Connection* c, const dev::proto::Request& r, bool& deferred);

    // Clock and zone.
    bool setDeviceUtc(dev::FileTime utc);
    void timeChanged();

    // Timed registrations.
    struct FireRound {
        bool failed = false; // one could not be fired; it stays for a retry
        bool more = false;   // the batch was full: more may be due
    };
    void plan();
    void wakeSoon();
    FireRound fireDue();
    bool fire(const StoredTimed& t);

    void startCradlePrograms();

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
    WakeTimer wake_;
    SessionEnvironment lastClientSession_; // of the last client that had a display
    DeviceClock clock_;
    Programs programs_;
    Server server_;
    NamedEvents events_;
    PowerSupply power_;
    UserActivity activity_;
    RootWatch rootWatch_;
    int dueTimer_ = -1, signalFd_ = -1, syncTimer_ = -1;
    bool syncArmed_ = false;
    int64_t instance_ = 0;
    bool stop_ = false;
    int status_ = 0;
};

} // namespace hv::deviced

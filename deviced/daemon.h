// hvdeviced: the device services daemon of one device root. One thread, one epoll loop: the
// listening socket and its connections, a real-time timer for the next due registration (it
// also reports jumps of the host clock), a monotonic timer for event waits, signals, a watch on
// the root (the daemon ends when the root disappears) and the kernel's power-supply events.
#pragma once

#include "device/daemon_protocol.h"
#include "deviced/clock.h"
#include "deviced/idle.h"
#include "deviced/programs.h"
#include "deviced/session.h"
#include "deviced/store.h"
#include "deviced/wake.h"

#include <filesystem>
#include <map>
#include <memory>
#include <sys/types.h>

namespace hv::deviced {

inline constexpr char16_t kActiveEventName[] = u"PowerManager/UserActivity_Active";
inline constexpr char16_t kInactiveEventName[] = u"PowerManager/UserActivity_Inactive";
using dev::kTimeChangeArgument;
inline constexpr char16_t kCradleArgument[] = u"AppRunAtRs232Detect";

// Whether a peer with these credentials may use the daemon: only the daemon's own user.
bool peerAllowed(uid_t peer, uid_t self);

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
    struct Conn;
    struct Wait {
        Conn* conn;
        std::vector<uint32_t> handles;
        uint64_t deadlineMs; // monotonic; UINT64_MAX: none
    };
    struct Event {
        bool state = false;
        int refs = 0;
    };
    struct Holder {
        std::u16string name;
        Conn* owner;    // nullptr: the daemon itself
        pid_t ownerPid; // handles are private to the process that opened them
    };

    void accept();
    void readFrom(Conn* c);
    void processInput(Conn* c);
    void reply(Conn* c, std::vector<uint8_t> body);
    void flush(Conn* c);
    void resume(Conn* c);
    void updateInterest(Conn* c);
    void drop(Conn* c);
    void reap();
    std::vector<uint8_t> handle(Conn* c, const dev::proto::Request& r, bool& deferred);

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

    // Events.
    uint32_t openEvent(const std::u16string& name, bool initial, Conn* owner, bool& existed);
    void release(uint32_t handle);
    const Holder* holderFor(const Conn* c, uint32_t handle) const;
    void setEvent(const std::u16string& name, bool state);
    void checkWaits();
    void armWaitTimer();

    // Power and activity.
    bool sensedExternalPower() const;
    void updatePower();
    void startCradlePrograms();
    void updateActivity();
    uint64_t idleThresholdMs() const;
    void useIdleSession();
    void writeServiceState();

    std::filesystem::path root_;
    // The daemon's own program file: removing it (uninstalling the package) ends the daemon.
    std::filesystem::path program_;
    int programWatch_ = -1;
    std::string dbPath_;
    Store store_;
    DesktopIdle idle_;
    WakeTimer wake_;
    std::string stateIdleSource_;
    SessionEnvironment lastClientSession_; // of the last client that had a display
    DeviceClock clock_;
    Programs programs_;
    int lockFd_ = -1, listenFd_ = -1, epollFd_ = -1, dueTimer_ = -1, waitTimer_ = -1,
        signalFd_ = -1, inotifyFd_ = -1, ueventFd_ = -1, activityTimer_ = -1, syncTimer_ = -1,
        idleFd_ = -1; // the compositor connection of the idle time (see WaylandIdle)
    bool syncArmed_ = false;
    std::map<int, std::unique_ptr<Conn>> conns_;
    std::map<std::u16string, Event> events_;
    std::map<uint32_t, Holder> holders_;
    size_t eventBytes_ = 0; // what the names in events_ and holders_ take
    std::vector<Wait> waits_;
    std::vector<int> dead_;
    uint32_t nextEventHandle_ = 1;
    int64_t instance_ = 0;
    bool externalPower_ = true;
    bool userActive_ = true;
    dev::proto::Override powerOverride_ = dev::proto::Override::Auto;
    dev::proto::Override activityOverride_ = dev::proto::Override::Auto;
    bool stop_ = false;
    int status_ = 0;
};

} // namespace hv::deviced

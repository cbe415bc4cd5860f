// The named events: shared by name among the clients, each client holding them by handles private
// to its process, and the waits of clients for one of several to be set.
#pragma once

#include "device/daemon_protocol.h"
#include "deviced/loop.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hv::deviced {

struct Connection;

class NamedEvents {
public:
    struct Holder {
        std::u16string name;
        Connection* owner; // nullptr: the daemon itself
        pid_t ownerPid;    // handles are private to the process that opened them
    };
    // Told the result of a wait that was decided after its request.
    using WaitAnswer = std::function<void(Connection*, uint32_t result)>;

    NamedEvents(EventLoop& loop, WaitAnswer answer);
    ~NamedEvents();
    NamedEvents(const NamedEvents&) = delete;
    NamedEvents& operator=(const NamedEvents&) = delete;

    // The timer of the waits' time-outs; false when there is none.
    bool open();
    // Where the handles of this daemon start (odd, so that never 0 at first).
    void startHandlesAt(uint32_t first) { nextHandle_ = first; }

    // Whether `owner` may open one more handle on `name`: Ok, or the limit it is over.
    dev::proto::Status admits(const Connection& owner, const std::u16string& name) const;
    // A new handle on the event (made with `initial` when it is new); 0 when none is free.
    uint32_t open(const std::u16string& name, bool initial, Connection* owner, bool& existed);
    // The holder of `handle` when the connection's process holds it.
    const Holder* holderFor(const Connection& c, uint32_t handle) const;
    void close(uint32_t handle);
    void set(const std::u16string& name, bool state);
    // The state of an event, nullopt when it does not exist.
    std::optional<bool> state(const std::u16string& name) const;
    size_t count() const { return events_.size(); }

    // A wait of the connection for one of `handles` (all held by it, checked before): the
    // index of one set now, the time-out at once for a time-out of 0, else nullopt: the result is
    // told later.
    std::optional<uint32_t> wait(Connection* c, const std::vector<uint32_t>& handles,
                                 uint32_t timeoutMs);
    // The connection is gone: its waits end and its handles are released.
    void forget(Connection* c);

private:
    struct Event {
        bool state = false;
        int refs = 0;
    };
    struct Wait {
        Connection* conn;
        std::vector<uint32_t> handles;
        uint64_t deadlineMs; // monotonic; UINT64_MAX: none
    };
    void release(uint32_t handle);
    bool isSet(const std::u16string& name) const;
    void checkWaits();
    void armWaitTimer();

    EventLoop& loop_;
    WaitAnswer answer_;
    int waitTimer_ = -1;
    std::map<std::u16string, Event> events_;
    std::map<uint32_t, Holder> holders_;
    size_t eventBytes_ = 0; // what the names in events_ and holders_ take
    std::vector<Wait> waits_;
    uint32_t nextHandle_ = 1;
};

} // namespace hv::deviced

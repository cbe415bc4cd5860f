// The timed registrations: a real-time timer set to the next due one (it also
// reports jumps of the host clock), and the firing of those due, each starting
// its program exactly once.
#pragma once

#include "deviced/clock.h"
#include "deviced/loop.h"
#include "deviced/programs.h"
#include "deviced/store.h"
#include "deviced/wake.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hv::deviced {

class Scheduler {
public:
    Scheduler(EventLoop& loop, Store& store, const DeviceClock& clock, const Programs& programs)
        : loop_(loop), store_(store), clock_(clock), programs_(programs) {}
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // The due timer; false when there is none. `hostClockChanged` is told of
    // jumps of the host's clock.
    bool open(std::function<void()> hostClockChanged);
    const WakeTimer& wakeTimer() const { return wake_; }
    // The store's path and this daemon's mark on the firings it commits, for the
    // started program's fallback.
    void identify(std::string dbPath, int64_t instance);

    // Fires what is due (a batch) and sets the timer to the next due time.
    void plan();
    // The due timer goes off at once: the answer to the request that changed the
    // registrations or the clock goes out first, and the firing follows in the
    // loop.
    void wakeSoon();

private:
    struct FireRound {
        bool failed = false; // one could not be fired; it stays for a retry
        bool more = false;   // the batch was full: more may be due
    };
    void onTimer();
    FireRound fireDue();
    bool fire(const StoredTimed& t);
    [[noreturn]] void startOnceCommitted(int pipeFd, uint32_t handle,
                                         const std::vector<std::string>& argv) const;
    bool setTimer(int64_t hostTicks);

    EventLoop& loop_;
    Store& store_;
    const DeviceClock& clock_;
    const Programs& programs_;
    WakeTimer wake_;
    std::function<void()> hostClockChanged_;
    std::string dbPath_;
    int64_t instance_ = 0;
};

} // namespace hv::deviced

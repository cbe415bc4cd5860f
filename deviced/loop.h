// The daemon's one event loop: epoll over descriptors, each with the handler of what it reports,
// and the monotonic timers the parts of the daemon arm on it.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>

namespace hv::deviced {

class EventLoop {
public:
    using Handler = std::function<void(uint32_t events)>;

    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    bool valid() const { return fd_ >= 0; }
    // Hands what `fd` reports to `handler` from now on.
    void watch(int fd, uint32_t events, Handler handler);
    void change(int fd, uint32_t events);
    void forget(int fd);
    // Waits and hands each reported event to its handler, `afterEvent` behind each, and
    // `afterRound` once a wait's events are handled; until `stop`. False when epoll fails.
    bool run(const bool& stop, const std::function<void()>& afterEvent,
             const std::function<void()>& afterRound);

private:
    int fd_ = -1;
    std::unordered_map<int, Handler> handlers_;
};

// A non-blocking monotonic timer descriptor, -1 on failure.
int monotonicTimer();
// Arms `timer` to go off once in `ms` milliseconds; 0 disarms it. False when the kernel refuses.
bool armTimerMs(int timer, uint64_t ms);
// Takes the expirations of a timer that went off.
void drainTimer(int timer);

} // namespace hv::deviced

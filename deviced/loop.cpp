#include "deviced/loop.h"

#include "deviced/log.h"

#include <cerrno>
#include <cstring>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <vector>

namespace hv::deviced {

EventLoop::EventLoop() : fd_(::epoll_create1(EPOLL_CLOEXEC)) {}

EventLoop::~EventLoop() {
    if (fd_ >= 0)
        ::close(fd_);
}

void EventLoop::watch(int fd, uint32_t events, Handler handler) {
    epoll_event ev{};
    ev.events = events;
    ev.data.fd = fd;
    ::epoll_ctl(fd_, EPOLL_CTL_ADD, fd, &ev);
    handlers_[fd] = std::move(handler);
}

void EventLoop::change(int fd, uint32_t events) {
    epoll_event ev{};
    ev.events = events;
    ev.data.fd = fd;
    ::epoll_ctl(fd_, EPOLL_CTL_MOD, fd, &ev);
}

void EventLoop::forget(int fd) {
    ::epoll_ctl(fd_, EPOLL_CTL_DEL, fd, nullptr);
    handlers_.erase(fd);
}

bool EventLoop::run(const bool& stop, const std::function<void()>& afterEvent,
                    const std::function<void()>& afterRound) {
    std::vector<epoll_event> evs(64);
    while (!stop) {
        const int n = ::epoll_wait(fd_, evs.data(), static_cast<int>(evs.size()), -1);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            log(std::string("epoll: ") + std::strerror(errno));
            return false;
        }
        for (int i = 0; i < n && !stop; ++i) {
            const epoll_event& e = evs[static_cast<size_t>(i)];
            // A descriptor forgotten by an earlier handler of this round reports nothing more;
            // the handler runs from a copy, as it may forget its own descriptor.
            if (auto it = handlers_.find(e.data.fd); it != handlers_.end()) {
                const Handler handler = it->second;
                handler(e.events);
            }
            afterEvent();
        }
        afterRound();
    }
    return true;
}

int monotonicTimer() {
    return ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
}

bool armTimerMs(int timer, uint64_t ms) {
    itimerspec its{};
    its.it_value.tv_sec = static_cast<time_t>(ms / 1000);
    its.it_value.tv_nsec = static_cast<long>((ms % 1000) * 1000000);
    return ::timerfd_settime(timer, 0, &its, nullptr) == 0;
}

void drainTimer(int timer) {
    uint64_t expirations = 0;
    [[maybe_unused]] auto k = ::read(timer, &expirations, sizeof expirations);
}

} // namespace hv::deviced

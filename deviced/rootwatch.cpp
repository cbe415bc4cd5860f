#include "deviced/rootwatch.h"

#include "device/daemon_client.h"
#include "deviced/log.h"

#include <string>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace hv::deviced {

namespace fs = std::filesystem;

RootWatch::~RootWatch() {
    if (fd_ >= 0)
        ::close(fd_);
}

void RootWatch::open(const fs::path& root, std::function<void()> stop) {
    stop_ = std::move(stop);
    socketName_ = dev::daemonSocketPath(root).filename().string();
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0)
        return;
    ::inotify_add_watch(fd_, root.c_str(), IN_DELETE_SELF | IN_MOVE_SELF);
    ::inotify_add_watch(fd_, (root / ".system").c_str(), IN_DELETE_SELF | IN_MOVE_SELF | IN_DELETE);
    std::error_code ec;
    program_ = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && !program_.empty())
        programWatch_ =
            ::inotify_add_watch(fd_, program_.parent_path().c_str(), IN_DELETE | IN_MOVED_FROM);
    loop_.watch(fd_, EPOLLIN, [this](uint32_t) { onEvents(); });
}

void RootWatch::onEvents() {
    alignas(inotify_event) char buf[4096];
    const ssize_t k = ::read(fd_, buf, sizeof buf);
    for (ssize_t off = 0; off < k;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buf + off);
        const bool socketGone =
            (e->mask & IN_DELETE) && e->len > 0 && std::string(e->name) == socketName_;
        const bool programGone = programWatch_ >= 0 && e->wd == programWatch_ && e->len > 0 &&
                                 std::string(e->name) == program_.filename().string() &&
                                 !fs::exists(program_);
        if (programGone) {
            log("program " + program_.string() + " removed; stopping");
            stop_();
        } else if (e->wd != programWatch_ &&
                   ((e->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) || socketGone)) {
            log("device root removed; stopping");
            stop_();
        }
        off += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
}

} // namespace hv::deviced

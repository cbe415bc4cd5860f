#include "deviced/waylandidle.h"

#include "device/systime.h"

#include "ext-idle-notify-v1-client-protocol.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-client.h>

namespace hv::deviced {

namespace {

// How long connecting may wait for the compositor's list of globals.
constexpr int kConnectTimeoutMs = 500;
constexpr uint64_t kReconnectPauseMs = 5000;

} // namespace

// The listeners of the compositor's objects, with the WaylandIdle as their data.
struct WaylandIdleEvents {
    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t) {
        auto* w = static_cast<WaylandIdle*>(data);
        if (!w->seat_ && std::strcmp(interface, wl_seat_interface.name) == 0) {
            w->seat_ =
                static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
            w->seatName_ = name;
        } else if (!w->notifier_ &&
                   std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
            w->notifier_ = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
            w->notifierName_ = name;
        }
        w->requestNotification();
    }
    static void globalRemove(void* data, wl_registry*, uint32_t name) {
        auto* w = static_cast<WaylandIdle*>(data);
        if ((w->seat_ && name == w->seatName_) || (w->notifier_ && name == w->notifierName_))
            w->lost_ = true;
    }
    static void done(void* data, wl_callback* callback, uint32_t) {
        auto* w = static_cast<WaylandIdle*>(data);
        wl_callback_destroy(callback);
        w->sync_ = nullptr;
        w->synced_ = true;
    }
    static void idled(void* data, ext_idle_notification_v1*) {
        auto* w = static_cast<WaylandIdle*>(data);
        // Never 0, which stands for "not idle".
        w->idledAtMs_ = std::max<uint64_t>(dev::monotonicMs(), 1);
        w->changed_ = true;
    }
    static void resumed(void* data, ext_idle_notification_v1*) {
        auto* w = static_cast<WaylandIdle*>(data);
        w->idledAtMs_ = 0;
        w->changed_ = true;
    }
    static constexpr wl_registry_listener registry{global, globalRemove};
    static constexpr wl_callback_listener callback{done};
    static constexpr ext_idle_notification_v1_listener notification{idled, resumed};
};

WaylandIdle::~WaylandIdle() {
    disconnect();
}

void WaylandIdle::setDisplay(const std::string& display, const std::string& runtimeDir) {
    std::string path;
    if (!display.empty() && display.front() == '/')
        path = display;
    else if (!display.empty() && !runtimeDir.empty())
        path = runtimeDir + "/" + display;
    if (display == display_ && path == socketPath_)
        return;
    disconnect();
    display_ = display;
    socketPath_ = path;
    retryAfterMs_ = 0;
}

void WaylandIdle::setWatcher(std::function<void(int, bool)> watcher) {
    watcher_ = std::move(watcher);
}

void WaylandIdle::requestNotification() {
    if (!seat_ || !notifier_ || notification_)
        return;
    notification_ = ext_idle_notifier_v1_get_idle_notification(notifier_, kNotifyAfterMs, seat_);
    ext_idle_notification_v1_add_listener(notification_, &WaylandIdleEvents::notification, this);
    idledAtMs_ = 0;
}

bool WaylandIdle::connect() {
    if (wl_)
        return true;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath_.empty() || socketPath_.size() >= sizeof addr.sun_path ||
        dev::monotonicMs() < retryAfterMs_)
        return false;
    retryAfterMs_ = dev::monotonicMs() + kReconnectPauseMs;
    std::memcpy(addr.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    // The socket is opened here rather than by wl_display_connect, which would take
    // XDG_RUNTIME_DIR and WAYLAND_SOCKET from the daemon's own environment.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    wl_ = wl_display_connect_to_fd(fd); // closes the descriptor when it fails
    if (!wl_)
        return false;
    registry_ = wl_display_get_registry(wl_);
    wl_registry_add_listener(registry_, &WaylandIdleEvents::registry, this);
    synced_ = false;
    sync_ = wl_display_sync(wl_);
    wl_callback_add_listener(sync_, &WaylandIdleEvents::callback, this);
    // The globals come before the answer to the sync; a compositor that does not answer within
    // the time is left for later.
    const uint64_t deadline = dev::monotonicMs() + kConnectTimeoutMs;
    while (!synced_) {
        const uint64_t now = dev::monotonicMs();
        if (now >= deadline || !pump(static_cast<int>(deadline - now))) {
            disconnect();
            return false;
        }
    }
    wl_display_flush(wl_);
    if (watcher_)
        watcher_(wl_display_get_fd(wl_), true);
    return true;
}

void WaylandIdle::disconnect() {
    if (!wl_)
        return;
    if (watcher_)
        watcher_(wl_display_get_fd(wl_), false);
    if (notification_)
        ext_idle_notification_v1_destroy(notification_);
    if (notifier_)
        ext_idle_notifier_v1_destroy(notifier_);
    if (seat_)
        wl_seat_destroy(seat_);
    if (sync_)
        wl_callback_destroy(sync_);
    if (registry_)
        wl_registry_destroy(registry_);
    wl_display_disconnect(wl_);
    wl_ = nullptr;
    registry_ = nullptr;
    seat_ = nullptr;
    notifier_ = nullptr;
    notification_ = nullptr;
    sync_ = nullptr;
    seatName_ = notifierName_ = 0;
    lost_ = false;
    idledAtMs_ = 0;
}

// Sends what is queued, reads what has arrived (waiting at most timeoutMs for it) and handles
// it. false: the connection is broken.
bool WaylandIdle::pump(int timeoutMs) {
    while (wl_display_prepare_read(wl_) != 0)
        if (wl_display_dispatch_pending(wl_) < 0)
            return false;
    if (wl_display_flush(wl_) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(wl_);
        return false;
    }
    pollfd p{wl_display_get_fd(wl_), POLLIN, 0};
    int r;
    while ((r = ::poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
    }
    if (r > 0) {
        if (wl_display_read_events(wl_) < 0)
            return false;
    } else {
        wl_display_cancel_read(wl_);
    }
    return wl_display_dispatch_pending(wl_) >= 0 && wl_display_get_error(wl_) == 0 && !lost_;
}

bool WaylandIdle::dispatch() {
    if (!wl_)
        return false;
    changed_ = false;
    if (!pump(0)) {
        disconnect();
        return true;
    }
    return changed_;
}

std::optional<uint64_t> WaylandIdle::idleMs() {
    if (wl_)
        dispatch();
    if (!connect() || !notification_)
        return std::nullopt;
    if (idledAtMs_ == 0)
        return 0;
    return dev::monotonicMs() - idledAtMs_ + kNotifyAfterMs;
}

} // namespace hv::deviced

// The user's idle time from the compositor of a Wayland session through the ext-idle-notify
// protocol (the ext_idle_notifier_v1 global of wlroots compositors, KWin and others). The daemon
// asks to be told when the seat has had no input for a second: the compositor sends "idled"
// then, and "resumed" at the next input. The idle time is the time since "idled" plus that
// second, and 0 after "resumed" (also before the first "idled"). The connection is one of the
// daemon's descriptors: what the compositor sends is read without waiting when it arrives. A
// compositor that cannot be reached, or that goes away, is tried again after a pause.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct wl_callback;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;

namespace hv::deviced {

struct WaylandIdleEvents;

class WaylandIdle {
public:
    // The idle time the notification asks for, in milliseconds: the resolution of the idle time.
    static constexpr uint32_t kNotifyAfterMs = 1000;

    WaylandIdle() = default;
    ~WaylandIdle();
    WaylandIdle(const WaylandIdle&) = delete;
    WaylandIdle& operator=(const WaylandIdle&) = delete;

    // The compositor to ask: WAYLAND_DISPLAY (a socket name in the runtime folder, or an
    // absolute path) and XDG_RUNTIME_DIR. A change drops the connection to the one before.
    void setDisplay(const std::string& display, const std::string& runtimeDir);
    // WAYLAND_DISPLAY as given; empty when the session is not a Wayland one.
    const std::string& display() const { return display_; }
    // Whether there is a compositor socket to ask (then a failed look is tried again).
    bool configured() const { return !socketPath_.empty(); }
    // Milliseconds since the last user input; nullopt while no compositor with ext-idle-notify
    // answers.
    std::optional<uint64_t> idleMs();
    // Reads and handles what the compositor has sent, without waiting. Whether that changed
    // anything: the seat went idle or came back, or the compositor went away.
    bool dispatch();
    // Told of the connection's descriptor after connecting (open) and before closing it (not
    // open), so that the daemon's loop watches it while it is open.
    void setWatcher(std::function<void(int fd, bool open)> watcher);

private:
    friend struct WaylandIdleEvents;
    bool connect();
    void disconnect();
    bool pump(int timeoutMs);
    void requestNotification();

    std::string display_, socketPath_;
    std::function<void(int, bool)> watcher_;
    wl_display* wl_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    uint32_t seatName_ = 0;
    ext_idle_notifier_v1* notifier_ = nullptr;
    uint32_t notifierName_ = 0;
    ext_idle_notification_v1* notification_ = nullptr;
    wl_callback* sync_ = nullptr;
    bool synced_ = false;
    bool lost_ = false;      // a global it uses was removed: the connection is dropped
    bool changed_ = false;   // an event changed the idle state since the last look
    uint64_t idledAtMs_ = 0; // monotonic time of the "idled" event; 0 while not idle
    uint64_t retryAfterMs_ = 0;
};

} // namespace hv::deviced

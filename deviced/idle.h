// The desktop's idle time, for the user-activity events. On an X session it comes from the X
// screen-saver extension (libXss, loaded at run time), else from the session's idle monitor on
// the session bus. On a Wayland session X knows only of its own clients, so there the
// compositor is asked first through ext-idle-notify, then the idle monitor on the bus, and the
// X display (Xwayland) last; whichever answers first counts. Where none gives one (a console, a
// service started before the desktop) there is no idle time and the user counts as active.
#pragma once

#include "deviced/busidle.h"
#include "deviced/waylandidle.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace hv::deviced {

inline constexpr uint64_t kNoCheck = UINT64_MAX;

struct ActivityDecision {
    bool active = true;
    uint64_t nextCheckMs = kNoCheck; // when to look at the idle time again
};

// Active until the idle time reaches the threshold (0: never inactive). While active the next
// look is due when the threshold could first be reached; while inactive, once a second, to
// notice the user's return.
ActivityDecision decideActivity(uint64_t idleMs, uint64_t thresholdMs);

class DesktopIdle {
public:
    DesktopIdle() = default;
    ~DesktopIdle();
    DesktopIdle(const DesktopIdle&) = delete;
    DesktopIdle& operator=(const DesktopIdle&) = delete;

    // The X display to ask (empty: none); a change closes the connection to the one before.
    void setDisplayName(const std::string& name);
    // The session bus whose idle monitor to ask.
    void setSessionBus(const std::string& address);
    // The Wayland compositor to ask (WAYLAND_DISPLAY, XDG_RUNTIME_DIR); a session with one is a
    // Wayland session.
    void setWaylandDisplay(const std::string& display, const std::string& runtimeDir);
    // Told of the compositor connection's descriptor while it is open (see WaylandIdle).
    void setWaylandWatcher(std::function<void(int fd, bool open)> watcher);
    // Handles what the compositor sent, once its descriptor is readable: whether the idle state
    // changed.
    bool dispatchWayland() { return wayland_.dispatch(); }
    // Milliseconds since the last user input, nullopt when no source gives it.
    std::optional<uint64_t> idleMs();
    std::optional<uint64_t> x11IdleMs();
    // Whether a display, a compositor or a session bus is known to ask (then a failed look is
    // tried again).
    bool configured() const {
        return !displayName_.empty() || bus_.configured() || wayland_.configured();
    }
    // Where the last idle time came from ("x11 DISPLAY=:0"), or why there is none.
    std::string source() const;

private:
    bool open();
    void close();
    void* x11_ = nullptr;
    void* xss_ = nullptr;
    void* display_ = nullptr;
    void* info_ = nullptr;
    std::string displayName_;
    BusIdle bus_;
    WaylandIdle wayland_;
    enum class Source { None, X11, Bus, Wayland } source_ = Source::None;
};

} // namespace hv::deviced

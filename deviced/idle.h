// The desktop's idle time, for the user-activity events. It comes from the X screen-saver
// extension (libXss, loaded at run time) or from the session's idle monitor on the session bus
// (a Wayland session, where X knows only of its own clients: the monitor is asked first there).
// Where neither gives one (a console, a service started before the desktop) there is no idle
// time and the user counts as active.
#pragma once

#include "deviced/busidle.h"

#include <cstdint>
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
    // The session bus whose idle monitor to ask, and whether the session is a Wayland one.
    void setSessionBus(const std::string& address, bool wayland);
    // Milliseconds since the last user input, nullopt without a usable X display.
    std::optional<uint64_t> idleMs();
    std::optional<uint64_t> x11IdleMs();
    // Whether a display or a session bus is known to ask (then a failed look is tried again).
    bool configured() const { return !displayName_.empty() || bus_.configured(); }
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
    bool wayland_ = false;
    enum class Source { None, X11, Bus } source_ = Source::None;
};

} // namespace hv::deviced

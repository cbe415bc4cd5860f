// The desktop's idle time, for the user-activity events. It comes from the X screen-saver
// extension, loaded at run time: where there is no X display (a console, a bare Wayland session,
// a service started before the desktop) there is no idle time and the user counts as active.
#pragma once

#include <cstdint>
#include <optional>

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

    // Milliseconds since the last user input, nullopt without a usable X display.
    std::optional<uint64_t> idleMs();

private:
    bool open();
    void close();
    void* x11_ = nullptr;
    void* xss_ = nullptr;
    void* display_ = nullptr;
    void* info_ = nullptr;
};

} // namespace hv::deviced

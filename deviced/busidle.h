// The user's idle time from the session's idle monitor over the session bus, where the X
// screen-saver extension has none to give (a Wayland session): GNOME's
// org.gnome.Mutter.IdleMonitor, else org.freedesktop.ScreenSaver (KDE and others), whichever
// answers. sd-bus (libsystemd) is loaded at run time; without it, or without a bus, there is none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace hv::deviced {

class BusIdle {
public:
    BusIdle() = default;
    ~BusIdle();
    BusIdle(const BusIdle&) = delete;
    BusIdle& operator=(const BusIdle&) = delete;

    // The bus to ask (a D-Bus address); a change drops the connection to the one before.
    void setAddress(const std::string& address);
    // Milliseconds since the last user input; nullopt when no monitor answers.
    std::optional<uint64_t> idleMs();
    bool configured() const { return !address_.empty(); }
    // The monitor that answered last ("org.gnome.Mutter.IdleMonitor"), empty if none.
    const std::string& monitor() const { return monitor_; }

private:
    bool connect();
    void disconnect();
    void* lib_ = nullptr;
    void* bus_ = nullptr;
    std::string address_;
    std::string monitor_;
    uint64_t retryAfterMs_ = 0; // a bus that could not be reached is asked again later
};

} // namespace hv::deviced

#include "deviced/idle.h"

#include <algorithm>
#include <cstdlib>
#include <dlfcn.h>

namespace hv::deviced {

namespace {

// The layout of XScreenSaverInfo (X11/extensions/scrnsaver.h), a stable part of the X ABI.
struct ScreenSaverInfo {
    unsigned long window;
    int state;
    int kind;
    unsigned long tilOrSince;
    unsigned long idle;
    unsigned long eventMask;
};

using OpenDisplayFn = void* (*)(const char*);
using CloseDisplayFn = int (*)(void*);
using DefaultRootFn = unsigned long (*)(void*);
using FreeFn = int (*)(void*);
using AllocInfoFn = ScreenSaverInfo* (*)();
using QueryInfoFn = int (*)(void*, unsigned long, ScreenSaverInfo*);
using QueryExtensionFn = int (*)(void*, int*, int*);
using IoExitHandlerFn = void (*)(void*, void*);
using SetIoExitHandlerFn = void (*)(void*, IoExitHandlerFn, void*);

// Without this, Xlib ends the process when the X server goes away. With it, the connection is
// only marked broken; the daemon notices and stops asking.
bool displayLost = false;
void onIoExit(void*, void*) {
    displayLost = true;
}

template <class F> F sym(void* lib, const char* name) {
    return reinterpret_cast<F>(dlsym(lib, name));
}

} // namespace

ActivityDecision decideActivity(uint64_t idleMs, uint64_t thresholdMs) {
    if (thresholdMs == 0)
        return {true, kNoCheck};
    if (idleMs >= thresholdMs)
        return {false, 1000};
    return {true, std::max<uint64_t>(thresholdMs - idleMs, 50)};
}

DesktopIdle::~DesktopIdle() {
    close();
}

bool DesktopIdle::open() {
    if (displayName_.empty())
        return false;
    const char* display = displayName_.c_str();
    if (!x11_)
        x11_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (x11_ && !xss_)
        xss_ = dlopen("libXss.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!x11_ || !xss_)
        return false;
    const auto setExit = sym<SetIoExitHandlerFn>(x11_, "XSetIOErrorExitHandler");
    const auto openDisplay = sym<OpenDisplayFn>(x11_, "XOpenDisplay");
    const auto queryExt = sym<QueryExtensionFn>(xss_, "XScreenSaverQueryExtension");
    const auto allocInfo = sym<AllocInfoFn>(xss_, "XScreenSaverAllocInfo");
    // An Xlib too old to survive a lost server is not used at all.
    if (!setExit || !openDisplay || !queryExt || !allocInfo)
        return false;
    display_ = openDisplay(display);
    if (!display_)
        return false;
    displayLost = false;
    setExit(display_, onIoExit, nullptr);
    int event = 0, error = 0;
    if (!queryExt(display_, &event, &error) || !(info_ = allocInfo())) {
        close();
        return false;
    }
    return true;
}

void DesktopIdle::close() {
    if (info_ && x11_)
        sym<FreeFn>(x11_, "XFree")(info_);
    info_ = nullptr;
    if (display_ && x11_)
        sym<CloseDisplayFn>(x11_, "XCloseDisplay")(display_);
    display_ = nullptr;
}

std::string DesktopIdle::source() const {
    if (source_ == Source::Wayland)
        return "ext-idle-notify (the Wayland compositor of WAYLAND_DISPLAY=" + wayland_.display() +
               ")";
    if (source_ == Source::Bus)
        return bus_.monitor() + " (the session's idle monitor)";
    if (source_ == Source::X11)
        return "x11 (the X screen-saver extension of DISPLAY=" + displayName_ + ")";
    std::string displays;
    if (!wayland_.display().empty())
        displays = "WAYLAND_DISPLAY=" + wayland_.display();
    if (!displayName_.empty())
        displays += (displays.empty() ? "" : " and ") + ("DISPLAY=" + displayName_);
    if (displays.empty())
        return "none (no display: the user counts as active)";
    const bool both = !wayland_.display().empty() && !displayName_.empty();
    return "none (" + displays + (both ? " give" : " gives") +
           " no idle time: the user counts as active)";
}

void DesktopIdle::setDisplayName(const std::string& name) {
    if (name == displayName_)
        return;
    if (display_ && !displayLost)
        close();
    display_ = nullptr;
    info_ = nullptr;
    displayName_ = name;
}

void DesktopIdle::setSessionBus(const std::string& address) {
    bus_.setAddress(address);
}

void DesktopIdle::setWaylandDisplay(const std::string& display, const std::string& runtimeDir) {
    wayland_.setDisplay(display, runtimeDir);
}

void DesktopIdle::setWaylandWatcher(std::function<void(int, bool)> watcher) {
    wayland_.setWatcher(std::move(watcher));
}

std::optional<uint64_t> DesktopIdle::idleMs() {
    std::optional<uint64_t> idle;
    const bool waylandSession = !wayland_.display().empty();
    if (waylandSession && (idle = wayland_.idleMs()))
        source_ = Source::Wayland;
    else if (waylandSession && (idle = bus_.idleMs()))
        source_ = Source::Bus;
    else if ((idle = x11IdleMs()))
        source_ = Source::X11;
    else if (!waylandSession && (idle = bus_.idleMs()))
        source_ = Source::Bus;
    else
        source_ = Source::None;
    return idle;
}

std::optional<uint64_t> DesktopIdle::x11IdleMs() {
    if (display_ && displayLost) {
        // A broken connection is left alone (closing it would talk to the lost server).
        display_ = nullptr;
        info_ = nullptr;
    }
    if (!display_ && !open())
        return std::nullopt;
    const auto root = sym<DefaultRootFn>(x11_, "XDefaultRootWindow");
    const auto query = sym<QueryInfoFn>(xss_, "XScreenSaverQueryInfo");
    if (!root || !query)
        return std::nullopt;
    auto* info = static_cast<ScreenSaverInfo*>(info_);
    if (!query(display_, root(display_), info) || displayLost)
        return std::nullopt;
    return info->idle;
}

} // namespace hv::deviced

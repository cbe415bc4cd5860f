#include "deviced/busidle.h"

#include "device/systime.h"

#include <cerrno>
#include <ctime>
#include <dlfcn.h>

namespace hv::deviced {

namespace {

// sd_bus_error's layout, a stable part of libsystemd's ABI.
struct BusError {
    const char* name = nullptr;
    const char* message = nullptr;
    int needFree = 0;
};

using NewFn = int (*)(void**);
using SetAddressFn = int (*)(void*, const char*);
using SetBusClientFn = int (*)(void*, int);
using SetTimeoutFn = int (*)(void*, uint64_t);
using StartFn = int (*)(void*);
using CallMethodFn = int (*)(void*, const char*, const char*, const char*, const char*, BusError*,
                             void**, const char*, ...);
using ReadFn = int (*)(void*, const char*, ...);
using UnrefFn = void* (*)(void*);
using ErrorFreeFn = void (*)(BusError*);

template <class F> F sym(void* lib, const char* name) {
    return reinterpret_cast<F>(dlsym(lib, name));
}

constexpr uint64_t kCallTimeoutUs = 500000;
constexpr uint64_t kReconnectPauseMs = 10000;

struct Monitor {
    const char* service;
    const char* path;
    const char* interface;
    const char* method;
    char type; // 't': milliseconds (u64); 'u': seconds (u32)
};
constexpr Monitor kMonitors[] = {
    {"org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
     "org.gnome.Mutter.IdleMonitor", "GetIdletime", 't'},
    {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
     "GetSessionIdleTime", 'u'},
};

} // namespace

BusIdle::~BusIdle() {
    disconnect();
}

void BusIdle::setAddress(const std::string& address) {
    if (address == address_)
        return;
    disconnect();
    address_ = address;
    retryAfterMs_ = 0;
}

bool BusIdle::connect() {
    if (bus_)
        return true;
    if (address_.empty() || dev::monotonicMs() < retryAfterMs_)
        return false;
    retryAfterMs_ = dev::monotonicMs() + kReconnectPauseMs;
    if (!lib_)
        lib_ = dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!lib_)
        return false;
    const auto make = sym<NewFn>(lib_, "sd_bus_new");
    const auto setAddress = sym<SetAddressFn>(lib_, "sd_bus_set_address");
    const auto setClient = sym<SetBusClientFn>(lib_, "sd_bus_set_bus_client");
    const auto setTimeout = sym<SetTimeoutFn>(lib_, "sd_bus_set_method_call_timeout");
    const auto start = sym<StartFn>(lib_, "sd_bus_start");
    const auto unref = sym<UnrefFn>(lib_, "sd_bus_flush_close_unref");
    if (!make || !setAddress || !setClient || !start || !unref ||
        !sym<CallMethodFn>(lib_, "sd_bus_call_method"))
        return false;
    void* bus = nullptr;
    if (make(&bus) < 0)
        return false;
    if (setAddress(bus, address_.c_str()) < 0 || setClient(bus, 1) < 0 ||
        (setTimeout && setTimeout(bus, kCallTimeoutUs) < 0) || start(bus) < 0) {
        unref(bus);
        return false;
    }
    bus_ = bus;
    return true;
}

void BusIdle::disconnect() {
    if (bus_ && lib_)
        if (const auto unref = sym<UnrefFn>(lib_, "sd_bus_flush_close_unref"))
            unref(bus_);
    bus_ = nullptr;
    monitor_.clear();
}

std::optional<uint64_t> BusIdle::idleMs() {
    if (!connect())
        return std::nullopt;
    const auto call = sym<CallMethodFn>(lib_, "sd_bus_call_method");
    const auto read = sym<ReadFn>(lib_, "sd_bus_message_read");
    const auto unrefMessage = sym<UnrefFn>(lib_, "sd_bus_message_unref");
    const auto freeError = sym<ErrorFreeFn>(lib_, "sd_bus_error_free");
    if (!read || !unrefMessage || !freeError)
        return std::nullopt;
    bool busLost = false;
    for (const Monitor& m : kMonitors) {
        BusError error;
        void* reply = nullptr;
        const int r = call(bus_, m.service, m.path, m.interface, m.method, &error, &reply, "");
        freeError(&error);
        std::optional<uint64_t> idle;
        if (r >= 0 && reply) {
            if (m.type == 't') {
                uint64_t ms = 0;
                if (read(reply, "t", &ms) >= 0)
                    idle = ms;
            } else {
                uint32_t seconds = 0;
                if (read(reply, "u", &seconds) >= 0)
                    idle = static_cast<uint64_t>(seconds) * 1000;
            }
        }
        if (reply)
            unrefMessage(reply);
        if (idle) {
            monitor_ = m.service;
            return idle;
        }
        // The bus went away: it is asked again after a pause.
        busLost = busLost || r == -ENOTCONN || r == -ECONNRESET;
    }
    monitor_.clear();
    if (busLost)
        disconnect();
    return std::nullopt;
}

} // namespace hv::deviced

// The external power: sensed from the kernel's power supplies (their changes arrive as uevents;
// without them the state is read on demand), or forced by an override.
#pragma once

#include "device/daemon_protocol.h"
#include "deviced/loop.h"

#include <functional>

namespace hv::deviced {

class PowerSupply {
public:
    explicit PowerSupply(EventLoop& loop) : loop_(loop) {}
    ~PowerSupply();
    PowerSupply(const PowerSupply&) = delete;
    PowerSupply& operator=(const PowerSupply&) = delete;

    // Senses the supply and listens for its changes; `cameOnline` is told when the external
    // power comes.
    void open(std::function<void()> cameOnline);
    bool external() const { return external_; }
    dev::proto::Override override() const { return override_; }
    void setOverride(dev::proto::Override o);

private:
    static bool sensed();
    void update();

    EventLoop& loop_;
    std::function<void()> cameOnline_;
    int ueventFd_ = -1;
    bool external_ = true;
    dev::proto::Override override_ = dev::proto::Override::Auto;
};

} // namespace hv::deviced

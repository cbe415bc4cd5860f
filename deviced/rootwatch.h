// What ends the daemon from outside: its device root deleted or moved (or its socket removed),
// and its own program file removed (the package was uninstalled), so that no reminder fires
// from deleted programs. An update replaces the program under the same name and leaves the
// daemon running.
#pragma once

#include "deviced/loop.h"

#include <filesystem>
#include <functional>

namespace hv::deviced {

class RootWatch {
public:
    explicit RootWatch(EventLoop& loop) : loop_(loop) {}
    ~RootWatch();
    RootWatch(const RootWatch&) = delete;
    RootWatch& operator=(const RootWatch&) = delete;

    // Watches the root; `stop` is told (once or more) when the daemon is to end.
    void open(const std::filesystem::path& root, std::function<void()> stop);

private:
    void onEvents();

    EventLoop& loop_;
    std::function<void()> stop_;
    std::string socketName_;
    std::filesystem::path program_;
    int fd_ = -1;
    int programWatch_ = -1;
};

} // namespace hv::deviced

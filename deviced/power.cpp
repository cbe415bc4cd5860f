#include "deviced/power.h"

#include <filesystem>
#include <fstream>
#include <linux/netlink.h>
#include <string>
#include <string_view>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hv::deviced {

namespace fs = std::filesystem;
using dev::proto::Override;

namespace {

std::string readLine(const fs::path& p) {
    std::ifstream in(p);
    std::string s;
    std::getline(in, s);
    return s;
}

} // namespace

PowerSupply::~PowerSupply() {
    if (ueventFd_ >= 0)
        ::close(ueventFd_);
}

void PowerSupply::open(std::function<void()> cameOnline) {
    cameOnline_ = std::move(cameOnline);
    ueventFd_ =
        ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    if (ueventFd_ >= 0) {
        sockaddr_nl nl{};
        nl.nl_family = AF_NETLINK;
        nl.nl_pid = 0;
        nl.nl_groups = 1;
        if (::bind(ueventFd_, reinterpret_cast<sockaddr*>(&nl), sizeof nl) == 0) {
            loop_.watch(ueventFd_, EPOLLIN, [this](uint32_t) {
                char buf[8192];
                const ssize_t k = ::recv(ueventFd_, buf, sizeof buf, 0);
                if (k > 0 &&
                    std::string_view(buf, static_cast<size_t>(k)).find("SUBSYSTEM=power_supply") !=
                        std::string_view::npos)
                    update();
            });
        } else {
            ::close(ueventFd_);
            ueventFd_ = -1;
        }
    }
    external_ = sensed();
}

void PowerSupply::setOverride(Override o) {
    override_ = o;
    update();
}

bool PowerSupply::sensed() {
    bool battery = false, online = false;
    std::error_code ec;
    for (fs::directory_iterator it("/sys/class/power_supply", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string type = readLine(it->path() / "type");
        if (type == "Battery")
            battery = true;
        else if (readLine(it->path() / "online") == "1")
            online = true;
    }
    return online || !battery; // a desktop without a battery is on external power
}

void PowerSupply::update() {
    const bool now = override_ == Override::Auto ? sensed() : override_ == Override::On;
    const bool cameOnline = now && !external_;
    external_ = now;
    if (cameOnline)
        cameOnline_();
}

} // namespace hv::deviced

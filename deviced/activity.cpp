#include "deviced/activity.h"

#include "device/registry.h"

#include <fstream>
#include <sys/epoll.h>
#include <unistd.h>

namespace hv::deviced {

namespace fs = std::filesystem;
using dev::proto::Override;

namespace {

// How often a display or session bus without an idle time is asked again.
constexpr uint64_t kIdleRetryMs = 5000;

} // namespace

UserActivity::~UserActivity() {
    idle_.setWaylandWatcher(nullptr);
    if (timer_ >= 0)
        ::close(timer_);
}

bool UserActivity::openTimer() {
    timer_ = monotonicTimer();
    if (timer_ < 0)
        return false;
    loop_.watch(timer_, EPOLLIN, [this](uint32_t) {
        drainTimer(timer_);
        update();
    });
    return true;
}

void UserActivity::start(std::string wakeLine) {
    wakeLine_ = std::move(wakeLine);
    bool existed = false;
    events_.open(kActiveEventName, true, nullptr, existed);
    events_.open(kInactiveEventName, false, nullptr, existed);
    // The compositor connection of the idle time is watched while it is open: its events
    // (the user left, the user came back) are handled as they come.
    idle_.setWaylandWatcher([this](int fd, bool open) {
        if (open)
            loop_.watch(fd, EPOLLIN, [this](uint32_t) {
                if (idle_.dispatchWayland())
                    update();
            });
        else
            loop_.forget(fd);
    });
    useIdleSession();
    update();
    writeServiceState();
}

void UserActivity::sessionChanged() {
    useIdleSession();
    update();
}

void UserActivity::setOverride(Override o) {
    override_ = o;
    update();
}

void UserActivity::update() {
    ActivityDecision d{override_ != Override::Off, kNoCheck};
    if (override_ == Override::Auto) {
        // Without an idle time from the desktop the user counts as active; a display or bus
        // that gives none yet (a desktop still starting) is asked again now and then.
        if (const auto idle = idle_.idleMs())
            d = decideActivity(*idle, idleThresholdMs());
        else if (idle_.configured() && idleThresholdMs() != 0)
            d.nextCheckMs = kIdleRetryMs;
    }
    if (idle_.source() != stateIdleSource_)
        writeServiceState();
    armTimerMs(timer_, d.nextCheckMs == kNoCheck ? 0 : d.nextCheckMs);
    if (d.active == active_ && events_.state(kActiveEventName) == active_)
        return;
    active_ = d.active;
    events_.set(kActiveEventName, active_);
    events_.set(kInactiveEventName, !active_);
}

// Whether the daemon's timer wakes the machine from suspend and where the idle time comes from.
void UserActivity::writeServiceState() {
    stateIdleSource_ = idle_.source();
    const fs::path file = root_ / ".system" / "deviced.state";
    const fs::path part = file.string() + ".part";
    {
        std::ofstream out(part, std::ios::trunc);
        out << "wake=" << wakeLine_ << "\nidle=" << stateIdleSource_ << '\n';
        if (!out)
            return;
    }
    std::error_code ec;
    fs::rename(part, file, ec);
}

// The session whose idle time counts: the last client's with a display, else the daemon's own
// (the user manager is not asked here: this runs up to once a second).
void UserActivity::useIdleSession() {
    const SessionEnvironment s = chooseSession(ownSession(), std::nullopt, lastClient_);
    const auto get = [&](const char* name) {
        const auto it = s.find(name);
        return it != s.end() ? it->second : std::string();
    };
    std::string bus = get("DBUS_SESSION_BUS_ADDRESS");
    if (bus.empty() && !get("XDG_RUNTIME_DIR").empty())
        bus = "unix:path=" + get("XDG_RUNTIME_DIR") + "/bus";
    idle_.setDisplayName(get("DISPLAY"));
    idle_.setSessionBus(bus);
    idle_.setWaylandDisplay(get("WAYLAND_DISPLAY"), get("XDG_RUNTIME_DIR"));
}

// The device's user-idle time-out in seconds, by power source, from the registry (60 s when
// absent, 0 = never idle).
uint64_t UserActivity::idleThresholdMs() const {
    const auto v = dev::regQueryValue(dev::RegHive::LocalMachine,
                                      u"System\\CurrentControlSet\\Control\\Power\\Timeouts",
                                      power_.external() ? u"ACUserIdle" : u"BattUserIdle");
    if (!v || v->type != dev::RegType::Dword || v->data.size() != 4)
        return 60000;
    const uint32_t seconds =
        static_cast<uint32_t>(v->data[0]) | static_cast<uint32_t>(v->data[1]) << 8 |
        static_cast<uint32_t>(v->data[2]) << 16 | static_cast<uint32_t>(v->data[3]) << 24;
    return static_cast<uint64_t>(seconds) * 1000;
}

} // namespace hv::deviced

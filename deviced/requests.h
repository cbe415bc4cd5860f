// The answers to the daemon's requests: one small handler for each kind, found in a table by
// the request's operation, each writing its answer through the one Answer writer.
#pragma once

#include "device/daemon_protocol.h"
#include "deviced/activity.h"
#include "deviced/answer.h"
#include "deviced/clock.h"
#include "deviced/events.h"
#include "deviced/power.h"
#include "deviced/scheduler.h"
#include "deviced/server.h"
#include "deviced/store.h"

#include <filesystem>
#include <functional>

namespace hv::deviced {

// The parts of the daemon the requests reach.
struct Services {
    std::filesystem::path root;
    Store& store;
    DeviceClock& clock;
    Scheduler& scheduler;
    NamedEvents& events;
    PowerSupply& power;
    UserActivity& activity;
    std::function<void()> clockChanged; // the device time or zone was set
    std::function<void()> shutdown;
};

Answer handleRequest(Services& s, Connection& c, const dev::proto::Request& r);

} // namespace hv::deviced

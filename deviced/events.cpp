#include "deviced/events.h"

#include "device/systime.h"
#include "deviced/server.h"

#include <algorithm>
#include <sys/epoll.h>
#include <unistd.h>

namespace hv::deviced {

using dev::proto::Status;

namespace {

// Event handles one connection, and all together, may hold.
constexpr size_t kMaxHandlesPerConnection = 1024;
constexpr size_t kMaxHandles = 16384;
// Bytes the names of all events and handles together may take, with what each entry costs
// besides its name; long names reach this well before the handle count.
constexpr size_t kMaxEventBytes = 32u << 20;
constexpr size_t kEventEntryBytes = 64;
size_t entryBytes(const std::u16string& name) {
    return name.size() * sizeof(char16_t) + kEventEntryBytes;
}
constexpr uint64_t kNoDeadline = UINT64_MAX;
constexpr int32_t kUndecided = 1 << 30;

} // namespace

NamedEvents::NamedEvents(EventLoop& loop, WaitAnswer answer)
    : loop_(loop), answer_(std::move(answer)) {}

NamedEvents::~NamedEvents() {
    if (waitTimer_ >= 0)
        ::close(waitTimer_);
}

bool NamedEvents::open() {
    waitTimer_ = monotonicTimer();
    if (waitTimer_ < 0)
        return false;
    loop_.watch(waitTimer_, EPOLLIN, [this](uint32_t) {
        drainTimer(waitTimer_);
        checkWaits();
    });
    return true;
}

// What one client, and all together, may hold is bounded.
Status NamedEvents::admits(const Connection& owner, const std::u16string& name) const {
    if (owner.handles >= kMaxHandlesPerConnection)
        return Status::LimitReached;
    if (holders_.size() >= kMaxHandles || eventBytes_ + 2 * entryBytes(name) > kMaxEventBytes)
        return Status::DaemonFull;
    return Status::Ok;
}

uint32_t NamedEvents::open(const std::u16string& name, bool initial, Connection* owner,
                           bool& existed) {
    auto it = events_.find(name);
    existed = it != events_.end();
    if (!existed) {
        it = events_.emplace(name, Event{initial, 0}).first;
        eventBytes_ += entryBytes(name);
    }
    // Handles are never 0 and not reused while held.
    for (uint32_t tries = 0; tries < 0xFFFFFFFFu; ++tries) {
        const uint32_t h = nextHandle_++;
        if (nextHandle_ == 0)
            nextHandle_ = 1;
        if (h != 0 && !holders_.count(h)) {
            holders_[h] = {name, owner, owner ? owner->pid : ::getpid()};
            eventBytes_ += entryBytes(name);
            ++it->second.refs;
            if (owner)
                ++owner->handles;
            return h;
        }
    }
    return 0;
}

const NamedEvents::Holder* NamedEvents::holderFor(const Connection& c, uint32_t handle) const {
    auto it = holders_.find(handle);
    return it != holders_.end() && it->second.ownerPid == c.pid ? &it->second : nullptr;
}

void NamedEvents::close(uint32_t handle) {
    release(handle);
    checkWaits();
}

void NamedEvents::release(uint32_t handle) {
    auto it = holders_.find(handle);
    if (it == holders_.end())
        return;
    auto ev = events_.find(it->second.name);
    if (it->second.owner && it->second.owner->handles > 0)
        --it->second.owner->handles;
    eventBytes_ -= std::min(eventBytes_, entryBytes(it->second.name));
    holders_.erase(it);
    if (ev != events_.end() && --ev->second.refs <= 0) {
        eventBytes_ -= std::min(eventBytes_, entryBytes(ev->first));
        events_.erase(ev);
    }
}

void NamedEvents::set(const std::u16string& name, bool state) {
    auto it = events_.find(name);
    if (it == events_.end())
        return;
    it->second.state = state;
    if (state)
        checkWaits();
}

std::optional<bool> NamedEvents::state(const std::u16string& name) const {
    auto it = events_.find(name);
    if (it == events_.end())
        return std::nullopt;
    return it->second.state;
}

bool NamedEvents::isSet(const std::u16string& name) const {
    return state(name).value_or(false);
}

std::optional<uint32_t> NamedEvents::wait(Connection* c, const std::vector<uint32_t>& handles,
                                          uint32_t timeoutMs) {
    for (size_t i = 0; i < handles.size(); ++i)
        if (isSet(holders_.at(handles[i]).name))
            return static_cast<uint32_t>(i);
    if (timeoutMs == 0)
        return static_cast<uint32_t>(dev::WaitResult::Timeout);
    const uint64_t deadline =
        timeoutMs == dev::kInfinite ? kNoDeadline : dev::monotonicMs() + timeoutMs;
    waits_.push_back({c, handles, deadline});
    armWaitTimer();
    return std::nullopt;
}

void NamedEvents::forget(Connection* c) {
    waits_.erase(
        std::remove_if(waits_.begin(), waits_.end(), [c](const Wait& w) { return w.conn == c; }),
        waits_.end());
    std::vector<uint32_t> held;
    for (const auto& [h, holder] : holders_)
        if (holder.owner == c)
            held.push_back(h);
    for (uint32_t h : held)
        release(h);
    checkWaits();
}

// Answers every wait that is decided: an event set, a handle gone, or the time-out reached.
void NamedEvents::checkWaits() {
    const uint64_t now = dev::monotonicMs();
    std::vector<std::pair<Connection*, int32_t>> done;
    for (auto it = waits_.begin(); it != waits_.end();) {
        if (it->conn->dead) {
            it = waits_.erase(it);
            continue;
        }
        int32_t result = kUndecided;
        for (size_t i = 0; i < it->handles.size(); ++i) {
            auto h = holders_.find(it->handles[i]);
            if (h == holders_.end()) {
                result = static_cast<int32_t>(dev::WaitResult::Failed);
                break;
            }
            if (isSet(h->second.name)) {
                result = static_cast<int32_t>(i);
                break;
            }
        }
        if (result == kUndecided && it->deadlineMs != kNoDeadline && now >= it->deadlineMs)
            result = static_cast<int32_t>(dev::WaitResult::Timeout);
        if (result != kUndecided) {
            done.emplace_back(it->conn, result);
            it = waits_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [conn, result] : done)
        answer_(conn, static_cast<uint32_t>(result));
    armWaitTimer();
}

void NamedEvents::armWaitTimer() {
    uint64_t next = kNoDeadline;
    for (const Wait& w : waits_)
        next = std::min(next, w.deadlineMs);
    uint64_t in = 0;
    if (next != kNoDeadline) {
        const uint64_t now = dev::monotonicMs();
        in = next > now ? next - now : 1;
    }
    armTimerMs(waitTimer_, in);
}

} // namespace hv::deviced

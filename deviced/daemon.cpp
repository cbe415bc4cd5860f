#include "deviced/daemon.h"

#include "device/daemon_client.h"
#include "device/journal.h"
#include "device/paths.h"
#include "device/registry.h"
#include "device/systime.h"
#include "device/text.h"
#include "deviced/log.h"
#include "deviced/session.h"
#include "deviced/wake.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <linux/netlink.h>
#include <malloc.h>
#include <random>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>

namespace hv::deviced {

namespace fs = std::filesystem;
namespace proto = dev::proto;
using proto::Op;
using proto::Override;
using proto::Request;
using proto::Status;

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
// Registrations fired in one round before the loop serves its clients again.
constexpr size_t kFireBatch = 32;
constexpr uint64_t kFireRoundMs = 10;
// Registrations a list answer reads from the store at a time.
constexpr size_t kListPage = 1024;
// Wider than any step between local time and UTC that a zone's daylight rule makes.
constexpr dev::FileTime kZoneSlack = 3 * 3600 * dev::kTicksPerSecond;
// How often a display or session bus without an idle time is asked again.
constexpr uint64_t kIdleRetryMs = 5000;

} // namespace

Daemon::Lock::~Lock() {
    if (fd >= 0)
        ::close(fd);
}

Daemon::Daemon(fs::path root)
    : root_(std::move(root)), clock_(root_), programs_(root_, lastClientSession_), server_(loop_),
      power_(loop_), rootWatch_(loop_) {
    server_.setHooks({[this](pid_t pid) { clientJoined(pid); },
                      [this](Connection& c, const Request& r) { return answer(c, r); },
                      [this](Connection* c) { forget(c); }});
}

Daemon::~Daemon() {
    idle_.setWaylandWatcher(nullptr);
    for (int fd : {dueTimer_, waitTimer_, signalFd_, activityTimer_, syncTimer_})
        if (fd >= 0)
            ::close(fd);
}

int Daemon::start() {
    const fs::path sys = root_ / ".system";
    std::error_code ec;
    fs::create_directories(sys, ec);
    ::chmod(sys.c_str(), 0700);
    lock_.fd = ::open(dev::daemonLockPath(root_).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock_.fd < 0) {
        log("cannot open the lock file in " + sys.string());
        return 2;
    }
    if (::flock(lock_.fd, LOCK_EX | LOCK_NB) != 0)
        return 1;
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(lock_.fd, 0) != 0 || ::pwrite(lock_.fd, pid.data(), pid.size(), 0) < 0)
        log("cannot write the lock file");

    dbPath_ = (sys / "deviced.db").string();
    if (!store_.open(dbPath_) || !store_.intact()) {
        // A damaged store is kept aside for inspection and what SQLite can still read of it is
        // carried into a new one, rather than leaving the device without its services. The
        // programs register their items again at their next start.
        store_.close();
        const std::string aside = dbPath_ + ".unreadable-" + std::to_string(::time(nullptr));
        for (const char* suffix : {"", "-wal", "-shm"})
            ::rename((dbPath_ + suffix).c_str(), (aside + suffix).c_str());
        if (!store_.open(dbPath_)) {
            log("cannot create " + dbPath_);
            dev::reportFault(root_, "the notification store " + dbPath_ +
                                        " is damaged and no new one can be made");
            return 2;
        }
        const size_t saved = store_.salvageFrom(aside);
        dev::reportFault(root_, "the notification store was damaged; kept as " + aside + ", " +
                                    std::to_string(saved) +
                                    " registrations recovered from it; the programs register "
                                    "their items again at their next start");
    }

    clock_.load();

    if (!server_.listen(root_))
        return 2;

    wake_ = openWakeTimer();
    dueTimer_ = wake_.fd;
    waitTimer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    activityTimer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    syncTimer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    sigset_t sigs;
    sigemptyset(&sigs);
    sigaddset(&sigs, SIGTERM);
    sigaddset(&sigs, SIGINT);
    sigaddset(&sigs, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &sigs, nullptr);
    signalFd_ = ::signalfd(-1, &sigs, SFD_NONBLOCK | SFD_CLOEXEC);
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGCHLD, SIG_IGN); // started programs are reaped by the kernel
    if (!loop_.valid() || dueTimer_ < 0 || waitTimer_ < 0 || activityTimer_ < 0 || syncTimer_ < 0 ||
        signalFd_ < 0) {
        log("cannot set up the event loop");
        return 2;
    }
    loop_.watch(dueTimer_, EPOLLIN, [this](uint32_t) {
        uint64_t expirations = 0;
        const ssize_t k = ::read(dueTimer_, &expirations, sizeof expirations);
        if (k < 0 && errno == ECANCELED) {
            log("host clock changed");
            timeChanged();
        } else {
            plan();
        }
    });
    loop_.watch(waitTimer_, EPOLLIN, [this](uint32_t) {
        drainTimer(waitTimer_);
        checkWaits();
    });
    loop_.watch(activityTimer_, EPOLLIN, [this](uint32_t) {
        drainTimer(activityTimer_);
        updateActivity();
    });
    loop_.watch(syncTimer_, EPOLLIN, [this](uint32_t) {
        drainTimer(syncTimer_);
        syncArmed_ = false;
        store_.checkpoint();
    });
    loop_.watch(signalFd_, EPOLLIN, [this](uint32_t) {
        signalfd_siginfo si{};
        [[maybe_unused]] auto k = ::read(signalFd_, &si, sizeof si);
        stop_ = true;
    });
    rootWatch_.open(root_, [this] { stop_ = true; });
    power_.open([this] { startCradlePrograms(); });

    // Handles of this daemon differ from those of one before it, so that a stale handle of a
    // program that outlived a daemon restart names nothing.
    std::random_device random;
    nextEventHandle_ = random() | 1u;
    // This daemon's mark on the firings it commits; records of a day ago are no longer asked for.
    instance_ =
        static_cast<int64_t>((static_cast<uint64_t>(random()) << 31) ^ random()) & INT64_MAX;
    store_.forgetFirings(::time(nullptr) - 86400);
    bool existed = false;
    openEvent(kActiveEventName, true, nullptr, existed);
    openEvent(kInactiveEventName, false, nullptr, existed);
    // The compositor connection of the idle time is watched while it is open: its events
    // (the user left, the user came back) are handled as they come.
    idle_.setWaylandWatcher([this](int fd, bool open) {
        if (open)
            loop_.watch(fd, EPOLLIN, [this](uint32_t) {
                if (idle_.dispatchWayland())
                    updateActivity();
            });
        else
            loop_.forget(fd);
    });
    useIdleSession();
    updateActivity();
    writeServiceState();
    return 0;
}

int Daemon::run() {
    // Registrations that fell due while no daemon ran fire now, once.
    plan();
    // The programs that watch the external power (the screen-saver launcher) run from the start
    // of every session, not only after a change of supply that a desktop may never see; one
    // that has nothing to do ends by itself.
    startCradlePrograms();
    if (!loop_.run(
            stop_, [this] { server_.reap(); }, [this] { syncSoon(); }))
        return 2;
    store_.checkpoint();
    return status_;
}

// ---- Connections ----------------------------------------------------------------------------

// A client started in the desktop session brings its display along: the programs started from
// now on, and the idle time, use it when the user manager names none.
void Daemon::clientJoined(pid_t pid) {
    if (SessionEnvironment env = processSession(pid);
        hasDisplay(env) && env != lastClientSession_) {
        lastClientSession_ = std::move(env);
        useIdleSession();
        updateActivity();
    }
}

// A connection that is gone: its waits end and its event handles are released.
void Daemon::forget(Connection* c) {
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

// Committed changes reach the disk within a second (see Store).
void Daemon::syncSoon() {
    if (!store_.dirty() || syncArmed_)
        return;
    syncArmed_ = armTimerMs(syncTimer_, 1000);
    if (!syncArmed_)
        store_.checkpoint();
}

// ---- Requests -------------------------------------------------------------------------------

Answer Daemon::answer(Connection& c, const Request& r) {
    bool deferred = false;
    Answer a;
    a.body() = handle(&c, r, deferred);
    if (deferred)
        a.defer();
    if (r.op == Op::Shutdown)
        a.endInput();
    return a;
}

std::vector<uint8_t> Daemon::handle(Connection* c, const Request& r, bool& deferred) {
    const auto ok = [] { return proto::answerHeader(Status::Ok); };
    const auto failed = [] { return proto::answerHeader(Status::Failed); };
    const auto withU32 = [](uint32_t v) {
        proto::Writer w;
        w.bytes() = proto::answerHeader(Status::Ok);
        w.u32(v);
        return std::move(w.bytes());
    };
    switch (r.op) {
    case Op::Status:
    case Op::GetClock: {
        proto::Writer w;
        w.bytes() = proto::answerHeader(Status::Ok);
        w.u32(static_cast<uint32_t>(::getpid()));
        w.u64(clock_.utcNow());
        w.u64(static_cast<uint64_t>(clock_.offsetTicks()));
        w.zone(clock_.zone());
        w.u32(power_.external() ? 1 : 0);
        w.u32(userActive_ ? 1 : 0);
        w.u32(static_cast<uint32_t>(power_.override()));
        w.u32(static_cast<uint32_t>(activityOverride_));
        w.u32(static_cast<uint32_t>(store_.timedCount()));
        w.u32(static_cast<uint32_t>(events_.size()));
        return std::move(w.bytes());
    }
    case Op::SetUtc: {
        const auto ft = dev::toFileTime(r.start);
        return ft && setDeviceUtc(*ft) ? ok() : failed();
    }
    case Op::SetLocal: {
        const auto ft = dev::toFileTime(r.start);
        return ft && setDeviceUtc(dev::localToUtc(clock_.zone(), *ft)) ? ok() : failed();
    }
    case Op::SetZone: {
        if (!clock_.setZone(r.zone))
            return failed();
        timeChanged();
        return ok();
    }
    case Op::SetTimed: {
        // The start must be a real calendar time; the application a program inside the root.
        if (!dev::toFileTime(r.start) || r.text1.empty() ||
            !dev::isProgramInsideRoot(root_, r.text1))
            return failed();
        uint32_t h = 0;
        if (r.handle == 0)
            h = store_.addTimed(r.text1, r.text2, r.start, r.end);
        else if (store_.updateTimed(r.handle, r.text1, r.text2, r.start, r.end))
            h = r.handle;
        if (h == 0)
            return failed();
        wakeSoon();
        return withU32(h);
    }
    case Op::Clear: {
        if (r.handle == 0 || !store_.removeTimed(r.handle))
            return failed();
        wakeSoon();
        return ok();
    }
    case Op::List: {
        // A page of the registrations after the handle in the request (0: from the first), as
        // many as one frame holds, and whether more follow: the client asks until it has all.
        const auto page = store_.timedPage(r.handle, kListPage);
        proto::Writer w;
        w.bytes() = proto::answerHeader(Status::Ok);
        std::vector<uint8_t> items;
        uint32_t count = 0;
        for (const auto& t : page) {
            proto::Writer one;
            one.u32(t.handle);
            one.text(t.application);
            one.text(t.arguments);
            one.time(t.start);
            one.time(t.end);
            if (items.size() + one.bytes().size() + 16 > proto::kMaxBody)
                break;
            items.insert(items.end(), one.bytes().begin(), one.bytes().end());
            ++count;
        }
        const bool more = count < page.size() || (page.size() == kListPage &&
                                                  !store_.timedPage(page.back().handle, 1).empty());
        w.u32(count);
        w.bytes().insert(w.bytes().end(), items.begin(), items.end());
        w.u32(more ? 1 : 0);
        return std::move(w.bytes());
    }
    case Op::RunAtEvent: {
        const auto ev = static_cast<dev::RunEvent>(r.value);
        if (r.text1.empty() || (ev != dev::RunEvent::None && ev != dev::RunEvent::TimeChange &&
                                ev != dev::RunEvent::Rs232Detected))
            return failed();
        if (ev != dev::RunEvent::None && !dev::isProgramInsideRoot(root_, r.text1))
            return failed();
        return store_.setRunAt(r.text1, r.value) ? ok() : failed();
    }
    case Op::ListRunAtEvent: {
        proto::Writer w;
        w.bytes() = proto::answerHeader(Status::Ok);
        const auto all = store_.runAt();
        std::vector<uint8_t> items;
        uint32_t count = 0;
        for (const auto& [app, ev] : all) {
            proto::Writer one;
            one.text(app);
            one.u32(ev);
            if (items.size() + one.bytes().size() + 16 > proto::kMaxBody)
                break;
            items.insert(items.end(), one.bytes().begin(), one.bytes().end());
            ++count;
        }
        w.u32(count);
        w.bytes().insert(w.bytes().end(), items.begin(), items.end());
        return std::move(w.bytes());
    }
    case Op::EventCreate: {
        if (r.text1.empty())
            return failed();
        // What one client, and all together, may hold is bounded; over it the answer says so.
        if (c->handles >= kMaxHandlesPerConnection)
            return proto::answerHeader(Status::LimitReached);
        if (holders_.size() >= kMaxHandles ||
            eventBytes_ + 2 * entryBytes(r.text1) > kMaxEventBytes)
            return proto::answerHeader(Status::DaemonFull);
        bool existed = false;
        const uint32_t h = openEvent(r.text1, r.value != 0, c, existed);
        if (h == 0)
            return failed();
        proto::Writer w;
        w.bytes() = proto::answerHeader(Status::Ok);
        w.u32(h);
        w.u32(existed ? 1 : 0);
        return std::move(w.bytes());
    }
    case Op::EventSet:
    case Op::EventReset: {
        const Holder* h = holderFor(c, r.handle);
        if (!h)
            return failed();
        setEvent(h->name, r.op == Op::EventSet);
        return ok();
    }
    case Op::EventIsSet: {
        const Holder* h = holderFor(c, r.handle);
        if (!h)
            return failed();
        return withU32(events_[h->name].state ? 1 : 0);
    }
    case Op::EventClose: {
        if (!holderFor(c, r.handle))
            return failed();
        release(r.handle);
        checkWaits();
        return ok();
    }
    case Op::EventWait: {
        if (r.handles.empty())
            return failed();
        for (uint32_t h : r.handles)
            if (!holderFor(c, h))
                return failed();
        for (size_t i = 0; i < r.handles.size(); ++i)
            if (events_[holders_[r.handles[i]].name].state)
                return withU32(static_cast<uint32_t>(i));
        if (r.value == 0)
            return withU32(static_cast<uint32_t>(dev::WaitResult::Timeout));
        const uint64_t deadline =
            r.value == dev::kInfinite ? kNoDeadline : dev::monotonicMs() + r.value;
        waits_.push_back({c, r.handles, deadline});
        deferred = true;
        armWaitTimer();
        return {};
    }
    case Op::SetActivity:
    case Op::SetPower: {
        if (r.value > static_cast<uint32_t>(Override::Off))
            return failed();
        if (r.op == Op::SetActivity) {
            activityOverride_ = static_cast<Override>(r.value);
            updateActivity();
        } else {
            power_.setOverride(static_cast<Override>(r.value));
        }
        return ok();
    }
    case Op::Shutdown:
        stop_ = true;
        return ok();
    }
    return proto::answerHeader(Status::BadRequest);
}

// ---- Clock ----------------------------------------------------------------------------------

bool Daemon::setDeviceUtc(dev::FileTime utc) {
    if (!clock_.setUtc(utc))
        return false;
    timeChanged();
    return true;
}

void Daemon::timeChanged() {
    for (const auto& [app, ev] : store_.runAt())
        if (ev == static_cast<uint32_t>(dev::RunEvent::TimeChange))
            programs_.start(app, kTimeChangeArgument);
    wakeSoon();
}

// ---- Timed registrations --------------------------------------------------------------------

// The due timer goes off at once: the answer to the request that changed the registrations or
// the clock goes out first, and the firing follows in the loop.
void Daemon::wakeSoon() {
    itimerspec its{};
    its.it_value.tv_nsec = 1;
    if (::timerfd_settime(dueTimer_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &its, nullptr) !=
        0)
        plan();
}

void Daemon::plan() {
    // A burst is fired in batches; between them the loop answers the clients that wait.
    const FireRound round = fireDue();
    // The next due time, as a host real-time instant; with none due, a far one, so that the
    // timer still reports jumps of the host clock. The earliest start comes from the index.
    const dev::FileTime nowUtc = clock_.utcNow();
    dev::FileTime next = nowUtc + 365 * dev::kTicksPerDay;
    if (const auto earliest = store_.earliestStart())
        next =
            std::min(next, *earliest == 0 ? nowUtc : dev::dueUtcOfLocal(clock_.zone(), *earliest));
    if (round.more)
        next = nowUtc;
    // A registration that could not be fired is tried again in a second, not in a busy loop.
    if (round.failed)
        next = std::max(next, nowUtc + dev::kTicksPerSecond);
    const int64_t hostTicks = static_cast<int64_t>(next) - clock_.offsetTicks() -
                              static_cast<int64_t>(dev::kUnixEpochFileTime);
    itimerspec its{};
    const int64_t tps = static_cast<int64_t>(dev::kTicksPerSecond);
    int64_t sec = hostTicks / tps, rest = hostTicks % tps;
    if (rest < 0) {
        rest += tps;
        --sec;
    }
    its.it_value.tv_sec = std::max<int64_t>(sec, 0);
    its.it_value.tv_nsec = static_cast<long>(rest * 100);
    if (its.it_value.tv_sec == 0 && its.it_value.tv_nsec == 0)
        its.it_value.tv_nsec = 1;
    if (::timerfd_settime(dueTimer_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &its, nullptr) !=
        0)
        log(std::string("cannot arm the timer: ") + std::strerror(errno));
}

// Fires the due registrations, at most one batch. The candidates come from the index: starts up
// to the local time now plus the widest step a zone rule makes, each then checked exactly.
Daemon::FireRound Daemon::fireDue() {
    FireRound round;
    const dev::FileTime nowUtc = clock_.utcNow();
    const dev::FileTime localLimit = dev::utcToLocal(clock_.zone(), nowUtc) + kZoneSlack;
    const auto candidates = store_.startingBy(localLimit, kFireBatch);
    const uint64_t started = dev::monotonicMs();
    size_t due = 0;
    for (const auto& t : candidates) {
        const auto local = dev::toFileTime(t.start);
        if (local && dev::dueUtcOfLocal(clock_.zone(), *local) > nowUtc)
            return round; // earliest first: the rest are later still
        ++due;
        round.failed = !fire(t) || round.failed;
        // A round is short, so that a client waits for at most one round.
        if (dev::monotonicMs() - started >= kFireRoundMs) {
            round.more = true;
            return round;
        }
    }
    // A full batch of due ones may have more behind it.
    round.more = due == kFireBatch;
    return round;
}

// Each registration starts its program exactly once. The child waits on a pipe while the
// daemon removes the registration and, in the same commit, records that this daemon instance
// fired it; a byte then lets it start the program. If the daemon dies first, the pipe ends
// without that byte and the child asks the store itself: this instance's record means committed
// (start); otherwise the next daemon fires it, or has fired it already (do nothing).
bool Daemon::fire(const StoredTimed& t) {
    // The program was checked when it was registered; a link changed since may lead out of the
    // root, or the program may be gone. It is not started, and the registration is consumed.
    if (!programs_.insideRoot(t.application)) {
        const bool removed = store_.removeTimed(t.handle);
        programs_.reportNotStarted("registration " + std::to_string(t.handle) + " of " +
                                   dev::toUtf8(t.application));
        return removed;
    }
    const auto argv = programs_.commandLine(t.application, t.arguments);
    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0) {
        log("pipe failed; registration " + std::to_string(t.handle) + " left for later");
        return false;
    }
    const pid_t pid = programs_.fork();
    if (pid < 0) {
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        log("fork failed; registration " + std::to_string(t.handle) + " left for later");
        return false;
    }
    if (pid == 0) {
        ::close(pipefd[1]);
        char go = 0;
        ssize_t k;
        do {
            k = ::read(pipefd[0], &go, 1);
        } while (k < 0 && errno == EINTR);
        if (k == 1 && go == 'g')
            execOrExit(argv);
        if (k == 1)
            ::_exit(0); // the daemon could not commit: the registration stays
        // A fresh program image asks the store (no database state crosses the fork).
        std::vector<std::string> confirm{
            "/proc/self/exe",         "--confirm-start",         dbPath_,
            std::to_string(t.handle), std::to_string(instance_), "--"};
        confirm.insert(confirm.end(), argv.begin(), argv.end());
        execOrExit(confirm);
    }
    ::close(pipefd[0]);
    const bool removed = store_.takeForFiring(t.handle, instance_, ::time(nullptr));
    const char answer = removed ? 'g' : 'n';
    [[maybe_unused]] auto k = ::write(pipefd[1], &answer, 1);
    ::close(pipefd[1]);
    if (!removed)
        log("cannot remove registration " + std::to_string(t.handle));
    return removed;
}

// ---- Events ---------------------------------------------------------------------------------

uint32_t Daemon::openEvent(const std::u16string& name, bool initial, Connection* owner,
                           bool& existed) {
    auto it = events_.find(name);
    existed = it != events_.end();
    if (!existed) {
        it = events_.emplace(name, Event{initial, 0}).first;
        eventBytes_ += entryBytes(name);
    }
    // Handles are never 0 and not reused while held.
    for (uint32_t tries = 0; tries < 0xFFFFFFFFu; ++tries) {
        const uint32_t h = nextEventHandle_++;
        if (nextEventHandle_ == 0)
            nextEventHandle_ = 1;
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

const Daemon::Holder* Daemon::holderFor(const Connection* c, uint32_t handle) const {
    auto it = holders_.find(handle);
    return it != holders_.end() && it->second.ownerPid == c->pid ? &it->second : nullptr;
}

void Daemon::release(uint32_t handle) {
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

void Daemon::setEvent(const std::u16string& name, bool state) {
    auto it = events_.find(name);
    if (it == events_.end())
        return;
    it->second.state = state;
    if (state)
        checkWaits();
}

// Answers every wait that is decided: an event set, a handle gone, or the time-out reached.
void Daemon::checkWaits() {
    const uint64_t now = dev::monotonicMs();
    std::vector<std::pair<Connection*, int32_t>> done;
    for (auto it = waits_.begin(); it != waits_.end();) {
        if (it->conn->dead) {
            it = waits_.erase(it);
            continue;
        }
        int32_t result = 1 << 30;
        for (size_t i = 0; i < it->handles.size(); ++i) {
            auto h = holders_.find(it->handles[i]);
            if (h == holders_.end()) {
                result = static_cast<int32_t>(dev::WaitResult::Failed);
                break;
            }
            if (events_[h->second.name].state) {
                result = static_cast<int32_t>(i);
                break;
            }
        }
        if (result == 1 << 30 && it->deadlineMs != kNoDeadline && now >= it->deadlineMs)
            result = static_cast<int32_t>(dev::WaitResult::Timeout);
        if (result != 1 << 30) {
            done.emplace_back(it->conn, result);
            it = waits_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [conn, result] : done)
        server_.answerDeferred(conn, std::move(Answer().u32(static_cast<uint32_t>(result))));
    armWaitTimer();
}

void Daemon::armWaitTimer() {
    uint64_t next = kNoDeadline;
    for (const Wait& w : waits_)
        next = std::min(next, w.deadlineMs);
    itimerspec its{};
    if (next != kNoDeadline) {
        const uint64_t now = dev::monotonicMs();
        const uint64_t in = next > now ? next - now : 1;
        its.it_value.tv_sec = static_cast<time_t>(in / 1000);
        its.it_value.tv_nsec = static_cast<long>((in % 1000) * 1000000);
    }
    ::timerfd_settime(waitTimer_, 0, &its, nullptr);
}

// ---- Power and activity ---------------------------------------------------------------------

void Daemon::startCradlePrograms() {
    for (const auto& [app, ev] : store_.runAt())
        if (ev == static_cast<uint32_t>(dev::RunEvent::Rs232Detected))
            programs_.start(app, kCradleArgument);
}

void Daemon::updateActivity() {
    ActivityDecision d{activityOverride_ != Override::Off, kNoCheck};
    if (activityOverride_ == Override::Auto) {
        // Without an idle time from the desktop the user counts as active; a display or bus
        // that gives none yet (a desktop still starting) is asked again now and then.
        if (const auto idle = idle_.idleMs())
            d = decideActivity(*idle, idleThresholdMs());
        else if (idle_.configured() && idleThresholdMs() != 0)
            d.nextCheckMs = kIdleRetryMs;
    }
    if (idle_.source() != stateIdleSource_)
        writeServiceState();
    itimerspec its{};
    if (d.nextCheckMs != kNoCheck) {
        its.it_value.tv_sec = static_cast<time_t>(d.nextCheckMs / 1000);
        its.it_value.tv_nsec = static_cast<long>((d.nextCheckMs % 1000) * 1000000);
    }
    ::timerfd_settime(activityTimer_, 0, &its, nullptr);
    if (d.active == userActive_ && events_.count(kActiveEventName) &&
        events_[kActiveEventName].state == userActive_)
        return;
    userActive_ = d.active;
    setEvent(kActiveEventName, userActive_);
    setEvent(kInactiveEventName, !userActive_);
}

// How the daemon's services work on this machine, for `horavel-cli device status`: whether its
// timer wakes the machine from suspend and where the idle time comes from.
void Daemon::writeServiceState() {
    stateIdleSource_ = idle_.source();
    const fs::path file = root_ / ".system" / "deviced.state";
    const fs::path part = file.string() + ".part";
    {
        std::ofstream out(part, std::ios::trunc);
        out << "wake=" << wakeStatus(wake_) << "\nidle=" << stateIdleSource_ << '\n';
        if (!out)
            return;
    }
    std::error_code ec;
    fs::rename(part, file, ec);
}

// The session whose idle time counts: the last client's with a display, else the daemon's own
// (the user manager is not asked here: this runs up to once a second).
void Daemon::useIdleSession() {
    const SessionEnvironment s = chooseSession(ownSession(), std::nullopt, lastClientSession_);
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
uint64_t Daemon::idleThresholdMs() const {
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

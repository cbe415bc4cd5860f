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

// Registrations fired in one round before the loop serves its clients again.
constexpr size_t kFireBatch = 32;
constexpr uint64_t kFireRoundMs = 10;
// Registrations a list answer reads from the store at a time.
constexpr size_t kListPage = 1024;
// Wider than any step between local time and UTC that a zone's daylight rule makes.
constexpr dev::FileTime kZoneSlack = 3 * 3600 * dev::kTicksPerSecond;

} // namespace

Daemon::Lock::~Lock() {
    if (fd >= 0)
        ::close(fd);
}

Daemon::Daemon(fs::path root)
    : root_(std::move(root)), clock_(root_), programs_(root_, lastClientSession_), server_(loop_),
      events_(loop_,
              [this](Connection* c, uint32_t result) {
                  server_.answerDeferred(c, std::move(Answer().u32(result)));
              }),
      power_(loop_), activity_(loop_, root_, power_, events_, lastClientSession_),
      rootWatch_(loop_) {
    server_.setHooks({[this](pid_t pid) { clientJoined(pid); },
                      [this](Connection& c, const Request& r) { return answer(c, r); },
                      [this](Connection* c) { events_.forget(c); }});
}

Daemon::~Daemon() {
    for (int fd : {dueTimer_, signalFd_, syncTimer_})
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
    const bool waits = events_.open();
    const bool activity = activity_.openTimer();
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
    if (!loop_.valid() || dueTimer_ < 0 || !waits || !activity || syncTimer_ < 0 || signalFd_ < 0) {
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
    events_.startHandlesAt(random() | 1u);
    // This daemon's mark on the firings it commits; records of a day ago are no longer asked for.
    instance_ =
        static_cast<int64_t>((static_cast<uint64_t>(random()) << 31) ^ random()) & INT64_MAX;
    store_.forgetFirings(::time(nullptr) - 86400);
    activity_.start(wakeStatus(wake_));
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
        activity_.sessionChanged();
    }
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
        w.u32(activity_.active() ? 1 : 0);
        w.u32(static_cast<uint32_t>(power_.override()));
        w.u32(static_cast<uint32_t>(activity_.override()));
        w.u32(static_cast<uint32_t>(store_.timedCount()));
        w.u32(static_cast<uint32_t>(events_.count()));
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
        if (const Status admitted = events_.admits(*c, r.text1); admitted != Status::Ok)
            return proto::answerHeader(admitted);
        bool existed = false;
        const uint32_t h = events_.open(r.text1, r.value != 0, c, existed);
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
        const NamedEvents::Holder* h = events_.holderFor(*c, r.handle);
        if (!h)
            return failed();
        events_.set(h->name, r.op == Op::EventSet);
        return ok();
    }
    case Op::EventIsSet: {
        const NamedEvents::Holder* h = events_.holderFor(*c, r.handle);
        if (!h)
            return failed();
        return withU32(events_.state(h->name).value_or(false) ? 1 : 0);
    }
    case Op::EventClose: {
        if (!events_.holderFor(*c, r.handle))
            return failed();
        events_.close(r.handle);
        return ok();
    }
    case Op::EventWait: {
        if (r.handles.empty())
            return failed();
        for (uint32_t h : r.handles)
            if (!events_.holderFor(*c, h))
                return failed();
        if (const auto now = events_.wait(c, r.handles, r.value))
            return withU32(*now);
        deferred = true;
        return {};
    }
    case Op::SetActivity:
    case Op::SetPower: {
        if (r.value > static_cast<uint32_t>(Override::Off))
            return failed();
        if (r.op == Op::SetActivity) {
            activity_.setOverride(static_cast<Override>(r.value));
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

// ---- Power and activity ---------------------------------------------------------------------

void Daemon::startCradlePrograms() {
    for (const auto& [app, ev] : store_.runAt())
        if (ev == static_cast<uint32_t>(dev::RunEvent::Rs232Detected))
            programs_.start(app, kCradleArgument);
}

} // namespace hv::deviced

#include "deviced/daemon.h"

#include "device/daemon_client.h"
#include "device/journal.h"
#include "device/paths.h"
#include "deviced/log.h"

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hv::deviced {

namespace fs = std::filesystem;

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
      scheduler_(loop_, store_, clock_, programs_), power_(loop_),
      activity_(loop_, root_, power_, events_, lastClientSession_), rootWatch_(loop_),
      services_(services()) {
    server_.setHooks({[this](pid_t pid) { clientJoined(pid); },
                      [this](Connection& c, const dev::proto::Request& r) {
                          return handleRequest(services_, c, r);
                      },
                      [this](Connection* c) { events_.forget(c); }});
}

Daemon::~Daemon() {
    for (int fd : {signalFd_, syncTimer_})
        if (fd >= 0)
            ::close(fd);
}

int Daemon::start() {
    if (const int locked = lockRoot(); locked != 0)
        return locked;
    if (!openStore())
        return 2;
    clock_.load();
    if (!server_.listen(root_) || !openLoop())
        return 2;
    rootWatch_.open(root_, [this] { stop_ = true; });
    power_.open([this] { startCradlePrograms(); });
    markThisInstance();
    activity_.start(wakeStatus(scheduler_.wakeTimer()));
    return 0;
}

int Daemon::run() {
    // Registrations that fell due while no daemon ran fire now, once.
    scheduler_.plan();
    // The programs that watch the external power (the screen-saver launcher) run from the start
    // of every session, not only after a change of supply that a desktop may never see; one
    // that has nothing to do ends by itself.
    startCradlePrograms();
    // Behind each event the dropped connections go; behind each round the store's changes are
    // set to reach the disk.
    const bool served = loop_.run(
        stop_, [this] { server_.reap(); }, [this] { syncSoon(); });
    if (!served)
        return 2;
    store_.checkpoint();
    return status_;
}

// What the requests reach.
Services Daemon::services() {
    return {root_,
            store_,
            clock_,
            scheduler_,
            events_,
            power_,
            activity_,
            [this] { timeChanged(); },
            [this] { stop_ = true; }};
}

// ---- Start ----------------------------------------------------------------------------------

// 0: the root is this daemon's; 1: another daemon owns it; 2: no lock file.
int Daemon::lockRoot() {
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
    return 0;
}

bool Daemon::openStore() {
    dbPath_ = (root_ / ".system" / "deviced.db").string();
    if (store_.open(dbPath_) && store_.intact())
        return true;
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
        return false;
    }
    const size_t saved = store_.salvageFrom(aside);
    dev::reportFault(root_, "the notification store was damaged; kept as " + aside + ", " +
                                std::to_string(saved) +
                                " registrations recovered from it; the programs register "
                                "their items again at their next start");
    return true;
}

// The timers and signals of the loop.
bool Daemon::openLoop() {
    const bool due = scheduler_.open([this] { timeChanged(); });
    const bool waits = events_.open();
    const bool activity = activity_.openTimer();
    syncTimer_ = monotonicTimer();
    const bool signals = watchSignals();
    if (!loop_.valid() || !due || !waits || !activity || syncTimer_ < 0 || !signals) {
        log("cannot set up the event loop");
        return false;
    }
    loop_.watch(syncTimer_, EPOLLIN, [this](uint32_t) {
        drainTimer(syncTimer_);
        syncArmed_ = false;
        store_.checkpoint();
    });
    return true;
}

// SIGTERM, SIGINT and SIGHUP end the daemon; started programs are reaped by the kernel.
bool Daemon::watchSignals() {
    sigset_t sigs;
    sigemptyset(&sigs);
    sigaddset(&sigs, SIGTERM);
    sigaddset(&sigs, SIGINT);
    sigaddset(&sigs, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &sigs, nullptr);
    signalFd_ = ::signalfd(-1, &sigs, SFD_NONBLOCK | SFD_CLOEXEC);
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGCHLD, SIG_IGN);
    if (signalFd_ < 0)
        return false;
    loop_.watch(signalFd_, EPOLLIN, [this](uint32_t) {
        signalfd_siginfo si{};
        [[maybe_unused]] auto k = ::read(signalFd_, &si, sizeof si);
        stop_ = true;
    });
    return true;
}

// Handles of this daemon differ from those of one before it, so that a stale handle of a
// program that outlived a daemon restart names nothing; and this daemon's mark on the firings
// it commits. Records of firings a day old are no longer asked for.
void Daemon::markThisInstance() {
    std::random_device random;
    events_.startHandlesAt(random() | 1u);
    const auto instance =
        static_cast<int64_t>((static_cast<uint64_t>(random()) << 31) ^ random()) & INT64_MAX;
    scheduler_.identify(dbPath_, instance);
    store_.forgetFirings(::time(nullptr) - 86400);
}

// ---- Reactions ------------------------------------------------------------------------------

// A client started in the desktop session brings its display along: the programs started from
// now on, and the idle time, use it when the user manager names none.
void Daemon::clientJoined(pid_t pid) {
    if (SessionEnvironment env = processSession(pid);
        hasDisplay(env) && env != lastClientSession_) {
        lastClientSession_ = std::move(env);
        activity_.sessionChanged();
    }
}

void Daemon::timeChanged() {
    startPrograms(dev::RunEvent::TimeChange, kTimeChangeArgument);
    scheduler_.wakeSoon();
}

// The programs that watch the external power, told that it came.
void Daemon::startCradlePrograms() {
    startPrograms(dev::RunEvent::Rs232Detected, kCradleArgument);
}

void Daemon::startPrograms(dev::RunEvent event, const char16_t* argument) {
    for (const auto& [app, ev] : store_.runAt())
        if (ev == static_cast<uint32_t>(event))
            programs_.start(app, argument);
}

// Committed changes reach the disk within a second (see Store).
void Daemon::syncSoon() {
    if (!store_.dirty() || syncArmed_)
        return;
    syncArmed_ = armTimerMs(syncTimer_, 1000);
    if (!syncArmed_)
        store_.checkpoint();
}

} // namespace hv::deviced

#include "deviced/scheduler.h"

#include "device/systime.h"
#include "device/text.h"
#include "deviced/log.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace hv::deviced {

namespace {

// Registrations fired in one round before the loop serves its clients again.
constexpr size_t kFireBatch = 32;
constexpr uint64_t kFireRoundMs = 10;
// Wider than any step between local time and UTC that a zone's daylight rule
// makes.
constexpr dev::FileTime kZoneSlack = 3 * 3600 * dev::kTicksPerSecond;

} // namespace

Scheduler::~Scheduler() {
    if (wake_.fd >= 0)
        ::close(wake_.fd);
}

bool Scheduler::open(std::function<void()> hostClockChanged) {
    hostClockChanged_ = std::move(hostClockChanged);
    wake_ = openWakeTimer();
    if (wake_.fd < 0)
        return false;
    loop_.watch(wake_.fd, EPOLLIN, [this](uint32_t) { onTimer(); });
    return true;
}

void Scheduler::identify(std::string dbPath, int64_t instance) {
    dbPath_ = std::move(dbPath);
    instance_ = instance;
}

void Scheduler::onTimer() {
    uint64_t expirations = 0;
    const ssize_t k = ::read(wake_.fd, &expirations, sizeof expirations);
    if (k < 0 && errno == ECANCELED) {
        log("host clock changed");
        hostClockChanged_();
    } else {
        plan();
    }
}

// An absolute host real-time instant in ticks since the Unix epoch; at the
// latest, now.
bool Scheduler::setTimer(int64_t hostTicks) {
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
    return ::timerfd_settime(wake_.fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &its,
                             nullptr) == 0;
}

void Scheduler::wakeSoon() {
    if (!setTimer(0))
        plan();
}

void Scheduler::plan() {
    // A burst is fired in batches; between them the loop answers the clients that
    // wait.
    const FireRound round = fireDue();
    // The next due time, as a host real-time instant; with none due, a far one,
    // so that the timer still reports jumps of the host clock. The earliest start
    // comes from the index.
    const dev::FileTime nowUtc = clock_.utcNow();
    dev::FileTime next = nowUtc + 365 * dev::kTicksPerDay;
    if (const auto earliest = store_.earliestStart())
        next =
            std::min(next, *earliest == 0 ? nowUtc : dev::dueUtcOfLocal(clock_.zone(), *earliest));
    if (round.more)
        next = nowUtc;
    // A registration that could not be fired is tried again in a second, not in a
    // busy loop.
    if (round.failed)
        next = std::max(next, nowUtc + dev::kTicksPerSecond);
    const int64_t hostTicks = static_cast<int64_t>(next) - clock_.offsetTicks() -
                              static_cast<int64_t>(dev::kUnixEpochFileTime);
    if (!setTimer(hostTicks))
        log(std::string("cannot arm the timer: ") + std::strerror(errno));
}

// Fires the due registrations, at most one batch. The candidates come from the
// index: starts up to the local time now plus the widest step a zone rule
// makes, each then checked exactly.
Scheduler::FireRound Scheduler::fireDue() {
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

// Each registration starts its program exactly once. The child waits on a pipe
// while the daemon removes the registration and, in the same commit, records
// that this daemon instance fired it; a byte then lets it start the program. If
// the daemon dies first, the pipe ends without that byte and the child asks the
// store itself: this instance's record means committed (start); otherwise the
// next daemon fires it, or has fired it already (do nothing).
bool Scheduler::fire(const StoredTimed& t) {
    // The program was checked when it was registered; a link changed since may
    // lead out of the root, or the program may be gone. It is not started, and
    // the registration is consumed.
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
        startOnceCommitted(pipefd[0], t.handle, argv);
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

// The child's side: the daemon's byte says whether it committed the firing;
// without one (the daemon died), a fresh program image asks the store, as no
// database state crosses the fork.
void Scheduler::startOnceCommitted(int pipeFd, uint32_t handle,
                                   const std::vector<std::string>& argv) const {
    char go = 0;
    ssize_t k;
    do {
        k = ::read(pipeFd, &go, 1);
    } while (k < 0 && errno == EINTR);
    if (k == 1 && go == 'g')
        execOrExit(argv);
    if (k == 1)
        ::_exit(0); // the daemon could not commit: the registration stays
    std::vector<std::string> confirm{"/proc/self/exe",       "--confirm-start",         dbPath_,
                                     std::to_string(handle), std::to_string(instance_), "--"};
    confirm.insert(confirm.end(), argv.begin(), argv.end());
    execOrExit(confirm);
}

} // namespace hv::deviced

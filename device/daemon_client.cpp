#include "device/daemon_client.h"

#include "device/journal.h"
#include "device/paths.h"
#include "device/text.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#ifndef HV_INSTALL_BINDIR
#define HV_INSTALL_BINDIR "/usr/local/bin"
#endif

namespace hv::dev {

namespace fs = std::filesystem;
using proto::Op;
using proto::Request;
using proto::Status;

namespace {
// A reply to an ordinary request is quick; the time allows for a loaded machine.
constexpr int kCallTimeoutMs = 15000;
constexpr int kStartTimeoutMs = 15000;
constexpr int kRegisterAttempts = 3;
constexpr int kRegisterPauseMs = 1000;

std::string statusName(Status s) {
    switch (s) {
    case Status::Ok:
        return "ok";
    case Status::BadRequest:
        return "bad request";
    case Status::BadVersion:
        return "bad version";
    case Status::TooLarge:
        return "too large";
    case Status::Failed:
        return "failed";
    case Status::Refused:
        return "refused";
    case Status::LimitReached:
        return "over the daemon's limits";
    case Status::DaemonFull:
        return "the daemon holds as many events as it may";
    }
    return "status " + std::to_string(static_cast<int>(s));
}
} // namespace

fs::path daemonSocketPath(const fs::path& root) {
    return root / ".system" / "hvdeviced.sock";
}
fs::path daemonLockPath(const fs::path& root) {
    return root / ".system" / "hvdeviced.lock";
}

fs::path daemonPathRecord(const fs::path& root) {
    return root / ".system" / "hvdeviced.path";
}

namespace {
bool executable(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && p.is_absolute() && fs::is_regular_file(p, ec) &&
           ::access(p.c_str(), X_OK) == 0;
}
} // namespace

fs::path daemonProgram(const fs::path& root) {
    if (const char* env = std::getenv("HORAVEL_DEVICED"); env && *env)
        return env;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        for (const fs::path& p : {self.parent_path() / "hvdeviced",
                                  self.parent_path().parent_path() / "deviced" / "hvdeviced"})
            if (executable(p))
                return p;
    }
    // Programs installed in the device root: the daemon that served this root, or the one the
    // package installation recorded there.
    if (!root.empty()) {
        std::ifstream in(daemonPathRecord(root));
        std::string recorded;
        if (in && std::getline(in, recorded) && executable(recorded))
            return recorded;
    }
    const fs::path installed = fs::path(HV_INSTALL_BINDIR) / "hvdeviced";
    if (executable(installed))
        return installed;
    if (const char* path = std::getenv("PATH")) {
        const std::string_view all(path);
        for (size_t i = 0; i <= all.size();) {
            size_t j = all.find(':', i);
            if (j == std::string_view::npos)
                j = all.size();
            const fs::path p = fs::path(std::string(all.substr(i, j - i))) / "hvdeviced";
            if (executable(p))
                return p;
            i = j + 1;
        }
    }
    return installed;
}

bool recordDaemonProgram(const fs::path& root, const fs::path& program) {
    std::error_code ec;
    const fs::path record = daemonPathRecord(root);
    const fs::path tmp = record.string() + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << program.string() << '\n';
        if (!out.flush())
            return false;
    }
    fs::rename(tmp, record, ec);
    if (ec)
        fs::remove(tmp, ec);
    return !ec;
}

SocketAddress::SocketAddress(const fs::path& root) {
    const fs::path path = daemonSocketPath(root);
    std::string text = path.string();
    if (text.size() >= sizeof addr.sun_path) {
        // A deep root: the socket stays in its folder, reached through a descriptor of that
        // folder, so the address is short whatever the root's length.
        dirFd_ = ::open(path.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (dirFd_ < 0)
            return;
        text = "/proc/self/fd/" + std::to_string(dirFd_) + "/" + path.filename().string();
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, text.c_str(), text.size() + 1);
    valid_ = true;
}

SocketAddress::~SocketAddress() {
    if (dirFd_ >= 0)
        ::close(dirFd_);
}

int connectDaemonSocket(const fs::path& root) {
    const SocketAddress a(root);
    if (!a.valid())
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a.addr), sizeof a.addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool startDaemon(const fs::path& root, int timeoutMs) {
    std::error_code ec;
    fs::create_directories(root / ".system", ec);
    const std::string program = daemonProgram(root).string();
    const std::string rootText = root.string();
    // The daemon reports on this pipe: 'r' listening, 'b' another daemon has the root; the pipe
    // ending without a byte means it could not start.
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return false;
    }
    if (pid == 0) {
        // Detach: a new session, and the grandchild is adopted by init.
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        // No other inherited descriptor may outlive the caller (a pipe a test reads to its end).
        const int report = ::fcntl(ready[1], F_DUPFD, 10);
        const int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
        }
        if (report < 0 || ::dup2(report, 3) != 3)
            ::_exit(127);
        ::close_range(4, ~0U, 0);
        ::execl(program.c_str(), program.c_str(), "--root", rootText.c_str(), "--report-fd", "3",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ready[1]);
    ::waitpid(pid, nullptr, 0);
    char answer = 0;
    pollfd pfd{ready[0], POLLIN, 0};
    const bool got = ::poll(&pfd, 1, timeoutMs) > 0 && ::read(ready[0], &answer, 1) == 1;
    ::close(ready[0]);
    if (!got || (answer != 'r' && answer != 'b'))
        return false;
    // Listening already, or another daemon that won the lock gets there shortly.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        const int fd = connectDaemonSocket(root);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

DaemonClient::DaemonClient(fs::path root, bool autoStart)
    : root_(std::move(root)), autoStart_(autoStart) {}

DaemonClient::~DaemonClient() {
    disconnect();
}

void DaemonClient::disconnect() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int DaemonClient::connectToDaemon() {
    int fd = connectDaemonSocket(root_);
    if (fd >= 0 || !autoStart_)
        return fd;
    // Whoever starts it, one daemon wins the lock; the connection then reaches it.
    if (!startDaemon(root_, kStartTimeoutMs))
        return -1;
    return connectDaemonSocket(root_);
}

namespace {
enum class Exchange { Answered, Broken, NoAnswer };

// Broken: the connection was found closed (a daemon that went away) before the request could
// be written, so it was not served; NoAnswer: the daemon may have acted on it but gave no usable
// answer.
Exchange exchange(int fd, const Request& r, Status& status, std::vector<uint8_t>& payload,
                  int timeoutMs) {
    if (!proto::sendFrame(fd, proto::encodeRequest(r)))
        return Exchange::Broken;
    pollfd pfd{fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&pfd, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return Exchange::NoAnswer;
    // The connection ended after the request went out: the daemon may have carried it out and
    // died before answering. Only a request that changes nothing is sent again.
    char probe;
    if (::recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT) == 0)
        return r.op == Op::Status || r.op == Op::GetClock || r.op == Op::List ||
                       r.op == Op::ListRunAtEvent
                   ? Exchange::Broken
                   : Exchange::NoAnswer;
    std::vector<uint8_t> body;
    if (!proto::recvFrame(fd, body, timeoutMs))
        return Exchange::NoAnswer;
    proto::Reader rd(body.data(), body.size());
    const uint16_t version = rd.u16();
    status = static_cast<Status>(rd.u16());
    if (!rd.ok() || version != proto::kVersion)
        return Exchange::NoAnswer;
    payload.assign(body.begin() + 4, body.end());
    return Exchange::Answered;
}
} // namespace

bool DaemonClient::call(const Request& r, Status& status, std::vector<uint8_t>& payload,
                        bool repeatable) {
    std::lock_guard lock(mutex_);
    lastStatus_.reset();
    // A forked child gets a connection of its own (the daemon knows handles by process).
    if (fd_ >= 0 && connectedPid_ != ::getpid()) {
        ::close(fd_);
        fd_ = -1;
    }
    // A daemon that went away is reached again once (event handles of the old one are gone).
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (fd_ < 0) {
            fd_ = connectToDaemon();
            connectedPid_ = ::getpid();
        }
        if (fd_ < 0) {
            reached_ = false;
            return false;
        }
        reached_ = true;
        const Exchange e = exchange(fd_, r, status, payload, kCallTimeoutMs);
        if (e == Exchange::Answered) {
            lastStatus_ = status;
            return true;
        }
        ::close(fd_);
        fd_ = -1;
        if (e == Exchange::NoAnswer && !repeatable)
            return false; // not sent again: it may have been done
    }
    return false;
}

bool DaemonClient::callAlone(const Request& r, Status& status, std::vector<uint8_t>& payload,
                             int timeoutMs) {
    const int fd = connectToDaemon();
    if (fd < 0)
        return false;
    const bool ok = exchange(fd, r, status, payload, timeoutMs) == Exchange::Answered;
    ::close(fd);
    return ok;
}

std::optional<DaemonStatus> DaemonClient::status() {
    Status st;
    std::vector<uint8_t> p;
    if (!call(Request{Op::Status}, st, p) || st != Status::Ok)
        return std::nullopt;
    proto::Reader rd(p.data(), p.size());
    DaemonStatus s;
    s.pid = rd.u32();
    s.utc = rd.u64();
    s.offsetTicks = static_cast<int64_t>(rd.u64());
    s.zone = rd.zone();
    s.externalPower = rd.u32() != 0;
    s.userActive = rd.u32() != 0;
    s.powerOverride = static_cast<proto::Override>(rd.u32());
    s.activityOverride = static_cast<proto::Override>(rd.u32());
    s.timedCount = rd.u32();
    s.eventCount = rd.u32();
    if (!rd.ok())
        return std::nullopt;
    return s;
}

// ---- Notifications ------------------------------------------------------------------------

NotificationHandle DaemonNotifications::setTimed(NotificationHandle handle,
                                                 const std::u16string& application,
                                                 const std::u16string& arguments,
                                                 const SystemTime& start, const SystemTime& end) {
    Request r{Op::SetTimed};
    r.handle = handle;
    r.text1 = application;
    r.text2 = arguments;
    r.start = start;
    r.end = end;
    Status st = Status::Failed;
    std::vector<uint8_t> p;
    // A daemon that cannot be reached (not started yet, or restarting) is tried again a few
    // times; a registration that still fails is reported, never dropped in silence.
    bool answered = false;
    for (int attempt = 0; attempt < kRegisterAttempts && !answered; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(kRegisterPauseMs));
        answered = c_->call(r, st, p);
        if (!answered && c_->lastCallReached())
            break; // it may have been done: not sent again
    }
    if (answered && st == Status::Ok) {
        proto::Reader rd(p.data(), p.size());
        const uint32_t h = rd.u32();
        if (rd.ok() && h != 0)
            return h;
    }
    char when[40];
    std::snprintf(when, sizeof when, "%04u-%02u-%02u %02u:%02u:%02u", start.year, start.month,
                  start.day, start.hour, start.minute, start.second);
    const std::string what = "the registration of " + toUtf8(application) + " " +
                             toUtf8(arguments) + " at " + when + " failed: ";
    // An update of a handle the service no longer holds (fired, cleared) is an ordinary answer:
    // the caller registers anew.
    if (answered && handle != 0)
        return 0;
    if (!answered)
        reportFault(c_->root(), what + "the device services daemon (" +
                                    daemonProgram(c_->root()).string() + ") does not answer");
    else
        reportFault(c_->root(),
                    what + "the device services daemon refused it (" + statusName(st) + ")");
    return 0;
}

bool DaemonNotifications::clear(NotificationHandle handle) {
    if (handle == 0)
        return false; // no registration has handle 0
    Request r{Op::Clear};
    r.handle = handle;
    Status st = Status::Failed;
    std::vector<uint8_t> p;
    // Clearing twice does no harm, leaving a registration behind rings it: a clear whose
    // connection dropped, or that found the daemon restarting, is sent again.
    bool answered = false;
    for (int attempt = 0; attempt < kRegisterAttempts && !answered; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(kRegisterPauseMs));
        answered = c_->call(r, st, p, true);
    }
    if (!answered)
        reportFault(c_->root(), "the clearing of registration " + std::to_string(handle) +
                                    " failed: the device services daemon (" +
                                    daemonProgram(c_->root()).string() + ") does not answer");
    return answered && st == Status::Ok;
}

std::vector<TimedRegistration> DaemonNotifications::list() {
    return listAll().value_or(std::vector<TimedRegistration>{});
}

std::optional<std::vector<TimedRegistration>> DaemonNotifications::listAll() {
    std::vector<TimedRegistration> out;
    // Page by page: each answer holds what fits in a frame and tells whether more follow.
    Request r{Op::List};
    for (;;) {
        Status st;
        std::vector<uint8_t> p;
        // Reading the list changes nothing: a page whose answer was lost is asked for again.
        if (!c_->call(r, st, p, true) || st != Status::Ok)
            return std::nullopt;
        proto::Reader rd(p.data(), p.size());
        const uint32_t n = rd.u32();
        for (uint32_t i = 0; i < n && rd.ok(); ++i) {
            TimedRegistration t;
            t.handle = rd.u32();
            t.application = rd.text();
            t.arguments = rd.text();
            t.start = rd.time();
            t.end = rd.time();
            if (rd.ok())
                out.push_back(std::move(t));
        }
        const bool more = rd.u32() != 0;
        if (!rd.ok())
            return std::nullopt;
        if (!more)
            return out;
        // A page that made no progress would ask for the same page for ever.
        if (n == 0 || out.empty() || out.back().handle <= r.handle)
            return std::nullopt;
        r.handle = out.back().handle;
    }
}

bool DaemonNotifications::runAppAtEvent(const std::u16string& application, RunEvent event) {
    Request r{Op::RunAtEvent};
    r.text1 = application;
    r.value = static_cast<uint32_t>(event);
    Status st;
    std::vector<uint8_t> p;
    return c_->call(r, st, p) && st == Status::Ok;
}

std::vector<std::pair<std::u16string, RunEvent>> DaemonNotifications::listRunAtEvent() {
    Status st;
    std::vector<uint8_t> p;
    std::vector<std::pair<std::u16string, RunEvent>> out;
    if (!c_->call(Request{Op::ListRunAtEvent}, st, p) || st != Status::Ok)
        return out;
    proto::Reader rd(p.data(), p.size());
    const uint32_t n = rd.u32();
    for (uint32_t i = 0; i < n && rd.ok(); ++i) {
        std::u16string app = rd.text();
        const auto ev = static_cast<RunEvent>(rd.u32());
        if (rd.ok())
            out.emplace_back(std::move(app), ev);
    }
    return out;
}

// ---- Named events -------------------------------------------------------------------------

EventHandle DaemonEvents::create(const std::u16string& name, bool initialState,
                                 bool* alreadyExisted) {
    Request r{Op::EventCreate};
    r.text1 = name;
    r.value = initialState ? 1 : 0;
    Status st;
    std::vector<uint8_t> p;
    if (!c_->call(r, st, p) || st != Status::Ok)
        return 0;
    proto::Reader rd(p.data(), p.size());
    const uint32_t h = rd.u32();
    const bool existed = rd.u32() != 0;
    if (!rd.ok())
        return 0;
    if (alreadyExisted)
        *alreadyExisted = existed;
    return h;
}

bool DaemonEvents::simple(Op op, EventHandle h, uint32_t* out) {
    Request r{op};
    r.handle = h;
    Status st;
    std::vector<uint8_t> p;
    if (!c_->call(r, st, p) || st != Status::Ok)
        return false;
    if (out) {
        proto::Reader rd(p.data(), p.size());
        *out = rd.u32();
        return rd.ok();
    }
    return true;
}

bool DaemonEvents::set(EventHandle h) {
    return simple(Op::EventSet, h);
}
bool DaemonEvents::reset(EventHandle h) {
    return simple(Op::EventReset, h);
}
bool DaemonEvents::close(EventHandle h) {
    return simple(Op::EventClose, h);
}
bool DaemonEvents::isSet(EventHandle h) {
    uint32_t v = 0;
    return simple(Op::EventIsSet, h, &v) && v != 0;
}

int32_t DaemonEvents::wait(const std::vector<EventHandle>& handles, uint32_t timeoutMs) {
    Request r{Op::EventWait};
    r.handles = handles;
    r.value = timeoutMs;
    Status st;
    std::vector<uint8_t> p;
    // The daemon answers by the time-out; the margin covers a busy machine.
    const int limit = timeoutMs == kInfinite
                          ? -1
                          : static_cast<int>(std::min<uint64_t>(timeoutMs + 30000ULL, 0x7FFFFFFF));
    if (!c_->callAlone(r, st, p, limit) || st != Status::Ok)
        return static_cast<int32_t>(WaitResult::Failed);
    proto::Reader rd(p.data(), p.size());
    const auto v = static_cast<int32_t>(rd.u32());
    return rd.ok() ? v : static_cast<int32_t>(WaitResult::Failed);
}

// ---- Time setting -------------------------------------------------------------------------

namespace {
bool timeRequest(DaemonClient& c, Request r) {
    Status st;
    std::vector<uint8_t> p;
    return c.call(r, st, p) && st == Status::Ok;
}
} // namespace

bool DaemonTimeSetting::setSystemTime(const SystemTime& utc) {
    Request r{Op::SetUtc};
    r.start = utc;
    return timeRequest(*c_, r);
}

bool DaemonTimeSetting::setLocalTime(const SystemTime& local) {
    Request r{Op::SetLocal};
    r.start = local;
    return timeRequest(*c_, r);
}

bool DaemonTimeSetting::setTimeZone(const TimeZoneInformation& tz) {
    Request r{Op::SetZone};
    r.zone = tz;
    return timeRequest(*c_, r);
}

} // namespace hv::dev

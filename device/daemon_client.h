// The programs' side of the device services daemon: the notification service, the named events
// and the time setting of the real device, each a request over the daemon's Unix socket. The
// daemon is started on demand; when several programs start it at once, its lock file lets one
// instance run and the others exit, and every client connects to the survivor.
#pragma once

#include "device/daemon_protocol.h"
#include "device/device.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <sys/un.h>

namespace hv::dev {

std::filesystem::path daemonSocketPath(const std::filesystem::path& root);
std::filesystem::path daemonLockPath(const std::filesystem::path& root);
// The daemon program: $HORAVEL_DEVICED, else hvdeviced beside the running program (or in the
// build tree's deviced/ folder), else the one recorded in the root (every daemon records its own
// path there when it starts, and the package installation records the one it used), else the
// one installed under the configured prefix, else the first on PATH.
std::filesystem::path daemonProgram(const std::filesystem::path& root);
// <root>/.system/hvdeviced.path, and writing it (whole-file replace).
std::filesystem::path daemonPathRecord(const std::filesystem::path& root);
bool recordDaemonProgram(const std::filesystem::path& root, const std::filesystem::path& program);

// What the daemon reports about itself and the device.
struct DaemonStatus {
    uint32_t pid = 0;
    FileTime utc = 0;
    int64_t offsetTicks = 0; // device UTC minus host UTC
    TimeZoneInformation zone{};
    bool externalPower = true;
    bool userActive = true;
    proto::Override powerOverride = proto::Override::Auto;
    proto::Override activityOverride = proto::Override::Auto;
    uint32_t timedCount = 0;
    uint32_t eventCount = 0;
};

class DaemonClient {
public:
    explicit DaemonClient(std::filesystem::path root, bool autoStart = true);
    ~DaemonClient();
    DaemonClient(const DaemonClient&) = delete;
    DaemonClient& operator=(const DaemonClient&) = delete;

    const std::filesystem::path& root() const { return root_; }
    // Sends one request on the shared connection and reads its answer. False when the daemon
    // cannot be reached; otherwise status and payload hold the answer.
    // A request whose connection drops before the answer is not sent again (it may have been
    // carried out) unless it is safe to repeat (repeatable).
    bool call(const proto::Request& r, proto::Status& status, std::vector<uint8_t>& payload,
              bool repeatable = false);
    // Whether the last call() reached a daemon (false: nothing was sent).
    bool lastCallReached() const { return reached_; }
    // The status of the last call's answer, when it had one.
    std::optional<proto::Status> lastStatus() const { return lastStatus_; }
    // A request on a connection of its own, for waits that may block for long.
    bool callAlone(const proto::Request& r, proto::Status& status, std::vector<uint8_t>& payload,
                   int timeoutMs);
    // Connects, starting the daemon when allowed and none answers. Returns the socket or -1.
    int connectToDaemon();
    std::optional<DaemonStatus> status();
    // Drops the shared connection (its event handles are released by the daemon).
    void disconnect();

private:
    std::filesystem::path root_;
    bool autoStart_;
    std::mutex mutex_;
    int fd_ = -1;
    pid_t connectedPid_ = 0;
    bool reached_ = false;
    std::optional<proto::Status> lastStatus_;
};

// The socket's address for bind and connect. A root too deep for a socket path is reached
// through a descriptor of the socket's folder, held while the address lives.
class SocketAddress {
public:
    explicit SocketAddress(const std::filesystem::path& root);
    ~SocketAddress();
    SocketAddress(const SocketAddress&) = delete;
    SocketAddress& operator=(const SocketAddress&) = delete;
    bool valid() const { return valid_; }
    sockaddr_un addr{};

private:
    int dirFd_ = -1;
    bool valid_ = false;
};

// Connects to the daemon's socket once, without starting anything. -1 when nobody answers.
int connectDaemonSocket(const std::filesystem::path& root);
// Starts the daemon for the root, detached, and waits until its socket accepts connections.
bool startDaemon(const std::filesystem::path& root, int timeoutMs);

class DaemonNotifications : public Notifications {
public:
    explicit DaemonNotifications(std::shared_ptr<DaemonClient> c) : c_(std::move(c)) {}
    NotificationHandle setTimed(NotificationHandle handle, const std::u16string& application,
                                const std::u16string& arguments, const SystemTime& start,
                                const SystemTime& end) override;
    bool clear(NotificationHandle handle) override;
    std::vector<TimedRegistration> list() override;
    // The whole list, nullopt when any page of it could not be had.
    std::optional<std::vector<TimedRegistration>> listAll();
    bool runAppAtEvent(const std::u16string& application, RunEvent event) override;
    std::vector<std::pair<std::u16string, RunEvent>> listRunAtEvent() override;

private:
    std::shared_ptr<DaemonClient> c_;
};

class DaemonEvents : public NamedEvents {
public:
    explicit DaemonEvents(std::shared_ptr<DaemonClient> c) : c_(std::move(c)) {}
    EventHandle create(const std::u16string& name, bool initialState,
                       bool* alreadyExisted) override;
    bool set(EventHandle h) override;
    bool reset(EventHandle h) override;
    bool close(EventHandle h) override;
    int32_t wait(const std::vector<EventHandle>& handles, uint32_t timeoutMs) override;
    bool isSet(EventHandle h) override;

private:
    bool simple(proto::Op op, EventHandle h, uint32_t* out = nullptr);
    std::shared_ptr<DaemonClient> c_;
};

class DaemonTimeSetting : public TimeSetting {
public:
    explicit DaemonTimeSetting(std::shared_ptr<DaemonClient> c) : c_(std::move(c)) {}
    bool setSystemTime(const SystemTime& utc) override;
    bool setLocalTime(const SystemTime& local) override;
    bool setTimeZone(const TimeZoneInformation& tz) override;

private:
    std::shared_ptr<DaemonClient> c_;
};

} // namespace hv::dev

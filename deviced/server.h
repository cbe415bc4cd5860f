// The daemon's socket server: the listening socket of the root and its connections, frames in
// and answers out. A connection whose answers pile up (a client that sends and does not read) or
// that waits for an event is not read until that is over; its requests then wait in the socket,
// and the sender blocks, instead of growing the daemon.
#pragma once

#include "device/daemon_protocol.h"
#include "deviced/answer.h"
#include "deviced/loop.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sys/types.h>
#include <vector>

namespace hv::deviced {

// Whether a peer with these credentials may use the daemon: only the daemon's own user.
bool peerAllowed(uid_t peer, uid_t self);

struct Connection {
    int fd = -1;
    pid_t pid = 0;
    dev::proto::FrameSplitter in;
    std::vector<uint8_t> out;
    bool waiting = false;  // an answer is deferred; later requests wait their turn
    bool closing = false;  // close once the output is sent
    uint32_t interest = 0; // what epoll reports for it now
    bool paused = false;   // not read while its answers pile up or a wait blocks it
    size_t handles = 0;    // event handles it holds
    bool dead = false;     // dropped; removed once the current event is handled
};

class Server {
public:
    struct Hooks {
        // A peer of the daemon's user connected (its process id).
        std::function<void(pid_t)> joined;
        // The answer to one request.
        std::function<Answer(Connection&, const dev::proto::Request&)> request;
        // A connection is being removed: what it held ends.
        std::function<void(Connection*)> gone;
    };

    explicit Server(EventLoop& loop) : loop_(loop) {}
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }
    // Binds and listens on the root's socket (private to the user). False, logged, on failure.
    bool listen(const std::filesystem::path& root);
    // Gives a deferred answer; the requests queued behind it are then taken.
    void answerDeferred(Connection* c, Answer a);
    // Removes the dropped connections (behind every event of the loop).
    void reap();

private:
    void accept();
    void refuse(Connection* c, dev::proto::Status why);
    void readFrom(Connection* c);
    void processInput(Connection* c);
    void reply(Connection* c, Answer& a);
    void flush(Connection* c);
    void resume(Connection* c);
    void updateInterest(Connection* c);
    void drop(Connection* c);

    EventLoop& loop_;
    Hooks hooks_;
    std::filesystem::path socketPath_;
    int listenFd_ = -1;
    std::map<int, std::unique_ptr<Connection>> conns_;
    std::vector<int> dead_;
};

} // namespace hv::deviced

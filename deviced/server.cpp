#include "deviced/server.h"

#include "device/daemon_client.h"
#include "device/paths.h"
#include "deviced/log.h"

#include <cerrno>
#include <cstring>
#include <malloc.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace hv::deviced {

namespace proto = dev::proto;
using proto::Status;

namespace {

constexpr size_t kMaxConnections = 256;
constexpr size_t kMaxPendingOutput = 4u << 20;
// A connection is not read while more than this waits to be sent, and read again below the low
// mark.
constexpr size_t kOutputHighWater = 256u << 10;
constexpr size_t kOutputLowWater = 64u << 10;

} // namespace

bool peerAllowed(uid_t peer, uid_t self) {
    return peer == self;
}

Server::~Server() {
    for (auto& [fd, c] : conns_)
        ::close(fd);
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(socketPath_.c_str());
    }
}

bool Server::listen(const std::filesystem::path& root) {
    socketPath_ = dev::daemonSocketPath(root);
    const std::string path = socketPath_.string();
    const dev::SocketAddress address(root);
    if (!address.valid()) {
        log("no address for the socket " + path);
        return false;
    }
    ::unlink(path.c_str()); // a leftover of a daemon that died; we hold the lock
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const mode_t old = ::umask(077);
    const bool bound =
        listenFd_ >= 0 && ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&address.addr),
                                 sizeof address.addr) == 0;
    ::umask(old);
    if (!bound || ::chmod(path.c_str(), 0600) != 0 || ::listen(listenFd_, 64) != 0) {
        log("cannot listen on " + path + ": " + std::strerror(errno));
        return false;
    }
    loop_.watch(listenFd_, EPOLLIN, [this](uint32_t) { accept(); });
    return true;
}

void Server::accept() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        ucred cred{};
        socklen_t len = sizeof cred;
        const bool known = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0;
        auto owned = std::make_unique<Connection>();
        Connection* c = owned.get();
        c->fd = fd;
        c->pid = known ? cred.pid : 0;
        c->interest = EPOLLIN;
        conns_[fd] = std::move(owned);
        loop_.watch(fd, EPOLLIN, [this, c](uint32_t what) {
            if (!c->dead && (what & EPOLLOUT)) {
                flush(c);
                resume(c);
            }
            if (!c->dead && (what & EPOLLIN))
                readFrom(c);
            // Both directions closed, or an error: nothing more can be read or answered.
            if (!c->dead && (what & (EPOLLHUP | EPOLLERR)))
                drop(c);
        });
        if (!known || !peerAllowed(cred.uid, ::geteuid())) {
            refuse(c, Status::Refused);
            continue;
        }
        hooks_.joined(cred.pid);
        if (conns_.size() > kMaxConnections)
            refuse(c, Status::LimitReached);
    }
}

// Answers with the reason and closes once that is sent.
void Server::refuse(Connection* c, Status why) {
    Answer a(why);
    reply(c, a);
    c->closing = true;
    flush(c);
}

// Frames are taken as they arrive, until the connection must pause (see the class).
void Server::readFrom(Connection* c) {
    uint8_t buf[16384];
    while (!c->dead && !c->closing) {
        if (c->waiting || c->out.size() > kOutputHighWater) {
            c->paused = true;
            updateInterest(c);
            return;
        }
        const ssize_t k = ::recv(c->fd, buf, sizeof buf, 0);
        if (k > 0) {
            c->in.feed(buf, static_cast<size_t>(k));
            processInput(c);
            continue;
        }
        if (k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (k < 0 && errno == EINTR)
            continue;
        drop(c); // end of stream or error: the peer is gone, and its handles with it
        return;
    }
    if (!c->dead && c->paused) {
        c->paused = false;
        updateInterest(c);
    }
}

void Server::resume(Connection* c) {
    if (c->dead || !c->paused || c->waiting || c->out.size() > kOutputLowWater)
        return;
    processInput(c); // frames already split off while it was paused
    if (!c->dead && !c->waiting && c->out.size() <= kOutputLowWater)
        readFrom(c);
}

void Server::updateInterest(Connection* c) {
    if (c->dead)
        return;
    const uint32_t want = (c->paused ? 0u : static_cast<uint32_t>(EPOLLIN)) |
                          (c->out.empty() ? 0u : static_cast<uint32_t>(EPOLLOUT));
    if (want == c->interest)
        return;
    loop_.change(c->fd, want);
    c->interest = want;
}

void Server::processInput(Connection* c) {
    while (!c->waiting && !c->closing && !c->dead && c->out.size() <= kOutputHighWater) {
        auto body = c->in.next();
        if (!body) {
            if (c->in.tooLarge())
                refuse(c, Status::TooLarge);
            return;
        }
        Status st = Status::Ok;
        const auto req = proto::decodeRequest(body->data(), body->size(), st);
        if (!req) {
            Answer bad(st);
            reply(c, bad);
            continue;
        }
        Answer a = hooks_.request(*c, *req);
        if (a.deferred())
            c->waiting = true;
        else
            reply(c, a);
        if (a.endsInput())
            return;
    }
}

void Server::answerDeferred(Connection* c, Answer a) {
    c->waiting = false;
    reply(c, a);
    processInput(c); // requests that queued behind the wait
    resume(c);
}

void Server::reply(Connection* c, Answer& a) {
    if (c->dead)
        return;
    const std::vector<uint8_t>& body = a.body();
    for (int i = 0; i < 4; ++i)
        c->out.push_back(static_cast<uint8_t>(body.size() >> (8 * i)));
    c->out.insert(c->out.end(), body.begin(), body.end());
    if (c->out.size() > kMaxPendingOutput) {
        drop(c);
        return;
    }
    flush(c);
}

void Server::flush(Connection* c) {
    size_t sent = 0;
    while (!c->dead && sent < c->out.size()) {
        const ssize_t k = ::send(c->fd, c->out.data() + sent, c->out.size() - sent, MSG_NOSIGNAL);
        if (k > 0) {
            sent += static_cast<size_t>(k);
            continue;
        }
        if (k < 0 && errno == EINTR)
            continue;
        if (k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        drop(c);
        return;
    }
    if (c->dead)
        return;
    c->out.erase(c->out.begin(), c->out.begin() + static_cast<std::ptrdiff_t>(sent));
    updateInterest(c);
    if (c->out.empty() && c->closing)
        drop(c);
}

void Server::drop(Connection* c) {
    if (c->dead)
        return;
    c->dead = true;
    dead_.push_back(c->fd);
}

// Removes dropped connections: what they held ends with them.
void Server::reap() {
    bool released = false;
    while (!dead_.empty()) {
        const int fd = dead_.back();
        dead_.pop_back();
        auto it = conns_.find(fd);
        if (it == conns_.end())
            continue;
        const std::unique_ptr<Connection> c = std::move(it->second);
        conns_.erase(it);
        loop_.forget(fd);
        ::close(fd);
        hooks_.gone(c.get());
        released = true;
    }
    // What the clients' events took goes back to the system once they are gone.
    if (released)
        ::malloc_trim(0);
}

} // namespace hv::deviced

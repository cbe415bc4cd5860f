#include "device/daemon_protocol.h"

#include "device/text.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hv::dev::proto {

void Writer::put(uint64_t v, int n) {
    for (int i = 0; i < n; ++i)
        b_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Writer::text(const std::u16string& s) {
    const std::string u = toUtf8(s);
    u32(static_cast<uint32_t>(u.size()));
    b_.insert(b_.end(), u.begin(), u.end());
}

void Writer::time(const SystemTime& t) {
    for (uint16_t f :
         {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds})
        u16(f);
}

void Writer::zone(const TimeZoneInformation& z) {
    static_assert(sizeof(TimeZoneInformation) == 172);
    const auto* p = reinterpret_cast<const uint8_t*>(&z);
    b_.insert(b_.end(), p, p + sizeof z);
}

uint64_t Reader::get(int n) {
    if (!ok_ || n_ - pos_ < static_cast<size_t>(n)) {
        ok_ = false;
        return 0;
    }
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | p_[pos_ + static_cast<size_t>(i)];
    pos_ += static_cast<size_t>(n);
    return v;
}

std::u16string Reader::text(uint32_t limit) {
    const uint32_t len = u32();
    if (!ok_ || len > limit || n_ - pos_ < len) {
        ok_ = false;
        return {};
    }
    std::u16string s = fromUtf8(std::string_view(reinterpret_cast<const char*>(p_ + pos_), len));
    pos_ += len;
    return s;
}

SystemTime Reader::time() {
    SystemTime t;
    for (uint16_t* f :
         {&t.year, &t.month, &t.dayOfWeek, &t.day, &t.hour, &t.minute, &t.second, &t.milliseconds})
        *f = u16();
    return t;
}

TimeZoneInformation Reader::zone() {
    TimeZoneInformation z{};
    if (!ok_ || n_ - pos_ < sizeof z) {
        ok_ = false;
        return z;
    }
    std::memcpy(&z, p_ + pos_, sizeof z);
    pos_ += sizeof z;
    return z;
}

std::vector<uint8_t> encodeRequest(const Request& r) {
    Writer w;
    w.u16(kVersion);
    w.u16(static_cast<uint16_t>(r.op));
    switch (r.op) {
    case Op::List:
        if (r.handle != 0) // the page after this handle; none: the first page
            w.u32(r.handle);
        break;
    case Op::Status:
    case Op::GetClock:
    case Op::ListRunAtEvent:
    case Op::Shutdown:
        break;
    case Op::SetUtc:
    case Op::SetLocal:
        w.time(r.start);
        break;
    case Op::SetZone:
        w.zone(r.zone);
        break;
    case Op::SetTimed:
        w.u32(r.handle);
        w.text(r.text1);
        w.text(r.text2);
        w.time(r.start);
        w.time(r.end);
        break;
    case Op::Clear:
    case Op::EventSet:
    case Op::EventReset:
    case Op::EventClose:
    case Op::EventIsSet:
        w.u32(r.handle);
        break;
    case Op::RunAtEvent:
        w.text(r.text1);
        w.u32(r.value);
        break;
    case Op::EventCreate:
        w.text(r.text1);
        w.u32(r.value);
        break;
    case Op::EventWait:
        w.u32(static_cast<uint32_t>(r.handles.size()));
        for (uint32_t h : r.handles)
            w.u32(h);
        w.u32(r.value);
        break;
    case Op::SetActivity:
    case Op::SetPower:
        w.u32(r.value);
        break;
    }
    return std::move(w.bytes());
}

std::optional<Request> decodeRequest(const uint8_t* p, size_t n, Status& status) {
    Reader rd(p, n);
    const uint16_t version = rd.u16();
    const uint16_t op = rd.u16();
    if (!rd.ok()) {
        status = Status::BadRequest;
        return std::nullopt;
    }
    if (version != kVersion) {
        status = Status::BadVersion;
        return std::nullopt;
    }
    Request r;
    r.op = static_cast<Op>(op);
    switch (r.op) {
    case Op::List:
        if (!rd.atEnd())
            r.handle = rd.u32();
        break;
    case Op::Status:
    case Op::GetClock:
    case Op::ListRunAtEvent:
    case Op::Shutdown:
        break;
    case Op::SetUtc:
    case Op::SetLocal:
        r.start = rd.time();
        break;
    case Op::SetZone:
        r.zone = rd.zone();
        break;
    case Op::SetTimed:
        r.handle = rd.u32();
        r.text1 = rd.text();
        r.text2 = rd.text();
        r.start = rd.time();
        r.end = rd.time();
        break;
    case Op::Clear:
    case Op::EventSet:
    case Op::EventReset:
    case Op::EventClose:
    case Op::EventIsSet:
        r.handle = rd.u32();
        break;
    case Op::RunAtEvent:
    case Op::EventCreate:
        r.text1 = rd.text();
        r.value = rd.u32();
        break;
    case Op::EventWait: {
        const uint32_t count = rd.u32();
        if (count > kMaxWaitHandles) {
            status = Status::BadRequest;
            return std::nullopt;
        }
        for (uint32_t i = 0; i < count && rd.ok(); ++i)
            r.handles.push_back(rd.u32());
        r.value = rd.u32();
        break;
    }
    case Op::SetActivity:
    case Op::SetPower:
        r.value = rd.u32();
        break;
    default:
        status = Status::BadRequest;
        return std::nullopt;
    }
    if (!rd.atEnd()) {
        status = Status::BadRequest;
        return std::nullopt;
    }
    status = Status::Ok;
    return r;
}

std::vector<uint8_t> answerHeader(Status s) {
    Writer w;
    w.u16(kVersion);
    w.u16(static_cast<uint16_t>(s));
    return std::move(w.bytes());
}

std::optional<std::vector<uint8_t>> FrameSplitter::next() {
    if (tooLarge_ || buf_.size() < 4)
        return std::nullopt;
    const uint32_t len = static_cast<uint32_t>(buf_[0]) | static_cast<uint32_t>(buf_[1]) << 8 |
                         static_cast<uint32_t>(buf_[2]) << 16 |
                         static_cast<uint32_t>(buf_[3]) << 24;
    if (len > kMaxBody) {
        tooLarge_ = true;
        buf_.clear();
        return std::nullopt;
    }
    if (buf_.size() - 4 < len)
        return std::nullopt;
    std::vector<uint8_t> body(buf_.begin() + 4, buf_.begin() + 4 + len);
    buf_.erase(buf_.begin(), buf_.begin() + 4 + len);
    return body;
}

bool sendFrame(int fd, const std::vector<uint8_t>& body) {
    if (body.size() > kMaxBody)
        return false;
    std::vector<uint8_t> out;
    out.reserve(body.size() + 4);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(body.size() >> (8 * i)));
    out.insert(out.end(), body.begin(), body.end());
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t k = ::send(fd, out.data() + done, out.size() - done, MSG_NOSIGNAL);
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0)
            return false;
        done += static_cast<size_t>(k);
    }
    return true;
}

namespace {
bool readExactly(int fd, uint8_t* p, size_t n, int timeoutMs) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    size_t done = 0;
    while (done < n) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now())
                    .count();
            if (left <= 0)
                return false;
            wait = static_cast<int>(left);
        }
        pollfd pfd{fd, POLLIN, 0};
        const int r = ::poll(&pfd, 1, wait);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        const ssize_t k = ::recv(fd, p + done, n - done, 0);
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0)
            return false;
        done += static_cast<size_t>(k);
    }
    return true;
}
} // namespace

bool recvFrame(int fd, std::vector<uint8_t>& body, int timeoutMs) {
    uint8_t hdr[4];
    if (!readExactly(fd, hdr, 4, timeoutMs))
        return false;
    const uint32_t len = static_cast<uint32_t>(hdr[0]) | static_cast<uint32_t>(hdr[1]) << 8 |
                         static_cast<uint32_t>(hdr[2]) << 16 | static_cast<uint32_t>(hdr[3]) << 24;
    if (len > kMaxBody)
        return false;
    body.resize(len);
    return len == 0 || readExactly(fd, body.data(), len, timeoutMs);
}

} // namespace hv::dev::proto

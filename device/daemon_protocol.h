// The wire protocol between programs and the device services daemon (hvdeviced): frames of a
// 32-bit little-endian body length and the body. A request body is a version, an operation and
// its fields; an answer body is the version, a status and the fields. Every decoder here checks
// each length against the bytes it has, so arbitrary input yields a clean error.
#pragma once

#include "device/device.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hv::dev::proto {

inline constexpr uint16_t kVersion = 1;
// The largest body either side accepts; a longer frame is refused before it is read.
inline constexpr uint32_t kMaxBody = 64 * 1024;
inline constexpr uint32_t kMaxText = 4096; // an application path, arguments or an event name
inline constexpr uint32_t kMaxWaitHandles = 64;

enum class Op : uint16_t {
    Status = 1,
    GetClock = 2,
    SetUtc = 3,
    SetLocal = 4,
    SetZone = 5,
    SetTimed = 10,
    Clear = 11,
    List = 12, // optional u32: the page after that handle; the answer ends with a u32 "more"
    RunAtEvent = 13,
    ListRunAtEvent = 14,
    EventCreate = 20,
    EventSet = 21,
    EventReset = 22,
    EventClose = 23,
    EventIsSet = 24,
    EventWait = 25,
    SetActivity = 30,
    SetPower = 31,
    Shutdown = 40,
};

enum class Status : uint16_t {
    Ok = 0,
    BadRequest = 1, // unknown operation, or fields that do not decode
    BadVersion = 2,
    TooLarge = 3,     // the frame is longer than kMaxBody; the connection is then closed
    Failed = 4,       // well formed, but the operation failed
    Refused = 5,      // the peer is another user
    LimitReached = 6, // over what the daemon serves: connections, or handles one client holds
    DaemonFull = 7,   // the events of all clients together fill what the daemon keeps
};

// Overrides of the sensed state: Auto follows the desktop, the others are forced.
enum class Override : uint32_t { Auto = 0, On = 1, Off = 2 };

// One request with the fields of every operation; each operation uses its own.
struct Request {
    Request() = default;
    explicit Request(Op o) : op(o) {}
    Op op = Op::Status;
    uint32_t handle = 0;           // SetTimed, Clear, Event*
    std::u16string text1;          // application, or event name
    std::u16string text2;          // arguments
    SystemTime start{}, end{};     // SetTimed; start is also SetUtc / SetLocal
    uint32_t value = 0;            // RunAtEvent event, EventCreate initial state,
                                   // EventWait time-out, SetActivity / SetPower override
    std::vector<uint32_t> handles; // EventWait
    TimeZoneInformation zone{};    // SetZone
};

// Little-endian writer and bounds-checked reader.
class Writer {
public:
    void u16(uint16_t v) { put(v, 2); }
    void u32(uint32_t v) { put(v, 4); }
    void u64(uint64_t v) { put(v, 8); }
    void text(const std::u16string& s); // u32 byte count + UTF-8
    void time(const SystemTime& t);
    void zone(const TimeZoneInformation& z);
    std::vector<uint8_t>& bytes() { return b_; }

private:
    void put(uint64_t v, int n);
    std::vector<uint8_t> b_;
};

class Reader {
public:
    Reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    uint16_t u16() { return static_cast<uint16_t>(get(2)); }
    uint32_t u32() { return static_cast<uint32_t>(get(4)); }
    uint64_t u64() { return get(8); }
    std::u16string text(uint32_t limit = kMaxText);
    SystemTime time();
    TimeZoneInformation zone();
    bool ok() const { return ok_; }
    bool atEnd() const { return ok_ && pos_ == n_; }

private:
    uint64_t get(int n);
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
    bool ok_ = true;
};

std::vector<uint8_t> encodeRequest(const Request& r);
// Decodes a request body (without the length prefix). On failure, status says why.
std::optional<Request> decodeRequest(const uint8_t* p, size_t n, Status& status);

// An answer body: version, status, then the payload written by the caller.
std::vector<uint8_t> answerHeader(Status s);

// Splits a byte stream into frames. Feed it what arrives; take frames while next() gives them.
class FrameSplitter {
public:
    void feed(const uint8_t* p, size_t n) { buf_.insert(buf_.end(), p, p + n); }
    // A complete body, or nullopt when more bytes are needed. tooLarge() tells that the stream
    // announced a frame over kMaxBody (nothing more can be taken from it).
    std::optional<std::vector<uint8_t>> next();
    bool tooLarge() const { return tooLarge_; }
    size_t buffered() const { return buf_.size(); }

private:
    std::vector<uint8_t> buf_;
    bool tooLarge_ = false;
};

// Blocking frame I/O for the client side. recvFrame waits at most timeoutMs (-1: forever).
bool sendFrame(int fd, const std::vector<uint8_t>& body);
bool recvFrame(int fd, std::vector<uint8_t>& body, int timeoutMs);

} // namespace hv::dev::proto

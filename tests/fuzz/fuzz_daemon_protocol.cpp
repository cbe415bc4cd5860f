// The daemon's request decoder and frame splitter against arbitrary bytes: no crash, no read
// past the end, and a decoded request that is encoded again decodes to the same request.
#include "device/daemon_protocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace hv::dev;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    proto::Status st;
    if (auto r = proto::decodeRequest(data, size, st)) {
        const auto again = proto::encodeRequest(*r);
        proto::Status st2;
        auto r2 = proto::decodeRequest(again.data(), again.size(), st2);
        // Replacement characters may make a text too long to decode again; otherwise equal.
        if (r2 && proto::encodeRequest(*r2) != again)
            std::abort();
    }
    proto::FrameSplitter split;
    // Feed in two pieces, as a socket might deliver them.
    split.feed(data, size / 2);
    while (split.next()) {
    }
    split.feed(data + size / 2, size - size / 2);
    while (auto body = split.next())
        proto::decodeRequest(body->data(), body->size(), st);
    return 0;
}

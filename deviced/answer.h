// The one writer of the daemon's answers: the header with its status, then the fields of an
// answer that succeeded. A request's handler fills one; the server frames and sends it.
#pragma once

#include "device/daemon_protocol.h"

#include <cstdint>
#include <vector>

namespace hv::deviced {

class Answer {
public:
    explicit Answer(dev::proto::Status status = dev::proto::Status::Ok) { fail(status); }

    Answer& u32(uint32_t v) {
        w_.u32(v);
        return *this;
    }
    Answer& u64(uint64_t v) {
        w_.u64(v);
        return *this;
    }
    Answer& zone(const dev::TimeZoneInformation& z) {
        w_.zone(z);
        return *this;
    }
    Answer& flag(bool v) { return u32(v ? 1 : 0); }
    // The answer is this status alone; what was written before is dropped.
    void fail(dev::proto::Status status = dev::proto::Status::Failed) {
        w_.bytes() = dev::proto::answerHeader(status);
    }
    // Given later (a wait for an event): the connection's next requests wait for it.
    void defer() { deferred_ = true; }
    bool deferred() const { return deferred_; }
    // The last answer the connection gets read for (the daemon stops).
    void endInput() { endsInput_ = true; }
    bool endsInput() const { return endsInput_; }
    std::vector<uint8_t>& body() { return w_.bytes(); }

private:
    dev::proto::Writer w_;
    bool deferred_ = false;
    bool endsInput_ = false;
};

// The items of a list answer: as many as fit into one frame, with their count before them.
class AnswerList {
public:
    // Adds the item `write` puts down, when it still fits; false (and nothing more is taken) when
    // it does not.
    template <class Write> bool add(Write&& write) {
        if (full_)
            return false;
        dev::proto::Writer one;
        write(one);
        if (items_.size() + one.bytes().size() + 16 > dev::proto::kMaxBody) {
            full_ = true;
            return false;
        }
        items_.insert(items_.end(), one.bytes().begin(), one.bytes().end());
        ++count_;
        return true;
    }
    uint32_t count() const { return count_; }
    void writeTo(Answer& a) const {
        a.u32(count_);
        a.body().insert(a.body().end(), items_.begin(), items_.end());
    }

private:
    std::vector<uint8_t> items_;
    uint32_t count_ = 0;
    bool full_ = false;
};

} // namespace hv::deviced

#include "cli/commands.h"
#include "device/daemon_protocol.h"
#include "deviced/daemon.h"
#include "deviced/idle.h"
#include "deviced/store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <unistd.h>

using namespace hv;
using namespace hv::dev;

namespace {

std::vector<uint8_t> frame(const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out;
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(body.size() >> (8 * i)));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

proto::Request sampleTimed() {
    proto::Request r{proto::Op::SetTimed};
    r.handle = 7;
    r.text1 = u"\\Windows\\BHVEvents.exe";
    r.text2 = u"-e 3 \u00e9";
    r.start = SystemTime{2026, 12, 1, 7, 20, 30, 5, 250};
    r.end = r.start;
    return r;
}

} // namespace

TEST(DaemonProtocol, RequestLayoutAndRoundTrip) {
    const auto body = proto::encodeRequest(sampleTimed());
    // version, op, handle, then the texts as byte count + UTF-8
    ASSERT_GE(body.size(), 12u);
    EXPECT_EQ(body[0], 1);
    EXPECT_EQ(body[1], 0);
    EXPECT_EQ(body[2], 10);
    EXPECT_EQ(body[4], 7);
    EXPECT_EQ(body[8], 22); // strlen of the application path
    EXPECT_EQ(std::string(body.begin() + 12, body.begin() + 34), "\\Windows\\BHVEvents.exe");
    // start record at the end, before the end record: year 2026 = 0x07EA little-endian
    const size_t startAt = body.size() - 32;
    EXPECT_EQ(body[startAt], 0xEA);
    EXPECT_EQ(body[startAt + 1], 0x07);
    EXPECT_EQ(body[startAt + 14], 250);

    proto::Status st;
    const auto r = proto::decodeRequest(body.data(), body.size(), st);
    ASSERT_TRUE(r);
    EXPECT_EQ(st, proto::Status::Ok);
    EXPECT_EQ(r->handle, 7u);
    EXPECT_EQ(r->text1, u"\\Windows\\BHVEvents.exe");
    EXPECT_EQ(r->text2, u"-e 3 \u00e9");
    EXPECT_EQ(r->start, sampleTimed().start);

    proto::Request w{proto::Op::EventWait};
    w.handles = {3, 9};
    w.value = kInfinite;
    const auto wb = proto::encodeRequest(w);
    const auto wr = proto::decodeRequest(wb.data(), wb.size(), st);
    ASSERT_TRUE(wr);
    EXPECT_EQ(wr->handles, (std::vector<uint32_t>{3, 9}));
    EXPECT_EQ(wr->value, kInfinite);

    proto::Request z{proto::Op::SetZone};
    z.zone.Bias = -60;
    z.zone.DaylightDate.month = 3;
    const auto zb = proto::encodeRequest(z);
    EXPECT_EQ(zb.size(), 4u + 172u);
    const auto zr = proto::decodeRequest(zb.data(), zb.size(), st);
    ASSERT_TRUE(zr);
    EXPECT_EQ(zr->zone.Bias, -60);
    EXPECT_EQ(zr->zone.DaylightDate.month, 3);
}

TEST(DaemonProtocol, MalformedRequestsAreRejected) {
    proto::Status st;
    const auto body = proto::encodeRequest(sampleTimed());
    // Every truncation fails cleanly, as does a trailing byte.
    for (size_t n = 0; n < body.size(); ++n) {
        EXPECT_FALSE(proto::decodeRequest(body.data(), n, st)) << n;
        EXPECT_NE(st, proto::Status::Ok);
    }
    auto longer = body;
    longer.push_back(0);
    EXPECT_FALSE(proto::decodeRequest(longer.data(), longer.size(), st));

    const std::vector<uint8_t> badVersion{2, 0, 1, 0};
    EXPECT_FALSE(proto::decodeRequest(badVersion.data(), badVersion.size(), st));
    EXPECT_EQ(st, proto::Status::BadVersion);
    const std::vector<uint8_t> unknownOp{1, 0, 0xEE, 0x77};
    EXPECT_FALSE(proto::decodeRequest(unknownOp.data(), unknownOp.size(), st));
    EXPECT_EQ(st, proto::Status::BadRequest);

    // A text longer than the limit, and a wait on too many handles.
    proto::Request big{proto::Op::EventCreate};
    big.text1 = std::u16string(proto::kMaxText + 1, u'x');
    const auto bb = proto::encodeRequest(big);
    EXPECT_FALSE(proto::decodeRequest(bb.data(), bb.size(), st));
    proto::Request many{proto::Op::EventWait};
    many.handles.assign(proto::kMaxWaitHandles + 1, 1);
    const auto mb = proto::encodeRequest(many);
    EXPECT_FALSE(proto::decodeRequest(mb.data(), mb.size(), st));
    // A text length that points past the end.
    std::vector<uint8_t> past{1, 0, 20, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'a'};
    EXPECT_FALSE(proto::decodeRequest(past.data(), past.size(), st));
}

TEST(DaemonProtocol, FrameSplitterReassemblesAndRefusesOversizedFrames) {
    const auto a = frame(proto::encodeRequest(sampleTimed()));
    const auto b = frame(proto::encodeRequest(proto::Request{proto::Op::Status}));
    std::vector<uint8_t> stream = a;
    stream.insert(stream.end(), b.begin(), b.end());
    proto::FrameSplitter s;
    std::vector<std::vector<uint8_t>> got;
    for (uint8_t byte : stream) { // one byte at a time
        s.feed(&byte, 1);
        while (auto f = s.next())
            got.push_back(*f);
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1], proto::encodeRequest(proto::Request{proto::Op::Status}));

    proto::FrameSplitter big;
    const std::vector<uint8_t> huge{0x01, 0x00, 0x01, 0x00}; // 65537 bytes announced
    big.feed(huge.data(), huge.size());
    EXPECT_FALSE(big.next());
    EXPECT_TRUE(big.tooLarge());
    const std::vector<uint8_t> exact = frame(std::vector<uint8_t>(proto::kMaxBody, 0));
    proto::FrameSplitter fits;
    fits.feed(exact.data(), exact.size());
    EXPECT_TRUE(fits.next());
}

TEST(DaemonProtocol, RandomBytesNeverCrashTheDecoder) {
    std::mt19937 rng(12345);
    proto::Status st;
    for (int i = 0; i < 20000; ++i) {
        std::vector<uint8_t> b(rng() % 64);
        for (auto& x : b)
            x = static_cast<uint8_t>(rng());
        if (b.size() >= 4 && i % 2 == 0) { // mostly valid headers reach the field decoders
            b[0] = 1;
            b[1] = 0;
            static const uint8_t ops[] = {1, 3, 5, 10, 11, 13, 20, 25, 30};
            b[2] = ops[rng() % sizeof ops];
            b[3] = 0;
        }
        proto::decodeRequest(b.data(), b.size(), st);
        proto::FrameSplitter s;
        s.feed(b.data(), b.size());
        while (s.next()) {
        }
    }
}

TEST(DaemonStore, HandlesAreNeverReusedAndChangesPersist) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("hv-store-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "deviced.db").string();
    const SystemTime t{2027, 1, 0, 2, 8, 0, 0, 0};
    uint32_t a, b;
    {
        deviced::Store s;
        ASSERT_TRUE(s.open(path));
        a = s.addTimed(u"\\Windows\\A.exe", u"one", t, t);
        b = s.addTimed(u"\\Windows\\B.exe", u"", t, t);
        EXPECT_NE(a, 0u);
        EXPECT_GT(b, a);
        EXPECT_TRUE(s.updateTimed(a, u"\\Windows\\A.exe", u"two", t, t));
        EXPECT_FALSE(s.updateTimed(9999, u"x", u"", t, t));
        EXPECT_TRUE(s.removeTimed(b));
        EXPECT_FALSE(s.removeTimed(b));
        EXPECT_FALSE(s.removeTimed(0));
        EXPECT_TRUE(s.setRunAt(u"\\Windows\\A.exe", 1));
        EXPECT_TRUE(s.setRunAt(u"\\Windows\\A.exe", 1)); // twice is once
        EXPECT_TRUE(s.setRunAt(u"\\Windows\\A.exe", 9));
        EXPECT_TRUE(s.setRunAt(u"\\Windows\\C.exe", 1));
        EXPECT_TRUE(s.setRunAt(u"\\Windows\\C.exe", 0));
    }
    deviced::Store s;
    ASSERT_TRUE(s.open(path));
    const auto all = s.timed();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].handle, a);
    EXPECT_EQ(all[0].arguments, u"two");
    EXPECT_EQ(all[0].start, t);
    EXPECT_EQ(s.runAt().size(), 2u);
    EXPECT_GT(s.addTimed(u"\\Windows\\D.exe", u"", t, t), b); // b is not handed out again
    EXPECT_EQ(deviced::timedStillRegistered(path, a), std::optional<bool>(true));
    EXPECT_EQ(deviced::timedStillRegistered(path, b), std::optional<bool>(false));
    EXPECT_FALSE(deviced::timedStillRegistered((dir / "missing.db").string(), a));
    std::filesystem::remove_all(dir);
}

TEST(DaemonPeer, OnlyTheSameUserIsAllowed) {
    EXPECT_TRUE(deviced::peerAllowed(1000, 1000));
    EXPECT_FALSE(deviced::peerAllowed(0, 1000));
    EXPECT_FALSE(deviced::peerAllowed(1001, 1000));
}

TEST(DeviceCommands, BadArgumentsExitWithUsageStatus) {
    const auto root = std::filesystem::temp_directory_path() / "hv-no-daemon-here";
    for (const auto& args : std::vector<std::vector<std::string>>{
             std::vector<std::string>{"device", "set-time", "2026-13-01 00:00:00"},
             {"device", "set-time", "yesterday"},
             {"device", "set-zone", "--bias", "5000"},
             {"device", "set-zone", "--bias", "-60", "--dst", "6,0,3;5,0,10"},
             {"device", "set-zone", "--bias", "-60", "--dst", "5,0,3"},
             {"device", "notify", "set", "--app", "\\x", "--at", "2026-01-01 00:00:00.5"},
             {"device", "notify", "set", "--app", "\\x", "--at", "2026-01-01 00:00:00", "--handle",
              "0"},
             {"device", "notify", "clear", "-3"},
             {"device", "event", "wait", "A", "--timeout", "soon"},
             {"device", "activity", "sleepy"},
             {"device", "power", "solar"},
         }) {
        auto withRoot = args;
        withRoot.push_back("--device");
        withRoot.push_back(root.string());
        std::ostringstream out, err;
        EXPECT_EQ(cli::runCli(withRoot, out, err), cli::kExitUsage)
            << args[1] << ' ' << args.back();
        EXPECT_FALSE(err.str().empty());
    }
    EXPECT_FALSE(std::filesystem::exists(root)); // nothing was started for them
}

TEST(DaemonActivity, IdleTimeAgainstThreshold) {
    using deviced::decideActivity;
    // Active: look again exactly when the threshold could be reached.
    auto d = decideActivity(10000, 60000);
    EXPECT_TRUE(d.active);
    EXPECT_EQ(d.nextCheckMs, 50000u);
    d = decideActivity(59990, 60000);
    EXPECT_TRUE(d.active);
    EXPECT_EQ(d.nextCheckMs, 50u); // never a busy loop
    // Inactive from the threshold on; checked once a second for the user's return.
    d = decideActivity(60000, 60000);
    EXPECT_FALSE(d.active);
    EXPECT_EQ(d.nextCheckMs, 1000u);
    // A zero threshold never turns inactive and never checks.
    d = decideActivity(999999, 0);
    EXPECT_TRUE(d.active);
    EXPECT_EQ(d.nextCheckMs, deviced::kNoCheck);
}

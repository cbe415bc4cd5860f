#include "deviced/requests.h"

#include "device/paths.h"
#include "device/systime.h"

#include <array>
#include <unistd.h>

namespace hv::deviced {

namespace proto = dev::proto;
using proto::Op;
using proto::Override;
using proto::Request;
using proto::Status;

namespace {

// Registrations a list answer reads from the store at a time.
constexpr size_t kListPage = 1024;

using Handler = void (*)(Services&, Connection&, const Request&, Answer&);

// ---- Clock and state ------------------------------------------------------------------------

void status(Services& s, Connection&, const Request&, Answer& a) {
    a.u32(static_cast<uint32_t>(::getpid()))
        .u64(s.clock.utcNow())
        .u64(static_cast<uint64_t>(s.clock.offsetTicks()))
        .zone(s.clock.zone())
        .flag(s.power.external())
        .flag(s.activity.active())
        .u32(static_cast<uint32_t>(s.power.override()))
        .u32(static_cast<uint32_t>(s.activity.override()))
        .u32(static_cast<uint32_t>(s.store.timedCount()))
        .u32(static_cast<uint32_t>(s.events.count()));
}

void setDeviceUtc(Services& s, std::optional<dev::FileTime> utc, Answer& a) {
    if (!utc || !s.clock.setUtc(*utc))
        return a.fail();
    s.clockChanged();
}

void setUtc(Services& s, Connection&, const Request& r, Answer& a) {
    setDeviceUtc(s, dev::toFileTime(r.start), a);
}

void setLocal(Services& s, Connection&, const Request& r, Answer& a) {
    const auto local = dev::toFileTime(r.start);
    setDeviceUtc(s, local ? std::optional(dev::localToUtc(s.clock.zone(), *local)) : std::nullopt,
                 a);
}

void setZone(Services& s, Connection&, const Request& r, Answer& a) {
    if (!s.clock.setZone(r.zone))
        return a.fail();
    s.clockChanged();
}

// ---- Timed registrations and programs run at events -----------------------------------------

void setTimed(Services& s, Connection&, const Request& r, Answer& a) {
    // The start must be a real calendar time; the application a program inside the root.
    if (!dev::toFileTime(r.start) || r.text1.empty() || !dev::isProgramInsideRoot(s.root, r.text1))
        return a.fail();
    uint32_t h = 0;
    if (r.handle == 0)
        h = s.store.addTimed(r.text1, r.text2, r.start, r.end);
    else if (s.store.updateTimed(r.handle, r.text1, r.text2, r.start, r.end))
        h = r.handle;
    if (h == 0)
        return a.fail();
    s.scheduler.wakeSoon();
    a.u32(h);
}

void clear(Services& s, Connection&, const Request& r, Answer& a) {
    if (r.handle == 0 || !s.store.removeTimed(r.handle))
        return a.fail();
    s.scheduler.wakeSoon();
}

// A page of the registrations after the handle in the request (0: from the first), as many as
// one frame holds, and whether more follow: the client asks until it has all.
void list(Services& s, Connection&, const Request& r, Answer& a) {
    const auto page = s.store.timedPage(r.handle, kListPage);
    AnswerList items;
    for (const auto& t : page)
        if (!items.add([&](proto::Writer& one) {
                one.u32(t.handle);
                one.text(t.application);
                one.text(t.arguments);
                one.time(t.start);
                one.time(t.end);
            }))
            break;
    const bool more =
        items.count() < page.size() ||
        (page.size() == kListPage && !s.store.timedPage(page.back().handle, 1).empty());
    items.writeTo(a);
    a.flag(more);
}

void runAtEvent(Services& s, Connection&, const Request& r, Answer& a) {
    const auto ev = static_cast<dev::RunEvent>(r.value);
    if (r.text1.empty() || (ev != dev::RunEvent::None && ev != dev::RunEvent::TimeChange &&
                            ev != dev::RunEvent::Rs232Detected))
        return a.fail();
    if (ev != dev::RunEvent::None && !dev::isProgramInsideRoot(s.root, r.text1))
        return a.fail();
    if (!s.store.setRunAt(r.text1, r.value))
        a.fail();
}

void listRunAtEvent(Services& s, Connection&, const Request&, Answer& a) {
    AnswerList items;
    for (const auto& [app, ev] : s.store.runAt())
        if (!items.add([&](proto::Writer& one) {
                one.text(app);
                one.u32(ev);
            }))
            break;
    items.writeTo(a);
}

// ---- Named events ---------------------------------------------------------------------------

void eventCreate(Services& s, Connection& c, const Request& r, Answer& a) {
    if (r.text1.empty())
        return a.fail();
    // Over what one client, or all together, may hold, the answer says so.
    if (const Status admitted = s.events.admits(c, r.text1); admitted != Status::Ok)
        return a.fail(admitted);
    bool existed = false;
    const uint32_t h = s.events.open(r.text1, r.value != 0, &c, existed);
    if (h == 0)
        return a.fail();
    a.u32(h).flag(existed);
}

void eventSetOrReset(Services& s, Connection& c, const Request& r, Answer& a) {
    const NamedEvents::Holder* h = s.events.holderFor(c, r.handle);
    if (!h)
        return a.fail();
    s.events.set(h->name, r.op == Op::EventSet);
}

void eventIsSet(Services& s, Connection& c, const Request& r, Answer& a) {
    const NamedEvents::Holder* h = s.events.holderFor(c, r.handle);
    if (!h)
        return a.fail();
    a.flag(s.events.state(h->name).value_or(false));
}

void eventClose(Services& s, Connection& c, const Request& r, Answer& a) {
    if (!s.events.holderFor(c, r.handle))
        return a.fail();
    s.events.close(r.handle);
}

void eventWait(Services& s, Connection& c, const Request& r, Answer& a) {
    if (r.handles.empty())
        return a.fail();
    for (uint32_t h : r.handles)
        if (!s.events.holderFor(c, h))
            return a.fail();
    if (const auto now = s.events.wait(&c, r.handles, r.value))
        a.u32(*now);
    else
        a.defer();
}

// ---- Overrides and the daemon itself ---------------------------------------------------------

std::optional<Override> override(const Request& r) {
    if (r.value > static_cast<uint32_t>(Override::Off))
        return std::nullopt;
    return static_cast<Override>(r.value);
}

void setActivity(Services& s, Connection&, const Request& r, Answer& a) {
    const auto o = override(r);
    if (!o)
        return a.fail();
    s.activity.setOverride(*o);
}

void setPower(Services& s, Connection&, const Request& r, Answer& a) {
    const auto o = override(r);
    if (!o)
        return a.fail();
    s.power.setOverride(*o);
}

void shutdown(Services& s, Connection&, const Request&, Answer& a) {
    s.shutdown();
    a.endInput();
}

constexpr size_t kOps = 41; // above the highest operation
constexpr std::array<Handler, kOps> handlers() {
    std::array<Handler, kOps> t{};
    const auto at = [&t](Op op, Handler h) { t[static_cast<size_t>(op)] = h; };
    at(Op::Status, status);
    at(Op::GetClock, status);
    at(Op::SetUtc, setUtc);
    at(Op::SetLocal, setLocal);
    at(Op::SetZone, setZone);
    at(Op::SetTimed, setTimed);
    at(Op::Clear, clear);
    at(Op::List, list);
    at(Op::RunAtEvent, runAtEvent);
    at(Op::ListRunAtEvent, listRunAtEvent);
    at(Op::EventCreate, eventCreate);
    at(Op::EventSet, eventSetOrReset);
    at(Op::EventReset, eventSetOrReset);
    at(Op::EventClose, eventClose);
    at(Op::EventIsSet, eventIsSet);
    at(Op::EventWait, eventWait);
    at(Op::SetActivity, setActivity);
    at(Op::SetPower, setPower);
    at(Op::Shutdown, shutdown);
    return t;
}
constexpr std::array<Handler, kOps> kHandlers = handlers();

} // namespace

Answer handleRequest(Services& s, Connection& c, const Request& r) {
    const auto op = static_cast<size_t>(r.op);
    if (op >= kOps || !kHandlers[op])
        return Answer(Status::BadRequest);
    Answer a;
    kHandlers[op](s, c, r, a);
    return a;
}

} // namespace hv::deviced

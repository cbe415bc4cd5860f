// horavel-cli device ...: the device's clock, zone, registrations, named events, user activity
// and power, through the device services daemon of HORAVEL_DEVICE or --device DIR (started when
// none runs).
#include "cli/commands.h"

#include "device/daemon_client.h"
#include "device/journal.h"
#include "device/paths.h"
#include "device/text.h"

#include <cstdio>
#include <fstream>
#include <memory>

namespace hv::cli {

namespace {

using dev::DaemonClient;
namespace proto = dev::proto;

const OptionSpec kDeviceOption{"device", true, false, "DIR"};

std::shared_ptr<DaemonClient> clientFor(const ParsedArgs& a) {
    const std::filesystem::path root =
        a.has("device") ? std::filesystem::path(a.get("device")) : dev::defaultRoot();
    std::error_code ec;
    return std::make_shared<DaemonClient>(std::filesystem::absolute(root, ec));
}

int usage(Io& io, const std::string& cmd, const std::string& what) {
    io.err << "horavel-cli " << cmd << ": " << what << '\n';
    return kExitUsage;
}

// An empty --device names no folder (it would put the daemon's files in the current one).
bool badRoot(const ParsedArgs& a, Io& io, const std::string& cmd) {
    if (!a.has("device") || !a.get("device").empty())
        return false;
    usage(io, cmd, "--device needs a folder");
    return true;
}

// A name, path or argument the daemon accepts: at most proto::kMaxText bytes of UTF-8.
bool textTooLong(const std::string& text) {
    return dev::toUtf8(dev::fromUtf8(text)).size() > proto::kMaxText;
}

int unreachable(Io& io, const std::string& cmd, const DaemonClient& c) {
    if (c.lastStatus() == proto::Status::LimitReached) {
        io.err << "horavel-cli " << cmd << ": the device services daemon of '" << c.root().string()
               << "' serves as many clients as it can; try again\n";
        return kExitFailure;
    }
    io.err << "horavel-cli " << cmd << ": the device services daemon of '" << c.root().string()
           << "' does not answer\n";
    return kExitFailure;
}

std::string timeText(const dev::SystemTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.milliseconds);
    return buf;
}

// YYYY-MM-DD HH:MM:SS with optional .mmm
bool parseStamp(const std::string& s, bool allowMs, dev::SystemTime& out) {
    int y, mo, d, h, mi, sec;
    long long ms = 0;
    if (s.size() > 19) {
        if (!allowMs || s.size() != 23 || s[19] != '.' || !parseInt(s.substr(20), 0, 999, ms) ||
            s.find_first_not_of("0123456789", 20) != std::string::npos)
            return false;
    }
    if (!parseDateTime(s.substr(0, 19), y, mo, d, h, mi, sec) || y < 1601 || y > 30827)
        return false;
    const auto ft = dev::toFileTime(dev::SystemTime{
        static_cast<uint16_t>(y), static_cast<uint16_t>(mo), 0, static_cast<uint16_t>(d),
        static_cast<uint16_t>(h), static_cast<uint16_t>(mi), static_cast<uint16_t>(sec),
        static_cast<uint16_t>(ms)});
    if (!ft)
        return false;
    out = dev::toSystemTime(*ft);
    return true;
}

int runStatus(const ParsedArgs& a, Io& io) {
    auto c = clientFor(a);
    const auto s = c->status();
    if (!s)
        return unreachable(io, "device status", *c);
    const dev::FileTime local = dev::utcToLocal(s->zone, s->utc);
    io.out << "pid=" << s->pid << "\nroot=" << c->root().string()
           << "\nutc=" << timeText(dev::toSystemTime(s->utc))
           << "\nlocal=" << timeText(dev::toSystemTime(local)) << "\nbias=" << s->zone.Bias
           << "\ndaylight=" << (dev::isDaylightAtUtc(s->zone, s->utc) ? 1 : 0)
           << "\npower=" << (s->externalPower ? "ac" : "battery")
           << "\nactivity=" << (s->userActive ? "active" : "inactive")
           << "\nregistrations=" << s->timedCount << "\nevents=" << s->eventCount << '\n';
    // How the daemon wakes for registrations and where its idle time comes from.
    {
        std::ifstream state(c->root() / ".system" / "deviced.state");
        for (std::string line; std::getline(state, line);)
            if (line.rfind("wake=", 0) == 0 || line.rfind("idle=", 0) == 0)
                io.out << line << '\n';
    }
    // Damaged files replaced, registrations that failed: the device's fault journal.
    const auto faults = dev::readFaults(c->root());
    io.out << "faults=" << faults.count << '\n';
    for (const auto& line : faults.last)
        io.out << "fault=" << line << '\n';
    return kExitOk;
}

int runTime(const ParsedArgs& a, Io& io) {
    auto c = clientFor(a);
    const auto s = c->status();
    if (!s)
        return unreachable(io, "device time", *c);
    const dev::FileTime t = a.has("utc") ? s->utc : dev::utcToLocal(s->zone, s->utc);
    io.out << timeText(dev::toSystemTime(t)) << '\n';
    return kExitOk;
}

int runSetTime(const ParsedArgs& a, Io& io) {
    dev::SystemTime t;
    if (!parseStamp(a.positional[0], false, t))
        return usage(io, "device set-time",
                     "not a time (YYYY-MM-DD HH:MM:SS): '" + a.positional[0] + "'");
    auto c = clientFor(a);
    dev::DaemonTimeSetting ts(c);
    if (!(a.has("utc") ? ts.setSystemTime(t) : ts.setLocalTime(t))) {
        io.err << "horavel-cli device set-time: the device time was not set\n";
        return kExitFailure;
    }
    return kExitOk;
}

// W,D,M: week 1..5, weekday 0..6 (0 = Sunday), month 1..12.
bool parseRule(const std::string& s, dev::SystemTime& out) {
    const size_t c1 = s.find(','), c2 = c1 == std::string::npos ? c1 : s.find(',', c1 + 1);
    if (c2 == std::string::npos)
        return false;
    long long w, d, m;
    if (!parseInt(s.substr(0, c1), 1, 5, w) || !parseInt(s.substr(c1 + 1, c2 - c1 - 1), 0, 6, d) ||
        !parseInt(s.substr(c2 + 1), 1, 12, m))
        return false;
    out = {};
    out.month = static_cast<uint16_t>(m);
    out.dayOfWeek = static_cast<uint16_t>(d);
    out.day = static_cast<uint16_t>(w);
    return true;
}

int runSetZone(const ParsedArgs& a, Io& io) {
    long long bias;
    if (!parseInt(a.get("bias"), -14 * 60, 14 * 60, bias))
        return usage(io, "device set-zone",
                     "--bias must be minutes from -840 to 840 (UTC = local + bias)");
    dev::TimeZoneInformation tz{};
    tz.Bias = static_cast<int32_t>(bias);
    if (a.has("dst")) {
        const std::string dst = a.get("dst");
        const size_t semi = dst.find(';');
        if (semi == std::string::npos || !parseRule(dst.substr(0, semi), tz.DaylightDate) ||
            !parseRule(dst.substr(semi + 1), tz.StandardDate))
            return usage(io, "device set-zone", "--dst must be 'W,D,M;W,D,M' (start then end)");
        // Daylight time starts at 02:00 standard time and ends at 03:00 daylight time.
        tz.DaylightDate.hour = 2;
        tz.StandardDate.hour = 3;
        tz.DaylightBias = -60;
    }
    auto c = clientFor(a);
    if (!dev::DaemonTimeSetting(c).setTimeZone(tz)) {
        io.err << "horavel-cli device set-zone: the device zone was not set\n";
        return kExitFailure;
    }
    return kExitOk;
}

int runNotifySet(const ParsedArgs& a, Io& io) {
    dev::SystemTime at;
    if (!parseStamp(a.get("at"), true, at))
        return usage(io, "device notify set", "--at must be 'YYYY-MM-DD HH:MM:SS[.mmm]'");
    long long handle = 0;
    if (a.has("handle") && !parseInt(a.get("handle"), 1, 0xFFFFFFFFLL, handle))
        return usage(io, "device notify set", "--handle must be a number from 1 to 4294967295");
    const std::string app = a.get("app"), args = a.get("args");
    if (app.empty() || textTooLong(app) || textTooLong(args))
        return usage(io, "device notify set",
                     "--app must be a device path and --app and --args at most " +
                         std::to_string(proto::kMaxText) + " bytes each");
    auto c = clientFor(a);
    if (!dev::isProgramInsideRoot(c->root(), dev::fromUtf8(app))) {
        io.err << "horavel-cli device notify set: '" << app
               << "' is not a program inside the device root '" << c->root().string() << "'\n";
        return kExitFailure;
    }
    const auto h = dev::DaemonNotifications(c).setTimed(
        static_cast<uint32_t>(handle), dev::fromUtf8(app), dev::fromUtf8(args), at, at);
    if (h == 0) {
        if (!c->lastCallReached())
            return unreachable(io, "device notify set", *c);
        io.err << "horavel-cli device notify set: the registration was refused"
               << (handle != 0 ? " (no registration " + std::to_string(handle) + ")" : "") << '\n';
        return kExitFailure;
    }
    io.out << h << '\n';
    return kExitOk;
}

int runNotifyClear(const ParsedArgs& a, Io& io) {
    long long handle;
    if (!parseInt(a.positional[0], 0, 0xFFFFFFFFLL, handle))
        return usage(io, "device notify clear", "not a handle: '" + a.positional[0] + "'");
    auto c = clientFor(a);
    proto::Request r{proto::Op::Clear};
    r.handle = static_cast<uint32_t>(handle);
    proto::Status st;
    std::vector<uint8_t> payload;
    if (!c->call(r, st, payload))
        return unreachable(io, "device notify clear", *c);
    if (st != proto::Status::Ok) {
        // Nothing was cleared: a script that meant to cancel something learns it was not there.
        io.err << "horavel-cli device notify clear: no registration " << handle << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

int runNotifyList(const ParsedArgs& a, Io& io) {
    auto c = clientFor(a);
    if (!c->status())
        return unreachable(io, "device notify list", *c);
    // A list is complete or the command fails.
    const auto all = dev::DaemonNotifications(c).listAll();
    if (!all) {
        io.err << "horavel-cli device notify list: the list could not be read completely\n";
        return kExitFailure;
    }
    for (const auto& t : *all)
        io.out << t.handle << '\t' << timeText(t.start) << '\t' << dev::toUtf8(t.application)
               << '\t' << dev::toUtf8(t.arguments) << '\n';
    return kExitOk;
}

// Event names the daemon accepts: not empty, at most proto::kMaxText bytes.
int badEventName(Io& io, const std::string& cmd, const std::string& name) {
    if (name.empty())
        return usage(io, cmd, "an event name must not be empty");
    return usage(io, cmd, "an event name is at most " + std::to_string(proto::kMaxText) + " bytes");
}
bool eventNameOk(const std::string& name) {
    return !name.empty() && !textTooLong(name);
}

int runEvent(const std::string& verb, const ParsedArgs& a, Io& io) {
    if (!eventNameOk(a.positional[0]))
        return badEventName(io, "device event " + verb, a.positional[0]);
    auto c = clientFor(a);
    dev::DaemonEvents ev(c);
    bool existed = false;
    const auto h = ev.create(dev::fromUtf8(a.positional[0]), false, &existed);
    if (h == 0 && c->lastCallReached()) {
        io.err << "horavel-cli device event " << verb << ": the daemon refused the event"
               << (c->lastStatus() == proto::Status::LimitReached
                       ? " (this client holds as many events as it may)"
                   : c->lastStatus() == proto::Status::DaemonFull
                       ? " (the daemon holds as many events as it may, for all its clients)"
                       : "")
               << '\n';
        return kExitFailure;
    }
    if (h == 0)
        return unreachable(io, "device event " + verb, *c);
    if (verb == "create")
        io.out << (existed ? "existed" : "created") << '\n';
    else if (verb == "set" && !ev.set(h))
        return kExitFailure;
    else if (verb == "reset" && !ev.reset(h))
        return kExitFailure;
    else if (verb == "test")
        io.out << (ev.isSet(h) ? "set" : "reset") << '\n';
    return kExitOk;
}

int runEventWait(const ParsedArgs& a, Io& io) {
    long long timeout = 0;
    const std::string t = a.get("timeout");
    if (t != "infinite" && !parseInt(t, 0, 0xFFFFFFFELL, timeout))
        return usage(io, "device event wait", "--timeout must be milliseconds or 'infinite'");
    for (const auto& name : a.positional)
        if (!eventNameOk(name))
            return badEventName(io, "device event wait", name);
    auto c = clientFor(a);
    dev::DaemonEvents ev(c);
    std::vector<dev::EventHandle> hs;
    for (const auto& name : a.positional) {
        const auto h = ev.create(dev::fromUtf8(name), false, nullptr);
        if (h == 0 && c->lastCallReached()) {
            io.err << "horavel-cli device event wait: the daemon refused the event\n";
            return kExitFailure;
        }
        if (h == 0)
            return unreachable(io, "device event wait", *c);
        hs.push_back(h);
    }
    const int32_t r =
        ev.wait(hs, t == "infinite" ? dev::kInfinite : static_cast<uint32_t>(timeout));
    if (r >= 0 && static_cast<size_t>(r) < a.positional.size()) {
        io.out << a.positional[static_cast<size_t>(r)] << '\n';
        return kExitOk;
    }
    if (r == static_cast<int32_t>(dev::WaitResult::Timeout)) {
        io.out << "timeout\n";
        return kExitOk;
    }
    io.err << "horavel-cli device event wait: the wait failed\n";
    return kExitFailure;
}

int runOverride(const std::string& what, const ParsedArgs& a, Io& io) {
    const std::string v = a.positional[0];
    const bool activity = what == "activity";
    proto::Override o;
    if (v == "auto")
        o = proto::Override::Auto;
    else if (v == (activity ? "active" : "ac"))
        o = proto::Override::On;
    else if (v == (activity ? "inactive" : "battery"))
        o = proto::Override::Off;
    else
        return usage(io, "device " + what,
                     activity ? "choose active, inactive or auto" : "choose ac, battery or auto");
    auto c = clientFor(a);
    proto::Request r{activity ? proto::Op::SetActivity : proto::Op::SetPower};
    r.value = static_cast<uint32_t>(o);
    proto::Status st;
    std::vector<uint8_t> payload;
    if (!c->call(r, st, payload))
        return unreachable(io, "device " + what, *c);
    return st == proto::Status::Ok ? kExitOk : kExitFailure;
}

} // namespace

void registerDeviceCommands(CommandTable& table) {
    // Every device command refuses an empty --device before it reaches its handler.
    struct Guarded {
        CommandTable& table;
        void add(CommandSpec c) {
            c.run = [name = c.name, run = std::move(c.run)](const ParsedArgs& a, Io& io) {
                return badRoot(a, io, name) ? kExitUsage : run(a, io);
            };
            table.add(std::move(c));
        }
    } t{table};
    const std::string where = "Acts on the device root of --device DIR, else HORAVEL_DEVICE; "
                              "starts its daemon when needed.";
    t.add({"device status",
           "",
           "print the device state as key=value lines",
           where,
           {kDeviceOption},
           0,
           0,
           runStatus});
    t.add({"device time",
           "",
           "print the device's local (or UTC) time",
           where,
           {kDeviceOption, {"utc", false, false, ""}},
           0,
           0,
           runTime});
    t.add({"device set-time",
           "'YYYY-MM-DD HH:MM:SS'",
           "set the device's local (or UTC) time",
           "The host clock is not changed. " + where,
           {kDeviceOption, {"utc", false, false, ""}},
           1,
           1,
           runSetTime});
    t.add({"device set-zone",
           "",
           "set the device time zone",
           "--bias: minutes, UTC = local + bias (-60 for Central Europe).\n"
           "--dst 'W,D,M;W,D,M': daylight time from the start rule to the end rule; week 1..5 (5 = "
           "last),\n"
           "weekday 0..6 (0 = Sunday), month 1..12. " +
               where,
           {kDeviceOption, {"bias", true, true, "MINUTES"}, {"dst", true, false, "'W,D,M;W,D,M'"}},
           0,
           0,
           runSetZone});
    t.add({"device notify set",
           "",
           "register a program to start at a device local time (prints the handle)",
           "--handle H updates that registration. " + where,
           {kDeviceOption,
            {"app", true, true, "'DEVICE PATH'"},
            {"args", true, false, "'TEXT'"},
            {"at", true, true, "'YYYY-MM-DD HH:MM:SS[.mmm]'"},
            {"handle", true, false, "H"}},
           0,
           0,
           runNotifySet});
    t.add({"device notify clear",
           "H",
           "remove a registration",
           where,
           {kDeviceOption},
           1,
           1,
           runNotifyClear});
    t.add({"device notify list",
           "",
           "list registrations: handle, start, program, arguments",
           where,
           {kDeviceOption},
           0,
           0,
           runNotifyList});
    for (const std::string verb : {"create", "set", "reset", "test"})
        t.add({"device event " + verb,
               "NAME",
               verb + " a named event (held only while this command runs)",
               where,
               {kDeviceOption},
               1,
               1,
               [verb](const ParsedArgs& a, Io& io) { return runEvent(verb, a, io); }});
    t.add({"device event wait",
           "NAME...",
           "wait until one of the events is set; print its name or 'timeout'",
           where,
           {kDeviceOption, {"timeout", true, true, "MS|infinite"}},
           1,
           proto::kMaxWaitHandles,
           runEventWait});
    t.add({"device activity",
           "active|inactive|auto",
           "force the user activity state, or follow the desktop",
           where,
           {kDeviceOption},
           1,
           1,
           [](const ParsedArgs& a, Io& io) { return runOverride("activity", a, io); }});
    t.add({"device power",
           "ac|battery|auto",
           "force the power state, or follow the power supply",
           where,
           {kDeviceOption},
           1,
           1,
           [](const ParsedArgs& a, Io& io) { return runOverride("power", a, io); }});
}

} // namespace hv::cli

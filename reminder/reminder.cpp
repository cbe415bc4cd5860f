#include "reminder/reminder.h"

#include "items/alarms.h"
#include "items/timers.h"
#include "reminder/alarm.h"
#include "reminder/event.h"
#include "reminder/timechange.h"
#include "reminder/timer.h"

#include <limits>
#include <optional>

namespace hv::reminder {

namespace {

// Leading decimal digits, saturating at the largest u32; none gives 0.
uint32_t leadingNumber(std::u16string_view s) {
    uint64_t v = 0;
    for (char16_t c : s) {
        if (c < u'0' || c > u'9')
            break;
        v = v * 10 + static_cast<uint64_t>(c - u'0');
        if (v > std::numeric_limits<uint32_t>::max())
            return std::numeric_limits<uint32_t>::max();
    }
    return static_cast<uint32_t>(v);
}

} // namespace

Argument parseArgument(std::u16string_view text) {
    Argument a;
    if (text == kTimeChangeArgument) {
        a.action = Action::TimeChange;
        return a;
    }
    if (text.size() >= 2 && text[0] == u's' && text[1] == u'n') {
        a.action = Action::SnoozeWake;
        return a;
    }
    // The kind letter must be followed by a number: "t", "tx" or "t-1" name no timer.
    if (text.size() < 2 || text[1] < u'0' || text[1] > u'9')
        return a;
    const uint32_t n = leadingNumber(text.substr(1));
    switch (text[0]) {
    case u'a':
        if (n >= 1 && n <= static_cast<uint32_t>(items::kAlarmCount))
            a = {Action::Item, Kind::Alarm, n};
        break;
    case u'e':
        // Handle 0 is "no registration": no event can be due under it.
        if (n != 0)
            a = {Action::Item, Kind::Event, n};
        break;
    case u't':
        if (n < static_cast<uint32_t>(items::kTimerCount))
            a = {Action::Item, Kind::Timer, n};
        break;
    default:
        break; // "j..." and anything else: nothing is shown
    }
    return a;
}

bool Reminder::start(std::u16string_view argument) {
    const Argument a = parseArgument(argument);
    if (a.action == Action::TimeChange) {
        runAfterTimeChange();
        close();
        return false;
    }
    dev::current().shell().displayOn();
    if (a.action == Action::SnoozeWake) {
        wakeSnoozed();
        return false;
    }
    dev::sleepMs(kStartPauseMs);
    const Install install = Install::read("the reminder cannot read Horavel's items");
    if (a.action != Action::Item)
        return false;
    const std::u16string arg(argument);
    prepare(install, arg);
    std::optional<AlertPlan> p;
    switch (a.kind) {
    case Kind::Alarm:
        p = fireAlarm(install, a.number, arg);
        break;
    case Kind::Event:
        p = fireEvent(install, a.number);
        break;
    case Kind::Timer:
        p = fireTimer(install, static_cast<int>(a.number));
        break;
    case Kind::Inert:
        break;
    }
    if (!p) {
        close();
        return false;
    }
    plan(std::move(*p));
    return true;
}

} // namespace hv::reminder

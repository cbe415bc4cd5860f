#include "items/reregister.h"

#include "device/device.h"
#include "device/journal.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/timers.h"
#include "settings/settings.h"

#include <set>
#include <string>

namespace hv::items {

int registerMissingItems(Alarms& alarms, Timers& timers, Events& events) {
    auto& service = dev::current().notifications();
    std::set<uint32_t> held;
    for (const auto& t : service.list())
        held.insert(t.handle);
    const auto missing = [&](uint32_t handle) { return handle == 0 || !held.count(handle); };
    const dev::FileTime now = dev::getLocalTimeAsFileTime();
    int again = 0;

    for (int i = 0; i < kAlarmCount; ++i) {
        const AlarmRecord& r = alarms.records[static_cast<size_t>(i)];
        if (!r.enabled || !missing(r.notificationHandle))
            continue;
        // A weekly alarm at its next day; a single one at its time while that is to come.
        auto at = alarms.nextOccurrence(i);
        if (!at && r.alarmTime > now)
            at = dev::toSystemTime(r.alarmTime);
        if (!at)
            continue;
        alarms.schedule(i, at); // registers, and saves the table
        ++again;
    }

    bool timersChanged = false;
    for (int i = 0; i < kTimerCount; ++i) {
        TimerRecord& r = timers.records[static_cast<size_t>(i)];
        if (!r.running || !missing(r.notificationHandle))
            continue;
        // An end that passed while nothing was registered rings at once, as a late registration.
        r.notificationHandle = service.setTimed(0, kReminderPath, timerArgument(i),
                                                dev::toSystemTime(timerEndLocal(r)), {});
        timersChanged = true;
        if (r.notificationHandle != 0)
            ++again;
    }
    if (timersChanged)
        timers.save();

    bool eventsChanged = false;
    for (EventRecord& r : events.records) {
        if (r.eventTime <= now || !missing(r.notificationHandle))
            continue;
        const dev::SystemTime start = dev::toSystemTime(r.eventTime);
        // The argument names the handle, known only once the service has given it.
        const uint32_t h = service.setTimed(0, kReminderPath, u"e", start, {});
        if (h == 0)
            continue;
        service.setTimed(h, kReminderPath, eventArgument(h), start, {});
        r.notificationHandle = h;
        eventsChanged = true;
        ++again;
    }
    if (eventsChanged)
        events.save();

    if (again > 0)
        dev::reportFault(std::to_string(again) +
                         " items had no registration with the notification service and were "
                         "registered again");
    return again;
}

} // namespace hv::items

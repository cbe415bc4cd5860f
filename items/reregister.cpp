#include "items/reregister.h"

#include "device/daemon_client.h"
#include "device/device.h"
#include "device/files.h"
#include "device/journal.h"
#include "device/text.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/registration.h"
#include "items/timers.h"
#include "settings/settings.h"

#include <cstring>
#include <set>
#include <string>

namespace hv::items {

namespace {

// The whole list, or nothing when the service could not give all of it: a repair must not take a
// failed list (a daemon that just died) for an empty one.
// Asks of the service's list before the repair gives up.
constexpr int kListAttempts = 3;

std::optional<std::vector<dev::TimedRegistration>> allRegistrations() {
    auto& service = dev::current().notifications();
    if (auto* daemon = dynamic_cast<dev::DaemonNotifications*>(&service))
        return daemon->listAll();
    return service.list();
}

// "a01".."a20" -> 0..19, "t00".."t03" -> 0..3, "e<handle>" -> handle; -1 for anything else.
int64_t itemNumber(std::u16string_view arg, char16_t kind) {
    if (arg.size() < 2 || arg[0] != kind || arg.size() > 11)
        return -1;
    int64_t n = 0;
    for (char16_t c : arg.substr(1)) {
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
    }
    return kind == u'a' ? n - 1 : n;
}

// Every whole record of a data file as it is now (after a header of `skip` bytes).
template <class Record, class F>
void forEachRecordOnFile(const char16_t* name, size_t skip, const F& f) {
    const auto bytes = dev::readWholeFile(dataFilePath(name));
    if (!bytes)
        return;
    for (size_t off = skip; off + sizeof(Record) <= bytes->size(); off += sizeof(Record)) {
        Record r;
        std::memcpy(&r, bytes->data() + off, sizeof r);
        f(r);
    }
}

} // namespace

namespace {

int clearStrays(const std::u16string& reminderPath, const KeptHandles& kept,
                const std::vector<dev::TimedRegistration>& all) {
    std::string cleared;
    int count = 0;
    const auto strayOf = [&](const std::optional<std::set<uint32_t>>& kind, uint32_t handle) {
        return kind && !kind->count(handle);
    };
    for (const dev::TimedRegistration& reg : all) {
        if (reg.application != reminderPath)
            continue;
        const std::u16string& arg = reg.arguments;
        bool stray = false;
        if (itemNumber(arg, u'a') >= 0)
            stray = strayOf(kept.alarms, reg.handle);
        else if (itemNumber(arg, u't') >= 0)
            stray = strayOf(kept.timers, reg.handle);
        else if (arg == u"e" || itemNumber(arg, u'e') >= 0)
            stray = strayOf(kept.events, reg.handle);
        if (!stray)
            continue;
        clearRegistration(reg.handle);
        ++count;
        cleared += (cleared.empty() ? "" : ", ") + dev::toUtf8(arg) + " (handle " +
                   std::to_string(reg.handle) + ")";
    }
    if (count > 0)
        dev::reportFault(std::to_string(count) +
                         " registrations with the notification service were not the ones their "
                         "items keep and were cleared: " +
                         cleared);
    return count;
}

} // namespace

int clearStrayRegistrations(const std::u16string& reminderPath, const KeptHandles& kept) {
    const auto all = allRegistrations();
    // Nothing is cleared on a list the service did not give whole.
    return all ? clearStrays(reminderPath, kept, *all) : 0;
}

int registerMissingItems(Alarms& alarms, Timers& timers, Events& events) {
    // A service that is just starting (the daemon started again after it ended) is asked again
    // before the repair gives up: without the list, an armed alarm stays without registration.
    std::optional<std::vector<dev::TimedRegistration>> all;
    dev::withRetry(kListAttempts, kRetryPauseMs, [&] {
        all = allRegistrations();
        return all.has_value();
    });
    if (!all) {
        dev::reportFault("the notification service did not give its registrations: the items' "
                         "registrations were not checked");
        return 0;
    }
    std::set<uint32_t> held;
    for (const auto& t : *all)
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
        r.notificationHandle = registerTimer(i, timerEndLocal(r));
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
        const uint32_t h = registerEvent(0, r.eventTime);
        if (h == 0)
            continue;
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

    // What the records keep, in this program's tables and in the files as they are now (a
    // reminder that fired since the tables were read may have registered an item anew).
    KeptHandles kept{std::set<uint32_t>{}, std::set<uint32_t>{}, std::set<uint32_t>{}};
    const auto keepAlarm = [&](const AlarmRecord& r) {
        if (r.enabled && r.notificationHandle)
            kept.alarms->insert(r.notificationHandle);
    };
    const auto keepTimer = [&](const TimerRecord& r) {
        if (r.running && r.notificationHandle)
            kept.timers->insert(r.notificationHandle);
    };
    for (const AlarmRecord& r : alarms.records)
        keepAlarm(r);
    for (const TimerRecord& r : timers.records)
        keepTimer(r);
    const auto keepEvent = [&](const EventRecord& r) {
        if (r.notificationHandle)
            kept.events->insert(r.notificationHandle);
    };
    for (const EventRecord& r : events.records)
        keepEvent(r);
    forEachRecordOnFile<AlarmRecord>(kAlarmsFileName, 0, keepAlarm);
    forEachRecordOnFile<TimerRecord>(kTimersFileName, 0, keepTimer);
    forEachRecordOnFile<EventRecord>(kEventsFileName, kEventsHeaderSize, keepEvent);
    // The list read above serves: what was registered since has handles the records keep.
    clearStrays(kReminderPath, kept, *all);
    return again;
}

} // namespace hv::items

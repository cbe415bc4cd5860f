#include "reminder/alarm.h"

#include "device/text.h"
#include "items/alarms.h"
#include "settings/soundpath.h"

namespace hv::reminder {

namespace {

std::u16string decimal(uint64_t v) {
    return dev::fromUtf8(std::to_string(v));
}

} // namespace

std::optional<AlertPlan> fireAlarm(const Install& install, uint32_t number,
                                   const std::u16string& argument) {
    static constexpr int kCounts[] = {1, 2, 3, 4, 5, 7, 10};
    static constexpr int kIntervals[] = {60, 120, 180, 300, 600, 900};
    const int index = static_cast<int>(number) - 1;
    const uint64_t offset = static_cast<uint64_t>(index) * sizeof(items::AlarmRecord);
    items::AlarmRecord r{};
    dev::FileTime fired = 0;
    items::HoldRules rules;
    rules.readAttempts = rules.writeAttempts = kAlarmAttempts;
    rules.readPauseMs = rules.writePauseMs = kAttemptPauseMs;
    // The record is read, re-registered and written back with the file held throughout, so that
    // a time-change run or the main program cannot re-register it between our read and write.
    const auto held = items::updateHeld(
        install.dataPath(items::kAlarmsFileName), offset, &r, sizeof r, rules, [&](bool) {
            const dev::FileTime now = dev::getLocalTimeAsFileTime();
            std::optional<dev::FileTime> next;
            if (r.enabled) {
                fired = r.alarmTime;
                // A record re-registered for a later day since this start was due (a time
                // change ran first) fired for its latest occurrence.
                if (r.alarmTime > now + items::kAlarmWindow)
                    fired = items::alarmLatestOccurrence(r, now).value_or(r.alarmTime);
                // The first occurrence after now: an alarm that fires late (after a suspend)
                // still rings at today's time when that is yet to come.
                next = items::alarmOccurrenceAfterFiring(r, now);
            }
            r.notificationHandle = items::replaceAlarmRegistration(
                items::Registrar::Reminder, r.notificationHandle, argument, next);
            if (next)
                r.alarmTime = *next;
            return true;
        });
    if (held == items::HeldUpdate::NotRead || !r.enabled)
        return std::nullopt;
    // A late or stale start (six minutes or more away from the alarm's time) rings no more. The
    // distance is real time: an alarm in the hour that a spring-forward skips is started at the
    // first moment after the gap and rings then.
    const dev::FileTime firedUtc = dev::dueUtcOfLocal(dev::current().clock().zone(), fired);
    const int64_t diff = dev::fileTimeDiffSeconds(dev::getSystemTimeAsFileTime(), firedUtc);
    if ((diff < 0 ? -diff : diff) / 60 >
        static_cast<int64_t>(items::kAlarmWindow / dev::kTicksPerMinute))
        return std::nullopt;

    AlertPlan p;
    p.pauseSeconds = r.pauseIndex + 1;
    p.repeats = r.repeatIndex;
    if (r.repeating) {
        p.autoSnoozes = r.snoozeCountIndex < std::size(kCounts) ? kCounts[r.snoozeCountIndex] : 10;
        p.autoSnoozeInterval =
            r.snoozeIntervalIndex < std::size(kIntervals) ? kIntervals[r.snoozeIntervalIndex] : 900;
    } else {
        p.autoSnoozeInterval = 0;
    }
    p.soundIndex = r.soundIndex;
    p.soundPath =
        readSoundPathFile(install.dataPath(items::alarmSoundFileName(index))).value_or(kNoSound);
    p.bubble = {kStrAlarm + decimal(number) + u" ", bubbleTime(fired, false), bubbleToday(),
                r.showDescription ? items::textOf(r.note) : std::u16string()};
    return p;
}

} // namespace hv::reminder

#include "reminder/timechange.h"

#include "items/alarms.h"
#include "items/reregister.h"
#include "reminder/alert.h"

#include <array>
#include <set>

namespace hv::reminder {

void runAfterTimeChange() {
    dev::sleepMs(kTimeChangePauseMs);
    const Install install = Install::read("the alarms cannot be planned again");
    std::array<items::AlarmRecord, items::kAlarmCount> table{};
    items::HoldRules rules;
    rules.readAttempts = rules.writeAttempts = kAlarmAttempts;
    rules.readPauseMs = rules.writePauseMs = kAttemptPauseMs;
    rules.wholeFile = true;
    // Read, re-register and write with the file held throughout: a reminder of a firing alarm
    // does the same for its record, and the two must not interleave.
    const auto held =
        items::updateHeld(install.dataPath(items::kAlarmsFileName), 0, table.data(),
                          items::kAlarmsFileSize, rules, [&](bool) {
                              const dev::FileTime now = dev::getLocalTimeAsFileTime();
                              for (int i = 0; i < items::kAlarmCount; ++i) {
                                  items::AlarmRecord& r = table[static_cast<size_t>(i)];
                                  const auto next =
                                      r.enabled ? items::alarmOccurrenceFrom(r, now) : std::nullopt;
                                  if (!next)
                                      continue;
                                  r.notificationHandle = items::replaceAlarmRegistration(
                                      items::Registrar::Reminder, r.notificationHandle,
                                      items::alarmArgument(i), next);
                                  r.alarmTime = *next;
                              }
                              return true;
                          });
    if (held == items::HeldUpdate::NotRead)
        return;
    // One registration per armed alarm: extras left by a daemon that died mid-request go.
    std::set<uint32_t> kept;
    for (const items::AlarmRecord& r : table)
        if (r.enabled && r.notificationHandle)
            kept.insert(r.notificationHandle);
    items::clearStrayRegistrations(dev::current().modulePath(), {kept, std::nullopt, std::nullopt});
}

} // namespace hv::reminder

#include "items/registration.h"

#include "device/files.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/timers.h"
#include "settings/settings.h"

namespace hv::items {

namespace {

dev::Notifications& service() {
    return dev::current().notifications();
}

std::u16string applicationOf(Registrar by) {
    return by == Registrar::MainProgram ? std::u16string(kReminderPath)
                                        : dev::current().modulePath();
}

} // namespace

dev::NotificationHandle registerAlarm(Registrar by, const std::u16string& argument,
                                      dev::FileTime occurrence) {
    const dev::SystemTime end = by == Registrar::MainProgram
                                    ? dev::toSystemTime(occurrence + kAlarmWindow)
                                    : dev::SystemTime{};
    return service().setTimed(0, applicationOf(by), argument, dev::toSystemTime(occurrence), end);
}

dev::NotificationHandle replaceAlarmRegistration(Registrar by, dev::NotificationHandle old,
                                                 const std::u16string& argument,
                                                 std::optional<dev::FileTime> occurrence) {
    clearRegistration(old);
    return occurrence ? registerAlarm(by, argument, *occurrence) : 0;
}

dev::NotificationHandle registerTimer(int index, dev::FileTime endLocal,
                                      dev::NotificationHandle update) {
    return service().setTimed(update, kReminderPath, timerArgument(index),
                              dev::toSystemTime(endLocal), dev::SystemTime{});
}

dev::NotificationHandle registerEvent(dev::NotificationHandle known, dev::FileTime eventTime) {
    auto& s = service();
    const dev::SystemTime start = dev::toSystemTime(eventTime);
    // A registration the service still holds takes its argument at once.
    dev::NotificationHandle h =
        known != 0 ? s.setTimed(known, kReminderPath, eventArgument(known), start, {}) : 0;
    // One that has fired or was cleared is no longer known: registered anew.
    if (h == 0)
        h = s.setTimed(0, kReminderPath, u"e", start, {});
    // The argument names the handle, known only once the service has given it.
    if (h != 0 && h != known)
        s.setTimed(h, kReminderPath, eventArgument(h), start, {});
    return h;
}

dev::NotificationHandle registerSnooze(dev::FileTime at) {
    return service().setTimed(0, dev::current().modulePath(), kSnoozeArgument,
                              dev::toSystemTime(at), dev::SystemTime{});
}

void clearRegistration(dev::NotificationHandle handle) {
    service().clear(handle);
}

HeldUpdate updateHeld(const std::u16string& path, uint64_t offset, void* image, size_t size,
                      const HoldRules& rules, const std::function<bool(bool read)>& change) {
    if (path.empty())
        return HeldUpdate::NotRead; // no folder to find the file in
    dev::ExclusiveFile f;
    bool read = false;
    dev::withRetry(rules.readAttempts, rules.readPauseMs, [&] {
        f = holdItemFile(path, false, rules.holdAttempts, kRetryPauseMs);
        read = f.isOpen() && f.readAt(offset, image, size) == size;
        return read || (rules.tableIsTruth && (f.isOpen() || !dev::fileExists(path)));
    });
    // A file that is there but could not be had (held by another process throughout, or
    // unreadable) is never written over.
    if (!read && (!rules.tableIsTruth || (!f.isOpen() && dev::fileExists(path))))
        return HeldUpdate::NotRead;
    if (!change(read))
        return HeldUpdate::Unchanged;
    bool written = false;
    if (f.isOpen()) {
        written = dev::withRetry(rules.writeAttempts, rules.writePauseMs, [&] {
            if (rules.wholeFile)
                return f.replaceContent(image, size);
            return f.writeAt(offset, image, size) == size && f.flush();
        });
    } else if (!dev::fileExists(path)) {
        written = dev::withRetry(rules.writeAttempts, rules.writePauseMs,
                                 [&] { return dev::saveWholeFile(path, image, size); });
    }
    return written ? HeldUpdate::Written : HeldUpdate::NotWritten;
}

} // namespace hv::items

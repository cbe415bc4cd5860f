#include "reminder/event.h"

#include "device/files.h"
#include "items/events.h"
#include "settings/soundpath.h"

namespace hv::reminder {

std::optional<AlertPlan> fireEvent(const Install& install, uint32_t handle) {
    const std::u16string path = install.dataPath(items::kEventsFileName);
    items::EventRecord found{};
    const bool read = dev::withRetry(kEventAttempts, kAttemptPauseMs, [&] {
        if (path.empty())
            return false;
        dev::ExclusiveFile f = dev::ExclusiveFile::open(path, dev::OpenMode::ReadWriteExisting);
        if (!f.isOpen())
            return false;
        const std::vector<uint8_t> bytes = f.readAll();
        const items::EventsImage img = items::parseEvents(bytes.data(), bytes.size());
        if (!img.ok || img.declaredCount == 0)
            return false;
        for (const auto& rec : img.records) {
            if (rec.notificationHandle == handle) {
                found = rec;
                return true;
            }
        }
        return false;
    });
    if (!read)
        return std::nullopt;
    AlertPlan p;
    p.pauseSeconds = found.pauseIndex + 1;
    p.repeats = found.repeatIndex;
    p.soundIndex = found.soundIndex;
    p.soundPath = readSoundPathFile(install.dataPath(items::eventSoundFileName(found.eventId)))
                      .value_or(kNoSound);
    p.bubble = {kStrEvent, bubbleTime(found.eventTime, false), bubbleToday(),
                items::textOf(found.name)};
    return p;
}

} // namespace hv::reminder

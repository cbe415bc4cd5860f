#include "reminder/timer.h"

#include "device/files.h"
#include "device/text.h"
#include "items/timers.h"
#include "settings/soundpath.h"

namespace hv::reminder {

namespace {

// The two named events this start waits on and sets, held while it runs.
class TimerEvents {
public:
    explicit TimerEvents(int index)
        : ev_(dev::current().events()),
          settingsChange(ev_.create(items::kTimersSettingsChange, false, nullptr)),
          reset(ev_.create(items::timerResetEventName(index), false, nullptr)) {}
    ~TimerEvents() {
        if (reset)
            ev_.close(reset);
        if (settingsChange)
            ev_.close(settingsChange);
    }
    TimerEvents(const TimerEvents&) = delete;
    TimerEvents& operator=(const TimerEvents&) = delete;

private:
    dev::NamedEvents& ev_;

public:
    const dev::EventHandle settingsChange;
    const dev::EventHandle reset;
};

} // namespace

std::optional<AlertPlan> fireTimer(const Install& install, int index) {
    auto& ev = dev::current().events();
    const TimerEvents events(index);
    const std::u16string path = install.dataPath(items::kTimersFileName);
    const uint64_t offset = static_cast<uint64_t>(index) * sizeof(items::TimerRecord);
    items::TimerRecord r{};
    const bool read = dev::withRetry(kTimerAttempts, kAttemptPauseMs, [&] {
        if (path.empty())
            return false;
        dev::ExclusiveFile f = dev::ExclusiveFile::open(path, dev::OpenMode::ReadWriteExisting);
        if (!f.isOpen() || f.readAt(offset, &r, sizeof r) != sizeof r)
            return false;
        items::clearRegistration(r.notificationHandle);
        return true;
    });
    if (!read)
        r = items::TimerRecord{};
    const uint32_t firedHandle = r.notificationHandle;
    const dev::FileTime target = items::timerEndLocal(r);
    AlertPlan p;
    p.pauseSeconds = r.pauseIndex + 1;
    p.repeats = r.repeatIndex;
    p.soundIndex = r.soundIndex;
    p.soundPath =
        readSoundPathFile(install.dataPath(items::timerSoundFileName(index))).value_or(kNoSound);

    if (read) {
        const items::Hms left =
            items::remainingBetween(items::timerEndUtc(r), dev::getSystemTimeAsFileTime());
        const uint64_t seconds = left.hours * 3600 + left.minutes * 60ull + left.seconds;
        // A timer runs a day at most: an end further off is a damaged record, not a wait.
        const bool nonsense = seconds > kTimerLongestWaitSeconds;
        if (seconds > 0 && !nonsense &&
            ev.wait({events.reset}, static_cast<uint32_t>(seconds * 1000)) == 0) {
            // The user reset or stopped the timer meanwhile.
            ev.reset(events.reset);
            return std::nullopt;
        }
        // The main program finds the timer stopped at its initial value. The record is read
        // again with the file held: only the run this start was for is written back, and the
        // main program's changes to the other fields are kept.
        items::HoldRules rules;
        rules.readAttempts = rules.writeAttempts = kTimerAttempts;
        rules.readPauseMs = rules.writePauseMs = kTimerWritePauseMs;
        items::TimerRecord now{};
        const bool wroteBack =
            items::updateHeld(path, offset, &now, sizeof now, rules, [&](bool) {
                if (now.notificationHandle != firedHandle || !now.running)
                    return false; // stopped, reset or started again meanwhile: not ours to end
                now.notificationHandle = 0;
                now.running = 0;
                now.countdownTime = items::timerInitialCountdown(now);
                r = now;
                return true;
            }) == items::HeldUpdate::Written;
        if (wroteBack)
            ev.set(events.settingsChange);
        if (nonsense)
            return std::nullopt;
    }
    // The note as the timer has it now.
    p.bubble = {kStrTimer + dev::fromUtf8(std::to_string(index + 1)) + u" ",
                bubbleTime(target, true), bubbleToday(),
                r.showNote ? items::textOf(r.note) : std::u16string()};
    return p;
}

} // namespace hv::reminder

#include "reminder/reminder.h"

#include "device/files.h"
#include "device/format.h"
#include "device/journal.h"
#include "device/registry.h"
#include "device/text.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/reregister.h"
#include "items/timers.h"
#include "settings/settings.h"
#include "settings/soundpath.h"

#include <cstring>
#include <limits>

namespace hv::reminder {

namespace {

std::u16string decimal(uint64_t v) {
    std::string s = std::to_string(v);
    return std::u16string(s.begin(), s.end());
}

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

// Text placed into the bubble's markup is shown as written.
std::u16string escapeHtml(std::u16string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (char16_t c : s) {
        switch (c) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

dev::SystemTime noDate(dev::FileTime t) {
    return items::systemTimeOf(t);
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

uint32_t alarmVolumeFor(uint8_t setting) {
    switch (setting) {
    case 0:
        return 0x88888888;
    case 1:
        return 0xAAAAAAAA;
    default:
        return 0xFFFFFFFF;
    }
}

std::u16string bubbleHtml(std::u16string_view heading, std::u16string_view timeText,
                          std::u16string_view dateText, std::u16string_view note) {
    std::u16string h = u"<html><body>Horavel <b>";
    h += heading;
    h += u" </b><a href=\"cmd:202\" align=\"right\">";
    h += kStrGoTo;
    h += u"</a><br><br><b>";
    h += kStrTime;
    h += u"</b> ";
    h += timeText;
    h += u"<br><b>";
    h += kStrDate;
    h += u"</b> ";
    h += dateText;
    h += u"<br><br><b>";
    h += kStrNote;
    h += u"</b> ";
    h += escapeHtml(note);
    h += u"<br><br></body></html>";
    return h;
}

void Reminder::setBubble(BubbleParts parts) {
    html_ = bubbleHtml(parts.heading, parts.time, parts.date, parts.note);
    parts_ = std::move(parts);
}

Reminder::Reminder() {
    auto& ev = dev::current().events();
    snoozeEvent_ = ev.create(kSnoozeActiveEvent, false, nullptr);
    soundReadyEvent_ = ev.create(kSoundAllReadySetEvent, false, nullptr);
}

Reminder::~Reminder() {
    auto& ev = dev::current().events();
    if (snoozeEvent_)
        ev.close(snoozeEvent_);
    if (soundReadyEvent_)
        ev.close(soundReadyEvent_);
}

std::u16string Reminder::dataPath(std::u16string_view name) const {
    // Without an install folder there is nowhere to read from.
    if (installFolder_.empty())
        return {};
    return installFolder_ + u"data\\" + std::u16string(name);
}

std::u16string Reminder::itemTime(dev::FileTime t, bool withSeconds) const {
    char16_t buf[64] = {};
    const int n =
        dev::getTimeFormat(noDate(t), withSeconds ? 0u : static_cast<uint32_t>(dev::kTimeNoSeconds),
                           nullptr, buf, static_cast<int>(std::size(buf)));
    return n > 0 ? std::u16string(buf) : std::u16string();
}

std::u16string Reminder::todayText() const {
    return dev::dateText(dev::getLocalTime(), u"MMM dd, yyyy");
}

bool Reminder::start(std::u16string_view argument) {
    argument_ = std::u16string(argument);
    const Argument a = parseArgument(argument);
    if (a.action == Action::TimeChange) {
        afterTimeChange();
        return false;
    }
    dev::current().shell().displayOn();
    if (a.action == Action::SnoozeWake) {
        dev::current().events().set(snoozeEvent_);
        return false;
    }
    dev::sleepMs(kStartPauseMs);
    installFolder_ = readInstallFolderValue();
    mainProgramPath_ = installFolder_ + kMainProgramName;
    if (const std::string problem = installFolderValueProblem(); !problem.empty())
        dev::reportFault("the install-folder registry value is " + problem +
                         ": the reminder cannot read Horavel's items; start Horavel to repair it");
    if (a.action != Action::Item)
        return false;
    kind_ = a.kind;
    itemNumber_ = a.number;

    if (readSettings()) {
        auto& ev = dev::current().events();
        if (!ev.isSet(soundReadyEvent_)) {
            savedVolume_ = dev::current().sound().volume();
            setVolume(alarmVolumeValue_);
            ev.set(soundReadyEvent_);
            volumeOwner_ = true;
        }
    }

    bool show = false;
    switch (kind_) {
    case Kind::Alarm:
        show = runAlarm();
        break;
    case Kind::Event:
        show = runEvent();
        break;
    case Kind::Timer:
        show = runTimer();
        break;
    case Kind::Inert:
        break;
    }
    if (!show)
        close();
    return show;
}

bool Reminder::readSettings() {
    const std::u16string path = dataPath(u"settings.dat");
    SettingsRecord rec{};
    const bool ok = dev::withRetry(kSettingsAttempts, kAttemptPauseMs, [&] {
        if (path.empty())
            return false;
        const auto bytes = dev::readWholeFile(path);
        return bytes && parseSettings(bytes->data(), bytes->size(), rec);
    });
    if (!ok)
        return false;
    uint8_t first = 0;
    std::memcpy(&first, &rec, 1);
    alarmVolumeValue_ = alarmVolumeFor(first);
    volumeKnown_ = true;
    return true;
}

bool Reminder::runAlarm() {
    static constexpr int kCounts[] = {1, 2, 3, 4, 5, 7, 10};
    static constexpr int kIntervals[] = {60, 120, 180, 300, 600, 900};
    const int index = static_cast<int>(itemNumber_) - 1;
    const std::u16string path = dataPath(items::kAlarmsFileName);
    const uint64_t offset = static_cast<uint64_t>(index) * sizeof(items::AlarmRecord);
    items::AlarmRecord r{};
    // The record is read, re-registered and written back with the file held throughout, so that
    // a time-change run or the main program cannot re-register it between our read and write.
    dev::ExclusiveFile f;
    const bool read = !path.empty() && dev::withRetry(kAlarmAttempts, kAttemptPauseMs, [&] {
        f = items::holdItemFile(path, false, 1);
        return f.isOpen() && f.readAt(offset, &r, sizeof r) == sizeof r;
    });
    if (!read)
        return false;

    pauseSeconds_ = r.pauseIndex + 1;
    repeatsTotal_ = repeatsLeft_ = r.repeatIndex;
    if (r.repeating) {
        autoSnoozeTotal_ =
            r.snoozeCountIndex < std::size(kCounts) ? kCounts[r.snoozeCountIndex] : 10;
        autoSnoozeInterval_ =
            r.snoozeIntervalIndex < std::size(kIntervals) ? kIntervals[r.snoozeIntervalIndex] : 900;
        autoSnoozeLeft_ = autoSnoozeTotal_;
    }
    soundIndex_ = r.soundIndex;
    soundPath_ = readSoundPathFile(dataPath(items::alarmSoundFileName(index))).value_or(kNoSound);

    auto& service = dev::current().notifications();
    service.clear(r.notificationHandle);
    r.notificationHandle = 0;

    if (r.enabled) {
        const dev::FileTime now = dev::getLocalTimeAsFileTime();
        firedTime_ = r.alarmTime;
        // A record re-registered for a later day since this start was due (a time change ran
        // first) fired for its latest occurrence.
        if (r.alarmTime > now + items::kAlarmWindow)
            firedTime_ = items::alarmLatestOccurrence(r, now).value_or(r.alarmTime);
        // The first occurrence after now: an alarm that fires late (after a suspend) still rings
        // at today's time when that is yet to come.
        if (const auto occurrence = items::alarmOccurrenceAfterFiring(r, now)) {
            r.notificationHandle =
                service.setTimed(0, dev::current().modulePath(), argument_,
                                 dev::toSystemTime(*occurrence), dev::SystemTime{});
            r.alarmTime = *occurrence;
        }
    }

    if (f.writeAt(offset, &r, sizeof r) != sizeof r || !f.flush())
        dev::withRetry(kAlarmAttempts, kAttemptPauseMs,
                       [&] { return dev::writeRecordInPlace(path, offset, &r, sizeof r); });
    f.close();

    if (!r.enabled)
        return false;
    // A late or stale start (six minutes or more away from the alarm's time) rings no more. The
    // distance is real time: an alarm in the hour that a spring-forward skips is started at the
    // first moment after the gap and rings then.
    const dev::FileTime firedUtc = dev::dueUtcOfLocal(dev::current().clock().zone(), firedTime_);
    const int64_t diff = dev::fileTimeDiffSeconds(dev::getSystemTimeAsFileTime(), firedUtc);
    if ((diff < 0 ? -diff : diff) / 60 > 5)
        return false;

    setBubble({kStrAlarm + decimal(itemNumber_) + u" ", itemTime(firedTime_, false), todayText(),
               r.showDescription ? items::textOf(r.note) : std::u16string()});
    return true;
}

bool Reminder::runEvent() {
    const std::u16string path = dataPath(items::kEventsFileName);
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
            if (rec.notificationHandle == itemNumber_) {
                found = rec;
                return true;
            }
        }
        return false;
    });
    // No event carries the number (deleted, or a stray start): nothing to announce.
    if (!read)
        return false;
    pauseSeconds_ = found.pauseIndex + 1;
    repeatsTotal_ = repeatsLeft_ = found.repeatIndex;
    autoSnoozeTotal_ = autoSnoozeLeft_ = 0;
    autoSnoozeInterval_ = 300;
    soundIndex_ = found.soundIndex;
    soundPath_ =
        readSoundPathFile(dataPath(items::eventSoundFileName(found.eventId))).value_or(kNoSound);
    setBubble(
        {kStrEvent, itemTime(found.eventTime, false), todayText(), items::textOf(found.name)});
    return true;
}

bool Reminder::runTimer() {
    const int index = static_cast<int>(itemNumber_);
    auto& ev = dev::current().events();
    const dev::EventHandle settingsChange = ev.create(items::kTimersSettingsChange, false, nullptr);
    dev::EventHandle resets[items::kTimerCount] = {};
    for (int i = 0; i < items::kTimerCount; ++i)
        resets[i] = ev.create(items::timerResetEventName(i), false, nullptr);
    auto closeEvents = [&] {
        for (dev::EventHandle h : resets)
            if (h)
                ev.close(h);
        if (settingsChange)
            ev.close(settingsChange);
    };

    const std::u16string path = dataPath(items::kTimersFileName);
    const uint64_t offset = static_cast<uint64_t>(index) * sizeof(items::TimerRecord);
    items::TimerRecord r{};
    const bool read = dev::withRetry(kTimerAttempts, kAttemptPauseMs, [&] {
        if (path.empty())
            return false;
        dev::ExclusiveFile f = dev::ExclusiveFile::open(path, dev::OpenMode::ReadWriteExisting);
        if (!f.isOpen() || f.readAt(offset, &r, sizeof r) != sizeof r)
            return false;
        dev::current().notifications().clear(r.notificationHandle);
        return true;
    });
    if (!read)
        r = items::TimerRecord{};
    const uint32_t firedHandle = r.notificationHandle;
    pauseSeconds_ = r.pauseIndex + 1;
    repeatsTotal_ = repeatsLeft_ = r.repeatIndex;
    autoSnoozeTotal_ = autoSnoozeLeft_ = 0;
    autoSnoozeInterval_ = 300;
    soundIndex_ = r.soundIndex;
    soundPath_ = readSoundPathFile(dataPath(items::timerSoundFileName(index))).value_or(kNoSound);
    const dev::FileTime target = items::timerEndLocal(r);

    if (read) {
        const items::Hms left =
            items::remainingBetween(items::timerEndUtc(r), dev::getSystemTimeAsFileTime());
        const uint64_t seconds = left.hours * 3600 + left.minutes * 60ull + left.seconds;
        // A timer runs a day at most: an end further off is a damaged record, not a wait.
        const bool nonsense = seconds > kTimerLongestWaitSeconds;
        if (seconds > 0 && !nonsense &&
            ev.wait({resets[index]}, static_cast<uint32_t>(seconds * 1000)) == 0) {
            // The user reset or stopped the timer meanwhile.
            ev.reset(resets[index]);
            closeEvents();
            return false;
        }
        // The main program finds the timer stopped at its initial value. The record is read
        // again with the file held: only the run this start was for is written back, and the
        // main program's changes to the other fields are kept.
        bool wroteBack = false;
        dev::withRetry(kTimerAttempts, kTimerWritePauseMs, [&] {
            dev::ExclusiveFile f = items::holdItemFile(path, false, 1);
            items::TimerRecord now{};
            if (!f.isOpen() || f.readAt(offset, &now, sizeof now) != sizeof now)
                return false;
            if (now.notificationHandle != firedHandle || !now.running)
                return true; // stopped, reset or started again meanwhile: not ours to end
            now.notificationHandle = 0;
            now.running = 0;
            now.countdownTime = items::timerInitialCountdown(now);
            wroteBack = f.writeAt(offset, &now, sizeof now) == sizeof now && f.flush();
            r = now;
            return wroteBack;
        });
        if (wroteBack)
            ev.set(settingsChange);
        if (nonsense) {
            closeEvents();
            return false;
        }
    }
    closeEvents();
    setBubble({kStrTimer + decimal(static_cast<uint64_t>(index) + 1) + u" ", itemTime(target, true),
               todayText(), r.showNote ? items::textOf(r.note) : std::u16string()});
    return true;
}

void Reminder::afterTimeChange() {
    dev::sleepMs(kTimeChangePauseMs);
    installFolder_ = readInstallFolderValue();
    mainProgramPath_ = installFolder_ + kMainProgramName;
    if (const std::string problem = installFolderValueProblem(); !problem.empty())
        dev::reportFault("the install-folder registry value is " + problem +
                         ": the alarms cannot be planned again; start Horavel to repair it");
    const std::u16string path = dataPath(items::kAlarmsFileName);
    std::array<items::AlarmRecord, items::kAlarmCount> table{};
    // Read, re-register and write with the file held throughout: a reminder of a firing alarm
    // does the same for its record, and the two must not interleave.
    dev::ExclusiveFile f;
    const bool read = !path.empty() && dev::withRetry(kAlarmAttempts, kAttemptPauseMs, [&] {
        f = items::holdItemFile(path, false, 1);
        return f.isOpen() &&
               f.readAt(0, table.data(), items::kAlarmsFileSize) == items::kAlarmsFileSize;
    });
    if (!read) {
        closed_ = true;
        return;
    }
    auto& service = dev::current().notifications();
    const dev::FileTime now = dev::getLocalTimeAsFileTime();
    for (int i = 0; i < items::kAlarmCount; ++i) {
        items::AlarmRecord& r = table[static_cast<size_t>(i)];
        if (!r.enabled)
            continue;
        const auto occurrence = items::alarmOccurrenceFrom(r, now);
        if (!occurrence)
            continue;
        service.clear(r.notificationHandle);
        r.notificationHandle =
            service.setTimed(0, dev::current().modulePath(), items::alarmArgument(i),
                             dev::toSystemTime(*occurrence), dev::SystemTime{});
        r.alarmTime = *occurrence;
    }
    dev::withRetry(kAlarmAttempts, kAttemptPauseMs,
                   [&] { return f.replaceContent(table.data(), items::kAlarmsFileSize); });
    // One registration per armed alarm: extras left by a daemon that died mid-request go.
    std::set<uint32_t> kept;
    for (const items::AlarmRecord& r : table)
        if (r.enabled && r.notificationHandle)
            kept.insert(r.notificationHandle);
    items::clearStrayRegistrations(dev::current().modulePath(), {kept, std::nullopt, std::nullopt});
    closed_ = true;
}

void Reminder::setVolume(uint32_t v) {
    dev::current().sound().setVolume(v);
    dev::regCreateKey(dev::RegHive::CurrentUser, kVolumeKey);
    dev::regSetValue(dev::RegHive::CurrentUser, kVolumeKey, kVolumeValue, dev::RegType::Dword, &v,
                     sizeof v);
}

void Reminder::play() {
    if (soundIndex_ == 0)
        return;
    // The wave volume belongs to each process here: every reminder plays at the alarm volume,
    // whichever instance owns the saved volume of the user.
    if (volumeKnown_)
        dev::current().sound().setVolume(alarmVolumeValue_);
    const bool played = dev::current().sound().play(soundPath_);
    if (window.played)
        window.played(soundPath_);
    // A reminder the user cannot hear says so, once, in its bubble and the journal.
    if (!played && soundProblem_.empty()) {
        std::string why = dev::current().sound().problem();
        if (why.empty())
            why = "the sound could not be played";
        soundProblem_ = dev::fromUtf8(why);
        dev::reportFault("reminder " + dev::toUtf8(argument_) + " rang without its sound " +
                         dev::toUtf8(soundPath_) + ": " + why);
        if (window.soundFailed)
            window.soundFailed(soundProblem_);
    }
}

void Reminder::beginAlert() {
    tickCount_ = 0;
    if (window.showBubble)
        window.showBubble();
    play();
}

bool Reminder::idle() const {
    return !snoozed_ && !autoSnoozeWaiting_ && repeatsLeft_ <= 0 && autoSnoozeLeft_ <= 0;
}

void Reminder::tick() {
    if (closed_)
        return;
    if (snoozed_ || autoSnoozeWaiting_ || repeatsLeft_ > 0 || autoSnoozeLeft_ > 0)
        dev::current().shell().resetIdleTimer();
    ++tickCount_;
    auto& ev = dev::current().events();
    if (snoozed_) {
        // The snooze lasts five minutes of real time: the instance counts them itself (a clock
        // set back, or the night the clocks go back, would stretch the registration's wall-clock
        // time by an hour); the "sn" start wakes it sooner after a suspend.
        const bool byEvent = ev.isSet(snoozeEvent_);
        if (byEvent || tickCount_ >= kSnoozeMinutes * 60) {
            // The snooze time has come (this instance's or another's "sn" start).
            if (volumeKnown_)
                setVolume(alarmVolumeValue_);
            snoozed_ = false;
            dev::current().notifications().clear(snoozeHandle_);
            snoozeHandle_ = 0;
            if (byEvent)
                ev.reset(snoozeEvent_);
            if (window.showBubble)
                window.showBubble();
            autoSnoozeWaiting_ = false;
            tickCount_ = 0;
            repeatsLeft_ = repeatsTotal_;
            autoSnoozeLeft_ = autoSnoozeTotal_;
            play();
        }
    } else if (autoSnoozeWaiting_) {
        if (tickCount_ < autoSnoozeInterval_ || autoSnoozeLeft_ == 0)
            return;
        --autoSnoozeLeft_;
        autoSnoozeWaiting_ = false;
        if (window.showBubble)
            window.showBubble();
        tickCount_ = 0;
        repeatsLeft_ = repeatsTotal_;
        play();
        return;
    }
    if (repeatsLeft_ > 0) {
        if (tickCount_ > 0 && pauseSeconds_ > 0 && tickCount_ % pauseSeconds_ == 0) {
            --repeatsLeft_;
            play();
        }
    } else if (autoSnoozeLeft_ > 0) {
        autoSnoozeWaiting_ = true;
        tickCount_ = 0;
    }
}

void Reminder::command(int id) {
    switch (id) {
    case kCmdDismiss:
        dismiss();
        break;
    case kCmdSnooze:
        snooze();
        break;
    case kCmdGoTo:
        goTo();
        break;
    default:
        break;
    }
}

void Reminder::snooze() {
    if (window.removeBubble)
        window.removeBubble();
    if (snoozeHandle_ != 0)
        return;
    const dev::FileTime when =
        dev::getLocalTimeAsFileTime() + kSnoozeMinutes * dev::kTicksPerMinute;
    snoozeHandle_ =
        dev::current().notifications().setTimed(0, dev::current().modulePath(), kSnoozeArgument,
                                                dev::toSystemTime(when), dev::SystemTime{});
    tickCount_ = 0;
    snoozed_ = true;
    autoSnoozeLeft_ = 0;
}

void Reminder::close() {
    if (closed_)
        return;
    closed_ = true;
    if (volumeOwner_) {
        setVolume(savedVolume_);
        dev::current().events().reset(soundReadyEvent_);
        volumeOwner_ = false;
    }
    if (window.close)
        window.close();
}

void Reminder::dismiss() {
    if (window.removeBubble)
        window.removeBubble();
    close();
}

void Reminder::goTo() {
    if (window.removeBubble)
        window.removeBubble();
    dev::current().shell().start(mainProgramPath_, argument_);
    close();
}

void Reminder::bubbleExpired() {
    if (window.removeBubble)
        window.removeBubble();
    if (idle())
        close();
}

} // namespace hv::reminder

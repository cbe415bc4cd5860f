#include "reminder/alert.h"

#include "device/files.h"
#include "device/format.h"
#include "device/journal.h"
#include "device/registry.h"
#include "device/text.h"
#include "items/records.h"
#include "settings/settings.h"

#include <cstring>

namespace hv::reminder {

namespace {

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

} // namespace

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

std::u16string bubbleTime(dev::FileTime t, bool withSeconds) {
    char16_t buf[64] = {};
    const int n = dev::getTimeFormat(items::systemTimeOf(t),
                                     withSeconds ? 0u : static_cast<uint32_t>(dev::kTimeNoSeconds),
                                     nullptr, buf, static_cast<int>(std::size(buf)));
    return n > 0 ? std::u16string(buf) : std::u16string();
}

std::u16string bubbleToday() {
    return dev::dateText(dev::getLocalTime(), u"MMM dd, yyyy");
}

Install Install::read(const std::string& cost) {
    Install in;
    in.folder = readInstallFolderValue();
    in.mainProgram = in.folder + kMainProgramName;
    if (const std::string problem = installFolderValueProblem(); !problem.empty())
        dev::reportFault("the install-folder registry value is " + problem + ": " + cost +
                         "; start Horavel to repair it");
    return in;
}

std::u16string Install::dataPath(std::u16string_view name) const {
    if (folder.empty())
        return {};
    return folder + u"data\\" + std::u16string(name);
}

void wakeSnoozed() {
    auto& ev = dev::current().events();
    const dev::EventHandle h = ev.create(kSnoozeActiveEvent, false, nullptr);
    ev.set(h);
    if (h)
        ev.close(h);
}

Alert::~Alert() {
    auto& ev = dev::current().events();
    if (snoozeEvent_)
        ev.close(snoozeEvent_);
    if (soundReadyEvent_)
        ev.close(soundReadyEvent_);
}

void Alert::prepare(const Install& install, std::u16string argument) {
    argument_ = std::move(argument);
    mainProgram_ = install.mainProgram;
    auto& ev = dev::current().events();
    snoozeEvent_ = ev.create(kSnoozeActiveEvent, false, nullptr);
    soundReadyEvent_ = ev.create(kSoundAllReadySetEvent, false, nullptr);
    if (readSettings(install) && !ev.isSet(soundReadyEvent_)) {
        savedVolume_ = dev::current().sound().volume();
        setVolume(alarmVolume_);
        ev.set(soundReadyEvent_);
        volumeOwner_ = true;
    }
}

bool Alert::readSettings(const Install& install) {
    const std::u16string path = install.dataPath(u"settings.dat");
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
    alarmVolume_ = alarmVolumeFor(first);
    volumeKnown_ = true;
    return true;
}

void Alert::plan(AlertPlan p) {
    plan_ = std::move(p);
    html_ =
        bubbleHtml(plan_.bubble.heading, plan_.bubble.time, plan_.bubble.date, plan_.bubble.note);
    repeatsLeft_ = plan_.repeats;
    autoSnoozeLeft_ = plan_.autoSnoozes;
}

void Alert::setVolume(uint32_t v) {
    dev::current().sound().setVolume(v);
    dev::regCreateKey(dev::RegHive::CurrentUser, kVolumeKey);
    dev::regSetValue(dev::RegHive::CurrentUser, kVolumeKey, kVolumeValue, dev::RegType::Dword, &v,
                     sizeof v);
}

void Alert::play() {
    if (plan_.soundIndex == 0)
        return;
    // The wave volume belongs to each process here: every reminder plays at the alarm volume,
    // whichever instance owns the saved volume of the user.
    if (volumeKnown_)
        dev::current().sound().setVolume(alarmVolume_);
    const bool played = dev::current().sound().play(plan_.soundPath);
    if (window.played)
        window.played(plan_.soundPath);
    // A reminder the user cannot hear says so, once, in its bubble and the journal.
    if (!played && soundProblem_.empty()) {
        std::string why = dev::current().sound().problem();
        if (why.empty())
            why = "the sound could not be played";
        soundProblem_ = dev::fromUtf8(why);
        dev::reportFault("reminder " + dev::toUtf8(argument_) + " rang without its sound " +
                         dev::toUtf8(plan_.soundPath) + ": " + why);
        if (window.soundFailed)
            window.soundFailed(soundProblem_);
    }
}

void Alert::beginAlert() {
    tickCount_ = 0;
    if (window.showBubble)
        window.showBubble();
    play();
}

bool Alert::idle() const {
    return !snoozed_ && !autoSnoozeWaiting_ && repeatsLeft_ <= 0 && autoSnoozeLeft_ <= 0;
}

void Alert::tick() {
    if (closed_)
        return;
    if (!idle())
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
                setVolume(alarmVolume_);
            snoozed_ = false;
            items::clearRegistration(snoozeHandle_);
            snoozeHandle_ = 0;
            if (byEvent)
                ev.reset(snoozeEvent_);
            if (window.showBubble)
                window.showBubble();
            autoSnoozeWaiting_ = false;
            tickCount_ = 0;
            repeatsLeft_ = plan_.repeats;
            autoSnoozeLeft_ = plan_.autoSnoozes;
            play();
        }
    } else if (autoSnoozeWaiting_) {
        if (tickCount_ < plan_.autoSnoozeInterval || autoSnoozeLeft_ == 0)
            return;
        --autoSnoozeLeft_;
        autoSnoozeWaiting_ = false;
        if (window.showBubble)
            window.showBubble();
        tickCount_ = 0;
        repeatsLeft_ = plan_.repeats;
        play();
        return;
    }
    if (repeatsLeft_ > 0) {
        if (tickCount_ > 0 && plan_.pauseSeconds > 0 && tickCount_ % plan_.pauseSeconds == 0) {
            --repeatsLeft_;
            play();
        }
    } else if (autoSnoozeLeft_ > 0) {
        autoSnoozeWaiting_ = true;
        tickCount_ = 0;
    }
}

void Alert::command(int id) {
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

void Alert::snooze() {
    if (window.removeBubble)
        window.removeBubble();
    if (snoozeHandle_ != 0)
        return;
    snoozeHandle_ = items::registerSnooze(dev::getLocalTimeAsFileTime() +
                                          kSnoozeMinutes * dev::kTicksPerMinute);
    tickCount_ = 0;
    snoozed_ = true;
    autoSnoozeLeft_ = 0;
}

void Alert::close() {
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

void Alert::dismiss() {
    if (window.removeBubble)
        window.removeBubble();
    close();
}

void Alert::goTo() {
    if (window.removeBubble)
        window.removeBubble();
    dev::current().shell().start(mainProgram_, argument_);
    close();
}

void Alert::bubbleExpired() {
    if (window.removeBubble)
        window.removeBubble();
    if (idle())
        close();
}

} // namespace hv::reminder

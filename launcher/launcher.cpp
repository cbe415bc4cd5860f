#include "launcher/launcher.h"

#include "device/files.h"
#include "device/registry.h"
#include "device/text.h"
#include "screensaver/exceptions.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace hv::launcher {

namespace {
constexpr uint32_t kTimeouts[] = {60000,  120000, 180000,  240000,  300000, 420000,
                                  600000, 900000, 1800000, 2700000, 3600000};
dev::NamedEvents& events() {
    return dev::current().events();
}
dev::Shell& shell() {
    return dev::current().shell();
}
uint64_t ticks() {
    return dev::current().clock().tickCount();
}
// The device clock's milliseconds from `since` to now; none when the clock was set back.
uint64_t deviceMsSince(dev::FileTime since) {
    const dev::FileTime now = dev::current().clock().utcNow();
    return now > since ? (now - since) / dev::kTicksPerMillisecond : 0;
}
} // namespace

uint32_t timeoutMsForIndex(uint32_t index, uint32_t current) {
    return index < std::size(kTimeouts) ? kTimeouts[index] : current;
}

Launcher::~Launcher() {
    if (!ended_ && running_)
        events().reset(running_);
    closeEvents();
}

void Launcher::closeEvents() {
    for (dev::EventHandle* h : {&inactive_, &active_, &running_, &settingsChange_}) {
        if (*h)
            events().close(*h);
        *h = 0;
    }
}

bool Launcher::readSettings() {
    // The main program saves the file whole; a read that meets its save waits and tries again,
    // as every reader of the file does. A missing file is not waited for.
    const std::u16string path = installFolder_ + u"data\\settings.dat";
    std::optional<std::vector<uint8_t>> bytes;
    dev::withRetry(kSettingsReadAttempts, kSettingsReadPauseMs, [&] {
        bytes = dev::readWholeFile(path);
        return bytes.has_value() || !dev::fileExists(path);
    });
    if (!bytes || bytes->size() < sizeof(SettingsRecord))
        return false;
    std::memcpy(&settings_, bytes->data(), sizeof settings_);
    return true;
}

void Launcher::readExceptions() {
    std::vector<std::u16string> names;
    if (readExceptionFile(installFolder_ + u"data\\" + kExceptionFileName, names))
        exceptions_ = std::move(names);
}

bool Launcher::start() {
    dev::regCreateKey(dev::RegHive::LocalMachine, kInstallKey);
    installFolder_ = readInstallFolderValue();
    if (!installFolder_.empty() && installFolder_.back() != u'\\')
        installFolder_ += u'\\';
    mainProgramPath_ = installFolder_ + kMainProgramName;
    launchParameters_ = u"s";

    readSettings(); // unreadable: the record stays zero, so the screen saver counts as off
    readExceptions();

    bool existed = false;
    inactive_ = events().create(kEventInactive, false, &existed);
    if (!inactive_ || !existed) {
        end(EndReason::NoActivityEvents);
        return false;
    }
    active_ = events().create(kEventActive, false, &existed);
    if (!active_ || !existed) {
        end(EndReason::NoActivityEvents);
        return false;
    }
    running_ = events().create(kEventRunning, false, nullptr);
    settingsChange_ = events().create(kEventSettingsChange, false, nullptr);
    if (!running_ || !settingsChange_) {
        end(EndReason::WaitFailed);
        return false;
    }
    if (events().isSet(running_)) {
        // Another launcher owns the running event: leave it set.
        endReason_ = EndReason::AlreadyRunning;
        ended_ = true;
        closeEvents();
        return false;
    }
    events().set(running_);
    if (settings_.screenSaverOn == 0) {
        end(EndReason::ScreenSaverOff);
        return false;
    }
    setSkinDigits();
    timeoutMs_ = timeoutMsForIndex(settings_.screenSaverTimeout, timeoutMs_);
    idleMs_ = 0;
    onBattery_ = !shell().onExternalPower();
    onBatterySince_ = onBattery_ ? ticks() : 0;
    return true;
}

void Launcher::setSkinDigits() {
    launchParameters_ = u"s" + dev::fromUtf8(std::to_string(settings_.screenSaverSkin));
}

void Launcher::end(EndReason why) {
    endReason_ = why;
    ended_ = true;
    if (running_)
        events().reset(running_);
    closeEvents();
}

bool Launcher::exceptionRunning() const {
    const std::vector<std::u16string> names = shell().processNames();
    if (names.empty())
        return true;
    // The main program of this device counts as running (a copy serving another device root on
    // the same host does not); the exceptions are matched by executable file name.
    if (shell().programRunning(mainProgramPath_))
        return true;
    for (const auto& p : names) {
        for (const auto& e : exceptions_)
            if (p == e)
                return true;
    }
    return false;
}

bool Launcher::batteryRule() {
    if (shell().onExternalPower()) {
        onBattery_ = false;
        onBatterySince_ = 0;
        return true;
    }
    if (!onBattery_) {
        onBattery_ = true;
        onBatterySince_ = ticks();
        return true;
    }
    return ticks() - onBatterySince_ <= kBatteryGraceMs;
}

bool Launcher::reload() {
    if (!events().isSet(settingsChange_))
        return true;
    previous_ = settings_;
    const bool read = readSettings(); // unreadable: the previous values stay
    readExceptions();
    events().reset(settingsChange_);
    // A settings file that is gone (the package is being removed) switches the saver off too.
    if (settings_.screenSaverOn == 0 ||
        (!read && !dev::fileExists(installFolder_ + u"data\\settings.dat")))
        return false;
    if (settings_.screenSaverSkin != previous_.screenSaverSkin)
        setSkinDigits();
    if (settings_.screenSaverTimeout != previous_.screenSaverTimeout)
        timeoutMs_ = timeoutMsForIndex(settings_.screenSaverTimeout, timeoutMs_);
    return true;
}

void Launcher::startMainProgram() {
    shell().start(mainProgramPath_, launchParameters_);
}

EndReason Launcher::run(int maxWakes) {
    if (ended_)
        return endReason_;
    int wakes = 0;
    auto limitReached = [&] { return maxWakes > 0 && ++wakes >= maxWakes; };
    for (;;) {
        bool settingsWoke = false;
        if (step_ == Step::CheckActive) {
            if (events().isSet(active_)) {
                idleMs_ = 0;
                const int32_t r = events().wait({inactive_, settingsChange_}, kActiveWaitMs);
                if (r == static_cast<int32_t>(dev::WaitResult::Failed)) {
                    end(EndReason::WaitFailed);
                    return endReason_;
                }
                if (r == 0)
                    step_ = Step::Counting;
                else
                    settingsWoke = r == 1;
                if (r != 0) {
                    // Time-out or settings change: reload, battery rule, back to the top.
                    if (settingsWoke && !reload()) {
                        end(EndReason::ScreenSaverOff);
                        return endReason_;
                    }
                    if (!batteryRule()) {
                        end(EndReason::OnBattery);
                        return endReason_;
                    }
                }
                if (limitReached())
                    return EndReason::None;
                continue;
            }
            step_ = Step::Counting;
        }
        // Counting wait: inactive, 10 s slices. A slice that times out counts its 10 s, or the
        // time the device clock went on meanwhile when that is more (the device time was set
        // forward): the idle time follows the device clock, never less than the waits.
        const dev::FileTime sliceStart = dev::current().clock().utcNow();
        const int32_t r = events().wait({active_, settingsChange_}, kIdleWaitMs);
        if (r == static_cast<int32_t>(dev::WaitResult::Failed)) {
            end(EndReason::WaitFailed);
            return endReason_;
        }
        if (r == static_cast<int32_t>(dev::WaitResult::Timeout)) {
            const uint64_t idle =
                idleMs_ + std::max<uint64_t>(kIdleWaitMs, deviceMsSince(sliceStart));
            idleMs_ = static_cast<uint32_t>(std::min<uint64_t>(idle, UINT32_MAX));
            if (idleMs_ >= timeoutMs_ && shell().onExternalPower() && !exceptionRunning()) {
                startMainProgram();
                idleMs_ = 0;
            } else if (!batteryRule()) {
                end(EndReason::OnBattery);
                return endReason_;
            }
        } else {
            step_ = Step::CheckActive;
            if (r == 1 && !reload()) {
                end(EndReason::ScreenSaverOff);
                return endReason_;
            }
            if (!batteryRule()) {
                end(EndReason::OnBattery);
                return endReason_;
            }
        }
        if (limitReached())
            return EndReason::None;
    }
}

int runLauncherProgram() {
    Launcher l;
    if (l.start())
        l.run();
    return 0;
}

} // namespace hv::launcher

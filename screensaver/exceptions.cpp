#include "screensaver/exceptions.h"

#include "device/device.h"
#include "device/files.h"
#include "settings/settings.h"

namespace hv {

std::vector<std::u16string> parseExceptionList(const uint8_t* data, size_t size) {
    std::vector<std::u16string> names;
    std::u16string current;
    const size_t units = data ? size / 2 : 0;
    for (size_t i = 0; i < units && names.size() < kMaxExceptions; ++i) {
        const char16_t c = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (c == 0) {
            if (!current.empty())
                names.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty() && names.size() < kMaxExceptions)
        names.push_back(std::move(current));
    return names;
}

std::vector<uint8_t> encodeExceptionList(const std::vector<std::u16string>& names) {
    std::vector<uint8_t> out;
    for (const auto& n : names) {
        for (char16_t c : n) {
            out.push_back(static_cast<uint8_t>(c & 0xFF));
            out.push_back(static_cast<uint8_t>(c >> 8));
        }
        out.push_back(0);
        out.push_back(0);
    }
    return out;
}

bool readExceptionFile(std::u16string_view devicePath, std::vector<std::u16string>& names) {
    names.clear();
    const auto bytes = dev::readWholeFile(devicePath);
    if (!bytes)
        return false;
    names = parseExceptionList(bytes->data(), bytes->size());
    return true;
}

bool ExceptionList::fill() {
    entries_.clear();
    selectionMark = -1;
    std::vector<std::u16string> names;
    if (!readExceptionFile(dataFilePath(kExceptionFileName), names)) {
        if (dev::fileExists(dataFilePath(kExceptionFileName)))
            return false; // there but unreadable (busy): keep it as it is
        entries_.push_back(kDefaultException);
        return save();
    }
    for (auto& n : names)
        entries_.insert(entries_.begin(), std::move(n));
    return true;
}

bool ExceptionList::save() const {
    const std::vector<std::u16string> fileOrder(entries_.rbegin(), entries_.rend());
    return dev::saveWholeFile(dataFilePath(kExceptionFileName), encodeExceptionList(fileOrder));
}

bool ExceptionList::add(const std::u16string& name) {
    if (name.empty())
        return false;
    entries_.insert(entries_.begin(), name);
    return save();
}

bool ExceptionList::deleteSelected() {
    if (selectionMark < 0 || selectionMark >= static_cast<int>(entries_.size()))
        return false;
    entries_.erase(entries_.begin() + selectionMark);
    selectionMark = -1;
    return save();
}

bool registerLauncher(bool on) {
    return dev::current().notifications().runAppAtEvent(
        kLauncherPath, on ? dev::RunEvent::Rs232Detected : dev::RunEvent::None);
}

bool startLauncher() {
    return dev::current().shell().start(kLauncherPath, kLauncherArgument);
}

bool ensureLauncherRunning() {
    if (app().settings.screenSaverOn == 0)
        return false;
    registerLauncher(true);
    // One started a moment ago (with the defaults) may not have set its event yet.
    LauncherSignals launcher;
    return launcher.launcherRunning() || dev::current().shell().programRunning(kLauncherPath) ||
           startLauncher();
}

LauncherSignals::LauncherSignals() {
    dev::NamedEvents& events = dev::current().events();
    running_ = events.create(kLauncherRunningEvent, false, nullptr);
    settingsChange_ = events.create(kLauncherSettingsEvent, false, nullptr);
}

LauncherSignals::~LauncherSignals() {
    dev::NamedEvents& events = dev::current().events();
    if (running_)
        events.close(running_);
    if (settingsChange_)
        events.close(settingsChange_);
}

bool LauncherSignals::launcherRunning() const {
    return running_ && dev::current().events().isSet(running_);
}

bool LauncherSignals::signalSettingsChange() {
    return settingsChange_ && dev::current().events().set(settingsChange_);
}

LauncherAction applyScreenSaverChoice(const ScreenSaverChoice& choice, LauncherSignals& launcher,
                                      bool* saved) {
    SettingsRecord& s = app().settings;
    s.screenSaverSkin = choice.skin;
    s.screenSaverTimeout = choice.timeout;
    const bool enabled = choice.enabled.value_or(s.screenSaverOn != 0);
    LauncherAction action = LauncherAction::Kept;
    if (!enabled) {
        s.screenSaverOn = 0;
        registerLauncher(false);
        action = LauncherAction::Unregistered;
    } else if (s.screenSaverOn == 0) {
        s.screenSaverOn = 1;
        registerLauncher(true);
        action = LauncherAction::Registered;
    }
    const bool ok = saveSettingsWithRetry();
    if (saved)
        *saved = ok;
    // The launcher reads the saved file at its start, so it is started after the save. A
    // failed start is not reported: the cradle event starts it later.
    if (action == LauncherAction::Registered && !launcher.launcherRunning()) {
        startLauncher();
        action = LauncherAction::RegisteredAndStarted;
    }
    launcher.signalSettingsChange();
    return action;
}

} // namespace hv

#include "device/fake.h"

#include "device/files.h"
#include "device/paths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace hv::dev {

namespace fs = std::filesystem;

void FakeClock::setUtc(const SystemTime& utc) {
    utc_ = toFileTime(utc).value_or(0);
}

void FakeClock::setLocal(const SystemTime& local) {
    utc_ = localToUtc(zone_, toFileTime(local).value_or(0));
}

namespace {
SystemTime rule(uint16_t month, uint16_t dow, uint16_t week, uint16_t hour) {
    return SystemTime{0, month, dow, week, hour, 0, 0, 0};
}
} // namespace

TimeZoneInformation zoneUtc() {
    TimeZoneInformation tz{};
    setZoneName(tz.StandardName, u"UTC");
    return tz;
}

TimeZoneInformation zoneUsEastern() {
    TimeZoneInformation tz{};
    tz.Bias = 300;
    tz.DaylightBias = -60;
    tz.StandardDate = rule(11, 0, 1, 2);
    tz.DaylightDate = rule(3, 0, 2, 2);
    setZoneName(tz.StandardName, u"Eastern Standard Time");
    setZoneName(tz.DaylightName, u"Eastern Daylight Time");
    return tz;
}

TimeZoneInformation zoneCentralEurope() {
    TimeZoneInformation tz{};
    tz.Bias = -60;
    tz.DaylightBias = -60;
    tz.StandardDate = rule(10, 0, 5, 3);
    tz.DaylightDate = rule(3, 0, 5, 2);
    setZoneName(tz.StandardName, u"Central Europe Standard Time");
    setZoneName(tz.DaylightName, u"Central Europe Daylight Time");
    return tz;
}

TimeZoneInformation zoneSydney() {
    TimeZoneInformation tz{};
    tz.Bias = -600;
    tz.DaylightBias = -60;
    tz.StandardDate = rule(4, 0, 1, 3);
    tz.DaylightDate = rule(10, 0, 1, 2);
    setZoneName(tz.StandardName, u"AUS Eastern Standard Time");
    setZoneName(tz.DaylightName, u"AUS Eastern Daylight Time");
    return tz;
}

bool InProcessTimeSetting::setSystemTime(const SystemTime& utc) {
    const auto ft = toFileTime(utc);
    if (!ft)
        return false;
    clock_.setUtc(*ft);
    ++changes;
    return true;
}

bool InProcessTimeSetting::setLocalTime(const SystemTime& local) {
    if (!toFileTime(local))
        return false;
    clock_.setLocal(local);
    ++changes;
    return true;
}

bool InProcessTimeSetting::setTimeZone(const TimeZoneInformation& tz) {
    clock_.setZone(tz);
    ++changes;
    return true;
}

NotificationHandle InProcessNotifications::setTimed(NotificationHandle handle,
                                                    const std::u16string& application,
                                                    const std::u16string& arguments,
                                                    const SystemTime& start,
                                                    const SystemTime& end) {
    if (failNext) {
        failNext = false;
        return 0;
    }
    if (handle == 0 || !timed_.count(handle))
        handle = next_++;
    timed_[handle] = TimedRegistration{handle, application, arguments, start, end};
    return handle;
}

bool InProcessNotifications::clear(NotificationHandle handle) {
    cleared.push_back(handle);
    return timed_.erase(handle) > 0;
}

std::vector<TimedRegistration> InProcessNotifications::list() {
    std::vector<TimedRegistration> out;
    for (const auto& [h, r] : timed_)
        out.push_back(r);
    return out;
}

bool InProcessNotifications::runAppAtEvent(const std::u16string& application, RunEvent event) {
    std::erase_if(atEvent_, [&](const auto& p) {
        return p.first == application && (event == RunEvent::None || p.second == event);
    });
    if (event != RunEvent::None)
        atEvent_.emplace_back(application, event);
    return true;
}

std::vector<std::pair<std::u16string, RunEvent>> InProcessNotifications::listRunAtEvent() {
    return atEvent_;
}

EventHandle InProcessEvents::create(const std::u16string& name, bool initialState,
                                    bool* alreadyExisted) {
    auto it = byName_.find(name);
    const bool existed = it != byName_.end() && it->second.refs > 0;
    if (alreadyExisted)
        *alreadyExisted = existed;
    Ev& ev = byName_[name];
    if (!existed)
        ev.state = initialState;
    ++ev.refs;
    const EventHandle h = next_++;
    handles_[h] = name;
    return h;
}

bool InProcessEvents::set(EventHandle h) {
    auto it = handles_.find(h);
    if (it == handles_.end())
        return false;
    byName_[it->second].state = true;
    return true;
}

bool InProcessEvents::reset(EventHandle h) {
    auto it = handles_.find(h);
    if (it == handles_.end())
        return false;
    byName_[it->second].state = false;
    return true;
}

bool InProcessEvents::close(EventHandle h) {
    auto it = handles_.find(h);
    if (it == handles_.end())
        return false;
    if (--byName_[it->second].refs <= 0)
        byName_.erase(it->second);
    handles_.erase(it);
    return true;
}

bool InProcessEvents::isSet(EventHandle h) {
    auto it = handles_.find(h);
    return it != handles_.end() && byName_[it->second].state;
}

int32_t InProcessEvents::wait(const std::vector<EventHandle>& handles, uint32_t timeoutMs) {
    if (onWait)
        onWait(handles, timeoutMs);
    for (size_t i = 0; i < handles.size(); ++i) {
        if (!handles_.count(handles[i]))
            return static_cast<int32_t>(WaitResult::Failed);
        if (isSet(handles[i]))
            return static_cast<int32_t>(i);
    }
    // Nothing else in this process can set an event during an endless wait.
    if (timeoutMs == kInfinite)
        return static_cast<int32_t>(WaitResult::Failed);
    if (clock_)
        clock_->sleep(timeoutMs);
    return static_cast<int32_t>(WaitResult::Timeout);
}

bool InProcessEvents::isSetByName(const std::u16string& name) const {
    auto it = byName_.find(name);
    return it != byName_.end() && it->second.state;
}

void InProcessEvents::setByName(const std::u16string& name, bool state) {
    byName_[name].state = state;
}

bool InProcessEvents::exists(const std::u16string& name) const {
    auto it = byName_.find(name);
    return it != byName_.end() && it->second.refs > 0;
}

bool RecordingSound::play(const std::u16string& devicePath) {
    plays.push_back({devicePath, clock_.utcNow(), volume_});
    return true;
}

bool FakeShell::start(const std::u16string& devicePath, const std::u16string& arguments) {
    if (failStart)
        return false;
    started.emplace_back(devicePath, arguments);
    return true;
}

MbResult RecordingMessageBoxes::show(const std::u16string& caption, const std::u16string& text,
                                     MbIcon icon, MbButtons buttons) {
    shown.push_back({caption, text, icon, buttons});
    if (!answers.empty()) {
        const MbResult r = answers.front();
        answers.pop_front();
        return r;
    }
    return buttons == MbButtons::YesNo || buttons == MbButtons::YesNoCancel ? MbResult::Yes
                                                                            : MbResult::Ok;
}

FakeDevice::FakeDevice() : ownsRoot_(true) {
    setDurableWrites(false);
    std::string tmpl = (fs::temp_directory_path() / "horavel-fake-XXXXXX").string();
    const char* made = ::mkdtemp(tmpl.data());
    root_ = made ? fs::path(made) : fs::temp_directory_path() / "horavel-fake";
    clockImpl.setZone(zoneUtc());
    // 2024-01-01 00:00 UTC unless a test says otherwise.
    clockImpl.setUtc(SystemTime{2024, 1, 1, 1, 0, 0, 0, 0});
}

FakeDevice::FakeDevice(const fs::path& root) : root_(root) {
    setDurableWrites(false);
    std::error_code ec;
    fs::create_directories(root_, ec);
    clockImpl.setZone(zoneUtc());
    clockImpl.setUtc(SystemTime{2024, 1, 1, 1, 0, 0, 0, 0});
}

FakeDevice::~FakeDevice() {
    if (ownsRoot_) {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
}

fs::path FakeDevice::host(std::u16string_view devicePath) const {
    return hostPath(root_, devicePath);
}

} // namespace hv::dev

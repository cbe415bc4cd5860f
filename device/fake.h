// The in-process fake device for tests: a fresh temporary root, a clock set to any instant and
// zone that advances only when told (sleeps advance it), recording services and answerable
// message boxes. Nothing touches the host's clock, zone, locale, sound or processes.
#pragma once

#include "device/device.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>

namespace hv::dev {

class FakeClock : public Clock {
public:
    FileTime utcNow() override { return utc_; }
    TimeZoneInformation zone() override { return zone_; }
    uint64_t tickCount() override { return ticks_; }
    std::string hostZoneName() override { return hostZone; }
    void sleep(uint32_t ms) override {
        ++sleeps_;
        if (onSleep)
            onSleep(ms);
        advanceMs(ms);
    }

    void setUtc(FileTime utc) { utc_ = utc; }
    void setUtc(const SystemTime& utc);
    // Sets the device clock so that its local time under the current zone is `local`.
    void setLocal(const SystemTime& local);
    void setZone(const TimeZoneInformation& tz) { zone_ = tz; }
    void advanceMs(uint64_t ms) {
        utc_ += ms * kTicksPerMillisecond;
        ticks_ += ms;
    }
    int sleeps() const { return sleeps_; }
    // Called on every sleep before the clock moves (tests use it to change files meanwhile).
    std::function<void(uint32_t)> onSleep;
    // The host zone a test plays (empty: the host does not tell).
    std::string hostZone;

private:
    FileTime utc_ = 0;
    TimeZoneInformation zone_{};
    uint64_t ticks_ = 0;
    int sleeps_ = 0;
};

// Zones for tests: UTC, and rules like the real ones (year 0 rules of the handheld).
TimeZoneInformation zoneUtc();
TimeZoneInformation zoneUsEastern();     // -5 h, second Sunday of March to first Sunday of November
TimeZoneInformation zoneCentralEurope(); // +1 h, last Sunday of March to last Sunday of October
TimeZoneInformation zoneSydney();        // +10 h, first Sunday of October to first Sunday of April

class InProcessTimeSetting : public TimeSetting {
public:
    explicit InProcessTimeSetting(FakeClock& c) : clock_(c) {}
    bool setSystemTime(const SystemTime& utc) override;
    bool setLocalTime(const SystemTime& local) override;
    bool setTimeZone(const TimeZoneInformation& tz) override;
    int changes = 0;

private:
    FakeClock& clock_;
};

// Keeps registrations in memory, hands out handles 1, 2, 3 ... like the real service.
class InProcessNotifications : public Notifications {
public:
    NotificationHandle setTimed(NotificationHandle handle, const std::u16string& application,
                                const std::u16string& arguments, const SystemTime& start,
                                const SystemTime& end) override;
    bool clear(NotificationHandle handle) override;
    std::vector<TimedRegistration> list() override;
    bool runAppAtEvent(const std::u16string& application, RunEvent event) override;
    std::vector<std::pair<std::u16string, RunEvent>> listRunAtEvent() override;

    bool failNext = false;                   // the next setTimed fails (returns 0)
    std::vector<NotificationHandle> cleared; // every clear call, in order

private:
    std::map<NotificationHandle, TimedRegistration> timed_;
    std::vector<std::pair<std::u16string, RunEvent>> atEvent_;
    NotificationHandle next_ = 1;
};

// Named manual-reset events within one process; waits return at once (set or time-out) and a
// time-out advances the fake clock when one is given.
class InProcessEvents : public NamedEvents {
public:
    explicit InProcessEvents(Clock* clock = nullptr) : clock_(clock) {}
    EventHandle create(const std::u16string& name, bool initialState,
                       bool* alreadyExisted) override;
    bool set(EventHandle h) override;
    bool reset(EventHandle h) override;
    bool close(EventHandle h) override;
    int32_t wait(const std::vector<EventHandle>& handles, uint32_t timeoutMs) override;
    bool isSet(EventHandle h) override;
    // Test helpers by name.
    bool isSetByName(const std::u16string& name) const;
    void setByName(const std::u16string& name, bool state);
    bool exists(const std::u16string& name) const;
    // Called before a wait decides; tests use it to script events.
    std::function<void(const std::vector<EventHandle>&, uint32_t)> onWait;

private:
    struct Ev {
        bool state = false;
        int refs = 0;
    };
    std::map<std::u16string, Ev> byName_;
    std::map<EventHandle, std::u16string> handles_;
    EventHandle next_ = 1;
    Clock* clock_;
};

struct SoundPlay {
    std::u16string path;
    FileTime at;
    uint32_t volume;
};

class RecordingSound : public Sound {
public:
    explicit RecordingSound(Clock& c) : clock_(c) {}
    bool play(const std::u16string& devicePath) override;
    void stop() override { ++stops; }
    void setVolume(uint32_t v) override { volume_ = v; }
    uint32_t volume() override { return volume_; }
    std::vector<SoundPlay> plays;
    int stops = 0;

private:
    Clock& clock_;
    uint32_t volume_ = 0xFFFFFFFF;
};

class FakeShell : public Shell {
public:
    bool start(const std::u16string& devicePath, const std::u16string& arguments) override;
    std::vector<std::u16string> processNames() override { return processes; }
    bool onExternalPower() override { return externalPower; }
    void displayOn() override { ++displayOnCalls; }
    void resetIdleTimer() override { ++idleResets; }
    uint32_t systemMajorVersion() override { return majorVersion; }

    std::vector<std::pair<std::u16string, std::u16string>> started;
    std::vector<std::u16string> processes;
    bool externalPower = true;
    bool failStart = false;
    uint32_t majorVersion = 5;
    int displayOnCalls = 0;
    int idleResets = 0;
};

struct ShownMessage {
    std::u16string caption, text;
    MbIcon icon;
    MbButtons buttons;
};

class RecordingMessageBoxes : public MessageBoxes {
public:
    MbResult show(const std::u16string& caption, const std::u16string& text, MbIcon icon,
                  MbButtons buttons) override;
    std::vector<ShownMessage> shown;
    std::deque<MbResult> answers; // answered in order; Ok (or Yes) when empty
};

class FixedLocale : public LocaleProvider {
public:
    const LocaleData& data() override { return data_; }
    LocaleData& mutableData() { return data_; }
    void set(const LocaleData& d) { data_ = d; }

private:
    LocaleData data_ = LocaleData::englishUS();
};

class FakeDevice : public Device {
public:
    // A fresh temporary root, removed in the destructor; or a given one, kept.
    FakeDevice();
    explicit FakeDevice(const std::filesystem::path& root);
    ~FakeDevice() override;

    std::filesystem::path root() const override { return root_; }
    std::u16string modulePath() const override { return modulePath_; }
    Clock& clock() override { return clockImpl; }
    TimeSetting& timeSetting() override { return timeSettingImpl; }
    Notifications& notifications() override { return notificationsImpl; }
    NamedEvents& events() override { return eventsImpl; }
    LocaleProvider& locale() override { return localeImpl; }
    Sound& sound() override { return soundImpl; }
    Shell& shell() override { return shellImpl; }
    MessageBoxes& messageBoxes() override { return messageBoxesImpl; }

    void setModulePath(const std::u16string& p) { modulePath_ = p; }
    // Host path of a device path in this root.
    std::filesystem::path host(std::u16string_view devicePath) const;

    FakeClock clockImpl;
    InProcessTimeSetting timeSettingImpl{clockImpl};
    InProcessNotifications notificationsImpl;
    InProcessEvents eventsImpl{&clockImpl};
    FixedLocale localeImpl;
    RecordingSound soundImpl{clockImpl};
    FakeShell shellImpl;
    RecordingMessageBoxes messageBoxesImpl;

private:
    std::filesystem::path root_;
    bool ownsRoot_ = false;
    std::u16string modulePath_ = u"horavel-test";
};

} // namespace hv::dev

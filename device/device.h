// The device layer: the only door from the programs to the handheld's system services. Every
// service is an interface with a real Linux implementation and an in-process fake for tests.
// Programs reach the services through dev::current(); tests install a FakeDevice with
// ScopedDevice.
#pragma once

#include "device/locale.h"
#include "device/systime.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hv::dev {

// ---- Clock: device time and zone, sleeping and the tick count -------------------------------
class Clock {
public:
    virtual ~Clock() = default;
    virtual FileTime utcNow() = 0;
    virtual TimeZoneInformation zone() = 0;
    // Milliseconds since some start, for durations (the handheld's GetTickCount).
    virtual uint64_t tickCount() = 0;
    // Sleeps in the real device; the fake advances its clock instead.
    virtual void sleep(uint32_t milliseconds) = 0;
    // The IANA name of the host's zone, the zone a fresh device starts in ("Europe/Berlin");
    // empty when the host does not tell.
    virtual std::string hostZoneName() { return {}; }
    // The host file the clock keeps the device's offset and zone in; empty when it keeps them
    // in memory. A program that watches the file (device/watch.h) calls setWatched(true) and
    // stateChanged() at each change: the clock then reads the file only after a change instead
    // of looking at it at every call. setWatched(false) goes back to looking at every call.
    virtual std::filesystem::path stateFile() const { return {}; }
    virtual void setWatched(bool watched) { (void)watched; }
    virtual void stateChanged() {}
};

// ---- Time setting (owned by the device services daemon) -------------------------------------
class TimeSetting {
public:
    virtual ~TimeSetting() = default;
    // SetSystemTime: the device UTC becomes `utc`.
    virtual bool setSystemTime(const SystemTime& utc) = 0;
    // SetLocalTime: the device local time becomes `local` under the device zone.
    virtual bool setLocalTime(const SystemTime& local) = 0;
    virtual bool setTimeZone(const TimeZoneInformation& tz) = 0;
};

// ---- Notification service (owned by the device services daemon) -----------------------------
using NotificationHandle = uint32_t;

struct TimedRegistration {
    NotificationHandle handle = 0;
    std::u16string application; // device path, e.g. \Windows\BHVEvents.exe
    std::u16string arguments;
    SystemTime start{}; // device local time
    SystemTime end{};
};

enum class RunEvent : uint32_t {
    None = 0,          // NOTIFICATION_EVENT_NONE: unregister
    TimeChange = 1,    // NOTIFICATION_EVENT_TIME_CHANGE
    Rs232Detected = 9, // NOTIFICATION_EVENT_RS232_DETECTED (cradle / external power)
};

// The argument a program registered for the time-change event is started with.
inline constexpr char16_t kTimeChangeArgument[] = u"AppRunAfterTimeChange";
// The sound played where no sound path names one (alarms, timers, events, the chime), and where
// the named file cannot be played.
inline constexpr char16_t kDefaultSoundPath[] = u"\\Windows\\Alarm1.wav";

class Notifications {
public:
    virtual ~Notifications() = default;
    // CeSetUserNotificationEx with a time trigger. handle 0 creates a registration, a known handle
    // updates it in place. Returns the handle, 0 on failure.
    virtual NotificationHandle setTimed(NotificationHandle handle,
                                        const std::u16string& application,
                                        const std::u16string& arguments, const SystemTime& start,
                                        const SystemTime& end) = 0;
    // CeClearUserNotification: clearing 0 or an unknown handle is harmless (returns false).
    virtual bool clear(NotificationHandle handle) = 0;
    virtual std::vector<TimedRegistration> list() = 0;
    // CeRunAppAtEvent: RunEvent::None unregisters the application from every event.
    virtual bool runAppAtEvent(const std::u16string& application, RunEvent event) = 0;
    virtual std::vector<std::pair<std::u16string, RunEvent>> listRunAtEvent() = 0;
};

// ---- Named manual-reset events (owned by the device services daemon) ------------------------
using EventHandle = uint32_t; // 0 = none

enum class WaitResult : int32_t { Timeout = -1, Failed = -2 };

class NamedEvents {
public:
    virtual ~NamedEvents() = default;
    // CreateEventW for a named manual-reset event. alreadyExisted tells whether another holder
    // had it (ERROR_ALREADY_EXISTS). Returns 0 on failure.
    virtual EventHandle create(const std::u16string& name, bool initialState,
                               bool* alreadyExisted) = 0;
    virtual bool set(EventHandle h) = 0;
    virtual bool reset(EventHandle h) = 0;
    virtual bool close(EventHandle h) = 0;
    // Waits until one of the events is set: returns its index, or WaitResult values as int.
    virtual int32_t wait(const std::vector<EventHandle>& handles, uint32_t timeoutMs) = 0;
    virtual bool isSet(EventHandle h) = 0;
};
inline constexpr uint32_t kInfinite = 0xFFFFFFFF;

// ---- Sound ----------------------------------------------------------------------------------
class Sound {
public:
    virtual ~Sound() = default;
    // PlaySound with SND_ASYNC: a new sound stops the one playing. Path is a device path.
    virtual bool play(const std::u16string& devicePath) = 0;
    virtual void stop() = 0;
    // waveOutSetVolume: left and right channel in the low and high 16 bits.
    virtual void setVolume(uint32_t volume) = 0;
    virtual uint32_t volume() = 0;
    // Why the last play() failed, in a sentence; empty after a play that started.
    virtual std::string problem() const { return {}; }
};

// ---- Shell: processes, power, display ------------------------------------------------------
class Shell {
public:
    virtual ~Shell() = default;
    // ShellExecuteEx "open": starts a device program detached. False when it cannot start.
    virtual bool start(const std::u16string& devicePath, const std::u16string& arguments) = 0;
    // Executable file names of the running processes (tool-help snapshot).
    virtual std::vector<std::u16string> processNames() = 0;
    // The programs the user runs, by the same names: for picking exceptions of the screen saver.
    virtual std::vector<std::u16string> userProgramNames() { return processNames(); }
    // Whether a program of this device runs from the file at a device path (a bare file name
    // matches any process of that name). Here: by the file names of processNames().
    virtual bool programRunning(const std::u16string& devicePath) {
        const std::u16string name = devicePath.substr(devicePath.rfind(u'\\') + 1);
        for (const auto& p : processNames())
            if (p == name)
                return true;
        return false;
    }
    // AC line status: true on external power (a desktop without a battery is).
    virtual bool onExternalPower() = 0;
    // Keep the display on / let the idle timer run again (best effort).
    virtual void displayOn() = 0;
    virtual void resetIdleTimer() = 0;
    // GetVersionExW: major version of the device system.
    virtual uint32_t systemMajorVersion() = 0;
};

// ---- Message boxes --------------------------------------------------------------------------
enum class MbIcon { None, Error, Warning, Information, Question };
enum class MbButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MbResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MbResult show(const std::u16string& caption, const std::u16string& text, MbIcon icon,
                          MbButtons buttons) = 0;
};

// ---- The device ----------------------------------------------------------------------------
class Device {
public:
    virtual ~Device() = default;
    // The folder that plays the handheld's file system.
    virtual std::filesystem::path root() const = 0;
    // GetModuleFileNameW: the running program's device path, or a bare name without a
    // backslash when it runs from outside the root.
    virtual std::u16string modulePath() const = 0;
    virtual Clock& clock() = 0;
    virtual TimeSetting& timeSetting() = 0;
    virtual Notifications& notifications() = 0;
    virtual NamedEvents& events() = 0;
    virtual LocaleProvider& locale() = 0;
    virtual Sound& sound() = 0;
    virtual Shell& shell() = 0;
    virtual MessageBoxes& messageBoxes() = 0;
};

// The device in use: the one installed last by ScopedDevice, else the real device.
Device& current();
void install(Device* device); // nullptr restores the real device

class ScopedDevice {
public:
    explicit ScopedDevice(Device& d);
    ~ScopedDevice();
    ScopedDevice(const ScopedDevice&) = delete;
    ScopedDevice& operator=(const ScopedDevice&) = delete;

private:
    Device* previous_;
};

// Shorthands over the current device, named like the handheld calls.
FileTime getSystemTimeAsFileTime();
SystemTime getSystemTime();
SystemTime getLocalTime();
FileTime getLocalTimeAsFileTime();
TimeZoneInformation getTimeZoneInformation();
// FileTimeToLocalFileTime / LocalFileTimeToFileTime with the device zone's rule at that instant.
FileTime fileTimeToLocalFileTime(FileTime utc);
FileTime localFileTimeToFileTime(FileTime local);
void sleepMs(uint32_t ms);
MbResult messageBox(const std::u16string& caption, const std::u16string& text, MbIcon icon,
                    MbButtons buttons = MbButtons::Ok);

} // namespace hv::dev

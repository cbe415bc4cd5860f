// horavel-cli items alarms|timers|events|stopwatch: the stored items of the device's data folder,
// one line each with every field, as the reminder program will read them.
#include "cli/commands.h"

#include "device/device.h"
#include "device/files.h"
#include "device/text.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/stopwatch.h"
#include "items/timers.h"
#include "settings/settings.h"
#include "settings/soundpath.h"

#include <cstring>
#include <iomanip>
#include <sstream>

namespace hv::cli {

namespace {

using namespace hv::items;

const std::vector<OptionSpec> kFolderOption = {{"data-folder", true, false, "DEVICE-PATH"}};
constexpr char kFolderHelp[] =
    "Reads the data folder of the installed program (the install-folder registry value), or\n"
    "--data-folder, a device path such as '\\Program Files\\Brinwick\\Horavel\\data\\'.\n"
    "The device root is HORAVEL_DEVICE or the default root.";

std::u16string dataFolder(const ParsedArgs& a) {
    std::u16string folder;
    if (a.has("data-folder")) {
        folder = dev::fromUtf8(a.get("data-folder"));
    } else {
        const std::u16string install = readInstallFolderValue();
        folder = (install.empty() ? programFolder() : install) + u"data\\";
    }
    if (folder.empty() || folder.back() != u'\\')
        folder += u'\\';
    return folder;
}

// The whole file, waiting a moment while another program holds it; nullopt when missing.
std::optional<std::vector<uint8_t>> readFile(const std::u16string& path) {
    std::optional<std::vector<uint8_t>> bytes;
    dev::withRetry(kFileAttempts, kRetryPauseMs, [&] {
        bytes = dev::readWholeFile(path);
        return bytes.has_value() || !dev::fileExists(path);
    });
    return bytes;
}

std::string quoted(const std::u16string& s) {
    std::string out = "\"";
    for (char c : dev::toUtf8(s)) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string soundOf(const std::u16string& path) {
    const auto text = readSoundPathFile(path);
    return text ? quoted(*text) : std::string("(none)");
}

std::string hex2(unsigned v) {
    std::ostringstream os;
    os << "0x" << std::hex << std::setw(2) << std::setfill('0') << v;
    return os.str();
}

int missing(Io& io, const std::u16string& path) {
    io.err << "horavel-cli items: no file " << dev::toUtf8(path) << '\n';
    return kExitFailure;
}

int runAlarms(const ParsedArgs& a, Io& io) {
    const std::u16string folder = dataFolder(a);
    const std::u16string path = folder + kAlarmsFileName;
    const auto bytes = readFile(path);
    if (!bytes)
        return missing(io, path);
    const AlarmsImage img = parseAlarms(bytes->data(), bytes->size(), 0);
    if (!img.complete || bytes->size() != kAlarmsFileSize)
        io.err << "horavel-cli items alarms: " << dev::toUtf8(path) << " has " << bytes->size()
               << " bytes, not " << kAlarmsFileSize << '\n';
    for (int i = 0; i < kAlarmCount; ++i) {
        const AlarmRecord& r = img.records[static_cast<size_t>(i)];
        io.out << "alarm " << std::setw(2) << std::setfill('0') << i + 1 << std::setfill(' ')
               << " notificationHandle=" << r.notificationHandle
               << " note=" << quoted(textOf(r.note)) << " soundIndex=" << r.soundIndex
               << " repeatIndex=" << int(r.repeatIndex) << " pauseIndex=" << int(r.pauseIndex)
               << " snoozeCountIndex=" << int(r.snoozeCountIndex)
               << " snoozeIntervalIndex=" << int(r.snoozeIntervalIndex)
               << " daysMask=" << hex2(r.daysMask)
               << " alarmTime=" << quoted(dev::fromUtf8(localTimeText(r.alarmTime)))
               << " enabled=" << int(r.enabled) << " repeating=" << int(r.repeating)
               << " showDescription=" << int(r.showDescription)
               << " sound=" << soundOf(folder + alarmSoundFileName(i)) << '\n';
    }
    return kExitOk;
}

int runTimers(const ParsedArgs& a, Io& io) {
    const std::u16string folder = dataFolder(a);
    const std::u16string path = folder + kTimersFileName;
    const auto bytes = readFile(path);
    if (!bytes)
        return missing(io, path);
    std::array<TimerRecord, kTimerCount> records;
    fillTimerDefaults(records, 0);
    std::memcpy(records.data(), bytes->data(), std::min(bytes->size(), kTimersFileSize));
    if (bytes->size() != kTimersFileSize)
        io.err << "horavel-cli items timers: " << dev::toUtf8(path) << " has " << bytes->size()
               << " bytes, not " << kTimersFileSize << '\n';
    for (int i = 0; i < kTimerCount; ++i) {
        const TimerRecord& r = records[static_cast<size_t>(i)];
        io.out << "timer " << i << " notificationHandle=" << r.notificationHandle
               << " note=" << quoted(textOf(r.note))
               << " countdownTime=" << quoted(dev::fromUtf8(localTimeText(r.countdownTime)))
               << " soundIndex=" << r.soundIndex << " repeatIndex=" << int(r.repeatIndex)
               << " pauseIndex=" << int(r.pauseIndex) << " showNote=" << int(r.showNote)
               << " running=" << int(r.running) << " initial=" << std::setfill('0') << std::setw(2)
               << int(r.initialHours) << ':' << std::setw(2) << int(r.initialMinutes) << ':'
               << std::setw(2) << int(r.initialSeconds) << std::setfill(' ')
               << " sound=" << soundOf(folder + timerSoundFileName(i)) << '\n';
    }
    return kExitOk;
}

int runEvents(const ParsedArgs& a, Io& io) {
    const std::u16string folder = dataFolder(a);
    const std::u16string path = folder + kEventsFileName;
    const auto bytes = readFile(path);
    if (!bytes) {
        io.out << "count=0 noteCounter=0\n";
        return kExitOk;
    }
    const EventsImage img = parseEvents(bytes->data(), bytes->size());
    if (!img.ok) {
        io.err << "horavel-cli items events: " << dev::toUtf8(path) << " has a short header ("
               << bytes->size() << " bytes)\n";
        return kExitFailure;
    }
    io.out << "count=" << img.declaredCount << " noteCounter=" << img.noteCounter << '\n';
    if (img.records.size() != img.declaredCount)
        io.err << "horavel-cli items events: the file holds " << img.records.size() << " of "
               << img.declaredCount << " events\n";
    for (const EventRecord& r : img.records) {
        io.out << "event " << r.eventId << " notificationHandle=" << r.notificationHandle
               << " name=" << quoted(textOf(r.name))
               << " eventTime=" << quoted(dev::fromUtf8(localTimeText(r.eventTime)))
               << " soundIndex=" << r.soundIndex << " repeatIndex=" << int(r.repeatIndex)
               << " pauseIndex=" << int(r.pauseIndex) << " noteNumber=" << r.noteNumber
               << " argument=" << dev::toUtf8(eventArgument(r.notificationHandle))
               << " sound=" << soundOf(folder + eventSoundFileName(r.eventId)) << '\n';
    }
    return kExitOk;
}

int runStopwatch(const ParsedArgs& a, Io& io) {
    const std::u16string folder = dataFolder(a);
    // The stopwatch state lives in the settings file: without it there is nothing to tell.
    const std::u16string settingsPath = folder + u"settings.dat";
    const auto s = readFile(settingsPath);
    if (!s)
        return missing(io, settingsPath);
    SettingsRecord r;
    if (!parseSettings(s->data(), s->size(), r)) {
        io.err << "horavel-cli items stopwatch: " << dev::toUtf8(settingsPath) << " is damaged ("
               << s->size() << " bytes)\n";
        return kExitFailure;
    }
    io.out << "stopwatchRunning=" << int(r.stopwatchRunning)
           << " stopwatchTime=" << r.stopwatchTime;
    if (r.stopwatchRunning)
        io.out << " startedUtc=" << quoted(dev::fromUtf8(localTimeText(r.stopwatchTime)));
    io.out << '\n';
    const auto bytes = readFile(folder + kStopwatchFileName);
    if (!bytes)
        return kExitOk;
    const std::vector<Split> splits = parseSplits(bytes->data(), bytes->size());
    for (const Split& s : splits)
        io.out << "split label=" << quoted(s.label) << " time=" << quoted(s.time) << '\n';
    return kExitOk;
}

} // namespace

void registerItemsCommands(CommandTable& t) {
    t.add({"items alarms", "", "print the 20 stored alarms, one line each", kFolderHelp,
           kFolderOption, 0, 0, runAlarms});
    t.add({"items timers", "", "print the 4 stored timers, one line each", kFolderHelp,
           kFolderOption, 0, 0, runTimers});
    t.add({"items events", "", "print the stored events, one line each", kFolderHelp, kFolderOption,
           0, 0, runEvents});
    t.add({"items stopwatch", "", "print the stopwatch state and the stored splits", kFolderHelp,
           kFolderOption, 0, 0, runStopwatch});
}

} // namespace hv::cli

// setup.dll: at installation it writes the install-folder value; at an update it merges a new
// version of the shipped city files into the ones the user edited; at removal it undoes what the
// running system registered (the companion programs' event registrations, pending notifications
// of timers, alarms and events), switches the screen saver off so a running launcher ends, and
// deletes the data files the programs created.
#include "setup/setup_hook.h"

#include "cities/cityfilemerge.h"
#include "device/device.h"
#include "device/files.h"
#include "settings/settings.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr size_t kSettingsSize = 368;
constexpr size_t kScreenSaverOnOffset = 354;
constexpr size_t kTimersFileSize = 288, kTimerRecordSize = 72;
constexpr size_t kAlarmsFileSize = 1520, kAlarmRecordSize = 76;
constexpr size_t kEventsHeaderSize = 8, kEventRecordSize = 76;
constexpr int kReadAttempts = 20;
constexpr uint32_t kReadPauseMs = 100;

uint32_t word(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

// A file another program holds at that moment is read again, a bounded number of times; a missing
// file is not waited for.
std::optional<std::vector<uint8_t>> readRetrying(const std::u16string& path) {
    std::optional<std::vector<uint8_t>> bytes;
    hv::dev::withRetry(kReadAttempts, kReadPauseMs, [&] {
        bytes = hv::dev::readWholeFile(path);
        return bytes.has_value() || !hv::dev::fileExists(path);
    });
    return bytes;
}

void clearHandle(uint32_t h) {
    if (h != 0)
        hv::dev::current().notifications().clear(h);
}

// Cancels the notification handle at the start of each fixed-size record of a file.
void clearRecordHandles(const std::u16string& path, size_t fileSize, size_t recordSize) {
    const auto bytes = readRetrying(path);
    if (!bytes)
        return;
    const size_t usable = std::min(bytes->size(), fileSize);
    for (size_t off = 0; off + recordSize <= usable; off += recordSize)
        clearHandle(word(bytes->data() + off));
}

void clearEventHandles(const std::u16string& path) {
    const auto bytes = readRetrying(path);
    if (!bytes || bytes->size() < kEventsHeaderSize)
        return;
    const uint32_t count = word(bytes->data());
    size_t off = kEventsHeaderSize;
    for (uint32_t i = 0; i < count && off + kEventRecordSize <= bytes->size();
         ++i, off += kEventRecordSize)
        clearHandle(word(bytes->data() + off));
}

std::u16string join(const std::u16string& dir, std::u16string_view name) {
    return dir + u"\\" + std::u16string(name);
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) void HV_SetupUseDevice(hv::dev::Device* device) {
    hv::dev::install(device);
}

__attribute__((visibility("default"))) int Install_Init(void*, int, int, const char16_t*) {
    return kInstallInitContinue;
}

__attribute__((visibility("default"))) int Install_Exit(void*, const char16_t* installDir, uint16_t,
                                                        uint16_t, uint16_t, uint16_t, uint16_t) {
    // The install-folder value, so that the companion programs and the command line find the
    // data folder before the main program has ever run.
    if (installDir && *installDir) {
        std::u16string folder(installDir);
        if (folder.back() != u'\\')
            folder += u'\\';
        hv::writeInstallFolderValue(folder);
    }
    return kInstallExitDone;
}

// The city files: the user's added, edited and deleted cities stay as they are, the shipped
// cities the user left alone follow the new version, and cities new in it are added.
__attribute__((visibility("default"))) int HV_SetupMergeFile(const char16_t* target,
                                                             const uint8_t* base, size_t baseSize,
                                                             const uint8_t* shipped,
                                                             size_t shippedSize) {
    const std::u16string path = target ? std::u16string(target) : std::u16string();
    if (!path.ends_with(u".cdb"))
        return 0;
    const auto mine = readRetrying(path);
    if (!mine)
        return 0;
    const std::vector<uint8_t> merged =
        hv::mergeCityFile({base, baseSize}, *mine, {shipped, shippedSize});
    return hv::dev::saveWholeFile(path, merged) ? 1 : 0;
}

__attribute__((visibility("default"))) int Uninstall_Init(void*, const char16_t* installDir) {
    const std::u16string dir = installDir ? std::u16string(installDir) : std::u16string();
    auto& device = hv::dev::current();

    // 1. The companion programs' event registrations, with the places earlier packages used.
    const std::u16string programs[] = {u"\\Windows\\BHVEvents.exe", u"\\Windows\\HVTimer.exe",
                                       u"\\Program Files\\Brinwick\\Horavel\\data\\HVTimer.exe",
                                       join(dir, u"data\\HVTimer.exe"), join(dir, u"Horavel.exe")};
    for (const std::u16string& app : programs)
        device.notifications().runAppAtEvent(app, hv::dev::RunEvent::None);

    // 2. The screen saver off, so that a running launcher ends on its next reload.
    const std::u16string settingsPath = join(dir, u"data\\settings.dat");
    if (auto bytes = readRetrying(settingsPath); bytes && bytes->size() >= kSettingsSize) {
        bytes->resize(kSettingsSize);
        (*bytes)[kScreenSaverOnOffset] = 0;
        hv::dev::saveWholeFile(settingsPath, *bytes);
    }

    // 3.-5. Every pending notification of timers, alarms and events.
    clearRecordHandles(join(dir, u"data\\timers.dat"), kTimersFileSize, kTimerRecordSize);
    clearRecordHandles(join(dir, u"data\\alarms.dat"), kAlarmsFileSize, kAlarmRecordSize);
    clearEventHandles(join(dir, u"data\\events.dat"));
    // Whatever else is pending for a program of the package: a snooze ("sn"), a registration
    // whose record could not be read or no longer names it.
    for (const auto& reg : device.notifications().list())
        for (const std::u16string& app : programs)
            if (reg.application == app)
                clearHandle(reg.handle);

    // 6.-7. Wake the launcher and give it time to read the settings.
    const hv::dev::EventHandle change =
        device.events().create(u"HVTimer_Settings_Change", false, nullptr);
    if (change)
        device.events().set(change);
    device.clock().sleep(100);

    // 8. The data files the programs created.
    const std::u16string dataFolder = join(dir, u"data");
    for (const std::u16string& name : hv::dev::findFiles(dataFolder, u"*.dat"))
        hv::dev::deleteFile(join(dataFolder, name));
    if (change)
        device.events().close(change);
    return kUninstallInitContinue;
}

__attribute__((visibility("default"))) int Uninstall_Exit(void*) {
    return kUninstallExitDone;
}

} // extern "C"

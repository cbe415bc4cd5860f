#include "device/device.h"

#include "device/real.h"

#include <iostream>

namespace hv::dev {

namespace {
Device* g_installed = nullptr;
}

Device& current() {
    if (g_installed)
        return *g_installed;
    return RealDevice::instance();
}

void install(Device* device) {
    g_installed = device;
}

ScopedDevice::ScopedDevice(Device& d) : previous_(g_installed) {
    g_installed = &d;
}
ScopedDevice::~ScopedDevice() {
    g_installed = previous_;
}

FileTime getSystemTimeAsFileTime() {
    return current().clock().utcNow();
}
SystemTime getSystemTime() {
    return toSystemTime(getSystemTimeAsFileTime());
}
FileTime getLocalTimeAsFileTime() {
    auto& c = current().clock();
    return utcToLocal(c.zone(), c.utcNow());
}
SystemTime getLocalTime() {
    return toSystemTime(getLocalTimeAsFileTime());
}
TimeZoneInformation getTimeZoneInformation() {
    return current().clock().zone();
}
FileTime fileTimeToLocalFileTime(FileTime utc) {
    return utcToLocal(current().clock().zone(), utc);
}
FileTime localFileTimeToFileTime(FileTime local) {
    return localToUtc(current().clock().zone(), local);
}
void sleepMs(uint32_t ms) {
    current().clock().sleep(ms);
}

MbResult messageBox(const std::u16string& caption, const std::u16string& text, MbIcon icon,
                    MbButtons buttons) {
    return current().messageBoxes().show(caption, text, icon, buttons);
}

} // namespace hv::dev

// The device clock: an offset from the host's real-time clock and a time zone, kept in the
// root's clock file, where every program reads them.
#pragma once

#include "device/device.h"
#include "device/real.h"

#include <filesystem>

namespace hv::deviced {

class DeviceClock {
public:
    explicit DeviceClock(std::filesystem::path root) : root_(std::move(root)) {}

    // Reads the clock file. A damaged one is kept aside and the host's time counts again; a
    // first start takes the host's zone.
    void load();
    dev::FileTime utcNow() const;
    // Both keep the clock as it was when the file cannot be written.
    bool setUtc(dev::FileTime utc);
    bool setZone(const dev::TimeZoneInformation& zone);
    const dev::TimeZoneInformation& zone() const { return file_.zone; }
    int64_t offsetTicks() const { return file_.offsetTicks; }

private:
    bool write(const dev::ClockFile& next);

    std::filesystem::path root_;
    dev::ClockFile file_;
};

} // namespace hv::deviced

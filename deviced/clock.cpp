#include "deviced/clock.h"

#include "device/journal.h"
#include "device/systime.h"
#include "deviced/log.h"

#include <ctime>

namespace hv::deviced {

namespace fs = std::filesystem;

namespace {

dev::FileTime hostUtcNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return dev::kUnixEpochFileTime + static_cast<dev::FileTime>(ts.tv_sec) * dev::kTicksPerSecond +
           static_cast<dev::FileTime>(ts.tv_nsec / 100);
}

} // namespace

void DeviceClock::load() {
    const fs::path clockFile = root_ / ".system" / "clock.dat";
    std::error_code ec;
    if (auto cf = dev::readClockFile(root_)) {
        file_ = *cf;
    } else if (fs::exists(clockFile, ec)) {
        const fs::path aside = clockFile.string() + ".damaged-" + std::to_string(::time(nullptr));
        fs::copy_file(clockFile, aside, fs::copy_options::overwrite_existing, ec);
        dev::reportFault(root_, "the device clock file was damaged; kept as " + aside.string() +
                                    "; the device time is the host's again");
        file_ = {};
    }
    if (!file_.hasZone) {
        file_.hasZone = true;
        file_.zone = dev::hostZoneForYear(
            dev::toSystemTime(hostUtcNow() + static_cast<dev::FileTime>(file_.offsetTicks)).year);
        if (!dev::writeClockFile(root_, file_))
            log("cannot write the clock file");
    }
}

dev::FileTime DeviceClock::utcNow() const {
    return static_cast<dev::FileTime>(static_cast<int64_t>(hostUtcNow()) + file_.offsetTicks);
}

bool DeviceClock::setUtc(dev::FileTime utc) {
    dev::ClockFile next = file_;
    next.offsetTicks = static_cast<int64_t>(utc) - static_cast<int64_t>(hostUtcNow());
    return write(next);
}

bool DeviceClock::setZone(const dev::TimeZoneInformation& zone) {
    dev::ClockFile next = file_;
    next.hasZone = true;
    next.zone = zone;
    return write(next);
}

bool DeviceClock::write(const dev::ClockFile& next) {
    if (!dev::writeClockFile(root_, next))
        return false;
    file_ = next;
    return true;
}

} // namespace hv::deviced

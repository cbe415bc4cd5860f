// The real device on Linux. The device clock is host UTC plus an offset, and the device zone a
// zone record, both kept in <root>/.system/clock.dat (absent: no offset, and a zone record derived
// from the host's zone for the current year). The services that the device services daemon owns
// (notifications, named events, time setting) are its clients (device/daemon_client.h); the
// daemon writes the clock file when the device time or zone is set.
#pragma once

#include "device/device.h"

#include <memory>
#include <string>

namespace hv::dev {

// <root>/.system/clock.dat: "HVCK", version 1, int64 offset in 100 ns, a zone flag, the zone.
struct ClockFile {
    int64_t offsetTicks = 0;
    bool hasZone = false;
    TimeZoneInformation zone{};
};
std::optional<ClockFile> readClockFile(const std::filesystem::path& root);
bool writeClockFile(const std::filesystem::path& root, const ClockFile& cf);

// The zone record that reproduces the host's zone (TZ, /etc/localtime) in the given year.
TimeZoneInformation hostZoneForYear(int year);
// The IANA name of the host's zone: from TZ, else the /etc/localtime link, else /etc/timezone;
// empty when none names one. zoneNameOfPath keeps the name of a zoneinfo path or a bare name.
std::string hostZoneNameFromSystem();
std::string zoneNameOfPath(std::string path);

class RealDevice : public Device {
public:
    static RealDevice& instance();

    std::filesystem::path root() const override { return root_; }
    std::u16string modulePath() const override;
    Clock& clock() override { return *clock_; }
    TimeSetting& timeSetting() override { return *timeSetting_; }
    Notifications& notifications() override { return *notifications_; }
    NamedEvents& events() override { return *events_; }
    LocaleProvider& locale() override { return *locale_; }
    Sound& sound() override { return *sound_; }
    Shell& shell() override { return *shell_; }
    MessageBoxes& messageBoxes() override { return *messageBoxes_; }

    // The GUI programs put their Qt message boxes here.
    void setMessageBoxes(std::unique_ptr<MessageBoxes> m) { messageBoxes_ = std::move(m); }
    // Re-reads HORAVEL_DEVICE (programs that set it after start-up). The clock and the daemon's
    // services follow the new root; call it before using them.
    void setRoot(const std::filesystem::path& root);

private:
    RealDevice();
    std::filesystem::path root_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<TimeSetting> timeSetting_;
    std::unique_ptr<Notifications> notifications_;
    std::unique_ptr<NamedEvents> events_;
    std::unique_ptr<LocaleProvider> locale_;
    std::unique_ptr<Sound> sound_;
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<MessageBoxes> messageBoxes_;
};

class DaemonClient;
// The Linux shell service for a device root (the real device's; tests make their own); its
// power state comes from the daemon when one is given.
std::unique_ptr<Shell> makeLinuxShell(const std::filesystem::path& root,
                                      std::shared_ptr<DaemonClient> daemon = nullptr);

// The real sound service for a device root, and the host file it plays for a device path: the
// file itself when it is a readable regular file, else the default sound when that is, else
// none (nothing plays). A folder, an empty path or a device node never reaches the reader.
std::unique_ptr<Sound> makePlayerSound(const std::filesystem::path& root);
std::filesystem::path soundFileToPlay(const std::filesystem::path& root,
                                      std::u16string_view devicePath);

// WAV data with every sample scaled by a volume (0..0xFFFF a channel); the bytes unchanged when
// the file is not 8- or 16-bit PCM. Used by the real sound service.
std::vector<uint8_t> scaleWavVolume(const std::vector<uint8_t>& wav, uint32_t volume);

} // namespace hv::dev

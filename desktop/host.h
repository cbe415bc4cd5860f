// The desktop services on Linux: the desktop registry is a folder of values below the desktop
// root ($HORAVEL_DESKTOP, else $XDG_DATA_HOME/horavel/desktop); the connected device is the device
// root whose services daemon answers; its screen width is the device registry value
// HKLM\System\Device "ScreenWidth" (480 when absent); resources are Qt resources
// ":/res/<type>/<id>".
#pragma once

#include "desktop/desktop.h"

#include <filesystem>

namespace hv::desktop {

std::filesystem::path desktopRoot();
// The host file holding the default value of a desktop registry key below HKEY_LOCAL_MACHINE.
std::filesystem::path desktopRegistryFile(std::string_view key);
// Registers a program as the desktop's device application manager.
bool registerAppManager(const std::filesystem::path& program);

inline constexpr char16_t kDeviceKey[] = u"System\\Device";
inline constexpr char16_t kScreenWidthValue[] = u"ScreenWidth";
inline constexpr uint32_t kDefaultScreenWidth = 480;

// Starts a program detached with its arguments; false when it cannot be executed.
bool spawnDetached(const std::vector<std::string>& argv);

class HostDesktop : public DesktopServices {
public:
    bool rapiInit() override;
    int screenWidth() override;
    void rapiUninit() override;
    bool startProgram(const std::string& name, int showCommand) override;
    std::optional<std::string> appManagerPath() override;
    bool createDirectory(const std::string& path, bool& alreadyExists) override;
    bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) override;
    bool winExec(const std::string& command, int showCommand) override;
    bool messageBox(const std::string& caption, const std::string& text, bool okCancel) override;
    std::optional<std::vector<uint8_t>> resource(int type, int id) override;

private:
    bool connected_ = false;
};

} // namespace hv::desktop

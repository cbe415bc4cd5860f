// The device root and device paths. Inside the programs a path is written with backslashes
// (\Program Files\Brinwick\Horavel\Horavel.exe); it names a file below the device root.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hv::dev {

// HORAVEL_DEVICE, else $XDG_DATA_HOME/horavel/device, else ~/.local/share/horavel/device.
std::filesystem::path defaultRoot();

// The host file for a device path below the given root (or the current device's root).
// Backslashes separate components; "." and ".." components are dropped so a path never leaves
// the root.
std::filesystem::path hostPath(const std::filesystem::path& root, std::u16string_view devicePath);
std::filesystem::path hostPath(std::u16string_view devicePath);

// The host file for a device path when it stays inside the root with every symbolic link
// followed (a file not there yet counts by its folder); nullopt when a link leads out of the
// root. Files the programs open and programs the daemon starts go through this.
std::optional<std::filesystem::path> hostPathInsideRoot(const std::filesystem::path& root,
                                                        std::u16string_view devicePath);
// Whether a device path names an executable regular file inside the root.
bool isProgramInsideRoot(const std::filesystem::path& root, std::u16string_view devicePath);

// The device path of a host file inside the root, or the bare file name for a file outside it.
std::u16string devicePathOf(const std::filesystem::path& root, const std::filesystem::path& file);

} // namespace hv::dev

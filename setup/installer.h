// The device's application installer, as the handheld has it: it unpacks a cabinet package into
// the device root, places the files named by the package's setup description, creates the
// shortcut and the registry key, and calls the package's setup library around installing and
// removing. What it installed is kept in the device registry under Software\Apps\<app name>.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hv::install {

// The setup description inside every cabinet ("_setup.hvs", 8-bit text, our own format):
//   [Application]  Name, Provider, Version, Processor, InstallFolder, MinSystem, MaxSystem,
//                  RegistryKey, SetupLibrary
//   [Files]        <file name in the cabinet>=install | data | system
//   [Shortcuts]    <shortcut name>=<folder>   (the shortcut file is in the cabinet)
// Folders may use %CE1% (program files), %CE2% (Windows) and %CE11% (Start menu programs).
inline constexpr char kDescriptionName[] = "_setup.hvs";

struct Placement {
    std::string name;   // file name in the cabinet and on the device
    std::string folder; // "install", "data", "system", or a device folder for shortcuts
};

struct SetupDescription {
    std::string name, provider, version, installFolder, registryKey, setupLibrary;
    uint32_t processor = 0;
    uint32_t minSystem = 0, maxSystem = 0; // major * 100 + minor
    std::vector<Placement> files;
    std::vector<Placement> shortcuts;
};

// Parses the description; false when a required item is missing or malformed.
bool parseDescription(std::string_view text, SetupDescription& out);
// %CE1%, %CE2%, %CE11% replaced by the device folders.
std::u16string expandFolder(std::string_view folder);
// Whether a system version (major * 100 + minor) lies in the description's range.
bool fitsSystem(const SetupDescription& d, uint32_t system);

// Reads the setup description from a cabinet without installing it.
bool readCabinetDescription(const std::filesystem::path& cab, SetupDescription& out,
                            std::string* error = nullptr);

// Installs a cabinet on the current device. False with a message on any failure.
bool installCabinet(const std::filesystem::path& cab, std::string* error = nullptr);
// Removes an installed application by name: Uninstall_Init(parent, install folder), the files,
// shortcut, folders and registry key, then Uninstall_Exit.
bool uninstallApplication(const std::string& name, std::string* error = nullptr);
// The installed version of an application, empty when it is not installed.
std::string installedVersion(const std::string& name);
// A fingerprint of a cabinet file's bytes (16 hex digits), empty when it cannot be read; the
// installer records the one it installed, so that a changed build can be told apart.
std::string cabinetFingerprint(const std::filesystem::path& cab);
std::string installedFingerprint(const std::string& name);

} // namespace hv::install

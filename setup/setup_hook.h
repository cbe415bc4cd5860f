// The setup library interface that the device's application installer calls (setup.dll, an ELF
// shared object under that name). The installer looks the entry points up by these names.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hv::dev {
class Device;
}

extern "C" {
// codeINSTALL_INIT / codeINSTALL_EXIT / codeUNINSTALL_INIT / codeUNINSTALL_EXIT
enum {
    kInstallInitContinue = 0,
    kInstallExitDone = 0,
    kUninstallInitContinue = 0,
    kUninstallExitDone = 0
};

using InstallInitFn = int (*)(void* parent, int firstCall, int previouslyInstalled,
                              const char16_t* installDir);
using InstallExitFn = int (*)(void* parent, const char16_t* installDir, uint16_t failedDirs,
                              uint16_t failedFiles, uint16_t failedRegKeys,
                              uint16_t failedRegValues, uint16_t failedShortcuts);
using UninstallInitFn = int (*)(void* parent, const char16_t* installDir);
using UninstallExitFn = int (*)(void* parent);
// The installer hands its device (root, registry, daemon connection) to the hook before calling
// it; without it the hook uses the real device of the environment.
using SetupUseDeviceFn = void (*)(hv::dev::Device* device);
// At an update, for a data file the user changed and of which the package brings a new version:
// the hook merges the new version into the user's file (base: the version shipped before, none
// when unknown). Returns 1 when the file is merged, 0 when the hook does not merge such a file
// (the user's file then stays as it is). Without this entry point the user's file stays.
using SetupMergeFileFn = int (*)(const char16_t* target, const uint8_t* base, size_t baseSize,
                                 const uint8_t* shipped, size_t shippedSize);
}

inline constexpr char kInstallInitName[] = "Install_Init";
inline constexpr char kInstallExitName[] = "Install_Exit";
inline constexpr char kUninstallInitName[] = "Uninstall_Init";
inline constexpr char kUninstallExitName[] = "Uninstall_Exit";
inline constexpr char kSetupUseDeviceName[] = "HV_SetupUseDevice";
inline constexpr char kSetupMergeFileName[] = "HV_SetupMergeFile";

// The desktop side of installation: Devprobe asks the connected device for its screen width and
// starts the installer that fits it; Deskinst writes the package (application-manager description
// and two cabinets, carried as resources) beside the desktop's device application manager and
// starts the manager with the description. All user contact is by message boxes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hv::desktop {

// What the two programs need from the desktop; the programs use the real one, tests a fake.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    // Remote API to the connected device.
    virtual bool rapiInit() = 0;
    virtual int screenWidth() = 0; // 0 when the device does not answer
    virtual void rapiUninit() = 0;
    // CreateProcessA from the current folder, minimised; false when it cannot start.
    virtual bool startProgram(const std::string& name, int showCommand) = 0;
    // The default value of HKLM\...\App Paths\CEAPPMGR.EXE; nullopt when the key or value is
    // missing.
    virtual std::optional<std::string> appManagerPath() = 0;
    // CreateDirectoryA; alreadyExists tells an existing folder apart from a failure.
    virtual bool createDirectory(const std::string& path, bool& alreadyExists) = 0;
    // Creates or truncates the file and writes the bytes; false on failure or a short write.
    virtual bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) = 0;
    // WinExec with a show command.
    virtual bool winExec(const std::string& command, int showCommand) = 0;
    // Message box with OK (or OK and Cancel); true for OK.
    virtual bool messageBox(const std::string& caption, const std::string& text, bool okCancel) = 0;
    // Resource data by type and id; nullopt when there is none.
    virtual std::optional<std::vector<uint8_t>> resource(int type, int id) = 0;
};

// ---- Devprobe -------------------------------------------------------------------------------
inline constexpr char kProbePrompt[] = "Please cradle your mobile device and press OK button when "
                                       "your device connects with ActiveSync";
inline constexpr char kProbeCaption[] = "Application Installer";
inline constexpr char kSmallInstaller[] = "Smallinst.exe";
inline constexpr char kWideInstaller[] = "Deskinst.exe";
inline constexpr int kShowMinimized = 6;
inline constexpr int kSmallScreenMaxWidth = 240;

// The installer for a screen width.
const char* installerForWidth(int width);
// The whole probe; returns the installer started, or empty when the user cancelled or the remote
// API could not be started at all.
std::string runDevprobe(DesktopServices& s);

// ---- Deskinst -------------------------------------------------------------------------------
inline constexpr char kSetupCaption[] = "Setup"; // string 2
inline constexpr char kMsgNoServices[] =
    "Windows CE Services not found on this computer. Setup cannot continue and will now exit.";
inline constexpr char kMsgNoDirectory[] =
    "Could not create install directory. Setup cannot continue and will exit.";
inline constexpr char kMsgWriteError[] = "An error occured writing your Windows CE application to "
                                         "disk. Setup cannot continue and will exit.";
inline constexpr char kMsgMissingInfo[] =
    "The setup files are missing information. Setup cannot continue and will exit.";
inline constexpr char kAppPathsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
inline constexpr int kShowNormal = 5;
inline constexpr int kResData = 100, kResName = 101, kResFolder = 103;

// The application-manager description carried as resource 100/1.
std::string appManagerDescription();

enum class DeskinstResult {
    Started,
    NoServices,
    NoDirectory,
    WriteError,
    MissingInfo,
    StartFailed
};
// The whole installer; the command it ran goes to *command.
DeskinstResult runDeskinst(DesktopServices& s, std::string* command = nullptr);

// ---- The application manager's description ----------------------------------------------------
struct AppManagerIni {
    std::string version, component, description, uninstall;
    std::vector<std::string> cabFiles;
};
// Parses the description; false when [CEAppManager] or the component's section is incomplete.
bool parseAppManagerIni(std::string_view text, AppManagerIni& out);

} // namespace hv::desktop

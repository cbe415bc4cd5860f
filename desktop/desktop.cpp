#include "desktop/desktop.h"

#include "device/ini.h"

#include <algorithm>

namespace hv::desktop {

namespace {
// A NUL-terminated 8-bit name of at most 260 characters from a resource.
std::optional<std::string> resourceName(DesktopServices& s, int id) {
    const auto r = s.resource(kResName, id);
    if (!r)
        return std::nullopt;
    std::string name(r->begin(), r->end());
    if (const size_t z = name.find('\0'); z != std::string::npos)
        name.resize(z);
    if (name.size() > 260)
        name.resize(260);
    if (name.empty())
        return std::nullopt;
    return name;
}
} // namespace

const char* installerForWidth(int width) {
    return width <= kSmallScreenMaxWidth ? kSmallInstaller : kWideInstaller;
}

std::string runDevprobe(DesktopServices& s) {
    bool started = s.rapiInit();
    if (!started)
        return {};
    int width = 0;
    for (;;) {
        width = s.screenWidth();
        s.rapiUninit();
        if (started && width != 0)
            break;
        do {
            if (!s.messageBox(kProbeCaption, kProbePrompt, true))
                return {};
            started = s.rapiInit();
        } while (!started);
    }
    const std::string installer = installerForWidth(width);
    if (!s.startProgram(installer, kShowMinimized)) {
        s.messageBox(kProbeCaption,
                     installer + " was not found beside Devprobe. It is not part of this package.",
                     false);
        return {};
    }
    return installer;
}

std::string appManagerDescription() {
    return "[CEAppManager]\r\n"
           "Version      = 1.0\r\n"
           "Component    = Horavel\r\n"
           "\r\n"
           "[Horavel]\r\n"
           "Description  = Horavel v1.22\r\n"
           "Uninstall    = Horavel v1.22\r\n"
           "CabFiles     = setup_VGA.ARM.cab,setup_VGA.PPC2003_ARM.cab\r\n";
}

DeskinstResult runDeskinst(DesktopServices& s, std::string* command) {
    const auto manager = s.appManagerPath();
    if (!manager) {
        s.messageBox(kSetupCaption, kMsgNoServices, false);
        return DeskinstResult::NoServices;
    }
    const size_t slash = manager->find_last_of('\\') != std::string::npos
                             ? manager->find_last_of('\\')
                             : manager->find_last_of('/');
    if (slash == std::string::npos) {
        s.messageBox(kSetupCaption, kMsgNoServices, false);
        return DeskinstResult::NoServices;
    }
    const char sep = (*manager)[slash];
    std::string folder = manager->substr(0, slash + 1);
    const auto folderName = s.resource(kResFolder, 2);
    if (folderName) {
        std::string n(folderName->begin(), folderName->end());
        if (const size_t z = n.find('\0'); z != std::string::npos)
            n.resize(z);
        folder += n;
    }
    bool exists = false;
    if (!s.createDirectory(folder, exists) && !exists) {
        s.messageBox(folder, kMsgNoDirectory, false);
        return DeskinstResult::NoDirectory;
    }
    bool error = false;
    for (int id = 1;; ++id) {
        const auto data = s.resource(kResData, id);
        if (!data)
            break;
        const auto name = resourceName(s, id);
        if (!name || !s.writeFile(folder + sep + *name, *data)) {
            error = true;
            break;
        }
    }
    if (error) {
        s.messageBox(folder, kMsgWriteError, false);
        return DeskinstResult::WriteError;
    }
    const auto ini = resourceName(s, 1);
    if (!ini) {
        s.messageBox(kSetupCaption, kMsgMissingInfo, false);
        return DeskinstResult::MissingInfo;
    }
    const std::string cmd = *manager + " \"" + folder + sep + *ini + "\"";
    if (command)
        *command = cmd;
    return s.winExec(cmd, kShowNormal) ? DeskinstResult::Started : DeskinstResult::StartFailed;
}

bool parseAppManagerIni(std::string_view text, AppManagerIni& out) {
    out = {};
    // Lines without '=' are skipped.
    const dev::IniText ini = dev::parseIni(text);
    for (const auto& e : ini.entries)
        if (e.section == "CEAppManager") {
            if (e.key == "Version")
                out.version = e.value;
            if (e.key == "Component")
                out.component = e.value;
        }
    if (out.component.empty())
        return false;
    for (const auto& e : ini.entries)
        if (e.section == out.component) {
            if (e.key == "Description")
                out.description = e.value;
            else if (e.key == "Uninstall")
                out.uninstall = e.value;
            else if (e.key == "CabFiles") {
                std::string_view list = e.value;
                while (!list.empty()) {
                    const size_t comma = std::min(list.find(','), list.size());
                    const std::string_view cab = dev::trimSpace(list.substr(0, comma));
                    if (!cab.empty())
                        out.cabFiles.emplace_back(cab);
                    list.remove_prefix(std::min(comma + 1, list.size()));
                }
            }
        }
    return !out.version.empty() && !out.cabFiles.empty();
}

} // namespace hv::desktop

#include "desktop/desktop.h"

#include <sstream>

namespace hv::desktop {

namespace {
std::string trim(std::string_view s) {
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos)
        return {};
    const size_t e = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(b, e - b + 1));
}

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
    std::istringstream in{std::string(text)};
    std::string line, section;
    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> entries;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        entries.push_back({section, {trim(line.substr(0, eq)), trim(line.substr(eq + 1))}});
    }
    for (const auto& [sec, kv] : entries)
        if (sec == "CEAppManager") {
            if (kv.first == "Version")
                out.version = kv.second;
            if (kv.first == "Component")
                out.component = kv.second;
        }
    if (out.component.empty())
        return false;
    for (const auto& [sec, kv] : entries)
        if (sec == out.component) {
            if (kv.first == "Description")
                out.description = kv.second;
            else if (kv.first == "Uninstall")
                out.uninstall = kv.second;
            else if (kv.first == "CabFiles") {
                std::istringstream list(kv.second);
                std::string cab;
                while (std::getline(list, cab, ','))
                    if (!trim(cab).empty())
                        out.cabFiles.push_back(trim(cab));
            }
        }
    return !out.version.empty() && !out.cabFiles.empty();
}

} // namespace hv::desktop

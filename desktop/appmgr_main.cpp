// CEAPPMGR.EXE, the desktop's device application manager (a stand-in): reads the description,
// picks the cabinet that fits the connected device's system version and installs it through the
// device installer.
//   CEAPPMGR.EXE DESCRIPTION.ini     install
//   CEAPPMGR.EXE --register          record this program in the desktop registry
#include "desktop/host.h"
#include "device/device.h"
#include "setup/installer.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// The path this program was started from. Another install may have put a fresh copy in place
// while this one runs, which leaves /proc/self/exe naming a deleted file; the path it was started
// by still names the program, so that comes first.
fs::path ownPath(const char* argv0) {
    std::error_code ec;
    if (std::strchr(argv0, '/')) {
        const fs::path p = fs::canonical(argv0, ec);
        if (!ec)
            return p;
    }
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    const std::string deleted = " (deleted)";
    std::string text = self.string();
    if (text.size() > deleted.size() &&
        text.compare(text.size() - deleted.size(), deleted.size(), deleted) == 0)
        self = text.substr(0, text.size() - deleted.size());
    return self;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: CEAPPMGR.EXE DESCRIPTION.ini | --register\n");
        return 2;
    }
    if (std::strcmp(argv[1], "--register") == 0)
        return hv::desktop::registerAppManager(ownPath(argv[0])) ? 0 : 1;

    const fs::path iniPath = argv[1];
    std::ifstream in(iniPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    hv::desktop::AppManagerIni ini;
    if (!in || !hv::desktop::parseAppManagerIni(text.str(), ini)) {
        std::fprintf(stderr, "Application Manager: %s is not a valid application description\n",
                     argv[1]);
        return 1;
    }
    hv::desktop::HostDesktop desktop;
    if (!desktop.rapiInit()) {
        std::fprintf(stderr, "Application Manager: no device is connected\n");
        return 1;
    }
    desktop.rapiUninit();
    const uint32_t system = hv::dev::current().shell().systemMajorVersion() * 100;
    std::string damaged; // the first cabinet that could not be read, and why
    for (const auto& cab : ini.cabFiles) {
        const fs::path file = iniPath.parent_path() / cab;
        hv::install::SetupDescription d;
        std::string error;
        if (!hv::install::readCabinetDescription(file, d, &error)) {
            if (damaged.empty())
                damaged = cab + " is damaged (" + error + ")";
            continue;
        }
        if (!hv::install::fitsSystem(d, system))
            continue;
        if (!hv::install::installCabinet(file, &error)) {
            std::fprintf(stderr, "Application Manager: %s: %s\n", ini.description.c_str(),
                         error.c_str());
            return 1;
        }
        std::fprintf(stderr, "Application Manager: %s installed from %s\n", ini.description.c_str(),
                     cab.c_str());
        return 0;
    }
    if (!damaged.empty())
        std::fprintf(stderr, "Application Manager: %s: %s\n", ini.description.c_str(),
                     damaged.c_str());
    else
        std::fprintf(stderr, "Application Manager: no package of %s fits this device\n",
                     ini.description.c_str());
    return 1;
}

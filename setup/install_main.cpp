// hv-device-install: the device's application installer as a command.
//   hv-device-install [--root DIR] install CAB
//   hv-device-install [--root DIR] uninstall NAME
//   hv-device-install [--root DIR] version NAME        installed version
//   hv-device-install [--root DIR] installed NAME      fingerprint of the installed package
//   hv-device-install fingerprint CAB                  fingerprint of a cabinet
#include "device/real.h"
#include "setup/installer.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "--root") == 0) {
        hv::dev::RealDevice::instance().setRoot(argv[i + 1]);
        i += 2;
    }
    if (argc - i != 2) {
        std::fprintf(stderr, "usage: hv-device-install [--root DIR] install CAB | uninstall NAME | "
                             "version NAME | installed NAME | fingerprint CAB\n");
        return 2;
    }
    const std::string command = argv[i], arg = argv[i + 1];
    std::string error;
    if (command == "install") {
        if (!hv::install::installCabinet(arg, &error)) {
            std::fprintf(stderr, "hv-device-install: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (command == "uninstall") {
        if (!hv::install::uninstallApplication(arg, &error)) {
            std::fprintf(stderr, "hv-device-install: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (command == "fingerprint") { // of a cabinet file
        const std::string f = hv::install::cabinetFingerprint(arg);
        std::printf("%s\n", f.c_str());
        return f.empty() ? 1 : 0;
    }
    if (command == "installed") { // the fingerprint of the installed package
        const std::string f = hv::install::installedFingerprint(arg);
        if (f.empty())
            return 1;
        std::printf("%s\n", f.c_str());
        return 0;
    }
    if (command == "version") {
        const std::string v = hv::install::installedVersion(arg);
        if (v.empty())
            return 1;
        std::printf("%s\n", v.c_str());
        return 0;
    }
    std::fprintf(stderr, "hv-device-install: unknown command %s\n", command.c_str());
    return 2;
}

// HVTimer.exe: the screen-saver launcher. The command line is ignored.
#include "launcher/launcher.h"
#include "settings/settings.h"

#include <cstdio>

int main() {
    if (const std::string gone = hv::removedPackageMessage(); !gone.empty()) {
        std::fprintf(stderr, "HVTimer: %s\n", gone.c_str());
        return 1;
    }
    return hv::launcher::runLauncherProgram();
}

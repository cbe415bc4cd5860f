// HVTimer.exe: the screen-saver launcher. The command line is ignored.
#include "launcher/launcher.h"

int main() {
    return hv::launcher::runLauncherProgram();
}

// Devprobe: asks the connected device for its screen width and starts the installer for it.
#include "desktop/host.h"

int main() {
    hv::desktop::HostDesktop desktop;
    hv::desktop::runDevprobe(desktop);
    return 0;
}

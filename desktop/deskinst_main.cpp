// Deskinst: writes the package beside the desktop's device application manager and starts it.
#include "desktop/host.h"

int main() {
    hv::desktop::HostDesktop desktop;
    return hv::desktop::runDeskinst(desktop) == hv::desktop::DeskinstResult::Started ? 0 : 1;
}

// The main program's string resources: window class and title, the menu-bar buttons, the view
// list, the status-bar part list and the date-and-time heading.
#pragma once

namespace hv::shell {

enum : int {
    kStrTitle = 1,
    kStrClassName = 3,
    kStrOptions = 104,
    kStrView = 40005,
    kStrViewList = 40007,
    kStrStatusKinds = 40059,
    kStrSystemDateTime = 40109,
};

// Registers the table with the toolkit's string resources (once).
void registerShellStrings();

} // namespace hv::shell

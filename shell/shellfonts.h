// Fonts of the shell: "Tahoma" from the fonts-wine package when it is installed, else DejaVu Sans.
#pragma once

#include <QFont>

namespace hv::shell {

// Registers the Tahoma files with Qt once (needs a Qt application).
void registerShellFonts();
// A font of the given pixel size.
QFont shellFont(int pixelSize, bool bold);

} // namespace hv::shell

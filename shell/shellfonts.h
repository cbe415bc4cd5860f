// Fonts of the shell's own widgets, in the toolkit's face (tk::SDraw::fontFamily).
#pragma once

#include <QFont>

namespace hv::shell {

// A font of the given pixel size (em height, unlike the toolkit's character-cell fonts).
QFont shellFont(int pixelSize, bool bold);

} // namespace hv::shell

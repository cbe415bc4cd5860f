#include "shell/shellfonts.h"

#include "toolkit/window/SDraw.h"

namespace hv::shell {

QFont shellFont(int pixelSize, bool bold) {
    QFont f(tk::SDraw::fontFamily());
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

} // namespace hv::shell

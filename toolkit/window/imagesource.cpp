// Where the IMAGE resources come from: the pictures drawn at build time (images/).
#include "toolkit/window/picture.h"

#include "images/images.h"

namespace hv::tk {

QImage LoadImageResource(int id) {
    return hv::images::load(id);
}

} // namespace hv::tk

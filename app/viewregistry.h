// The one registry of the sixteen views: the factory the main window builds its views with.
#pragma once

#include "viewbase/view.h"

namespace hv::registry {

// The view with this number (0..15), built with the program's view context; null for any other
// number.
std::unique_ptr<view::View> makeView(int number, view::ViewContext& ctx);

} // namespace hv::registry

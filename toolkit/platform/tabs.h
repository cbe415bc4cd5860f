// The tab control (a Qt tab bar) that tells its parent of a new page with TCN_SELCHANGE.
#pragma once

#include "toolkit/platform/control.h"

#include <string>

namespace hv::tk {

HWND CreateTabControl(HWND parent, uintptr_t id, const RECT& r);
int TabInsertItem(HWND tab, int index, const std::u16string& text);
int TabGetCurSel(HWND tab);
int TabSetCurSel(HWND tab, int index);

} // namespace hv::tk

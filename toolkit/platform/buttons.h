// Check box, push button (plain, or drawn by its parent with WM_DRAWITEM) and edit (one or
// several lines), as Qt widgets.
#pragma once

#include "toolkit/platform/control.h"

#include <string>

namespace hv::tk {

HWND CreateCheckBox(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r);
bool IsChecked(HWND checkBox);
void SetChecked(HWND checkBox, bool on);

// An owner-drawn button asks its parent to draw it with WM_DRAWITEM (a DRAWITEMSTRUCT).
HWND CreatePushButton(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r,
                      bool ownerDrawn = false);
HWND CreateEdit(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r,
                bool multiLine = false, int maxLength = 0);

} // namespace hv::tk

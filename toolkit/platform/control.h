// What the platform controls share: the codes they tell their parent with (WM_COMMAND and
// WM_NOTIFY, as the handheld's controls do), and their placing and removal. Each control is a
// Qt widget, a child of its parent window, with an id.
#pragma once

#include "toolkit/window/winapi.h"

class QWidget;

namespace hv::tk {

// WM_COMMAND notification codes (high word of wParam).
enum : int { BN_CLICKED = 0, EN_CHANGE = 0x0300 };
// WM_NOTIFY codes.
enum : int {
    NM_CLICK = -2, // a tap on a list view: iItem is the row hit, -1 for none
    TCN_SELCHANGE = -551,
    TVN_SELCHANGED = -402,
    TVN_ITEMEXPANDING = -454
};
// Actions of TVN_ITEMEXPANDING.
enum : int { TVE_COLLAPSE = 1, TVE_EXPAND = 2 };
constexpr WPARAM MAKEWPARAM(int lo, int hi) {
    return static_cast<WPARAM>((static_cast<uint32_t>(lo) & 0xffff) |
                               ((static_cast<uint32_t>(hi) & 0xffff) << 16));
}

// A list view's tap (NM_CLICK) with the row hit and the point.
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem = -1;
    POINT ptAction;
};

// Removes a platform control made by one of the Create functions (after the current message).
void DestroyControl(HWND control);

namespace controls {
// Puts a control at r under its id and shows it.
void place(QWidget* w, const RECT& r, uintptr_t id);
// The parent window hears of the control's change (WM_COMMAND with the id and the code).
void command(QWidget* control, uintptr_t id, int code);
// The parent window hears of the control's change (WM_NOTIFY with a header of the id and code).
void notify(QWidget* control, uintptr_t id, int code);
} // namespace controls

} // namespace hv::tk

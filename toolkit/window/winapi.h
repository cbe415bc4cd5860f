// The handheld's window-system vocabulary on Qt: handles, message numbers, styles, drawing flags
// and the small records the toolkit passes around.
#pragma once

#include <cstdint>

class QWidget;

namespace hv::tk {

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using HWND = QWidget*;
using HINSTANCE = void*;
using COLORREF = uint32_t;

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}
constexpr int GetRValue(COLORREF c) {
    return static_cast<int>(c & 0xff);
}
constexpr int GetGValue(COLORREF c) {
    return static_cast<int>((c >> 8) & 0xff);
}
constexpr int GetBValue(COLORREF c) {
    return static_cast<int>((c >> 16) & 0xff);
}

constexpr int LOWORD(uintptr_t v) {
    return static_cast<int>(v & 0xffff);
}
constexpr int HIWORD(uintptr_t v) {
    return static_cast<int>((v >> 16) & 0xffff);
}

struct POINT {
    int x = 0;
    int y = 0;
    friend bool operator==(const POINT&, const POINT&) = default;
};

struct RECT {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(POINT p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    friend bool operator==(const RECT&, const RECT&) = default;
};

// The messages of the owner protocol (the window's own events are virtual calls of SWindow).
enum : UINT {
    WM_DRAWITEM = 0x002B,
    WM_NOTIFY = 0x004E,
    WM_COMMAND = 0x0111,
    WM_USER = 0x0400,
};

// Virtual keys of SWindow::OnKeyDown beside the ASCII ones.
enum : int {
    VK_RETURN = 0x0D,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_F4 = 0x73,
};
inline constexpr int WHEEL_DELTA = 120;

// Scroll-bar requests (SWindow::OnVScroll).
enum : int {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_BOTTOM = 7,
    SB_ENDSCROLL = 8,
};

// Window styles.
enum : uint32_t {
    WS_POPUP = 0x80000000,
    WS_CHILD = 0x40000000,
    WS_VISIBLE = 0x10000000,
    WS_CAPTION = 0x00C00000,
    WS_BORDER = 0x00800000,
    WS_VSCROLL = 0x00200000,
};
enum : uint32_t { WS_EX_TOPMOST = 0x00000008 };

// Text drawing flags (DrawTextW).
enum : UINT {
    DT_TOP = 0x0000,
    DT_LEFT = 0x0000,
    DT_CENTER = 0x0001,
    DT_RIGHT = 0x0002,
    DT_VCENTER = 0x0004,
    DT_BOTTOM = 0x0008,
    DT_WORDBREAK = 0x0010,
    DT_SINGLELINE = 0x0020,
    DT_NOCLIP = 0x0100,
    DT_CALCRECT = 0x0400,
    DT_END_ELLIPSIS = 0x8000,
};

// Background modes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

// Owner-draw item states.
enum : UINT {
    ODS_SELECTED = 0x0001,
    ODS_GRAYED = 0x0002,
    ODS_DISABLED = 0x0004,
    ODS_FOCUS = 0x0010
};

// Date-and-time picker notifications: the value changed; a key the picker does not use itself
// (NMDATETIMEKEY), which the parent may take by returning non-zero.
enum : int { DTN_DATETIMECHANGE = -759, DTN_WMKEYDOWN = -757 };

struct NMHDR {
    HWND hwndFrom = nullptr;
    uintptr_t idFrom = 0;
    int code = 0;
};

struct NMDATETIMEKEY {
    NMHDR hdr;
    char16_t key = 0; // the character typed
};

} // namespace hv::tk

// The handheld's window-system vocabulary on Qt: handles, message numbers, styles, drawing flags
// and the small records the toolkit passes around.
#pragma once

#include <cstdint>
#include <string>

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

constexpr LPARAM MAKELPARAM(int lo, int hi) {
    return static_cast<LPARAM>((static_cast<uint32_t>(lo) & 0xffff) |
                               ((static_cast<uint32_t>(hi) & 0xffff) << 16));
}
constexpr int LOWORD(uintptr_t v) {
    return static_cast<int>(v & 0xffff);
}
constexpr int HIWORD(uintptr_t v) {
    return static_cast<int>((v >> 16) & 0xffff);
}
// Signed coordinates out of a mouse message's lParam.
constexpr int GET_X_LPARAM(LPARAM v) {
    return static_cast<int16_t>(v & 0xffff);
}
constexpr int GET_Y_LPARAM(LPARAM v) {
    return static_cast<int16_t>((v >> 16) & 0xffff);
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

// Messages.
enum : UINT {
    WM_NULL = 0x0000,
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_ENABLE = 0x000A,
    WM_SETTEXT = 0x000C,
    WM_GETTEXT = 0x000D,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_ERASEBKGND = 0x0014,
    WM_SHOWWINDOW = 0x0018,
    WM_CANCELMODE = 0x001F,
    WM_GETMINMAXINFO = 0x0024,
    WM_DRAWITEM = 0x002B,
    WM_NOTIFY = 0x004E,
    WM_NCCREATE = 0x0081,
    WM_NCDESTROY = 0x0082,
    WM_NCCALCSIZE = 0x0083,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_COMMAND = 0x0111,
    WM_TIMER = 0x0113,
    WM_VSCROLL = 0x0115,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_MOUSEWHEEL = 0x020A, // high word of wParam: the signed turn, 120 per notch
    WM_USER = 0x0400,
};

// Virtual keys of WM_KEYDOWN beside the ASCII ones.
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

// Activation states (low word of WM_ACTIVATE's wParam).
enum : int { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };

// Scroll-bar requests (low word of WM_VSCROLL's wParam).
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
    WS_OVERLAPPED = 0x00000000,
    WS_POPUP = 0x80000000,
    WS_CHILD = 0x40000000,
    WS_VISIBLE = 0x10000000,
    WS_DISABLED = 0x08000000,
    WS_CAPTION = 0x00C00000,
    WS_BORDER = 0x00800000,
    WS_VSCROLL = 0x00200000,
    WS_TABSTOP = 0x00010000,
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
// List-view notification: the selected item changed.
enum : int { LVN_ITEMCHANGED = -101 };
// The shell's tap-and-hold notification.
enum : int { NM_TAPHOLD = 1000 };

struct NMHDR {
    HWND hwndFrom = nullptr;
    uintptr_t idFrom = 0;
    int code = 0;
};

struct NMDATETIMEKEY {
    NMHDR hdr;
    char16_t key = 0; // the character typed
};

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// The record a window class is registered from.
struct WNDCLASS {
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    HINSTANCE hInstance = nullptr;
    void* hIcon = nullptr;
    void* hCursor = nullptr;
    bool whiteBackground = true; // the stock white brush; false = no background erase
    std::u16string lpszMenuName;
    std::u16string lpszClassName;
};

// The creation block handed to WM_CREATE: its first word is the object being created.
struct CREATESTRUCT {
    void* lpCreateParams = nullptr;
    HINSTANCE hInstance = nullptr;
    void* hMenu = nullptr;
    HWND hwndParent = nullptr;
    int cy = 0;
    int cx = 0;
    int y = 0;
    int x = 0;
    uint32_t style = 0;
    std::u16string lpszName;
    std::u16string lpszClass;
    uint32_t dwExStyle = 0;
};

} // namespace hv::tk

// The program's window base class and the small window system it stands on: window classes
// registered once, one shared window procedure that binds each window to its object, messages
// delivered synchronously (send) or through the event queue (post), and the window operations the
// views and controls use. Every window is a Qt widget; its pixels live in a backing bitmap that
// keeps what was drawn, as the handheld's screen does, so drawing outside a paint message stays.
#pragma once

#include "toolkit/window/dc.h"
#include "toolkit/window/winapi.h"

#include <string>

namespace hv::tk {

class SWindow {
public:
    SWindow() = default;
    SWindow(const SWindow&) = delete;
    SWindow& operator=(const SWindow&) = delete;

    // The nine operations, in their slot order.
    virtual void Paint(HDC hdc);                                           // 0
    virtual void OnLButtonDown(POINT pt);                                  // 1
    virtual void OnLButtonUp(POINT pt);                                    // 2
    virtual void OnMouseMove(POINT pt);                                    // 3
    virtual void FillWindowClass(WNDCLASS& wc);                            // 4
    virtual LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp); // 5
    virtual ~SWindow();                                                    // 6
    virtual int Create(uint32_t exStyle, const std::u16string& className,
                       const std::u16string& windowName, uint32_t style, int x, int y, int width,
                       int height, HWND parent, uintptr_t menuOrId, HINSTANCE instance); // 7
    virtual int RunMessageLoop();                                                        // 8

    HWND hwnd() const { return hWnd_; }

protected:
    HWND hWnd_ = nullptr;

private:
    friend LRESULT SharedWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend bool DestroyWindow(HWND);
};

// The window procedure every class registered through Create uses.
LRESULT SharedWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Window classes.
bool GetClassInfo(HINSTANCE instance, const std::u16string& className, WNDCLASS* out);
bool RegisterClass(const WNDCLASS& wc);
bool UnregisterClass(const std::u16string& className);
// How many times a class name was registered in this process (tests).
int ClassRegistrationCount(const std::u16string& className);

// Windows.
HWND CreateWindowEx(uint32_t exStyle, const std::u16string& className,
                    const std::u16string& windowName, uint32_t style, int x, int y, int width,
                    int height, HWND parent, uintptr_t menuOrId, HINSTANCE instance, void* param);
bool DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd);
bool IsWindowVisible(HWND hwnd);
HWND GetParent(HWND hwnd);
uintptr_t GetDlgCtrlID(HWND hwnd);
// The object bound to a window, or nullptr.
SWindow* WindowObject(HWND hwnd);

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0);
bool PostMessage(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0);
void PostQuitMessage(int code);

enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5 };
bool ShowWindow(HWND hwnd, int cmd);
bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint = true);
bool EnableWindow(HWND hwnd, bool enable);
bool IsWindowEnabled(HWND hwnd);
void BringWindowToTop(HWND hwnd);
HWND SetFocus(HWND hwnd);

bool SetWindowText(HWND hwnd, const std::u16string& text);
std::u16string GetWindowText(HWND hwnd);

// Client rectangle (0, 0, width, height) and the window rectangle in screen coordinates, the
// screen being the top-level window the window lives in (the handheld's 480 x 640 display).
RECT GetClientRect(HWND hwnd);
RECT GetWindowRect(HWND hwnd);
POINT ClientToScreen(HWND hwnd, POINT p);
POINT ScreenToClient(HWND hwnd, POINT p);

// Painting. A null rectangle means the whole client area.
bool InvalidateRect(HWND hwnd, const RECT* rect, bool erase);
bool UpdateWindow(HWND hwnd);
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
struct PAINTSTRUCT {
    HDC hdc = nullptr;
    bool fErase = false;
    RECT rcPaint;
};
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
bool EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
// The window's pixels as drawn so far (its backing bitmap, without child windows).
QImage WindowPixels(HWND hwnd);

// Timers: WM_TIMER with the id in wParam every `ms` milliseconds.
bool SetTimer(HWND hwnd, uintptr_t id, unsigned ms);
bool KillTimer(HWND hwnd, uintptr_t id);

// The vertical scroll bar of a window created with WS_VSCROLL.
struct SCROLLINFO {
    int nMin = 0;
    int nMax = 0;
    int nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};
bool SetScrollInfo(HWND hwnd, const SCROLLINFO& si, bool redraw = true);
bool GetScrollInfo(HWND hwnd, SCROLLINFO* si);
int SetScrollPos(HWND hwnd, int pos, bool redraw = true);

// Width of the vertical scroll bar.
inline constexpr int kScrollBarWidth = 24;

} // namespace hv::tk

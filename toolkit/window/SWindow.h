// The program's window base class: a Qt widget that keeps its pixels in a canvas, as the
// handheld's screen does, so that what a window drew stays until it draws again. A window draws
// into the canvas in Paint (for the parts marked invalid) or through a device context between
// paints (a tick that changes a few digits); paintEvent copies the canvas to the screen, running
// Paint first for whatever was marked invalid. Taps, keys, the wheel, focus and the scroll bar
// arrive as the virtual calls below. Between a control and its owner the handheld's message
// protocol stays where it is the clearest form: WM_COMMAND, WM_NOTIFY, WM_DRAWITEM and private
// WM_USER messages reach WindowProc through SendMessage.
#pragma once

#include "toolkit/window/dc.h"
#include "toolkit/window/winapi.h"

#include <QAccessible>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <string>
#include <vector>

class QScrollBar;

namespace hv::tk {

// The vertical scroll bar of a window created with WS_VSCROLL.
struct SCROLLINFO {
    int nMin = 0;
    int nMax = 0;
    int nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

// A part of a window that the window draws itself and that has no window of its own (a list's
// row, the status bar): its role, name and value, where it stands in the window's coordinates
// (an empty rectangle: not on the screen) and whether it is the selected (a check box: checked)
// one.
struct AccessiblePart {
    QAccessible::Role role = QAccessible::StaticText;
    QString name;
    QString value;
    QRect rect;
    bool selected = false;
};

// What a screen reader is told of a window that draws itself: its role, its name (what it is
// for), its value (what it shows: a list's choice, a picker's time) and a longer description;
// whether it is open (a drop list's pop-up), and the parts it draws itself, told as its children
// after its child windows.
struct Accessible {
    QAccessible::Role role = QAccessible::Client;
    QString name;
    QString value;
    QString description;
    bool expanded = false;
    std::vector<AccessiblePart> parts;
};

class SWindow : public QWidget {
public:
    SWindow();
    ~SWindow() override;
    SWindow(const SWindow&) = delete;
    SWindow& operator=(const SWindow&) = delete;

    // Puts the window on the screen under a parent, with the handheld's styles: WS_CHILD inside
    // the parent, WS_POPUP over the parent's screen (a window of its own over a dialog), else a
    // top-level window (framed with WS_CAPTION). The class name names the widget for tests and
    // tools. A window destroyed with DestroyWindow may be created again.
    int Create(uint32_t exStyle, const std::u16string& className, const std::u16string& windowName,
               uint32_t style, int x, int y, int width, int height, HWND parent, uintptr_t menuOrId,
               HINSTANCE instance);

    // The window while it is created, else nullptr.
    HWND hwnd() const { return created_ ? const_cast<SWindow*>(this) : nullptr; }

    // Draws the invalid part of the canvas (the context is clipped to it).
    virtual void Paint(HDC hdc);
    // The stylus, in client coordinates.
    virtual void OnLButtonDown(POINT pt);
    virtual void OnLButtonUp(POINT pt);
    virtual void OnMouseMove(POINT pt);
    // A key (VK_ codes and ASCII); false passes it on to the parent.
    virtual bool OnKeyDown(int key);
    // The wheel: the signed turn, WHEEL_DELTA a notch; false passes it on.
    virtual bool OnWheel(int turn);
    // The vertical scroll bar of a WS_VSCROLL window: an SB_ request and the thumb's position.
    virtual void OnVScroll(int request, int position);
    // A pop-up hears that the user tapped outside it.
    virtual void OnDeactivate();
    // The window is being destroyed; its children still exist.
    virtual void OnDestroy();
    // The role, name and value told to assistive technology (the default: a client area named
    // by its window text).
    virtual Accessible accessibility() const;
    // The owner protocol: WM_COMMAND, WM_NOTIFY, WM_DRAWITEM and WM_USER messages.
    virtual LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    // What the window has drawn so far (the canvas, without child windows), after running any
    // pending paint.
    QImage pixels();
    uintptr_t controlId() const { return id_; }
    HWND ownerWindow() const { return ownerParent_; }
    bool isPopupWindow() const { return popup_; }
    bool hasVScroll() const { return vbar_ != nullptr; }

protected:
    void paintEvent(QPaintEvent* ev) override;
    void resizeEvent(QResizeEvent* ev) override;
    void mousePressEvent(QMouseEvent* ev) override;
    void mouseReleaseEvent(QMouseEvent* ev) override;
    void mouseMoveEvent(QMouseEvent* ev) override;
    void keyPressEvent(QKeyEvent* ev) override;
    void wheelEvent(QWheelEvent* ev) override;
    // The focus mark shows while the keyboard (Tab, Shift+Tab, a shortcut) put the focus here; a
    // tap takes it away, other reasons (a window coming back to the front) keep it as it was.
    void focusInEvent(QFocusEvent* ev) override;
    void focusOutEvent(QFocusEvent* ev) override;
    bool showsFocusMark() const { return keyboardFocus_ && hasFocus(); }

private:
    friend bool DestroyWindow(HWND);
    friend bool InvalidateRect(HWND, const RECT*, bool);
    friend bool SetScrollInfo(HWND, const SCROLLINFO&, bool);
    friend bool GetScrollInfo(HWND, SCROLLINFO*);
    friend int SetScrollPos(HWND, int, bool);
    friend HDC GetDC(HWND);

    int clientWidth() const;
    void ensureCanvas();
    void paintPending();
    void tearDown();

    bool created_ = false;
    uint32_t style_ = 0;
    uintptr_t id_ = 0;
    bool popup_ = false;
    HWND ownerParent_ = nullptr; // the parent named at creation (pop-ups live elsewhere)
    QImage canvas_;
    QRegion invalid_;
    bool eraseFirst_ = false;
    QPainter* activePainter_ = nullptr;
    QScrollBar* vbar_ = nullptr;
    int trackPos_ = 0;
    bool keyboardFocus_ = false;
};

// Windows.
bool DestroyWindow(HWND hwnd);
// A created SWindow (false for nullptr, a destroyed one or another widget).
bool IsWindow(HWND hwnd);
bool IsWindowVisible(HWND hwnd);
HWND GetParent(HWND hwnd);
uintptr_t GetDlgCtrlID(HWND hwnd);
// The created window behind a handle, or nullptr.
SWindow* WindowObject(HWND hwnd);

// The owner protocol: a message to a window's WindowProc, now or after the current event.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0);
bool PostMessage(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0);

enum : int { SW_HIDE = 0, SW_SHOW = 5 };
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

// Marks part of the canvas (nullptr: all of it) for the next Paint; erase fills it white first.
bool InvalidateRect(HWND hwnd, const RECT* rect, bool erase);
// Runs a pending paint now.
bool UpdateWindow(HWND hwnd);
// A context on the window's canvas between paints; ReleaseDC puts what it changed on the screen.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
// The window's pixels as drawn so far (its canvas, without child windows).
QImage WindowPixels(HWND hwnd);

// The vertical scroll bar of a window created with WS_VSCROLL.
bool SetScrollInfo(HWND hwnd, const SCROLLINFO& si, bool redraw = true);
bool GetScrollInfo(HWND hwnd, SCROLLINFO* si);
int SetScrollPos(HWND hwnd, int pos, bool redraw = true);

// Width of the vertical scroll bar.
inline constexpr int kScrollBarWidth = 24;

} // namespace hv::tk

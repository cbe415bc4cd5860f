// Working the program without a mouse: Tab and Shift+Tab move through a window's controls in
// reading order (top to bottom, left to right), whatever order they were made in, skipping the
// ones hidden under a window drawn over them; the focus mark an own-drawn control shows while the
// keyboard put the focus on it.
#pragma once

#include "toolkit/window/winapi.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <vector>

class QPainter;

namespace hv::tk {

// Watches the application's Tab keys (once; every SWindow asks for it).
void InstallKeyboardNavigation();

// The controls of a window that Tab reaches, in reading order: visible, enabled, taking Tab
// focus, and not covered by another window at their middle.
std::vector<QWidget*> TabChain(QWidget* window);

// Moves the focus from the focused control of `window` to the next (or previous) one of its
// chain, wrapping. False when the window has no control to move to.
bool MoveFocus(QWidget* window, bool next);

// The keys of an open dialog: Escape cancels, Enter confirms. True when the key was one of them.
template <class Confirm, class Cancel> bool DialogKey(int key, Confirm confirm, Cancel cancel) {
    if (key == VK_ESCAPE)
        cancel();
    else if (key == VK_RETURN)
        confirm();
    else
        return false;
    return true;
}

// The focus mark: a dotted 1-pixel rectangle just inside r, in the handheld's blue.
void DrawFocusMark(QPainter& p, const QRect& r);

// A window that opens over others (a settings window, Preferences, a form) takes the keyboard
// focus itself, so that Escape and Enter reach it at once and Tab starts at its first control;
// when it closes the focus goes back to where it was.
class FocusReturn {
public:
    void take(QWidget* window);
    void giveBack();

private:
    QPointer<QWidget> was_;
    QPointer<QWidget> window_;
};

} // namespace hv::tk

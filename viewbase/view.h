// The one interface every view of the main window implements. A view is built once at start-up
// with the view context, lives until the program ends, and is drawn in two ways: a full paint
// when the main window is painted, and a tick paint at every new second (and at every 100 ms tick
// while the Stopwatch view shows a running stopwatch) that redraws what changed. Both draw through
// the toolkit's device context into the main window's client area.
//
// Coordinates are logical pixels of the 480 x 640 client area; rectangles are the toolkit's RECT
// (left, top, right, bottom) with the right and bottom edges outside the rectangle, so
// (20, 350, 200, 380) is 180 x 30 pixels from (20, 350).
#pragma once

#include "device/systime.h"
#include "toolkit/window/dc.h"
#include "viewbase/viewcontext.h"

#include <algorithm>
#include <functional>
#include <memory>

namespace hv::view {

// The client area and the part of it between the title strip and the status bar.
inline constexpr RECT kClientRect{0, 0, 480, 640};
inline constexpr RECT kViewArea{0, 44, 480, 490};

// The handheld's screen, which a watch skin takes whole; on a larger screen the skin is scaled to
// fit with its proportions, centred.
inline constexpr int kSkinWidth = 480;
inline constexpr int kSkinHeight = 640;
struct ScreenFit {
    double scale = 1;
    double dx = 0, dy = 0;
};
inline ScreenFit FitSkin(int width, int height) {
    ScreenFit f;
    f.scale = std::min(width / double(kSkinWidth), height / double(kSkinHeight));
    if (f.scale <= 0)
        f.scale = 1;
    f.dx = (width - kSkinWidth * f.scale) / 2;
    f.dy = (height - kSkinHeight * f.scale) / 2;
    return f;
}

// The rules that part a view's sections: blue bars above and below its inputs, grey lines between
// its groups.
inline constexpr tk::COLORREF kBlueRule = tk::RGB(128, 128, 224);
inline constexpr tk::COLORREF kGreyRule = tk::RGB(192, 192, 192);
struct SectionRules {
    RECT upperBlue, lowerBlue, upperGrey, lowerGrey;
};
inline void DrawSectionRules(tk::DC& dc, const SectionRules& rules) {
    dc.FillRect(rules.upperBlue, kBlueRule);
    dc.FillRect(rules.lowerBlue, kBlueRule);
    dc.FillRect(rules.upperGrey, kGreyRule);
    dc.FillRect(rules.lowerGrey, kGreyRule);
}

class View {
public:
    View(ViewContext& ctx, int number) : ctx_(ctx), number_(number) {}
    virtual ~View() = default;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    int number() const { return number_; }

    // The view becomes the shown one: create or show its child windows (parent
    // ctx.mainWindow). hide() takes them off the screen.
    virtual void show() {}
    virtual void hide() {}
    // The same view chosen again, or a list it shows changed: refresh the child windows.
    virtual void resync() {}

    // Full paint: everything the view draws itself.
    virtual void paint(tk::DC& dc) = 0;
    // Tick paint with the local time the main window read for this tick: redraw what changed.
    virtual void tick(tk::DC& dc, const dev::SystemTime& now) {
        (void)dc;
        (void)now;
    }
    // A watch skin fills the whole screen: no title strip, status bar or menu bar.
    virtual bool fullScreen() const { return false; }

    // Stylus on the main window while the view is shown (logical coordinates). True when the
    // view used the tap.
    virtual bool stylusDown(POINT p) {
        (void)p;
        return false;
    }
    virtual bool stylusUp(POINT p) {
        (void)p;
        return false;
    }
    // A private message that a child control sent to the main window while the view is shown
    // (a changed list, picker or selection). True when the view handled it.
    virtual bool notify(UINT msg, WPARAM wp, LPARAM lp) {
        (void)msg;
        (void)wp;
        (void)lp;
        return false;
    }

    // The remembered sub-state (alarm page, selected timer, City Time or Time Calc item).
    virtual int subState() const { return 0; }
    virtual void setSubState(int sub) { (void)sub; }
    // At exit: what the view remembers goes back into the settings record (its cities, its
    // sort order and unit).
    virtual void storeExitState(SettingsRecord& s) const { (void)s; }

protected:
    ViewContext& ctx_;

private:
    int number_;
};

// Builds the view with a number (0..15); the program's registry names the sixteen classes and
// tests give their own.
using ViewFactory = std::function<std::unique_ptr<View>(int number, ViewContext& ctx)>;

} // namespace hv::view

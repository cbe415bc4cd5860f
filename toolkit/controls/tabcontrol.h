// A strip of numbered page tabs (the alarm, timer and time calculator pages).
#pragma once

#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

namespace hv::tk {

class SPTabControl : public SWindow, public SDrawBasic {
public:
    SPTabControl();
    ~SPTabControl() override;
    void Paint(HDC hdc) override;
    void OnLButtonDown(POINT pt) override;
    void OnLButtonUp(POINT pt) override;
    // Left and Right (Home and End) choose the previous and next (first and last) tab.
    bool OnKeyDown(int key) override;
    // A page tab list with the number of the shown page as its value and the tabs as its
    // children.
    Accessible accessibility() const override;

    // Creates the strip at (x, y), tabCount x 60 by 32, topmost over the owner's other children.
    // When it exists it is only shown, and only when `selected` is its own tab (else 0).
    int CreateOrShow(HWND owner, int x, int y, int tabCount, int selected);

    int tabCount() const { return tabCount_; }
    int selected() const { return selected_; }
    bool changed() const { return changed_; }
    void setChanged(bool on) { changed_ = on; }

private:
    int tabCount_ = 0;
    int selected_ = 0;
    bool changed_ = false;
    bool pressed_ = false;
    Picture selectedPicture_, normalPicture_;
};

} // namespace hv::tk

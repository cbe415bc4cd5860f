#include "toolkit/controls/tabcontrol.h"

#include "toolkit/controls/controlrules.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/window/accessible.h"

#include <string>

namespace hv::tk {

SPTabControl::SPTabControl() {
    const PictureTable& t = res().table;
    selectedPicture_ = Picture(t.image(0), t.regions[kRegionWideSelected].rect,
                               {0, 0, kTabWidth, kTabHeight}, true);
    normalPicture_ =
        Picture(t.image(0), t.regions[kRegionWideNormal].rect, {0, 0, kTabWidth, kTabHeight}, true);
}

SPTabControl::~SPTabControl() {
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

int SPTabControl::CreateOrShow(HWND owner, int x, int y, int tabCount, int selected) {
    if (IsWindow(hwnd())) {
        if (selected != selected_)
            return 0;
        ShowWindow(hwnd(), SW_SHOW);
        BringWindowToTop(hwnd());
        return 1;
    }
    tabCount_ = tabCount > 0 ? tabCount : 0;
    selected_ = selected;
    if (!Create(WS_EX_TOPMOST, u"myTabWindow", u"", WS_CHILD | WS_VISIBLE, x, y,
                tabCount_ * kTabWidth, kTabHeight, owner, 0, nullptr))
        return 0;
    setFocusPolicy(Qt::StrongFocus);
    BringWindowToTop(hwnd());
    return 1;
}

void SPTabControl::Paint(HDC hdc) {
    hdc->SelectFont(SDraw::font(kFontTextBold));
    hdc->SetBkMode(TRANSPARENT);
    hdc->SetTextColor(colour(kColourText));
    for (int i = 0; i < tabCount_; ++i) {
        Picture& p = i == selected_ ? selectedPicture_ : normalPicture_;
        p.DrawAt(*hdc, i * kTabWidth, 0);
        std::u16string n;
        for (char c : std::to_string(i + 1))
            n += static_cast<char16_t>(c);
        hdc->DrawText(n, RECT{i * kTabWidth + 1, 1, i * kTabWidth + kTabWidth, kTabHeight},
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void SPTabControl::OnLButtonDown(POINT pt) {
    const int i = TabAt(pt, tabCount_);
    pressed_ = i >= 0;
    if (i < 0)
        return;
    selected_ = i;
    InvalidateRect(hwnd(), nullptr, true);
}

bool SPTabControl::OnKeyDown(int key) {
    int next = selected_;
    switch (key) {
    case VK_LEFT:
        next = selected_ - 1;
        break;
    case VK_RIGHT:
        next = selected_ + 1;
        break;
    case VK_HOME:
        next = 0;
        break;
    case VK_END:
        next = tabCount_ - 1;
        break;
    default:
        return false;
    }
    if (next < 0 || next >= tabCount_ || next == selected_)
        return true;
    // As a tap on the tab.
    selected_ = next;
    InvalidateRect(hwnd(), nullptr, true);
    changed_ = true;
    SendMessage(GetParent(hwnd()), kMsgChanged, 0, reinterpret_cast<LPARAM>(hwnd()));
    return true;
}

void SPTabControl::OnLButtonUp(POINT) {
    // A tap beside the tabs changes nothing and tells nobody.
    if (!pressed_)
        return;
    pressed_ = false;
    changed_ = true;
    AccessibleValueChanged(hwnd());
    SendMessage(GetParent(hwnd()), kMsgChanged, 0, reinterpret_cast<LPARAM>(hwnd()));
}

// ---- Accessibility ---------------------------------------------------------------------------

Accessible SPTabControl::accessibility() const {
    Accessible a;
    a.role = QAccessible::PageTabList;
    a.name = windowTitle();
    for (int i = 0; i < tabCount_; ++i) {
        AccessiblePart tab;
        tab.role = QAccessible::PageTab;
        tab.name = QString::number(i + 1);
        tab.rect = QRect(i * kTabWidth, 0, kTabWidth, kTabHeight);
        tab.selected = i == selected_;
        a.parts.push_back(std::move(tab));
    }
    a.value = QString::number(selected_ + 1);
    return a;
}

} // namespace hv::tk

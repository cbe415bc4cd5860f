#include "items/ui/commandpanel.h"

#include "toolkit/platform/platform.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/accessible.h"

#include <QAbstractButton>

#include <algorithm>
#include <climits>

namespace hv::itemsui {

using namespace hv::tk;

CommandPanel::CommandPanel(HWND parent, const std::vector<PanelButton>& buttons,
                           std::function<void(int)> onCommand)
    : onCommand_(std::move(onCommand)) {
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (const PanelButton& b : buttons) {
        box.left = std::min(box.left, b.rect.left);
        box.top = std::min(box.top, b.rect.top);
        box.right = std::max(box.right, b.rect.right);
        box.bottom = std::max(box.bottom, b.rect.bottom);
    }
    if (buttons.empty() || !Create(0, u"CommandPanel", u"", WS_CHILD | WS_VISIBLE, box.left,
                                   box.top, box.width(), box.height(), parent, 0, nullptr))
        return;
    for (const PanelButton& b : buttons) {
        const RECT r{b.rect.left - box.left, b.rect.top - box.top, b.rect.right - box.left,
                     b.rect.bottom - box.top};
        HWND h = CreatePushButton(hwnd(), static_cast<uintptr_t>(b.id), b.text, r);
        if (h && SDraw::font(kFontText))
            h->setFont(*SDraw::font(kFontText));
        buttons_.emplace_back(b.id, h);
    }
}

CommandPanel::~CommandPanel() {
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

LRESULT CommandPanel::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        if (onCommand_)
            onCommand_(LOWORD(wp));
        return 0;
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

HWND CommandPanel::button(int id) const {
    for (const auto& [bid, h] : buttons_)
        if (bid == id)
            return h;
    return nullptr;
}

void CommandPanel::enable(int id, bool on) {
    if (HWND h = button(id))
        EnableWindow(h, on);
}

bool CommandPanel::enabled(int id) const {
    HWND h = button(id);
    return h && IsWindowEnabled(h);
}

void CommandPanel::setText(int id, const std::u16string& text) {
    if (HWND h = button(id))
        SetWindowText(h, text);
}

std::u16string CommandPanel::text(int id) const {
    HWND h = button(id);
    return h ? GetWindowText(h) : std::u16string();
}

void CommandPanel::press(int id) {
    if (auto* b = dynamic_cast<QAbstractButton*>(button(id)); b && b->isEnabled())
        b->click();
}

// ---- Accessibility ---------------------------------------------------------------------------

tk::Accessible CommandPanel::accessibility() const {
    tk::Accessible a;
    a.role = QAccessible::Grouping;
    QStringList names;
    for (const auto& [id, h] : buttons_)
        names << tk::LabelName(text(id));
    a.name = names.join(QStringLiteral(", "));
    return a;
}

} // namespace hv::itemsui

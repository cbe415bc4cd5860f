#include "items/ui/notewindow.h"

#include "toolkit/platform/platform.h"

namespace hv::itemsui {

using namespace hv::tk;
using namespace notelayout;

NoteWindow::NoteWindow(HWND parent, items::Events& events, items::EventRecord& working,
                       std::function<void()> onClose)
    : events_(events), working_(working), onClose_(std::move(onClose)) {
    const RECT area = GetClientRect(parent);
    if (!Create(0, u"NoteWindow", u"Note", WS_CHILD | WS_VISIBLE, 0, 0, area.width(), area.height(),
                parent, 0, nullptr))
        return;
    edit_ = CreateEdit(hwnd(), kIdEdit, items::Events::loadNote(working.noteNumber), kEdit, true);
    if (edit_ && SDraw::font(kFontText))
        edit_->setFont(*SDraw::font(kFontText));
    buttons_ = std::make_unique<CommandPanel>(
        hwnd(),
        std::vector<PanelButton>{{kIdOk, u"OK", kOkButton}, {kIdClear, u"Clear", kClearButton}},
        [this](int id) {
            if (id == kIdOk)
                ok();
            else if (id == kIdClear)
                clear();
        });
    BringWindowToTop(hwnd());
    if (edit_)
        SetFocus(edit_);
}

NoteWindow::~NoteWindow() {
    buttons_.reset();
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

void NoteWindow::Paint(HDC hdc) {
    hdc->FillRect(GetClientRect(hwnd()), colour(kColourWhite));
    hdc->SelectFont(SDraw::font(kFontTitle));
    hdc->SetBkMode(TRANSPARENT);
    hdc->SetTextColor(colour(kColourBlue));
    hdc->DrawText(u"Note", kTitle, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    hdc->FillRect(kBlackBar, colour(kColourBlack));
}

bool NoteWindow::OnKeyDown(int key) {
    if (key != VK_ESCAPE && key != VK_RETURN)
        return false;
    ok();
    return true;
}

std::u16string NoteWindow::text() const {
    return edit_ ? GetWindowText(edit_) : std::u16string();
}

void NoteWindow::setText(const std::u16string& text) {
    if (edit_)
        SetWindowText(edit_, text);
}

void NoteWindow::clear() {
    setText({});
}

void NoteWindow::ok() {
    // A failed write is reported by the note store; the window closes either way and the event
    // keeps the note it had.
    events_.saveNote(working_, text());
    ShowWindow(hwnd(), SW_HIDE);
    if (onClose_)
        onClose_();
}

} // namespace hv::itemsui

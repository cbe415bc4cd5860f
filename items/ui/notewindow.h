// The "Note" window of an event: a multi-line edit over the event window, "Clear" empties it and
// OK saves the text to the event's note file (numbered on first use) in the event window's working
// record. It reaches data\events.dat with the event window's OK.
#pragma once

#include "items/events.h"
#include "items/ui/commandpanel.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

#include <functional>
#include <memory>

namespace hv::itemsui {

namespace notelayout {
inline constexpr int kIdEdit = 1053;
inline constexpr int kIdOk = 1;
inline constexpr int kIdClear = 2;
inline constexpr tk::RECT kTitle{14, 12, 240, 40};
inline constexpr tk::RECT kBlackBar{0, 50, 480, 55};
inline constexpr tk::RECT kEdit{10, 64, 470, 466};
inline constexpr tk::RECT kOkButton{16, 482, 156, 516};
inline constexpr tk::RECT kClearButton{170, 482, 310, 516};
} // namespace notelayout

class NoteWindow : public tk::SWindow, public tk::SDrawBasic {
public:
    // Covers `parent` (the event window); `working` is the event window's record.
    NoteWindow(tk::HWND parent, items::Events& events, items::EventRecord& working,
               std::function<void()> onClose);
    ~NoteWindow() override;
    void Paint(tk::HDC hdc) override;
    // Escape, and Enter outside the edit (where it starts a new line), close the note as OK does:
    // neither reaches the event window behind it.
    bool OnKeyDown(int key) override;

    tk::HWND edit() const { return edit_; }
    CommandPanel* buttons() const { return buttons_.get(); }
    std::u16string text() const;
    void setText(const std::u16string& text);
    void clear();
    // OK: saves the note into the working record and closes.
    void ok();

private:
    items::Events& events_;
    items::EventRecord& working_;
    std::function<void()> onClose_;
    tk::HWND edit_ = nullptr;
    std::unique_ptr<CommandPanel> buttons_;
};

} // namespace hv::itemsui

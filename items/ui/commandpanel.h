// A child window that holds a row of push buttons (a button dialog of the item views) and hands
// each press to its owner by command id.
#pragma once

#include "toolkit/window/SWindow.h"

#include <functional>
#include <string>
#include <vector>

namespace hv::itemsui {

struct PanelButton {
    int id = 0;
    std::u16string text;
    tk::RECT rect; // in the parent's coordinates
};

class CommandPanel : public tk::SWindow {
public:
    // The panel spans the buttons' bounding rectangle inside `parent`.
    CommandPanel(tk::HWND parent, const std::vector<PanelButton>& buttons,
                 std::function<void(int id)> onCommand);
    ~CommandPanel() override;
    tk::LRESULT WindowProc(tk::HWND hwnd, tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;
    // A group named by its buttons' texts.
    tk::Accessible accessibility() const override;

    tk::HWND button(int id) const;
    void enable(int id, bool on);
    bool enabled(int id) const;
    void setText(int id, const std::u16string& text);
    std::u16string text(int id) const;
    // Presses a button as a tap does (tests, keyboard).
    void press(int id);

private:
    std::vector<std::pair<int, tk::HWND>> buttons_;
    std::function<void(int)> onCommand_;
};

} // namespace hv::itemsui

// The Timers view (view 4): the window "TimersDlg" below the title strip with the list of the four
// timers, the selected timer's note and remaining time in the large digits, its buttons ("Start",
// "Reset" and "Set..." while stopped, "Stop" while running), the TimersItem strip of four timer
// buttons and "Stop && Reset All...". Every change goes through the timers core; a timer the
// reminder ended shows its initial value again at the next tick.
#pragma once

#include "items/timers.h"
#include "items/ui/timerssetdlg.h"
#include "toolkit/controls/droplist.h"
#include "viewbase/view.h"

#include <QImage>

#include <array>
#include <functional>
#include <memory>

namespace hv::itemsui {

enum : int {
    kIdTimerList = 1010,
    kIdStart = 1024,
    kIdTimerReset = 1025,
    kIdSet = 1026,
    kIdStop = 1027,
    kIdStopResetAll = 1028,
};

// Positions on the client area; the view's window starts at y 44 and everything is placed there
// through windowRect().
namespace timerslayout {
inline constexpr RECT kWindow{0, 44, 480, 490};
inline constexpr RECT kTimerList{50, 48, 150, 76};
inline constexpr int kSeparators[] = {82, 312, 424};
inline constexpr int kSeparatorHeight = 2;
inline constexpr tk::COLORREF kSeparatorColour = view::kGreyRule;
inline constexpr RECT kNote{50, 90, 460, 118};
inline constexpr tk::POINT kRemainingAt{16, 130};
inline constexpr int kRemainingWidth = 448;
inline constexpr int kRemainingHeight = 100;
inline constexpr RECT kStartButton{16, 248, 156, 296};
inline constexpr RECT kResetButton{170, 248, 310, 296};
inline constexpr RECT kSetButton{324, 248, 464, 296};
inline constexpr RECT kStopButton{170, 248, 310, 296};
inline constexpr RECT kStrip{0, 316, 480, 422};
inline constexpr RECT kStopResetAllButton{110, 434, 370, 478};
} // namespace timerslayout

// The strip of four timer buttons: Timer 1 above Timer 2 on the left, Timer 3 above Timer 4 on the
// right. Each shows the timer's remaining time; a running timer's button carries the "running"
// mark; the selected one is drawn pressed. A tap selects that timer.
class TimersItem : public tk::SWindow, public tk::SDrawBasic {
public:
    // Buttons in the strip's coordinates.
    static constexpr RECT kButtons[items::kTimerCount] = {
        {2, 2, 240, 52}, {2, 54, 240, 104}, {242, 2, 478, 52}, {242, 54, 478, 104}};
    static constexpr tk::COLORREF kFace = tk::RGB(232, 236, 248);
    static constexpr tk::COLORREF kBorder = tk::RGB(160, 168, 200);

    TimersItem(HWND owner, const RECT& r, const items::Timers& timers);
    ~TimersItem() override;
    // A list of the four timers with their remaining times, the selected one marked.
    tk::Accessible accessibility() const override;
    void Paint(tk::HDC hdc) override;
    void OnLButtonDown(POINT pt) override;
    // The arrows select the button above, below or beside the selected one.
    bool OnKeyDown(int key) override;
    std::function<void(int)> onSelect;
    // The button under a point of the strip, or -1.
    static int buttonAt(POINT pt);

private:
    void paintButton(tk::DC& dc, int i);
    void paintRunningMark(tk::DC& dc, const RECT& button);
    const items::Timers& timers_;
};

class MTimers : public view::View, public tk::SWindow, public tk::SDrawBasic {
public:
    MTimers(view::ViewContext& ctx, int number);
    ~MTimers() override;

    void show() override;
    void hide() override;
    void paint(tk::DC& dc) override;
    // Redraws the remaining time and follows what changed in the table (a timer ended by the
    // reminder, a stop from elsewhere).
    void tick(tk::DC& dc, const dev::SystemTime& now) override;
    int subState() const override { return ctx_.timers.selected; }
    void setSubState(int sub) override;

    void Paint(tk::HDC hdc) override;
    tk::LRESULT WindowProc(tk::HWND hwnd, tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;
    tk::Accessible accessibility() const override;

    int selected() const { return ctx_.timers.selected; }
    void select(int timer);
    // The controls (null before the view was first shown), for tests.
    tk::DropList* timerList() const { return list_.get(); }
    tk::HWND button(int id) const;
    TimersItem* strip() const { return strip_.get(); }
    TimersSetDlg* settingsWindow() const { return dialog_.get(); }
    // The remaining time text of the last paint.
    const std::u16string& remainingShown() const { return remainingShown_; }
    // A rectangle of the client area in the window's coordinates.
    static RECT windowRect(const RECT& client);

private:
    void createControls();
    void syncButtons();
    void syncAll();
    bool tableChanged() const;
    void paintSeparators(tk::DC& dc);
    void paintNote(tk::DC& dc);
    void paintRemaining(tk::DC& dc);
    // Composes the remaining time off screen; false when the text is the one already composed
    // (unless `always`).
    bool composeRemaining(bool always = false);
    void command(int id);

    std::unique_ptr<tk::DropList> list_;
    std::unique_ptr<TimersItem> strip_;
    std::unique_ptr<TimersSetDlg> dialog_;
    tk::HWND start_ = nullptr, reset_ = nullptr, set_ = nullptr, stop_ = nullptr,
             stopResetAll_ = nullptr;
    QImage remaining_;
    std::u16string remainingShown_;
    // The table as last shown, to notice a change made elsewhere.
    std::array<items::TimerRecord, items::kTimerCount> shown_{};
};

} // namespace hv::itemsui

#include "items/ui/timersview.h"

#include "device/text.h"
#include "items/ui/alarmstexts.h"
#include "shellcore/shellcore.h"
#include "toolkit/platform/platform.h"
#include "toolkit/window/accessible.h"

#include <algorithm>
#include <cstring>

namespace hv::itemsui {

using namespace hv::tk;
using namespace timerslayout;

namespace {

constexpr UINT kRedrawMessage = WM_USER + 5; // the main window redraws after 100 ms
constexpr int kRemainingFont = kFontSecondsDigits;
constexpr UINT kLine = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
// Within a strip button: the name after the running mark, the time right-aligned.
constexpr int kNameLeft = 30;
constexpr int kTimeWidth = 110;

bool contains(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

} // namespace

// ---- TimersItem ------------------------------------------------------------------------------

TimersItem::TimersItem(HWND owner, const RECT& r, const items::Timers& timers) : timers_(timers) {
    Create(0, u"TimersItem", u"", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
           r.bottom - r.top, owner, 0, nullptr);
    setFocusPolicy(Qt::StrongFocus);
}

TimersItem::~TimersItem() {
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

int TimersItem::buttonAt(POINT pt) {
    for (int i = 0; i < items::kTimerCount; ++i)
        if (contains(kButtons[i], pt))
            return i;
    return -1;
}

void TimersItem::Paint(HDC hdc) {
    hdc->FillRect(GetClientRect(hwnd()), colour(kColourWhite));
    for (int i = 0; i < items::kTimerCount; ++i)
        paintButton(*hdc, i);
}

void TimersItem::paintButton(DC& dc, int i) {
    const RECT& b = kButtons[i];
    const bool selected = i == timers_.selected;
    dc.FillRect(b, kBorder);
    const RECT face{b.left + 1, b.top + 1, b.right - 1, b.bottom - 1};
    dc.FillRect(face, selected ? colour(kColourBlue) : kFace);
    const COLORREF ink = selected ? colour(kColourWhite) : colour(kColourText);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(ink);
    dc.SelectFont(dialogFont(true));
    const std::u16string list = itemsString(kStrTimerNames);
    dc.DrawText(ListItem(list, ParseList(list), i),
                RECT{b.left + kNameLeft, b.top, b.right - kTimeWidth, b.bottom}, kLine);
    dc.SelectFont(dialogFont());
    dc.DrawText(timers_.remainingText(i), RECT{b.right - kTimeWidth, b.top, b.right - 12, b.bottom},
                DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    if (timers_.records[static_cast<size_t>(i)].running)
        paintRunningMark(dc, b);
}

void TimersItem::paintRunningMark(DC& dc, const RECT& b) {
    // A small "play" triangle in front of the timer's name.
    const int cy = (b.top + b.bottom) / 2;
    const POINT tri[3] = {{b.left + 10, cy - 8}, {b.left + 10, cy + 8}, {b.left + 22, cy}};
    dc.SelectPen(Pen{RGB(0, 150, 60), 1, false});
    dc.SelectBrush(Brush{RGB(0, 170, 70), false});
    dc.Polygon(tri, 3);
}

void TimersItem::OnLButtonDown(POINT pt) {
    const int i = buttonAt(pt);
    if (i >= 0 && onSelect)
        onSelect(i);
}

bool TimersItem::OnKeyDown(int key) {
    // Timer 1 above Timer 2 on the left, Timer 3 above Timer 4 on the right.
    const int i = timers_.selected;
    int next = i;
    switch (key) {
    case VK_UP:
        next = i % 2 ? i - 1 : i;
        break;
    case VK_DOWN:
        next = i % 2 ? i : i + 1;
        break;
    case VK_LEFT:
        next = i >= 2 ? i - 2 : i;
        break;
    case VK_RIGHT:
        next = i < 2 ? i + 2 : i;
        break;
    default:
        return false;
    }
    if (next != i && next >= 0 && next < items::kTimerCount && onSelect)
        onSelect(next);
    return true;
}

// ---- MTimers ---------------------------------------------------------------------------------

MTimers::MTimers(view::ViewContext& ctx, int number) : View(ctx, number) {
    registerItemsStrings();
    remaining_ = CreateCompatibleBitmap(kRemainingWidth, kRemainingHeight);
    // After each stop the main window redraws everything.
    ctx_.timers.onStopped = [this] {
        if (ctx_.mainWindow)
            PostMessage(ctx_.mainWindow, kRedrawMessage);
    };
}

MTimers::~MTimers() {
    ctx_.timers.onStopped = nullptr;
    dialog_.reset();
    strip_.reset();
    list_.reset();
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

RECT MTimers::windowRect(const RECT& c) {
    return {c.left - kWindow.left, c.top - kWindow.top, c.right - kWindow.left,
            c.bottom - kWindow.top};
}

void MTimers::createControls() {
    if (IsWindow(hwnd()) || !ctx_.mainWindow)
        return;
    if (!Create(0, u"TimersDlg", u"TimersDlg", WS_CHILD | WS_VISIBLE, kWindow.left, kWindow.top,
                kWindow.right - kWindow.left, kWindow.bottom - kWindow.top, ctx_.mainWindow, 0,
                nullptr))
        return;
    const QFont* text = SDraw::font(kFontText);
    const QFont* small = dialogFont();
    list_ = std::make_unique<DropList>(hwnd(), windowRect(kTimerList), kStrTimerNames,
                                       ctx_.timers.selected, text, kIdTimerList);
    start_ = CreatePushButton(hwnd(), kIdStart, kTextStart, windowRect(kStartButton));
    reset_ = CreatePushButton(hwnd(), kIdTimerReset, kTextReset, windowRect(kResetButton));
    set_ = CreatePushButton(hwnd(), kIdSet, kTextSet, windowRect(kSetButton));
    stop_ = CreatePushButton(hwnd(), kIdStop, kTextStop, windowRect(kStopButton));
    stopResetAll_ = CreatePushButton(hwnd(), kIdStopResetAll, kTextStopResetAll,
                                     windowRect(kStopResetAllButton));
    for (HWND h : {start_, reset_, set_, stop_, stopResetAll_})
        if (h && small)
            h->setFont(*small);
    strip_ = std::make_unique<TimersItem>(hwnd(), windowRect(kStrip), ctx_.timers);
    strip_->onSelect = [this](int i) { select(i); };
    SetAccessibleLabel(list_->hwnd(), shell::viewName(number()));
    SetAccessibleLabel(strip_->hwnd(), shell::viewName(number()));
    dialog_ = std::make_unique<TimersSetDlg>(ctx_.mainWindow, ctx_.timers);
    dialog_->onClosed = [this](bool) { syncAll(); };
    syncAll();
}

HWND MTimers::button(int id) const {
    switch (id) {
    case kIdStart:
        return start_;
    case kIdTimerReset:
        return reset_;
    case kIdSet:
        return set_;
    case kIdStop:
        return stop_;
    case kIdStopResetAll:
        return stopResetAll_;
    default:
        return nullptr;
    }
}

void MTimers::show() {
    if (!IsWindow(hwnd())) {
        createControls();
        return;
    }
    syncAll();
    ShowWindow(hwnd(), SW_SHOW);
}

void MTimers::hide() {
    if (dialog_)
        dialog_->cancel();
    if (IsWindow(hwnd()))
        ShowWindow(hwnd(), SW_HIDE);
}

void MTimers::setSubState(int sub) {
    select(std::clamp(sub, 0, items::kTimerCount - 1));
}

void MTimers::select(int timer) {
    if (timer < 0 || timer >= items::kTimerCount)
        return;
    ctx_.timers.selected = timer;
    if (IsWindow(hwnd()))
        syncAll();
}

void MTimers::syncButtons() {
    // "Start", "Reset" and "Set..." while stopped (the settings change only then); "Stop" while
    // running.
    const bool running = ctx_.timers.records[static_cast<size_t>(selected())].running != 0;
    for (HWND h : {start_, reset_, set_})
        if (h)
            h->setVisible(!running);
    if (stop_)
        stop_->setVisible(running);
}

void MTimers::syncAll() {
    if (list_ && list_->selected() != selected())
        list_->SetSelected(selected());
    syncButtons();
    shown_ = ctx_.timers.records;
    composeRemaining(true);
    InvalidateRect(hwnd(), nullptr, true);
    if (strip_)
        InvalidateRect(strip_->hwnd(), nullptr, true);
}

bool MTimers::tableChanged() const {
    return std::memcmp(shown_.data(), ctx_.timers.records.data(), sizeof shown_) != 0;
}

void MTimers::tick(DC& dc, const dev::SystemTime& now) {
    (void)dc;
    (void)now;
    if (!IsWindow(hwnd()) || !IsWindowVisible(hwnd()))
        return;
    if (tableChanged()) {
        syncAll();
        return;
    }
    // Only the remaining time moves: the time area and, while a timer runs, the strip.
    if (composeRemaining()) {
        if (HDC wdc = GetDC(hwnd())) {
            paintRemaining(*wdc);
            ReleaseDC(hwnd(), wdc);
        }
    }
    if (ctx_.timers.firstToEnd())
        InvalidateRect(strip_->hwnd(), nullptr, false);
}

void MTimers::paint(DC& dc) {
    // The window "TimersDlg" covers the view area and draws itself.
    (void)dc;
}

void MTimers::Paint(HDC hdc) {
    hdc->FillRect(GetClientRect(hwnd()), colour(kColourWhite));
    paintSeparators(*hdc);
    paintNote(*hdc);
    paintRemaining(*hdc);
}

void MTimers::paintSeparators(DC& dc) {
    for (int y : kSeparators)
        dc.FillRect(windowRect(RECT{0, y, kWindow.right, y + kSeparatorHeight}), kSeparatorColour);
}

void MTimers::paintNote(DC& dc) {
    const items::TimerRecord& r = ctx_.timers.records[static_cast<size_t>(selected())];
    if (!r.showNote)
        return;
    dc.SelectFont(SDraw::font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.DrawText(items::textOf(r.note), windowRect(kNote), kLine);
}

bool MTimers::composeRemaining(bool always) {
    std::u16string text = ctx_.timers.remainingText(selected());
    if (!always && text == remainingShown_)
        return false;
    remainingShown_ = std::move(text);
    // Composed off screen and copied in one transfer.
    DC dc(&remaining_);
    dc.FillRect(RECT{0, 0, kRemainingWidth, kRemainingHeight}, colour(kColourWhite));
    dc.SelectFont(SDraw::font(kRemainingFont));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourDigits));
    dc.DrawText(remainingShown_, RECT{0, 0, kRemainingWidth, kRemainingHeight},
                DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    return true;
}

void MTimers::paintRemaining(DC& dc) {
    const RECT at =
        windowRect(RECT{kRemainingAt.x, kRemainingAt.y, kRemainingAt.x + kRemainingWidth,
                        kRemainingAt.y + kRemainingHeight});
    dc.BitBlt(at.left, at.top, kRemainingWidth, kRemainingHeight, remaining_, 0, 0);
}

void MTimers::command(int id) {
    const int i = selected();
    switch (id) {
    case kIdStart:
        ctx_.timers.start(i);
        break;
    case kIdStop:
        ctx_.timers.stop(i);
        break;
    case kIdTimerReset:
        ctx_.timers.reset(i);
        break;
    case kIdSet:
        // The settings change only while the timer is stopped.
        if (!ctx_.timers.records[static_cast<size_t>(i)].running && dialog_)
            dialog_->open(i);
        return;
    case kIdStopResetAll:
        ctx_.timers.stopAndResetAll();
        break;
    default:
        return;
    }
    syncAll();
}

LRESULT MTimers::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) {
        command(static_cast<int>(wp & 0xffff));
        return 0;
    }
    if (msg == kMsgChanged && list_ && reinterpret_cast<LPARAM>(list_->hwnd()) == lp) {
        select(list_->selected());
        return 0;
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

// ---- Accessibility ---------------------------------------------------------------------------

tk::Accessible TimersItem::accessibility() const {
    tk::Accessible a;
    a.role = QAccessible::List;
    const std::u16string list = itemsString(kStrTimerNames);
    const ParsedList parsed = ParseList(list);
    for (int i = 0; i < items::kTimerCount; ++i) {
        tk::AccessiblePart p;
        p.role = QAccessible::ListItem;
        p.name = dev::toQString(std::u16string(ListItem(list, parsed, i)));
        p.value = dev::toQString(timers_.remainingText(i));
        const RECT& b = kButtons[i];
        p.rect = QRect(b.left, b.top, b.width(), b.height());
        p.selected = i == timers_.selected;
        if (p.selected)
            a.value = p.name;
        a.parts.push_back(std::move(p));
    }
    return a;
}

tk::Accessible MTimers::accessibility() const {
    tk::Accessible a;
    a.name = dev::toQString(shell::viewName(number()));
    return a;
}

} // namespace hv::itemsui

#include "toolkit/controls/droplist.h"

#include "device/device.h"
#include "device/text.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/strings.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace hv::tk {

namespace {

const std::u16string kPopupClass = u"chld7";
constexpr COLORREF kGrey = RGB(192, 192, 192);
constexpr COLORREF kPressBlue = RGB(0, 0, 255);

} // namespace

// ---- DropListB -------------------------------------------------------------------------------

DropListB::DropListB(HWND container, const QFont* font) : container_(container), font_(font) {}

DropListB::~DropListB() {
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

void DropListB::SetListString(const char16_t* list, bool owned) {
    if (owned) {
        ownedList_ = list ? list : u"";
        listString_ = ownedList_.c_str();
    } else {
        listString_ = list;
    }
    const ParsedList parsed = ParseList(listString_ ? std::u16string_view(listString_) : u"");
    count_ = parsed.count;
    itemEnds_ = parsed.ends;
    if (selected_ >= count_)
        selected_ = count_ > 0 ? count_ - 1 : 0;
    Relayout();
}

int DropListB::ItemWidth(const QFontMetrics& fm, int index) {
    return fm.horizontalAdvance(dev::toQString(Item(index)));
}

int DropListB::RowWidth(const QFontMetrics& fm, int index) {
    return ItemWidth(fm, index);
}

int DropListB::BoxRoom() const {
    // A right-aligned text keeps its distance from the right edge; a left-aligned one may run to
    // the edge.
    return GetClientRect(container_).width() - kArrowColumn - (rightAligned_ ? kBoxTextEnd : 0);
}

const QFont* DropListB::drawFont() {
    if (fitted_)
        return fitted_;
    const int room = BoxRoom();
    const QFont* f = font_;
    while (f) {
        const QFontMetrics fm(*f);
        int widest = 0;
        for (int i = 0; i < count_ && widest <= room; ++i)
            widest = std::max(widest, ItemWidth(fm, i));
        const QFont* smaller = widest > room ? SDraw::smallerFont(f) : nullptr;
        if (!smaller)
            break;
        f = smaller;
    }
    fitted_ = f;
    return f;
}

int DropListB::PopupWidth() {
    const QFont* f = drawFont();
    int widest = 0;
    if (f) {
        const QFontMetrics fm(*f);
        for (int i = 0; i < count_; ++i)
            widest = std::max(widest, RowWidth(fm, i));
    }
    const int limit = scrolling_ ? kListRightLimitScrolling : kListRightLimit;
    return std::min(std::max(listRect_.width(), widest + 2 * kRowTextInset), limit);
}

void DropListB::Relayout() {
    fitted_ = nullptr;
    const PopupLayout l = LayoutPopup(GetWindowRect(container_), count_, selected_);
    rowHeight_ = l.rowHeight;
    visibleRows_ = l.visibleRows;
    firstVisible_ = l.scrolling ? l.firstVisible : 0;
    scrolling_ = l.scrolling;
    listRect_ = l.listRect;
    total_ = l.total;
}

const char16_t* DropListB::ItemText(int index) {
    if (!listString_ || index < 0 || index >= count_)
        return u"";
    return index == 0 ? listString_ : listString_ + itemEnds_[static_cast<size_t>(index - 1)] + 1;
}

int DropListB::ItemLength(int index) {
    if (index < 0 || index >= count_)
        return 0;
    if (index == 0)
        return itemEnds_[0];
    return itemEnds_[static_cast<size_t>(index)] - itemEnds_[static_cast<size_t>(index - 1)] - 1;
}

std::u16string DropListB::Item(int index) {
    const char16_t* t = ItemText(index);
    const int n = ItemLength(index);
    if (!t)
        return {};
    if (n < 0)
        return std::u16string(t);
    return std::u16string(t, static_cast<size_t>(n));
}

bool DropListB::SetSelected(int index) {
    if (index < 0 || index >= count_)
        return false;
    selected_ = index;
    if (scrolling_)
        firstVisible_ = FirstVisibleFor(index, count_, visibleRows_);
    InvalidateRect(container_, nullptr, true);
    return true;
}

void DropListB::setHidden(bool hidden) {
    hidden_ = hidden;
    ShowWindow(container_, hidden ? SW_HIDE : SW_SHOW);
}

int DropListB::ListWidth() const {
    if (!hwnd())
        return listRect_.width();
    return static_cast<int>(GetClientRect(hwnd()).width() / scale_ + 0.5);
}

POINT DropListB::unmapped(POINT p) const {
    return {static_cast<int>(p.x / scale_), static_cast<int>(p.y / scale_)};
}

RECT DropListB::RowRect(int row) const {
    const int top = 2 + row * rowHeight_;
    return {kRowTextInset, top, ListWidth() - kRowTextInset, top + rowHeight_};
}

void DropListB::PaintRow(DC& dc, int row, bool pressed) {
    const int i = firstVisible_ + row;
    RECT r = RowRect(row);
    RECT fill{r.left - 4, r.top, r.right, r.bottom};
    const bool isSelected = i == (hot_ >= 0 ? hot_ : selected_);
    dc.FillRect(fill, pressed ? kPressBlue : isSelected ? kGrey : RGB(255, 255, 255));
    dc.SetTextColor(pressed ? RGB(255, 255, 255) : SDraw::colour(kColourText));
    dc.DrawText(Item(i), r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
}

void DropListB::Paint(HDC hdc) {
    if (scale_ != 1)
        hdc->painter().scale(scale_, scale_);
    PaintList(hdc);
}

void DropListB::PaintList(HDC hdc) {
    hdc->SelectFont(drawFont());
    hdc->SetBkMode(TRANSPARENT);
    hdc->SetTextColor(SDraw::colour(kColourText));
    for (int r = 0; r < visibleRows_ && firstVisible_ + r < count_; ++r)
        PaintRow(*hdc, r, false);
    if (separatorRow_ != 0) {
        const int y = separatorRow_ * rowHeight_;
        hdc->FillRect({0, y, ListWidth() - 4, y + 2}, kGrey);
    }
}

void DropListB::PaintBox(HDC hdc) {
    if (hidden_)
        return;
    RECT r = GetClientRect(container_);
    r.left = kArrowColumn;
    hdc->SelectFont(drawFont());
    hdc->SetBkMode(TRANSPARENT);
    hdc->SetTextColor(SDraw::colour(kColourText));
    const std::u16string text = Item(selected_);
    if (rightAligned_)
        r.left = r.right - hdc->GetTextExtent(text).x - 4;
    SDraw::icons().Draw(*hdc, kIconArrow, r.left - kArrowColumn, r.height() / 2 - 14);
    hdc->DrawText(text, r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
    if (pressState_ == kPressBox || pressState_ == kPressOpened) {
        hdc->SelectPen({pressState_ == kPressBox ? kGrey : RGB(255, 255, 255), 1, false});
        hdc->SelectBrush({0, true});
        hdc->Rectangle(r.left - kArrowColumn, r.top, r.right, r.bottom);
    }
}

void DropListB::BoxDown() {
    if (open_)
        return;
    pressState_ = kPressBox;
    InvalidateRect(container_, nullptr, true);
    UpdateWindow(container_);
}

void DropListB::BoxUp() {
    if (open_)
        return;
    pressState_ = kPressOpened;
    InvalidateRect(container_, nullptr, true);
    UpdateWindow(container_);
    Open();
}

void DropListB::Open() {
    if (open_ || count_ <= 0 || !IsWindow(container_))
        return;
    Relayout();
    open_ = true;
    pressedRow_ = -1;
    hot_ = selected_;
    if (scrolling_)
        firstVisible_ = FirstVisibleFor(selected_, count_, visibleRows_);
    PopupLayout layout;
    layout.rowHeight = rowHeight_;
    layout.visibleRows = visibleRows_;
    layout.scrolling = scrolling_;
    layout.total = total_;
    layout.listRect = listRect_;
    layout.listRect.right = listRect_.left + PopupWidth();
    RECT at = PlacePopup(GetWindowRect(container_), layout);
    if (scale_ != 1) {
        auto map = [this](int v, int o) { return o + static_cast<int>(v * scale_ + 0.5); };
        at = {map(at.left, origin_.x), map(at.top, origin_.y), map(at.right, origin_.x),
              map(at.bottom, origin_.y)};
    }
    uint32_t style = WS_POPUP | WS_BORDER;
    if (scrolling_)
        style |= WS_VSCROLL;
    if (!Create(0, kPopupClass, u"", style, at.left, at.top, at.width(), at.height(), container_, 0,
                nullptr)) {
        open_ = false;
        return;
    }
    if (scrolling_) {
        SCROLLINFO si;
        si.nMin = 0;
        si.nMax = rowHeight_ * count_ + 2;
        si.nPage = rowHeight_ * visibleRows_;
        si.nPos = rowHeight_ * firstVisible_;
        SetScrollInfo(hwnd(), si);
    }
    ShowWindow(hwnd(), SW_SHOW);
    SetFocus(hwnd());
    InvalidateRect(hwnd(), nullptr, true);
    UpdateWindow(hwnd());
}

void DropListB::Dismiss() {
    if (!open_)
        return;
    open_ = false;
    hot_ = -1;
    pressState_ = kPressIdle;
    if (hwnd() && hwnd()->hasFocus())
        SetFocus(container_);
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
    SendMessage(container_, kMsgChanged, 0, 0);
}

void DropListB::ScrollTo(int first) {
    const int next = std::clamp(first, 0, std::max(0, count_ - visibleRows_));
    if (!scrolling_ || next == firstVisible_)
        return;
    firstVisible_ = next;
    SetScrollPos(hwnd(), rowHeight_ * firstVisible_);
    InvalidateRect(hwnd(), nullptr, true);
}

bool DropListB::ScrollKey(int key) {
    // The keys scroll the list as before, and the highlight moves with the rows (a highlight the
    // wheel scrolled away starts again at the top row shown).
    int row = hot_ >= 0 ? hot_ : selected_;
    if (scrolling_ && (row < firstVisible_ || row >= firstVisible_ + visibleRows_))
        row = firstVisible_;
    int step = 0;
    switch (key) {
    case VK_UP:
        step = -1;
        break;
    case VK_DOWN:
        step = 1;
        break;
    case VK_PRIOR:
        step = -visibleRows_;
        break;
    case VK_NEXT:
        step = visibleRows_;
        break;
    case VK_HOME:
        ScrollTo(0);
        Highlight(0);
        return true;
    case VK_END:
        ScrollTo(count_);
        Highlight(count_ - 1);
        return true;
    case VK_RETURN:
    case VK_SPACE:
        Choose(row);
        return true;
    case VK_ESCAPE:
    case VK_F4:
        Dismiss();
        return true;
    default:
        return false;
    }
    ScrollTo(firstVisible_ + step);
    Highlight(row + step);
    return true;
}

void DropListB::Highlight(int row) {
    if (!open_ || count_ <= 0)
        return;
    hot_ = std::clamp(row, 0, count_ - 1);
    InvalidateRect(hwnd(), nullptr, true);
}

void DropListB::Choose(int row) {
    if (!open_ || row < 0 || row >= count_)
        return;
    selected_ = row;
    if (scrolling_ && (selected_ < firstVisible_ || selected_ >= firstVisible_ + visibleRows_))
        firstVisible_ = std::min(selected_, count_ - visibleRows_);
    open_ = false;
    hot_ = -1;
    pressState_ = kPressIdle;
    HWND container = container_;
    if (hwnd() && hwnd()->hasFocus())
        SetFocus(container);
    SendMessage(container, kMsgChoice, 0, 0);
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
    SendMessage(container, kMsgChanged, 0, 0);
}

bool DropListB::BoxKey(int key) {
    if (open_ || hidden_ || count_ <= 0)
        return false;
    const bool alt = QApplication::keyboardModifiers() & Qt::AltModifier;
    int next = selected_;
    switch (key) {
    case VK_DOWN:
        if (alt) {
            Open();
            return true;
        }
        next = selected_ + 1;
        break;
    case VK_UP:
        next = selected_ - 1;
        break;
    case VK_PRIOR:
        next = selected_ - std::max(1, visibleRows_ - 1);
        break;
    case VK_NEXT:
        next = selected_ + std::max(1, visibleRows_ - 1);
        break;
    case VK_HOME:
        next = 0;
        break;
    case VK_END:
        next = count_ - 1;
        break;
    case VK_F4:
    case VK_SPACE:
    case VK_RETURN:
        Open();
        return true;
    default:
        return false;
    }
    next = std::clamp(next, 0, count_ - 1);
    if (next == selected_)
        return true;
    SetSelected(next);
    // The owner hears a key's choice as it hears a tapped one.
    SendMessage(container_, kMsgChoice, 0, 0);
    SendMessage(container_, kMsgChanged, 0, 0);
    return true;
}

void DropListB::OnMouseMove(POINT pt) {
    if (!scrolling_ || pressY_ < 0 || rowHeight_ <= 0)
        return;
    pt = unmapped(pt);
    // A drag of the stylus moves the rows with it; the row it started on is not chosen.
    const int rows = (pressY_ - pt.y) / rowHeight_;
    if (!dragging_ && std::abs(pressY_ - pt.y) < rowHeight_ / 2)
        return;
    if (!dragging_ && pressedRow_ >= 0)
        InvalidateRect(hwnd(), nullptr, false);
    dragging_ = true;
    pressedRow_ = -1;
    ScrollTo(pressFirst_ + rows);
}

void DropListB::OnLButtonDown(POINT pt) {
    pt = unmapped(pt);
    pressY_ = pt.y;
    pressFirst_ = firstVisible_;
    dragging_ = false;
    const int r =
        PopupRowAt(pt, rowHeight_, std::min(visibleRows_, count_ - firstVisible_), ListWidth());
    pressedRow_ = r;
    if (r < 0)
        return;
    HDC dc = GetDC(hwnd());
    if (scale_ != 1)
        dc->painter().scale(scale_, scale_);
    dc->SelectFont(drawFont());
    dc->SetBkMode(TRANSPARENT);
    PaintRow(*dc, r, true);
    ReleaseDC(hwnd(), dc);
}

void DropListB::OnLButtonUp(POINT pt) {
    pt = unmapped(pt);
    pressY_ = -1;
    if (dragging_) {
        dragging_ = false;
        return;
    }
    const int r =
        PopupRowAt(pt, rowHeight_, std::min(visibleRows_, count_ - firstVisible_), ListWidth());
    if (r < 0) {
        if (pressedRow_ >= 0) {
            // The stylus left the row: show it as it was.
            InvalidateRect(hwnd(), nullptr, false);
            pressedRow_ = -1;
        }
        return;
    }
    Choose(firstVisible_ + r);
}

void DropListB::OnVScroll(int request, int position) {
    SCROLLINFO si;
    GetScrollInfo(hwnd(), &si);
    const int next = ScrollFirstVisible(firstVisible_, request, position, rowHeight_, count_,
                                        visibleRows_, si.nMax);
    if (next != firstVisible_) {
        firstVisible_ = next;
        SetScrollPos(hwnd(), rowHeight_ * firstVisible_);
        InvalidateRect(hwnd(), nullptr, true);
    }
}

bool DropListB::OnWheel(int turn) {
    // Three rows a notch, as a desktop list turns; part turns add up.
    wheelTurn_ += turn;
    const int notches = wheelTurn_ / WHEEL_DELTA;
    wheelTurn_ -= notches * WHEEL_DELTA;
    ScrollTo(firstVisible_ - notches * kWheelRows);
    return true;
}

bool DropListB::OnKeyDown(int key) {
    return ScrollKey(key);
}

void DropListB::OnDeactivate() {
    swallowTap_ = true;
    QTimer::singleShot(0, [this, alive = IsWindow(container_) ? container_ : nullptr] {
        if (IsWindow(alive))
            swallowTap_ = false;
    });
    Dismiss();
}

void DropListB::focusOutEvent(QFocusEvent* ev) {
    SWindow::focusOutEvent(ev);
    if (!open_ || (ev->reason() != Qt::TabFocusReason && ev->reason() != Qt::BacktabFocusReason))
        return;
    QTimer::singleShot(0, [this, alive = container_] {
        if (IsWindow(alive))
            Dismiss();
    });
}

// ---- Engines ---------------------------------------------------------------------------------

SDropList::SDropList(HWND container, const char16_t* list, int selected, const QFont* font)
    : DropListB(container, font) {
    selected_ = std::max(selected, 0);
    SetListString(list, false);
}

SDropList::SDropList(HWND container, std::u16string list, int selected, const QFont* font)
    : DropListB(container, font) {
    selected_ = std::max(selected, 0);
    SetListString(list.c_str(), true);
}

SDropList::~SDropList() = default;

SDropNumList::SDropNumList(HWND container, int from, int to, int step, int selectedValue,
                           const QFont* font)
    : DropListB(container, font), from_(from), step_(step > 0 ? step : 1) {
    const std::u16string list = BuildNumberList(from, to, step);
    selected_ = 0;
    SetListString(list.c_str(), true);
    SelectValue(selectedValue);
    Relayout();
}

SDropNumList::~SDropNumList() = default;

void SDropNumList::ExtendTo(int to) {
    if (to <= this->to())
        return;
    const int keep = selected_;
    SetListString(BuildNumberList(from_, to, step_).c_str(), true);
    selected_ = keep;
    InvalidateRect(container_, nullptr, true);
}

bool SDropNumList::SelectValue(int value) {
    if (value < from_ || (value - from_) % step_ != 0)
        return false;
    return SetSelected((value - from_) / step_);
}

SDropCityList::SDropCityList(HWND container, CityRef* ref, const QFont* font)
    : DropListB(container, font), ref_(ref) {
    continent_ = ref ? ref->continent : 0;
    CitySource* db = SDraw::cities();
    count_ = db ? db->count(continent_) : 0;
    selected_ = ref && ref->city >= 0 && ref->city < count_ ? ref->city : 0;
    Relayout();
}

SDropCityList::~SDropCityList() = default;

void SDropCityList::OnLButtonDown(POINT pt) {
    DropListB::OnLButtonDown(pt);
}

const char16_t* SDropCityList::ItemText(int index) {
    CitySource* db = SDraw::cities();
    name_ = db ? db->name(continent_, index) : std::u16string();
    return name_.c_str();
}

int SDropCityList::ItemLength(int) {
    return -1;
}

int SDropCityList::RowWidth(const QFontMetrics& fm, int index) {
    CitySource* db = SDraw::cities();
    const int name = DropListB::ItemWidth(fm, index);
    if (!db)
        return name;
    // The name, a gap and the offset, which stands right-aligned 4 pixels in from the row's end.
    return name + kCityOffsetGap +
           fm.horizontalAdvance(dev::toQString(CityOffsetText(db->gmtOffset(continent_, index)))) +
           4;
}

void SDropCityList::PaintList(HDC hdc) {
    DropListB::PaintList(hdc);
    CitySource* db = SDraw::cities();
    if (!db)
        return;
    hdc->SetBkMode(TRANSPARENT);
    for (int r = 0; r < visibleRows_ && firstVisible_ + r < count_; ++r) {
        RECT row = RowRect(r);
        row.right -= 4;
        hdc->SetTextColor(SDraw::colour(kColourText));
        hdc->DrawText(CityOffsetText(db->gmtOffset(continent_, firstVisible_ + r)), row,
                      DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
    }
}

bool SDropCityList::Select(int city, int continent) {
    CitySource* db = SDraw::cities();
    const int cont = continent < 0 ? continent_ : continent;
    if (cont < 0 || cont > 6)
        return false;
    const int n = db ? db->count(cont) : 0;
    if (city < 0 || city >= n)
        return false;
    continent_ = cont;
    count_ = n;
    selected_ = city;
    if (ref_) {
        ref_->continent = cont;
        ref_->city = city;
    }
    Relayout();
    if (scrolling_)
        firstVisible_ = FirstVisibleFor(city, count_, visibleRows_);
    InvalidateRect(container_, nullptr, true);
    return true;
}

// ---- Containers ------------------------------------------------------------------------------

void DropListContainer::hideEvent(QHideEvent* ev) {
    if (engine_ && engine_->isOpen())
        engine_->Dismiss();
    SWindow::hideEvent(ev);
}

DropListContainer::~DropListContainer() {
    delete engine_;
    engine_ = nullptr;
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

bool DropListContainer::CreateBox(HWND owner, const RECT& r, const std::u16string& className,
                                  uintptr_t id) {
    if (!Create(0, className, u"", WS_CHILD | WS_VISIBLE, r.left - kArrowColumn, r.top,
                r.width() + kArrowColumn, r.height(), owner, id, nullptr))
        return false;
    setFocusPolicy(Qt::StrongFocus);
    return true;
}

bool DropListContainer::OnKeyDown(int key) {
    return engine_ && engine_->BoxKey(key);
}

bool DropListContainer::SetSelected(int index) {
    return engine_ ? engine_->SetSelected(index) : false;
}

void DropListContainer::Paint(HDC dc) {
    if (engine_)
        engine_->PaintBox(dc);
}

void DropListContainer::OnLButtonDown(POINT) {
    if (engine_ && engine_->swallowTap_) {
        // This tap closed the pop-up; it does not open it again.
        ignoringTap_ = true;
        return;
    }
    if (engine_)
        engine_->BoxDown();
}

void DropListContainer::OnLButtonUp(POINT) {
    if (ignoringTap_) {
        ignoringTap_ = false;
        return;
    }
    if (engine_ && engine_->pressState_ == kPressBox)
        engine_->BoxUp();
}

LRESULT DropListContainer::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgChanged) {
        if (engine_)
            engine_->pressState_ = kPressIdle;
        InvalidateRect(hwnd, nullptr, true);
        AccessibleValueChanged(hwnd);
        SendMessage(GetParent(hwnd), kMsgChanged, GetDlgCtrlID(hwnd),
                    reinterpret_cast<LPARAM>(hwnd));
        return 0;
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

DropList::DropList(HWND owner, const RECT& r, int stringId, int selected, const QFont* font,
                   uintptr_t id) {
    if (CreateBox(owner, r, u"DropList", id))
        engine_ = new SDropList(hwnd(), LoadStringResource(stringId), selected, font);
}

DropList::DropList(HWND owner, const RECT& r, std::u16string list, int selected, const QFont* font,
                   uintptr_t id) {
    if (CreateBox(owner, r, u"DropList", id))
        engine_ = new SDropList(hwnd(), std::move(list), selected, font);
}

DropNumList::DropNumList(HWND owner, const RECT& r, int from, int to, int step, int selectedValue,
                         const QFont* font, uintptr_t id) {
    if (CreateBox(owner, r, u"DropNumList", id))
        engine_ = new SDropNumList(hwnd(), from, to, step, selectedValue, font);
}

DropCityList::DropCityList(HWND owner, const RECT& r, CityRef* ref, const QFont* font,
                           uintptr_t id) {
    if (CreateBox(owner, r, u"DropList", id))
        engine_ = new SDropCityList(hwnd(), ref, font);
}

LRESULT DropCityList::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgChoice) {
        if (auto* l = list(); l && l->ref()) {
            l->ref()->continent = l->continent();
            l->ref()->city = l->selected();
        }
        return 0;
    }
    return DropListContainer::WindowProc(hwnd, msg, wp, lp);
}

// ---- CityList --------------------------------------------------------------------------------

CityList::CityList(HWND owner, int x, int y, int continent, int city, uintptr_t id)
    : owner_(owner) {
    continent_ = std::clamp(continent, 0, 6);
    ref_ = {continent_, city};
    if (!Create(0, u"CityList", u"", WS_CHILD | WS_VISIBLE, x, y, kWidth, kHeight, owner, id,
                nullptr))
        return;
    const QFont* font = SDraw::font(kFontText);
    // Wide enough for "North America" and "South America" in the text face; the handheld's
    // 156-pixel box cut them.
    continents_ = new DropList(hwnd(), kContinentBox, kStrContinents, continent_, font, 1);
    cities_ = new DropCityList(hwnd(), kCityBox, &ref_, font, 2);
    NameLists();
    if (cities_->list() && !cities_->list()->Select(city, continent_))
        cities_->list()->Select(0, continent_);
}

CityList::~CityList() {
    delete continents_;
    delete cities_;
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

bool CityList::Select(int continent, int city) {
    if (!cities_ || !cities_->list() || !cities_->list()->Select(city, continent))
        return false;
    continent_ = continent;
    if (continents_)
        continents_->SetSelected(continent);
    return true;
}

dev::SystemTime CityList::UpdateTime(const dev::SystemTime* local) {
    local_ = local ? *local : dev::getLocalTime();
    CitySource* db = SDraw::cities();
    dev::FileTime lf = 0;
    if (db && dev::systemTimeToFileTime(local_, lf)) {
        cityTime_ = db->localTimeAt(continent_, ref_.city, dev::localFileTimeToFileTime(lf));
    } else {
        cityTime_ = local_;
    }
    return cityTime_;
}

LRESULT CityList::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgChanged) {
        const int chosen = continents_ ? continents_->selected() : continent_;
        if (chosen != continent_) {
            continent_ = chosen;
            if (cities_ && cities_->list())
                cities_->list()->Select(0, chosen);
            ref_ = {chosen, 0};
        }
        SendMessage(owner_, kMsgChanged, GetDlgCtrlID(hwnd), reinterpret_cast<LPARAM>(hwnd));
        return 0;
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

// ---- Accessibility ---------------------------------------------------------------------------

Accessible DropListB::accessibility() const {
    Accessible a;
    a.role = QAccessible::List;
    a.name = AccessibleNameOf(container_);
    auto* self = const_cast<DropListB*>(this);
    for (int i = 0; i < count_; ++i) {
        AccessiblePart row;
        row.role = QAccessible::ListItem;
        row.name = dev::toQString(self->Item(i));
        row.selected = i == selected_;
        const int shownRow = i - firstVisible_;
        if (open_ && shownRow >= 0 && shownRow < visibleRows_) {
            const RECT r = RowRect(shownRow);
            row.rect =
                QRect(static_cast<int>(r.left * scale_), static_cast<int>(r.top * scale_),
                      static_cast<int>(r.width() * scale_), static_cast<int>(r.height() * scale_));
        }
        a.parts.push_back(std::move(row));
    }
    a.value = dev::toQString(self->Item(selected_));
    return a;
}

Accessible DropListContainer::accessibility() const {
    Accessible a;
    a.role = QAccessible::ComboBox;
    a.name = windowTitle();
    // A list of a group (the sound picker's) is named as the group.
    if (a.name.isEmpty())
        if (const SWindow* group = WindowObject(ownerWindow());
            group && group->accessibility().role == QAccessible::Grouping)
            a.name = AccessibleNameOf(group);
    if (engine_) {
        a.value = dev::toQString(engine_->Item(engine_->selected()));
        a.expanded = engine_->isOpen();
    }
    return a;
}

void CityList::NameLists() {
    if (continents_)
        SetAccessibleLabel(continents_->hwnd(), LoadStringResource(kStrContinentLabel));
    if (cities_)
        SetAccessibleLabel(cities_->hwnd(), LoadStringResource(kStrCityLabel));
}

Accessible CityList::accessibility() const {
    Accessible a;
    a.role = QAccessible::Grouping;
    a.name = LabelName(LoadStringResource(kStrCityLabel));
    if (cities_ && cities_->engine())
        a.value = dev::toQString(cities_->engine()->Item(cities_->selected()));
    return a;
}

} // namespace hv::tk

#include "toolkit/controls/listview.h"

#include "device/text.h"
#include "toolkit/window/SDraw.h"

#include <QAccessibleValueChangeEvent>
#include <QFocusEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <map>

namespace hv::tk {

namespace {

constexpr int kIconColumn = 32;
constexpr int kWheelRows = 3; // rows a notch of the wheel scrolls
// The striped rows: normal even, normal odd, highlighted even, highlighted odd.
const std::array<COLORREF, 4> kRowFill{RGB(255, 255, 255), RGB(240, 243, 250), RGB(57, 83, 157),
                                       RGB(57, 83, 157)};
const std::array<COLORREF, 4> kRowText{RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255),
                                       RGB(255, 255, 255)};
const QColor kFrame(128, 128, 128);
const QColor kFocusFrame(57, 83, 157);

// A name too wide for its column takes the next smaller face, and what still does not fit ends
// in an ellipsis rather than in half a letter.
void drawName(DC& dc, const std::u16string& name, const RECT& r) {
    if (dc.GetTextExtent(name).x > r.width())
        dc.SelectFont(SDraw::font(kFontSmallText));
    dc.DrawText(name, r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

} // namespace

ListView::ListView(HWND owner, const RECT& r, uintptr_t id, Rows rows, const std::u16string& label)
    : rows_(rows) {
    if (!Create(0, u"HVListView", label, WS_CHILD | WS_VISIBLE, r.left, r.top, r.width(),
                r.height(), owner, id, nullptr))
        return;
    setFocusPolicy(Qt::StrongFocus);
    bar_ = new QScrollBar(Qt::Vertical, this);
    QObject::connect(bar_, &QScrollBar::valueChanged, this, [this](int v) {
        top_ = v;
        Redraw();
    });
    if (rows_ == Rows::Striped) {
        if (const QFont* f = SDraw::font(kFontText))
            setFont(*f);
        widths_[0] = r.width() / 2 - 16;
        widths_[1] = r.width() / 2 + 12;
        rowHeight_ = 30;
    }
    updateScroll();
}

// ---- Items -----------------------------------------------------------------------------------

int ListView::InsertItem(int index, const std::u16string& text, intptr_t param) {
    index = std::clamp(index, 0, ItemCount());
    Item it;
    it.text[0] = text;
    it.param = param;
    items_.insert(items_.begin() + index, std::move(it));
    if (selected_ >= index)
        ++selected_;
    updateScroll();
    return index;
}

int ListView::AddItem(const std::u16string& name, intptr_t param) {
    return InsertItem(ItemCount(), name, param);
}

int ListView::AddTimedItem(const std::u16string& name, intptr_t param, dev::FileTime time) {
    const int i = AddItem(name, param);
    SetItemText(i, 1, ItemTimeToText(time));
    return i;
}

bool ListView::SetItemText(int index, int column, const std::u16string& text) {
    if (index < 0 || index >= ItemCount() || column < 0 || column > 1)
        return false;
    items_[static_cast<size_t>(index)].text[column] = text;
    Redraw();
    return true;
}

std::u16string ListView::GetItemText(int index, int column) const {
    if (index < 0 || index >= ItemCount() || column < 0 || column > 1)
        return {};
    return items_[static_cast<size_t>(index)].text[column];
}

intptr_t ListView::GetItemParam(int index) const {
    if (index < 0 || index >= ItemCount())
        return 0;
    return items_[static_cast<size_t>(index)].param;
}

void ListView::DeleteAllItems() {
    items_.clear();
    selected_ = -1;
    top_ = 0;
    updateScroll();
}

bool ListView::carriesTime(int index) const {
    return index >= 0 && index < ItemCount() && GetItemParam(index) < kNoTimeParam;
}

void ListView::Sort(const ListRowOrder& order) {
    if (!order)
        return;
    std::map<intptr_t, ListRow> byParam;
    for (const Item& it : items_) {
        ListRow r;
        r.param = it.param;
        r.name = it.text[0];
        if (r.param < kNoTimeParam)
            r.time = ItemTimeFromText(it.text[1]);
        byParam[r.param] = std::move(r);
    }
    const intptr_t selParam = selected_ >= 0 ? GetItemParam(selected_) : 0;
    const bool hadSel = selected_ >= 0;
    // Insertion sort: an item moves before its neighbour only while the order puts the neighbour
    // after it (stable, and safe with any order).
    for (size_t i = 1; i < items_.size(); ++i)
        for (size_t j = i;
             j > 0 && order(byParam[items_[j - 1].param], byParam[items_[j].param]) > 0; --j)
            std::swap(items_[j - 1], items_[j]);
    if (hadSel)
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i].param == selParam)
                selected_ = static_cast<int>(i);
    Redraw();
}

// ---- Selection -------------------------------------------------------------------------------

void ListView::SetSelected(int index) {
    if (index >= ItemCount())
        return;
    selected_ = index < 0 ? -1 : index;
    if (selected_ >= 0)
        EnsureVisible(selected_);
    Redraw();
    selectionChanged();
}

void ListView::selectionChanged() {
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent ev(this, accessibility().value);
        QAccessible::updateAccessibility(&ev);
    }
    SendMessage(ownerWindow(), kMsgListSelection, static_cast<WPARAM>(selected_),
                reinterpret_cast<LPARAM>(hwnd()));
}

void ListView::tap(int row, QPoint at) {
    NMLISTVIEW nm;
    nm.hdr.hwndFrom = this;
    nm.hdr.idFrom = controlId();
    nm.hdr.code = NM_CLICK;
    nm.iItem = row;
    nm.ptAction = {at.x(), at.y()};
    SendMessage(ownerWindow(), WM_NOTIFY, controlId(), reinterpret_cast<LPARAM>(&nm));
}

void ListView::OnLButtonDown(POINT pt) {
    const QPoint at(pt.x, pt.y);
    const int r = RowAt(at);
    if (r >= 0 && r != selected_)
        SetSelected(r);
    tap(r, at);
}

bool ListView::OnKeyDown(int key) {
    const int n = ItemCount();
    const int from = selected_ >= 0 ? selected_ : top_;
    const int page = std::max(1, VisibleRows() - 1);
    int to = from;
    switch (key) {
    case VK_UP:
        to = selected_ >= 0 ? from - 1 : from;
        break;
    case VK_DOWN:
        to = selected_ >= 0 ? from + 1 : from;
        break;
    case VK_PRIOR:
        to = from - page;
        break;
    case VK_NEXT:
        to = from + page;
        break;
    case VK_HOME:
        to = 0;
        break;
    case VK_END:
        to = n - 1;
        break;
    case VK_RETURN:
    case VK_SPACE:
        if (selected_ < 0)
            return false;
        {
            const RECT r = ItemRect(selected_);
            tap(selected_, QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        }
        return true;
    default:
        return false;
    }
    if (n == 0)
        return false;
    // A key shows where the focus is, as a tab into the list does.
    if (!focusMark_ && hasFocus()) {
        focusMark_ = true;
        Redraw();
    }
    to = std::clamp(to, 0, n - 1);
    if (to != selected_)
        SetSelected(to);
    else
        EnsureVisible(to);
    return true;
}

bool ListView::OnWheel(int turn) {
    if (!bar_ || bar_->maximum() <= 0)
        return false;
    wheelRest_ += turn;
    const int notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ -= notches * WHEEL_DELTA;
    if (notches != 0)
        scrollTo(top_ - kWheelRows * notches);
    return true;
}

void ListView::focusInEvent(QFocusEvent* ev) {
    const Qt::FocusReason why = ev->reason();
    const bool byKeys = why == Qt::TabFocusReason || why == Qt::BacktabFocusReason ||
                        why == Qt::ShortcutFocusReason;
    if (byKeys != focusMark_) {
        focusMark_ = byKeys;
        Redraw();
    }
    SWindow::focusInEvent(ev);
}

void ListView::focusOutEvent(QFocusEvent* ev) {
    if (focusMark_) {
        focusMark_ = false;
        Redraw();
    }
    SWindow::focusOutEvent(ev);
}

Accessible ListView::accessibility() const {
    Accessible a;
    a.role = QAccessible::List;
    a.name = windowTitle();
    const int n = ItemCount();
    if (selected_ >= 0) {
        a.value = dev::toQString(GetItemText(selected_, 0));
        const std::u16string second = SecondColumnText(selected_);
        if (!second.empty() && (rows_ == Rows::Striped || widths_[1] > 0))
            a.value += QStringLiteral(", ") + dev::toQString(second);
        a.description = QStringLiteral("Row %1 of %2").arg(selected_ + 1).arg(n);
    } else {
        a.description = n == 1 ? QStringLiteral("1 row") : QStringLiteral("%1 rows").arg(n);
    }
    return a;
}

// ---- Geometry --------------------------------------------------------------------------------

bool ListView::barShown() const {
    return bar_ && bar_->isVisible();
}

int ListView::viewWidth() const {
    return width() - 2 - (barShown() ? kScrollBarWidth : 0);
}

int ListView::ItemHeight(int index) const {
    if (index < 0 || index >= ItemCount())
        return rowHeight_;
    const int h = items_[static_cast<size_t>(index)].height;
    return h > 0 ? h : rowHeight_;
}

void ListView::SetItemHeight(int index, int h) {
    if (index < 0 || index >= ItemCount())
        return;
    items_[static_cast<size_t>(index)].height = std::max(0, h);
    updateScroll();
}

int ListView::rowsFitting(int from) const {
    // Rows past the end count at the list's row height, as an empty list's rows would.
    int n = 0;
    for (int y = ItemHeight(from); y <= height() - 2; y += ItemHeight(from + ++n)) {
    }
    return std::max(1, n);
}

int ListView::VisibleRows() const {
    return rowsFitting(top_);
}

void ListView::updateScroll() {
    // The last top row that still fills the list down to its last item.
    int maxTop = ItemCount();
    for (int used = 0; maxTop > 0;) {
        used += ItemHeight(maxTop - 1);
        if (used > height() - 2)
            break;
        --maxTop;
    }
    maxTop = std::min(maxTop, std::max(0, ItemCount() - 1));
    if (ItemCount() > 0 && rowsFitting(0) >= ItemCount())
        maxTop = 0;
    if (bar_) {
        bar_->setVisible(maxTop > 0);
        bar_->setGeometry(width() - kScrollBarWidth - 1, 1, kScrollBarWidth, height() - 2);
        bar_->setRange(0, maxTop);
        bar_->setPageStep(VisibleRows());
    }
    top_ = std::clamp(top_, 0, maxTop);
    if (bar_)
        bar_->setValue(top_);
    Redraw();
}

void ListView::scrollTo(int top) {
    if (bar_)
        bar_->setValue(std::clamp(top, 0, bar_->maximum()));
}

void ListView::EnsureVisible(int index) {
    if (index < top_)
        top_ = index;
    else
        while (top_ < index && index >= top_ + VisibleRows())
            ++top_;
    updateScroll();
}

void ListView::SetColumnWidth(int column, int w) {
    if (column >= 0 && column <= 1)
        widths_[column] = w;
    Redraw();
}

int ListView::ColumnWidth(int column) const {
    return column >= 0 && column <= 1 ? widths_[column] : 0;
}

int ListView::RowAt(QPoint p) const {
    if (p.x() < 1 || p.x() >= 1 + viewWidth() || p.y() < 1)
        return -1;
    int y = 1;
    for (int r = top_; r < ItemCount(); ++r) {
        y += ItemHeight(r);
        if (p.y() < y)
            return r;
    }
    return -1;
}

RECT ListView::ItemRect(int index) const {
    int y = 1;
    for (int r = top_; r < index; ++r)
        y += ItemHeight(r);
    for (int r = index; r < top_; ++r)
        y -= ItemHeight(r);
    return {1, y, 1 + viewWidth(), y + ItemHeight(index)};
}

void ListView::resizeEvent(QResizeEvent* ev) {
    SWindow::resizeEvent(ev);
    updateScroll();
}

// ---- The rows' content -----------------------------------------------------------------------

void ListView::SetIconsShown(bool on) {
    iconsShown_ = on;
    Redraw();
}

void ListView::SetUnit(int unit) {
    unit_ = unit;
    Redraw();
}

void ListView::SetReferenceTime(dev::FileTime t) {
    reference_ = t;
    Redraw();
}

void ListView::SetTimeText(ListTimeText text) {
    timeText_ = std::move(text);
    Redraw();
}

void ListView::SetIconRule(std::function<bool(intptr_t param)> rule) {
    iconRule_ = std::move(rule);
    Redraw();
}

void ListView::SetRowDetail(std::function<std::u16string(intptr_t param)> detail, int lineHeight) {
    detail_ = std::move(detail);
    detailLine_ = lineHeight;
    Redraw();
}

void ListView::Redraw() {
    InvalidateRect(hwnd(), nullptr, false);
}

std::u16string ListView::SecondColumnText(int index) const {
    const std::u16string text = GetItemText(index, 1);
    if (!iconsShown_ || !carriesTime(index))
        return text;
    return timeText_ ? timeText_(ItemTimeFromText(text), reference_, unit_) : std::u16string();
}

QImage ListView::ComposeRow(int index, bool selected, int width, int height) const {
    QImage row = CreateCompatibleBitmap(width, height);
    if (row.isNull())
        return row;
    const bool odd = index % 2 == 1;
    const bool highlighted = selected && carriesTime(index);
    const auto kind = static_cast<size_t>((highlighted ? 2 : 0) + (odd ? 1 : 0));
    DC dc(&row);
    dc.FillRect({0, 0, width, height}, kRowFill[kind]);
    dc.SelectFont(SDraw::font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kRowText[kind]);
    const int left = 8 + (iconsShown_ ? kIconColumn : 0);
    const bool detailed = detail_ && detailLine_ > 0 && height > detailLine_;
    const int line = detailed ? detailLine_ : height;
    RECT first{left, 0, ColumnWidth(0), line};
    drawName(dc, GetItemText(index, 0), first);
    dc.SelectFont(SDraw::font(kFontText));
    RECT second{ColumnWidth(0), 0, width - 4, line};
    dc.DrawText(SecondColumnText(index), second, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    if (iconsShown_ && carriesTime(index) && iconRule_ && iconRule_(GetItemParam(index)))
        SDraw::icons().Draw(dc, kIconTimed, 0, (line - kIconSize) / 2);
    if (detailed) {
        dc.SelectFont(SDraw::font(kFontSmallText));
        RECT below{left, line, width - 8, height - 4};
        dc.SetClipRect(&below);
        dc.DrawText(detail_(GetItemParam(index)), below, DT_LEFT | DT_TOP | DT_WORDBREAK);
        dc.SetClipRect(nullptr);
    }
    return row;
}

void ListView::drawPlainRow(DC& dc, int index, const RECT& r) const {
    const bool selected = index == selected_;
    if (selected)
        dc.FillRect(r, RGB(0, 0, 255));
    dc.SelectFont(nullptr);
    dc.painter().setFont(QWidget::font());
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    const Item& it = items_[static_cast<size_t>(index)];
    RECT a = r;
    a.left += 4;
    a.right = a.left + widths_[0];
    dc.DrawText(it.text[0], a, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (widths_[1] > 0) { // a column of width 0 is hidden
        RECT b = r;
        b.left = a.right;
        b.right -= 4;
        dc.DrawText(it.text[1], b, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
}

void ListView::Paint(HDC hdc) {
    // The rows are composed at the list's own scale and then put on the canvas, which keeps the
    // list's look the same at every screen scale.
    QImage rows = CreateCompatibleBitmap(width(), height());
    if (rows.isNull())
        return;
    {
        DC dc(&rows);
        for (int i = top_; i < ItemCount() && ItemRect(i).top < height(); ++i) {
            const RECT r = ItemRect(i);
            dc.SetClipRect(nullptr);
            if (rows_ == Rows::Striped) {
                const QImage row = ComposeRow(i, i == selected_, r.width(), r.height());
                dc.BitBlt(r.left, r.top, row.width(), row.height(), row, 0, 0);
            } else {
                drawPlainRow(dc, i, r);
            }
        }
    }
    QPainter& p = hdc->painter();
    p.drawImage(QPoint(0, 0), rows);
    p.setBrush(Qt::NoBrush);
    p.setPen(kFrame);
    p.drawRect(QRect(0, 0, width() - 1, height() - 1));
    if (focusMark_ && hasFocus()) {
        p.setPen(QPen(kFocusFrame, 2));
        p.drawRect(QRectF(1, 1, width() - 2, height() - 2));
    }
}

} // namespace hv::tk

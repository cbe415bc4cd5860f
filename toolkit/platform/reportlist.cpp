#include "toolkit/platform/reportlist.h"

#include "device/text.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/dc.h"
#include "toolkit/window/picture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>

namespace hv::tk {

using controls::place;

ListViewControl::ListViewControl(QWidget* parent, uintptr_t id) : QWidget(parent), id_(id) {
    bar_ = new QScrollBar(Qt::Vertical, this);
    QObject::connect(bar_, &QScrollBar::valueChanged, this, [this](int v) {
        top_ = v;
        update();
    });
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int ListViewControl::viewWidth() const {
    return width() - 2 - (bar_->isVisible() ? 24 : 0);
}

int ListViewControl::ItemHeight(int index) const {
    if (index < 0 || index >= ItemCount())
        return rowHeight_;
    const int h = items_[static_cast<size_t>(index)].height;
    return h > 0 ? h : rowHeight_;
}

void ListViewControl::SetItemHeight(int index, int h) {
    if (index < 0 || index >= ItemCount())
        return;
    items_[static_cast<size_t>(index)].height = std::max(0, h);
    updateScroll();
}

int ListViewControl::rowsFitting(int from) const {
    // Rows past the end count at the list's row height, as an empty list's rows would.
    int n = 0;
    for (int y = ItemHeight(from); y <= height() - 2; y += ItemHeight(from + ++n)) {
    }
    return std::max(1, n);
}

int ListViewControl::VisibleRows() const {
    return rowsFitting(top_);
}

void ListViewControl::updateScroll() {
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
    bar_->setVisible(maxTop > 0);
    bar_->setGeometry(width() - 25, 1, 24, height() - 2);
    bar_->setRange(0, maxTop);
    bar_->setPageStep(VisibleRows());
    top_ = std::clamp(top_, 0, maxTop);
    bar_->setValue(top_);
    update();
}

int ListViewControl::InsertItem(int index, const std::u16string& text, intptr_t param) {
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

bool ListViewControl::SetItemText(int index, int column, const std::u16string& text) {
    if (index < 0 || index >= ItemCount() || column < 0 || column > 1)
        return false;
    items_[static_cast<size_t>(index)].text[column] = text;
    update();
    return true;
}

std::u16string ListViewControl::GetItemText(int index, int column) const {
    if (index < 0 || index >= ItemCount() || column < 0 || column > 1)
        return {};
    return items_[static_cast<size_t>(index)].text[column];
}

intptr_t ListViewControl::GetItemParam(int index) const {
    if (index < 0 || index >= ItemCount())
        return 0;
    return items_[static_cast<size_t>(index)].param;
}

bool ListViewControl::DeleteItem(int index) {
    if (index < 0 || index >= ItemCount())
        return false;
    items_.erase(items_.begin() + index);
    if (selected_ == index)
        selected_ = -1;
    else if (selected_ > index)
        --selected_;
    updateScroll();
    return true;
}

void ListViewControl::DeleteAllItems() {
    items_.clear();
    selected_ = -1;
    top_ = 0;
    updateScroll();
}

void ListViewControl::SetSelected(int index) {
    if (index >= ItemCount())
        return;
    selected_ = index < 0 ? -1 : index;
    if (selected_ >= 0)
        EnsureVisible(selected_);
    update();
    notify(LVN_ITEMCHANGED, selected_, {});
}

void ListViewControl::EnsureVisible(int index) {
    if (index < top_)
        top_ = index;
    else
        while (top_ < index && index >= top_ + VisibleRows())
            ++top_;
    updateScroll();
}

void ListViewControl::SetColumnWidth(int column, int w) {
    if (column >= 0 && column <= 1)
        widths_[column] = w;
    update();
}

int ListViewControl::ColumnWidth(int column) const {
    return column >= 0 && column <= 1 ? widths_[column] : 0;
}

void ListViewControl::SetRowHeight(int h) {
    rowHeight_ = std::max(1, h);
    updateScroll();
}

void ListViewControl::SortItems(const std::function<int(intptr_t, intptr_t)>& compare) {
    const intptr_t selParam = selected_ >= 0 ? items_[static_cast<size_t>(selected_)].param : 0;
    const bool hadSel = selected_ >= 0;
    for (size_t i = 1; i < items_.size(); ++i) {
        size_t j = i;
        while (j > 0 && compare(items_[j - 1].param, items_[j].param) > 0) {
            std::swap(items_[j - 1], items_[j]);
            --j;
        }
    }
    if (hadSel)
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i].param == selParam)
                selected_ = static_cast<int>(i);
    update();
}

int ListViewControl::RowAt(QPoint p) const {
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

RECT ListViewControl::ItemRect(int index) const {
    int y = 1;
    for (int r = top_; r < index; ++r)
        y += ItemHeight(r);
    for (int r = index; r < top_; ++r)
        y -= ItemHeight(r);
    return {1, y, 1 + viewWidth(), y + ItemHeight(index)};
}

void ListViewControl::paintEvent(QPaintEvent*) {
    QImage canvas = CreateCompatibleBitmap(width(), height());
    {
        DC dc(&canvas);
        for (int i = top_; i < ItemCount() && ItemRect(i).top < height(); ++i) {
            DRAWITEMSTRUCT dis;
            dis.CtlID = id_;
            dis.itemID = i;
            dis.hwndItem = this;
            dis.hDC = &dc;
            dis.rcItem = ItemRect(i);
            dis.itemState = i == selected_ ? ODS_SELECTED : 0u;
            dc.SetClipRect(nullptr);
            if (!SendMessage(parentWidget(), WM_DRAWITEM, id_, reinterpret_cast<LPARAM>(&dis))) {
                // Nobody draws the rows: plain text in two columns.
                if (i == selected_)
                    dc.FillRect(dis.rcItem, RGB(0, 0, 255));
                dc.SelectFont(nullptr);
                dc.painter().setFont(font());
                dc.SetBkMode(TRANSPARENT);
                dc.SetTextColor(i == selected_ ? RGB(255, 255, 255) : RGB(0, 0, 0));
                RECT a = dis.rcItem;
                a.left += 4;
                a.right = a.left + widths_[0];
                dc.DrawText(items_[static_cast<size_t>(i)].text[0], a,
                            DT_LEFT | DT_VCENTER | DT_SINGLELINE);
                if (widths_[1] > 0) { // a column of width 0 is hidden
                    RECT b = dis.rcItem;
                    b.left = a.right;
                    b.right -= 4;
                    dc.DrawText(items_[static_cast<size_t>(i)].text[1], b,
                                DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
                }
            }
        }
    }
    QPainter p(this);
    p.drawImage(QPoint(0, 0), canvas);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ListViewControl::notify(int code, int item, QPoint pt) {
    NMLISTVIEW nm;
    nm.hdr.hwndFrom = this;
    nm.hdr.idFrom = id_;
    nm.hdr.code = code;
    nm.iItem = item;
    nm.ptAction = {pt.x(), pt.y()};
    SendMessage(parentWidget(), WM_NOTIFY, id_, reinterpret_cast<LPARAM>(&nm));
}

void ListViewControl::mousePressEvent(QMouseEvent* ev) {
    if (ev->button() != Qt::LeftButton)
        return;
    pressAt_ = ev->position().toPoint();
    const int r = RowAt(pressAt_);
    if (r >= 0 && r != selected_)
        SetSelected(r);
    notify(NM_CLICK, r, pressAt_);
    if (holdTimer_)
        killTimer(holdTimer_);
    holdTimer_ = startTimer(600);
}

void ListViewControl::mouseMoveEvent(QMouseEvent* ev) {
    if (holdTimer_ && (ev->position().toPoint() - pressAt_).manhattanLength() > 8) {
        killTimer(holdTimer_);
        holdTimer_ = 0;
    }
}

void ListViewControl::mouseReleaseEvent(QMouseEvent*) {
    if (holdTimer_) {
        killTimer(holdTimer_);
        holdTimer_ = 0;
    }
}

void ListViewControl::timerEvent(QTimerEvent*) {
    if (!holdTimer_)
        return;
    killTimer(holdTimer_);
    holdTimer_ = 0;
    notify(NM_TAPHOLD, RowAt(pressAt_), pressAt_);
}

void ListViewControl::resizeEvent(QResizeEvent*) {
    updateScroll();
}

HWND CreateListView(HWND parent, uintptr_t id, const RECT& r) {
    if (!parent)
        return nullptr;
    auto* w = new ListViewControl(parent, id);
    SetDescriber(w, DescribeListView);
    place(w, r, id);
    return w;
}

ListViewControl* AsListView(HWND hwnd) {
    return dynamic_cast<ListViewControl*>(hwnd);
}

// A list named by its owner, else by the window it stands in; its rows are its children, told by
// their texts.
Accessible DescribeListView(const QWidget* widget) {
    Accessible a;
    a.role = QAccessible::List;
    const auto* list = dynamic_cast<const ListViewControl*>(widget);
    if (!list)
        return a;
    if (WindowObject(list->parentWidget()))
        a.name = AccessibleNameOf(list->parentWidget());
    for (int i = 0; i < list->ItemCount(); ++i) {
        AccessiblePart row;
        row.role = QAccessible::ListItem;
        row.name = dev::toQString(list->GetItemText(i, 0));
        row.value = dev::toQString(list->GetItemText(i, 1));
        const RECT r = list->ItemRect(i);
        row.rect = QRect(r.left, r.top, r.width(), r.height());
        row.selected = i == list->Selected();
        if (row.selected)
            a.value = row.name;
        a.parts.push_back(std::move(row));
    }
    return a;
}

} // namespace hv::tk

#include "toolkit/controls/listview.h"

#include "device/text.h"

#include <QCursor>
#include <QMenu>

#include <map>

namespace hv::tk {

namespace {

constexpr uintptr_t kListId = 1;
constexpr int kIconColumn = 32;
const std::array<COLORREF, 4> kRowFill{RGB(255, 255, 255), RGB(240, 243, 250), RGB(57, 83, 157),
                                       RGB(57, 83, 157)};

} // namespace

MyListView::MyListView(HWND owner, int x, int y, int width, int height, HWND mainWindow,
                       HINSTANCE instance)
    : CustomControl(owner), mainWindow_(mainWindow) {
    if (!CreateContainer(x, y, width, height, instance))
        return;
    control_ = CreateListView(hwnd(), kListId, {0, 0, width, height});
    if (const QFont* f = SDraw::font(kFontText))
        control_->setFont(*f);
    list()->SetColumnWidth(0, width / 2 - 16);
    list()->SetColumnWidth(1, width / 2 + 12);
    list()->SetRowHeight(30);
}

void MyListView::SetRowPicture(int kind, const QImage* source, const RECT& region) {
    if (kind >= 0 && kind < 4)
        rows_[static_cast<size_t>(kind)] = Picture(source, region, {}, false);
}

int MyListView::AddItem(const std::u16string& name, intptr_t param) {
    ListViewControl* l = list();
    return l ? l->InsertItem(l->ItemCount(), name, param) : -1;
}

int MyListView::AddTimedItem(const std::u16string& name, intptr_t param, dev::FileTime time) {
    const int i = AddItem(name, param);
    if (i >= 0)
        list()->SetItemText(i, 1, ItemTimeToText(time));
    return i;
}

bool MyListView::carriesTime(int index) const {
    return list() && list()->GetItemParam(index) < kNoTimeParam;
}

std::u16string MyListView::SecondColumnText(int index) const {
    ListViewControl* l = list();
    if (!l)
        return {};
    const std::u16string text = l->GetItemText(index, 1);
    if (!iconsShown_ || !carriesTime(index))
        return text;
    return timeText_ ? timeText_(ItemTimeFromText(text), reference_, unit_) : std::u16string();
}

void MyListView::drawName(DC& dc, const std::u16string& name, const RECT& r) {
    // A name too wide for its column takes the next smaller face, and what still does not fit
    // ends in an ellipsis rather than in half a letter.
    if (dc.GetTextExtent(name).x > r.width())
        dc.SelectFont(SDraw::font(kFontSmallText));
    dc.DrawText(name, r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

QImage MyListView::ComposeRow(int index, bool selected, int width, int height) const {
    QImage row = CreateCompatibleBitmap(width, height);
    ListViewControl* l = list();
    if (!l || row.isNull())
        return row;
    const bool odd = index % 2 == 1;
    const bool highlighted = selected && carriesTime(index);
    const int kind = (highlighted ? 2 : 0) + (odd ? 1 : 0);
    DC dc(&row);
    Picture pic = rows_[static_cast<size_t>(kind)];
    if (pic.region().width() > 0)
        pic.DrawInto(dc, {0, 0, width, height});
    else
        dc.FillRect({0, 0, width, height}, kRowFill[static_cast<size_t>(kind)]);
    dc.SelectFont(SDraw::font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colours_[static_cast<size_t>(kind)]);
    const int left = 8 + (iconsShown_ ? kIconColumn : 0);
    const bool detailed = detail_ && detailLine_ > 0 && height > detailLine_;
    const int line = detailed ? detailLine_ : height;
    RECT first{left, 0, l->ColumnWidth(0), line};
    drawName(dc, l->GetItemText(index, 0), first);
    dc.SelectFont(SDraw::font(kFontText));
    RECT second{l->ColumnWidth(0), 0, width - 4, line};
    dc.DrawText(SecondColumnText(index), second, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    if (iconsShown_ && carriesTime(index) && iconRule_ && iconRule_(l->GetItemParam(index)))
        SDraw::icons().Draw(dc, kIconTimed, 0, (line - kIconSize) / 2);
    if (detailed) {
        dc.SelectFont(SDraw::font(kFontSmallText));
        RECT below{left, line, width - 8, height - 4};
        dc.SetClipRect(&below);
        dc.DrawText(detail_(l->GetItemParam(index)), below, DT_LEFT | DT_TOP | DT_WORDBREAK);
        dc.SetClipRect(nullptr);
    }
    return row;
}

void MyListView::Sort(const ListRowOrder& order) {
    ListViewControl* l = list();
    if (!l || !order)
        return;
    std::map<intptr_t, ListRow> byParam;
    for (int i = 0; i < l->ItemCount(); ++i) {
        ListRow r;
        r.param = l->GetItemParam(i);
        r.name = l->GetItemText(i, 0);
        if (r.param < kNoTimeParam)
            r.time = ItemTimeFromText(l->GetItemText(i, 1));
        byParam[r.param] = std::move(r);
    }
    l->SortItems([&](intptr_t a, intptr_t b) { return order(byParam[a], byParam[b]); });
}

LRESULT MyListView::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DRAWITEM: {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (!dis || !dis->hDC || dis->itemID < 0)
            return 0;
        const QImage row = ComposeRow(dis->itemID, dis->itemState & ODS_SELECTED,
                                      dis->rcItem.width(), dis->rcItem.height());
        dis->hDC->BitBlt(dis->rcItem.left, dis->rcItem.top, row.width(), row.height(), row, 0, 0);
        return 1;
    }
    case WM_NOTIFY: {
        const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lp);
        if (!nm)
            return 0;
        if (nm->hdr.code == LVN_ITEMCHANGED) {
            itemHasTime_ = nm->iItem >= 0 && carriesTime(nm->iItem);
            SendMessage(mainWindow_, kMsgListSelection, static_cast<WPARAM>(nm->iItem),
                        reinterpret_cast<LPARAM>(hwnd));
            return 0;
        }
        if (nm->hdr.code == NM_TAPHOLD && !menu_.empty()) {
            QMenu menu;
            for (const auto& [id, text] : menu_)
                menu.addAction(dev::toQString(text))->setData(id);
            const QPoint at = control_->mapToGlobal(QPoint(nm->ptAction.x, nm->ptAction.y));
            if (QAction* chosen = menu.exec(at))
                SendMessage(commandTarget_, WM_COMMAND, static_cast<WPARAM>(chosen->data().toInt()),
                            0);
            return 0;
        }
        return 0;
    }
    case WM_COMMAND:
        return SendMessage(commandTarget_, msg, wp, lp);
    default:
        return SWindow::WindowProc(hwnd, msg, wp, lp);
    }
}

} // namespace hv::tk

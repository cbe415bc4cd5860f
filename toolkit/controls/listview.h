// The list view: rows of two columns with a selection, a scroll bar, the keys and the wheel.
// It serves the events list and the stopwatch's split list (striped rows: names on the left and,
// for items that carry a time, the difference to a reference time in a chosen unit on the right,
// an icon column and a detail text under a tall row) and the screen saver's exception list (plain
// rows in the widget's font). The list knows no rules of its own: its owner gives it the order of
// the rows and the text of a timed row's second column.
//
// The owner hears of it through the owner protocol: a tap, or Enter or Space on the selected row,
// sends WM_NOTIFY NM_CLICK (an NMLISTVIEW with the row hit, -1 for none, and the point); a change
// of the selection sends kMsgListSelection (the row in wParam, the list in lParam).
#pragma once

#include "device/systime.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/platform/control.h"
#include "toolkit/window/SWindow.h"

#include <QPoint>
#include <QPointer>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class QScrollBar;

namespace hv::tk {

// A row as the owner's rules see it.
struct ListRow {
    intptr_t param = 0;
    std::u16string name;    // the first column
    dev::FileTime time = 0; // 0 for a row without a time (param kNoTimeParam or more)
};
// The owner's order: positive when row a goes after row b; rows are only moved on a positive
// result, so rows the order holds equal keep their places.
using ListRowOrder = std::function<int(const ListRow& a, const ListRow& b)>;
// The owner's second column of a timed row: its time against the list's reference time, written
// in the list's unit (a number the owner gives meaning to).
using ListTimeText =
    std::function<std::u16string(dev::FileTime time, dev::FileTime reference, int unit)>;

class ListView : public SWindow, public SDrawBasic {
public:
    enum class Rows {
        Striped, // the items' lists: striped rows of 30 pixels, the selection of a timed row
                 // highlighted, the text font
        Plain    // a plain report list: rows of 28 pixels, the selection blue, the widget's font
    };
    // A child of `owner` at r; the owner names it for assistive technology (`label`).
    ListView(HWND owner, const RECT& r, uintptr_t id, Rows rows, const std::u16string& label);

    // Items.
    int InsertItem(int index, const std::u16string& text, intptr_t param);
    // Adds an item at the end; a timed item keeps its file time in the second column's text.
    int AddItem(const std::u16string& name, intptr_t param);
    int AddTimedItem(const std::u16string& name, intptr_t param, dev::FileTime time);
    bool SetItemText(int index, int column, const std::u16string& text);
    std::u16string GetItemText(int index, int column) const;
    intptr_t GetItemParam(int index) const;
    void DeleteAllItems();
    int ItemCount() const { return static_cast<int>(items_.size()); }

    // The selection: SetSelected selects (or, with -1, clears), scrolls the row into view and
    // tells the owner.
    int Selected() const { return selected_; }
    void SetSelected(int index);
    bool itemHasTime() const { return selected_ >= 0 && carriesTime(selected_); }

    // Geometry: the top row shown, the rows shown whole from it (at least one), a row's
    // rectangle and the row under a point of the list (or -1).
    void EnsureVisible(int index);
    int TopIndex() const { return top_; }
    int VisibleRows() const;
    RECT ItemRect(int index) const;
    int RowAt(QPoint p) const;
    void SetColumnWidth(int column, int width);
    int ColumnWidth(int column) const;
    // A row of its own height (0: the list's row height); the events list makes rows with a
    // note taller.
    void SetItemHeight(int index, int h);
    int ItemHeight(int index) const;

    // The striped rows' content.
    void SetIconsShown(bool on);
    void SetUnit(int unit);
    int unit() const { return unit_; }
    void SetReferenceTime(dev::FileTime t);
    dev::FileTime referenceTime() const { return reference_; }
    // How a timed row's second column reads while the icons are shown; without it, empty.
    void SetTimeText(ListTimeText text);
    // Which timed rows get icon 8 in the icon column.
    void SetIconRule(std::function<bool(intptr_t param)> rule);
    // A row taller than `lineHeight` shows its two columns in the top `lineHeight` pixels and,
    // below them, the owner's detail text for its parameter (the events list shows a note there).
    void SetRowDetail(std::function<std::u16string(intptr_t param)> detail, int lineHeight);
    // Draws the rows again (after the owner's rules changed what they show).
    void Redraw();

    // Sorts the rows by the owner's order; the selection stays on its row.
    void Sort(const ListRowOrder& order);

    // The second column as shown for a row.
    std::u16string SecondColumnText(int index) const;
    // Composes one striped row as the list shows it.
    QImage ComposeRow(int index, bool selected, int width, int height) const;

    void Paint(HDC hdc) override;
    void OnLButtonDown(POINT pt) override;
    bool OnKeyDown(int key) override;
    bool OnWheel(int turn) override;
    // A list, named by its owner's label; its value is the selected row's text.
    Accessible accessibility() const override;

protected:
    void resizeEvent(QResizeEvent* ev) override;
    void focusInEvent(QFocusEvent* ev) override;
    void focusOutEvent(QFocusEvent* ev) override;

private:
    struct Item {
        std::u16string text[2];
        intptr_t param = 0;
        int height = 0;
    };
    bool carriesTime(int index) const;
    void drawPlainRow(DC& dc, int index, const RECT& r) const;
    void updateScroll();
    int rowsFitting(int from) const;
    int viewWidth() const;
    bool barShown() const;
    void scrollTo(int top);
    void tap(int row, QPoint at);
    void selectionChanged();

    Rows rows_;
    std::vector<Item> items_;
    int selected_ = -1;
    int top_ = 0;
    int rowHeight_ = 28;
    int widths_[2] = {100, 100};
    QPointer<QScrollBar> bar_;
    int wheelRest_ = 0;      // the part of a notch not yet turned into rows
    bool focusMark_ = false; // the keyboard brought the focus: the frame shows it

    bool iconsShown_ = false;
    int unit_ = 0;
    dev::FileTime reference_ = 0;
    std::function<bool(intptr_t)> iconRule_;
    ListTimeText timeText_;
    std::function<std::u16string(intptr_t)> detail_;
    int detailLine_ = 0;
};

} // namespace hv::tk

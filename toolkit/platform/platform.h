// The platform controls the dialogs and the toolkit's own controls stand on, as small adapters
// over Qt widgets: check box, push button (plain or owner-drawn), edit, multi-line edit, the
// date-and-time picker, the owner-drawn report list view, the tab control, the tree view, and
// the message box service. Each control is a child window with an id; it tells its parent of a
// change with WM_COMMAND or WM_NOTIFY, as the handheld's controls do.
#pragma once

#include "device/device.h"
#include "device/systime.h"
#include "toolkit/window/dc.h"
#include "toolkit/window/winapi.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class QScrollBar;

namespace hv::tk {

// WM_COMMAND notification codes (high word of wParam).
enum : int { BN_CLICKED = 0, EN_CHANGE = 0x0300 };
// WM_NOTIFY codes.
enum : int {
    NM_CLICK = -2, // a tap on a list view: iItem is the row hit, -1 for none
    TCN_SELCHANGE = -551,
    TVN_SELCHANGED = -402,
    TVN_ITEMEXPANDING = -454
};
// Actions of TVN_ITEMEXPANDING.
enum : int { TVE_COLLAPSE = 1, TVE_EXPAND = 2 };
constexpr WPARAM MAKEWPARAM(int lo, int hi) {
    return static_cast<WPARAM>((static_cast<uint32_t>(lo) & 0xffff) |
                               ((static_cast<uint32_t>(hi) & 0xffff) << 16));
}

// A tap-and-hold or list-view notification with the item and the point.
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem = -1;
    POINT ptAction;
};

// ---- Buttons and edits -----------------------------------------------------------------------

HWND CreateCheckBox(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r);
bool IsChecked(HWND checkBox);
void SetChecked(HWND checkBox, bool on);

// An owner-drawn button asks its parent to draw it with WM_DRAWITEM (a DRAWITEMSTRUCT).
HWND CreatePushButton(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r,
                      bool ownerDrawn = false);
HWND CreateEdit(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r,
                bool multiLine = false, int maxLength = 0);

// ---- Date-and-time picker --------------------------------------------------------------------

class DateTimePick : public QWidget {
public:
    enum class Style { Time, Date };
    DateTimePick(QWidget* parent, Style style, uintptr_t id);

    void setTime(const dev::SystemTime& t);
    const dev::SystemTime& time() const { return time_; }
    // A picture of the formatter; empty = the locale's time or short date format.
    void setPicture(std::u16string picture);
    const std::u16string& picture() const { return picture_; }
    // The text shown.
    std::u16string text() const;

    // Fields of the shown picture, left to right.
    int fieldCount() const;
    int selectedField() const { return selected_; }
    void selectField(int index);
    // Spins the selected field one step up (+1) or down (-1), wrapping like the platform control,
    // and tells the parent (DTN_DATETIMECHANGE).
    void spin(int delta);
    // The screen areas of the arrows, for taps.
    QRect upArrow() const;
    QRect downArrow() const;

    // Typed digits set the selected field: they gather until no further digit fits the field's
    // range, then the next field is selected. A letter's range may be narrowed (the Internet
    // time's one-digit fields, the offset's hours); a year field of one or two letters takes the
    // years from 2000. "a" and "p" choose AM and PM; other keys go to the parent
    // (DTN_WMKEYDOWN).
    void typeKey(char16_t key);
    void setTypedRange(char16_t letter, int lo, int hi);
    void clearTypedRanges() { typedRanges_.clear(); }
    // The last change came from typed digits, not from the arrows.
    bool typedChange() const { return typedChange_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void focusOutEvent(QFocusEvent*) override;

private:
    struct Token {
        std::u16string picture; // the letters, or the literal's text
        char16_t letter = 0;    // 0 for a literal
        int left = 0;
        int right = 0;
    };
    static constexpr int kTextLeft = 6;
    void tokenize();
    // The picker's face, or the next smaller one where the text does not fit beside the arrows.
    QFont fittedFont() const;
    void layoutTokens();
    std::u16string tokenText(const Token& t) const;
    std::vector<int> fieldTokens() const;
    void notifyChange();
    // Takes a changed time (a day past its month's end clamped), tells the parent, and marks
    // whether typed digits made the change.
    void commit(dev::SystemTime t, bool typed);
    struct Range {
        int lo = 0;
        int hi = 0;
    };
    Range typedRange(const Token& t) const;
    void typeDigit(int digit);

    Style style_;
    uintptr_t id_;
    dev::SystemTime time_{};
    std::u16string picture_;
    std::vector<Token> tokens_;
    int selected_ = 0;
    std::u16string typed_; // the digits typed into the selected field so far
    std::vector<std::pair<char16_t, Range>> typedRanges_;
    bool typedChange_ = false;
};

HWND CreateDateTimePick(HWND parent, uintptr_t id, DateTimePick::Style style, const RECT& r);
DateTimePick* AsDateTimePick(HWND hwnd);

// ---- Report list view (owner-drawn rows) -----------------------------------------------------

class ListViewControl : public QWidget {
public:
    ListViewControl(QWidget* parent, uintptr_t id);

    int InsertItem(int index, const std::u16string& text, intptr_t param);
    bool SetItemText(int index, int column, const std::u16string& text);
    std::u16string GetItemText(int index, int column) const;
    intptr_t GetItemParam(int index) const;
    bool DeleteItem(int index);
    void DeleteAllItems();
    int ItemCount() const { return static_cast<int>(items_.size()); }
    int Selected() const { return selected_; }
    // Selects (or, with -1, clears) and tells the parent.
    void SetSelected(int index);
    void EnsureVisible(int index);
    int TopIndex() const { return top_; }
    void SetColumnWidth(int column, int width);
    int ColumnWidth(int column) const;
    void SetRowHeight(int h);
    int RowHeight() const { return rowHeight_; }
    // A row of its own height (0: the list's row height); the events list makes rows with a
    // note taller.
    void SetItemHeight(int index, int h);
    int ItemHeight(int index) const;
    // Rows shown whole from the top row on (at least one).
    int VisibleRows() const;
    // Reorders so that no item follows one it should precede: an item moves before its
    // neighbour while compare(neighbour, item) > 0 (stable; safe with any comparison).
    void SortItems(const std::function<int(intptr_t, intptr_t)>& compare);
    // The row under a point of the control, or -1.
    int RowAt(QPoint p) const;
    RECT ItemRect(int index) const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void timerEvent(QTimerEvent*) override;

private:
    struct Item {
        std::u16string text[2];
        intptr_t param = 0;
        int height = 0;
    };
    void updateScroll();
    int rowsFitting(int from) const;
    void notify(int code, int item, QPoint p);
    int viewWidth() const;

    uintptr_t id_;
    std::vector<Item> items_;
    int selected_ = -1;
    int top_ = 0;
    int rowHeight_ = 28;
    int widths_[2] = {100, 100};
    QScrollBar* bar_ = nullptr;
    int holdTimer_ = 0;
    QPoint pressAt_;
};

HWND CreateListView(HWND parent, uintptr_t id, const RECT& r);
// Removes a platform control made by one of the Create functions (after the current message).
void DestroyControl(HWND control);
ListViewControl* AsListView(HWND hwnd);

// ---- Tab control and tree view ---------------------------------------------------------------

HWND CreateTabControl(HWND parent, uintptr_t id, const RECT& r);
int TabInsertItem(HWND tab, int index, const std::u16string& text);
int TabGetCurSel(HWND tab);
int TabSetCurSel(HWND tab, int index);

using HTREEITEM = void*;
HWND CreateTreeView(HWND parent, uintptr_t id, const RECT& r);
// Inserts under a parent item (nullptr: at the root); an image index of -1 shows none.
HTREEITEM TreeInsertItem(HWND tree, HTREEITEM parent, const std::u16string& text, intptr_t param,
                         int image = -1);
void TreeSetImages(HWND tree, const class ImageList* images);
HTREEITEM TreeGetSelection(HWND tree);
intptr_t TreeGetItemParam(HWND tree, HTREEITEM item);
bool TreeSelectItem(HWND tree, HTREEITEM item);
void TreeExpand(HWND tree, HTREEITEM item);
void TreeCollapse(HWND tree, HTREEITEM item);
bool TreeIsExpanded(HWND tree, HTREEITEM item);
// An item expanded or collapsed by a tap or by TreeExpand/TreeCollapse tells the tree's parent
// with WM_NOTIFY, TVN_ITEMEXPANDING and this record. The item's state has changed already, so the
// parent fills an expanded item's children or removes a collapsed item's.
struct NMTREEVIEW {
    NMHDR hdr;
    int action = 0; // TVE_EXPAND or TVE_COLLAPSE
    HTREEITEM item = nullptr;
};
// Shows the expand button on an item before its children are known (cChildren = 1) or takes it
// away (0). False for an item that is not in the tree.
bool TreeSetHasChildren(HWND tree, HTREEITEM item, bool has);
bool TreeHasChildrenButton(HWND tree, HTREEITEM item);
void TreeDeleteChildren(HWND tree, HTREEITEM item);
HTREEITEM TreeGetParent(HWND tree, HTREEITEM item);
std::vector<HTREEITEM> TreeGetChildren(HWND tree, HTREEITEM item); // nullptr: the top items
std::u16string TreeGetItemText(HWND tree, HTREEITEM item);
int TreeGetItemImage(HWND tree, HTREEITEM item);

// ---- Message boxes ---------------------------------------------------------------------------

// Qt message boxes for programs with a window; install with
// dev::RealDevice::instance().setMessageBoxes(std::make_unique<QtMessageBoxes>()). A box is
// modal and stands over the window that asked: the open modal dialog, else the active window,
// else the program's main window once it is named.
class QtMessageBoxes : public dev::MessageBoxes {
public:
    dev::MbResult show(const std::u16string& caption, const std::u16string& text, dev::MbIcon icon,
                       dev::MbButtons buttons) override;
    void setMainWindow(QWidget* w) { mainWindow_ = w; }
    // The window a box shown now would stand over (nullptr: none yet).
    QWidget* owner() const;

private:
    QPointer<QWidget> mainWindow_;
};

} // namespace hv::tk

// The report list view: rows of two columns that its parent draws (WM_DRAWITEM), with a
// selection, a scroll bar and the tap-and-hold notification.
#pragma once

#include "toolkit/platform/control.h"
#include "toolkit/window/SWindow.h"

#include <QPoint>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QScrollBar;

namespace hv::tk {

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
ListViewControl* AsListView(HWND hwnd);
// What a screen reader is told of a list view: a list with its rows as items.
Accessible DescribeListView(const QWidget* widget);

} // namespace hv::tk

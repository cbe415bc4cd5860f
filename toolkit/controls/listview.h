// The owner-drawn two-column list of the events view and the stopwatch: names on the left and, for
// items that carry a time, the difference to a reference time in a chosen unit on the right. The
// list knows no rules of its own: its owner gives it the order of the rows and the text of a timed
// row's second column.
#pragma once

#include "device/systime.h"
#include "toolkit/controls/controlrules.h"
#include "toolkit/controls/pickers.h"

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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

class MyListView : public CustomControl {
public:
    MyListView(HWND owner, int x, int y, int width, int height, HWND mainWindow,
               HINSTANCE instance);
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;

    ListViewControl* list() const { return AsListView(control_); }

    // Row kinds: 0 normal even, 1 normal odd, 2 highlighted even, 3 highlighted odd.
    void SetRowPicture(int kind, const QImage* source, const RECT& region);
    void SetRowColours(const std::array<COLORREF, 4>& colours) { colours_ = colours; }
    void SetIconsShown(bool on) { iconsShown_ = on; }
    bool iconsShown() const { return iconsShown_; }
    void SetUnit(int unit) { unit_ = unit; }
    int unit() const { return unit_; }
    void SetReferenceTime(dev::FileTime t) { reference_ = t; }
    dev::FileTime referenceTime() const { return reference_; }
    // How a timed row's second column reads while the icons are shown; without it, empty.
    void SetTimeText(ListTimeText text) { timeText_ = std::move(text); }
    // Which timed rows get icon 8 in the icon column.
    void SetIconRule(std::function<bool(intptr_t param)> rule) { iconRule_ = std::move(rule); }
    // The tap-and-hold menu: command ids and texts; a choice goes to the command target.
    void SetContextMenu(std::vector<std::pair<int, std::u16string>> items) {
        menu_ = std::move(items);
    }
    void SetCommandTarget(HWND target) { commandTarget_ = target; }
    // A row taller than `lineHeight` shows its two columns in the top `lineHeight` pixels and,
    // below them, the owner's detail text for its parameter (the events list shows a note there).
    void SetRowDetail(std::function<std::u16string(intptr_t param)> detail, int lineHeight) {
        detail_ = std::move(detail);
        detailLine_ = lineHeight;
    }
    void SetItemHeight(int index, int height) {
        if (list())
            list()->SetItemHeight(index, height);
    }
    bool itemHasTime() const { return itemHasTime_; }

    // Adds an item; a timed item keeps its file time in the second column's text.
    int AddItem(const std::u16string& name, intptr_t param);
    int AddTimedItem(const std::u16string& name, intptr_t param, dev::FileTime time);
    // Sorts the rows by the owner's order; the selection stays on its row.
    void Sort(const ListRowOrder& order);

    // The second column as shown for a row.
    std::u16string SecondColumnText(int index) const;
    // Composes one row (what WM_DRAWITEM copies to the list).
    QImage ComposeRow(int index, bool selected, int width, int height) const;
    static void drawName(DC& dc, const std::u16string& name, const RECT& r);

private:
    bool carriesTime(int index) const;

    HWND mainWindow_ = nullptr;
    std::array<Picture, 4> rows_;
    std::array<COLORREF, 4> colours_{RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255),
                                     RGB(255, 255, 255)};
    bool iconsShown_ = false;
    int unit_ = 0;
    dev::FileTime reference_ = 0;
    std::function<bool(intptr_t)> iconRule_;
    ListTimeText timeText_;
    std::vector<std::pair<int, std::u16string>> menu_;
    HWND commandTarget_ = nullptr;
    bool itemHasTime_ = false;
    std::function<std::u16string(intptr_t)> detail_;
    int detailLine_ = 0;
};

} // namespace hv::tk

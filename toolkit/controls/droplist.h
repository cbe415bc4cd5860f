// The program's own drop-down lists: a closed box with the arrow icon and the selected item, a
// borderless pop-up list that opens over it, and the owner told by private messages. Each list is
// a container window (DropList, DropNumList, DropCityList) and an engine (SDropList,
// SDropNumList, SDropCityList) that draws the box and owns the pop-up. CityList puts a
// continent list and a city list together.
#pragma once

#include "device/systime.h"
#include "toolkit/controls/controlrules.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

#include <string>
#include <vector>

class QFontMetrics;

namespace hv::tk {

// The rows' text stands this far in from the pop-up's edges; a city row keeps a gap between
// the name and the offset.
inline constexpr int kRowTextInset = 6;
inline constexpr int kBoxTextEnd = 4; // the closed box's text stops this far from its right
inline constexpr int kCityOffsetGap = 8;

// Press states of the engine.
enum : int { kPressIdle = -1, kPressBox = -2, kPressOpened = -3 };

// Notifications.
inline constexpr UINT kMsgChanged = WM_USER;    // to the container, then to its parent
inline constexpr UINT kMsgChoice = WM_USER + 1; // the pop-up closed with a choice
inline constexpr UINT kMsgPickerChanged = WM_USER + 3;
inline constexpr UINT kMsgListSelection = WM_USER + 4;

struct CityRef {
    int continent = 0;
    int city = 0;
};

class DropListB : public SDrawBasic, public SWindow {
public:
    DropListB(HWND container, const QFont* font);
    ~DropListB() override;

    void Paint(HDC hdc) override;
    void OnLButtonDown(POINT pt) override;
    void OnLButtonUp(POINT pt) override;
    void OnMouseMove(POINT pt) override;
    void OnVScroll(int request, int position) override;
    bool OnWheel(int turn) override;
    bool OnKeyDown(int key) override;
    void OnDeactivate() override;
    // Tab away from the open list closes it without a change.
    void focusOutEvent(QFocusEvent* ev) override;
    // The open pop-up: a list of the items, named as its box.
    Accessible accessibility() const override;
    // The engine's own operations: the items and the pop-up's rows.
    virtual const char16_t* ItemText(int index);
    virtual int ItemLength(int index);
    virtual void PaintList(HDC hdc);
    // The width of an item's text in the closed box, and of its row in the pop-up (a city row
    // adds the offset), in the given metrics.
    int ItemWidth(const QFontMetrics& fm, int index);
    virtual int RowWidth(const QFontMetrics& fm, int index);

    int selected() const { return selected_; }
    // Refused (false) for an index at or beyond the count.
    bool SetSelected(int index);
    int count() const { return count_; }
    bool isOpen() const { return open_; }
    bool scrolling() const { return scrolling_; }
    int rowHeight() const { return rowHeight_; }
    int visibleRows() const { return visibleRows_; }
    int firstVisible() const { return firstVisible_; }
    int pressState() const { return pressState_; }
    const RECT& listRect() const { return listRect_; }
    HWND container() const { return container_; }
    HWND popup() const { return hwnd(); }

    void setHidden(bool hidden);
    bool hidden() const { return hidden_; }
    void setSeparatorRow(int row) { separatorRow_ = row; }
    void setRightAligned(bool on) { rightAligned_ = on; }
    // A list over a picture drawn scaled (a watch skin filling a larger screen): the box and the
    // pop-up keep their layout in the picture's coordinates, and the pop-up opens mapped by
    // scale and origin onto the screen, its rows drawn and hit at that scale.
    void setScreenMapping(double scale, POINT origin) {
        scale_ = scale > 0 ? scale : 1;
        origin_ = origin;
    }
    void setFont(const QFont* font) {
        font_ = font;
        fitted_ = nullptr;
    }
    // The face the box and the rows are drawn in: the list's own, or, where an item does not fit
    // the closed box, the next smaller text face (as many steps as it takes).
    const QFont* drawFont();
    // The room for the text in the closed box.
    int BoxRoom() const;
    // The pop-up's width without its scroll bar: the box's, or wider where a row needs it, up to
    // the screen's right limit.
    int PopupWidth();

    // The item as text (ItemText with ItemLength, -1 meaning zero-terminated).
    std::u16string Item(int index);

    // The closed box, drawn into the container.
    void PaintBox(HDC hdc);
    // Taps on the closed box (the container passes them on).
    void BoxDown();
    void BoxUp();
    // Opens the pop-up as a tap would.
    void Open();
    // Closes the pop-up without a choice.
    void Dismiss();

protected:
    // Reads the list string into the item table and lays out the pop-up.
    void SetListString(const char16_t* list, bool owned);
    void Relayout();
    void PaintRow(DC& dc, int row, bool pressed);
    RECT RowRect(int row) const;
    int ListWidth() const;
    // Scrolls the open list so that `first` is its top row (kept in range).
    void ScrollTo(int first);
    // Up, Down, Page Up, Page Down, Home and End scroll the open list, its highlighted row moving
    // with them; Enter or Space takes the highlighted row, Escape (or F4) closes without a change.
    bool ScrollKey(int key);
    // Moves the highlight of the open list to a row (kept in range).
    void Highlight(int row);
    // Ends the open list with a row as the choice, as a tap on it does.
    void Choose(int row);
    // The closed box's keys: Up, Down, Page Up, Page Down, Home and End change the choice;
    // Alt+Down, F4, Space and Enter open the list.
    bool BoxKey(int key);
    static constexpr int kWheelRows = 3;

    HWND container_ = nullptr;
    bool hidden_ = false;
    int separatorRow_ = 0;
    bool open_ = false;
    bool scrolling_ = false;
    bool rightAligned_ = false;
    int count_ = 0;
    std::vector<int> itemEnds_;
    int selected_ = 0;
    int rowHeight_ = 0;
    int visibleRows_ = 0;
    int firstVisible_ = 0;
    int pressState_ = kPressIdle;
    RECT listRect_;
    const QFont* font_ = nullptr;
    const char16_t* listString_ = nullptr;
    std::u16string ownedList_;
    int pressedRow_ = -1;
    int pressY_ = -1;    // where the stylus went down in the open list
    int pressFirst_ = 0; // the top row then
    bool dragging_ = false;
    int wheelTurn_ = 0;
    int total_ = 0;
    const QFont* fitted_ = nullptr; // drawFont's choice, made again after every relayout
    double scale_ = 1;
    POINT origin_{0, 0};
    POINT unmapped(POINT p) const;
    bool swallowTap_ = false;
    int hot_ = -1; // the open list's highlighted row (the keys move it)

    friend class DropListContainer;
};

class SDropList : public DropListB {
public:
    // A list string kept by the caller, or a copy of a string resource's text.
    SDropList(HWND container, const char16_t* list, int selected, const QFont* font);
    SDropList(HWND container, std::u16string list, int selected, const QFont* font);
    ~SDropList() override;
};

class SDropNumList : public DropListB {
public:
    SDropNumList(HWND container, int from, int to, int step, int selectedValue, const QFont* font);
    ~SDropNumList() override;
    int from() const { return from_; }
    int step() const { return step_; }
    // The number of the selected item.
    int SelectedValue() const { return from_ + selected_ * step_; }
    bool SelectValue(int value);
    int to() const { return from_ + (count_ - 1) * step_; }
    // Lengthens the list to end at `to` (nothing when it already reaches it); the selection stays.
    void ExtendTo(int to);

private:
    int from_ = 0;
    int step_ = 1;
};

class SDropCityList : public DropListB {
public:
    SDropCityList(HWND container, CityRef* ref, const QFont* font);
    ~SDropCityList() override;
    void OnLButtonDown(POINT pt) override;
    const char16_t* ItemText(int index) override;
    int ItemLength(int index) override;
    void PaintList(HDC hdc) override;
    int RowWidth(const QFontMetrics& fm, int index) override;
    // Refused when the index is not below the continent's city count; continent -1 keeps it.
    bool Select(int city, int continent = -1);
    int continent() const { return continent_; }
    CityRef* ref() const { return ref_; }

private:
    CityRef* ref_ = nullptr;
    int continent_ = 0;
    std::u16string name_; // the text ItemText last handed out
};

// The container windows: the box and the arrow column, forwarding the engine's notifications.
class DropListContainer : public SDrawBasic, public SWindow {
public:
    void Paint(HDC hdc) override;
    void OnLButtonDown(POINT pt) override;
    void OnLButtonUp(POINT pt) override;
    bool OnKeyDown(int key) override;
    ~DropListContainer() override;
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
    // A box that leaves the screen (its view switched away, its dialog closed) closes its open
    // list without a change: the list is a window of its own and would stay over what follows.
    void hideEvent(QHideEvent* ev) override;
    // A combo box showing its choice, named after its label.
    Accessible accessibility() const override;
    DropListB* engine() const { return engine_; }
    int selected() const { return engine_ ? engine_->selected() : -1; }
    bool SetSelected(int index);
    void Open() {
        if (engine_)
            engine_->Open();
    }

protected:
    // Creates the container at (left - 30, top), (right - left + 30) wide.
    bool CreateBox(HWND owner, const RECT& r, const std::u16string& className, uintptr_t id);
    DropListB* engine_ = nullptr;
    bool ignoringTap_ = false;
};

class DropList : public DropListContainer {
public:
    // From a string resource.
    DropList(HWND owner, const RECT& r, int stringId, int selected, const QFont* font,
             uintptr_t id = 0);
    // From a list string built at run time (copied).
    DropList(HWND owner, const RECT& r, std::u16string list, int selected, const QFont* font,
             uintptr_t id = 0);
    SDropList* list() const { return static_cast<SDropList*>(engine_); }
};

class DropNumList : public DropListContainer {
public:
    DropNumList(HWND owner, const RECT& r, int from, int to, int step, int selectedValue,
                const QFont* font, uintptr_t id = 0);
    SDropNumList* list() const { return static_cast<SDropNumList*>(engine_); }
    int SelectedValue() const { return list()->SelectedValue(); }
};

class DropCityList : public DropListContainer {
public:
    DropCityList(HWND owner, const RECT& r, CityRef* ref, const QFont* font, uintptr_t id = 0);
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
    SDropCityList* list() const { return static_cast<SDropCityList*>(engine_); }
};

// A continent list over a city list, with the selected city's local time.
class CityList : public SDrawBasic, public SWindow {
public:
    static constexpr int kWidth = 280; // the city box runs to x 280
    static constexpr int kHeight = 68;
    static constexpr RECT kContinentBox{30, 0, 250, 28};
    static constexpr RECT kCityBox{30, 40, 280, 68};
    CityList(HWND owner, int x, int y, int continent, int city, uintptr_t id = 0);
    ~CityList() override;
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
    // A group of the two lists with the chosen city as its value.
    Accessible accessibility() const override;

    // Copies the given time (or the device's local time) and returns the city's local time.
    dev::SystemTime UpdateTime(const dev::SystemTime* local = nullptr);
    int continent() const { return continent_; }
    int city() const { return ref_.city; }
    bool Select(int continent, int city);
    DropList* continents() const { return continents_; }
    DropCityList* cities() const { return cities_; }
    const dev::SystemTime& cityTime() const { return cityTime_; }

private:
    // Names the two lists after their labels.
    void NameLists();
    DropList* continents_ = nullptr;
    DropCityList* cities_ = nullptr;
    int continent_ = 0;
    CityRef ref_;
    HWND owner_ = nullptr;
    dev::SystemTime local_{};
    dev::SystemTime cityTime_{};
};

} // namespace hv::tk

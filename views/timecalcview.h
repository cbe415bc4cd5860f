// The Time Calc view (view 12): a reference city with a date and a time, and twelve rows of
// other cities on four tabs of three that show the same instant in their own local time. Every
// paint recomputes the shown rows; a changed tab, input or row city redraws them at once, a
// changed date at the next tick. The row cities come from the settings record and go back to it
// at exit; the selected tab is the view's remembered sub-state.
#pragma once

#include "toolkit/controls/droplist.h"
#include "toolkit/controls/pickers.h"
#include "toolkit/controls/tabcontrol.h"
#include "toolkit/window/picture.h"
#include "viewbase/view.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace hv::views {

using tk::POINT;
using tk::RECT;

// One row: a city picker that knows the view that owns it and holds the row's converted time.
class TimeCalcItem : public tk::CityList {
public:
    TimeCalcItem(view::View& owner, tk::HWND parent, POINT at, int continent, int city)
        : CityList(parent, at.x, at.y, continent, city), owner_(owner) {}
    view::View& owner() const { return owner_; }
    // The row city's local time at the reference instant; empty outside the calendar.
    std::optional<dev::SystemTime> converted;

private:
    view::View& owner_;
};

class TimeCalcView : public view::View, public tk::SDrawBasic {
public:
    static constexpr int kTabCount = 4;
    static constexpr int kRowsPerTab = 3;
    static constexpr int kRowCount = kTabCount * kRowsPerTab;

    // Positions on the client area.
    // Blue bars above and below the inputs, grey lines between the groups.
    static constexpr view::SectionRules kRules{
        {0, 220, 480, 224}, {0, 482, 480, 486}, {0, 308, 480, 312}, {0, 400, 480, 404}};
    static constexpr POINT kReferenceAt{20, 60};
    static constexpr POINT kTabsAt{240, 12};
    // The date picker is wide enough for a four-digit year after a two-digit day and month.
    static constexpr RECT kDateLabel{0, 168, 78, 196};
    static constexpr RECT kTimeLabel{244, 168, 312, 196};
    static constexpr POINT kDatePickerAt{82, 160};
    static constexpr POINT kTimePickerAt{318, 160};
    static constexpr int kDatePickerWidth = 158;
    static constexpr int kTimePickerWidth = 152;
    static constexpr int kPickerHeight = 42;
    // The rows' pickers; each row's time, date and AM/PM picture beside its picker. Offsets
    // from the row's top: the time right of the continent box, the date right of the city box,
    // both right-aligned against the picture.
    static constexpr int kRowX = 20;
    static constexpr std::array<int, kRowsPerTab> kRowTops{232, 320, 408};
    static constexpr RECT kRowTime{206, 0, 426, 28};
    static constexpr RECT kRowDate{300, 40, 426, 68};
    static constexpr RECT kRowAmPm{432, 12, 476, 56};
    static constexpr RECT kRowsArea{0, 226, 480, 480};
    static constexpr int kAmPmImage = 203;
    static constexpr int kAmPmFrames = 2;

    TimeCalcView(view::ViewContext& ctx, int number);
    ~TimeCalcView() override;

    void show() override;
    void hide() override;
    void paint(tk::DC& dc) override;
    // A changed date picker redraws the rows.
    void tick(tk::DC& dc, const dev::SystemTime& now) override;
    // A tapped tab, a changed reference or row city, a changed time.
    bool notify(tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;

    // The selected tab.
    int subState() const override { return tab_; }
    void setSubState(int sub) override;
    // The twelve row cities go back into the settings record.
    void storeExitState(SettingsRecord& s) const override;

    // The child windows; null before the view was first shown.
    tk::CityList* reference() const { return reference_.get(); }
    tk::DatePicker* datePicker() const { return date_.get(); }
    tk::TimePicker* timePicker() const { return time_.get(); }
    tk::SPTabControl* tabs() const { return tabs_.get(); }
    TimeCalcItem* row(int i) const {
        return i >= 0 && i < kRowCount ? rows_[static_cast<size_t>(i)].get() : nullptr;
    }

    // The reference date with the time picker's time of day.
    dev::SystemTime referenceTime() const;
    // Recomputes the shown rows' converted times.
    void computeRows();
    // The texts of a row's converted time.
    static std::u16string RowTimeText(const dev::SystemTime& t);
    static std::u16string RowDateText(const dev::SystemTime& t);
    // 0 (morning) before noon, 1 (afternoon) from 12:00 on.
    static int AmPmIndex(const dev::SystemTime& t) { return t.hour >= 12 ? 1 : 0; }

private:
    void createChildren();
    void showTab(int tab);
    bool isRow(tk::LPARAM hwnd) const;
    RECT rowRect(const RECT& offsets, int slot) const;
    void drawLabels(tk::DC& dc);
    void drawRows(tk::DC& dc);
    void drawRow(tk::DC& dc, int slot, const TimeCalcItem& item);
    void drawAmPm(tk::DC& dc, const RECT& r, int index);
    void redrawRows();

    std::unique_ptr<tk::CityList> reference_;
    std::unique_ptr<tk::DatePicker> date_;
    std::unique_ptr<tk::TimePicker> time_;
    std::unique_ptr<tk::SPTabControl> tabs_;
    std::array<std::unique_ptr<TimeCalcItem>, kRowCount> rows_;
    tk::ImageList amPm_;
    int tab_ = 0;
};

} // namespace hv::views

// The "City Time" view (view 10): twenty cities on four pages of five, chosen with a tab strip.
// Each item is a city picker with the city's time of day, its date and a small analog clock; a
// tick repaints an item only when its city's minute changed, and only the five items of the page
// shown.
#pragma once

#include "cities/ui/citypicker.h"
#include "clockface/analogclock.h"
#include "toolkit/controls/tabcontrol.h"
#include "toolkit/window/SDraw.h"
#include "viewbase/view.h"

#include <array>
#include <memory>

namespace hv::citiesui {

using tk::RECT;

class CityTimeItem {
public:
    // Relative to the item's top (x from the screen's left edge).
    static constexpr int kPickerX = 20;
    // The pickers end where the time and date column begins.
    static constexpr int kPickerWidth = 216;
    static constexpr RECT kTimeColumn{240, 0, 378, 28};
    static constexpr RECT kDateColumn{240, 40, 378, 68};
    static constexpr int kClockX = 380;
    static constexpr int kClockRise = 6;

    CityTimeItem(CityDatabase& db, CitySelection city, int top);

    CityPicker& picker() { return picker_; }
    const CityPicker& picker() const { return picker_; }
    int top() const { return top_; }
    RECT timeRect() const;
    RECT dateRect() const;
    // What a deferred repaint invalidates: from 30 pixels left of the item to the right edge,
    // from 6 above to 80 below its top.
    RECT repaintRect() const;

    // Recomputes the city's wall time; when the minute changed (or forced) draws the small clock,
    // the time and the date. True when it drew.
    bool paint(tk::DC& dc, const LocaleCache& locale, bool force);
    bool repaintPending() const { return pending_; }
    void setRepaintPending(bool on) { pending_ = on; }
    const dev::SystemTime& cityTime() const { return cityTime_; }
    int paints() const { return paints_; }
    clockface::AnalogClock& clock() { return clock_; }

private:
    CityPicker picker_;
    int top_;
    clockface::AnalogClock clock_;
    dev::SystemTime cityTime_{};
    dev::SystemTime painted_{};
    bool everPainted_ = false;
    bool pending_ = false;
    int paints_ = 0;
};

class CityTimeView : public view::View, public tk::SDrawBasic {
public:
    static constexpr int kItems = 20;
    static constexpr int kPerPage = 5;
    static constexpr int kPages = kItems / kPerPage;
    static constexpr std::array<int, kPerPage> kRowTops{56, 144, 232, 320, 408};
    static constexpr tk::POINT kTabsAt{240, 12};
    static constexpr RECT kTopRule{0, 44, 480, 48};
    static constexpr int kRowRule = 4; // grey rules end at each row's bottom
    static constexpr std::array<int, kPerPage> kRowRuleEnds{136, 224, 312, 400, 488};
    static constexpr tk::COLORREF kGrey = view::kGreyRule;

    CityTimeView(view::ViewContext& ctx, int number);
    ~CityTimeView() override;

    void show() override;
    void hide() override;
    void resync() override;
    void paint(tk::DC& dc) override;
    void tick(tk::DC& dc, const dev::SystemTime& now) override;
    bool notify(tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;
    // The selected item: the first of the page shown.
    int subState() const override { return page_ * kPerPage; }
    void setSubState(int sub) override;
    void storeExitState(SettingsRecord& s) const override;

    int page() const { return page_; }
    void setPage(int page);
    CityTimeItem& item(int i) { return *items_[static_cast<size_t>(i)]; }
    tk::SPTabControl& tabs() { return tabs_; }

private:
    void paintRules(tk::DC& dc);
    void showPage();
    void followDatabase();

    std::array<std::unique_ptr<CityTimeItem>, kItems> items_;
    tk::SPTabControl tabs_;
    int page_ = 0;
    bool shown_ = false;
};

} // namespace hv::citiesui

// The "World Time" view (view 7): the day-and-night map with two cities marked, and under it the
// two cities' pickers, each with the city's time of day and date. The tick repaints a city's
// panel only when its minute changed; the map follows the clock at every new minute.
#pragma once

#include "cities/ui/citypicker.h"
#include "cities/ui/worldmap.h"
#include "toolkit/window/SDraw.h"
#include "viewbase/view.h"

#include <array>
#include <memory>
#include <optional>

namespace hv::citiesui {

using tk::RECT;

// A city picker that writes the chosen city's time and date under itself.
class WorldTimeItem {
public:
    // Relative to the item's position.
    static constexpr RECT kTimeOffsets{30, 80, 190, 108};
    static constexpr int kDateDrop = 40;

    WorldTimeItem(CityDatabase& db, CitySelection city, tk::POINT position);

    CityPicker& picker() { return picker_; }
    const CityPicker& picker() const { return picker_; }
    tk::POINT position() const { return position_; }
    RECT timeRect() const;
    RECT dateRect() const;

    // Recomputes the city's wall time; paints the time and the date when the minute differs
    // from the one last painted (always when forced). True when it painted.
    bool paint(tk::DC& dc, const LocaleCache& locale, bool force);
    // The wall time last computed and last painted.
    const dev::SystemTime& cityTime() const { return cityTime_; }
    const dev::SystemTime& paintedTime() const { return painted_; }
    int paints() const { return paints_; }

private:
    CityPicker picker_;
    tk::POINT position_;
    dev::SystemTime cityTime_{};
    dev::SystemTime painted_{};
    bool everPainted_ = false;
    int paints_ = 0;
};

class WorldTimeView : public view::View, public tk::SDrawBasic {
public:
    static constexpr RECT kUpperRule{0, 292, 480, 296};
    static constexpr RECT kLowerRule{0, 482, 480, 486};
    static constexpr RECT kMiddleRule{240, 296, 242, 482};
    static constexpr std::array<tk::POINT, 2> kItemAt{{{10, 312}, {250, 312}}};
    // Each picker keeps to its half of the screen, clear of the divider.
    static constexpr int kPickerWidth = 228;

    WorldTimeView(view::ViewContext& ctx, int number);
    ~WorldTimeView() override;

    void show() override;
    void hide() override;
    void resync() override;
    void paint(tk::DC& dc) override;
    void tick(tk::DC& dc, const dev::SystemTime& now) override;
    bool notify(tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;
    void storeExitState(SettingsRecord& s) const override;

    STMap& map() { return map_; }
    WorldTimeItem& item(int i) { return *items_[static_cast<size_t>(i)]; }

private:
    void paintBackground(tk::DC& dc);
    void paintRules(tk::DC& dc);
    void paintPanels(tk::DC& dc, bool force);
    // The map's marks from the two pickers' cities.
    void markCities();
    void followDatabase();

    STMap map_;
    std::array<std::unique_ptr<WorldTimeItem>, 2> items_;
    dev::SystemTime mapMinute_{}; // the UTC time the map was last drawn for
};

} // namespace hv::citiesui

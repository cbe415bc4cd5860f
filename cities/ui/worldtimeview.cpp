#include "cities/ui/worldtimeview.h"

#include "cities/citytime.h"
#include "cities/ui/citiesuitexts.h"
#include "device/device.h"
#include "shellcore/shellcore.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/accessible.h"

namespace hv::citiesui {

using namespace hv::tk;

namespace {

constexpr UINT kPanelFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE;

RECT offsetRect(const RECT& r, POINT by) {
    return {r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
}

bool sameMinute(const dev::SystemTime& a, const dev::SystemTime& b) {
    return a.minute == b.minute && a.hour == b.hour && a.day == b.day && a.month == b.month &&
           a.year == b.year;
}

MapMark markOf(const CityRecord* r) {
    if (!r)
        return {};
    return {r->latDegrees, r->lonDegrees, r->north != 0, r->east != 0};
}

} // namespace

// ---- WorldTimeItem ---------------------------------------------------------------------------

WorldTimeItem::WorldTimeItem(CityDatabase& db, CitySelection city, POINT position)
    : picker_(db, city.continent, city.index), position_(position) {}

RECT WorldTimeItem::timeRect() const {
    return offsetRect(kTimeOffsets, position_);
}

RECT WorldTimeItem::dateRect() const {
    return offsetRect(kTimeOffsets, {position_.x, position_.y + kDateDrop});
}

bool WorldTimeItem::paint(DC& dc, const LocaleCache& locale, bool force) {
    const CitySelection s = picker_.selection();
    cityTime_ = CityTimeNow(picker_.database(), s.continent, s.index).value_or(dev::SystemTime{});
    if (!force && everPainted_ && sameMinute(cityTime_, painted_))
        return false;
    painted_ = cityTime_;
    everPainted_ = true;
    ++paints_;
    const RECT time = timeRect();
    const RECT date = dateRect();
    dc.FillRect(time, SDraw::colour(kColourWhite));
    dc.FillRect(date, SDraw::colour(kColourWhite));
    dc.SelectFont(SDraw::font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(SDraw::colour(kColourText));
    dc.DrawText(CityTimeText(cityTime_), time, kPanelFormat);
    dc.DrawText(CityDateText(cityTime_, locale), date, kPanelFormat);
    return true;
}

// ---- WorldTimeView ---------------------------------------------------------------------------

WorldTimeView::WorldTimeView(view::ViewContext& ctx, int number) : View(ctx, number) {
    registerCitiesStrings();
    const SettingsRecord& s = ctx.settings;
    const CitySelection a{static_cast<int>(s.worldTimeCityA.continent),
                          static_cast<int>(s.worldTimeCityA.city)};
    const CitySelection b{static_cast<int>(s.worldTimeCityB.continent),
                          static_cast<int>(s.worldTimeCityB.city)};
    items_[0] = std::make_unique<WorldTimeItem>(ctx.cities, a, kItemAt[0]);
    items_[1] = std::make_unique<WorldTimeItem>(ctx.cities, b, kItemAt[1]);
    markCities();
}

WorldTimeView::~WorldTimeView() = default;

void WorldTimeView::show() {
    map_.show(ctx_.mainWindow);
    SetAccessibleLabel(map_.hwnd(), shell::viewName(number()));
    for (size_t i = 0; i < items_.size(); ++i)
        items_[i]->picker().show(ctx_.mainWindow, kItemAt[i].x, kItemAt[i].y, kPickerWidth,
                                 700 + i);
    markCities();
}

void WorldTimeView::hide() {
    map_.hide();
    for (auto& item : items_)
        item->picker().hide();
}

void WorldTimeView::followDatabase() {
    bool moved = false;
    for (auto& item : items_)
        moved = item->picker().follow() || moved;
    if (moved) {
        markCities();
        if (ctx_.mainWindow)
            InvalidateRect(ctx_.mainWindow, nullptr, false);
    }
}

void WorldTimeView::resync() {
    followDatabase();
    markCities();
}

void WorldTimeView::markCities() {
    map_.setMarks(markOf(items_[0]->picker().record()), markOf(items_[1]->picker().record()));
}

void WorldTimeView::paintBackground(DC& dc) {
    dc.FillRect(view::kViewArea, colour(kColourWhite));
}

void WorldTimeView::paintRules(DC& dc) {
    dc.FillRect(kUpperRule, view::kBlueRule);
    dc.FillRect(kLowerRule, view::kBlueRule);
    dc.FillRect(kMiddleRule, view::kGreyRule);
}

void WorldTimeView::paintPanels(DC& dc, bool force) {
    for (auto& item : items_)
        item->paint(dc, ctx_.locale, force);
}

void WorldTimeView::paint(DC& dc) {
    followDatabase();
    paintBackground(dc);
    paintRules(dc);
    paintPanels(dc, true);
    mapMinute_ = dev::getSystemTime();
}

void WorldTimeView::tick(DC& dc, const dev::SystemTime& now) {
    (void)now;
    followDatabase();
    paintPanels(dc, false);
    // The night side moves on with the UTC minute the terminator is computed from; the whole
    // time counts, so that a clock set on by whole hours or days moves it at once.
    const dev::SystemTime utc = dev::getSystemTime();
    if (!sameMinute(utc, mapMinute_)) {
        mapMinute_ = utc;
        if (map_.hwnd())
            InvalidateRect(map_.hwnd(), nullptr, false);
    }
}

bool WorldTimeView::notify(UINT msg, WPARAM wp, LPARAM lp) {
    (void)wp;
    if (msg != kMsgChanged)
        return false;
    for (auto& item : items_) {
        if (reinterpret_cast<LPARAM>(item->picker().hwnd()) != lp)
            continue;
        item->picker().takeChoice();
        markCities();
        if (ctx_.mainWindow) {
            const RECT time = item->timeRect();
            const RECT date = item->dateRect();
            InvalidateRect(ctx_.mainWindow, &time, false);
            InvalidateRect(ctx_.mainWindow, &date, false);
        }
        return true;
    }
    return false;
}

void WorldTimeView::storeExitState(SettingsRecord& s) const {
    const CitySelection a = items_[0]->picker().selection();
    const CitySelection b = items_[1]->picker().selection();
    s.worldTimeCityA = {static_cast<uint32_t>(a.continent), static_cast<uint32_t>(a.index)};
    s.worldTimeCityB = {static_cast<uint32_t>(b.continent), static_cast<uint32_t>(b.index)};
}

} // namespace hv::citiesui

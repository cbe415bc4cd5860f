#include "cities/ui/citytimeview.h"

#include "cities/citytime.h"
#include "cities/ui/citiesuitexts.h"
#include "shellcore/shellcore.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/accessible.h"

#include <algorithm>

namespace hv::citiesui {

using namespace hv::tk;

namespace {

bool sameMinute(const dev::SystemTime& a, const dev::SystemTime& b) {
    return a.minute == b.minute && a.hour == b.hour && a.day == b.day && a.month == b.month &&
           a.year == b.year;
}

RECT down(const RECT& r, int top) {
    return {r.left, r.top + top, r.right, r.bottom + top};
}

} // namespace

// ---- CityTimeItem ----------------------------------------------------------------------------

CityTimeItem::CityTimeItem(CityDatabase& db, CitySelection city, int top)
    : picker_(db, city.continent, city.index), top_(top),
      clock_(clockface::FaceKind::Small, {kClockX, top - kClockRise}) {}

RECT CityTimeItem::timeRect() const {
    return down(kTimeColumn, top_);
}

RECT CityTimeItem::dateRect() const {
    return down(kDateColumn, top_);
}

RECT CityTimeItem::repaintRect() const {
    return {kPickerX - 30, top_ - 6, view::kClientRect.right, top_ + 80};
}

bool CityTimeItem::paint(DC& dc, const LocaleCache& locale, bool force) {
    const CitySelection s = picker_.selection();
    cityTime_ = CityTimeNow(picker_.database(), s.continent, s.index).value_or(dev::SystemTime{});
    if (!force && everPainted_ && sameMinute(cityTime_, painted_))
        return false;
    painted_ = cityTime_;
    everPainted_ = true;
    ++paints_;
    clock_.Paint(dc, cityTime_);
    const RECT time = timeRect();
    const RECT date = dateRect();
    dc.FillRect(time, SDraw::colour(kColourWhite));
    dc.FillRect(date, SDraw::colour(kColourWhite));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(SDraw::colour(kColourText));
    dc.SelectFont(SDraw::font(kFontText));
    dc.DrawText(CityTimeText(cityTime_), time, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    dc.DrawText(CityDateText(cityTime_, locale), date, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    return true;
}

// ---- CityTimeView ----------------------------------------------------------------------------

CityTimeView::CityTimeView(view::ViewContext& ctx, int number) : View(ctx, number) {
    registerCitiesStrings();
    for (int i = 0; i < kItems; ++i) {
        const CityPair& p = ctx.settings.cityTimeCities[i];
        items_[static_cast<size_t>(i)] = std::make_unique<CityTimeItem>(
            ctx.cities, CitySelection{static_cast<int>(p.continent), static_cast<int>(p.city)},
            kRowTops[static_cast<size_t>(i % kPerPage)]);
    }
}

CityTimeView::~CityTimeView() = default;

void CityTimeView::setSubState(int sub) {
    setPage(std::clamp(sub, 0, kItems - 1) / kPerPage);
}

void CityTimeView::setPage(int page) {
    page = std::clamp(page, 0, kPages - 1);
    if (page == page_)
        return;
    page_ = page;
    if (shown_)
        showPage();
}

void CityTimeView::showPage() {
    for (int i = 0; i < kItems; ++i) {
        CityTimeItem& it = item(i);
        if (i / kPerPage == page_)
            it.picker().show(ctx_.mainWindow, CityTimeItem::kPickerX, it.top(),
                             CityTimeItem::kPickerWidth, 1000 + i);
        else
            it.picker().hide();
    }
    if (ctx_.mainWindow)
        InvalidateRect(ctx_.mainWindow, &view::kViewArea, false);
}

void CityTimeView::show() {
    shown_ = true;
    if (!tabs_.hwnd()) {
        tabs_.CreateOrShow(ctx_.mainWindow, kTabsAt.x, kTabsAt.y, kPages, page_);
        SetAccessibleLabel(tabs_.hwnd(), shell::viewName(number()));
    } else {
        tabs_.CreateOrShow(ctx_.mainWindow, kTabsAt.x, kTabsAt.y, kPages, tabs_.selected());
    }
    showPage();
}

void CityTimeView::hide() {
    shown_ = false;
    if (tabs_.hwnd())
        ShowWindow(tabs_.hwnd(), SW_HIDE);
    for (auto& it : items_)
        it->picker().hide();
}

void CityTimeView::followDatabase() {
    bool moved = false;
    for (int i = page_ * kPerPage; i < (page_ + 1) * kPerPage; ++i)
        if (item(i).picker().follow()) {
            item(i).setRepaintPending(true);
            moved = true;
        }
    // The other pages follow when they are shown.
    (void)moved;
}

void CityTimeView::resync() {
    followDatabase();
    if (ctx_.mainWindow)
        InvalidateRect(ctx_.mainWindow, &view::kViewArea, false);
}

void CityTimeView::paintRules(DC& dc) {
    dc.FillRect(kTopRule, kGrey);
    for (const int end : kRowRuleEnds)
        dc.FillRect({0, end - kRowRule, view::kClientRect.right, end}, kGrey);
}

void CityTimeView::paint(DC& dc) {
    for (int i = 0; i < kItems; ++i)
        if (i / kPerPage == page_)
            item(i).picker().follow();
    dc.FillRect(view::kViewArea, colour(kColourWhite));
    paintRules(dc);
    for (int i = page_ * kPerPage; i < (page_ + 1) * kPerPage; ++i)
        item(i).paint(dc, ctx_.locale, true);
}

void CityTimeView::tick(DC& dc, const dev::SystemTime& now) {
    (void)now;
    followDatabase();
    for (int i = page_ * kPerPage; i < (page_ + 1) * kPerPage; ++i) {
        CityTimeItem& it = item(i);
        if (it.repaintPending()) {
            // The changed city is drawn by the paint that the invalidation brings.
            it.setRepaintPending(false);
            if (ctx_.mainWindow) {
                const RECT r = it.repaintRect();
                InvalidateRect(ctx_.mainWindow, &r, false);
            }
            continue;
        }
        it.paint(dc, ctx_.locale, false);
    }
}

bool CityTimeView::notify(UINT msg, WPARAM wp, LPARAM lp) {
    (void)wp;
    if (msg != kMsgChanged)
        return false;
    if (tabs_.hwnd() && reinterpret_cast<LPARAM>(tabs_.hwnd()) == lp) {
        tabs_.setChanged(false);
        setPage(tabs_.selected());
        return true;
    }
    for (auto& it : items_) {
        if (reinterpret_cast<LPARAM>(it->picker().hwnd()) != lp)
            continue;
        it->picker().takeChoice();
        it->setRepaintPending(true);
        return true;
    }
    return false;
}

void CityTimeView::storeExitState(SettingsRecord& s) const {
    for (int i = 0; i < kItems; ++i) {
        const CitySelection c = items_[static_cast<size_t>(i)]->picker().selection();
        s.cityTimeCities[i] = {static_cast<uint32_t>(c.continent), static_cast<uint32_t>(c.index)};
    }
}

} // namespace hv::citiesui

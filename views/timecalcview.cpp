#include "views/timecalcview.h"

#include "calendar/calendar.h"
#include "device/device.h"
#include "device/format.h"
#include "shellcore/shellcore.h"
#include "timescales/timescales.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/strings.h"
#include "views/viewstrings.h"

#include <algorithm>

namespace hv::views {

using namespace hv::tk;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr UINT kLeft = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr UINT kRight = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;

RECT offset(const RECT& r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

} // namespace

TimeCalcView::TimeCalcView(view::ViewContext& ctx, int number)
    : View(ctx, number), amPm_(LoadStrip(kAmPmImage, kAmPmFrames, false, -1)) {
    registerViewStrings();
}

TimeCalcView::~TimeCalcView() = default;

void TimeCalcView::createChildren() {
    if (reference_ || !ctx_.mainWindow)
        return;
    const HWND parent = ctx_.mainWindow;
    // The reference starts at the home location.
    const CitySelection home = ctx_.cities.home();
    reference_ = std::make_unique<CityList>(parent, kReferenceAt.x, kReferenceAt.y, home.continent,
                                            home.index);
    date_ = std::make_unique<DatePicker>(parent, kDatePickerAt.x, kDatePickerAt.y, kDatePickerWidth,
                                         kPickerHeight, nullptr, true);
    time_ = std::make_unique<TimePicker>(parent, kTimePickerAt.x, kTimePickerAt.y, kTimePickerWidth,
                                         kPickerHeight, nullptr, true);
    SetAccessibleLabel(date_->hwnd(), LoadStringResource(kStrDate));
    SetAccessibleLabel(time_->hwnd(), LoadStringResource(kStrTime));
    for (int i = 0; i < kRowCount; ++i) {
        const CityPair& c = ctx_.settings.timeCalcCities[i];
        const POINT at{kRowX, kRowTops[static_cast<size_t>(i % kRowsPerTab)]};
        rows_[static_cast<size_t>(i)] = std::make_unique<TimeCalcItem>(
            *this, parent, at, static_cast<int>(c.continent), static_cast<int>(c.city));
    }
    showTab(tab_);
}

void TimeCalcView::showTab(int tab) {
    tab_ = std::clamp(tab, 0, kTabCount - 1);
    if (!ctx_.mainWindow)
        return;
    if (!tabs_ || tabs_->selected() != tab_) {
        // The strip keeps the tab it was made with; another tab makes a new strip.
        tabs_ = std::make_unique<SPTabControl>();
        tabs_->CreateOrShow(ctx_.mainWindow, kTabsAt.x, kTabsAt.y, kTabCount, tab_);
        SetAccessibleLabel(tabs_->hwnd(), shell::viewName(number()));
    }
    for (int i = 0; i < kRowCount; ++i)
        if (rows_[static_cast<size_t>(i)])
            ShowWindow(rows_[static_cast<size_t>(i)]->hwnd(),
                       i / kRowsPerTab == tab_ ? SW_SHOW : SW_HIDE);
}

void TimeCalcView::show() {
    if (!reference_) {
        createChildren();
        return;
    }
    for (HWND w : {reference_->hwnd(), date_->hwnd(), time_->hwnd()})
        ShowWindow(w, SW_SHOW);
    tabs_->CreateOrShow(ctx_.mainWindow, kTabsAt.x, kTabsAt.y, kTabCount, tab_);
    showTab(tab_);
}

void TimeCalcView::hide() {
    if (!reference_)
        return;
    for (HWND w : {reference_->hwnd(), date_->hwnd(), time_->hwnd(), tabs_->hwnd()})
        ShowWindow(w, SW_HIDE);
    for (const auto& r : rows_)
        ShowWindow(r->hwnd(), SW_HIDE);
}

void TimeCalcView::setSubState(int sub) {
    if (sub < 0 || sub >= kTabCount)
        sub = 0;
    if (reference_ && tabs_ && IsWindowVisible(tabs_->hwnd())) {
        showTab(sub);
        redrawRows();
    } else {
        tab_ = sub;
    }
}

void TimeCalcView::storeExitState(SettingsRecord& s) const {
    if (!reference_)
        return;
    for (int i = 0; i < kRowCount; ++i) {
        const TimeCalcItem& r = *rows_[static_cast<size_t>(i)];
        s.timeCalcCities[i] = {static_cast<uint32_t>(r.continent()),
                               static_cast<uint32_t>(r.city())};
    }
}

bool TimeCalcView::isRow(LPARAM hwnd) const {
    return std::any_of(rows_.begin(), rows_.end(), [hwnd](const auto& r) {
        return r && reinterpret_cast<LPARAM>(r->hwnd()) == hwnd;
    });
}

bool TimeCalcView::notify(UINT msg, WPARAM wp, LPARAM lp) {
    (void)wp;
    if (!reference_)
        return false;
    if (msg == kMsgChanged && tabs_ && lp == reinterpret_cast<LPARAM>(tabs_->hwnd())) {
        tabs_->setChanged(false);
        if (tabs_->selected() != tab_) {
            tab_ = tabs_->selected();
            showTab(tab_);
            redrawRows();
        }
        return true;
    }
    if ((msg == kMsgChanged && (lp == reinterpret_cast<LPARAM>(reference_->hwnd()) || isRow(lp))) ||
        (msg == kMsgPickerChanged && (lp == reinterpret_cast<LPARAM>(time_->hwnd()) ||
                                      (date_ && lp == reinterpret_cast<LPARAM>(date_->hwnd()))))) {
        time_->setChanged(false);
        if (date_)
            date_->setChanged(false);
        redrawRows();
        return true;
    }
    return false;
}

// ---- Values ----------------------------------------------------------------------------------

dev::SystemTime TimeCalcView::referenceTime() const {
    const dev::SystemTime now = dev::getLocalTime();
    dev::SystemTime t = date_ ? date_->GetDate() : now;
    const dev::SystemTime time = time_ ? time_->GetTime() : now;
    t.hour = time.hour;
    t.minute = time.minute;
    t.second = time.second;
    t.milliseconds = 0;
    return t;
}

void TimeCalcView::computeRows() {
    if (!reference_)
        return;
    const CityRecord* ref = ctx_.cities.recordAt(reference_->continent(), reference_->city());
    const dev::SystemTime at = referenceTime();
    for (int slot = 0; slot < kRowsPerTab; ++slot) {
        TimeCalcItem& item = *rows_[static_cast<size_t>(tab_ * kRowsPerTab + slot)];
        const CityRecord* city = ctx_.cities.recordAt(item.continent(), item.city());
        item.converted = ref && city ? TimeCalcRow(*ref, at, *city) : std::nullopt;
    }
}

std::u16string TimeCalcView::RowTimeText(const dev::SystemTime& t) {
    return dev::systemFormatText(t, dev::SystemFormat::TimeNoSeconds);
}

std::u16string TimeCalcView::RowDateText(const dev::SystemTime& t) {
    return FormatMonthDay(t, true);
}

// ---- Painting --------------------------------------------------------------------------------

RECT TimeCalcView::rowRect(const RECT& offsets, int slot) const {
    return offset(offsets, 0, kRowTops[static_cast<size_t>(slot)]);
}

void TimeCalcView::drawLabels(DC& dc) {
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.DrawText(LoadStringResource(kStrDate), kDateLabel, kRight);
    dc.DrawText(LoadStringResource(kStrTime), kTimeLabel, kRight);
}

void TimeCalcView::drawRow(DC& dc, int slot, const TimeCalcItem& item) {
    const RECT time = rowRect(kRowTime, slot);
    const RECT date = rowRect(kRowDate, slot);
    dc.FillRect(time, kWhite);
    dc.FillRect(date, kWhite);
    const RECT amPm = rowRect(kRowAmPm, slot);
    dc.FillRect(amPm, kWhite);
    if (!item.converted)
        return;
    dc.SelectFont(font(kFontText));
    dc.DrawText(RowTimeText(*item.converted), time, kRight);
    const std::u16string dateText = RowDateText(*item.converted);
    // A long day name and date take the smaller face rather than run into the city box.
    if (dc.GetTextExtent(dateText).x > date.right - date.left)
        dc.SelectFont(font(kFontSmallText));
    dc.DrawText(dateText, date, kRight);
    drawAmPm(dc, amPm, AmPmIndex(*item.converted));
}

void TimeCalcView::drawAmPm(DC& dc, const RECT& r, int index) {
    // The picture is shrunk into its square beside the texts.
    const QImage& strip = amPm_.frames();
    if (strip.isNull() || index < 0 || index >= amPm_.count())
        return;
    dc.StretchBlt(r.left, r.top, r.right - r.left, r.bottom - r.top, strip,
                  index * amPm_.frameWidth(), 0, amPm_.frameWidth(), amPm_.frameHeight());
}

void TimeCalcView::drawRows(DC& dc) {
    if (!reference_)
        return;
    computeRows();
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    for (int slot = 0; slot < kRowsPerTab; ++slot)
        drawRow(dc, slot, *rows_[static_cast<size_t>(tab_ * kRowsPerTab + slot)]);
}

void TimeCalcView::redrawRows() {
    if (ctx_.mainWindow)
        InvalidateRect(ctx_.mainWindow, &kRowsArea, false);
}

void TimeCalcView::paint(DC& dc) {
    view::DrawSectionRules(dc, kRules);
    drawLabels(dc);
    drawRows(dc);
}

void TimeCalcView::tick(DC& dc, const dev::SystemTime& now) {
    (void)now;
    if (date_ && date_->changed()) {
        date_->setChanged(false);
        drawRows(dc);
    }
}

} // namespace hv::views

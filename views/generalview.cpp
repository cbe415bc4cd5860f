#include "views/generalview.h"

#include "calendar/calendar.h"
#include "device/device.h"
#include "device/format.h"
#include "toolkit/window/strings.h"
#include "views/viewstrings.h"

#include <algorithm>

namespace hv::views {

using namespace hv::tk;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr UINT kLineFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE;

} // namespace

GeneralView::GeneralView(view::ViewContext& ctx, int number)
    : View(ctx, number), clock_(clockface::FaceKind::General, kClockAt) {
    registerViewStrings();
}

GeneralView::~GeneralView() = default;

void GeneralView::createChildren() {
    if (calendar_ || !ctx_.mainWindow)
        return;
    calendar_ = std::make_unique<MonthCalendar>(ctx_.mainWindow, kCalendarAt.x, kCalendarAt.y);
    progress_ = std::make_unique<DayProgress>(ctx_.mainWindow, kProgressAt.x, kProgressAt.y,
                                              calendar_->today);
}

void GeneralView::show() {
    createChildren();
    if (calendar_)
        ShowWindow(calendar_->hwnd(), SW_SHOW);
    if (progress_)
        ShowWindow(progress_->hwnd(), SW_SHOW);
}

void GeneralView::hide() {
    if (calendar_)
        ShowWindow(calendar_->hwnd(), SW_HIDE);
    if (progress_)
        ShowWindow(progress_->hwnd(), SW_HIDE);
}

std::u16string GeneralView::DateLineText(const dev::SystemTime& t) {
    return dev::dateText(t, picture::kDayNamePrefix) +
           dev::systemFormatText(t, dev::SystemFormat::ShortDate);
}

std::u16string GeneralView::weekNumberText(const dev::SystemTime& t) const {
    return WeekNumberText(t, ctx_.settings);
}

void GeneralView::drawDividers(DC& dc) {
    DrawDivider(dc, kUpperDivider);
    DrawDivider(dc, kLowerDivider);
}

void GeneralView::drawLabels(DC& dc) {
    dc.SelectFont(font(kFontTextBold));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.DrawText(LoadStringResource(kStrToday), kTodayLabel, kLineFormat);
    dc.DrawText(LoadStringResource(kStrWeek), kWeekLabel, kLineFormat);
}

void GeneralView::drawDateLine(DC& dc, const dev::SystemTime& now) {
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.TextOut(kDateLineAt.x, kDateLineAt.y, DateLineText(now));
}

RECT GeneralView::weekNumberRect(DC& dc) const {
    // The number stands at its column unless the face draws "Week:" wider than the room left of
    // it; then it follows the label after a space.
    const QFont* old = dc.SelectFont(font(kFontTextBold));
    const int labelEnd = kWeekLabel.left + dc.GetTextExtent(LoadStringResource(kStrWeek) + u" ").x;
    dc.SelectFont(old);
    RECT r = kWeekNumber;
    r.left = std::max(r.left, labelEnd);
    return r;
}

void GeneralView::drawWeekNumber(DC& dc, const dev::SystemTime& now) {
    const RECT r = weekNumberRect(dc);
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.DrawText(weekNumberText(now), r, kLineFormat);
}

void GeneralView::paint(DC& dc) {
    const dev::SystemTime now = dev::getLocalTime();
    drawDividers(dc);
    drawLabels(dc);
    drawDateLine(dc, now);
    drawWeekNumber(dc, now);
    tick(dc, now);
}

bool GeneralView::dayChanged(const dev::SystemTime& now) const {
    // The whole date: a clock set a month on to the same day is a new day too.
    const dev::SystemTime& today = calendar_->today;
    return now.day != today.day || now.month != today.month || now.year != today.year;
}

void GeneralView::turnDay(DC& dc, const dev::SystemTime& now) {
    calendar_->SetToday(now);
    progress_->Refresh();
    InvalidateRect(ctx_.mainWindow, &kDayChangeArea, true);
    // The date line and the week number move on with the day, not only at the next full paint.
    dc.FillRect(kDateLineArea, kWhite);
    dc.FillRect(weekNumberRect(dc), kWhite);
    drawDateLine(dc, now);
    drawWeekNumber(dc, now);
}

void GeneralView::turnHour() {
    progress_->Refresh();
}

void GeneralView::tick(DC& dc, const dev::SystemTime& now) {
    clock_.Paint(dc, now);
    if (!calendar_ || !progress_) {
        lastTick_ = now;
        return;
    }
    progress_->setNow(now);
    if (dayChanged(now))
        turnDay(dc, now);
    else if (now.hour != lastTick_.hour)
        turnHour();
    lastTick_ = now;
}

} // namespace hv::views

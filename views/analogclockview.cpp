#include "views/analogclockview.h"

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
constexpr UINT kLeft = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr UINT kRight = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;

} // namespace

AnalogClockView::AnalogClockView(view::ViewContext& ctx, int number)
    : View(ctx, number), clock_(clockface::FaceKind::Analog, kClockAt) {
    registerViewStrings();
}

std::u16string AnalogClockView::weekText(const dev::SystemTime& t) const {
    return LoadStringResource(kStrWeek) + u" " + WeekNumberText(t, ctx_.settings);
}

std::u16string AnalogClockView::TimeText(const dev::SystemTime& t) {
    return dev::systemFormatText(t, dev::SystemFormat::TimeNoSeconds);
}

std::u16string AnalogClockView::YearText(const dev::SystemTime& t) {
    return dev::dateText(t, picture::kYear);
}

std::u16string AnalogClockView::MonthDayText(const dev::SystemTime& t) {
    return FormatMonthDay(t, false);
}

std::u16string AnalogClockView::MonthNameText(const dev::SystemTime& t) {
    return dev::dateText(t, picture::kMonthName);
}

std::u16string AnalogClockView::DayNameText(const dev::SystemTime& t) {
    return dev::dateText(t, picture::kDayName);
}

RECT AnalogClockView::weekRect(DC& dc, const std::u16string& week) const {
    // A long translation of "Week:" grows to the left rather than being cut.
    RECT r = kWeekLine;
    r.left = std::min(r.left, r.right - dc.GetTextExtent(week).x);
    return r;
}

void AnalogClockView::clearLines(DC& dc) {
    // Before the clock: the year line runs across the bottom of the face, whose copy then
    // restores it; the texts at the sides are drawn over it afterwards.
    dc.FillRect(kTopLine, kWhite);
    dc.FillRect(kYearLine, kWhite);
    dc.FillRect(kNameLine, kWhite);
}

void AnalogClockView::drawTopLine(DC& dc, const dev::SystemTime& now) {
    const std::u16string week = weekText(now);
    dc.DrawText(week, weekRect(dc, week), kRight);
    dc.DrawText(TimeText(now), kTopLine, kLeft);
}

void AnalogClockView::drawDateLines(DC& dc, const dev::SystemTime& now) {
    dc.DrawText(YearText(now), kYearLine, kLeft);
    dc.DrawText(MonthDayText(now), kYearLine, kRight);
    dc.DrawText(MonthNameText(now), kNameLine, kLeft);
    dc.DrawText(DayNameText(now), kNameLine, kRight);
}

void AnalogClockView::paint(DC& dc) {
    tick(dc, dev::getLocalTime());
}

void AnalogClockView::tick(DC& dc, const dev::SystemTime& now) {
    clearLines(dc);
    clock_.Paint(dc, now);
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    drawTopLine(dc, now);
    drawDateLines(dc, now);
}

} // namespace hv::views

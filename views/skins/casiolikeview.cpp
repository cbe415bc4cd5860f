#include "views/skins/casiolikeview.h"

#include "device/device.h"

namespace hv::skins {

using namespace hv::tk;
using namespace hv::clockface;

MCasioLike::MCasioLike(view::ViewContext& ctx, int number) : WatchSkin(ctx, number, kLcd) {}

void MCasioLike::loadSkinImages() {
    if (timeDigits_.isNull())
        timeDigits_ = LoadStrip(kTimeDigitsId, 10, false, -1);
    if (dateDigits_.isNull())
        dateDigits_ = LoadStrip(kDateDigitsId, 10, false, -1);
    if (yearDigits_.isNull())
        yearDigits_ = LoadStrip(kYearDigitsId, 10, false, -1);
    if (dayNames_.isNull())
        dayNames_ = LoadStrip(kDayNamesId, 7, false, -1);
}

void MCasioLike::freeSkinImages() {
    timeDigits_ = {};
    dateDigits_ = {};
    yearDigits_ = {};
    dayNames_ = {};
    barDay_ = -1;
}

RECT MCasioLike::dayBar(int dayOfWeek) {
    const int left = kDayBarLeft + kDayBarStep * dayOfWeek;
    return {left, kDayBarTop, left + kDayBarWidth, kDayBarBottom};
}

void MCasioLike::drawDayBar(DC& dc, const dev::SystemTime& now) {
    if (barDay_ >= 0 && barDay_ != now.dayOfWeek)
        dc.FillRect(dayBar(barDay_), kLcd);
    dc.FillRect(dayBar(now.dayOfWeek), RGB(0, 0, 0));
    barDay_ = now.dayOfWeek;
}

void MCasioLike::drawDate(DC& dc, const dev::SystemTime& now) const {
    dayNames_.Draw(dc, now.dayOfWeek, kDayNameAt.x, kDayNameAt.y);
    const int year = now.year % 100;
    drawDigit(dc, yearDigits_, year / 10, kYearX[0], kYearY);
    drawDigit(dc, yearDigits_, year % 10, kYearX[1], kYearY);
    const DateDigits d = WatchDateDigits(now, dateOrder(), false);
    drawDigit(dc, dateDigits_, d.firstTens, kDateX[0], kDateY);
    drawDigit(dc, dateDigits_, d.firstUnits, kDateX[1], kDateY);
    drawDigit(dc, dateDigits_, d.secondTens, kDateX[2], kDateY);
    drawDigit(dc, dateDigits_, d.secondUnits, kDateX[3], kDateY);
}

void MCasioLike::drawAmPm(DC& dc, const dev::SystemTime& now) const {
    if (hours24()) {
        dc.FillRect(kBothMarks, kLcd);
        return;
    }
    // The mark that applies comes back from the face (it was covered during the other half of
    // the day); the other one is covered.
    const RECT& shown = now.hour < 12 ? kAmMark : kPmMark;
    dc.BitBlt(shown.left, shown.top, shown.width(), shown.height(), background_, shown.left,
              shown.top);
    dc.FillRect(now.hour < 12 ? kPmMark : kAmMark, kLcd);
}

void MCasioLike::drawTime(DC& dc, const dev::SystemTime& now) const {
    const TimeDigits d = WatchTimeDigits(now, hours24());
    const int digits[6] = {d.hourTens,    d.hourUnits,  d.minuteTens,
                           d.minuteUnits, d.secondTens, d.secondUnits};
    for (int i = 0; i < 6; ++i)
        drawDigit(dc, timeDigits_, digits[i], kTimeX[i], kTimeY);
}

void MCasioLike::paint(DC& dc) {
    drawBackground(dc);
    drawCornerIcon(dc);
    coverIndicators(dc, kAlarmIndicator, kChimeIndicator);
    barDay_ = -1;
    tick(dc, dev::getLocalTime());
}

void MCasioLike::tick(DC& dc, const dev::SystemTime& now) {
    if (!imagesLoaded())
        return;
    drawDayBar(dc, now);
    drawDate(dc, now);
    drawAmPm(dc, now);
    drawTime(dc, now);
}

} // namespace hv::skins

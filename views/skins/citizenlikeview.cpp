#include "views/skins/citizenlikeview.h"

#include "clockface/handtables.h"
#include "device/device.h"

namespace hv::skins {

using namespace hv::tk;
using namespace hv::clockface;

MCitizenLike::MCitizenLike(view::ViewContext& ctx, int number)
    : ComposedWatchSkin(ctx, number, kLcd, kAlarmIndicator, kChimeIndicator) {}

void MCitizenLike::loadSkinImages() {
    if (digits_.isNull())
        digits_ = LoadStrip(kDigitsId, 10, false, -1);
    if (secondDigits_.isNull())
        secondDigits_ = LoadStrip(kSecondDigitsId, 10, false, -1);
    if (dayNames_.isNull())
        dayNames_ = LoadStrip(kDayNamesId, 7, false, -1);
    if (hourHand_.isNull())
        hourHand_.load(kHourHandId);
    if (minuteHand_.isNull())
        minuteHand_.load(kMinuteHandId);
    if (secondHand_.isNull())
        secondHand_.load(kSecondHandId);
    if (dayDialHand_.isNull())
        dayDialHand_.load(kDayDialHandId);
}

void MCitizenLike::freeSkinImages() {
    digits_ = {};
    secondDigits_ = {};
    dayNames_ = {};
    hourHand_.clear();
    minuteHand_.clear();
    secondHand_.clear();
    dayDialHand_.clear();
}

void MCitizenLike::drawDate(DC& dc, const dev::SystemTime& now) const {
    dayNames_.Draw(dc, now.dayOfWeek, kDayNameAt.x, kDayNameAt.y);
    const DateDigits d = WatchDateDigits(now, dateOrder(), true);
    drawDigit(dc, digits_, d.firstTens, kDateX[0], kDateY);
    drawDigit(dc, digits_, d.firstUnits, kDateX[1], kDateY);
    drawDigit(dc, digits_, d.secondTens, kDateX[2], kDateY);
    drawDigit(dc, digits_, d.secondUnits, kDateX[3], kDateY);
}

void MCitizenLike::drawAmPm(DC& dc, const dev::SystemTime& now) const {
    if (hours24())
        dc.FillRect(kBothMarks, kLcd);
    else
        dc.FillRect(now.hour < 12 ? kPmMark : kAmMark, kLcd);
}

void MCitizenLike::drawTime(DC& dc, const dev::SystemTime& now) const {
    const TimeDigits d = WatchTimeDigits(now, hours24());
    drawDigit(dc, digits_, d.hourTens, kTimeX[0], kTimeY);
    drawDigit(dc, digits_, d.hourUnits, kTimeX[1], kTimeY);
    drawDigit(dc, digits_, d.minuteTens, kTimeX[2], kTimeY);
    drawDigit(dc, digits_, d.minuteUnits, kTimeX[3], kTimeY);
    drawDigit(dc, secondDigits_, d.secondTens, kSecondsX[0], kSecondsY);
    drawDigit(dc, secondDigits_, d.secondUnits, kSecondsX[1], kSecondsY);
}

void MCitizenLike::drawHands(DC& dc, const dev::SystemTime& now) const {
    dayDialHand_.draw(dc, DayDialPosition(now.hour, now.minute), kDayDialHand);
    minuteHand_.draw(dc, MinutePosition(now.minute), kMinuteHand);
    hourHand_.draw(dc, HourPosition(now.hour, now.minute), kHourHand);
    secondHand_.draw(dc, SecondPosition(now.second), kSecondHand);
}

void MCitizenLike::drawFace(DC& dc, const dev::SystemTime& now) const {
    drawDate(dc, now);
    drawAmPm(dc, now);
    drawTime(dc, now);
    drawHands(dc, now);
}

} // namespace hv::skins

#include "views/skins/anadigilikeview.h"

#include "clockface/handtables.h"
#include "device/device.h"

namespace hv::skins {

using namespace hv::tk;
using namespace hv::clockface;

MAnaDigiLike::MAnaDigiLike(view::ViewContext& ctx, int number)
    : ComposedWatchSkin(ctx, number, kLcd, kAlarmIndicator, kChimeIndicator) {}

void MAnaDigiLike::loadSkinImages() {
    if (digits_.isNull())
        digits_ = LoadStrip(kDigitsId, 10, false, -1);
    if (marks_.isNull())
        marks_ = LoadStrip(kMarksId, 2, true, RGB(255, 255, 255));
    if (hourHand_.isNull())
        hourHand_.load(kHourHandId);
    if (minuteHand_.isNull())
        minuteHand_.load(kMinuteHandId);
    if (secondHand_.isNull())
        secondHand_.load(kSecondHandId);
}

void MAnaDigiLike::freeSkinImages() {
    digits_ = {};
    marks_ = {};
    hourHand_.clear();
    minuteHand_.clear();
    secondHand_.clear();
}

void MAnaDigiLike::drawDate(DC& dc, const dev::SystemTime& now) const {
    const DateDigits d = WatchDateDigits(now, dateOrder(), true);
    drawDigit(dc, digits_, d.firstTens, kDateX[0], kDateY);
    drawDigit(dc, digits_, d.firstUnits, kDateX[1], kDateY);
    drawDigit(dc, digits_, d.secondTens, kDateX[2], kDateY);
    drawDigit(dc, digits_, d.secondUnits, kDateX[3], kDateY);
}

void MAnaDigiLike::drawTime(DC& dc, const dev::SystemTime& now) const {
    const TimeDigits d = WatchTimeDigits(now, hours24());
    drawDigit(dc, digits_, d.hourTens, kTimeX[0], kTimeY);
    drawDigit(dc, digits_, d.hourUnits, kTimeX[1], kTimeY);
    drawDigit(dc, digits_, d.minuteTens, kTimeX[2], kTimeY);
    drawDigit(dc, digits_, d.minuteUnits, kTimeX[3], kTimeY);
}

void MAnaDigiLike::drawAmPm(DC& dc, const dev::SystemTime& now) const {
    if (!hours24())
        marks_.Draw(dc, now.hour < 12 ? 0 : 1, kMarkAt.x, kMarkAt.y);
}

void MAnaDigiLike::drawHands(DC& dc, const dev::SystemTime& now) const {
    minuteHand_.draw(dc, MinutePosition(now.minute), kMinuteHand);
    hourHand_.draw(dc, HourPosition(now.hour, now.minute), kHourHand);
    secondHand_.draw(dc, SecondPosition(now.second), kSecondHand);
}

void MAnaDigiLike::drawFace(DC& dc, const dev::SystemTime& now) const {
    drawDate(dc, now);
    drawTime(dc, now);
    drawAmPm(dc, now);
    drawHands(dc, now);
}

} // namespace hv::skins

#include "views/digitalclockview.h"

#include "calendar/calendar.h"
#include "device/device.h"
#include "device/format.h"
#include "device/text.h"
#include "toolkit/window/strings.h"
#include "views/viewstrings.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

namespace hv::views {

using namespace hv::tk;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr UINT kLineFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr UINT kCityFormat = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;

RECT lowered(RECT r, int dy) {
    r.top += dy;
    r.bottom += dy;
    return r;
}

} // namespace

DigitalClockView::DigitalClockView(view::ViewContext& ctx, int number)
    : View(ctx, number), amPm_(LoadStrip(kAmPmImage, kAmPmFrames, false, -1)) {
    registerViewStrings();
}

DigitalClockView::~DigitalClockView() = default;

void DigitalClockView::createChildren() {
    if (cityList_ || !ctx_.mainWindow)
        return;
    const CityPair& c = ctx_.settings.digitalClockCity;
    cityList_ = std::make_unique<CityList>(ctx_.mainWindow, kCityPickerAt.x, kCityPickerAt.y,
                                           static_cast<int>(c.continent), static_cast<int>(c.city));
}

void DigitalClockView::show() {
    createChildren();
    if (cityList_)
        ShowWindow(cityList_->hwnd(), SW_SHOW);
}

void DigitalClockView::hide() {
    if (cityList_)
        ShowWindow(cityList_->hwnd(), SW_HIDE);
}

void DigitalClockView::storeExitState(SettingsRecord& s) const {
    if (!cityList_)
        return;
    s.digitalClockCity = {static_cast<uint32_t>(cityList_->continent()),
                          static_cast<uint32_t>(cityList_->city())};
}

bool DigitalClockView::notify(UINT msg, WPARAM wp, LPARAM lp) {
    (void)wp;
    if (msg != kMsgChanged || !cityList_ || lp != reinterpret_cast<LPARAM>(cityList_->hwnd()))
        return false;
    const RECT time = kCityTime;
    const RECT date = cityDateRect();
    InvalidateRect(ctx_.mainWindow, &time, false);
    InvalidateRect(ctx_.mainWindow, &date, false);
    return true;
}

// ---- Texts -----------------------------------------------------------------------------------

std::u16string DigitalClockView::HomeLineText(std::u16string_view name, int offsetMinutes) {
    // The sign goes with the whole offset, so that half an hour west reads -0:30, not 0:30.
    const int a = std::abs(offsetMinutes);
    std::u16string s(name);
    s += u" (GMT ";
    if (offsetMinutes > 0)
        s += u'+';
    else if (offsetMinutes < 0)
        s += u'-';
    s += dev::fromUtf8(std::to_string(a / 60));
    s += u':';
    s += static_cast<char16_t>(u'0' + (a % 60) / 10);
    s += static_cast<char16_t>(u'0' + a % 10);
    s += u')';
    return s;
}

std::u16string DigitalClockView::homeLineText() const {
    const CityRecord* home = ctx_.cities.homeRecord();
    return home ? HomeLineText(home->nameView(), home->gmtOffset) : std::u16string();
}

std::u16string DigitalClockView::longDateText(const dev::SystemTime& t) const {
    switch (ctx_.locale.localeLongDateOrder) {
    case 0:
        return dev::dateText(t, picture::kLongDateMonthFirst);
    case 1:
        return dev::dateText(t, picture::kLongDateDayFirst);
    default:
        return dev::systemFormatText(t, dev::SystemFormat::LongDate);
    }
}

std::u16string DigitalClockView::DayNameText(const dev::SystemTime& t) {
    return dev::dateText(t, picture::kDayName);
}

std::u16string DigitalClockView::weekText(const dev::SystemTime& t) const {
    return LoadStringResource(kStrWeek) + u" " + WeekNumberText(t, ctx_.settings);
}

std::u16string DigitalClockView::hoursMinutesText(const dev::SystemTime& t) const {
    return dev::timeText(t, ctx_.locale.locale24Hour ? picture::kHourMinute24
                                                     : picture::kHourMinute12);
}

std::u16string DigitalClockView::SecondsText(const dev::SystemTime& t) {
    return dev::timeText(t, picture::kSeconds);
}

// ---- Painting --------------------------------------------------------------------------------

RECT DigitalClockView::cityDateRect() const {
    return lowered(kCityTime, kCityDateStep);
}

void DigitalClockView::drawDividers(DC& dc) {
    DrawDivider(dc, kUpperDivider);
    DrawDivider(dc, kLowerDivider);
}

void DigitalClockView::drawBars(DC& dc) {
    dc.FillRect(kUpperBar, kBarColour);
    dc.FillRect(kLowerBar, kBarColour);
}

void DigitalClockView::drawHomeLine(DC& dc) {
    dc.SelectFont(font(kFontTextBold));
    dc.SetBkMode(OPAQUE);
    dc.SetBkColor(kWhite);
    dc.SetTextColor(colour(kColourText));
    dc.FillRect(kHomeLine, kWhite);
    dc.DrawText(homeLineText(), kHomeLine, kLineFormat);
}

void DigitalClockView::drawDateLines(DC& dc, const dev::SystemTime& now) {
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    const std::array<std::u16string, 3> lines{longDateText(now), DayNameText(now), weekText(now)};
    RECT r = kLongDateLine;
    for (size_t i = 0; i < lines.size(); ++i) {
        // A line is written again when its text changed or a full paint cleared the view.
        if (lines[i] != dateLines_[i]) {
            dc.FillRect(r, kWhite);
            dc.DrawText(lines[i], r, kLineFormat);
            dateLines_[i] = lines[i];
        }
        r = lowered(r, kLineStep);
    }
}

void DigitalClockView::drawSecondCity(DC& dc, const dev::SystemTime& now) {
    if (!cityList_)
        return;
    const dev::SystemTime t = cityList_->UpdateTime(&now);
    const std::u16string time = dev::systemFormatText(t, dev::SystemFormat::TimeNoSeconds);
    const std::u16string date = FormatMonthDay(t, true);
    if (cityDrawn_ && time == cityTime_ && date == cityDate_)
        return;
    cityTime_ = time;
    cityDate_ = date;
    cityDrawn_ = true;
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    const RECT dateRect = cityDateRect();
    dc.FillRect(kCityTime, kWhite);
    dc.DrawText(cityTime_, kCityTime, kCityFormat);
    dc.FillRect(dateRect, kWhite);
    dc.DrawText(cityDate_, dateRect, kCityFormat);
}

const QFont* DigitalClockView::digitsFont(DC& work, const std::u16string& text) {
    // Two-digit hours in a wide face run past the left edge: the font is narrowed to fit.
    const QFont* large = font(kFontLargeDigits);
    work.SelectFont(large);
    const int room = kHoursMinutes.right - kHoursMinutes.left;
    const int width = work.GetTextExtent(text).x;
    if (width <= room || !large)
        return large;
    const int size = std::max(1, large->pixelSize() * room / width);
    if (fitted_.pixelSize() != size) {
        fitted_ = *large;
        fitted_.setPixelSize(size);
    }
    return &fitted_;
}

const QImage& DigitalClockView::hoursMinutesLayer(const std::u16string& text, qreal ratio) {
    // Glyphs this large are filled as outlines, which is most of a tick's work: the hours and
    // minutes are drawn once a minute onto a white layer that every tick starts from.
    if (!layer_.isNull() && layerText_ == text && layer_.devicePixelRatio() == ratio)
        return layer_;
    layer_ = CreateCompatibleBitmap(qRound(kDigitsWidth * ratio), qRound(kDigitsHeight * ratio));
    layer_.setDevicePixelRatio(ratio);
    layerText_ = text;
    DC work(&layer_);
    work.painter().setRenderHint(QPainter::TextAntialiasing);
    work.SetBkMode(TRANSPARENT);
    work.SetTextColor(colour(kColourDigits));
    work.SelectFont(digitsFont(work, text));
    work.DrawText(text, kHoursMinutes, DT_RIGHT | DT_TOP | DT_SINGLELINE);
    return layer_;
}

void DigitalClockView::composeDigits(DC& work, const dev::SystemTime& now) {
    work.painter().setRenderHint(QPainter::TextAntialiasing);
    work.SetBkMode(TRANSPARENT);
    work.SetTextColor(colour(kColourDigits));
    work.SelectFont(font(kFontSecondsDigits));
    work.DrawText(SecondsText(now), kSeconds, DT_LEFT | DT_TOP | DT_SINGLELINE);
    // The picture is shown in 24-hour mode too.
    amPm_.Draw(work, AmPmIndex(now), kAmPmAt.x, kAmPmAt.y);
}

void DigitalClockView::drawDigits(DC& dc, const dev::SystemTime& now) {
    // Composed at the screen's pixel density, so the digits stay sharp on a scaled window.
    const qreal ratio = dc.image() ? dc.image()->devicePixelRatio() : 1;
    QImage digits = hoursMinutesLayer(hoursMinutesText(now), ratio).copy();
    digits.setDevicePixelRatio(ratio);
    {
        DC work(&digits);
        composeDigits(work, now);
    }
    dc.BitBlt(kDigitsAt.x, kDigitsAt.y, kDigitsWidth, kDigitsHeight, digits, 0, 0);
}

void DigitalClockView::paint(DC& dc) {
    const dev::SystemTime now = dev::getLocalTime();
    drawDividers(dc);
    drawBars(dc);
    drawHomeLine(dc);
    // Everything is written again after a full paint.
    dateLines_ = {};
    cityDrawn_ = false;
    tick(dc, now);
}

void DigitalClockView::tick(DC& dc, const dev::SystemTime& now) {
    drawDateLines(dc, now);
    drawSecondCity(dc, now);
    drawDigits(dc, now);
}

} // namespace hv::views

// The Digital Clock and Analog Clock views against the fake device with a set clock, zone and
// locale and a city database of the tests' own: the home-city line, the composed digits with
// their AM/PM picture in both hour modes, the second city following its picker, the date lines
// in the locale's order, and the Analog Clock's lines around the clock.
#include "clockviews_support.h"
#include "toolkit/window/strings.h"
#include "views/analogclockview.h"
#include "views/digitalclockview.h"

using namespace hv;
using namespace hv::views;
using namespace hv::views::test;
using tk::RECT;

namespace {

constexpr QRgb kWhite = 0xffffff;

// One frame of the AM/PM pictures alone, as the digits bitmap holds it.
QImage amPmFrame(int index) {
    QImage img = tk::CreateCompatibleBitmap(66, 66);
    tk::DC dc(&img);
    tk::ImageList(tk::LoadImageResource(DigitalClockView::kAmPmImage), 2, false, -1)
        .Draw(dc, index, 0, 0);
    return img;
}

// Where the picture lands on the screen.
constexpr RECT kAmPmOnScreen{DigitalClockView::kDigitsAt.x + DigitalClockView::kAmPmAt.x,
                             DigitalClockView::kDigitsAt.y + DigitalClockView::kAmPmAt.y,
                             DigitalClockView::kDigitsAt.x + DigitalClockView::kAmPmAt.x + 66,
                             DigitalClockView::kDigitsAt.y + DigitalClockView::kAmPmAt.y + 66};

QImage paintView(view::View& v) {
    QImage img = canvas();
    tk::DC dc(&img);
    v.paint(dc);
    return img;
}

} // namespace

using DigitalClock = ClockViewTest;
using AnalogClock = ClockViewTest;

TEST_F(DigitalClock, HomeLineCarriesTheSignedOffset) {
    EXPECT_EQ(DigitalClockView::HomeLineText(u"St. John's", -210), u"St. John's (GMT -3:30)");
    EXPECT_EQ(DigitalClockView::HomeLineText(u"Kolkata", 330), u"Kolkata (GMT +5:30)");
    EXPECT_EQ(DigitalClockView::HomeLineText(u"London", 0), u"London (GMT 0:00)");
    EXPECT_EQ(DigitalClockView::HomeLineText(u"Tokyo", 540), u"Tokyo (GMT +9:00)");
    EXPECT_EQ(DigitalClockView::HomeLineText(u"Kathmandu", 345), u"Kathmandu (GMT +5:45)");
    EXPECT_EQ(DigitalClockView::HomeLineText(u"Honolulu", -600), u"Honolulu (GMT -10:00)");
    // Less than an hour west keeps its minus sign: the hours alone would be a plain 0.
    EXPECT_EQ(DigitalClockView::HomeLineText(u"Azores West", -30), u"Azores West (GMT -0:30)");
    EXPECT_EQ(DigitalClockView::HomeLineText(u"Somewhere", -59), u"Somewhere (GMT -0:59)");
    EXPECT_EQ(DigitalClockView::HomeLineText(u"Somewhere", 1), u"Somewhere (GMT +0:01)");

    DigitalClockView view(*ctx, 1);
    setHome(kNorthAmerica, kStJohns);
    EXPECT_EQ(view.homeLineText(), u"St. John's (GMT -3:30)");
    setHome(kAsia, kKolkata);
    EXPECT_EQ(view.homeLineText(), u"Kolkata (GMT +5:30)");
    setHome(kEurope, kLondon);
    EXPECT_EQ(view.homeLineText(), u"London (GMT 0:00)");
    setHome(kNorthAmerica, kAzores);
    EXPECT_EQ(view.homeLineText(), u"Azores West (GMT -0:30)");
    // The full paint writes it in its line.
    const QImage img = paintView(view);
    EXPECT_GT(ink(region(img, DigitalClockView::kHomeLine)), 50);
}

TEST_F(DigitalClock, AfternoonPictureBesideTheSecondsInBothHourModes) {
    setClock(at(2026, 3, 14, 17, 5, 42));
    useLocale("de_DE");
    {
        DigitalClockView view(*ctx, 1);
        EXPECT_EQ(view.hoursMinutesText(at(2026, 3, 14, 17, 5, 42)), u"17:05");
        EXPECT_EQ(DigitalClockView::SecondsText(at(2026, 3, 14, 17, 5, 42)), u"42");
        const QImage img = paintView(view);
        EXPECT_EQ(region(img, kAmPmOnScreen), amPmFrame(1)) << "24-hour mode shows it too";
        // Digits in their colour on both sides of the seconds' column.
        const QRgb digits = rgb(tk::SDraw::colour(tk::kColourDigits));
        EXPECT_GT(countColour(region(img, {0, 110, 368, 280}), digits), 2000);
        EXPECT_GT(countColour(region(img, {370, 110, 480, 188}), digits), 500);
    }
    useLocale("en_US");
    {
        DigitalClockView view(*ctx, 1);
        EXPECT_EQ(view.hoursMinutesText(at(2026, 3, 14, 17, 5, 42)), u"5:05");
        const QImage img = paintView(view);
        EXPECT_EQ(region(img, kAmPmOnScreen), amPmFrame(1));
        // The morning shows the other picture.
        setClock(at(2026, 3, 14, 5, 5, 42));
        EXPECT_EQ(region(paintView(view), kAmPmOnScreen), amPmFrame(0));
        setClock(at(2026, 3, 14, 0, 0, 0));
        EXPECT_EQ(region(paintView(view), kAmPmOnScreen), amPmFrame(0));
        setClock(at(2026, 3, 14, 12, 0, 0));
        EXPECT_EQ(region(paintView(view), kAmPmOnScreen), amPmFrame(1));
    }
}

TEST_F(DigitalClock, TwoDigitHoursStayInsideTheirColumn) {
    useLocale("de_DE");
    setClock(at(2026, 3, 14, 22, 47, 9));
    DigitalClockView view(*ctx, 1);
    const QImage img = paintView(view);
    // Nothing of the digits at the left edge, and the seconds' column starts clear.
    const QRgb digits = rgb(tk::SDraw::colour(tk::kColourDigits));
    EXPECT_EQ(countColour(region(img, {0, 110, 2, 280}), digits), 0);
    EXPECT_GT(countColour(region(img, {0, 110, 368, 280}), digits), 2000);
}

TEST_F(DigitalClock, DateLinesFollowTheLocaleAndTheTick) {
    useLocale("en_US");
    DigitalClockView view(*ctx, 1);
    const dev::SystemTime t = at(2026, 3, 14, 10, 0, 0);
    EXPECT_EQ(view.longDateText(t), u"March 14, 2026");
    EXPECT_EQ(DigitalClockView::DayNameText(t), u"Saturday");
    EXPECT_EQ(view.weekText(t), u"Week: 11");
    useLocale("de_DE");
    EXPECT_EQ(view.longDateText(t), u"14 März 2026");
    EXPECT_EQ(DigitalClockView::DayNameText(t), u"Samstag");

    // A tick rewrites the three lines: the old, longer day name leaves nothing behind.
    QImage img = canvas();
    tk::DC dc(&img);
    view.paint(dc);
    view.tick(dc, at(2026, 3, 16, 10, 0, 0)); // Monday
    QImage fresh = canvas();
    {
        tk::DC freshDc(&fresh);
        setClock(at(2026, 3, 16, 10, 0, 0));
        DigitalClockView other(*ctx, 1);
        other.paint(freshDc);
    }
    const RECT lines{0, 284, 480, 392};
    EXPECT_EQ(region(img, lines), region(fresh, lines));
}

TEST_F(DigitalClock, SecondCityFollowsItsPickerAndIsRemembered) {
    useLocale("en_US");
    fake.clockImpl.setZone(fixedZone(60));
    setClock(at(2026, 3, 14, 17, 5, 0)); // Berlin's time, 16:05 UTC
    app().settings.digitalClockCity = {static_cast<uint32_t>(kAsia), static_cast<uint32_t>(kTokyo)};
    DigitalClockView view(*ctx, 1);
    view.show();
    ASSERT_NE(view.cityList(), nullptr);
    EXPECT_EQ(view.cityList()->continent(), kAsia);
    EXPECT_EQ(view.cityList()->city(), kTokyo);
    QImage img = canvas();
    tk::DC dc(&img);
    view.paint(dc);
    EXPECT_EQ(view.cityTimeText(), u"1:05 AM");
    EXPECT_EQ(view.cityDateText(), u"Sun, 3/15");
    EXPECT_GT(ink(region(img, DigitalClockView::kCityTime)), 30);

    ASSERT_TRUE(view.cityList()->Select(kNorthAmerica, kStJohns));
    tk::SendMessage(view.cityList()->hwnd(), tk::kMsgChanged, 0, 0);
    view.tick(dc, at(2026, 3, 14, 17, 5, 1));
    EXPECT_EQ(view.cityTimeText(), u"12:35 PM");
    EXPECT_EQ(view.cityDateText(), u"Sat, 3/14");
    // The texts are cleared before they are written again.
    QImage fresh = canvas();
    {
        tk::DC freshDc(&fresh);
        freshDc.FillRect({0, 0, 480, 640}, tk::RGB(255, 255, 255));
        freshDc.SelectFont(tk::SDraw::font(tk::kFontText));
        freshDc.SetBkMode(tk::TRANSPARENT);
        freshDc.DrawText(u"12:35 PM", DigitalClockView::kCityTime,
                         tk::DT_RIGHT | tk::DT_VCENTER | tk::DT_SINGLELINE);
    }
    EXPECT_EQ(region(img, DigitalClockView::kCityTime), region(fresh, DigitalClockView::kCityTime));

    SettingsRecord s{};
    view.storeExitState(s);
    EXPECT_EQ(s.digitalClockCity,
              (CityPair{static_cast<uint32_t>(kNorthAmerica), static_cast<uint32_t>(kStJohns)}));
    view.hide();
    EXPECT_FALSE(tk::IsWindowVisible(view.cityList()->hwnd()));
}

TEST_F(AnalogClock, LinesAroundTheClockAndTheTrailingDotOfTheShortDate) {
    const dev::SystemTime t = at(2026, 3, 14, 17, 5, 42);
    useLocale("en_US");
    EXPECT_EQ(AnalogClockView::MonthDayText(t), u"3/14");
    EXPECT_EQ(AnalogClockView::TimeText(t), u"5:05 PM");
    useLocale("de_DE");
    EXPECT_EQ(AnalogClockView::MonthDayText(t), u"14.03.");
    EXPECT_EQ(AnalogClockView::TimeText(t), u"17:05");
    EXPECT_EQ(AnalogClockView::YearText(t), u"2026");
    EXPECT_EQ(AnalogClockView::MonthNameText(t), u"März");
    EXPECT_EQ(AnalogClockView::DayNameText(t), u"Samstag");

    setClock(t);
    AnalogClockView view(*ctx, 2);
    EXPECT_EQ(view.weekText(t), u"Week: 11");
    const QImage img = paintView(view);
    EXPECT_EQ(view.clock().currentTime().hour, 17);
    EXPECT_EQ(view.clock().position().x, 60);
    EXPECT_EQ(view.clock().position().y, 86);
    // Each of the six texts is where its line puts it: left and right halves both inked.
    for (const RECT& r :
         {AnalogClockView::kTopLine, AnalogClockView::kYearLine, AnalogClockView::kNameLine}) {
        EXPECT_GT(ink(region(img, {r.left, r.top, 200, r.bottom})), 20) << r.top;
        EXPECT_GT(ink(region(img, {380, r.top, r.right, r.bottom})), 20) << r.top;
    }
    // The face is drawn at its place, whole: the year line across its bottom leaves the ring.
    EXPECT_NE(pixel(img, 60 + 181, 86 + 3), kWhite);
    EXPECT_NE(pixel(img, 60 + 181, 86 + 356), kWhite);
}

TEST_F(AnalogClock, EveryTickRedrawsTheWholeView) {
    useLocale("en_US");
    setClock(at(2026, 3, 14, 12, 59, 59));
    AnalogClockView view(*ctx, 2);
    QImage img = canvas();
    tk::DC dc(&img);
    view.paint(dc);
    view.tick(dc, at(2026, 3, 15, 13, 0, 0));
    setClock(at(2026, 3, 15, 13, 0, 0));
    AnalogClockView other(*ctx, 2);
    const QImage fresh = paintView(other);
    // "12:59 PM" became "1:00 PM" and Saturday Sunday: no trace of the longer texts.
    EXPECT_EQ(region(img, {0, 44, 480, 490}), region(fresh, {0, 44, 480, 490}));
}

TEST_F(DigitalClock, TicksAcrossAMinuteAndAnHourMatchAFreshPaint) {
    useLocale("en_US");
    setClock(at(2026, 3, 14, 11, 59, 58));
    DigitalClockView view(*ctx, 1);
    QImage img = canvas();
    tk::DC dc(&img);
    view.paint(dc);
    view.tick(dc, at(2026, 3, 14, 11, 59, 59));
    for (const dev::SystemTime& t : {at(2026, 3, 14, 12, 0, 0), at(2026, 3, 14, 12, 0, 1)}) {
        view.tick(dc, t);
        setClock(t);
        DigitalClockView fresh(*ctx, 1);
        EXPECT_EQ(region(img, {0, 84, 480, 392}), region(paintView(fresh), {0, 84, 480, 392}))
            << t.second;
    }
}

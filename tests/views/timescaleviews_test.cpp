// The Internet Time and Time Calc views against the fake device with a set clock, zone and
// locale and a city database of the tests' own: the current beats, the two modes of the converter
// and the beat entry, the rows' converted times and dates, and what makes the rows recompute.
#include "clockviews_support.h"
#include "timescales/timescales.h"
#include "toolkit/window/strings.h"
#include "views/internettimeview.h"
#include "views/timecalcview.h"

using namespace hv;
using namespace hv::views;
using namespace hv::views::test;
using tk::LPARAM;
using tk::RECT;

namespace {

QImage paintView(view::View& v) {
    QImage img = canvas();
    tk::DC dc(&img);
    v.paint(dc);
    return img;
}

LPARAM handle(const tk::SWindow* w) {
    return reinterpret_cast<LPARAM>(w->hwnd());
}

bool sameTime(const dev::SystemTime& a, const dev::SystemTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

} // namespace

using InternetTime = ClockViewTest;
using TimeCalc = ClockViewTest;

TEST_F(InternetTime, CurrentBeatsInTheBeatZoneAndAtNoonUtc) {
    // One hour east of UTC without daylight saving: the beat zone itself.
    fake.clockImpl.setZone(fixedZone(60));
    EXPECT_EQ(InternetTimeView::BeatsNowText(at(2026, 7, 1, 0, 0, 0)), u"000");
    EXPECT_EQ(InternetTimeView::BeatsNowText(at(2026, 7, 1, 23, 59, 59)), u"999");
    fake.clockImpl.setZone(dev::zoneUtc());
    EXPECT_EQ(InternetTimeView::BeatsNowText(at(2026, 7, 1, 12, 0, 0)), u"541");

    // Drawn in red, and moved on by the tick without a trace of the old value.
    setClock(at(2026, 7, 1, 12, 0, 0));
    InternetTimeView view(*ctx, 11);
    QImage img = canvas();
    tk::DC dc(&img);
    view.paint(dc);
    const QRgb red = rgb(InternetTimeView::kBeatColour);
    EXPECT_GT(countColour(region(img, InternetTimeView::kBeatsNow), red), 50);
    view.tick(dc, at(2026, 7, 1, 12, 0, 9)); // 541.7: still 541
    view.tick(dc, at(2026, 7, 1, 23, 0, 0)); // 000
    setClock(at(2026, 7, 1, 23, 0, 0));
    InternetTimeView other(*ctx, 11);
    EXPECT_EQ(region(img, InternetTimeView::kBeatsNow),
              region(paintView(other), InternetTimeView::kBeatsNow));

    // What stands there is the three digits alone, right-aligned in the large face.
    QImage expected = canvas();
    {
        tk::DC e(&expected);
        e.SelectFont(tk::SDraw::font(tk::kFontTitle));
        e.SetBkMode(tk::TRANSPARENT);
        e.SetTextColor(InternetTimeView::kBeatColour);
        e.DrawText(u"000", InternetTimeView::kBeatsNow,
                   tk::DT_RIGHT | tk::DT_VCENTER | tk::DT_SINGLELINE);
    }
    EXPECT_EQ(region(img, InternetTimeView::kBeatsNow),
              region(expected, InternetTimeView::kBeatsNow));
}

TEST_F(InternetTime, StandardTimeFromBeatsWithTheConvertedDate) {
    useLocale("en_US");
    fake.clockImpl.setZone(dev::zoneUtc());
    setClock(at(2026, 3, 14, 10, 0, 0));
    InternetTimeView view(*ctx, 11);
    view.show();
    ASSERT_NE(view.timePicker(), nullptr);
    EXPECT_EQ(view.timeLabel(), u"Time:");
    InternetTimeView::Result r = view.result();
    EXPECT_EQ(r.label, u"Internet Time:");
    EXPECT_EQ(r.value, u"458"); // 11:00 in the beat zone
    EXPECT_EQ(r.dateText, u"3/14/2026");

    // The mode list's choice reaches the view as its change.
    ASSERT_TRUE(view.modeList()->SetSelected(InternetTimeView::kFromInternetTime));
    EXPECT_TRUE(view.notify(tk::kMsgChanged, 0, handle(view.modeList())));
    EXPECT_EQ(view.mode(), InternetTimeView::kFromInternetTime);
    EXPECT_EQ(view.timeLabel(), u"I-net Time:");
    EXPECT_EQ(view.timePicker()->mode(), tk::TimePicker::kInternet);
    EXPECT_EQ(view.timePicker()->GetInternetTime(), 458);

    // Beat 010 begins at 00:14:24 in the beat zone: 23:14 of the day before in UTC.
    view.timePicker()->SetInternetTime(10);
    EXPECT_TRUE(view.notify(tk::kMsgPickerChanged, 0, handle(view.timePicker())));
    r = view.result();
    EXPECT_EQ(r.label, u"Standart Time:");
    EXPECT_EQ(r.value, u"11:14 PM");
    EXPECT_EQ(r.dateText, u"3/13/2026");
    EXPECT_EQ(view.datePicker()->GetDate().day, 14);

    // What is drawn: the new time label and the red result lines.
    const QImage img = paintView(view);
    QImage label = canvas();
    {
        tk::DC dc(&label);
        dc.SelectFont(tk::SDraw::font(tk::kFontText));
        dc.SetBkMode(tk::TRANSPARENT);
        dc.DrawText(u"I-net Time:", InternetTimeView::kTimeLabel,
                    tk::DT_RIGHT | tk::DT_VCENTER | tk::DT_SINGLELINE);
    }
    EXPECT_EQ(region(img, InternetTimeView::kTimeLabel),
              region(label, InternetTimeView::kTimeLabel));
    const QRgb red = rgb(InternetTimeView::kBeatColour);
    for (const RECT& r2 : {InternetTimeView::kResultLabel, InternetTimeView::kResultValue,
                           InternetTimeView::kResultDateLabel, InternetTimeView::kResultDate})
        EXPECT_GT(countColour(region(img, r2), red), 30) << r2.top << "," << r2.left;
}

TEST_F(InternetTime, BeatFiveHundredIsElevenUtcInLocalTime) {
    useLocale("en_US");
    setClock(at(2026, 3, 14, 10, 0, 0));
    for (const auto& [zone, shown] :
         {std::pair{0, u"11:00 AM"}, std::pair{120, u"1:00 PM"}, std::pair{-300, u"6:00 AM"}}) {
        fake.clockImpl.setZone(fixedZone(zone));
        InternetTimeView view(*ctx, 11);
        view.show();
        view.setMode(InternetTimeView::kFromInternetTime);
        view.timePicker()->SetInternetTime(500);
        const InternetTimeView::Result r = view.result();
        EXPECT_EQ(r.value, shown) << zone;
        EXPECT_EQ(r.dateText, u"3/14/2026") << zone;
        view.hide();
    }
}

TEST_F(InternetTime, BeatEntryHoldsItsDigitsAndTheClockTimeComesBack) {
    fake.clockImpl.setZone(dev::zoneUtc());
    setClock(at(2026, 3, 14, 10, 0, 0));
    InternetTimeView view(*ctx, 11);
    view.show();
    // 00:00:30 UTC is 01:00:30 in the beat zone: 3630 s, beat 042.
    const dev::SystemTime entered = at(2026, 3, 14, 0, 0, 30);
    view.timePicker()->SetTime(entered);
    view.setMode(InternetTimeView::kFromInternetTime);
    const dev::SystemTime entry = view.timePicker()->GetTime();
    EXPECT_EQ(entry.year, 2000);
    EXPECT_EQ(entry.hour, 4);
    EXPECT_EQ(entry.minute, 2);
    EXPECT_EQ(view.timePicker()->GetInternetTime(), 42);
    EXPECT_EQ(BeatsFromBeatEntry(BeatEntryFromBeats(42)), 42);
    EXPECT_EQ(view.timePicker()->Text(), u"@042");

    view.setMode(InternetTimeView::kFromStandardTime);
    EXPECT_EQ(view.timeLabel(), u"Time:");
    EXPECT_EQ(view.timePicker()->mode(), tk::TimePicker::kClock);
    const dev::SystemTime back = view.timePicker()->GetTime();
    EXPECT_EQ(back.hour, 0);
    EXPECT_EQ(back.minute, 0);
    EXPECT_EQ(view.result().value, u"042");
}

TEST_F(TimeCalc, RowsShowTheReferenceInstantInTheirCities) {
    useLocale("en_US");
    fake.clockImpl.setZone(fixedZone(60));
    setClock(at(2026, 3, 14, 17, 5, 0));
    setHome(kEurope, kBerlin);
    auto& rows = app().settings.timeCalcCities;
    rows[0] = {static_cast<uint32_t>(kEurope), static_cast<uint32_t>(kBerlin)};
    rows[1] = {static_cast<uint32_t>(kAsia), static_cast<uint32_t>(kTokyo)};
    rows[2] = {static_cast<uint32_t>(kNorthAmerica), static_cast<uint32_t>(kStJohns)};
    TimeCalcView view(*ctx, 12);
    view.show();
    ASSERT_NE(view.reference(), nullptr);
    EXPECT_EQ(view.reference()->continent(), kEurope);
    EXPECT_EQ(view.reference()->city(), kBerlin);
    const QImage img = paintView(view);
    const dev::SystemTime ref = view.referenceTime();
    EXPECT_EQ(ref.hour, 17);
    EXPECT_EQ(ref.minute, 5);
    // The reference city itself: the reference time unchanged.
    ASSERT_TRUE(view.row(0)->converted);
    EXPECT_TRUE(sameTime(*view.row(0)->converted, ref));
    EXPECT_TRUE(sameTime(*view.row(1)->converted, at(2026, 3, 15, 1, 5, 0)));
    EXPECT_TRUE(sameTime(*view.row(2)->converted, at(2026, 3, 14, 12, 35, 0)));
    EXPECT_EQ(TimeCalcView::RowTimeText(*view.row(1)->converted), u"1:05 AM");
    EXPECT_EQ(TimeCalcView::RowDateText(*view.row(1)->converted), u"Sun, 3/15");
    // Each shown row has its time, its date and its picture.
    for (int slot = 0; slot < 3; ++slot) {
        const int top = TimeCalcView::kRowTops[static_cast<size_t>(slot)];
        EXPECT_GT(ink(region(img, {300, top, 426, top + 28})), 30) << slot;
        EXPECT_GT(ink(region(img, {300, top + 40, 426, top + 68})), 30) << slot;
        EXPECT_GT(countColour(region(img, {432, top, 480, top + 68}), 0xffffff), 0) << slot;
        EXPECT_LT(countColour(region(img, {432, top + 12, 476, top + 56}), 0xffffff), 44 * 44)
            << slot;
    }
    // Morning and afternoon pictures differ between the Tokyo row and the others.
    const RECT am{432, 320 + 12, 476, 320 + 56};
    const RECT pm{432, 232 + 12, 476, 232 + 56};
    EXPECT_NE(region(img, am), region(img, pm));
    EXPECT_EQ(TimeCalcView::AmPmIndex(*view.row(1)->converted), 0);
    EXPECT_EQ(TimeCalcView::AmPmIndex(*view.row(2)->converted), 1);
}

TEST_F(TimeCalc, RowDatesFollowTheLocaleOrderAndSeparator) {
    const dev::SystemTime t = at(2026, 3, 14, 9, 0, 0);
    useLocale("en_US");
    EXPECT_EQ(TimeCalcView::RowDateText(t), u"Sat, 3/14");
    useLocale("de_DE");
    EXPECT_EQ(TimeCalcView::RowDateText(t), u"Sa., 14.03.");
    EXPECT_EQ(TimeCalcView::RowTimeText(t), u"09:00");
    useLocale("en_GB");
    EXPECT_EQ(TimeCalcView::RowDateText(t), u"Sat, 14/03");
}

TEST_F(TimeCalc, RowsRecomputeWhenTheTabAnInputOrARowCityChanges) {
    useLocale("en_US");
    fake.clockImpl.setZone(fixedZone(60));
    setClock(at(2026, 3, 14, 17, 5, 0));
    setHome(kEurope, kBerlin);
    for (auto& c : app().settings.timeCalcCities)
        c = {static_cast<uint32_t>(kEurope), static_cast<uint32_t>(kLondon)};
    app().settings.timeCalcCities[4] = {static_cast<uint32_t>(kAsia),
                                        static_cast<uint32_t>(kKolkata)};
    TimeCalcView view(*ctx, 12);
    view.show();
    QImage img = canvas();
    tk::DC dc(&img);
    view.paint(dc);
    EXPECT_FALSE(view.row(4)->converted) << "rows of hidden tabs are not computed";
    EXPECT_TRUE(tk::IsWindowVisible(view.row(0)->hwnd()));
    EXPECT_FALSE(tk::IsWindowVisible(view.row(4)->hwnd()));

    // A tap on the second tab.
    tk::SPTabControl* tabs = view.tabs();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tk::GetWindowRect(tabs->hwnd()), (RECT{240, 12, 480, 44}));
    tabs->OnLButtonDown({90, 16});
    tabs->OnLButtonUp({90, 16});
    EXPECT_TRUE(view.notify(tk::kMsgChanged, 0, handle(tabs)));
    EXPECT_EQ(view.subState(), 1);
    EXPECT_FALSE(tk::IsWindowVisible(view.row(0)->hwnd()));
    EXPECT_TRUE(tk::IsWindowVisible(view.row(4)->hwnd()));
    view.paint(dc);
    ASSERT_TRUE(view.row(4)->converted);
    EXPECT_TRUE(sameTime(*view.row(4)->converted, at(2026, 3, 14, 21, 35, 0)));

    // A new time.
    view.timePicker()->SetTime(at(2026, 3, 14, 20, 0, 0));
    EXPECT_TRUE(view.notify(tk::kMsgPickerChanged, 0, handle(view.timePicker())));
    view.paint(dc);
    EXPECT_TRUE(sameTime(*view.row(4)->converted, at(2026, 3, 15, 0, 30, 0)));

    // A new date: the picker marks it, the next tick draws the rows again.
    view.datePicker()->SetDate(at(2026, 12, 31, 0, 0, 0));
    view.datePicker()->setChanged(true);
    view.tick(dc, at(2026, 3, 14, 17, 5, 1));
    EXPECT_TRUE(sameTime(*view.row(4)->converted, at(2027, 1, 1, 0, 30, 0)));
    EXPECT_FALSE(view.datePicker()->changed());
    // A date the user spins is reported to the main window at once, without waiting for the
    // tick.
    view.datePicker()->pick()->selectField(1); // M/d/yyyy: the day
    view.datePicker()->pick()->spin(-1);
    EXPECT_TRUE(view.notify(tk::kMsgPickerChanged, 0, handle(view.datePicker())));
    EXPECT_FALSE(view.datePicker()->changed());
    view.paint(dc);
    EXPECT_TRUE(sameTime(*view.row(4)->converted, at(2026, 12, 31, 0, 30, 0)));
    view.datePicker()->SetDate(at(2026, 12, 31, 0, 0, 0));

    // Another row city, and another reference city.
    ASSERT_TRUE(view.row(5)->Select(kAsia, kTokyo));
    EXPECT_TRUE(view.notify(tk::kMsgChanged, 0, handle(view.row(5))));
    view.paint(dc);
    EXPECT_TRUE(sameTime(*view.row(5)->converted, at(2027, 1, 1, 4, 0, 0)));
    ASSERT_TRUE(view.reference()->Select(kEurope, kLondon));
    EXPECT_TRUE(view.notify(tk::kMsgChanged, 0, handle(view.reference())));
    view.paint(dc);
    EXPECT_TRUE(sameTime(*view.row(5)->converted, at(2027, 1, 1, 5, 0, 0)));
    EXPECT_TRUE(sameTime(*view.row(3)->converted, at(2026, 12, 31, 20, 0, 0)));

    // The rows go back to the settings record.
    SettingsRecord s{};
    view.storeExitState(s);
    EXPECT_EQ(s.timeCalcCities[5],
              (CityPair{static_cast<uint32_t>(kAsia), static_cast<uint32_t>(kTokyo)}));
    EXPECT_EQ(s.timeCalcCities[4],
              (CityPair{static_cast<uint32_t>(kAsia), static_cast<uint32_t>(kKolkata)}));
    EXPECT_EQ(s.timeCalcCities[0],
              (CityPair{static_cast<uint32_t>(kEurope), static_cast<uint32_t>(kLondon)}));

    // Hidden with the view, back with it on the same tab.
    view.hide();
    EXPECT_FALSE(tk::IsWindowVisible(view.row(4)->hwnd()));
    EXPECT_FALSE(tk::IsWindowVisible(tabs->hwnd()));
    view.show();
    EXPECT_TRUE(tk::IsWindowVisible(view.row(4)->hwnd()));
    EXPECT_FALSE(tk::IsWindowVisible(view.row(1)->hwnd()));
    EXPECT_EQ(view.tabs()->selected(), 1);
}

TEST_F(TimeCalc, RememberedTabIsSelectedWhenTheViewIsFirstShown) {
    TimeCalcView view(*ctx, 12);
    view.setSubState(3);
    view.show();
    EXPECT_EQ(view.subState(), 3);
    EXPECT_EQ(view.tabs()->selected(), 3);
    EXPECT_TRUE(tk::IsWindowVisible(view.row(11)->hwnd()));
    EXPECT_FALSE(tk::IsWindowVisible(view.row(0)->hwnd()));
    view.setSubState(9); // no such tab
    EXPECT_EQ(view.subState(), 0);
    EXPECT_TRUE(tk::IsWindowVisible(view.row(0)->hwnd()));
}

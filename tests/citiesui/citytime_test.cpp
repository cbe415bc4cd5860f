// The City Time view in the main window: five items a page with their small clocks, the tab
// strip turning pages, a repaint only when a city's minute changes, and the date line by locale.
#include "cities/ui/citytimeview.h"

#include "cities/ui/citiesuitexts.h"
#include "cities/ui/citydetails.h"
#include "citiesui_support.h"
#include "shellcore/shellcore.h"
#include "toolkit/window/SWindow.h"

#include <QTest>

using namespace hv;
using namespace hv::citiestest;
using citiesui::CityTimeItem;
using citiesui::CityTimeView;

namespace {

CityTimeView* cityTime(shell::MainWindow& w) {
    return static_cast<CityTimeView*>(w.view(shell::kCityTime));
}

// Non-white pixels inside a rectangle.
int inkPixels(const QImage& img, const tk::RECT& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += (img.pixel(x, y) & 0xffffff) != 0xffffffu;
    return n;
}

} // namespace

TEST_F(CitiesWindow, FiveItemsAPageWithSmallClocks) {
    writeSettings();
    auto w = startWindow();
    showView(*w, shell::kCityTime);
    maybeScreenshot(*w, QStringLiteral("citytime-page1"));
    CityTimeView* v = cityTime(*w);
    const QImage img = w->renderView(shell::kCityTime);
    EXPECT_EQ(pixel(img, 100, 46), 0xC0C0C0u) << "the rule under the title";
    for (int row = 0; row < CityTimeView::kPerPage; ++row) {
        CityTimeItem& it = v->item(row);
        ASSERT_NE(it.picker().hwnd(), nullptr);
        EXPECT_TRUE(tk::IsWindowVisible(it.picker().hwnd())) << row;
        const tk::RECT face = it.clock().faceRect();
        EXPECT_EQ(face.left, 380);
        EXPECT_EQ(face.top, CityTimeView::kRowTops[static_cast<size_t>(row)] - 6);
        EXPECT_GT(inkPixels(img, face), 500) << "the small clock of row " << row;
        EXPECT_GT(darkPixels(img, it.timeRect()), 30) << row;
        EXPECT_GT(darkPixels(img, it.dateRect()), 20) << row;
        EXPECT_EQ(pixel(img, 10, CityTimeView::kRowRuleEnds[static_cast<size_t>(row)] - 2),
                  0xC0C0C0u);
    }
    // The defaults: New York, London, Paris, Tokyo, Moscow on the first page.
    EXPECT_EQ(v->item(0).picker().record()->nameView(), u"New York");
    EXPECT_EQ(v->item(3).picker().record()->nameView(), u"Tokyo");
    EXPECT_EQ(v->item(3).cityTime().hour, 21); // 12:00 UTC is 21:00 in Tokyo
    for (int i = CityTimeView::kPerPage; i < CityTimeView::kItems; ++i)
        EXPECT_FALSE(v->item(i).picker().hwnd() && tk::IsWindowVisible(v->item(i).picker().hwnd()));

    // The second tab shows items 5..9.
    QTest::mouseClick(v->tabs().hwnd(), Qt::LeftButton, {}, QPoint(90, 16));
    QApplication::processEvents();
    EXPECT_EQ(v->page(), 1);
    EXPECT_EQ(v->subState(), 5);
    EXPECT_TRUE(tk::IsWindowVisible(v->item(5).picker().hwnd()));
    EXPECT_FALSE(tk::IsWindowVisible(v->item(0).picker().hwnd()));
    EXPECT_EQ(v->item(5).picker().record()->nameView(), u"Washington DC");
}

TEST_F(CitiesWindow, CityTimeRedrawsOnlyWhenAMinuteChangesAndOnlyItsPage) {
    writeSettings();
    auto w = startWindow();
    showView(*w, shell::kCityTime);
    CityTimeView* v = cityTime(*w);
    QImage canvas(480, 640, QImage::Format_RGB32);
    tk::DC dc(&canvas);
    v->paint(dc);
    std::array<int, CityTimeView::kItems> before{};
    for (int i = 0; i < CityTimeView::kItems; ++i)
        before[static_cast<size_t>(i)] = v->item(i).paints();
    for (int s = 0; s < 59; ++s) {
        fake.clockImpl.advanceMs(1000);
        v->tick(dc, dev::getLocalTime());
    }
    for (int i = 0; i < CityTimeView::kItems; ++i)
        EXPECT_EQ(v->item(i).paints(), before[static_cast<size_t>(i)]) << i;
    fake.clockImpl.advanceMs(1000);
    v->tick(dc, dev::getLocalTime());
    for (int i = 0; i < CityTimeView::kItems; ++i)
        EXPECT_EQ(v->item(i).paints(), before[static_cast<size_t>(i)] + (i < 5 ? 1 : 0)) << i;

    // A city chosen in a picker is drawn through a deferred repaint of its row.
    ASSERT_TRUE(v->item(2).picker().select(kEurope, kBerlin));
    tk::SendMessage(w->clientWindow(), tk::kMsgChanged, 0,
                    reinterpret_cast<tk::LPARAM>(v->item(2).picker().hwnd()));
    EXPECT_TRUE(v->item(2).repaintPending());
    v->tick(dc, dev::getLocalTime());
    EXPECT_FALSE(v->item(2).repaintPending());
    SettingsRecord s{};
    v->storeExitState(s);
    EXPECT_EQ(s.cityTimeCities[2], (CityPair{kEurope, kBerlin}));
}

TEST(CityTexts, DateLineFollowsTheLocale) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    const dev::SystemTime t = at(2006, 12, 5, 10, 0); // a Tuesday
    LocaleCache dayFirst{};
    dayFirst.localeLongDateOrder = 1;
    LocaleCache monthFirst{};
    monthFirst.localeLongDateOrder = 0;
    EXPECT_EQ(citiesui::CityDateText(t, dayFirst, u"."), u"Tue, 5.12.");
    EXPECT_EQ(citiesui::CityDateText(t, monthFirst, u"/"), u"Tue, 12/05");
    EXPECT_EQ(citiesui::CityDateText(t, dayFirst, u"/"), u"Tue, 5/12");
    EXPECT_EQ(citiesui::CityDateText(t, monthFirst, u"-"), u"Tue, 12-05");
}

TEST(CityTexts, OffsetColumnAndWeekdayOrder) {
    EXPECT_EQ(citiesui::CityListOffsetText(-570), u" -09:30");
    EXPECT_EQ(citiesui::CityListOffsetText(345), u" +05:45");
    EXPECT_EQ(citiesui::CityListOffsetText(0), u" 00:00");
    EXPECT_EQ(citiesui::CityListOffsetText(330), u" +05:30");
    EXPECT_EQ(citiesui::CityListOffsetText(-210), u" -03:30");
    EXPECT_EQ(citiesui::CityListOffsetText(725), u" +12:05");
    // A week starting on Monday: the first item is Monday (1), the last Sunday (0).
    EXPECT_EQ(citiesui::WeekdayOfListIndex(0, 0), 1);
    EXPECT_EQ(citiesui::WeekdayOfListIndex(6, 0), 0);
    EXPECT_EQ(citiesui::ListIndexOfWeekday(0, 0), 6);
    EXPECT_EQ(citiesui::ListIndexOfWeekday(3, 0), 2);
    // Starting on Sunday the index is the weekday.
    for (int d = 0; d < 7; ++d) {
        EXPECT_EQ(citiesui::WeekdayOfListIndex(d, 6), d);
        EXPECT_EQ(citiesui::ListIndexOfWeekday(citiesui::WeekdayOfListIndex(d, 0), 0), d);
    }
}

TEST(CityTexts, RuleListsStoreWeekdaysInTheLocalesOrder) {
    citiesui::CityDetailsEntry e;
    e.name = u"Somewhere";
    e.latDegrees = e.latMinutes = e.lonDegrees = e.lonMinutes = u"0";
    e.dstUsed = true;
    e.start = {4, 0, 2}; // last, first weekday item, March
    e.end = {4, 6, 9};   // last, last weekday item, October
    CityRecord r{};
    // A week starting on Monday: the first item is Monday (1), the last Sunday (0).
    ASSERT_EQ(citiesui::ReadCityDetails(e, 0, r), citiesui::DetailsCheck::Ok);
    EXPECT_EQ(r.dstStart, 4 * 16 + 1);
    EXPECT_EQ(r.dstEnd, 4 * 16 + 0);
    EXPECT_EQ(r.dstStartMonth, 2);
    EXPECT_EQ(r.dstEndMonth, 9);
    // And back into the lists.
    const citiesui::CityDetailsEntry back = citiesui::EntryOfRecord(r, 0);
    EXPECT_EQ(back.start, e.start);
    EXPECT_EQ(back.end, e.end);
    // Sunday first: the item is the weekday.
    ASSERT_EQ(citiesui::ReadCityDetails(e, 6, r), citiesui::DetailsCheck::Ok);
    EXPECT_EQ(r.dstStart, 4 * 16 + 0);
    EXPECT_EQ(r.dstEnd, 4 * 16 + 6);
    // Without the box the rule bytes stay as they were.
    e.dstUsed = false;
    CityRecord kept{};
    kept.dstStart = 0x21;
    ASSERT_EQ(citiesui::ReadCityDetails(e, 6, kept), citiesui::DetailsCheck::Ok);
    EXPECT_EQ(kept.dstUsed, 0);
    EXPECT_EQ(kept.dstStart, 0x21);
}

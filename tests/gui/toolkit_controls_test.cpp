#include "device/fake.h"
#include "device/wordsort.h"
#include "guitest.h"
#include "items/listorder.h"
#include "settings/settings.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/controls/listview.h"
#include "toolkit/controls/monthcalendar.h"
#include "toolkit/controls/pickers.h"
#include "toolkit/controls/tabcontrol.h"
#include "toolkit/window/strings.h"
#include "viewbase/citysource.h"

#include <QTest>
#include <QWheelEvent>

#include <filesystem>

#include <gtest/gtest.h>

#include <vector>

using namespace hv;
using namespace hv::tk;
using namespace hv::tk::test;

namespace {

// An owner window that records the private messages its controls send.
class Owner : public SWindow, public SDrawBasic {
public:
    struct Msg {
        UINT msg;
        WPARAM wp;
    };
    std::vector<Msg> got;
    std::vector<int> taps; // the rows of a list view's NM_CLICK
    explicit Owner(HWND screen) {
        Create(0, u"TestOwner", u"", WS_CHILD | WS_VISIBLE, 0, 0, 480, 640, screen, 0, nullptr);
    }
    ~Owner() override { DestroyWindow(hwnd()); }
    LRESULT WindowProc(HWND h, UINT m, WPARAM w, LPARAM l) override {
        if (m >= WM_USER)
            got.push_back({m, w});
        if (const auto* nm = reinterpret_cast<const NMLISTVIEW*>(l);
            m == WM_NOTIFY && nm->hdr.code == NM_CLICK)
            taps.push_back(nm->iItem);
        return SWindow::WindowProc(h, m, w, l);
    }
    int count(UINT m) const {
        int n = 0;
        for (const Msg& g : got)
            n += g.msg == m;
        return n;
    }
};

// A device with a set clock and locale for every test of this file.
class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fake.clockImpl.setZone(dev::TimeZoneInformation{});
        fake.clockImpl.setLocal(dev::SystemTime{2024, 2, 0, 14, 10, 30, 0, 0});
        screen = makeScreen();
    }
    void TearDown() override {
        screen.reset();
        pump();
    }
    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    std::unique_ptr<QWidget> screen;
};

std::u16string rows(int n) {
    std::u16string s;
    for (int i = 0; i < n; ++i)
        s += u"Row " + std::u16string(1, static_cast<char16_t>(u'A' + i)) + u"\\";
    return s + u".";
}

void tap(HWND w, int x, int y) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(x, y));
}

// A tiny city database: three African and two Asian cities.
class FakeCities : public CitySource {
public:
    int count(int c) const override { return c == 0 ? 3 : c == 1 ? 2 : c == 6 ? 5 : 0; }
    std::u16string name(int c, int i) const override {
        static const char16_t* africa[] = {u"Accra", u"Cairo", u"Nairobi"};
        static const char16_t* asia[] = {u"Kolkata", u"Tokyo"};
        if (c == 0 && i >= 0 && i < 3)
            return africa[i];
        if (c == 1 && i >= 0 && i < 2)
            return asia[i];
        return {};
    }
    int gmtOffset(int c, int i) const override {
        static const int africa[] = {0, 120, 180};
        static const int asia[] = {330, 540};
        return c == 0 ? africa[i] : asia[i];
    }
    dev::SystemTime localTimeAt(int, int, dev::FileTime utc) const override {
        dev::SystemTime t;
        dev::fileTimeToSystemTime(utc, t);
        return t;
    }
};
std::unique_ptr<CitySource> makeFakeCities() {
    return std::make_unique<FakeCities>();
}

} // namespace

TEST_F(Controls, ListsFromResourcesAndRanges) {
    Owner owner(screen.get());
    DropList civil(owner.hwnd(), {100, 100, 250, 128}, kStrWeekNumbering, 0,
                   SDraw::font(kFontText));
    ASSERT_EQ(civil.list()->count(), 2);
    EXPECT_EQ(civil.list()->Item(1), u"ISO 8601");
    EXPECT_EQ(civil.list()->ItemLength(1), 8);
    DropNumList days(owner.hwnd(), {100, 200, 180, 228}, 1, 31, 1, 1, SDraw::font(kFontText));
    EXPECT_EQ(days.list()->count(), 31);
    EXPECT_EQ(days.list()->Item(0), u"1");
    EXPECT_TRUE(days.list()->SelectValue(31));
    EXPECT_EQ(days.selected(), 30);
    // Selecting at or beyond the count is refused without change.
    EXPECT_FALSE(civil.SetSelected(2));
    EXPECT_EQ(civil.selected(), 0);
    // The container sits 30 pixels left of the text column for the arrow.
    EXPECT_EQ(GetWindowRect(civil.hwnd()), (RECT{70, 100, 250, 128}));
}

TEST_F(Controls, TallListScrollsWithSeventeenRowsAndAWiderPopup) {
    Owner owner(screen.get());
    DropList list(owner.hwnd(), {100, 300, 300, 328}, rows(20), 19, SDraw::font(kFontText));
    SDropList* e = list.list();
    ASSERT_EQ(e->count(), 20);
    EXPECT_TRUE(e->scrolling());
    EXPECT_EQ(e->visibleRows(), 17);
    list.Open();
    ASSERT_TRUE(IsWindow(e->popup()));
    const RECT at = GetWindowRect(e->popup());
    EXPECT_EQ(at.width(), e->listRect().width() + kScrollBarWidth);
    EXPECT_LE(at.bottom, kListBottomLimit);
    EXPECT_LE(at.right, kListRightLimitScrolling + kScrollBarWidth);
    // The selection is brought into view without running past the end.
    EXPECT_EQ(e->firstVisible(), 3);
    WindowObject(e->popup())->OnVScroll(SB_PAGEUP, 0);
    EXPECT_EQ(e->firstVisible(), 0);
    WindowObject(e->popup())->OnVScroll(SB_LINEDOWN, 0);
    EXPECT_EQ(e->firstVisible(), 1);
    WindowObject(e->popup())->OnVScroll(SB_THUMBTRACK, 28 * 2);
    EXPECT_EQ(e->firstVisible(), 2);
    // A tap on the second visible row picks item 3.
    tap(e->popup(), 40, 2 + 28 + 10);
    EXPECT_FALSE(e->isOpen());
    EXPECT_EQ(list.selected(), 3);
}

TEST_F(Controls, BoxNearTheBottomOpensUpwardToTheLimit) {
    Owner owner(screen.get());
    DropList list(owner.hwnd(), {100, 560, 300, 588}, rows(5), 0, SDraw::font(kFontText));
    list.Open();
    ASSERT_TRUE(list.list()->isOpen());
    const RECT at = GetWindowRect(list.list()->popup());
    EXPECT_EQ(at.bottom, 528);
    EXPECT_EQ(at.height(), 5 * 28 + 8);
    EXPECT_FALSE(list.list()->scrolling());
}

TEST_F(Controls, TapOpensTapChoosesAndTheOwnerHears) {
    Owner owner(screen.get());
    DropList list(owner.hwnd(), {100, 200, 300, 228}, rows(4), 0, SDraw::font(kFontText), 7);
    pump();
    // Down draws the grey frame, up opens.
    WindowObject(list.hwnd())->OnLButtonDown({50, 10});
    EXPECT_EQ(list.list()->pressState(), kPressBox);
    QImage box = grab(list.hwnd());
    EXPECT_EQ(at(box, 0, 0), 0xc0c0c0u);
    WindowObject(list.hwnd())->OnLButtonUp({50, 10});
    ASSERT_TRUE(list.list()->isOpen());
    HWND popup = list.list()->popup();
    EXPECT_EQ(GetWindowRect(popup).top, 200 - 54);
    // The selected row is grey.
    QImage pic = grab(popup);
    EXPECT_EQ(at(pic, 3, 2 + 14), 0xc0c0c0u);
    // Pressing a row paints it blue at once.
    WindowObject(popup)->OnLButtonDown({40, 2 + 2 * 28 + 5});
    pic = WindowPixels(popup);
    EXPECT_EQ(at(pic, 3, 2 + 2 * 28 + 5), 0x0000ffu);
    WindowObject(popup)->OnLButtonUp({40, 2 + 2 * 28 + 5});
    EXPECT_FALSE(list.list()->isOpen());
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(list.selected(), 2);
    ASSERT_EQ(owner.count(WM_USER), 1);
    EXPECT_EQ(owner.got.back().wp, 7u);
    // A tap elsewhere dismisses without a change, and still tells the owner.
    list.Open();
    tap(owner.hwnd(), 400, 600);
    EXPECT_FALSE(list.list()->isOpen());
    EXPECT_EQ(list.selected(), 2);
    EXPECT_EQ(owner.count(WM_USER), 2);
    // A tap on a row's margin chooses nothing.
    list.Open();
    popup = list.list()->popup();
    WindowObject(popup)->OnLButtonUp({1, 10});
    EXPECT_TRUE(list.list()->isOpen());
    list.list()->Dismiss();
    EXPECT_FALSE(list.list()->isOpen());
}

TEST_F(Controls, CityListsShowOffsetsAndFollowTheContinent) {
    const auto fakeCities = makeFakeCities();
    SetCitySource(fakeCities.get());
    {
        Owner owner(screen.get());
        CityList cities(owner.hwnd(), 20, 300, 1, 1);
        EXPECT_EQ(cities.continent(), 1);
        EXPECT_EQ(cities.city(), 1);
        EXPECT_EQ(cities.cities()->list()->Item(1), u"Tokyo");
        // Picking Africa points the city list at its first city and tells the owner.
        SDropList* continents = cities.continents()->list();
        continents->Open();
        WindowObject(continents->popup())->OnLButtonUp({40, 2 + 5});
        EXPECT_EQ(cities.continent(), 0);
        EXPECT_EQ(cities.city(), 0);
        EXPECT_EQ(cities.cities()->list()->count(), 3);
        EXPECT_EQ(owner.count(WM_USER), 1);
        // Choosing a city writes it into the reference.
        SDropCityList* list = cities.cities()->list();
        list->Open();
        WindowObject(list->popup())->OnLButtonUp({40, 2 + 2 * 28 + 5});
        EXPECT_EQ(cities.city(), 2);
        EXPECT_FALSE(list->Select(3));
        EXPECT_TRUE(list->Select(4, 6));
        const dev::SystemTime now = cities.UpdateTime();
        EXPECT_EQ(now.hour, 10);
    }
    SetCitySource(nullptr);
}

TEST_F(Controls, OffsetPickerStepsInQuarterHoursWithItsSign) {
    Owner owner(screen.get());
    TimePicker p(owner.hwnd(), 100, 100, 148, 42, nullptr, true);
    p.EnterOffsetMode();
    DateTimePick* pick = p.pick();
    ASSERT_NE(pick, nullptr);
    EXPECT_EQ(p.Text(), u" 00:00");
    pick->selectField(0);
    pick->spin(-1);
    EXPECT_EQ(p.Text(), u"-01:00");
    EXPECT_EQ(p.GetOffset(), -60);
    EXPECT_TRUE(p.changed());
    EXPECT_EQ(owner.count(kMsgPickerChanged), 1);
    pick->spin(1);
    EXPECT_EQ(p.Text(), u" 00:00");
    p.SetOffset(-12 * 60);
    EXPECT_EQ(p.Text(), u"-12:00");
    pick->spin(-1);
    EXPECT_EQ(p.Text(), u"+14:00");
    EXPECT_EQ(p.GetOffset(), 14 * 60);
    pick->spin(1);
    EXPECT_EQ(p.Text(), u"-12:00");
    p.SetOffset(0);
    pick->selectField(1);
    pick->spin(1);
    EXPECT_EQ(p.Text(), u"+00:15");
    pick->spin(-1);
    EXPECT_EQ(p.Text(), u" 00:00");
    pick->spin(-1);
    EXPECT_EQ(p.Text(), u"+00:45");
    p.SetOffset(330);
    EXPECT_EQ(p.Text(), u"+05:30");
    EXPECT_EQ(p.GetOffset(), 330);
}

TEST_F(Controls, InternetTimePickerCarriesLikeAnOdometer) {
    Owner owner(screen.get());
    TimePicker p(owner.hwnd(), 100, 100, 148, 42, nullptr, false, true);
    p.SetInternetTime(509);
    EXPECT_EQ(p.Text(), u"@509");
    p.pick()->selectField(2);
    p.pick()->spin(1);
    EXPECT_EQ(p.Text(), u"@510");
    EXPECT_EQ(p.GetInternetTime(), 510);
    p.SetInternetTime(12);
    EXPECT_EQ(p.Text(), u"@012");
    p.pick()->selectField(0);
    p.pick()->spin(-1);
    EXPECT_EQ(p.Text(), u"@912");
    p.pick()->spin(1);
    EXPECT_EQ(p.GetInternetTime(), 12);
    // Back to the clock: the 24-hour picture of the locale cache.
    app().locale.locale24Hour = 1;
    p.SetMode(TimePicker::kClock);
    p.SetTime(dev::SystemTime{2024, 2, 3, 14, 17, 5, 0, 0});
    EXPECT_EQ(p.Text(), u"17:05");
    // A tap on the up arrow spins the selected field.
    p.pick()->selectField(1);
    const QRect up = p.pick()->upArrow();
    tap(p.pick(), up.center().x(), up.center().y());
    EXPECT_EQ(p.Text(), u"17:06");
}

TEST_F(Controls, DatePickerMarksAndReportsAChange) {
    Owner owner(screen.get());
    DatePicker d(owner.hwnd(), 10, 10, 200, 42, nullptr, true);
    EXPECT_EQ(d.GetDate().day, 14);
    EXPECT_FALSE(d.changed());
    d.pick()->selectField(1); // M/d/yyyy: the day
    d.pick()->spin(1);
    EXPECT_TRUE(d.changed());
    EXPECT_EQ(owner.count(kMsgPickerChanged), 1);
    EXPECT_EQ(d.GetDate().day, 15);
    EXPECT_EQ(d.pick()->text(), u"2/15/2024");
    // February of a leap year wraps after the 29th.
    d.SetDate(dev::SystemTime{2024, 2, 0, 29, 0, 0, 0, 0});
    d.pick()->spin(1);
    EXPECT_EQ(d.GetDate().day, 1);
}

TEST_F(Controls, DigitsTypedIntoTheSelectedFieldSetItAndMoveOn) {
    Owner owner(screen.get());
    // The clock: 8:42 PM typed from 10:30 AM, field by field.
    app().locale.locale24Hour = 0;
    TimePicker clock(owner.hwnd(), 10, 10, 160, 42, nullptr, true);
    clock.pick()->setFocus();
    clock.pick()->selectField(0);
    QTest::keyClicks(clock.pick(), QStringLiteral("842p"));
    EXPECT_EQ(clock.Text(), u"8:42 PM");
    EXPECT_EQ(clock.GetTime().hour, 20);
    EXPECT_TRUE(clock.changed());
    // Two digits fill a field that takes them; a digit that cannot start a fitting value
    // starts the field anew.
    clock.pick()->selectField(0);
    QTest::keyClicks(clock.pick(), QStringLiteral("1107a"));
    EXPECT_EQ(clock.Text(), u"11:07 AM");

    // The date: month, day and year typed in the locale's order.
    DatePicker date(owner.hwnd(), 10, 60, 200, 42, nullptr, true);
    date.pick()->setFocus();
    date.pick()->selectField(0);
    QTest::keyClicks(date.pick(), QStringLiteral("12312032"));
    EXPECT_EQ(date.pick()->text(), u"12/31/2032");
    EXPECT_TRUE(date.changed());

    // The offset: hours keep their sign and reach +14, minutes go to their quarter, "-" turns
    // the sign.
    TimePicker offset(owner.hwnd(), 10, 110, 148, 42, nullptr, true);
    offset.EnterOffsetMode();
    offset.pick()->setFocus();
    offset.pick()->selectField(0);
    QTest::keyClicks(offset.pick(), QStringLiteral("1245"));
    EXPECT_EQ(offset.Text(), u"+12:45");
    EXPECT_EQ(offset.GetOffset(), 12 * 60 + 45);
    offset.pick()->selectField(0);
    QTest::keyClicks(offset.pick(), QStringLiteral("14"));
    EXPECT_EQ(offset.Text(), u"+14:00"); // the furthest offset east
    EXPECT_EQ(offset.GetOffset(), 14 * 60);
    offset.pick()->selectField(0);
    QTest::keyClicks(offset.pick(), QStringLiteral("330-"));
    EXPECT_EQ(offset.Text(), u"-03:30");
    EXPECT_EQ(offset.GetOffset(), -210);

    // Internet time: one digit a field.
    TimePicker beats(owner.hwnd(), 10, 160, 148, 42, nullptr, false, true);
    beats.pick()->setFocus();
    beats.pick()->selectField(0);
    QTest::keyClicks(beats.pick(), QStringLiteral("907"));
    EXPECT_EQ(beats.Text(), u"@907");
    EXPECT_EQ(beats.GetInternetTime(), 907);
}

TEST_F(Controls, MonthCalendarSundayFirstGrid) {
    fake.localeImpl.mutableData().firstDayOfWeek = 6;
    Owner owner(screen.get());
    MonthCalendar cal(owner.hwnd(), 240, 60);
    ASSERT_EQ(cal.shownYear(), 2024);
    ASSERT_EQ(cal.shownMonth(), 2);
    QImage img = grab(cal.hwnd());
    // The first header initial is Sunday's, in red.
    auto hasColour = [&](QRect r, QRgb c) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (at(img, x, y) == (c & 0xffffff))
                    return true;
        return false;
    };
    EXPECT_EQ(app().names.dayInitials.substr(0, 1), u"S");
    EXPECT_TRUE(hasColour(QRect(1, 0, 29, 28), qRgb(255, 0, 0)));
    EXPECT_FALSE(hasColour(QRect(33, 0, 29, 28), qRgb(255, 0, 0)));
    // 14 February 2024 (a Wednesday) is today: its cell is blue. February 1st is a Thursday,
    // column 4 of a Sunday-first week, so the 14th sits in row 3, column 3.
    EXPECT_EQ(at(img, 3 * 32 + 3, 3 * 28 + 4), 0x39539du);
    // White grid lines.
    EXPECT_EQ(at(img, 31, 100), 0xffffffu);
    EXPECT_EQ(at(img, 100, 57), 0xffffffu);
    // February 2024 has 29 days: row 5 holds 25..29, columns 0..4.
    const MonthGrid g = LayoutMonth(2024, 2, 6);
    EXPECT_EQ(g.cells[4][4], 29);
    EXPECT_TRUE(hasColour(QRect(4 * 32 + 1, 5 * 28 + 2, 29, 26), qRgb(57, 83, 157)));
    EXPECT_FALSE(hasColour(QRect(5 * 32 + 1, 5 * 28 + 2, 29, 26), qRgb(57, 83, 157)));
}

TEST_F(Controls, MonthCalendarMondayFirstAndAnotherMonth) {
    fake.localeImpl.mutableData().firstDayOfWeek = 0;
    Owner owner(screen.get());
    MonthCalendar cal(owner.hwnd(), 240, 60);
    // September 2024 begins on a Sunday: the last column of the first row; 30 days in 5 rows.
    ASSERT_TRUE(cal.ShowMonth(2024, 9));
    QImage img = grab(cal.hwnd());
    auto inked = [&](int col, int row) {
        for (int y = row * 28 + 4; y < row * 28 + 26; ++y)
            for (int x = col * 32 + 3; x < col * 32 + 29; ++x) {
                const QRgb c = at(img, x, y);
                if (qRed(c) > 200 && qGreen(c) < 80)
                    return 2; // red ink
                if (qBlue(c) > 120 && qRed(c) < 120)
                    return 1; // blue ink
            }
        return 0;
    };
    EXPECT_EQ(inked(6, 1), 2); // the 1st, a Sunday, in red
    EXPECT_EQ(inked(5, 1), 0);
    EXPECT_EQ(inked(0, 2), 1); // the 2nd, a Monday
    EXPECT_EQ(inked(6, 0), 2); // Sunday's initial in the last column
    EXPECT_EQ(inked(0, 6), 1); // the 30th
    // Picking a month in the list repaints the grid.
    cal.monthList()->SetSelected(1);
    SendMessage(cal.hwnd(), WM_USER, 0, 0);
    EXPECT_EQ(cal.shownMonth(), 2);
}

TEST_F(Controls, TabStripSelectsByTapAndLeavesTheGapAlone) {
    Owner owner(screen.get());
    SPTabControl tabs;
    ASSERT_EQ(tabs.CreateOrShow(owner.hwnd(), 240, 12, 4, 0), 1);
    EXPECT_EQ(GetWindowRect(tabs.hwnd()).width(), 240);
    tap(tabs.hwnd(), 130, 16);
    EXPECT_EQ(tabs.selected(), 2);
    EXPECT_TRUE(tabs.changed());
    EXPECT_EQ(owner.count(WM_USER), 1);
    QImage img = grab(tabs.hwnd());
    const QImage& strip = SDraw::res().table.images[0];
    EXPECT_EQ(at(img, 122, 2), strip.pixel(58, 2) & 0xffffff); // selected picture
    EXPECT_EQ(at(img, 62, 2), strip.pixel(118, 2) & 0xffffff); // normal picture
    // Outside every tab nothing happens.
    tabs.setChanged(false);
    WindowObject(tabs.hwnd())->OnLButtonDown({250, 40});
    WindowObject(tabs.hwnd())->OnLButtonUp({250, 40});
    EXPECT_EQ(tabs.selected(), 2);
    EXPECT_FALSE(tabs.changed());
    // Shown again only with its own selection.
    EXPECT_EQ(tabs.CreateOrShow(owner.hwnd(), 240, 12, 4, 1), 0);
    EXPECT_EQ(tabs.CreateOrShow(owner.hwnd(), 240, 12, 4, 2), 1);
}

namespace {
// The Events list's order and unit column as the items core has them.
ListRowOrder itemsOrder(items::SortRule rule) {
    return [rule](const ListRow& a, const ListRow& b) {
        return items::compareItems(rule,
                                   items::ListItem{a.name, a.time, static_cast<uint32_t>(a.param)},
                                   items::ListItem{b.name, b.time, static_cast<uint32_t>(b.param)});
    };
}
std::u16string itemsTimeText(dev::FileTime time, dev::FileTime reference, int unit) {
    return items::differenceText(items::signedSecondsBetween(time, reference),
                                 static_cast<uint8_t>(unit));
}
} // namespace

TEST_F(Controls, ListViewUnitColumnAndHighlight) {
    Owner owner(screen.get());
    ListView lv(owner.hwnd(), {0, 100, 480, 400}, 0, ListView::Rows::Striped, u"Items");
    const dev::FileTime ref = 133500000000000000ULL;
    lv.SetReferenceTime(ref);
    lv.SetIconsShown(true);
    lv.SetUnit(1);
    lv.SetTimeText(itemsTimeText);
    lv.AddTimedItem(u"In ninety seconds", 0, ref + 90 * dev::kTicksPerSecond);
    lv.AddTimedItem(u"Half a minute ago", 1, ref - 30 * dev::kTicksPerSecond);
    lv.AddTimedItem(u"Ninety seconds ago", 2, ref - 90 * dev::kTicksPerSecond);
    lv.AddItem(u"No time", 999);
    lv.SetItemText(3, 1, u"note");
    EXPECT_EQ(lv.SecondColumnText(0), u"1.5");
    EXPECT_EQ(lv.SecondColumnText(1), u"-0.5");
    EXPECT_EQ(lv.SecondColumnText(2), u"-1.5");
    EXPECT_EQ(lv.SecondColumnText(3), u"note");
    lv.SetUnit(2);
    lv.SetItemText(0, 1, ItemTimeToText(ref + 5400 * dev::kTicksPerSecond));
    EXPECT_EQ(lv.SecondColumnText(0), u"1.5");
    // A selected timed row is highlighted; the untimed one never is.
    QImage timed = lv.ComposeRow(0, true, 480, 30);
    EXPECT_EQ(timed.pixel(2, 2) & 0xffffff, 0x39539du);
    QImage untimed = lv.ComposeRow(3, true, 480, 30);
    EXPECT_NE(untimed.pixel(2, 2) & 0xffffff, 0x39539du);
    // Selecting tells the main window, with the item's kind.
    lv.SetSelected(3);
    EXPECT_FALSE(lv.itemHasTime());
    lv.SetSelected(1);
    EXPECT_TRUE(lv.itemHasTime());
    EXPECT_EQ(owner.count(kMsgListSelection), 2);
    // Sorting: latest first keeps the untimed item last.
    lv.Sort(itemsOrder(items::SortRule::MaxTime));
    EXPECT_EQ(lv.GetItemParam(0), 0);
    EXPECT_EQ(lv.GetItemParam(3), 999);
    lv.Sort(itemsOrder(items::SortRule::MinTime));
    EXPECT_EQ(lv.GetItemParam(0), 2);
    EXPECT_EQ(lv.GetItemParam(2), 0);
    lv.Sort(itemsOrder(items::SortRule::Name));
    EXPECT_EQ(lv.GetItemText(0, 0), u"Half a minute ago");
    EXPECT_EQ(lv.GetItemParam(3), 999);
    EXPECT_EQ(lv.GetItemParam(lv.Selected()), 1); // the selection follows
}

TEST_F(Controls, ListViewTakesItsOwnersRules) {
    Owner owner(screen.get());
    ListView lv(owner.hwnd(), {0, 100, 480, 400}, 0, ListView::Rows::Striped, u"Items");
    lv.SetIconsShown(true);
    lv.SetReferenceTime(1000);
    lv.SetUnit(7);
    lv.AddTimedItem(u"b", 1, 400);
    lv.AddItem(u"note", 999);
    lv.AddTimedItem(u"a", 2, 900);
    lv.AddItem(u"split", 1000);
    EXPECT_EQ(lv.SecondColumnText(0), u"") << "no time text given";
    lv.SetTimeText([](dev::FileTime t, dev::FileTime ref, int unit) {
        return std::u16string(1, static_cast<char16_t>(u'0' + unit)) + (t < ref ? u"-" : u"+");
    });
    EXPECT_EQ(lv.SecondColumnText(0), u"7-");
    // The rows carry the times the owner's order reads: latest first, untimed rows kept in place
    // after them.
    std::vector<std::pair<intptr_t, dev::FileTime>> seen;
    lv.Sort([&](const ListRow& a, const ListRow& b) {
        seen.emplace_back(a.param, a.time);
        const bool aNone = a.param >= kNoTimeParam, bNone = b.param >= kNoTimeParam;
        if (aNone || bNone)
            return aNone && !bNone ? 1 : 0;
        return a.time < b.time ? 1 : 0;
    });
    ASSERT_FALSE(seen.empty());
    for (const auto& [param, time] : seen)
        EXPECT_EQ(time, param == 1 ? 400u : param == 2 ? 900u : 0u) << param;
    EXPECT_EQ(lv.GetItemParam(0), 2);
    EXPECT_EQ(lv.GetItemParam(1), 1);
    EXPECT_EQ(lv.GetItemParam(2), 999);
    EXPECT_EQ(lv.GetItemParam(3), 1000);
}

// The list under the keys and the wheel, what assistive technology hears of it, and its focus mark,
// shown only while the keyboard brought the focus.
TEST_F(Controls, ListViewKeysWheelFocusAndWhatAScreenReaderHears) {
    Owner owner(screen.get());
    ListView lv(owner.hwnd(), {10, 100, 470, 400}, 7, ListView::Rows::Plain, u"Programs");
    for (int i = 0; i < 20; ++i)
        lv.InsertItem(i, u"Program " + std::u16string(1, static_cast<char16_t>(u'A' + i)), i);
    pump();
    const int frameY = 150;
    const QRgb frame = at(grab(lv.hwnd()), 0, frameY);
    EXPECT_EQ(frame, 0x808080u);

    // Tapped into, the list shows no focus mark; tabbed into, it does, until the focus leaves.
    screen->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    tap(lv.hwnd(), 50, 10);
    ASSERT_TRUE(lv.hasFocus());
    EXPECT_EQ(at(grab(lv.hwnd()), 0, frameY), frame);
    lv.clearFocus();
    lv.setFocus(Qt::TabFocusReason);
    EXPECT_NE(at(grab(lv.hwnd()), 0, frameY), frame);
    lv.clearFocus();
    EXPECT_EQ(at(grab(lv.hwnd()), 0, frameY), frame);
    lv.setFocus(Qt::MouseFocusReason);

    EXPECT_EQ(lv.Selected(), 0);
    EXPECT_EQ(owner.taps, std::vector<int>{0});
    auto key = [&](Qt::Key k) { QTest::keyClick(&lv, k); };
    key(Qt::Key_End);
    EXPECT_EQ(lv.Selected(), 19);
    EXPECT_GT(lv.TopIndex(), 0);
    EXPECT_LE(lv.ItemRect(19).bottom, lv.height());
    key(Qt::Key_Home);
    EXPECT_EQ(lv.Selected(), 0);
    EXPECT_EQ(lv.TopIndex(), 0);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(lv.Selected(), 2);
    const int page = lv.VisibleRows() - 1;
    key(Qt::Key_PageDown);
    EXPECT_EQ(lv.Selected(), 2 + page);
    EXPECT_LE(lv.ItemRect(2 + page).bottom, lv.height());
    key(Qt::Key_PageUp);
    key(Qt::Key_Up);
    EXPECT_EQ(lv.Selected(), 1);
    EXPECT_EQ(owner.count(kMsgListSelection), 8);
    // Enter and Space act as a tap on the selected row.
    key(Qt::Key_Return);
    key(Qt::Key_Space);
    EXPECT_EQ(owner.taps, (std::vector<int>{0, 1, 1}));

    // A notch of the wheel scrolls three rows, half notches add up, and the top stops at the top.
    auto wheel = [&](int turn) {
        QWheelEvent ev(QPointF(50, 50), lv.mapToGlobal(QPointF(50, 50)), {}, {0, turn},
                       Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&lv, &ev);
    };
    const int top = lv.TopIndex();
    wheel(-WHEEL_DELTA);
    EXPECT_EQ(lv.TopIndex(), top + 3);
    wheel(-WHEEL_DELTA / 2);
    EXPECT_EQ(lv.TopIndex(), top + 3);
    wheel(-WHEEL_DELTA / 2);
    EXPECT_EQ(lv.TopIndex(), top + 6);
    wheel(3 * WHEEL_DELTA);
    EXPECT_EQ(lv.TopIndex(), 0);

    const Accessible a = lv.accessibility();
    EXPECT_EQ(a.role, QAccessible::List);
    EXPECT_EQ(a.name, QStringLiteral("Programs"));
    EXPECT_EQ(a.value, QStringLiteral("Program B"));
    EXPECT_EQ(a.description, QStringLiteral("Row 2 of 20"));
    // The keys used on a tapped list show where the focus is.
    EXPECT_NE(at(grab(lv.hwnd()), 0, frameY), frame);
}

TEST_F(Controls, CityListOverTheShippedCityFiles) {
    // The program's data folder of a build-tree program is \data\ of the device root.
    std::filesystem::create_directories(fake.root() / "data");
    for (const char* f :
         {"africa.cdb", "asia.cdb", "australia.cdb", "europe.cdb", "namerica.cdb", "samerica.cdb"})
        std::filesystem::copy_file(std::filesystem::path(HV_DATA_DIR) / f,
                                   fake.root() / "data" / f);
    CityDatabase db;
    ASSERT_GT(db.load(), 0);
    view::DatabaseCitySource source(db);
    SetCitySource(&source);
    Owner owner(screen.get());
    CityList cities(owner.hwnd(), 20, 300, kAsia, 0);
    SDropCityList* list = cities.cities()->list();
    ASSERT_GT(list->count(), 10);
    // Asia's list is in word-sort order and every row has an offset column.
    EXPECT_LT(dev::compareWordSort(list->Item(0), list->Item(1)), 0);
    const CityRecord* first = db.recordAt(kAsia, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(list->Item(0), std::u16string(first->nameView()));
    // All Continents holds every city.
    EXPECT_TRUE(cities.Select(kAllContinents, 0));
    EXPECT_EQ(list->count(), db.count(kAllContinents));
    const dev::SystemTime t = cities.UpdateTime();
    EXPECT_GE(t.year, 2024);
    if (const QString dir = qEnvironmentVariable("HV_GALLERY_DIR"); !dir.isEmpty()) {
        cities.Select(kEurope, 10);
        list->Open();
        pump();
        screen->grab().save(dir + "/toolkit-citylist-open.png");
    }
    SetCitySource(nullptr);
}

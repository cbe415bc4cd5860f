// The General view and its year-progress panel against the fake device with a set clock: the
// child windows, the full paint, the day change at midnight (calendar, panel, date line and week
// number) and the hour change, and the panel's values.
#include "toolkit/window/strings.h"
#include "views/generalview.h"
#include "views/viewstrings.h"
#include "viewtest.h"

using namespace hv;
using namespace hv::views;
using namespace hv::views::test;
using tk::RECT;

namespace {

constexpr QRgb kWhite = 0xffffff;

QImage canvas() {
    return tk::CreateCompatibleBitmap(480, 640);
}

QImage region(const QImage& img, const RECT& r) {
    return img.copy(r.left, r.top, r.width(), r.height());
}

int count(const QImage& img, QRgb colour) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += pixel(img, x, y) == colour;
    return n;
}

// The panel's pixels as it shows them now (a pending repaint runs first).
QImage panelPixels(const DayProgress& p) {
    return tk::WindowPixels(p.hwnd());
}

// A value as the panel draws it, alone on white.
QImage valueAlone(const RECT& r, const std::u16string& text) {
    QImage img = tk::CreateCompatibleBitmap(DayProgress::kWidth, DayProgress::kHeight);
    tk::DC dc(&img);
    dc.SelectFont(tk::SDraw::font(tk::kFontTextBold));
    dc.SetBkMode(tk::TRANSPARENT);
    dc.SetTextColor(tk::SDraw::colour(tk::kColourDigits));
    dc.DrawText(text, r, tk::DT_CENTER | tk::DT_VCENTER | tk::DT_SINGLELINE);
    return img;
}

// The band between the dividers left of the panel: labels, date line and week number.
constexpr RECT kTextBand{0, 343, 240, 480};

} // namespace

using GeneralViewTest = ViewTest;

TEST_F(GeneralViewTest, ChildWindowsAreMadeOnceAndFollowShowAndHide) {
    GeneralView view(*ctx, 0);
    EXPECT_EQ(view.calendar(), nullptr); // nothing on the screen before the view is shown
    view.show();
    tk::MonthCalendar* calendar = view.calendar();
    DayProgress* panel = view.dayProgress();
    ASSERT_NE(calendar, nullptr);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(tk::GetWindowRect(calendar->hwnd()), (RECT{240, 60, 464, 328}));
    EXPECT_EQ(tk::GetWindowRect(panel->hwnd()), (RECT{240, 350, 468, 454}));
    EXPECT_TRUE(tk::IsWindowVisible(calendar->hwnd()));
    EXPECT_TRUE(tk::IsWindowVisible(panel->hwnd()));
    view.hide();
    EXPECT_FALSE(tk::IsWindowVisible(calendar->hwnd()));
    EXPECT_FALSE(tk::IsWindowVisible(panel->hwnd()));
    view.show();
    EXPECT_EQ(view.calendar(), calendar);
    EXPECT_EQ(view.dayProgress(), panel);
    EXPECT_TRUE(tk::IsWindowVisible(panel->hwnd()));
}

TEST_F(GeneralViewTest, FullPaintDrawsDividersLabelsDateAndClock) {
    setClock(at(2026, 3, 14, 10, 0, 0));
    GeneralView view(*ctx, 0);
    view.show();
    QImage img = canvas();
    {
        tk::DC dc(&img);
        view.paint(dc);
    }
    // Dividers across the whole width, nothing between them and the face but white.
    for (int x : {0, 240, 479}) {
        EXPECT_NE(pixel(img, x, 337), kWhite);
        EXPECT_NE(pixel(img, x, 483), kWhite);
        EXPECT_EQ(pixel(img, x, 330), kWhite);
    }
    EXPECT_EQ(view.clock().currentTime().hour, 10);
    EXPECT_EQ(GeneralView::DateLineText(at(2026, 3, 14, 10, 0, 0)), u"Sat, 3/14/2026");
    // Labels and values are text: dark pixels in each line.
    for (const RECT& r : {GeneralView::kTodayLabel, GeneralView::kWeekLabel,
                          RECT{20, 390, 240, 416}, GeneralView::kWeekNumber})
        EXPECT_GT(count(region(img, r), 0), 10) << r.left << "," << r.top;
    // The week number never runs into its label.
    const QImage week = region(img, RECT{20, 440, 240, 450});
    int gaps = 0;
    bool inInk = false;
    for (int x = 0; x < week.width(); ++x) {
        bool ink = false;
        for (int y = 0; y < week.height(); ++y)
            ink = ink || qGray(week.pixel(x, y)) < 128;
        gaps += inInk && !ink;
        inInk = ink;
    }
    EXPECT_GE(gaps, 5); // "Week:" letters, then the digits after a space
}

TEST_F(GeneralViewTest, WeekNumberFollowsTheSettings) {
    GeneralView view(*ctx, 0);
    const dev::SystemTime newYear = at(2027, 1, 1, 9, 0, 0);
    app().settings.weekNumbering = 0;
    EXPECT_EQ(view.weekNumberText(newYear), u"1");
    app().settings.weekNumbering = 1;
    EXPECT_EQ(view.weekNumberText(newYear), u"53");
}

TEST_F(GeneralViewTest, MidnightMovesCalendarPanelDateAndWeekOn) {
    app().settings.weekNumbering = 1; // ISO: Monday starts a new week
    // Sunday, the last day of May.
    setClock(at(2026, 5, 31, 23, 59, 58));
    GeneralView view(*ctx, 0);
    view.show();
    tk::MonthCalendar& calendar = *view.calendar();
    DayProgress& panel = *view.dayProgress();
    QImage img = canvas();
    tk::DC dc(&img);
    view.paint(dc);
    view.tick(dc, at(2026, 5, 31, 23, 59, 59));
    const QImage calendarBefore = tk::WindowPixels(calendar.hwnd());
    panelPixels(panel);
    EXPECT_EQ(panel.passedText(), u"150.9");
    const QImage bandBefore = region(img, kTextBand);

    setClock(at(2026, 6, 1, 0, 0, 0));
    view.tick(dc, at(2026, 6, 1, 0, 0, 0));

    // The calendar's today moves on; the month shown stays May, so no cell is today's any more.
    EXPECT_EQ(calendar.today.day, 1);
    EXPECT_EQ(calendar.today.month, 6);
    EXPECT_EQ(calendar.previousToday.day, 31);
    EXPECT_EQ(calendar.shownMonth(), 5);
    const QRgb todayFill = rgb(tk::SDraw::colour(tk::kColourBlue));
    const QImage calendarAfter = tk::WindowPixels(calendar.hwnd());
    EXPECT_GT(count(calendarBefore, todayFill) - count(calendarAfter, todayFill), 500);
    // The panel shows the new day.
    panelPixels(panel);
    EXPECT_EQ(panel.passedText(), u"151.0");
    // Date line and week number are those of a fresh full paint at the new time.
    const QImage bandAfter = region(img, kTextBand);
    EXPECT_NE(bandAfter, bandBefore);
    GeneralView fresh(*ctx, 0);
    QImage freshImg = canvas();
    {
        tk::DC freshDc(&freshImg);
        fresh.paint(freshDc);
    }
    EXPECT_EQ(bandAfter, region(freshImg, kTextBand));
}

TEST_F(GeneralViewTest, YearListsReachTwentyYearsPastTheClockAndGrowWithIt) {
    // Past the old end of the lists (2031): the calendar shows February 2032 with today marked.
    setClock(at(2032, 2, 10, 9, 0, 0));
    GeneralView view(*ctx, 0);
    view.show();
    tk::MonthCalendar& calendar = *view.calendar();
    DayProgress& panel = *view.dayProgress();
    QImage img = canvas();
    tk::DC dc(&img);
    view.paint(dc);
    EXPECT_EQ(calendar.shownYear(), 2032);
    EXPECT_EQ(calendar.shownMonth(), 2);
    EXPECT_EQ(calendar.yearList()->list()->to(), 2052);
    EXPECT_EQ(panel.year(), 2032);
    EXPECT_EQ(panel.yearList()->list()->to(), 2052);
    const QRgb todayFill = rgb(tk::SDraw::colour(tk::kColourBlue));
    EXPECT_GT(count(tk::WindowPixels(calendar.hwnd()), todayFill), 500);

    // The clock set far past the lists' end while the view runs: the lists grow to reach it.
    setClock(at(2071, 6, 1, 0, 0, 0));
    view.tick(dc, at(2071, 6, 1, 0, 0, 0));
    EXPECT_EQ(calendar.yearList()->list()->to(), 2091);
    EXPECT_EQ(panel.yearList()->list()->to(), 2091);
    ASSERT_TRUE(calendar.ShowMonth(2071, 6));
    ASSERT_TRUE(panel.SelectYear(2071));
    EXPECT_GT(count(tk::WindowPixels(calendar.hwnd()), todayFill), 500);
    EXPECT_EQ(calendar.yearList()->list()->Item(2071 - 1913), u"2071");
}

TEST_F(GeneralViewTest, PanelRepaintsAtEveryNewHourOnly) {
    setClock(at(2026, 3, 14, 10, 0, 0));
    GeneralView view(*ctx, 0);
    view.show();
    DayProgress& panel = *view.dayProgress();
    ASSERT_TRUE(panel.SelectUnit(ProgressUnit::Hours));
    QImage img = canvas();
    tk::DC dc(&img);
    view.paint(dc);
    panelPixels(panel);
    const std::u16string atTen = panel.passedText();
    view.tick(dc, at(2026, 3, 14, 10, 30, 0));
    panelPixels(panel);
    EXPECT_EQ(panel.passedText(), atTen); // still the value of ten o'clock
    view.tick(dc, at(2026, 3, 14, 11, 0, 0));
    panelPixels(panel);
    EXPECT_NE(panel.passedText(), atTen);
    EXPECT_EQ(
        panel.passedText(),
        FormatProgress(YearProgress(2026, ProgressUnit::Hours, at(2026, 3, 14, 11, 0, 0)).passed));
}

TEST_F(GeneralViewTest, PanelListsStartOnThisYearInDays) {
    setClock(at(2026, 3, 14, 10, 0, 0));
    DayProgress panel(main->hwnd(), 240, 350, at(2026, 3, 14, 10, 0, 0));
    ASSERT_NE(panel.yearList(), nullptr);
    ASSERT_NE(panel.unitList(), nullptr);
    EXPECT_EQ(panel.year(), 2026);
    EXPECT_EQ(panel.unit(), ProgressUnit::Days);
    EXPECT_EQ(panel.yearList()->list()->count(), 2046 - 1913 + 1);
    EXPECT_EQ(panel.unitList()->list()->Item(3), u"Months");
    EXPECT_EQ(DayProgress(main->hwnd(), 240, 350, at(2040, 1, 1, 0, 0, 0)).year(), 2040);
    EXPECT_EQ(tk::GetWindowText(panel.hwnd()), u"PasRemaind");
    // A choice in a list reaches the panel as WM_USER through the list's box and repaints it.
    panelPixels(panel);
    panel.yearList()->list()->SetSelected(0);
    tk::SendMessage(panel.yearList()->hwnd(), tk::WM_USER, 0, 0);
    panelPixels(panel);
    EXPECT_EQ(panel.remainedText(), u"0.0");
}

TEST_F(GeneralViewTest, PanelShowsNothingRemainingOfAPastYearAndNothingPassedOfAFutureOne) {
    const dev::SystemTime now = at(2026, 3, 14, 10, 0, 0);
    setClock(now);
    DayProgress panel(main->hwnd(), 240, 350, now);
    tk::ShowWindow(panel.hwnd(), tk::SW_SHOW);
    QImage shown = panelPixels(panel);
    EXPECT_EQ(panel.passedText(), u"72.4"); // 31 + 28 + 13 days and ten hours
    ASSERT_TRUE(panel.SelectYear(2020));
    shown = panelPixels(panel);
    EXPECT_EQ(panel.remainedText(), u"0.0");
    EXPECT_EQ(panel.passedText(), u"2264.4");
    // The old, longer value is gone: the value area is exactly the new text on white.
    EXPECT_EQ(region(shown, DayProgress::kRemainedValue),
              region(valueAlone(DayProgress::kRemainedValue, u"0.0"), DayProgress::kRemainedValue));
    EXPECT_EQ(region(shown, DayProgress::kPassedValue),
              region(valueAlone(DayProgress::kPassedValue, u"2264.4"), DayProgress::kPassedValue));
    ASSERT_TRUE(panel.SelectYear(2030));
    panelPixels(panel);
    EXPECT_EQ(panel.passedText(), u"0.0");
    EXPECT_NE(panel.remainedText(), u"0.0");
    // Headers over their pictures.
    EXPECT_NE(pixel(shown, 2, 50), kWhite);
    EXPECT_NE(pixel(shown, 216, 50), kWhite);
}

TEST_F(GeneralViewTest, MonthsOfAWholeYearReadElevenPointNine) {
    const dev::SystemTime newYear = at(2026, 1, 1, 0, 0, 0);
    setClock(newYear);
    DayProgress panel(main->hwnd(), 240, 350, newYear);
    ASSERT_TRUE(panel.SelectUnit(ProgressUnit::Months));
    panelPixels(panel);
    EXPECT_EQ(panel.remainedText(), u"11.9"); // 365 days
    EXPECT_EQ(panel.passedText(), u"0.0");
}

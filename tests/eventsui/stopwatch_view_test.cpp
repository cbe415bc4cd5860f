// The Stopwatch view in the main window: the button goes Start, Stop, Resume; Reset disables Split
// and Reset and keeps the split list; split labels and times; a running stopwatch and its splits
// survive a restart of the program; splits past 24 hours; and a tick redraws only what changed.
#include "items/ui/stopwatchview.h"

#include "device/text.h"
#include "eventsui_support.h"
#include "toolkit/window/SWindow.h"

using namespace hv;
using namespace hv::eventstest;
using itemsui::StopwatchView;
namespace sl = itemsui::stopwatchlayout;

namespace {

StopwatchView* stopwatchView(shell::MainWindow& w) {
    return static_cast<StopwatchView*>(w.view(shell::kStopwatch));
}

std::u16string startText(StopwatchView& v) {
    return v.buttons()->text(sl::kIdStart);
}

// Taps a button of the view's panels.
void tap(StopwatchView& v, int id) {
    itemsui::CommandPanel* panel = v.buttons()->button(id) ? v.buttons() : v.listButtons();
    QTest::mouseClick(panel->button(id), Qt::LeftButton);
    pump();
}

std::vector<std::pair<std::u16string, std::u16string>> rows(StopwatchView& v) {
    std::vector<std::pair<std::u16string, std::u16string>> out;
    const tk::ListView* l = v.splitList();
    for (int i = 0; i < l->ItemCount(); ++i)
        out.emplace_back(l->GetItemText(i, 0), v.splitList()->SecondColumnText(i));
    return out;
}

// Digit pixels of the time area's colour inside a rectangle of the window.
int digitPixels(const QImage& img, const tk::RECT& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += (img.pixel(x, y) & 0xffffff) != 0xffffff;
    return n;
}

} // namespace

TEST_F(ItemViews, StartStopResumeResetAndTheSplitList) {
    auto w = startWindow();
    showView(*w, shell::kStopwatch);
    StopwatchView& v = *stopwatchView(*w);
    EXPECT_EQ(startText(v), u"Start");
    EXPECT_FALSE(v.buttons()->enabled(sl::kIdSplit));
    EXPECT_FALSE(v.buttons()->enabled(sl::kIdReset));
    EXPECT_FALSE(v.listButtons()->enabled(sl::kIdDeleteAll));

    tap(v, sl::kIdStart);
    EXPECT_EQ(startText(v), u"Stop");
    EXPECT_TRUE(v.buttons()->enabled(sl::kIdSplit));
    EXPECT_TRUE(v.buttons()->enabled(sl::kIdReset));
    EXPECT_EQ(app().settings.stopwatchRunning, 1);

    // 1 minute 23 seconds later, four redraws within that second: the split reads 23.45.
    advance(83'000);
    for (int i = 0; i < 4; ++i)
        w->tick();
    EXPECT_EQ(v.shownElapsed(), u"00:01 23.");
    // The tenths count the redraws of this second (the window's own timer may add one).
    const char16_t tenths = v.shownHundredths()[0];
    EXPECT_GE(tenths, u'4');
    tap(v, sl::kIdSplit);
    advance(2'000);
    w->tick();
    tap(v, sl::kIdSplit);
    using Row = std::pair<std::u16string, std::u16string>;
    EXPECT_EQ(rows(v),
              (std::vector<Row>{{u"Split 01", u"00:01 23." + std::u16string(1, tenths) + u"5"},
                                {u"Split 02", u"00:01 25.05"}}));
    EXPECT_TRUE(v.listButtons()->enabled(sl::kIdDeleteAll));
    EXPECT_FALSE(v.listButtons()->enabled(sl::kIdDelete)) << "no row selected";

    tap(v, sl::kIdStart);
    EXPECT_EQ(startText(v), u"Resume");
    EXPECT_FALSE(v.buttons()->enabled(sl::kIdSplit));
    EXPECT_TRUE(v.buttons()->enabled(sl::kIdReset));
    // Stopped, the time stands still.
    advance(10'000);
    w->tick();
    EXPECT_EQ(v.shownElapsed(), u"00:01 25.");
    tap(v, sl::kIdStart);
    EXPECT_EQ(startText(v), u"Stop");
    advance(5'000);
    w->tick();
    EXPECT_EQ(v.shownElapsed(), u"00:01 30.");

    tap(v, sl::kIdReset);
    EXPECT_EQ(startText(v), u"Start");
    EXPECT_FALSE(v.buttons()->enabled(sl::kIdSplit));
    EXPECT_FALSE(v.buttons()->enabled(sl::kIdReset));
    EXPECT_EQ(v.shownElapsed(), u"00:00 00.");
    EXPECT_EQ(v.shownHundredths(), u"00");
    EXPECT_EQ(rows(v).size(), 2u) << "Reset keeps the split list";

    // Delete removes the selected row; Delete All empties the list and the counter starts again.
    v.splitList()->SetSelected(0);
    pump();
    EXPECT_TRUE(v.listButtons()->enabled(sl::kIdDelete));
    tap(v, sl::kIdDelete);
    EXPECT_EQ(rows(v), (std::vector<Row>{{u"Split 02", u"00:01 25.05"}}));
    EXPECT_FALSE(v.listButtons()->enabled(sl::kIdDelete));
    tap(v, sl::kIdDeleteAll);
    EXPECT_TRUE(rows(v).empty());
    EXPECT_FALSE(v.listButtons()->enabled(sl::kIdDeleteAll));
    tap(v, sl::kIdStart);
    tap(v, sl::kIdSplit);
    EXPECT_EQ(rows(v).front().first, u"Split 01");
}

TEST_F(ItemViews, ARunningStopwatchAndItsSplitsSurviveARestart) {
    {
        auto w = startWindow();
        showView(*w, shell::kStopwatch);
        StopwatchView& v = *stopwatchView(*w);
        tap(v, sl::kIdStart);
        advance(61'000);
        w->tick();
        tap(v, sl::kIdSplit);
        w->exitSequence();
    }
    // The program is closed for an hour.
    items::stopwatch().splits.clear();
    resetAppState();
    advance(3'600'000);
    auto w = startWindow();
    showView(*w, shell::kStopwatch);
    StopwatchView& v = *stopwatchView(*w);
    EXPECT_EQ(startText(v), u"Stop");
    EXPECT_TRUE(v.buttons()->enabled(sl::kIdSplit));
    EXPECT_EQ(v.shownElapsed(), u"01:01 01.");
    ASSERT_EQ(rows(v).size(), 1u);
    EXPECT_EQ(rows(v)[0].first, u"Split 01");
    EXPECT_EQ(rows(v)[0].second.substr(0, 9), u"00:01 01.");
    // The counter is not stored: the next split is "Split 01" again.
    tap(v, sl::kIdSplit);
    EXPECT_EQ(rows(v)[1].first, u"Split 01");
    EXPECT_EQ(rows(v)[1].second.substr(0, 9), u"01:01 01.");
}

TEST_F(ItemViews, SplitsPastADayKeepTheirTime) {
    auto w = startWindow();
    showView(*w, shell::kStopwatch);
    StopwatchView& v = *stopwatchView(*w);
    tap(v, sl::kIdStart);
    advance((25ull * 3600 + 3 * 60 + 10) * 1000);
    w->tick();
    EXPECT_EQ(v.shownElapsed(), u"25:03 10.");
    tap(v, sl::kIdSplit);
    EXPECT_EQ(rows(v)[0].second.substr(0, 9), u"25:03 10.");
}

TEST_F(ItemViews, TheTimeAreaIsDrawnAndATickCopiesOnlyChangedDigits) {
    auto w = startWindow();
    showView(*w, shell::kStopwatch);
    StopwatchView& v = *stopwatchView(*w);
    tap(v, sl::kIdStart);
    advance(3'000);
    w->tick();
    // Within the same second only the hundredths change.
    w->tick();
    EXPECT_EQ(v.lastCellsCopied(), 1);
    // The next second: the last seconds digit and the hundredths.
    advance(1'000);
    w->tick();
    EXPECT_EQ(v.lastCellsCopied(), 2);
    EXPECT_EQ(v.shownElapsed(), u"00:00 04.");

    const QImage img = w->renderView(shell::kStopwatch);
    EXPECT_EQ(img.pixel(240, 83) & 0xffffff, 0xC0C0C0u) << "the grey rule";
    const tk::RECT area{sl::kTimeAt.x, sl::kTimeAt.y, sl::kTimeAt.x + sl::kTimeWidth,
                        sl::kTimeAt.y + sl::kTimeHeight};
    EXPECT_GT(digitPixels(img, area), 1000);
    const tk::RECT hundredths{area.left + sl::kHundredthsText.left,
                              area.top + sl::kHundredthsText.top,
                              area.left + sl::kHundredthsText.right, area.bottom};
    EXPECT_GT(digitPixels(img, hundredths), 100);
    tap(v, sl::kIdSplit);
    advance(1'000);
    w->tick();
    tap(v, sl::kIdSplit);
    maybeScreenshot(*w, QStringLiteral("stopwatch-running"));

    // Ticks through every hundredths, whose pictures the ticks copy, leave them exactly as a full
    // drawing of the same moment has them.
    for (int i = 0; i < 700; ++i) {
        advance(i % 7 == 0 ? 9'870 : 130);
        w->tick();
    }
    pump();
    const QRect box(sl::kTimeAt.x + sl::kHundredthsText.left,
                    sl::kTimeAt.y + sl::kHundredthsText.top,
                    sl::kHundredthsText.right - sl::kHundredthsText.left,
                    sl::kTimeHeight - sl::kHundredthsText.top);
    const QImage ticked = w->canvas()->grab(box).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(ticked, w->renderView(shell::kStopwatch).copy(box))
        << "at " << dev::toUtf8(v.shownElapsed() + v.shownHundredths());
}

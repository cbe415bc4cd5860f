#include "toolkit/controls/controlrules.h"
#include "toolkit/window/strings.h"

#include <gtest/gtest.h>

using namespace hv;
using namespace hv::tk;

TEST(ToolkitLists, ParsingCountsBackslashesUpToTheFullStop) {
    const std::u16string civil = LoadStringResource(kStrWeekNumbering);
    const ParsedList p = ParseList(civil);
    ASSERT_EQ(p.count, 2);
    EXPECT_EQ(ListItem(civil, p, 0), u"Civil");
    EXPECT_EQ(ListItem(civil, p, 1), u"ISO 8601");
    EXPECT_EQ(ListItem(civil, p, 2), u"");
    EXPECT_EQ(ParseList(LoadStringResource(kStrContinents)).count, 7);
    // The first character is never an item's end; nothing after the full stop counts.
    EXPECT_EQ(ParseList(u"\\a\\.").count, 1);
    EXPECT_EQ(ParseList(u"a\\b\\.c\\d\\").count, 2);
    EXPECT_EQ(ParseList(u".").count, 0);
    EXPECT_EQ(ParseList(u"").count, 0);
    // Without a full stop the string's end stops the count.
    const std::u16string open = u"x\\y\\z";
    const ParsedList q = ParseList(open);
    EXPECT_EQ(q.count, 2);
    EXPECT_EQ(ListItem(open, q, 1), u"y");
    EXPECT_EQ(LoadStringResource(1), u"");
}

TEST(ToolkitLists, NumberLists) {
    const std::u16string days = BuildNumberList(1, 31, 1);
    const ParsedList p = ParseList(days);
    ASSERT_EQ(p.count, 31);
    EXPECT_EQ(ListItem(days, p, 0), u"1");
    EXPECT_EQ(ListItem(days, p, 30), u"31");
    EXPECT_EQ(BuildNumberList(0, 55, 5).substr(0, 8), u"0\\5\\10\\1");
    EXPECT_EQ(ParseList(BuildNumberList(1913, 2031, 1)).count, 119);
    EXPECT_EQ(BuildNumberList(5, 1, 1), u".");
    // A step that never reaches the end gives no items instead of running forever.
    EXPECT_EQ(BuildNumberList(1, 10, 0), u".");
    EXPECT_EQ(BuildNumberList(1, 10, -2), u".");
    EXPECT_EQ(ParseList(BuildNumberList(-3, 3, 3)).count, 3);
}

TEST(ToolkitPopup, LayoutScrollsWhenTallerThan480) {
    PopupLayout l = LayoutPopup({70, 300, 300, 328}, 20, 5);
    EXPECT_EQ(l.rowHeight, 28);
    EXPECT_TRUE(l.scrolling);
    EXPECT_EQ(l.visibleRows, 17);
    EXPECT_EQ(l.total, 476);
    EXPECT_EQ(l.firstVisible, 3); // the selection, without running past the end
    EXPECT_EQ(l.listRect.left, 100);
    // Exactly 480 does not scroll; a box without height counts as 30 high.
    l = LayoutPopup({0, 100, 100, 130}, 16, 0);
    EXPECT_FALSE(l.scrolling);
    EXPECT_EQ(l.total, 480);
    l = LayoutPopup({0, 100, 100, 100}, 3, 0);
    EXPECT_EQ(l.rowHeight, 30);
    EXPECT_EQ(l.listRect.top, 50);
    EXPECT_EQ(l.listRect.height(), 98);
    // A list that would reach 529 is lifted to end its rows at 528.
    l = LayoutPopup({0, 560, 100, 588}, 5, 0);
    EXPECT_EQ(l.listRect.top, 528 - 140);
    EXPECT_EQ(LayoutPopup({0, 0, 10, 28}, 0, 0).total, 0);
}

TEST(ToolkitPopup, PlacementKeepsTheLimits) {
    PopupLayout l = LayoutPopup({70, 200, 300, 228}, 4, 0);
    RECT r = PlacePopup({70, 200, 300, 228}, l);
    EXPECT_EQ(r.top, 146);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.width(), 200);
    EXPECT_EQ(r.height(), 4 * 28 + 8);
    // Near the bottom: ends at 528.
    l = LayoutPopup({70, 560, 300, 588}, 5, 0);
    r = PlacePopup({70, 560, 300, 588}, l);
    EXPECT_EQ(r.bottom, 528);
    // Near the right edge: ends at 480, or at 456 plus the scroll bar when scrolling.
    l = LayoutPopup({300, 100, 500, 128}, 3, 0);
    r = PlacePopup({300, 100, 500, 128}, l);
    EXPECT_EQ(r.right, 480);
    l = LayoutPopup({300, 300, 500, 328}, 20, 0);
    r = PlacePopup({300, 300, 500, 328}, l);
    EXPECT_EQ(r.right, 456 + 24);
    EXPECT_EQ(r.width(), 170 + 24);
    // Never above the screen.
    l = LayoutPopup({0, 20, 100, 48}, 2, 0);
    EXPECT_EQ(PlacePopup({0, 20, 100, 48}, l).top, 0);
}

TEST(ToolkitPopup, ScrollingAndRows) {
    EXPECT_EQ(FirstVisibleFor(19, 20, 17), 3);
    EXPECT_EQ(FirstVisibleFor(2, 20, 17), 2);
    EXPECT_EQ(FirstVisibleFor(-1, 20, 17), 0);
    const int max = 28 * 20 + 2;
    EXPECT_EQ(ScrollFirstVisible(0, SB_LINEUP, 0, 28, 20, 17, max), 0);
    EXPECT_EQ(ScrollFirstVisible(0, SB_LINEDOWN, 0, 28, 20, 17, max), 1);
    EXPECT_EQ(ScrollFirstVisible(3, SB_LINEDOWN, 0, 28, 20, 17, max), 3);
    EXPECT_EQ(ScrollFirstVisible(0, SB_PAGEDOWN, 0, 28, 20, 17, max), 3);
    EXPECT_EQ(ScrollFirstVisible(3, SB_PAGEUP, 0, 28, 20, 17, max), 0);
    EXPECT_EQ(ScrollFirstVisible(0, SB_THUMBTRACK, 56, 28, 20, 17, max), 2);
    EXPECT_EQ(ScrollFirstVisible(0, SB_THUMBTRACK, 5000, 28, 20, 17, max), 3);
    EXPECT_EQ(ScrollFirstVisible(2, SB_ENDSCROLL, 0, 28, 20, 17, max), 2);
    // Rows: left 2, top 2 + r * height, right width - 6.
    EXPECT_EQ(PopupRowAt({2, 2}, 28, 4, 200), 0);
    EXPECT_EQ(PopupRowAt({193, 30}, 28, 4, 200), 1);
    EXPECT_EQ(PopupRowAt({194, 30}, 28, 4, 200), -1);
    EXPECT_EQ(PopupRowAt({1, 30}, 28, 4, 200), -1);
    EXPECT_EQ(PopupRowAt({50, 2 + 4 * 28}, 28, 4, 200), -1);
    EXPECT_EQ(PopupRowAt({50, 1}, 28, 4, 200), -1);
}

TEST(ToolkitPopup, CityOffsets) {
    EXPECT_EQ(CityOffsetText(330), u"+5:30");
    EXPECT_EQ(CityOffsetText(-210), u"-3:30");
    EXPECT_EQ(CityOffsetText(0), u" 0:00");
    EXPECT_EQ(CityOffsetText(-600), u"-10:00");
    EXPECT_EQ(CityOffsetText(765), u"+12:45");
    // Less than an hour behind still carries its minus sign.
    EXPECT_EQ(CityOffsetText(-30), u"-0:30");
}

namespace {

// The platform control spins one field with wrap-around: minutes 0..59, hours 0..23.
void spinBeatField(dev::SystemTime& t, int field, int delta) {
    if (field == 0)
        t.year = static_cast<uint16_t>(t.year + delta);
    else if (field == 1)
        t.hour = static_cast<uint16_t>((t.hour + delta + 24) % 24);
    else
        t.minute = static_cast<uint16_t>((t.minute + delta + 60) % 60);
}

} // namespace

TEST(ToolkitPicker, InternetTimeCarriesOverEveryValue) {
    for (int v = 0; v < 1000; ++v)
        for (int field = 0; field < 3; ++field)
            for (int delta : {1, -1}) {
                dev::SystemTime t;
                BeatsToFields(v, t);
                ASSERT_EQ(BeatsFromFields(t), v);
                spinBeatField(t, field, delta);
                CarryBeatFields(t);
                const int step = field == 0 ? 100 : field == 1 ? 10 : 1;
                const int odometer = ((v + delta * step) % 1000 + 1000) % 1000;
                ASSERT_EQ(BeatsFromFields(t), odometer) << v << " field " << field << " " << delta;
            }
    dev::SystemTime t;
    BeatsToFields(42, t);
    EXPECT_EQ(t.year, 2000);
    EXPECT_EQ(t.hour, 4);
    EXPECT_EQ(t.minute, 2);
    BeatsToFields(5000, t);
    EXPECT_EQ(BeatsFromFields(t), 999);
}

TEST(ToolkitPicker, OffsetHoursRunRoundThroughBothSigns) {
    // Spinning the hours up from 0: +1 .. +14, then -12 .. -1, then 0 again.
    OffsetValue v;
    std::vector<int> seen;
    for (int i = 0; i < 27; ++i) {
        const int shown = (v.hours + 1) % 60;
        OffsetHoursChanged(v, v.hours, shown);
        seen.push_back(OffsetMinutes(v) / 60);
    }
    std::vector<int> want;
    for (int h = 1; h <= 14; ++h)
        want.push_back(h);
    for (int h = -12; h <= 0; ++h)
        want.push_back(h);
    EXPECT_EQ(seen, want);
    // And down from 0: -1 .. -12, then +14 .. +1, 0.
    v = OffsetValue{};
    seen.clear();
    for (int i = 0; i < 27; ++i) {
        const int shown = (v.hours + 59) % 60;
        OffsetHoursChanged(v, v.hours, shown);
        seen.push_back(OffsetMinutes(v) / 60);
    }
    want.clear();
    for (int h = -1; h >= -12; --h)
        want.push_back(h);
    for (int h = 14; h >= 0; --h)
        want.push_back(h);
    EXPECT_EQ(seen, want);
    EXPECT_EQ(OffsetPictureSign(OffsetValue{}), OffsetSign::Blank);
    EXPECT_EQ(OffsetPictureSign(OffsetValue{0, 15, true}), OffsetSign::Minus);
    EXPECT_EQ(std::u16string(OffsetPicture(OffsetSign::Plus)), u"'+'ss':'mm'");
}

TEST(ToolkitPicker, OffsetMinutesSnapToQuarters) {
    int m = 0;
    std::vector<int> up, down;
    for (int i = 0; i < 4; ++i)
        up.push_back(m = SnapOffsetMinutes((m + 1) % 60));
    m = 0;
    for (int i = 0; i < 4; ++i)
        down.push_back(m = SnapOffsetMinutes((m + 59) % 60));
    EXPECT_EQ(up, (std::vector<int>{15, 30, 45, 0}));
    EXPECT_EQ(down, (std::vector<int>{45, 30, 15, 0}));
    EXPECT_EQ(SnapOffsetMinutes(22), 15);
    EXPECT_EQ(SnapOffsetMinutes(23), 30);
    EXPECT_EQ(SnapOffsetMinutes(58), 45);
    const OffsetValue v = OffsetFromMinutes(-210);
    EXPECT_TRUE(v.negative);
    EXPECT_EQ(v.hours, 3);
    EXPECT_EQ(v.minutes, 30);
    EXPECT_EQ(OffsetMinutes(OffsetFromMinutes(5000)), 840);
    EXPECT_EQ(OffsetMinutes(OffsetFromMinutes(-5000)), -720);
    // Chatham and Kiritimati come back as they went in; the ends take no minutes.
    EXPECT_EQ(OffsetMinutes(OffsetFromMinutes(765)), 765);
    EXPECT_EQ(OffsetMinutes(OffsetFromMinutes(840)), 840);
    OffsetValue east = OffsetFromMinutes(840);
    OffsetMinutesChanged(east, 1);
    EXPECT_EQ(OffsetMinutes(east), 840);
    EXPECT_FALSE(OffsetFromMinutes(0).negative);
}

TEST(ToolkitMonth, GridsForBothWeekStarts) {
    // September 2024 begins on a Sunday.
    MonthGrid mon = LayoutMonth(2024, 9, 0);
    EXPECT_FALSE(mon.sundayFirst);
    EXPECT_EQ(mon.firstColumn, 6);
    EXPECT_EQ(mon.sundayColumn, 6);
    EXPECT_EQ(mon.cells[0][6], 1);
    EXPECT_EQ(mon.cells[1][0], 2);
    MonthGrid sun = LayoutMonth(2024, 9, 6);
    EXPECT_EQ(sun.firstColumn, 0);
    EXPECT_EQ(sun.cells[0][0], 1);
    EXPECT_EQ(sun.rowsUsed, 5);
    // A 31-day month that starts in the last column fills all six rows (December 2024).
    MonthGrid dec = LayoutMonth(2024, 12, 0);
    EXPECT_EQ(dec.firstColumn, 6);
    EXPECT_EQ(dec.rowsUsed, 6);
    EXPECT_EQ(dec.cells[5][1], 31);
    // February by the Gregorian rule.
    EXPECT_EQ(LayoutMonth(2024, 2, 0).days, 29);
    EXPECT_EQ(LayoutMonth(2023, 2, 0).days, 28);
    EXPECT_EQ(LayoutMonth(2100, 2, 0).days, 28);
    // Every month of four centuries: each day once, in order, from the first column.
    for (int y = 1900; y < 2300; ++y)
        for (int m = 1; m <= 12; ++m) {
            const MonthGrid g = LayoutMonth(y, m, 6);
            int next = 1;
            for (int r = 0; r < 6; ++r)
                for (int c = 0; c < 7; ++c) {
                    const int d = g.cells[static_cast<size_t>(r)][static_cast<size_t>(c)];
                    if (d == 0)
                        continue;
                    ASSERT_EQ(d, next) << y << "-" << m;
                    if (d == 1) {
                        ASSERT_EQ(c, g.firstColumn);
                    }
                    ++next;
                }
            ASSERT_EQ(next - 1, g.days);
        }
    EXPECT_EQ(LayoutMonth(2024, 13, 0).days, 0);
    EXPECT_EQ(LayoutMonth(0, 1, 0).days, 0);
}

TEST(ToolkitTabs, HitsOnlyTabs) {
    EXPECT_EQ(TabAt({0, 0}, 4), 0);
    EXPECT_EQ(TabAt({59, 31}, 4), 0);
    EXPECT_EQ(TabAt({60, 5}, 4), 1);
    EXPECT_EQ(TabAt({239, 5}, 4), 3);
    EXPECT_EQ(TabAt({240, 5}, 4), -1);
    EXPECT_EQ(TabAt({10, 32}, 4), -1);
    EXPECT_EQ(TabAt({-1, 5}, 4), -1);
    EXPECT_EQ(TabAt({10, 5}, 0), -1);
}

TEST(ToolkitListView, ItemTimesKeptInTheSecondColumn) {
    const dev::FileTime t = 0x0123456789abcdefULL;
    const std::u16string text = ItemTimeToText(t);
    ASSERT_EQ(text.size(), 4u);
    EXPECT_EQ(static_cast<uint16_t>(text[0]), 0xcdef);
    EXPECT_EQ(static_cast<uint16_t>(text[3]), 0x0123);
    EXPECT_EQ(ItemTimeFromText(text), t);
    EXPECT_EQ(ItemTimeFromText(u"ab"), 0x00620061ULL);
}

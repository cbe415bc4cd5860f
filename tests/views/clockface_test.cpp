// The analog clock renderer: its hand tables, where the hands stand at given times (read back by
// the pixels of the hand colours), the General face's time text and the small City Time clock.
#include "clockface/analogclock.h"
#include "images/images.h"
#include "viewtest.h"

using namespace hv;
using namespace hv::clockface;
using namespace hv::views::test;
using tk::POINT;

namespace {

constexpr POINT kCentre{98, 98};

POINT plus(POINT a, POINT b) {
    return {a.x + b.x, a.y + b.y};
}

QImage paintAt(AnalogClock& clock, const dev::SystemTime& t, qreal ratio = 1) {
    QImage img(static_cast<int>(480 * ratio), static_cast<int>(640 * ratio), QImage::Format_RGB32);
    img.setDevicePixelRatio(ratio);
    img.fill(Qt::white);
    tk::DC dc(&img);
    clock.Paint(dc, t);
    return img;
}

// A point of the dial on the screen: the position and radius measured from the face's centre.
POINT onDial(const AnalogClock& clock, int position, int radius) {
    return plus(clock.position(), PointAt(clock.centre(), position, radius));
}

// Whether the colour is at the point or one pixel beside it (a line's rasterisation).
bool near(const QImage& img, POINT p, QRgb colour) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (pixel(img, p.x + dx, p.y + dy) == colour)
                return true;
    return false;
}

} // namespace

TEST(HandTables, PointsRoundAsTruncationOfHalfUp) {
    // Straight up and straight right are exact.
    EXPECT_EQ(PointAt(kCentre, 0, 84), (POINT{98, 14}));
    EXPECT_EQ(PointAt(kCentre, 15, 84), (POINT{182, 98}));
    // trunc(x + 0.5) cuts negative values toward zero: -6 + 0.5 gives -5, -10 + 0.5 gives -9.
    EXPECT_EQ(PointAt(kCentre, 45, 6), (POINT{93, 98}));
    EXPECT_EQ(PointAt(kCentre, 30, 10), (POINT{98, 107}));
    // Positions wrap round the dial.
    EXPECT_EQ(PointAt(kCentre, 75, 84), PointAt(kCentre, 15, 84));
    EXPECT_EQ(PointAt(kCentre, -15, 84), PointAt(kCentre, 45, 84));
}

TEST(HandTables, KitesRunTipSideTailSide) {
    const Kite k = KiteAt(kCentre, 0, kGeneralFaceLayout.hour);
    EXPECT_EQ(k[0], (POINT{98, 34}));  // tip, 64 up
    EXPECT_EQ(k[1], (POINT{104, 98})); // right side, 6
    EXPECT_EQ(k[2], (POINT{98, 107})); // tail, 10 down (cut toward zero)
    EXPECT_EQ(k[3], (POINT{93, 98}));  // left side
}

TEST(HandTables, HourHandMovesEveryTwelveMinutes) {
    EXPECT_EQ(HourPosition(3, 0), 15);
    EXPECT_EQ(HourPosition(3, 59), 19);
    EXPECT_EQ(HourPosition(12, 30), 2);
    EXPECT_EQ(HourPosition(15, 0), 15);
    EXPECT_EQ(HourPosition(0, 0), 0);
    EXPECT_EQ(HourPosition(23, 59), 59);
    EXPECT_EQ(HourPosition(11, 11), 55);
    EXPECT_EQ(HourPosition(11, 12), 56);
}

using Renderer = ViewTest;

TEST_F(Renderer, ColoursComeFromTheFacePixels) {
    AnalogClock general(FaceKind::General, {20, 60});
    const tk::PictureTable& t = tk::SDraw::res().table;
    EXPECT_EQ(general.hourColour(), t.sample(1, {60, 9}));
    EXPECT_EQ(general.minuteColour(), t.sample(1, {91, 3}));
    EXPECT_EQ(general.secondColour(), t.sample(1, {82, 22}));
    EXPECT_NE(general.hourColour(), general.minuteColour());
    EXPECT_NE(general.minuteColour(), general.secondColour());
    AnalogClock analog(FaceKind::Analog, {60, 86});
    EXPECT_EQ(analog.secondColour(), t.sample(2, {155, 41}));
    EXPECT_EQ(analog.centre(), (POINT{181, 181}));
    EXPECT_EQ(AnalogClock(FaceKind::Small, {0, 0}).centre(), (POINT{41, 41}));
}

TEST_F(Renderer, HourHandStandsWhereTheTimeSays) {
    AnalogClock clock(FaceKind::General, {20, 60});
    const QRgb hour = rgb(clock.hourColour());
    struct Case {
        int h, m, position;
    };
    for (const Case c : {Case{3, 0, 15}, Case{3, 59, 19}, Case{12, 30, 2}, Case{15, 0, 15}}) {
        SCOPED_TRACE(testing::Message() << c.h << ":" << c.m);
        const QImage img = paintAt(clock, at(2026, 3, 14, c.h, c.m, 40));
        // Along the hour hand, beyond the other hands' reach across the centre.
        for (int r : {20, 35, 50})
            EXPECT_EQ(pixel(img, onDial(clock, c.position, r)), hour) << "radius " << r;
        // One hour further on, the dial is bare.
        EXPECT_NE(pixel(img, onDial(clock, c.position + 5, 40)), hour);
        EXPECT_NE(pixel(img, onDial(clock, c.position - 5, 40)), hour);
    }
    // 15:00 and 3:00 draw the same face.
    EXPECT_EQ(paintAt(clock, at(2026, 3, 14, 15, 0, 0)).copy(20, 60, 197, 197),
              paintAt(clock, at(2026, 3, 14, 3, 0, 0)).copy(20, 60, 197, 197));
}

TEST_F(Renderer, MinuteAndSecondHandsOverTheHourHand) {
    AnalogClock clock(FaceKind::General, {20, 60});
    const QRgb minute = rgb(clock.minuteColour());
    const QRgb second = rgb(clock.secondColour());
    // 3:15:00: hour and minute hands share position 16 and 15; the minute hand lies on top, and
    // its tip runs past the hour hand's.
    const QImage img = paintAt(clock, at(2026, 3, 14, 3, 15, 30));
    EXPECT_EQ(pixel(img, onDial(clock, 15, 40)), minute);
    EXPECT_EQ(pixel(img, onDial(clock, 15, 75)), minute);
    EXPECT_EQ(pixel(img, onDial(clock, 30, 60)), second);
}

TEST_F(Renderer, SecondHandPointsUpAtZeroAndRightAtFifteen) {
    AnalogClock clock(FaceKind::General, {20, 60});
    const QRgb second = rgb(clock.secondColour());
    const POINT c = plus(clock.position(), clock.centre());
    QImage img = paintAt(clock, at(2026, 3, 14, 7, 30, 0));
    for (int r : {30, 60, 83})
        EXPECT_EQ(pixel(img, c.x, c.y - r), second) << "radius " << r;
    EXPECT_NE(pixel(img, c.x + 60, c.y), second);
    img = paintAt(clock, at(2026, 3, 14, 7, 30, 15));
    for (int r : {30, 60, 83})
        EXPECT_EQ(pixel(img, c.x + r, c.y), second) << "radius " << r;
    EXPECT_NE(pixel(img, c.x, c.y - 60), second);
    // The line ends at radius 84 and is two pixels wide.
    EXPECT_NE(pixel(img, c.x + 86, c.y), second);
    EXPECT_TRUE(pixel(img, c.x + 60, c.y - 1) == second || pixel(img, c.x + 60, c.y + 1) == second);
}

TEST_F(Renderer, TimeTextIsClearedOnlyWhenTheHourChanges) {
    AnalogClock clock(FaceKind::General, {20, 60});
    const tk::RECT r = clock.timeTextRect();
    EXPECT_EQ(r, (tk::RECT{20, 270, 220, 298}));
    QImage img = tk::CreateCompatibleBitmap(480, 640);
    tk::DC dc(&img);
    const QRgb mark = qRgb(0, 200, 0) & 0xffffff;
    auto markAndPaint = [&](const dev::SystemTime& t) {
        // A corner of the text area that the text itself never covers.
        dc.SetPixel(r.left + 1, r.top + 1, tk::RGB(0, 200, 0));
        dc.SetPixel(r.right - 2, r.bottom - 2, tk::RGB(0, 200, 0));
        clock.Paint(dc, t);
        return pixel(img, r.left + 1, r.top + 1) == mark &&
               pixel(img, r.right - 2, r.bottom - 2) == mark;
    };
    EXPECT_FALSE(markAndPaint(at(2026, 3, 14, 12, 59, 59))); // the first paint: a new hour
    EXPECT_TRUE(markAndPaint(at(2026, 3, 14, 12, 59, 59)));
    EXPECT_FALSE(markAndPaint(at(2026, 3, 14, 13, 0, 0))); // 12:59 PM to 1:00 PM
    EXPECT_TRUE(markAndPaint(at(2026, 3, 14, 13, 1, 0)));  // 1:00 to 1:01
    EXPECT_EQ(AnalogClock::TimeText(at(2026, 3, 14, 13, 1, 0)), u"1:01 PM");
    // The text is written in the text colour, centred under the face.
    const POINT c = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    int dark = 0;
    for (int x = r.left; x < r.right; ++x)
        dark += qGray(pixel(img, x, c.y)) < 96;
    EXPECT_GT(dark, 5);
    EXPECT_EQ(pixel(img, r.left + 3, c.y), qRgb(255, 255, 255) & 0xffffff);
}

TEST_F(Renderer, FaceIsCopiedWholeOntoTheScreen) {
    AnalogClock clock(FaceKind::General, {20, 60});
    const QImage img = paintAt(clock, at(2026, 3, 14, 9, 0, 30));
    const QImage& face = *tk::SDraw::res().table.image(1);
    // Corners of the face away from the hands arrive unchanged, nothing outside it is touched.
    for (POINT p : {POINT{0, 0}, POINT{196, 0}, POINT{0, 196}, POINT{196, 196}, POINT{98, 3}})
        EXPECT_EQ(pixel(img, plus(p, {20, 60})), face.pixel(p.x, p.y) & 0xffffff);
    EXPECT_EQ(pixel(img, 19, 59), qRgb(255, 255, 255) & 0xffffff);
    EXPECT_EQ(pixel(img, 217, 257), qRgb(255, 255, 255) & 0xffffff);
}

TEST_F(Renderer, ScaledWindowsGetTheDetailedFace) {
    for (const auto& [id, side] : {std::pair{125, 197}, std::pair{119, 362}, std::pair{124, 82}})
        EXPECT_EQ(images::loadDetailed(id).size(),
                  QSize(side * images::kDetailedScale, side * images::kDetailedScale))
            << id;
    EXPECT_TRUE(images::loadDetailed(211).isNull());
    AnalogClock clock(FaceKind::General, {20, 60});
    const QImage img = paintAt(clock, at(2026, 3, 14, 3, 0, 15), 2);
    const QRgb second = rgb(clock.secondColour());
    const QRgb hour = rgb(clock.hourColour());
    const POINT c = plus(clock.position(), clock.centre());
    // Device pixels: the hands are drawn at twice the detail, not stretched.
    EXPECT_EQ(pixel(img, 2 * (c.x + 40), 2 * c.y), second);
    EXPECT_GT(qGray(pixel(img, 2 * c.x, 2 * (c.y + 40))), 240); // the bare dial
    // Two logical pixels above the second hand, still inside the hour hand's kite.
    const POINT h = onDial(clock, 15, 30);
    EXPECT_EQ(pixel(img, 2 * h.x, 2 * (h.y - 2)), hour);
    EXPECT_NE(pixel(img, 2 * h.x, 2 * (h.y - 6)), hour);
}

TEST_F(Renderer, SmallClockDrawsLinesOnTheFace) {
    AnalogClock clock(FaceKind::Small, {100, 200});
    const QImage img = paintAt(clock, at(2026, 3, 14, 3, 30, 45));
    const POINT c = plus(clock.position(), clock.centre());
    const QRgb black = qRgb(0, 0, 0) & 0xffffff;
    // The hour line toward position 17 to radius 24, the minute line straight down to 32.
    EXPECT_TRUE(near(img, onDial(clock, 17, 20), black));
    EXPECT_EQ(pixel(img, c.x, c.y + 30), black);
    EXPECT_NE(pixel(img, c.x, c.y + 36), black);
    // No second hand.
    EXPECT_FALSE(near(img, onDial(clock, 45, 20), black));
    // Moved with its item.
    clock.setPosition({10, 10});
    const QImage moved = paintAt(clock, at(2026, 3, 14, 3, 30, 45));
    EXPECT_EQ(moved.copy(10, 10, 82, 82), img.copy(100, 200, 82, 82));
}

#include "guitest.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace hv::tk;
using namespace hv::tk::test;

namespace {

// Records every message that reaches its window procedure and every stylus point.
class Recorder : public SWindow, public SDrawBasic {
public:
    std::vector<UINT> messages;
    std::vector<POINT> downs, ups;
    int paints = 0;
    void Paint(HDC hdc) override {
        ++paints;
        hdc->FillRect({0, 0, 10, 10}, RGB(255, 0, 0));
    }
    void OnLButtonDown(POINT p) override { downs.push_back(p); }
    void OnLButtonUp(POINT p) override { ups.push_back(p); }
    LRESULT WindowProc(HWND h, UINT m, WPARAM w, LPARAM l) override {
        messages.push_back(m);
        return SWindow::WindowProc(h, m, w, l);
    }
};

} // namespace

TEST(WindowCore, CreationBindsTheObjectAndACreatedWindowCanBeCreatedAgain) {
    auto screen = makeScreen();
    Recorder a, b;
    ASSERT_TRUE(a.Create(0, u"RecorderClass", u"a", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50,
                         screen.get(), 1, nullptr));
    ASSERT_TRUE(b.Create(0, u"RecorderClass", u"b", WS_CHILD | WS_VISIBLE, 60, 0, 50, 50,
                         screen.get(), 2, nullptr));
    EXPECT_EQ(WindowObject(a.hwnd()), &a);
    EXPECT_EQ(GetDlgCtrlID(b.hwnd()), 2u);
    EXPECT_EQ(GetWindowText(a.hwnd()), u"a");
    DestroyWindow(a.hwnd());
    DestroyWindow(b.hwnd());
    EXPECT_EQ(a.hwnd(), nullptr);
    // A destroyed window is off its parent, so that the parent's end cannot delete it, and it
    // can be created again.
    EXPECT_EQ(a.parentWidget(), nullptr);
    ASSERT_TRUE(a.Create(0, u"RecorderClass", u"again", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50,
                         screen.get(), 3, nullptr));
    EXPECT_EQ(a.parentWidget(), screen.get());
    EXPECT_EQ(GetDlgCtrlID(a.hwnd()), 3u);
    // A parent window whose object ends first leaves the child's object to its owner.
    auto parent = std::make_unique<Recorder>();
    ASSERT_TRUE(parent->Create(0, u"RecorderClass", u"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100,
                               screen.get(), 4, nullptr));
    Recorder child;
    ASSERT_TRUE(child.Create(0, u"RecorderClass", u"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                             parent->hwnd(), 5, nullptr));
    parent.reset();
    EXPECT_EQ(child.parentWidget(), nullptr);
    EXPECT_EQ(child.hwnd(), nullptr);
}

TEST(WindowCore, StylusMessagesReachTheOperationsWithTheirPoints) {
    auto screen = makeScreen();
    Recorder r;
    ASSERT_TRUE(r.Create(0, u"RecorderClass", u"", WS_CHILD | WS_VISIBLE, 5, 5, 100, 100,
                         screen.get(), 0, nullptr));
    QTest::mouseClick(r.hwnd(), Qt::LeftButton, {}, QPoint(30, 40));
    ASSERT_EQ(r.downs.size(), 1u);
    ASSERT_EQ(r.ups.size(), 1u);
    EXPECT_EQ(r.ups[0], (POINT{30, 40}));
    DestroyWindow(r.hwnd());
}

TEST(WindowCore, SendIsImmediatePostWaitsForTheQueue) {
    auto screen = makeScreen();
    Recorder r;
    ASSERT_TRUE(
        r.Create(0, u"RecorderClass", u"", WS_CHILD, 0, 0, 10, 10, screen.get(), 0, nullptr));
    r.messages.clear();
    SendMessage(r.hwnd(), WM_USER + 7, 1, 2);
    ASSERT_EQ(r.messages.size(), 1u);
    PostMessage(r.hwnd(), WM_USER + 8, 0, 0);
    EXPECT_EQ(r.messages.size(), 1u);
    pump();
    ASSERT_EQ(r.messages.size(), 2u);
    EXPECT_EQ(r.messages[1], static_cast<UINT>(WM_USER + 8));
    // A destroyed window hears nothing, and a deleted object is never called.
    HWND h = r.hwnd();
    DestroyWindow(h);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 0);
}

TEST(WindowCore, PaintAndDrawingOutsidePaintBothStay) {
    auto screen = makeScreen();
    Recorder r;
    ASSERT_TRUE(r.Create(0, u"RecorderClass", u"", WS_CHILD | WS_VISIBLE, 0, 0, 40, 40,
                         screen.get(), 0, nullptr));
    grab(r.hwnd()); // the first paint, as the window is shown
    HDC dc = GetDC(r.hwnd());
    dc->FillRect({20, 20, 30, 30}, RGB(0, 0, 255));
    ReleaseDC(r.hwnd(), dc);
    QImage img = grab(r.hwnd());
    EXPECT_GE(r.paints, 1);
    EXPECT_EQ(at(img, 5, 5), qRgb(255, 0, 0) & 0xffffff);
    EXPECT_EQ(at(img, 25, 25), qRgb(0, 0, 255) & 0xffffff);
    // An invalidation with erasing repaints over white.
    RECT part{20, 20, 40, 40};
    InvalidateRect(r.hwnd(), &part, true);
    img = grab(r.hwnd());
    EXPECT_EQ(at(img, 25, 25), 0xffffffu);
    DestroyWindow(r.hwnd());
}

TEST(Pictures, ThreeSliceStretchKeepsBothEndsAndRepeatsTheCentre) {
    QImage src(18, 4, QImage::Format_RGB32);
    for (int x = 0; x < 18; ++x)
        for (int y = 0; y < 4; ++y)
            src.setPixel(x, y, qRgb(x * 10, 255 - x * 10, y * 20));
    QImage out = RenderRegion(src, {0, 0, 18, 4}, 100, 4);
    ASSERT_EQ(out.width(), 100);
    for (int x = 0; x < 100; ++x) {
        const int from = x < 9 ? x : x >= 91 ? x - 82 : 8;
        for (int y = 0; y < 4; ++y)
            ASSERT_EQ(out.pixel(x, y) & 0xffffff, src.pixel(from, y) & 0xffffff) << x << "," << y;
    }
    // The same size is a plain copy; one column is stretched both ways.
    QImage same = RenderRegion(src, {3, 1, 9, 3}, 6, 2);
    EXPECT_EQ(same.pixel(0, 0), src.pixel(3, 1));
    EXPECT_EQ(same.pixel(5, 1), src.pixel(8, 2));
    QImage one = RenderRegion(src, {4, 0, 5, 4}, 30, 8);
    EXPECT_EQ(one.pixel(29, 0), src.pixel(4, 0));
    EXPECT_EQ(one.pixel(0, 7), src.pixel(4, 3));
    // Odd widths and widths below the region's.
    QImage three = RenderRegion(src, {0, 0, 3, 4}, 7, 4);
    EXPECT_EQ(three.pixel(0, 0), src.pixel(0, 0));
    EXPECT_EQ(three.pixel(3, 0), src.pixel(1, 0));
    EXPECT_EQ(three.pixel(6, 0), src.pixel(2, 0));
    EXPECT_FALSE(RenderRegion(src, {0, 0, 18, 4}, 5, 4).isNull());
    EXPECT_TRUE(RenderRegion(QImage(), {0, 0, 1, 1}, 5, 4).isNull());
}

TEST(Pictures, CacheIsKeptOnlyWhenAsked) {
    QImage src(4, 4, QImage::Format_RGB32);
    src.fill(Qt::red);
    QImage target = CreateCompatibleBitmap(20, 20);
    Picture kept(&src, {0, 0, 4, 4}, {0, 0, 10, 10}, true);
    Picture dropped(&src, {0, 0, 4, 4}, {10, 10, 20, 20}, false);
    {
        DC dc(&target);
        kept.Draw(dc);
        dropped.Draw(dc);
    }
    EXPECT_TRUE(kept.hasCache());
    EXPECT_FALSE(dropped.hasCache());
    EXPECT_EQ(target.pixel(5, 5) & 0xffffff, 0xff0000u);
    EXPECT_EQ(target.pixel(15, 15) & 0xffffff, 0xff0000u);
}

TEST(DeviceContext, TransparentImageMirrorsAndEndsAtTheCoordinate) {
    // A 4 x 2 frame: left half green, right half blue, one black (transparent) pixel.
    QImage frame(4, 2, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            frame.setPixel(x, y, x < 2 ? qRgb(0, 255, 0) : qRgb(0, 0, 255));
    frame.setPixel(0, 0, qRgb(0, 0, 0));
    QImage target = CreateCompatibleBitmap(20, 20);
    {
        DC dc(&target);
        dc.TransparentImage(10, 10, 4, 2, frame, 0, 0, 4, 2, RGB(0, 0, 0));
        dc.TransparentImage(10, 6, -4, -2, frame, 0, 0, 4, 2, RGB(0, 0, 0));
    }
    EXPECT_EQ(target.pixel(10, 10) & 0xffffff, 0xffffffu); // transparent
    EXPECT_EQ(target.pixel(11, 10) & 0xffffff, 0x00ff00u);
    EXPECT_EQ(target.pixel(13, 11) & 0xffffff, 0x0000ffu);
    // Mirrored both ways: occupies (6..9, 4..5), right edge at 10, bottom edge at 6.
    EXPECT_EQ(target.pixel(6, 4) & 0xffffff, 0x0000ffu);
    EXPECT_EQ(target.pixel(9, 4) & 0xffffff, 0x00ff00u);
    EXPECT_EQ(target.pixel(9, 5) & 0xffffff, 0xffffffu); // the mirrored black pixel
    EXPECT_EQ(target.pixel(10, 5) & 0xffffff, 0xffffffu);
}

TEST(DrawResources, LiveFromTheFirstToTheLastObject) {
    ASSERT_EQ(SDrawBasic::liveCount(), 0);
    EXPECT_FALSE(SDraw::resourcesLive());
    {
        auto first = std::make_unique<SDrawBasic>();
        EXPECT_TRUE(SDraw::resourcesLive());
        const QFont* f = SDraw::font(kFontLargeDigits);
        {
            SDrawBasic second;
            EXPECT_EQ(SDraw::font(kFontLargeDigits), f); // not rebuilt
        }
        EXPECT_TRUE(SDraw::resourcesLive());
        EXPECT_EQ(SDraw::icons().count(), 12);
        EXPECT_EQ(SDraw::icons().frameWidth(), 34);
        EXPECT_EQ(SDraw::res().table.imageCount, 4);
        EXPECT_EQ(SDraw::res().table.images[0].size(), QSize(234, 44));
        EXPECT_EQ(SDraw::colour(kColourDigits), RGB(57, 83, 157));
        EXPECT_EQ(SDraw::res().table.regions[kRegionWideSelected].rect, (RECT{56, 0, 116, 32}));
        // Heights are character cells.
        EXPECT_NEAR(QFontMetrics(*SDraw::font(kFontText)).height(), 26, 1);
        EXPECT_TRUE(SDraw::font(kFontTitle)->bold());
        EXPECT_FALSE(SDraw::font(kFontMediumText)->bold());
        if (QFile::exists("/usr/share/wine/fonts/tahoma.ttf")) {
            EXPECT_EQ(SDraw::fontFamily(), QStringLiteral("Tahoma"));
        }
    }
    EXPECT_FALSE(SDraw::resourcesLive());
    EXPECT_EQ(SDraw::font(kFontText), nullptr);
}

TEST(OwnerDrawnButton, StateChoosesRegionAndTextColour) {
    SDrawBasic keep;
    ButtonStyle& style = SDraw::res().buttons;
    QImage target = CreateCompatibleBitmap(100, 42);
    const QImage& strip = SDraw::res().table.images[0];
    auto paint = [&](UINT state) {
        target.fill(Qt::white);
        DC dc(&target);
        dc.SelectFont(SDraw::font(kFontText));
        DRAWITEMSTRUCT item;
        item.hDC = &dc;
        item.itemState = state;
        item.rcItem = {0, 0, 100, 42};
        item.text = u"MMMM";
        PaintOwnerDrawButton(style, item);
    };
    paint(ODS_DISABLED);
    EXPECT_EQ(target.pixel(1, 1), strip.pixel(217, 1));
    bool grey = false;
    for (int x = 0; x < 100 && !grey; ++x)
        for (int y = 0; y < 42 && !grey; ++y)
            grey = (target.pixel(x, y) & 0xffffff) == 0x808080;
    EXPECT_TRUE(grey) << "disabled text is grey";
    paint(ODS_SELECTED);
    EXPECT_EQ(target.pixel(1, 1), strip.pixel(21, 1));
    EXPECT_EQ(target.pixel(50, 1), strip.pixel(28, 1));
    paint(0);
    EXPECT_EQ(target.pixel(99, 1), strip.pixel(19, 1));
}

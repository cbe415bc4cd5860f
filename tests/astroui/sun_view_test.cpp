// The Sun rise/set view in the main window: the home city's times on the picked date in the
// locale's time format, the device zone's offset, the "Type:" list, polar day and night, the
// status bar's texts, and what is drawn where.
#include "astro/ui/sunview.h"

#include "astroui_support.h"
#include "shell/headerbar.h"
#include "toolkit/window/picture.h"

#include <QTest>

using namespace hv;
using namespace hv::astrotest;
using astroui::SunView;

namespace {

SunView* sunView(shell::MainWindow& w) {
    return static_cast<SunView*>(w.view(shell::kSunRiseSet));
}

// Dark (text) pixels inside a rectangle of a rendered window.
int darkPixels(const QImage& img, const tk::RECT& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += qGray(img.pixel(x, y)) < 96;
    return n;
}

// Chooses a row of the "Type:" list the way the stylus does.
void chooseType(SunView& v, int row) {
    tk::SDropList* list = v.typeList()->list();
    list->Open();
    ASSERT_TRUE(list->isOpen());
    const QPoint inRow(40, 2 + (row - list->firstVisible()) * list->rowHeight() +
                               list->rowHeight() / 2);
    QTest::mousePress(list->popup(), Qt::LeftButton, {}, inRow);
    QTest::mouseRelease(list->popup(), Qt::LeftButton, {}, inRow);
    QApplication::processEvents();
}

} // namespace

TEST_F(AstroViews, LondonAtMidsummerInTheDeviceZoneAndTheStatusBar) {
    fake.clockImpl.setZone(londonZone());
    fake.clockImpl.setLocal(at(2006, 6, 21, 10, 0));
    setHome(kEurope, kLondon);
    auto w = startWindow();
    showView(*w, shell::kSunRiseSet);
    SunView* v = sunView(*w);
    const QImage img = w->renderView(shell::kSunRiseSet);
    EXPECT_EQ(v->lines().day.times, (astro::SunTimes{283, 1281}));
    EXPECT_EQ(v->lines().sunrise, u"Sunrise:  04:43");
    EXPECT_EQ(v->lines().sunset, u"Sunset:  21:21");
    // The status bar's Sunrise and Sunset parts read the same texts.
    EXPECT_EQ(w->holder().headerBar->statusTexts()[0], v->lines().day.texts.rise);
    EXPECT_EQ(w->holder().headerBar->statusTexts()[1], v->lines().day.texts.set);

    // Drawn: the grey rule, the picture at (0,188), both lines and both labels.
    EXPECT_EQ(img.pixel(240, 135) & 0xffffff, 0xC0C0C0u);
    const QImage picture = tk::LoadImageResource(astroui::sunlayout::kPictureId);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(img.pixel(240, 188 + 36), picture.pixel(240, 36)) << "the noon Sun";
    EXPECT_EQ(img.pixel(100, 188 + 220), picture.pixel(100, 220));
    EXPECT_GT(darkPixels(img, astroui::sunlayout::kSunriseLine), 100);
    EXPECT_GT(darkPixels(img, astroui::sunlayout::kSunsetLine), 100);
    EXPECT_GT(darkPixels(img, astroui::sunlayout::kDateLabel), 30);
    EXPECT_GT(darkPixels(img, astroui::sunlayout::kTypeLabel), 30);
    EXPECT_EQ(darkPixels(img, {0, 54, 60, 82}), 0) << "the labels are right-aligned";
    maybeScreenshot(*w, QStringLiteral("sun-north"));

    // The same place in a device zone of UTC: both times move an hour earlier.
    fake.clockImpl.setZone(dev::zoneUtc());
    w->renderView(shell::kSunRiseSet);
    EXPECT_EQ(v->lines().day.times, (astro::SunTimes{223, 1221}));
}

TEST_F(AstroViews, TheTypeListChangesBothLines) {
    fake.clockImpl.setZone(londonZone());
    fake.clockImpl.setLocal(at(2006, 6, 21, 10, 0));
    setHome(kEurope, kLondon);
    auto w = startWindow();
    showView(*w, shell::kSunRiseSet);
    SunView* v = sunView(*w);
    ASSERT_NE(v->typeList(), nullptr);
    EXPECT_EQ(v->typeList()->list()->Item(1), u"Civil");
    const std::u16string rise = v->lines().sunrise, set = v->lines().sunset;

    chooseType(*v, 1); // the list's message reaches the view through the main window
    QApplication::processEvents();
    EXPECT_EQ(v->type(), 1);
    const astro::SunTimes civil = v->lines().day.times;
    EXPECT_NE(v->lines().sunrise, rise);
    EXPECT_NE(v->lines().sunset, set);
    EXPECT_LT(civil.rise, 283);
    EXPECT_GT(civil.set, 1281);
    // The status bar keeps the sunrise and sunset of "Rise and Set".
    EXPECT_EQ(w->holder().headerBar->statusTexts()[0], u"04:43");

    // No astronomical night in London at midsummer.
    chooseType(*v, 3);
    EXPECT_EQ(v->lines().sunrise, u"Sunrise:  --:--");
    EXPECT_EQ(v->lines().sunset, u"Sunset:  - - - - -");
}

TEST_F(AstroViews, PolarDayAndPolarNightShowThePlaceholders) {
    fake.clockImpl.setZone(fixedZone(60));
    fake.clockImpl.setLocal(at(2006, 6, 21, 12, 0));
    setHome(kEurope, kLongyearbyen);
    auto w = startWindow();
    showView(*w, shell::kSunRiseSet);
    SunView* v = sunView(*w);
    w->renderView(shell::kSunRiseSet);
    EXPECT_EQ(v->lines().day.times, (astro::SunTimes{-1, -1}));
    EXPECT_EQ(v->lines().sunrise, u"Sunrise:  --:--");
    EXPECT_EQ(v->lines().sunset, u"Sunset:  - - - - -");
    EXPECT_EQ(w->holder().headerBar->statusTexts()[0], u"--:--");
    EXPECT_EQ(w->holder().headerBar->statusTexts()[1], u"- - - - -");

    // Picking the winter solstice: the view follows the picker at the next tick.
    tk::DatePicker* picker = v->datePicker();
    ASSERT_NE(picker, nullptr);
    picker->SetDate(at(2006, 12, 21, 0, 0));
    picker->setChanged(true);
    fake.clockImpl.advanceMs(1000);
    w->tick();
    EXPECT_EQ(v->date().month, 12);
    EXPECT_EQ(v->lines().day.times, (astro::SunTimes{-1, -1}));
    EXPECT_EQ(v->lines().sunrise, u"Sunrise:  --:--");
    EXPECT_FALSE(picker->changed());

    // At the equinox the Sun rises and sets there too.
    picker->SetDate(at(2006, 3, 21, 0, 0));
    picker->setChanged(true);
    fake.clockImpl.advanceMs(1000);
    w->tick();
    EXPECT_GE(v->lines().day.times.rise, 0);
    EXPECT_GE(v->lines().day.times.set, 0);
    EXPECT_NE(v->lines().sunrise, u"Sunrise:  --:--");
}

TEST_F(AstroViews, SouthernHomeHasLongerDaysInDecember) {
    fake.clockImpl.setZone(dev::zoneSydney());
    fake.clockImpl.setLocal(at(2006, 6, 21, 12, 0));
    setHome(kAustralia, kSydney);
    auto w = startWindow();
    showView(*w, shell::kSunRiseSet);
    SunView* v = sunView(*w);
    w->renderView(shell::kSunRiseSet);
    const astro::SunTimes june = v->lines().day.times;
    maybeScreenshot(*w, QStringLiteral("sun-south"));
    v->datePicker()->SetDate(at(2006, 12, 21, 0, 0));
    w->renderView(shell::kSunRiseSet);
    const astro::SunTimes december = v->lines().day.times;
    ASSERT_GE(june.rise, 0);
    ASSERT_GE(december.rise, 0);
    EXPECT_GT(december.set - december.rise, june.set - june.rise + 3 * 60);
}

TEST_F(AstroViews, AnUntouchedPickerMovesOnAtMidnightWithTheStatusBar) {
    fake.clockImpl.setZone(londonZone());
    fake.clockImpl.setLocal(at(2006, 6, 21, 23, 59));
    setHome(kEurope, kLondon);
    auto w = startWindow();
    showView(*w, shell::kSunRiseSet);
    SunView* v = sunView(*w);
    fake.clockImpl.advanceMs(61 * 1000);
    w->tick();
    EXPECT_EQ(v->date().day, 22);
    EXPECT_EQ(v->lines().day.texts.rise, w->holder().headerBar->statusTexts()[0]);
    EXPECT_EQ(v->lines().day.texts.set, w->holder().headerBar->statusTexts()[1]);
    // A date the user picked stays.
    v->datePicker()->SetDate(at(2006, 3, 21, 0, 0));
    v->datePicker()->setChanged(true);
    fake.clockImpl.advanceMs(24 * 3600 * 1000);
    w->tick();
    w->tick();
    EXPECT_EQ(v->date().month, 3);
    // A date spun in the picker reaches the view through the main window at once.
    const dev::SystemTime before = v->date();
    v->datePicker()->pick()->selectField(0);
    v->datePicker()->pick()->spin(1);
    EXPECT_FALSE(v->datePicker()->changed());
    EXPECT_NE(v->date().day, before.day);
    fake.clockImpl.advanceMs(24 * 3600 * 1000);
    w->tick();
    EXPECT_EQ(v->date().month, 3);
}

TEST_F(AstroViews, NoHomeCityGivesThePlaceholders) {
    std::filesystem::remove(fake.host(dataFilePath(u"europe.cdb")));
    std::filesystem::remove(fake.host(dataFilePath(u"australia.cdb")));
    fake.clockImpl.setLocal(at(2006, 6, 21, 12, 0));
    auto w = startWindow();
    showView(*w, shell::kSunRiseSet);
    w->renderView(shell::kSunRiseSet);
    EXPECT_EQ(sunView(*w)->lines().sunrise, u"Sunrise:  --:--");
    EXPECT_EQ(sunView(*w)->lines().sunset, u"Sunset:  - - - - -");
}

// The World Time view in the main window: the night side copied from the night picture at a set
// UTC time, the marks of the two cities, a tap moving mark B, and the city panels' time and date,
// painted again only when a city's minute changes.
#include "cities/ui/worldtimeview.h"

#include "astro/terminator.h"
#include "cities/ui/citiesuitexts.h"
#include "citiesui_support.h"
#include "images/images.h"
#include "shellcore/shellcore.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/picture.h"

#include <QTest>

using namespace hv;
using namespace hv::citiestest;
using citiesui::STMap;
using citiesui::WorldTimeView;

namespace {

WorldTimeView* worldTime(shell::MainWindow& w) {
    return static_cast<WorldTimeView*>(w.view(shell::kWorldTime));
}

QImage picture(int id) {
    return tk::LoadImageResource(id).convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST_F(CitiesWindow, NightSideComesFromTheNightPictureAndTheDaySideFromTheDayPicture) {
    // 8 December, 12:00 UTC: noon at longitude 0, midnight at 180; the northern winter.
    writeSettings();
    auto w = startWindow();
    showView(*w, shell::kWorldTime);
    maybeScreenshot(*w, QStringLiteral("worldtime-december"));
    const QImage img = w->renderView(shell::kWorldTime);
    const QImage day = picture(STMap::kDayPicture);
    const QImage night = picture(STMap::kNightPicture);
    ASSERT_EQ(day.size(), QSize(480, 240));
    ASSERT_EQ(night.size(), day.size());
    const int y0 = STMap::kPosition.y;
    // Noon on the equator, and the Sahara in the afternoon: day.
    for (const QPoint p : {QPoint(240, 120), QPoint(270, 90)})
        EXPECT_EQ(pixel(img, p.x(), y0 + p.y()), day.pixel(p) & 0xffffff) << p.x() << "," << p.y();
    // Midnight at the date line, and the Arctic in winter at noon: night.
    for (const QPoint p : {QPoint(3, 120), QPoint(476, 140), QPoint(240, 8)})
        EXPECT_EQ(pixel(img, p.x(), y0 + p.y()), night.pixel(p) & 0xffffff)
            << p.x() << "," << p.y();
    // Antarctica has the midnight sun.
    EXPECT_EQ(pixel(img, 3, y0 + 232), day.pixel(3, 232) & 0xffffff);
    // Every pixel is either picture's, as the terminator says.
    const dev::SystemTime utc = dev::getSystemTime();
    const astro::Terminator t = astro::TerminatorAt(utc, 480, 240);
    int nights = 0;
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 480; x += 5) {
            const bool dark = astro::IsNight(t, x, y);
            nights += dark;
            const QImage& from = dark ? night : day;
            const STMap& map = worldTime(*w)->map();
            (void)map;
            if (std::abs(y - 49) < 6 || std::abs(y - 62) < 6)
                continue; // the two marks
            ASSERT_EQ(pixel(img, x, y0 + y), from.pixel(x, y) & 0xffffff) << x << "," << y;
        }
    EXPECT_GT(nights, 500);
}

TEST_F(CitiesWindow, MapWithShadingOffAndTheRulesAndPanels) {
    writeSettings();
    auto w = startWindow();
    showView(*w, shell::kWorldTime);
    WorldTimeView* v = worldTime(*w);
    const QImage img = w->renderView(shell::kWorldTime);
    // The blue rules and the grey divider between the panels.
    EXPECT_EQ(pixel(img, 100, 294), 0x8080E0u);
    EXPECT_EQ(pixel(img, 100, 484), 0x8080E0u);
    EXPECT_EQ(pixel(img, 241, 400), 0xC0C0C0u);
    // London (A) and New York (B) at 12:00 UTC in December: 12:00 PM and 7:00 AM, Tue 12/08.
    EXPECT_EQ(v->item(0).cityTime().hour, 12);
    EXPECT_EQ(v->item(1).cityTime().hour, 7);
    EXPECT_GT(darkPixels(img, v->item(0).timeRect()), 40);
    EXPECT_GT(darkPixels(img, v->item(1).dateRect()), 40);
    EXPECT_EQ(citiesui::CityDateText(v->item(1).cityTime(), app().locale), u"Tue, 12/08");

    // Without shading only the day picture and the marks.
    STMap& map = v->map();
    map.setShading(false);
    const QImage plain = map.compose(dev::getSystemTime());
    EXPECT_EQ(plain.pixel(3, 120), picture(STMap::kDayPicture).pixel(3, 120));
    map.setShading(true);

    // At scale 2 the map is drawn from the pictures made three times larger, the terminator
    // computed for each of its 960 columns: night at the date line, day at noon.
    const QImage big = images::loadDetailed(STMap::kNightPicture);
    ASSERT_EQ(big.size(), QSize(1440, 720));
    const QImage sharp = map.compose(dev::getSystemTime(), 2);
    ASSERT_EQ(sharp.size(), QSize(960, 480));
    EXPECT_EQ(sharp.devicePixelRatio(), 2);
    const QImage nightAt2 = big.convertToFormat(QImage::Format_RGB32)
                                .scaled(960, 480, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_EQ(sharp.pixel(6, 240), nightAt2.pixel(6, 240));
    EXPECT_NE(sharp.pixel(480, 240), nightAt2.pixel(480, 240));
}

TEST_F(CitiesWindow, MarksSitWhereTheCitiesAreAndATapMovesMarkB) {
    writeSettings();
    auto w = startWindow();
    showView(*w, shell::kWorldTime);
    STMap& map = worldTime(*w)->map();
    // London 51 N 0 W: (240 - 0, 118 - trunc(51 * 4/3 + 1.5)) = (240, 49).
    EXPECT_EQ(map.markA(), (citiesui::MapMark{51, 0, true, false}));
    QImage img = map.compose(dev::getSystemTime());
    EXPECT_EQ(img.pixel(240, 49) & 0xffffff, 0xFF4040u);
    EXPECT_EQ(img.pixel(238, 47) & 0xffffff, 0xFFC0C0u);

    // A city at 0 N 0 E is marked at (w/2, (h - 4)/2 - 1).
    map.setMarks({0, 0, true, true}, map.markB());
    img = map.compose(dev::getSystemTime());
    EXPECT_EQ(img.pixel(240, 117) & 0xffffff, 0xFF4040u);
    EXPECT_EQ(img.pixel(241, 118) & 0xffffff, 0xFF4040u);
    EXPECT_EQ(img.pixel(239, 117) & 0xffffff, 0xFFC0C0u);

    // A tap on the map (Tokyo's neighbourhood, 35 N 139 E) moves mark B there.
    const astro::MapPoint tokyo = astro::MarkPosition(35, 139, true, true, 480, 240);
    QTest::mouseClick(map.hwnd(), Qt::LeftButton, {}, QPoint(tokyo.x, tokyo.y));
    QApplication::processEvents();
    EXPECT_EQ(map.markB(), (citiesui::MapMark{35, 139, true, true}));
    img = map.compose(dev::getSystemTime());
    EXPECT_EQ(img.pixel(tokyo.x, tokyo.y) & 0xffffff, 0x4040FFu);
    // South and west too.
    const astro::MapPoint lima = astro::MarkPosition(12, 77, false, false, 480, 240);
    QTest::mouseClick(map.hwnd(), Qt::LeftButton, {}, QPoint(lima.x, lima.y));
    EXPECT_EQ(map.markB(), (citiesui::MapMark{12, 77, false, false}));
}

TEST_F(CitiesWindow, PanelsRepaintOnlyWhenTheMinuteChanges) {
    writeSettings();
    auto w = startWindow();
    showView(*w, shell::kWorldTime);
    WorldTimeView* v = worldTime(*w);
    QImage canvas(480, 640, QImage::Format_RGB32);
    tk::DC dc(&canvas);
    v->paint(dc);
    const int before = v->item(0).paints();
    for (int s = 0; s < 59; ++s) {
        fake.clockImpl.advanceMs(1000);
        v->tick(dc, dev::getLocalTime());
    }
    EXPECT_EQ(v->item(0).paints(), before) << "same minute: nothing painted";
    fake.clockImpl.advanceMs(1000);
    v->tick(dc, dev::getLocalTime());
    EXPECT_EQ(v->item(0).paints(), before + 1);
    EXPECT_EQ(v->item(0).paintedTime().minute, 1);
}

TEST_F(CitiesWindow, TheNightSideFollowsAClockSetOnByWholeHours) {
    writeSettings();
    auto w = startWindow();
    showView(*w, shell::kWorldTime);
    WorldTimeView* v = worldTime(*w);
    QImage canvas(480, 640, QImage::Format_RGB32);
    tk::DC dc(&canvas);
    v->paint(dc);
    const QImage before = tk::WindowPixels(v->map().hwnd());
    // Twelve hours on, the same minute of the hour: the next tick draws midnight at longitude 0.
    fake.clockImpl.advanceMs(12 * 3600 * 1000);
    v->tick(dc, dev::getLocalTime());
    const QImage after = tk::WindowPixels(v->map().hwnd());
    EXPECT_NE(after, before);
    EXPECT_EQ(after.pixel(240, 120) & 0xffffff,
              picture(STMap::kNightPicture).pixel(240, 120) & 0xffffff);
}

TEST_F(CitiesWindow, WorldTimeCitiesComeFromTheSettingsAndGoBackAtExit) {
    writeSettings([](SettingsRecord& s) {
        s.worldTimeCityA = {kEurope, kBerlin};
        s.worldTimeCityB = {kNorthAmerica, kNewYork};
    });
    auto w = startWindow();
    showView(*w, shell::kWorldTime);
    WorldTimeView* v = worldTime(*w);
    EXPECT_EQ(v->item(0).picker().record()->nameView(), u"Berlin");
    ASSERT_TRUE(v->item(1).picker().select(kEurope, kLondon));
    SettingsRecord s{};
    v->storeExitState(s);
    EXPECT_EQ(s.worldTimeCityA, (CityPair{kEurope, kBerlin}));
    EXPECT_EQ(s.worldTimeCityB, (CityPair{kEurope, kLondon}));
}

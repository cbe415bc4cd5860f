// The Moon Phases view in the main window: the principal phases in time order with local times
// and short dates, the apsis and age texts, the values against the core's figures for the same
// instant, and the phase picture and icons, mirrored for a southern home city.
#include "astro/ui/moonview.h"

#include "astroui_support.h"
#include "device/format.h"
#include "toolkit/window/picture.h"

#include <QRegularExpression>

#include <set>

using namespace hv;
using namespace hv::astrotest;
using astroui::MoonView;
namespace ml = astroui::moonlayout;

namespace {

MoonView* moonView(shell::MainWindow& w) {
    return static_cast<MoonView*>(w.view(shell::kMoonPhases));
}

bool matches(const std::u16string& text, const char* pattern) {
    return QRegularExpression(QString::fromLatin1(pattern))
        .match(QString::fromStdU16String(text))
        .hasMatch();
}

// The phase picture as the view should show it: the background with the picture's frame over
// it, white left out.
QImage expectedPicture(int index) {
    QImage img = tk::LoadImageResource(ml::kBackgroundId).convertToFormat(QImage::Format_RGB32);
    const QImage strip = tk::LoadImageResource(index < 12 ? ml::kFirstStripId : ml::kSecondStripId)
                             .convertToFormat(QImage::Format_RGB32);
    const int x0 = (index % 12) * ml::kPictureSize;
    for (int y = 0; y < ml::kPictureSize; ++y)
        for (int x = 0; x < ml::kPictureSize; ++x)
            if ((strip.pixel(x0 + x, y) & 0xffffff) != 0xffffff)
                img.setPixel(x, y, strip.pixel(x0 + x, y));
    return img;
}

// How many pixels of a region of the window differ from a picture.
int differences(const QImage& window, int left, int top, const QImage& picture, int sx = 0,
                int w = -1) {
    if (w < 0)
        w = picture.width();
    int n = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < w; ++x)
            n += (window.pixel(left + x, top + y) & 0xffffff) !=
                 (picture.pixel(sx + x, y) & 0xffffff);
    return n;
}

// Sets the device clock to a UTC Julian day.
void setClockToJulianDay(dev::FakeDevice& fake, double jd) {
    dev::FileTime ft = 0;
    ASSERT_TRUE(astro::FileTimeOfJulianDay(jd, ft));
    fake.clockImpl.setUtc(ft);
}

} // namespace

TEST_F(AstroViews, MoonViewListsTheNextPhasesInTimeOrderWithLocalTimes) {
    fake.clockImpl.setZone(dev::zoneCentralEurope());
    fake.clockImpl.setLocal(at(2006, 1, 1, 12, 0));
    setHome(kEurope, kLondon);
    auto w = startWindow();
    showView(*w, shell::kMoonPhases);
    const QImage img = w->renderView(shell::kMoonPhases);
    MoonView* v = moonView(*w);
    const astro::MoonReport& r = v->report();
    const astroui::MoonPanel& p = v->panel();
    const astro::PhaseKind kinds[] = {astro::PhaseKind::FirstQuarter, astro::PhaseKind::Full,
                                      astro::PhaseKind::LastQuarter, astro::PhaseKind::New};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r.phases.next[i].kind, kinds[i]) << i;
        if (i > 0) {
            EXPECT_GT(r.phases.next[i].jd, r.phases.next[i - 1].jd);
        }
        EXPECT_EQ(p.phases[i].icon, static_cast<int>(kinds[i]));
    }
    // 18:57 and 15:14 UTC, an hour later in the device zone, in the locale's formats.
    EXPECT_EQ(p.phases[0].time, u"19:57");
    EXPECT_EQ(p.phases[0].date, u"06/01/2006");
    EXPECT_EQ(p.phases[2].time, u"16:14");
    EXPECT_EQ(p.phases[2].date, u"22/01/2006");

    // The values are the core's figures for the same instant.
    const astro::MoonReport core = astro::EvaluateMoon(astro::MoonClockNow(), false);
    EXPECT_EQ(r.clock.jd, core.clock.jd);
    EXPECT_EQ(p.visible, QString::number(core.position.visible).toStdU16String() + u"%");
    EXPECT_EQ(p.distance, QString::number(core.position.distanceKm).toStdU16String() + u" km");
    EXPECT_EQ(p.age, core.age);
    EXPECT_EQ(p.phase, astro::PhaseNameText(core.look.name));
    EXPECT_TRUE(matches(p.age, "^\\d+d \\d{1,2}h \\d{1,2}m$"))
        << QString::fromStdU16String(p.age).toStdString();
    // Apogee and perigee: "h:mm tt", "dd MMM yyyy" and " km", in local time.
    for (const auto* a : {&p.apogee, &p.perigee}) {
        EXPECT_TRUE(matches(a->time, "^\\d{1,2}:\\d\\d (am|pm|AM|PM)$"))
            << QString::fromStdU16String(a->time).toStdString();
        EXPECT_TRUE(matches(a->date, "^\\d\\d [A-Z][a-z]{2} \\d{4}$"))
            << QString::fromStdU16String(a->date).toStdString();
        EXPECT_TRUE(matches(a->distance, "^\\d{6} km$"));
    }
    const dev::SystemTime apogee = astroui::localTimeOfJulianDay(core.apsides.apogee.jd);
    EXPECT_EQ(p.apogee.date, dev::dateText(apogee, u"dd MMM yyyy"));
    EXPECT_EQ(p.perigee.distance,
              QString::number(core.apsides.perigee.km).toStdU16String() + u" km");

    // Drawn: the black panel, the white rule, the picture and the icons, the yellow labels.
    EXPECT_EQ(img.pixel(470, 300) & 0xffffff, 0u);
    EXPECT_EQ(img.pixel(240, 333) & 0xffffff, 0xFFFFFFu);
    EXPECT_EQ(differences(img, ml::kPicture.x, ml::kPicture.y, expectedPicture(p.picture)), 0);
    const QImage icons = tk::LoadImageResource(ml::kIconStripId);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(differences(img, ml::kPhaseSlots[i].x, ml::kPhaseSlots[i].y, icons,
                              p.phases[i].icon * 64, 64),
                  0)
            << i;
    int yellow = 0;
    for (int y = 56; y < 84; ++y)
        for (int x = 230; x < 330; ++x)
            yellow += (img.pixel(x, y) & 0xffffff) == 0xFFCE31u;
    EXPECT_GT(yellow, 20) << "the \"Phase:\" label";
    maybeScreenshot(*w, QStringLiteral("moon-north"));
}

TEST_F(AstroViews, SouthernHomeMirrorsThePictureAndTheIcons) {
    fake.clockImpl.setZone(dev::zoneSydney());
    fake.clockImpl.setLocal(at(2006, 1, 10, 21, 0)); // a waxing gibbous Moon
    setHome(kAustralia, kSydney);
    auto w = startWindow();
    showView(*w, shell::kMoonPhases);
    const QImage img = w->renderView(shell::kMoonPhases);
    MoonView* v = moonView(*w);
    ASSERT_TRUE(v->southern());
    const astro::MoonReport north = astro::EvaluateMoon(astro::MoonClockNow(), false);
    ASSERT_NE(north.look.picture, 0);
    ASSERT_NE(north.look.picture, 12);
    EXPECT_EQ(v->panel().picture, 24 - north.look.picture);
    EXPECT_EQ(
        differences(img, ml::kPicture.x, ml::kPicture.y, expectedPicture(24 - north.look.picture)),
        0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(v->panel().phases[i].icon, (4 - static_cast<int>(north.phases.next[i].kind)) % 4)
            << i;
    maybeScreenshot(*w, QStringLiteral("moon-south"));
}

TEST_F(AstroViews, NewAndFullMoonPicturesAreTheSameInBothHemispheres) {
    struct Case {
        double k;
        int picture;
        const char16_t* name;
    };
    // The new moon of 2006-01-29 and the full moon of 2006-01-14.
    for (const Case c : {Case{74.0, 0, u"New Moon"}, Case{73.5, 12, u"Full Moon"}}) {
        for (const int home : {kLondon, kSydney}) {
            const bool south = home == kSydney;
            resetAppState();
            setClockToJulianDay(fake, astro::PhaseTime(c.k));
            setHome(south ? kAustralia : kEurope, home);
            auto w = startWindow();
            const QImage img = w->renderView(shell::kMoonPhases);
            MoonView* v = moonView(*w);
            EXPECT_EQ(v->southern(), south);
            EXPECT_EQ(v->panel().picture, c.picture) << c.k << " south " << south;
            EXPECT_EQ(v->panel().phase, c.name);
            EXPECT_EQ(differences(img, ml::kPicture.x, ml::kPicture.y, expectedPicture(c.picture)),
                      0);
        }
    }
}

TEST_F(AstroViews, MoonTickRedrawsWhenTheMinuteTurns) {
    fake.clockImpl.setLocal(at(2006, 1, 1, 12, 0));
    setHome(kEurope, kLondon);
    auto w = startWindow();
    showView(*w, shell::kMoonPhases);
    MoonView* v = moonView(*w);
    w->renderView(shell::kMoonPhases);
    const std::u16string age = v->panel().age;
    fake.clockImpl.advanceMs(61 * 1000);
    w->tick();
    EXPECT_NE(v->panel().age, age) << "a minute later";
    EXPECT_EQ(v->report().clock.jd, astro::MoonClockNow().jd);
}

TEST_F(AstroViews, MoonPanelTextsNeverRunIntoEachOther) {
    // A whole lunation, one composition a day: every phase name and many widths of the values.
    fake.clockImpl.setLocal(at(2006, 1, 1, 0, 0));
    setHome(kEurope, kLondon);
    auto w = startWindow();
    MoonView* v = moonView(*w);
    std::set<std::u16string> names;
    for (int day = 0; day < 30; ++day) {
        v->compose(astro::MoonClockOf(2006, 1, 1 + day, 6, 0, 0));
        names.insert(v->panel().phase);
        const QImage& img = v->composed();
        for (int line = ml::kLinePhase; line <= ml::kLinePerigeeDate; ++line) {
            // The widest run of empty columns between the first and the last inked one: the
            // space between label (or date) and value, far wider than a word space.
            const tk::RECT r = astroui::moonLineRect(line);
            int first = -1, last = -1, gap = 0, run = 0;
            for (int x = r.left - 10; x < r.right + 10; ++x) {
                bool ink = false;
                for (int y = r.top; y < r.bottom && !ink; ++y)
                    ink = qGray(img.pixel(x, y)) > 60;
                if (ink) {
                    if (first < 0)
                        first = x;
                    else
                        gap = std::max(gap, run);
                    last = x;
                    run = 0;
                } else {
                    ++run;
                }
            }
            EXPECT_GE(first, r.left) << "day " << day << " line " << line;
            EXPECT_LT(last, r.right) << "day " << day << " line " << line;
            EXPECT_GE(gap, 24) << "day " << day << " line " << line;
        }
    }
    EXPECT_TRUE(names.count(u"Waxing Crescent") && names.count(u"Waning Crescent") &&
                names.count(u"Waxing Gibbous") && names.count(u"Waning Gibbous"));
}

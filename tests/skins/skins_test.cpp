// The three watch skins in the main window: the digits of the 12-hour and 24-hour displays, the
// AM/PM marks, the hands cut from strips and mirrored, the alarm and chime indicators, the date's
// order, the hidden view list a tap opens, and the screen-saver mode with its single skin.
#include "app/viewregistry.h"
#include "clockface/watchparts.h"
#include "device/fake.h"
#include "device/files.h"
#include "device/text.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"
#include "tests/support/settime.h"
#include "toolkit/window/dc.h"
#include "toolkit/window/picture.h"
#include "views/skins/anadigilikeview.h"
#include "views/skins/casiolikeview.h"
#include "views/skins/citizenlikeview.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>

using namespace hv;
using skins::MAnaDigiLike;
using skins::MCasioLike;
using skins::MCitizenLike;
using skins::WatchSkin;
using tk::COLORREF;
using tk::POINT;
using tk::RECT;

namespace {

using testsupport::at;

QRgb rgb(COLORREF c) {
    return qRgb(tk::GetRValue(c), tk::GetGValue(c), tk::GetBValue(c)) & 0xffffff;
}

// Whether a cell of the picture shows one frame of a digit list (from column `from` of the cell
// on).
bool showsFrame(const QImage& img, const tk::ImageList& list, int index, POINT at, int from = 0) {
    const QImage& f = list.frames();
    for (int y = 0; y < list.frameHeight(); ++y)
        for (int x = from; x < list.frameWidth(); ++x)
            if ((img.pixel(at.x + x, at.y + y) & 0xffffff) !=
                (f.pixel(index * list.frameWidth() + x, y) & 0xffffff))
                return false;
    return true;
}

bool plain(const QImage& img, const RECT& r, COLORREF c) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if ((img.pixel(x, y) & 0xffffff) != rgb(c))
                return false;
    return true;
}

// How many pixels of the rectangle differ from the background picture.
int changed(const QImage& img, const QImage& background, const RECT& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += (img.pixel(x, y) & 0xffffff) != (background.pixel(x, y) & 0xffffff);
    return n;
}

// Where each skin writes the hour and minute digits, and its digit list.
// The Ana-Digi's AM/PM mark, drawn after the digits, covers the first two columns of the hour's
// tens cell.
struct SkinDigits {
    int view;
    int digitsId;
    std::array<POINT, 4> cells; // hour tens, hour units, minute tens, minute units
    int tensFrom;               // the first column of the tens cell the mark leaves alone
};
const SkinDigits kSkinDigits[] = {
    {shell::kCitizenLike,
     MCitizenLike::kDigitsId,
     {{{188, 393}, {206, 393}, {231, 393}, {249, 393}}},
     0},
    {shell::kCasioLike,
     MCasioLike::kTimeDigitsId,
     {{{112, 345}, {149, 345}, {199, 345}, {236, 345}}},
     0},
    {shell::kAnaDigiLike,
     MAnaDigiLike::kDigitsId,
     {{{258, 327}, {281, 327}, {315, 327}, {338, 327}}},
     2},
};

class Skins : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fake.localeImpl.set(dev::LocaleData::fromName("en_US"));
        fake.clockImpl.setZone(dev::zoneUtc());
        setClock(at(2026, 3, 14, 10, 8, 37));
    }
    void TearDown() override {
        w.reset();
        QApplication::processEvents();
        resetAppState();
    }
    void setClock(const dev::SystemTime& t) { fake.clockImpl.setLocal(t); }

    shell::MainWindow& start(shell::CommandLine cmd = {}) {
        w = std::make_unique<shell::MainWindow>(cmd, registry::makeView);
        w->homeLocationDiffers = [] { return false; };
        EXPECT_TRUE(w->start());
        QApplication::processEvents();
        return *w;
    }
    void use12Hour() { app().locale.locale24Hour = 0; }
    void use24Hour() { app().locale.locale24Hour = 1; }

    WatchSkin* skin(int v) { return dynamic_cast<WatchSkin*>(w->view(v)); }
    void showView(int v) {
        w->setSelectedView(v);
        w->switchView();
        QApplication::processEvents();
    }
    // The skin's full paint at scale 1, as its window shows it.
    QImage render(int v) {
        if (w->currentView() != v && !w->screenSaverMode())
            showView(v);
        QImage img(480, 640, QImage::Format_RGB32);
        img.fill(Qt::magenta);
        tk::DC dc(&img);
        w->view(v)->paint(dc);
        return img;
    }
    QImage background(int v) {
        const int id = v == shell::kCitizenLike ? MCitizenLike::kBackgroundId
                       : v == shell::kCasioLike ? MCasioLike::kBackgroundId
                                                : MAnaDigiLike::kBackgroundId;
        return tk::LoadImageResource(id).convertToFormat(QImage::Format_RGB32);
    }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    std::unique_ptr<shell::MainWindow> w;
};

} // namespace

TEST_F(Skins, MidnightShowsTwelveWithTheMorningMarkOnEverySkin) {
    setClock(at(2026, 3, 14, 0, 5, 0));
    start();
    use12Hour();
    for (const SkinDigits& s : kSkinDigits) {
        SCOPED_TRACE(s.view);
        const QImage img = render(s.view);
        const tk::ImageList digits = tk::LoadStrip(s.digitsId, 10, false, -1);
        EXPECT_TRUE(showsFrame(img, digits, 1, s.cells[0], s.tensFrom));
        EXPECT_TRUE(showsFrame(img, digits, 2, s.cells[1]));
        EXPECT_TRUE(showsFrame(img, digits, 0, s.cells[2]));
        EXPECT_TRUE(showsFrame(img, digits, 5, s.cells[3]));
    }
    // The before-noon mark shows and the afternoon one does not.
    const QImage citizen = render(shell::kCitizenLike);
    EXPECT_TRUE(plain(citizen, MCitizenLike::kPmMark, MCitizenLike::kLcd));
    EXPECT_FALSE(plain(citizen, MCitizenLike::kAmMark, MCitizenLike::kLcd));
    const QImage casio = render(shell::kCasioLike);
    EXPECT_TRUE(plain(casio, MCasioLike::kPmMark, MCasioLike::kLcd));
    EXPECT_FALSE(plain(casio, MCasioLike::kAmMark, MCasioLike::kLcd));
    const QImage anaDigi = render(shell::kAnaDigiLike);
    const tk::ImageList marks =
        tk::LoadStrip(MAnaDigiLike::kMarksId, 2, true, tk::RGB(255, 255, 255));
    const QImage am = marks.frames().copy(0, 0, 10, 6);
    int inked = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            if (qAlpha(am.pixel(x, y)) != 0) {
                ++inked;
                EXPECT_EQ(anaDigi.pixel(250 + x, 332 + y) & 0xffffff, am.pixel(x, y) & 0xffffff);
            }
    EXPECT_GT(inked, 8);
}

TEST_F(Skins, AfternoonHourHasNoTensDigitAndTheAfternoonMark) {
    setClock(at(2026, 3, 14, 13, 5, 0));
    start();
    use12Hour();
    for (const SkinDigits& s : kSkinDigits) {
        SCOPED_TRACE(s.view);
        const QImage img = render(s.view);
        const tk::ImageList digits = tk::LoadStrip(s.digitsId, 10, false, -1);
        const RECT tens{s.cells[0].x + s.tensFrom, s.cells[0].y, s.cells[0].x + digits.frameWidth(),
                        s.cells[0].y + digits.frameHeight()};
        EXPECT_TRUE(plain(img, tens, skin(s.view)->lcdColour()));
        EXPECT_TRUE(showsFrame(img, digits, 1, s.cells[1]));
        EXPECT_TRUE(showsFrame(img, digits, 0, s.cells[2]));
        EXPECT_TRUE(showsFrame(img, digits, 5, s.cells[3]));
    }
    const QImage citizen = render(shell::kCitizenLike);
    EXPECT_TRUE(plain(citizen, MCitizenLike::kAmMark, MCitizenLike::kLcd));
    EXPECT_FALSE(plain(citizen, MCitizenLike::kPmMark, MCitizenLike::kLcd));
}

TEST_F(Skins, CasioTickBringsBackTheMarkThatAppliesAtNoon) {
    setClock(at(2026, 3, 14, 11, 59, 59));
    start();
    use12Hour();
    QImage img = render(shell::kCasioLike);
    EXPECT_TRUE(plain(img, MCasioLike::kPmMark, MCasioLike::kLcd));
    tk::DC dc(&img);
    // Ticks alone, across noon: the afternoon mark comes back and the tens digit stays correct.
    w->view(shell::kCasioLike)->tick(dc, at(2026, 3, 14, 12, 0, 0));
    w->view(shell::kCasioLike)->tick(dc, at(2026, 3, 14, 13, 0, 0));
    EXPECT_TRUE(plain(img, MCasioLike::kAmMark, MCasioLike::kLcd));
    EXPECT_EQ(changed(img, background(shell::kCasioLike), MCasioLike::kPmMark), 0);
    const tk::ImageList digits = tk::LoadStrip(MCasioLike::kTimeDigitsId, 10, false, -1);
    EXPECT_TRUE(plain(img, {112, 345, 112 + 31, 345 + 51}, MCasioLike::kLcd));
    EXPECT_TRUE(showsFrame(img, digits, 1, {149, 345}));
    // A new day moves the day-of-week bar: the old one goes.
    w->view(shell::kCasioLike)->tick(dc, at(2026, 3, 15, 0, 0, 0));
    dev::SystemTime sunday = at(2026, 3, 15, 0, 0, 0);
    sunday.dayOfWeek = 0;
    dev::SystemTime saturday = at(2026, 3, 14, 23, 59, 59);
    saturday.dayOfWeek = 6;
    w->view(shell::kCasioLike)->tick(dc, saturday);
    w->view(shell::kCasioLike)->tick(dc, sunday);
    EXPECT_TRUE(plain(img, MCasioLike::dayBar(6), MCasioLike::kLcd));
    EXPECT_TRUE(plain(img, MCasioLike::dayBar(0), tk::RGB(0, 0, 0)));
}

TEST_F(Skins, TwentyFourHourModeHidesTheMarks) {
    setClock(at(2026, 3, 14, 9, 5, 0));
    start();
    use24Hour();
    const QImage citizen = render(shell::kCitizenLike);
    EXPECT_TRUE(plain(citizen, MCitizenLike::kBothMarks, MCitizenLike::kLcd));
    const tk::ImageList digits = tk::LoadStrip(MCitizenLike::kDigitsId, 10, false, -1);
    EXPECT_TRUE(showsFrame(citizen, digits, 0, {188, 393})); // the zero tens digit shows
    EXPECT_TRUE(showsFrame(citizen, digits, 9, {206, 393}));
    const QImage casio = render(shell::kCasioLike);
    EXPECT_TRUE(plain(casio, MCasioLike::kBothMarks, MCasioLike::kLcd));
    const QImage anaDigi = render(shell::kAnaDigiLike);
    EXPECT_EQ(changed(anaDigi, background(shell::kAnaDigiLike), {250, 332, 258, 338}), 0);
}

TEST_F(Skins, CitizenDayDialAtTenIsFrameFiveMirroredTopToBottom) {
    setClock(at(2026, 3, 14, 10, 0, 15));
    start();
    const QImage img = render(shell::kCitizenLike);
    clockface::HandStrip dial;
    ASSERT_TRUE(dial.load(MCitizenLike::kDayDialHandId));
    // The frame as the hand should stand: frame 5 turned upside down, its bottom edge at y 360.
    const QImage strip = tk::LoadImageResource(MCitizenLike::kDayDialHandId)
                             .convertToFormat(QImage::Format_RGB32)
                             .copy(5 * 44, 0, 44, 44)
                             .mirrored(false, true);
    int hand = 0, same = 0;
    // Below the pivot row the other hands do not reach the sub-dial at 10:00:15.
    for (int y = 8; y < 44; ++y)
        for (int x = 0; x < 44; ++x) {
            const QRgb want = strip.pixel(x, y) & 0xffffff;
            if (want == 0)
                continue;
            ++hand;
            same += (img.pixel(168 + x, 316 + y) & 0xffffff) == want;
        }
    EXPECT_GT(hand, 20);
    EXPECT_GE(same, hand * 95 / 100);
}

TEST_F(Skins, MinuteHandAtTheQuarterHoursUsesTheMirroredFrames) {
    start();
    clockface::HandStrip minute;
    ASSERT_TRUE(minute.load(MCitizenLike::kMinuteHandId));
    const POINT pivot{240, 321};
    struct Case {
        int position;
        POINT tip; // a point on the hand near its end
    };
    // 15: right; 16: right, a little down; 45: left; 46: left, a little up.
    const Case cases[] = {{15, {pivot.x + 100, pivot.y}},
                          {16, {pivot.x + 99, pivot.y + 11}},
                          {45, {pivot.x - 100, pivot.y}},
                          {46, {pivot.x - 99, pivot.y - 11}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        QImage img(480, 640, QImage::Format_RGB32);
        img.fill(Qt::black);
        {
            tk::DC dc(&img);
            minute.draw(dc, c.position, MCitizenLike::kMinuteHand);
        }
        EXPECT_NE(img.pixel(c.tip.x, c.tip.y) & 0xffffff, 0u);
        EXPECT_NE(img.pixel(pivot.x, pivot.y) & 0xffffff, 0u); // the pivot stays put
        // Nothing on the opposite side.
        EXPECT_EQ(img.pixel(2 * pivot.x - c.tip.x, 2 * pivot.y - c.tip.y) & 0xffffff, 0u);
    }
}

TEST_F(Skins, IndicatorsShowOnlyForAnEnabledAlarmAndTheChime) {
    start();
    app().settings.chimeOn = 0;
    struct Areas {
        int view;
        RECT alarm, chime;
    };
    const Areas areas[] = {
        {shell::kCitizenLike, MCitizenLike::kAlarmIndicator, MCitizenLike::kChimeIndicator},
        {shell::kCasioLike, MCasioLike::kAlarmIndicator, MCasioLike::kChimeIndicator},
        {shell::kAnaDigiLike, MAnaDigiLike::kAlarmIndicator, MAnaDigiLike::kChimeIndicator}};
    for (const Areas& a : areas) {
        SCOPED_TRACE(a.view);
        const QImage img = render(a.view);
        EXPECT_FALSE(skin(a.view)->alarmOn());
        EXPECT_TRUE(plain(img, a.alarm, skin(a.view)->lcdColour()));
        EXPECT_TRUE(plain(img, a.chime, skin(a.view)->lcdColour()));
    }
    items::alarms().records[6].enabled = 1;
    app().settings.chimeOn = 1;
    for (const Areas& a : areas) {
        SCOPED_TRACE(a.view);
        showView(shell::kGeneral); // the alarm flag is taken when the skin is shown
        const QImage img = render(a.view);
        EXPECT_TRUE(skin(a.view)->alarmOn());
        EXPECT_FALSE(plain(img, a.alarm, skin(a.view)->lcdColour()));
        EXPECT_FALSE(plain(img, a.chime, skin(a.view)->lcdColour()));
        EXPECT_EQ(changed(img, background(a.view), a.alarm), 0);
        EXPECT_EQ(changed(img, background(a.view), a.chime), 0);
    }
}

TEST_F(Skins, DateDigitsFollowTheShortDateOrder) {
    setClock(at(2026, 3, 7, 10, 8, 37));
    start();
    const tk::ImageList citizenDigits = tk::LoadStrip(MCitizenLike::kDigitsId, 10, false, -1);
    const tk::ImageList casioDigits = tk::LoadStrip(MCasioLike::kDateDigitsId, 10, false, -1);
    const tk::ImageList anaDigits = tk::LoadStrip(MAnaDigiLike::kDigitsId, 10, false, -1);
    // Month first: 3 (no tens digit on the analog skins) then 07; the Casio keeps both tens.
    app().locale.localeShortDateOrder = 0;
    QImage img = render(shell::kCitizenLike);
    EXPECT_TRUE(plain(img, {267, 327, 281, 350}, MCitizenLike::kLcd));
    EXPECT_TRUE(showsFrame(img, citizenDigits, 3, {285, 327}));
    EXPECT_TRUE(showsFrame(img, citizenDigits, 0, {312, 327}));
    EXPECT_TRUE(showsFrame(img, citizenDigits, 7, {330, 327}));
    img = render(shell::kCasioLike);
    EXPECT_TRUE(showsFrame(img, casioDigits, 0, {285, 302}));
    EXPECT_TRUE(showsFrame(img, casioDigits, 3, {303, 302}));
    EXPECT_TRUE(showsFrame(img, casioDigits, 7, {354, 302}));
    img = render(shell::kAnaDigiLike);
    EXPECT_TRUE(plain(img, {258, 386, 276, 415}, MAnaDigiLike::kLcd));
    EXPECT_TRUE(showsFrame(img, anaDigits, 3, {281, 386}));
    // Day first: 07 then 03, the day's zero drawn.
    app().locale.localeShortDateOrder = 1;
    img = render(shell::kCitizenLike);
    EXPECT_TRUE(showsFrame(img, citizenDigits, 0, {267, 327}));
    EXPECT_TRUE(showsFrame(img, citizenDigits, 7, {285, 327}));
    EXPECT_TRUE(showsFrame(img, citizenDigits, 3, {330, 327}));
    img = render(shell::kCasioLike);
    EXPECT_TRUE(showsFrame(img, casioDigits, 7, {303, 302}));
    EXPECT_TRUE(showsFrame(img, casioDigits, 3, {354, 302}));
    img = render(shell::kAnaDigiLike);
    EXPECT_TRUE(showsFrame(img, anaDigits, 0, {258, 386}));
    EXPECT_TRUE(showsFrame(img, anaDigits, 7, {281, 386}));
    EXPECT_TRUE(showsFrame(img, anaDigits, 3, {338, 386}));
}

TEST_F(Skins, TapOpensAndClosesTheViewListAndAChoiceSwitchesBack) {
    start();
    showView(shell::kAnaDigiLike);
    EXPECT_TRUE(w->fullScreenSkin());
    QWidget* menuBar = w->findChild<QWidget*>(QStringLiteral("menuBar"));
    ASSERT_TRUE(menuBar);
    EXPECT_FALSE(menuBar->isVisible());
    WatchSkin* s = skin(shell::kAnaDigiLike);
    ASSERT_TRUE(s->viewList());
    tk::DropListB* list = s->viewList()->engine();
    ASSERT_TRUE(list);
    EXPECT_FALSE(list->isOpen());
    // The corner icon is drawn outside screen-saver mode.
    EXPECT_GT(
        changed(render(shell::kAnaDigiLike), background(shell::kAnaDigiLike), {436, 10, 474, 48}),
        100);

    QWidget* canvas = w->canvas();
    const QPoint middle(canvas->width() / 2, canvas->height() / 2);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, middle);
    QApplication::processEvents();
    EXPECT_TRUE(list->isOpen());
    EXPECT_TRUE(s->listOpen());
    EXPECT_EQ(list->selected(), shell::kAnaDigiLike);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, middle);
    QApplication::processEvents();
    EXPECT_FALSE(list->isOpen());
    EXPECT_FALSE(s->listOpen());
    EXPECT_EQ(w->currentView(), shell::kAnaDigiLike);

    // Open again and pick the first row shown: an ordinary view.
    QTest::mouseClick(canvas, Qt::LeftButton, {}, middle);
    QApplication::processEvents();
    ASSERT_TRUE(list->isOpen());
    const int chosen = list->firstVisible();
    ASSERT_LT(chosen, shell::kFirstSkinView);
    QWidget* popup = list->popup();
    ASSERT_TRUE(popup);
    QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(40, 2 + list->rowHeight() / 2));
    QApplication::processEvents();
    EXPECT_EQ(w->selectedView(), chosen);
    EXPECT_EQ(w->currentView(), chosen);
    EXPECT_FALSE(w->fullScreenSkin());
    EXPECT_TRUE(menuBar->isVisible());
    EXPECT_FALSE(s->imagesLoaded()); // a hidden skin holds no images
}

TEST_F(Skins, TheViewListOpensOverTheScaledFaceWithEveryItemWhole) {
    start();
    showView(shell::kCitizenLike);
    WatchSkin* s = skin(shell::kCitizenLike);
    tk::DropListB* list = s->viewList()->engine();
    QWidget* canvas = w->canvas();
    tk::WatchCutTexts(true);
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(canvas->width() / 2, 300));
    QApplication::processEvents();
    ASSERT_TRUE(list->isOpen());
    // The face fills the screen scaled and centred; the list stands at the face's top right at
    // the same scale: from x 298 of the face, from its top, 16 rows of 28 pixels.
    const QSize screen = canvas->size();
    const double scale = std::min(screen.width() / 480.0, screen.height() / 640.0);
    const double left = (screen.width() - 480 * scale) / 2;
    const double top = (screen.height() - 640 * scale) / 2;
    const QRect popup = list->popup()->geometry();
    EXPECT_NEAR(popup.left(), left + 298 * scale, 2);
    EXPECT_NEAR(popup.top(), top, 2);
    EXPECT_GE(popup.width(), 172 * scale - 2); // wider where a name needs it, within the face
    EXPECT_LE(popup.left() + popup.width(), left + 480 * scale + 1);
    EXPECT_NEAR(popup.height(), (16 * 28 + 8) * scale, 2);
    // Every row's text fits the row.
    (void)list->popup()->grab();
    EXPECT_TRUE(tk::TakeCutTexts().empty());
    const QFontMetrics fm(*list->drawFont());
    for (int i = 0; i < list->count(); ++i)
        EXPECT_LE(list->RowWidth(fm, i), list->PopupWidth() - 2 * tk::kRowTextInset)
            << dev::toQString(list->Item(i)).toStdString();
    tk::WatchCutTexts(false);
    // A tap on the second row, at the screen's scale, picks it.
    QTest::mouseClick(list->popup(), Qt::LeftButton, {},
                      QPoint(40, static_cast<int>((2 + 28 + 14) * scale)));
    QApplication::processEvents();
    EXPECT_EQ(w->currentView(), list->firstVisible() + 1);
}

TEST_F(Skins, ChoosingAnotherSkinKeepsTheScreenFull) {
    start();
    showView(shell::kCitizenLike);
    WatchSkin* s = skin(shell::kCitizenLike);
    s->viewList()->SetSelected(shell::kCasioLike);
    w->message(tk::WM_USER, WatchSkin::kViewListId, 0);
    QApplication::processEvents();
    EXPECT_EQ(w->currentView(), shell::kCasioLike);
    EXPECT_TRUE(w->fullScreenSkin());
    EXPECT_FALSE(s->imagesLoaded());
    EXPECT_TRUE(skin(shell::kCasioLike)->imagesLoaded());
}

TEST_F(Skins, ScreenSaverShowsOnlyTheChosenSkinScaledAndATapEndsIt) {
    // The launcher starts the screen saver only when the settings file says so.
    const std::u16string settingsPath = dataFilePath(u"settings.dat");
    SettingsRecord saved{};
    fillSettingsDefaults(saved);
    saved.screenSaverOn = 1;
    saved.screenSaverSkin = 2;
    saved.lastView = 9;
    std::filesystem::create_directories(fake.host(settingsPath).parent_path());
    ASSERT_TRUE(dev::saveWholeFile(settingsPath, &saved, sizeof saved));
    const auto before = dev::readWholeFile(settingsPath);
    ASSERT_TRUE(before);
    shell::CommandLine cmd;
    cmd.kind = shell::CommandLine::Kind::ScreenSaver;
    cmd.number = 2;
    start(cmd);
    QApplication::processEvents();
    for (int v = 0; v < shell::kViewCount; ++v)
        EXPECT_EQ(w->view(v) != nullptr, v == shell::kAnaDigiLike) << v;
    WatchSkin* s = skin(shell::kAnaDigiLike);
    EXPECT_EQ(s->viewList(), nullptr);
    EXPECT_TRUE(s->imagesLoaded());
    EXPECT_EQ(
        changed(render(shell::kAnaDigiLike), background(shell::kAnaDigiLike), {436, 10, 474, 48}),
        0);

    // The skin fills the screen, scaled to fit and centred, with black beside it.
    const QImage shot = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QSize screen = w->screen()->geometry().size();
    EXPECT_EQ(w->size(), screen);
    const double scale = std::min(screen.width() / 480.0, screen.height() / 640.0);
    const int left = qRound((screen.width() - 480 * scale) / 2);
    const int top = qRound((screen.height() - 640 * scale) / 2);
    const qreal ratio = shot.devicePixelRatio();
    auto shown = [&](double lx, double ly) {
        return shot.pixel(qRound((left + lx * scale) * ratio), qRound((top + ly * scale) * ratio)) &
               0xffffff;
    };
    // A point of the LCD, mapped to the screen.
    EXPECT_EQ(shown(200, 365), rgb(MAnaDigiLike::kLcd));
    if (left > 2) {
        EXPECT_EQ(shot.pixel(1, shot.height() / 2) & 0xffffff, 0u);
    }
    if (top > 2) {
        EXPECT_EQ(shot.pixel(shot.width() / 2, 1) & 0xffffff, 0u);
    }

    QTest::mouseClick(w->canvas(), Qt::LeftButton, {}, QPoint(left + 20, top + 20));
    QApplication::processEvents();
    EXPECT_TRUE(w->quitRequested());
    w->exitSequence();
    EXPECT_EQ(dev::readWholeFile(settingsPath), before);
}

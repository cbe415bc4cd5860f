// The main window against the fake device: start-up view rules, switching and skins, the tick
// and the chime, the header and status bar, the dialogs, the exit sequence and screen-saver mode.
#include "astro/sun.h"
#include "device/fake.h"
#include "device/files.h"
#include "device/paths.h"
#include "items/alarms.h"
#include "items/timers.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"
#include "shell/shellfonts.h"
#include "shellcore/homesources.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

#include <QApplication>
#include <QDateEdit>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

using namespace hv;
using namespace hv::shell;

namespace {

// A view that counts what the shell asks of it.
class TestView : public view::View {
public:
    using View::View;
    void show() override { ++shows; }
    void hide() override { ++hides; }
    void resync() override { ++resyncs; }
    void paint(tk::DC& dc) override {
        dc.FillRect(isSkinView(number()) ? view::kClientRect : view::kViewArea,
                    isSkinView(number()) ? tk::RGB(16, 16, 20) : tk::RGB(255, 255, 255));
    }
    void tick(tk::DC&, const dev::SystemTime& now) override {
        ++ticks;
        lastTick = now;
    }
    bool fullScreen() const override { return isSkinView(number()); }
    int subState() const override { return sub; }
    void setSubState(int s) override { sub = s; }
    bool notify(tk::UINT msg, tk::WPARAM, tk::LPARAM) override {
        messages.push_back(msg);
        return true;
    }
    void storeExitState(SettingsRecord& s) const override {
        if (number() == kEvents)
            s.eventsUnit = 5;
    }
    int shows = 0, hides = 0, resyncs = 0, ticks = 0, sub = 0;
    std::vector<tk::UINT> messages;
    dev::SystemTime lastTick{};
};

std::unique_ptr<view::View> makeTestView(int number, view::ViewContext& ctx) {
    return std::make_unique<TestView>(ctx, number);
}

dev::SystemTime localAt(int h, int m, int s, int ms = 0) {
    dev::SystemTime t{};
    t.year = 2026;
    t.month = 3;
    t.day = 14;
    t.dayOfWeek = 6;
    t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(m);
    t.second = static_cast<uint16_t>(s);
    t.milliseconds = static_cast<uint16_t>(ms);
    return t;
}

class ShellWindow : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fake.clockImpl.setZone(dev::zoneUtc());
        fake.clockImpl.setLocal(localAt(10, 0, 0, 50));
    }
    void TearDown() override { resetAppState(); }

    // Writes data\settings.dat with the defaults changed by `edit`.
    void writeSettings(const std::function<void(SettingsRecord&)>& edit) {
        SettingsRecord s{};
        fillSettingsDefaults(s);
        edit(s);
        ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), &s, sizeof s));
    }
    SettingsRecord readSettings() {
        SettingsRecord s{};
        const auto bytes = dev::readWholeFile(dataFilePath(u"settings.dat"));
        EXPECT_TRUE(bytes && bytes->size() == sizeof s);
        if (bytes && bytes->size() == sizeof s)
            std::memcpy(&s, bytes->data(), sizeof s);
        return s;
    }
    std::unique_ptr<MainWindow> startWindow(std::u16string_view line = u"") {
        auto w = std::make_unique<MainWindow>(parseCommandLine(line), makeTestView);
        EXPECT_TRUE(w->start());
        QApplication::processEvents();
        return w;
    }
    // Runs the tick the way the 100 ms timer does, moving the fake clock.
    void ticks(MainWindow& w, int count) {
        for (int i = 0; i < count; ++i) {
            fake.clockImpl.advanceMs(100);
            w.tick();
        }
    }
    void tap(MainWindow& w, QPoint p) {
        QTest::mouseClick(w.canvas(), Qt::LeftButton, {}, p);
        QApplication::processEvents();
    }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
};

} // namespace

TEST_F(ShellWindow, BuildsViewsInOrderAndStartsInTheRememberedView) {
    writeSettings([](SettingsRecord& s) {
        s.startupView = 0;
        s.lastView = 4;
        s.lastViewSub = 2;
    });
    auto w = startWindow();
    std::vector<int> order(kViewCount);
    for (int i = 0; i < kViewCount; ++i)
        order[static_cast<size_t>(i)] = i;
    EXPECT_EQ(w->holder().buildOrder, order);
    EXPECT_EQ(w->currentView(), kTimers);
    EXPECT_EQ(w->view(kTimers)->subState(), 2) << "the third list entry";
    EXPECT_TRUE(w->tickRunning());
    EXPECT_EQ(w->size(), QSize(480, 536 + 26));
    EXPECT_FALSE(w->fullScreenSkin());
}

TEST_F(ShellWindow, CommandLinesChooseTheView) {
    writeSettings([](SettingsRecord& s) { s.startupView = 2; });
    {
        auto w = startWindow(u"a5");
        EXPECT_EQ(w->currentView(), kAlarms);
        EXPECT_EQ(w->view(kAlarms)->subState(), 1) << "alarm 5 is on the second page";
    }
    {
        auto w = startWindow(u"e");
        EXPECT_EQ(w->currentView(), kEvents);
    }
    {
        auto w = startWindow(u"t03");
        EXPECT_EQ(w->currentView(), kTimers);
        EXPECT_EQ(w->view(kTimers)->subState(), 3);
    }
    {
        auto w = startWindow(u"hello");
        EXPECT_EQ(w->currentView(), kDigitalClock) << "start-up view 2";
    }
}

TEST_F(ShellWindow, ViewCommandsSwitchAndSkinsFillTheScreen) {
    auto w = startWindow();
    EXPECT_EQ(w->currentView(), kGeneral);
    auto* general = static_cast<TestView*>(w->view(kGeneral));
    w->command(40015); // Analog Clock
    EXPECT_EQ(w->currentView(), kAnalogClock);
    EXPECT_EQ(general->hides, 1);
    w->command(40015);
    EXPECT_EQ(static_cast<TestView*>(w->view(kAnalogClock))->resyncs, 1);
    w->command(40028); // Casio like
    EXPECT_EQ(w->currentView(), kCasioLike);
    EXPECT_TRUE(w->fullScreenSkin());
    EXPECT_TRUE(w->isFullScreen());
    EXPECT_FALSE(w->findChild<QWidget*>(QStringLiteral("menuBar"))->isVisible());
    w->command(40029); // another skin: still full screen
    EXPECT_TRUE(w->fullScreenSkin());
    w->command(40023); // Time Calc
    EXPECT_FALSE(w->fullScreenSkin());
    EXPECT_FALSE(w->isFullScreen());
    // The client area holds the views and the menu bar, nothing more.
    EXPECT_EQ(w->size(), QSize(480, 536 + 26));
    EXPECT_EQ(w->findChild<QWidget*>(QStringLiteral("menuBar"))->geometry(),
              QRect(0, 536, 480, 26));
    EXPECT_TRUE(w->findChild<QWidget*>(QStringLiteral("menuBar"))->isVisible());
    // Every command id of the View menu is there, skins in "View like...".
    std::vector<int> ids;
    std::function<void(QMenu*)> collect = [&](QMenu* m) {
        for (QAction* a : m->actions()) {
            if (a->menu())
                collect(a->menu());
            else if (!a->isSeparator())
                ids.push_back(a->data().toInt());
        }
    };
    collect(w->viewMenu());
    EXPECT_EQ(ids, std::vector<int>(kViewCommands.begin(), kViewCommands.end()));
    ids.clear();
    collect(w->optionsMenu());
    EXPECT_EQ(ids, (std::vector<int>{40006, 40007, 40008, 40009, 40003, 40025}));
}

TEST_F(ShellWindow, ViewsShareOneContextAndHearTheirControlsThroughTheMainWindow) {
    auto w = startWindow();
    // Every view was built with the one context: the shell's city database and the client area
    // as the parent of the views' controls.
    EXPECT_EQ(&w->context().cities, w->holder().cities.get());
    EXPECT_EQ(w->context().mainWindow, w->clientWindow());
    // A control's private message to the main window reaches the shown view, and only it.
    tk::SendMessage(w->clientWindow(), tk::WM_USER + 4, 0, 0);
    tk::PostMessage(w->clientWindow(), tk::WM_USER + 3, 0, 0);
    QApplication::processEvents();
    auto* general = static_cast<TestView*>(w->view(kGeneral));
    EXPECT_EQ(general->messages, (std::vector<tk::UINT>{tk::WM_USER + 4, tk::WM_USER + 3}));
    EXPECT_TRUE(static_cast<TestView*>(w->view(kEvents))->messages.empty());
    // The tick hands the view the local time the window read.
    fake.clockImpl.setLocal(localAt(11, 22, 33));
    w->tick();
    EXPECT_EQ(general->lastTick.hour, 11);
    EXPECT_EQ(general->lastTick.second, 33);
    // A view chooses another one through the context (the skins' view list).
    w->context().selectView(kMoonPhases);
    EXPECT_EQ(w->currentView(), kMoonPhases);
    // At exit each view hands back what it remembers.
    w->exitSequence();
    EXPECT_EQ(readSettings().eventsUnit, 5);
}

TEST_F(ShellWindow, TickRedrawsOncePerSecondAndEveryTickForARunningStopwatch) {
    auto w = startWindow();
    auto* general = static_cast<TestView*>(w->view(kGeneral));
    ticks(*w, 30); // the first tick, then three new seconds
    EXPECT_EQ(general->ticks, 4);
    app().settings.stopwatchRunning = 1;
    w->command(40016);
    auto* stopwatch = static_cast<TestView*>(w->view(kStopwatch));
    ticks(*w, 10);
    EXPECT_EQ(stopwatch->ticks, 10);
    app().settings.stopwatchRunning = 0;
    ticks(*w, 10);
    EXPECT_EQ(stopwatch->ticks, 11);
}

TEST_F(ShellWindow, ChimeSoundsAtTheQuarterHoursOnceEach) {
    writeSettings([](SettingsRecord& s) {
        s.chimeOn = 1;
        s.chimeInterval = 2; // 15 minute
    });
    auto w = startWindow();
    app().chimeSound = u"\\Windows\\Chime.wav";
    fake.clockImpl.setLocal(localAt(8, 59, 58, 30));
    ticks(*w, 10 * 3700);
    std::vector<std::pair<int, int>> at;
    for (const auto& play : fake.soundImpl.plays) {
        dev::SystemTime t{};
        ASSERT_TRUE(dev::fileTimeToSystemTime(play.at, t));
        EXPECT_EQ(t.second, 0);
        EXPECT_EQ(play.path, u"\\Windows\\Chime.wav");
        at.emplace_back(t.hour, t.minute);
    }
    EXPECT_EQ(at, (std::vector<std::pair<int, int>>{{9, 0}, {9, 15}, {9, 30}, {9, 45}, {10, 0}}));
}

TEST_F(ShellWindow, StatusBarTextsAndTaps) {
    // Two enabled alarms at the same time; the central part shows the alarm, the right the
    // stopwatch (stopped).
    std::vector<uint8_t> alarms(76 * 20, 0);
    dev::FileTime t = 0;
    ASSERT_TRUE(dev::systemTimeToFileTime(localAt(6, 30, 0), t));
    for (int i : {5, 2}) {
        std::memcpy(alarms.data() + 76 * i + 64, &t, 8);
        alarms[static_cast<size_t>(76 * i + 72)] = 1;
    }
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"alarms.dat"), alarms));
    writeSettings([](SettingsRecord& s) {
        s.statusLeft = 0;
        s.statusCentral = 1;
        s.statusRight = 3;
        s.startupView = 2;
    });
    auto w = startWindow();
    HeaderBar& bar = *w->holder().headerBar;
    EXPECT_EQ(bar.statusTexts()[0], u"");
    EXPECT_EQ(bar.statusTexts()[1], u"6:30 AM");
    EXPECT_EQ(bar.statusTexts()[2], u"--:-- --");

    // Kind 0 draws nothing: every row of the left part is one colour (the bar's background).
    const QImage& img = bar.statusImage();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 1; x < 156; ++x)
            ASSERT_EQ(img.pixel(x, y), img.pixel(0, y)) << x << "," << y;
    // The central part has its icon and text.
    int inked = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 160; x < 320; ++x)
            inked += qGray(img.pixel(x, y)) < 100;
    EXPECT_GT(inked, 20);

    // A tap on the empty part does nothing.
    tap(*w, QPoint(60, 515));
    EXPECT_EQ(w->currentView(), kDigitalClock);
    tap(*w, QPoint(240, 515));
    EXPECT_EQ(w->currentView(), kAlarms);
    EXPECT_EQ(w->selectedView(), kAlarms);
    tap(*w, QPoint(400, 515));
    EXPECT_EQ(w->currentView(), kStopwatch);

    // Date and Sunset parts.
    app().settings.statusLeft = 7;
    app().settings.statusCentral = 5;
    tap(*w, QPoint(10, 500));
    EXPECT_EQ(w->currentView(), kGeneral);
    tap(*w, QPoint(300, 530));
    EXPECT_EQ(w->currentView(), kSunRiseSet);

    // No enabled alarm: "--:--"; the text follows at the next second.
    app().settings.statusLeft = 1;
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"alarms.dat"), std::vector<uint8_t>(76 * 20, 0)));
    w->holder().sources->load();
    ticks(*w, 10);
    EXPECT_EQ(bar.statusTexts()[0], u"--:--");

    // The date stands evenly spaced: no gap inside "3/14/2026" wider than between its letters.
    app().settings.statusLeft = 7;
    ticks(*w, 10);
    EXPECT_EQ(bar.statusTexts()[0], u"3/14/2026");
    const QImage& date = bar.statusImage();
    auto inkedColumn = [&date](int x) {
        for (int y = 8; y < 30; ++y)           // the text's rows
            if (qGray(date.pixel(x, y)) < 170) // the slash's light edge counts
                return true;
        return false;
    };
    int right = 155;
    while (right > 0 && !inkedColumn(right))
        --right;
    int widest = 0, run = 0;
    for (int x = right; x > 0 && run < 8; --x) { // leftwards until the gap before the icon
        if (!inkedColumn(x)) {
            ++run;
            continue;
        }
        widest = std::max(widest, run);
        run = 0;
    }
    EXPECT_LE(widest, 2);
}

TEST_F(ShellWindow, ViewListOpensFromTheTitleStrip) {
    auto w = startWindow();
    QTest::mousePress(w->canvas(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(w->holder().headerBar->iconPressed());
    QTest::mouseMove(w->canvas(), QPoint(100, 20));
    EXPECT_FALSE(w->holder().headerBar->iconPressed()) << "moving off the icon restores it";
    QTest::mouseRelease(w->canvas(), Qt::LeftButton, {}, QPoint(100, 20));
    tk::SDropList* list = w->holder().headerBar->viewList();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isOpen());
    ASSERT_EQ(list->count(), 16);
    EXPECT_EQ(list->Item(8), u"Moon Phases");
    // Tap the row of "Moon Phases" in the pop-up.
    const int row = 8 - list->firstVisible();
    const QPoint inRow(40, 2 + row * list->rowHeight() + list->rowHeight() / 2);
    QTest::mousePress(list->popup(), Qt::LeftButton, {}, inRow);
    QTest::mouseRelease(list->popup(), Qt::LeftButton, {}, inRow);
    QApplication::processEvents();
    EXPECT_FALSE(list->isOpen());
    EXPECT_EQ(w->currentView(), kMoonPhases);
    // The title strip names it: the dark text colour appears inside the name rectangle.
    const QImage shot = w->renderView(kMoonPhases);
    int dark = 0;
    for (int y = 6; y < 34; ++y)
        for (int x = 50; x < 222; ++x)
            dark += (shot.pixel(x, y) & 0xffffff) == 0x293E51;
    EXPECT_GT(dark, 20);
}

TEST_F(ShellWindow, ExitAndMinimisingSaveTheViewState) {
    writeSettings([](SettingsRecord& s) { s.startupView = 0; });
    {
        auto w = startWindow();
        w->command(40014); // Timers
        w->view(kTimers)->setSubState(3);
        w->setWindowState(Qt::WindowMinimized);
        EXPECT_FALSE(w->quitRequested()) << "a minimised window keeps the program running";
        EXPECT_TRUE(w->tickRunning());
        w->close();
        EXPECT_TRUE(w->quitRequested()) << "closing the window ends it";
        EXPECT_FALSE(w->tickRunning());
        w->exitSequence();
    }
    SettingsRecord s = readSettings();
    EXPECT_EQ(s.lastView, 4u);
    EXPECT_EQ(s.lastViewSub, 3);
    {
        resetAppState();
        auto w = startWindow();
        EXPECT_EQ(w->currentView(), kTimers);
        EXPECT_EQ(w->view(kTimers)->subState(), 3);
        w->command(40021); // City Time
        w->view(kCityTime)->setSubState(7);
        w->command(kCmdExit);
        EXPECT_TRUE(w->quitRequested());
        w->exitSequence();
    }
    s = readSettings();
    EXPECT_EQ(s.lastView, 10u);
    EXPECT_EQ(s.lastViewSub, 7);
}

TEST_F(ShellWindow, ScreenSaverShowsOneSkinChimesAndEndsAtATapWithoutSaving) {
    writeSettings([](SettingsRecord& s) {
        s.lastView = 7;
        s.chimeOn = 1;
        s.chimeInterval = 5; // 1 hour
    });
    const auto before = dev::readWholeFile(dataFilePath(u"settings.dat"));
    fake.clockImpl.setLocal(localAt(8, 59, 58, 30));
    auto w = startWindow(u"s0");
    app().chimeSound = u"\\Windows\\Chime.wav";
    EXPECT_TRUE(w->screenSaverMode());
    EXPECT_TRUE(w->isFullScreen());
    EXPECT_EQ(w->holder().buildOrder, std::vector<int>{kCitizenLike});
    EXPECT_EQ(w->currentView(), kCitizenLike);
    for (int v = 0; v < kViewCount; ++v)
        EXPECT_EQ(w->view(v) != nullptr, v == kCitizenLike);
    EXPECT_EQ(w->holder().headerBar, nullptr);
    EXPECT_EQ(w->optionsMenu(), nullptr);
    ticks(*w, 20);
    EXPECT_FALSE(w->quitRequested());
    // The hour's chime sounds while the skin runs as the screen saver.
    ASSERT_EQ(fake.soundImpl.plays.size(), 1u);
    EXPECT_EQ(fake.soundImpl.plays[0].path, u"\\Windows\\Chime.wav");
    tap(*w, QPoint(100, 100));
    EXPECT_TRUE(w->quitRequested());
    w->exitSequence();
    EXPECT_EQ(dev::readWholeFile(dataFilePath(u"settings.dat")), before);
}

TEST_F(ShellWindow, DialogsAboutSetDateTimeAndHomeLocation) {
    auto w = startWindow();
    w->command(kCmdAbout);
    ASSERT_NE(w->openDialog(), nullptr);
    EXPECT_EQ(w->openDialog()->findChild<QLabel*>(QStringLiteral("programName"))->text(),
              QStringLiteral("Horavel v1.22"));
    EXPECT_EQ(w->openDialog()->findChild<QLabel*>(QStringLiteral("build"))->text(),
              QStringLiteral("Build 0165"));

    // "OK" sets nothing.
    w->command(kCmdSetDateTime);
    QDialog* d = w->openDialog();
    ASSERT_EQ(d->objectName(), QStringLiteral("setDateTime"));
    auto* time = d->findChild<QTimeEdit*>();
    EXPECT_EQ(time->time(), QTime(10, 0, 0));
    fake.clockImpl.advanceMs(2000);
    QTest::qWait(250);
    EXPECT_EQ(time->time(), QTime(10, 0, 2)) << "an unchanged picker follows the clock";
    d->findChild<QPushButton*>(QStringLiteral("ok"))->click();
    EXPECT_EQ(fake.timeSettingImpl.changes, 0);

    // "Apply" with only the time changed keeps today's date.
    w->command(kCmdSetDateTime);
    d = w->openDialog();
    d->findChild<QTimeEdit*>()->setTime(QTime(7, 8, 9));
    fake.clockImpl.advanceMs(3000);
    QTest::qWait(250);
    EXPECT_EQ(d->findChild<QTimeEdit*>()->time(), QTime(7, 8, 9)) << "a changed picker stays";
    d->findChild<QPushButton*>(QStringLiteral("apply"))->click();
    EXPECT_EQ(fake.timeSettingImpl.changes, 1);
    dev::SystemTime now = dev::getLocalTime();
    EXPECT_EQ(now.hour, 7);
    EXPECT_EQ(now.minute, 8);
    EXPECT_EQ(now.second, 9);
    EXPECT_EQ(now.day, 14);

    // Home Location: normal mode has Cancel.
    w->command(kCmdHomeLocation);
    EXPECT_NE(w->openDialog()->findChild<QPushButton*>(QStringLiteral("cancel")), nullptr);
}

TEST_F(ShellWindow, ForcedHomeLocationAtStartHasNoCancel) {
    auto w = std::make_unique<MainWindow>(CommandLine{}, makeTestView);
    w->homeLocationDiffers = [] { return true; };
    ASSERT_TRUE(w->start());
    ASSERT_NE(w->openDialog(), nullptr);
    EXPECT_EQ(w->openDialog()->objectName(), QStringLiteral("homeLocationForced"));
    EXPECT_EQ(w->openDialog()->findChild<QPushButton*>(QStringLiteral("cancel")), nullptr);
    EXPECT_TRUE(w->tickRunning());
}

TEST_F(ShellWindow, RenderedWindowHasTitleStatusBarAndMenuBar) {
    auto w = startWindow();
    const QImage img = w->renderView(kGeneral);
    // The views end below the status bar at 536, and the menu bar follows at once.
    ASSERT_EQ(img.size(), QSize(480, 536 + 26));
    EXPECT_EQ(img.pixel(240, 535) & 0xffffff, 0xFFFFFFu) << "below the status bar";
    EXPECT_EQ(img.pixel(240, 537) & 0xffffff, 0x1F3A5Cu) << "the soft-key menu bar";
    EXPECT_EQ(img.pixel(240, 561) & 0xffffff, 0x1F3A5Cu) << "the soft-key menu bar";
    EXPECT_EQ(img.pixel(156, 510) & 0xffffff, 0x8CA6BFu) << "a status-bar separator";
    EXPECT_EQ(img.pixel(240, 300) & 0xffffff, 0xFFFFFFu) << "the view area";
    const QImage skin = w->renderView(kCitizenLike);
    ASSERT_EQ(skin.size(), QSize(480, 640));
    EXPECT_EQ(skin.pixel(5, 635) & 0xffffff, 0x101014u) << "a skin covers the whole screen";
    EXPECT_EQ(w->currentView(), kGeneral) << "rendering leaves the shown view as it was";
    // The shell's own texts resolve to the face the toolkit registered, not a fallback.
    EXPECT_EQ(QFontInfo(shellFont(19, true)).family(), tk::SDraw::fontFamily());
}

TEST_F(ShellWindow, HeaderIconsComeFromTheIconStrip) {
    auto w = startWindow(); // the test views hold no drawing resources: the header keeps its own
    const tk::ImageList& icons = tk::SDraw::icons();
    ASSERT_EQ(icons.count(), 12);
    auto stripPixel = [&](int icon, int x, int y) {
        return icons.frames().pixel(icon * icons.frameWidth() + x, y) & 0xffffff;
    };
    // Inside the view list button at (12,8), normal and pressed.
    for (const QPoint at : {QPoint(4, 14), QPoint(14, 6), QPoint(22, 20)})
        EXPECT_EQ(w->renderView(kGeneral).pixel(12 + at.x(), 8 + at.y()) & 0xffffff,
                  stripPixel(tk::kIconViewList, at.x(), at.y()))
            << at.x() << "," << at.y();
    QTest::mousePress(w->canvas(), Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_TRUE(w->holder().headerBar->iconPressed());
    EXPECT_EQ(w->renderView(kGeneral).pixel(12 + 4, 8 + 14) & 0xffffff,
              stripPixel(tk::kIconViewListPressed, 4, 14));
    QTest::mouseRelease(w->canvas(), Qt::LeftButton, {}, QPoint(300, 300));
}

namespace {
// Puts the shipped city files into the fake device's data folder.
void installCityFiles(dev::FakeDevice& fake) {
    const auto folder = fake.host(dataFilePath(u"settings.dat")).parent_path();
    std::filesystem::create_directories(folder);
    for (const char* name : {"africa", "asia", "australia", "europe", "namerica", "samerica"})
        std::filesystem::copy_file(std::filesystem::path(HV_DATA_DIR) /
                                       (std::string(name) + ".cdb"),
                                   folder / (std::string(name) + ".cdb"),
                                   std::filesystem::copy_options::overwrite_existing);
}
} // namespace

TEST_F(ShellWindow, HomeCityGivesTheSunTimesAndPassesTheZoneCheck) {
    installCityFiles(fake);
    fake.clockImpl.setZone(dev::zoneUsEastern());
    fake.clockImpl.setLocal(localAt(10, 0, 0));
    writeSettings([](SettingsRecord& s) {
        s.statusLeft = 4;    // Sunrise
        s.statusCentral = 5; // Sunset
    });
    auto w = startWindow();
    EXPECT_EQ(w->openDialog(), nullptr) << "the device zone is New York's";
    const CityRecord* home = w->holder().cities->homeRecord();
    ASSERT_NE(home, nullptr);
    const astro::SunDay day = astro::SunDayFor(home->latitude(), home->longitude(), 0, 2026, 3, 14);
    ASSERT_NE(day.texts.rise, std::u16string(astro::kNoSunrise));
    EXPECT_EQ(w->holder().headerBar->statusTexts()[0], day.texts.rise);
    EXPECT_EQ(w->holder().headerBar->statusTexts()[1], day.texts.set);
    // A tap on the Sunset part opens the Sun rise/set view.
    tap(*w, QPoint(240, 515));
    EXPECT_EQ(w->currentView(), kSunRiseSet);
    w->exitSequence();
    EXPECT_EQ(readSettings().homeContinent, 4u);
    EXPECT_EQ(readSettings().homeCity, 97u);
}

TEST_F(ShellWindow, DeviceZoneOtherThanTheHomeCityForcesTheHomeLocationPage) {
    installCityFiles(fake); // home New York, device zone UTC
    auto w = startWindow();
    ASSERT_NE(w->openDialog(), nullptr);
    EXPECT_EQ(w->openDialog()->objectName(), QStringLiteral("homeLocationForced"));
}

TEST_F(ShellWindow, RunningTimerAndStopwatchInTheStatusBar) {
    std::vector<uint8_t> timers(72 * 4, 0);
    dev::FileTime end = 0;
    ASSERT_TRUE(dev::systemTimeToFileTime(localAt(11, 30, 0), end));
    const uint32_t handle = 9;
    std::memcpy(timers.data() + 72 * 1, &handle, 4);
    std::memcpy(timers.data() + 72 * 1 + 52, &end, 8);
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"timers.dat"), timers));
    writeSettings([](SettingsRecord& s) {
        s.statusLeft = 2;  // Timer
        s.statusRight = 3; // Stopwatch
        s.stopwatchRunning = 1;
    });
    // The stopwatch started 65 seconds ago (its start instant is UTC).
    app().settings.stopwatchTime = 0;
    auto w = startWindow();
    app().settings.stopwatchTime = dev::getSystemTimeAsFileTime() - 65 * dev::kTicksPerSecond;
    ticks(*w, 10);
    EXPECT_EQ(w->holder().headerBar->statusTexts()[0], u"01:29:58") << "one second and a bit later";
    EXPECT_EQ(w->holder().headerBar->statusTexts()[2], u"00:01 06");
}

// A timer that ends while another view is shown: the tick completes its stop whatever the view,
// and the exit save then writes it stopped, not running with a past end.
TEST_F(ShellWindow, TimerEndedBehindAnotherViewIsStoppedByTheTickAndTheExitSave) {
    writeSettings([](SettingsRecord& s) { s.startupView = 1; }); // the General view
    auto w = startWindow();
    items::Timers& t = items::timers();
    items::TimerSettingsDraft d = items::openTimerSettings(t, 0);
    d.seconds = 5;
    items::confirmTimerSettings(t, d);
    ASSERT_TRUE(t.start(0));
    ticks(*w, 60);
    // The reminder's write-back and its announcement.
    items::TimerRecord ended = t.records[0];
    ended.notificationHandle = 0;
    ended.running = 0;
    ended.countdownTime = items::timerInitialCountdown(ended);
    ASSERT_TRUE(dev::writeRecordInPlace(dataFilePath(u"timers.dat"), 0, &ended, sizeof ended));
    fake.eventsImpl.setByName(items::kTimersSettingsChange, true);
    ticks(*w, 10);
    EXPECT_EQ(t.records[0].running, 0);
    EXPECT_TRUE(fake.eventsImpl.isSetByName(items::timerResetEventName(0)));
    EXPECT_EQ(t.remainingText(0), u"00:00:05");
    w->command(kCmdExit);
    w->exitSequence();
    items::TimerRecord onFile{};
    const auto bytes = dev::readWholeFile(dataFilePath(u"timers.dat"));
    ASSERT_TRUE(bytes && bytes->size() == 288);
    std::memcpy(&onFile, bytes->data(), sizeof onFile);
    EXPECT_EQ(onFile.running, 0);
    EXPECT_TRUE(t.start(0)) << "startable again";
    t.reset(0);
}

// Ticks with nothing changed open no file of the data folder; a record another program writes
// into alarms.dat (in place, or by a whole-file replace) is still in the table within a second.
TEST_F(ShellWindow, IdleTicksOpenNoFileYetTakeAnotherProgramsAlarmChanges) {
    writeSettings([](SettingsRecord& s) { s.startupView = 1; }); // the General view
    items::Alarms& a = items::alarms();
    auto w = startWindow();
    const std::filesystem::path data = dev::hostPath(dataFilePath(u"alarms.dat")).parent_path();
    const int opens = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(opens, 0);
    ASSERT_GE(inotify_add_watch(opens, data.c_str(), IN_OPEN), 0);
    auto drain = [&] {
        int n = 0;
        alignas(inotify_event) char buf[4096];
        for (ssize_t k; (k = read(opens, buf, sizeof buf)) > 0;)
            for (const char* p = buf; p < buf + k; ++n)
                p += sizeof(inotify_event) + reinterpret_cast<const inotify_event*>(p)->len;
        return n;
    };
    // The 100 ms timer with the event loop between its ticks, as the running program has it.
    auto run = [&](int count) {
        for (int i = 0; i < count; ++i) {
            fake.clockImpl.advanceMs(100);
            QApplication::processEvents();
            w->tick();
        }
    };
    ASSERT_TRUE(a.save());
    run(20);
    drain();
    run(50);
    EXPECT_EQ(drain(), 0) << "five idle seconds opened files of the data folder";

    items::AlarmRecord fired = a.records[2];
    fired.notificationHandle = 4711;
    ASSERT_TRUE(dev::writeRecordInPlace(dataFilePath(u"alarms.dat"), 2 * sizeof fired, &fired,
                                        sizeof fired));
    run(10);
    EXPECT_EQ(a.records[2].notificationHandle, 4711u);

    auto image = dev::readWholeFile(dataFilePath(u"alarms.dat"));
    ASSERT_TRUE(image && image->size() == items::kAlarmsFileSize);
    fired = a.records[7];
    fired.notificationHandle = 4712;
    std::memcpy(image->data() + 7 * sizeof fired, &fired, sizeof fired);
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"alarms.dat"), *image));
    run(10);
    EXPECT_EQ(a.records[7].notificationHandle, 4712u);
    drain();
    run(50);
    EXPECT_EQ(drain(), 0) << "the change was read more than once";
    close(opens);
}

// The Preferences window against the fake device: what confirming stores and writes, what Cancel
// leaves alone, the launcher's registration, start and signal, the exception list, and which
// controls show with the "Chime" and "Enable Screen Saver" boxes.
#include "device/fake.h"
#include "device/files.h"
#include "guitest.h"
#include "launcher/launcher.h"
#include "screensaver/exceptions.h"
#include "settings/settings.h"
#include "settings/soundpath.h"
#include "shell/mainwindow.h"
#include "shell/preferences.h"
#include "shellcore/shellcore.h"

#include <QApplication>
#include <QTest>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

using namespace hv;
using namespace hv::shell;
using namespace hv::tk;
using namespace hv::tk::test;

namespace {

using Names = std::vector<std::u16string>;

class Prefs : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fake.clockImpl.setZone(dev::zoneUtc());
        fake.clockImpl.setLocal(dev::SystemTime{2026, 3, 6, 14, 10, 0, 0, 0});
        for (const char16_t* f : {u"\\Windows\\Alarm1.wav", u"\\Windows\\Alarm3.wav",
                                  u"\\Windows\\Chimes.wav", u"\\Windows\\calc.exe"})
            touch(f);
        writeSettings([](SettingsRecord&) {});
        screen = makeScreen();
    }
    void TearDown() override {
        dlg.reset();
        screen.reset();
        pump();
        resetAppState();
    }
    void touch(std::u16string_view devicePath) {
        const auto p = fake.host(devicePath);
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p) << "RIFF";
    }
    // Writes data\settings.dat from the defaults changed by `edit` and loads it as the program
    // does at its start.
    void writeSettings(const std::function<void(SettingsRecord&)>& edit) {
        SettingsRecord s{};
        fillSettingsDefaults(s);
        s.chimeOn = 0;
        s.screenSaverOn = 0;
        edit(s);
        ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), &s, sizeof s));
        ASSERT_TRUE(loadSettings());
    }
    SettingsRecord savedSettings() {
        SettingsRecord s{};
        const auto bytes = dev::readWholeFile(dataFilePath(u"settings.dat"));
        EXPECT_TRUE(bytes && bytes->size() == sizeof s);
        if (bytes && bytes->size() == sizeof s)
            std::memcpy(&s, bytes->data(), sizeof s);
        return s;
    }
    std::optional<std::vector<uint8_t>> fileBytes(std::u16string_view name) {
        return dev::readWholeFile(dataFilePath(name));
    }
    Names savedExceptions() {
        std::vector<std::u16string> names;
        readExceptionFile(dataFilePath(kExceptionFileName), names);
        return names;
    }
    PreferencesDlg& openDlg(int tab = -1) {
        if (!dlg)
            dlg = std::make_unique<PreferencesDlg>(screen.get());
        EXPECT_TRUE(dlg->open());
        if (tab >= 0)
            dlg->selectTab(tab);
        pump();
        return *dlg;
    }
    void click(HWND w) {
        ASSERT_NE(w, nullptr);
        // Near the left edge: a check box takes taps on its box and its text only.
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(10, w->height() / 2));
        pump();
    }
    bool launcherRegistered() {
        for (const auto& [app, event] : fake.notificationsImpl.listRunAtEvent())
            if (app == kLauncherPath && event == dev::RunEvent::Rs232Detected)
                return true;
        return false;
    }
    bool settingsChangeSignalled() const {
        return fake.eventsImpl.isSetByName(kLauncherSettingsEvent);
    }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    std::unique_ptr<QWidget> screen;
    std::unique_ptr<PreferencesDlg> dlg;
};

} // namespace

TEST_F(Prefs, OpeningOnStatusBarAndConfirmingAtOnceKeepsChimeAndScreenSaver) {
    for (const bool on : {true, false}) {
        writeSettings([on](SettingsRecord& s) {
            s.chimeOn = on;
            s.screenSaverOn = on;
        });
        openDlg(PreferencesDlg::kTabStatusBar);
        dlg->cancel();
        // The window reopens on the tab it was left on, and the other pages were never shown.
        openDlg();
        EXPECT_EQ(dlg->currentTab(), PreferencesDlg::kTabStatusBar);
        EXPECT_FALSE(dlg->global()->shownOnce());
        EXPECT_FALSE(dlg->screenSaver()->shownOnce());
        click(dlg->okButton());
        EXPECT_FALSE(dlg->isOpen());
        EXPECT_EQ(app().settings.chimeOn, on);
        EXPECT_EQ(app().settings.screenSaverOn, on);
        EXPECT_EQ(savedSettings().chimeOn, on);
        EXPECT_EQ(savedSettings().screenSaverOn, on);
    }
}

TEST_F(Prefs, UncheckingTheScreenSaverUnregistersSignalsAndTheRunningLauncherEnds) {
    writeSettings([](SettingsRecord& s) { s.screenSaverOn = 1; });
    ASSERT_TRUE(writeInstallFolderValue());
    ASSERT_TRUE(registerLauncher(true));
    fake.eventsImpl.create(launcher::kEventInactive, false, nullptr);
    fake.eventsImpl.create(launcher::kEventActive, true, nullptr);
    launcher::Launcher running;
    ASSERT_TRUE(running.start());
    EXPECT_EQ(running.run(3), launcher::EndReason::None);

    openDlg(PreferencesDlg::kTabScreenSaver);
    PrefScreenSaver& page = *dlg->screenSaver();
    ASSERT_TRUE(IsChecked(page.enableBox()));
    click(page.enableBox());
    EXPECT_FALSE(IsChecked(page.enableBox()));
    click(dlg->okButton());

    EXPECT_FALSE(launcherRegistered());
    EXPECT_TRUE(settingsChangeSignalled());
    EXPECT_EQ(savedSettings().screenSaverOn, 0);
    EXPECT_TRUE(fake.shellImpl.started.empty());
    // The launcher hears the signal, re-reads the settings and ends.
    EXPECT_EQ(running.run(5), launcher::EndReason::ScreenSaverOff);
    EXPECT_FALSE(fake.eventsImpl.isSetByName(kLauncherRunningEvent));
}

TEST_F(Prefs, CheckingTheScreenSaverStartsTheLauncherOnceOrOnlySignalsARunningOne) {
    // Held as a launcher holds it: an event without holders is gone.
    const dev::EventHandle change = fake.eventsImpl.create(kLauncherSettingsEvent, false, nullptr);
    openDlg(PreferencesDlg::kTabScreenSaver);
    ASSERT_FALSE(IsChecked(dlg->screenSaver()->enableBox()));
    click(dlg->screenSaver()->enableBox());
    click(dlg->okButton());
    EXPECT_TRUE(launcherRegistered());
    EXPECT_EQ(savedSettings().screenSaverOn, 1);
    ASSERT_EQ(fake.shellImpl.started.size(), 1u);
    EXPECT_EQ(fake.shellImpl.started[0].first, kLauncherPath);
    EXPECT_EQ(fake.shellImpl.started[0].second, kLauncherArgument);
    EXPECT_TRUE(settingsChangeSignalled());
    // Confirmed again with the box still checked: no second start.
    openDlg(PreferencesDlg::kTabScreenSaver);
    click(dlg->okButton());
    EXPECT_EQ(fake.shellImpl.started.size(), 1u);

    // Switched off and on again while a launcher runs: only the signal.
    writeSettings([](SettingsRecord& s) { s.screenSaverOn = 0; });
    const dev::EventHandle runningLauncher =
        fake.eventsImpl.create(kLauncherRunningEvent, false, nullptr);
    fake.eventsImpl.set(runningLauncher);
    fake.eventsImpl.setByName(kLauncherSettingsEvent, false);
    openDlg(PreferencesDlg::kTabScreenSaver);
    click(dlg->screenSaver()->enableBox());
    click(dlg->okButton());
    EXPECT_EQ(fake.shellImpl.started.size(), 1u);
    EXPECT_TRUE(launcherRegistered());
    EXPECT_TRUE(settingsChangeSignalled());
    fake.eventsImpl.close(runningLauncher);
    fake.eventsImpl.close(change);
}

TEST_F(Prefs, TestPlaysThePickedSoundAndNothingForNone) {
    writeSettings([](SettingsRecord& s) { s.chimeOn = 1; });
    app().chimeSound = u"\\Windows\\Alarm3.wav";
    openDlg(PreferencesDlg::kTabGlobal);
    PrefGlobal& page = *dlg->global();
    ASSERT_NE(page.testButton(), nullptr);
    EXPECT_EQ(page.soundPicker()->entry(page.soundPicker()->selectedIndex()), u"Alarm3");
    click(page.testButton());
    ASSERT_EQ(fake.soundImpl.plays.size(), 1u);
    EXPECT_EQ(fake.soundImpl.plays[0].path, u"\\Windows\\Alarm3.wav");
    page.soundPicker()->setSelectedIndex(0);
    click(page.testButton());
    EXPECT_EQ(fake.soundImpl.plays.size(), 1u);
}

TEST_F(Prefs, ChimeControlsShowOnlyWhileChimeIsChecked) {
    openDlg(PreferencesDlg::kTabGlobal);
    PrefGlobal& page = *dlg->global();
    ASSERT_NE(page.chimeBox(), nullptr);
    EXPECT_FALSE(IsChecked(page.chimeBox()));
    EXPECT_FALSE(IsWindowVisible(page.intervalList()->hwnd()));
    EXPECT_FALSE(IsWindowVisible(page.soundPicker()->hwnd()));
    EXPECT_EQ(page.testButton(), nullptr);
    QImage shot = grab(page.hwnd());
    const auto inked = [&](const RECT& r) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (qGray(shot.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    EXPECT_FALSE(inked(PrefGlobal::kIntervalLabel));
    EXPECT_TRUE(inked(PrefGlobal::kStartupLabel));

    click(page.chimeBox());
    EXPECT_TRUE(page.chimePending());
    EXPECT_TRUE(IsWindowVisible(page.intervalList()->hwnd()));
    EXPECT_TRUE(IsWindowVisible(page.soundPicker()->hwnd()));
    ASSERT_NE(page.testButton(), nullptr);
    EXPECT_TRUE(page.testButton()->isVisible());
    shot = grab(page.hwnd());
    EXPECT_TRUE(inked(PrefGlobal::kIntervalLabel));
    EXPECT_TRUE(inked(PrefGlobal::kSoundLabel));

    click(page.chimeBox());
    EXPECT_FALSE(IsWindowVisible(page.intervalList()->hwnd()));
    EXPECT_FALSE(IsWindowVisible(page.soundPicker()->hwnd()));
    EXPECT_EQ(page.testButton(), nullptr);
    shot = grab(page.hwnd());
    EXPECT_FALSE(inked(PrefGlobal::kSoundLabel));
}

TEST_F(Prefs, ScreenSaverControlsShowOnlyWhileEnabledAndAMissingListGetsItsDefault) {
    ASSERT_FALSE(fileBytes(kExceptionFileName));
    openDlg(PreferencesDlg::kTabScreenSaver);
    PrefScreenSaver& page = *dlg->screenSaver();
    EXPECT_FALSE(IsWindowVisible(page.skinList()->hwnd()));
    EXPECT_FALSE(IsWindowVisible(page.timeoutList()->hwnd()));
    EXPECT_EQ(page.exceptionList(), nullptr);
    EXPECT_FALSE(fileBytes(kExceptionFileName)); // filled only when shown

    click(page.enableBox());
    EXPECT_TRUE(IsWindowVisible(page.skinList()->hwnd()));
    EXPECT_TRUE(IsWindowVisible(page.timeoutList()->hwnd()));
    ASSERT_NE(page.exceptionList(), nullptr);
    EXPECT_TRUE(page.exceptionList()->isVisible());
    EXPECT_TRUE(page.addButton()->isVisible());
    ListView* list = page.exceptionList();
    ASSERT_EQ(list->ItemCount(), 1);
    EXPECT_EQ(list->GetItemText(0, 0), u"wmplayer.exe");
    EXPECT_EQ(savedExceptions(), (Names{u"wmplayer.exe"}));

    click(page.enableBox());
    EXPECT_FALSE(IsWindowVisible(page.skinList()->hwnd()));
    EXPECT_FALSE(page.exceptionList()->isVisible());
    EXPECT_FALSE(page.deleteButton()->isVisible());
}

TEST_F(Prefs, ExceptionListAddAndDeleteSaveAtOnceAndCancelKeepsThem) {
    writeSettings([](SettingsRecord& s) { s.screenSaverOn = 1; });
    ASSERT_TRUE(dev::saveWholeFile(dataFilePath(kExceptionFileName),
                                   encodeExceptionList({u"a.exe", u"b.exe"})));
    const auto settingsBefore = fileBytes(u"settings.dat");
    openDlg(PreferencesDlg::kTabScreenSaver);
    PrefScreenSaver& page = *dlg->screenSaver();
    ListView* list = page.exceptionList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetItemText(0, 0), u"b.exe"); // newest first
    EXPECT_FALSE(IsWindowEnabled(page.deleteButton()));

    click(page.addButton());
    FolderBrowser* browser = page.programBrowser();
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(browser->isOpen());
    browser->tapItem(browser->findPath(u"\\Windows\\calc.exe"));
    EXPECT_FALSE(browser->isOpen());
    EXPECT_EQ(list->GetItemText(0, 0), u"calc.exe");
    EXPECT_EQ(savedExceptions(), (Names{u"a.exe", u"b.exe", u"calc.exe"}));

    // "Delete" waits for a tap on an item; a tap on nothing disables it again.
    QTest::mouseClick(list, Qt::LeftButton, {}, list->rect().center() + QPoint(0, 60));
    EXPECT_FALSE(IsWindowEnabled(page.deleteButton()));
    const RECT row = list->ItemRect(1);
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(row.left + 10, row.top + 5));
    EXPECT_TRUE(IsWindowEnabled(page.deleteButton()));
    QTest::mouseClick(list, Qt::LeftButton, {}, list->rect().center() + QPoint(0, 60));
    EXPECT_FALSE(IsWindowEnabled(page.deleteButton()));
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(row.left + 10, row.top + 5));
    click(page.deleteButton());
    EXPECT_EQ(savedExceptions(), (Names{u"a.exe", u"calc.exe"}));
    EXPECT_FALSE(IsWindowEnabled(page.deleteButton()));

    // Cancel stores nothing else and undoes nothing of the list.
    click(dlg->cancelButton());
    EXPECT_EQ(savedExceptions(), (Names{u"a.exe", u"calc.exe"}));
    EXPECT_EQ(fileBytes(u"settings.dat"), settingsBefore);
}

// On a desktop the programs that keep the screen saver away are the host's: "Add..." offers the
// running programs beside the device's folders, by the names the launcher matches.
TEST_F(Prefs, AddOffersTheRunningProgramsOfTheHost) {
    writeSettings([](SettingsRecord& s) { s.screenSaverOn = 1; });
    fake.shellImpl.processes = {u"vlc", u"bash", u"Horavel.exe", u"vlc", u"libreoffice"};
    openDlg(PreferencesDlg::kTabScreenSaver);
    PrefScreenSaver& page = *dlg->screenSaver();
    click(page.addButton());
    FolderBrowser* browser = page.programBrowser();
    ASSERT_NE(browser, nullptr);
    ASSERT_NE(browser->runningItem(), nullptr);
    EXPECT_EQ(browser->childNames(browser->runningItem()),
              (Names{u"bash", u"Horavel.exe", u"libreoffice", u"vlc"}));
    // The device's folders are still there.
    EXPECT_NE(browser->findPath(u"\\Windows\\calc.exe"), nullptr);
    browser->tapItem(TreeGetChildren(browser->tree(), browser->runningItem()).back());
    EXPECT_FALSE(browser->isOpen());
    EXPECT_EQ(savedExceptions().back(), u"vlc");
}

TEST_F(Prefs, ConfirmingStoresEveryChoiceAndWritesTheFilesEachTime) {
    openDlg(PreferencesDlg::kTabGlobal);
    PrefGlobal& g = *dlg->global();
    g.startupList()->SetSelected(5);
    g.volumeList()->SetSelected(2);
    g.weekList()->SetSelected(1);
    click(g.chimeBox());
    g.intervalList()->SetSelected(2);
    g.soundPicker()->setSelectedIndex(3); // Chimes
    dlg->selectTab(PreferencesDlg::kTabStatusBar);
    dlg->statusBar()->partList(0)->SetSelected(7);
    dlg->statusBar()->partList(2)->SetSelected(4);
    dlg->selectTab(PreferencesDlg::kTabScreenSaver);
    click(dlg->screenSaver()->enableBox());
    dlg->screenSaver()->skinList()->SetSelected(2);
    dlg->screenSaver()->timeoutList()->SetSelected(9);
    dev::deleteFile(dataFilePath(u"settings.dat"));
    click(dlg->okButton());

    const SettingsRecord s = savedSettings();
    EXPECT_EQ(s.startupView, 5u);
    EXPECT_EQ(s.alarmVolume, 2u);
    EXPECT_EQ(s.weekNumbering, 1);
    EXPECT_EQ(s.chimeOn, 1);
    EXPECT_EQ(s.chimeInterval, 2);
    EXPECT_EQ(s.statusLeft, 7u);
    EXPECT_EQ(s.statusRight, 4u);
    EXPECT_EQ(s.screenSaverOn, 1);
    EXPECT_EQ(s.screenSaverSkin, 2);
    EXPECT_EQ(s.screenSaverTimeout, 9);
    EXPECT_EQ(readSoundPathFile(dataFilePath(u"chimesnd.dat")), u"\\Windows\\Chimes.wav");
    EXPECT_EQ(app().chimeSound, u"\\Windows\\Chimes.wav");

    // Written again by the next confirmation, even with nothing changed.
    dev::deleteFile(dataFilePath(u"settings.dat"));
    dev::deleteFile(dataFilePath(u"chimesnd.dat"));
    openDlg();
    click(dlg->okButton());
    EXPECT_EQ(savedSettings().statusLeft, 7u);
    EXPECT_TRUE(fileBytes(u"chimesnd.dat"));
}

TEST_F(Prefs, CancelStoresNothingAndReopeningShowsTheRecord) {
    writeSettings([](SettingsRecord& s) {
        s.startupView = 3;
        s.statusCentral = 2;
        s.chimeOn = 1;
    });
    app().chimeSound = u"\\Windows\\Alarm1.wav";
    const SettingsRecord before = app().settings;
    const auto fileBefore = fileBytes(u"settings.dat");
    openDlg(PreferencesDlg::kTabGlobal);
    dlg->global()->startupList()->SetSelected(7);
    click(dlg->global()->chimeBox());
    dlg->selectTab(PreferencesDlg::kTabStatusBar);
    dlg->statusBar()->partList(1)->SetSelected(8);
    click(dlg->cancelButton());
    EXPECT_FALSE(dlg->isOpen());
    EXPECT_EQ(std::memcmp(&app().settings, &before, sizeof before), 0);
    EXPECT_EQ(fileBytes(u"settings.dat"), fileBefore);
    EXPECT_FALSE(fileBytes(u"chimesnd.dat"));
    EXPECT_FALSE(settingsChangeSignalled());

    openDlg(PreferencesDlg::kTabGlobal);
    EXPECT_EQ(dlg->global()->startupList()->selected(), 3);
    EXPECT_TRUE(IsChecked(dlg->global()->chimeBox()));
    EXPECT_EQ(dlg->global()->soundPicker()->getPath(), u"\\Windows\\Alarm1.wav");
    EXPECT_EQ(dlg->statusBar()->partList(1)->selected(), 2);
}

TEST_F(Prefs, OldSystemsHaveNoScreenSaverPageAndKeepTheStoredChoice) {
    fake.shellImpl.majorVersion = 3;
    writeSettings([](SettingsRecord& s) { s.screenSaverOn = 1; });
    ASSERT_TRUE(registerLauncher(true));
    openDlg();
    EXPECT_EQ(dlg->tabCount(), 2);
    EXPECT_EQ(dlg->screenSaver(), nullptr);
    dlg->selectTab(PreferencesDlg::kTabScreenSaver); // refused
    EXPECT_EQ(dlg->currentTab(), PreferencesDlg::kTabGlobal);
    click(dlg->okButton());
    EXPECT_EQ(savedSettings().screenSaverOn, 1);
    EXPECT_TRUE(launcherRegistered());
    EXPECT_TRUE(fake.shellImpl.started.empty());
}

// ---- In the main window ----------------------------------------------------------------------

namespace {

class PlainView : public view::View {
public:
    using View::View;
    void paint(tk::DC& dc) override { dc.FillRect(view::kViewArea, tk::RGB(255, 255, 255)); }
};

std::unique_ptr<view::View> makePlainView(int number, view::ViewContext& ctx) {
    return std::make_unique<PlainView>(ctx, number);
}

} // namespace

TEST_F(Prefs, TheMainWindowShowsTheNewStatusBarAtTheNextTickAndStartsInTheNewView) {
    writeSettings([](SettingsRecord& s) {
        s.statusLeft = 0;
        s.startupView = 1;
    });
    auto w = std::make_unique<MainWindow>(parseCommandLine(u""), makePlainView);
    ASSERT_TRUE(w->start());
    pump();
    EXPECT_EQ(w->holder().headerBar->statusTexts()[0], u"");
    w->command(kCmdPreferences);
    PreferencesDlg* p = w->preferences();
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(p->isOpen());
    p->selectTab(PreferencesDlg::kTabStatusBar);
    p->statusBar()->partList(0)->SetSelected(8); // Time
    p->selectTab(PreferencesDlg::kTabGlobal);
    p->global()->startupList()->SetSelected(5); // Timers
    click(p->okButton());
    EXPECT_FALSE(p->isOpen());
    fake.clockImpl.advanceMs(1000);
    w->tick();
    EXPECT_FALSE(w->holder().headerBar->statusTexts()[0].empty());
    w->exitSequence();
    w.reset();

    resetAppState();
    ASSERT_TRUE(loadSettings());
    auto next = std::make_unique<MainWindow>(parseCommandLine(u""), makePlainView);
    ASSERT_TRUE(next->start());
    EXPECT_EQ(next->currentView(), kTimers);
}

TEST_F(Prefs, AChimeConfirmedWithNoneStaysSilent) {
    writeSettings([](SettingsRecord& s) {
        s.chimeOn = 1;
        s.chimeInterval = 0; // 5 minute
    });
    auto w = std::make_unique<MainWindow>(parseCommandLine(u""), makePlainView);
    ASSERT_TRUE(w->start());
    const auto chimesAcrossFiveMinutes = [&] {
        fake.soundImpl.plays.clear();
        fake.clockImpl.setLocal(dev::SystemTime{2026, 3, 6, 14, 10, 4, 59, 500});
        for (int i = 0; i < 10; ++i) {
            fake.clockImpl.advanceMs(100);
            w->tick();
        }
        return fake.soundImpl.plays.size();
    };
    w->command(kCmdPreferences);
    PreferencesDlg* p = w->preferences();
    p->selectTab(PreferencesDlg::kTabGlobal);
    p->global()->soundPicker()->setSelectedIndex(0);
    click(p->okButton());
    EXPECT_EQ(app().chimeSound, u"\\Windows\\None.wav");
    EXPECT_EQ(chimesAcrossFiveMinutes(), 0u);

    w->command(kCmdPreferences);
    p->global()->soundPicker()->setSelectedIndex(2); // Alarm3
    click(p->okButton());
    EXPECT_EQ(chimesAcrossFiveMinutes(), 1u);
    EXPECT_FALSE(namesNoSound(u"\\Windows\\Alarm3.wav"));
    EXPECT_TRUE(namesNoSound(u"\\My Music\\NONE.WAV"));
}

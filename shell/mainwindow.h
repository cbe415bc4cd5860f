// The main window of Horavel: the view holder with its sixteen views and the header bar, the
// soft-key menu bar ("Options", "View"), the 100 ms tick, view switching, the commands, the
// screen-saver mode and the exit sequence that saves the remembered state.
#pragma once

#include "cities/citydatabase.h"
#include "items/alarms.h"
#include "items/timers.h"
#include "shell/headerbar.h"
#include "shellcore/homesources.h"
#include "shellcore/shellcore.h"
#include "toolkit/window/SWindow.h"
#include "viewbase/citysource.h"
#include "viewbase/view.h"

#include <QBasicTimer>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include <QDialog>
class QMenu;
class QToolButton;

namespace hv::dev {
class FileWatch;
}

namespace hv::shell {

class MainClient;
class PreferencesDlg;

// Logical size of the main window and of its soft-key menu bar at the bottom.
inline constexpr int kWindowWidth = view::kSkinWidth;
// The handheld's screen, which a watch skin takes whole.
inline constexpr int kScreenHeight = view::kSkinHeight;
// The views with the title strip and the status bar (which ends at 534), and the menu bar below
// them: the window's client area.
inline constexpr int kViewsHeight = 536;
inline constexpr int kMenuBarHeight = 26;
inline constexpr int kWindowHeight = kViewsHeight + kMenuBarHeight;
inline constexpr int kTickTimerId = 55; // the handheld's window timer id
inline constexpr int kTickMs = 100;

// Holds the views, the header bar and the state of the shell.
struct ViewHolder {
    bool settingsLoaded = false;
    int currentView = -1;
    std::unique_ptr<CityDatabase> cities;
    std::unique_ptr<view::DatabaseCitySource> citySource;
    std::unique_ptr<view::ViewContext> context;
    std::unique_ptr<ShellStatusSources> sources;
    std::unique_ptr<HeaderBar> headerBar;
    Ticker ticker;
    std::vector<int> buildOrder; // the views in the order they were built
    // Declared last, so destroyed first: the views hold the context, the city database and the
    // item tables by reference.
    std::array<std::unique_ptr<view::View>, kViewCount> views;
};

class MainWindow : public QWidget {
public:
    // Builds the window, the menu bar and the view holder (start-up steps up to the views); the
    // factory builds each view.
    MainWindow(const CommandLine& cmd, view::ViewFactory factory);
    ~MainWindow() override;

    // The rest of start-up: the command line's view, the first switch, showing the window, the
    // forced Home Location check, then the tick. False when the tick cannot start.
    bool start();

    void command(int id);
    void switchView();
    // One tick of the 100 ms timer.
    void tick();
    // The exit sequence: stores the view states and saves (nothing in screen-saver mode). Runs
    // once.
    void exitSequence();

    // A private message to the main window: the shown view hears the notifications of its
    // controls; WM_USER + 5 redraws everything after 100 ms.
    tk::LRESULT message(tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp);
    void redrawSoon();

    bool screenSaverMode() const { return screenSaverMode_; }
    int selectedView() const;
    void setSelectedView(int v);
    int currentView() const { return holder_.currentView; }
    ViewHolder& holder() { return holder_; }
    view::View* view(int v) {
        return isView(v) ? holder_.views[static_cast<size_t>(v)].get() : nullptr;
    }
    bool fullScreenSkin() const { return fullScreen_; }
    bool tickRunning() const { return tickTimer_.isActive(); }
    bool quitRequested() const { return quitRequested_; }
    QDialog* openDialog() const { return dialog_; }
    // The Preferences window, built at its first opening; nullptr before.
    PreferencesDlg* preferences() const { return preferences_.get(); }
    QMenu* optionsMenu() const { return optionsMenu_; }
    QMenu* viewMenu() const { return viewMenu_; }
    // The client area: the toolkit window the views draw into and their controls live in.
    QWidget* canvas() const;
    tk::HWND clientWindow() const;
    view::ViewContext& context() { return *holder_.context; }

    // The forced Home Location check: true when the device zone differs from the home city's
    // (tests replace it).
    std::function<bool()> homeLocationDiffers;

    // Paints the main window's client area (logical coordinates) and handles the stylus.
    void paintClient(tk::DC& dc);
    void stylusDown(Point p);
    void stylusMove(Point p);
    void stylusUp(Point p);
    // Renders one view as the window shows it without a screen: the views with the menu bar below
    // them (480 x 562), a watch skin the whole screen (480 x 640).
    QImage renderView(int v);
    // Called once after the first frame is painted.
    void setOnFirstPaint(std::function<void()> f);
    // Brings the window to the front (a second start asked for it).
    void activate();
    // What a screen reader is told of the client area: the shown view by name, the time and date
    // it shows, and the header bar's parts.
    tk::Accessible accessibility() const;

protected:
    void timerEvent(QTimerEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // Alt pressed and released with no other key between opens "Options".
    class AltWatcher : public QObject {
    public:
        explicit AltWatcher(MainWindow& w) : w_(w) {}
        bool eventFilter(QObject* obj, QEvent* ev) override;

    private:
        MainWindow& w_;
        bool armed_ = false;
    };

    void buildMenuBar();
    // The keys of the menus: F10 and Alt open "Options", Ctrl+Page Up and Ctrl+Page Down step
    // to the previous and next view.
    void buildMenuKeys();
    void openOptionsMenu();
    void stepView(int delta);
    static QString viewMenuText(int v);
    void buildViewHolder();
    void buildContext();
    view::View* shownView();
    void enterFullScreen();
    void leaveFullScreen();
    void requestQuit();
    void openHomeLocation(bool forced);
    void openEditCities();
    void citiesChanged();
    void openPreferences();
    void openAbout();
    void openSetDateTime();
    void showDialog(QDialog* d);
    // Moves a dialog to the middle of the main window.
    void centreOver(QWidget* d);
    // The files the tick shows (the device clock's, the alarms and the timers) are watched, so
    // that a tick reads one only after it changed.
    void watchDeviceFiles();
    void takeFileChanges();
    void lookAtAlarms();
    void lookForEndedTimers();

    bool screenSaverMode_ = false;
    uint32_t screenSaverSkinArg_ = 0;
    CommandLine cmd_;
    view::ViewFactory factory_;
    ViewHolder holder_;
    std::unique_ptr<MainClient> client_;
    std::unique_ptr<PreferencesDlg> preferences_;
    QWidget* menuBar_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QToolButton* optionsButton_ = nullptr;
    std::unique_ptr<AltWatcher> altWatcher_;
    QBasicTimer tickTimer_;
    bool fullScreen_ = false;
    bool quitRequested_ = false;
    bool exited_ = false;
    bool firstStart_ = false;
    bool homeFromHost_ = false;
    QPointer<QDialog> dialog_;
    std::unique_ptr<dev::FileWatch> watch_;
    std::unique_ptr<QSocketNotifier> watchNotifier_;
    std::filesystem::path clockFile_, alarmsFile_, timersFile_;
    bool alarmsChanged_ = true;
    // New seconds in which the tick still asks whether the reminder ended a timer.
    int timerLooks_ = 0;
    // What the status bar's texts were last composed from, besides the time.
    struct StatusInputs {
        std::array<uint8_t, sizeof(SettingsRecord)> settings{};
        std::array<uint8_t, sizeof(items::AlarmRecord) * items::kAlarmCount> alarms{};
        std::array<uint8_t, sizeof(items::TimerRecord) * items::kTimerCount> timers{};
        const CityRecord* home = nullptr;
        uint64_t stopwatchSecond = 0; // a running stopwatch's seconds turn inside the clock's
        friend bool operator==(const StatusInputs&, const StatusInputs&) = default;
    };
    StatusInputs statusInputs_;
};

// The "Set Date && Time" dialog: a date and a time picker that follow the clock until changed;
// "Apply" sets the device clock, "OK" closes without setting anything.
QDialog* createSetDateTimeDialog(QWidget* parent);
// The About box.
QDialog* createAboutDialog(QWidget* parent);

} // namespace hv::shell

#include "shell/mainwindow.h"
#include "shell/preferences.h"

#include "cities/ui/editcities.h"
#include "cities/ui/homelocation.h"
#include "device/device.h"
#include "device/files.h"
#include "device/format.h"
#include "device/paths.h"
#include "device/text.h"
#include "device/watch.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/reregister.h"
#include "items/stopwatch.h"
#include "items/timers.h"
#include "settings/settings.h"
#include "settings/soundpath.h"
#include "shell/shellfonts.h"
#include "shell/shellstrings.h"
#include "shellcore/homesources.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/strings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstring>

namespace hv::shell {

using namespace hv::tk;

// The client area: a window of the toolkit, so that the views draw into it through device
// contexts, their controls are its child windows and the controls' private messages reach the
// main window. A full-screen skin is scaled to fit the real screen, keeping its proportions.
class MainClient : public tk::SWindow {
public:
    explicit MainClient(MainWindow* w) : w_(w) {
        Create(0, u"HoravelClient", u"", WS_CHILD | WS_VISIBLE, 0, 0, kWindowWidth, kViewsHeight, w,
               0, nullptr);
        hwnd()->setAttribute(Qt::WA_OpaquePaintEvent);
    }
    ~MainClient() override {
        if (hwnd())
            tk::DestroyWindow(hwnd());
    }

    QTransform logicalToWidget() const {
        if (!w_->fullScreenSkin() && !w_->screenSaverMode())
            return {};
        const view::ScreenFit f = view::FitSkin(hwnd()->width(), hwnd()->height());
        return QTransform(f.scale, 0, 0, f.scale, f.dx, f.dy);
    }
    // Prepares a context for logical coordinates (the skin's scale, smooth drawing).
    void prepare(tk::DC& dc) const {
        QPainter& p = dc.painter();
        if (w_->fullScreenSkin() || w_->screenSaverMode())
            p.setTransform(logicalToWidget());
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
    }

    void Paint(HDC hdc) override {
        if (w_->fullScreenSkin() || w_->screenSaverMode())
            hdc->painter().fillRect(hdc->painter().viewport(), Qt::black);
        prepare(*hdc);
        w_->paintClient(*hdc);
        if (onFirstPaint) {
            auto f = std::move(onFirstPaint);
            onFirstPaint = nullptr;
            QTimer::singleShot(0, hwnd(), std::move(f));
        }
    }
    Point logical(POINT p) const {
        const QPointF q = logicalToWidget().inverted().map(QPointF(p.x, p.y));
        return {static_cast<int>(std::floor(q.x())), static_cast<int>(std::floor(q.y()))};
    }
    void OnLButtonDown(POINT p) override { w_->stylusDown(logical(p)); }
    void OnMouseMove(POINT p) override { w_->stylusMove(logical(p)); }
    void OnLButtonUp(POINT p) override { w_->stylusUp(logical(p)); }
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg >= WM_USER && msg < WM_USER + 0x100)
            return w_->message(msg, wp, lp);
        return SWindow::WindowProc(hwnd, msg, wp, lp);
    }
    tk::Accessible accessibility() const override { return w_->accessibility(); }

    std::function<void()> onFirstPaint;

private:
    MainWindow* w_;
};

MainWindow::MainWindow(const CommandLine& cmd, view::ViewFactory factory)
    : cmd_(cmd), factory_(std::move(factory)) {
    registerShellStrings();
    setWindowTitle(dev::toQString(tk::LoadStringResource(kStrTitle)));
    setObjectName(dev::toQString(tk::LoadStringResource(kStrClassName)));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    client_ = std::make_unique<MainClient>(this);
    layout->addWidget(client_->hwnd(), 1);
    if (cmd.kind == CommandLine::Kind::ScreenSaver) {
        screenSaverMode_ = true;
        screenSaverSkinArg_ = cmd.number;
    } else {
        buildMenuBar();
        layout->addWidget(menuBar_);
    }
    setFixedSize(kWindowWidth, kWindowHeight);
    // Accelerators: Ctrl+A about, Ctrl+Q close.
    auto* about = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), this);
    QObject::connect(about, &QShortcut::activated, this, [this] { command(kCmdAbout); });
    auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    QObject::connect(close, &QShortcut::activated, this, [this] { command(kCmdClose); });
    buildViewHolder();
    // Forced at start when the device zone is not the home city's, or on a first start whose
    // home city the host's zone did not name.
    homeLocationDiffers = [this] {
        return homeZoneDiffers(*holder_.cities) ||
               (firstStart_ && !homeFromHost_ && holder_.cities->homeRecord());
    };
}

MainWindow::~MainWindow() {
    tickTimer_.stop();
    delete dialog_.data();
    // The clock outlives the window: without the watch it looks at its file again.
    if (!clockFile_.empty() && dev::current().clock().stateFile() == clockFile_)
        dev::current().clock().setWatched(false);
}

QWidget* MainWindow::canvas() const {
    return client_->hwnd();
}

HWND MainWindow::clientWindow() const {
    return client_->hwnd();
}

void MainWindow::setOnFirstPaint(std::function<void()> f) {
    client_->onFirstPaint = std::move(f);
}

void MainWindow::buildMenuBar() {
    menuBar_ = new QWidget(this);
    menuBar_->setObjectName(QStringLiteral("menuBar"));
    menuBar_->setFixedHeight(kMenuBarHeight);
    menuBar_->setAutoFillBackground(true);
    QPalette pal = menuBar_->palette();
    pal.setColor(QPalette::Window, QColor(0x1F, 0x3A, 0x5C));
    pal.setColor(QPalette::ButtonText, Qt::white);
    menuBar_->setPalette(pal);
    auto* row = new QHBoxLayout(menuBar_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto addCommand = [this](QMenu* m, const QString& text, int id) {
        QAction* a = m->addAction(text);
        a->setData(id);
        QObject::connect(a, &QAction::triggered, this, [this, id] { command(id); });
    };
    optionsMenu_ = new QMenu(this);
    addCommand(optionsMenu_, QStringLiteral("&Preferences"), kCmdPreferences);
    optionsMenu_->addSeparator();
    addCommand(optionsMenu_, QStringLiteral("&Home Location"), kCmdHomeLocation);
    addCommand(optionsMenu_, QStringLiteral("&Edit Cities"), kCmdEditCities);
    addCommand(optionsMenu_, QStringLiteral("Set &Date && Time"), kCmdSetDateTime);
    optionsMenu_->addSeparator();
    addCommand(optionsMenu_, QStringLiteral("&About"), kCmdAbout);
    optionsMenu_->addSeparator();
    addCommand(optionsMenu_, QStringLiteral("E&xit"), kCmdExit);

    viewMenu_ = new QMenu(this);
    for (int v = 0; v < kFirstSkinView; ++v)
        addCommand(viewMenu_, viewMenuText(v), commandOfView(v));
    viewMenu_->addSeparator();
    QMenu* like = viewMenu_->addMenu(QStringLiteral("&View like..."));
    for (int v = kFirstSkinView; v < kViewCount; ++v)
        addCommand(like, viewMenuText(v), commandOfView(v));

    auto button = [&](const QString& text, QMenu* menu) {
        auto* b = new QToolButton(menuBar_);
        b->setText(text);
        b->setMenu(menu);
        b->setPopupMode(QToolButton::InstantPopup);
        b->setAutoRaise(true);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setStyleSheet(
            QStringLiteral("QToolButton { color: white; font-weight: bold; border: none; "
                           "padding: 0 18px; } QToolButton::menu-indicator { image: none; }"
                           "QToolButton:pressed { background: #3A6EA5; }"));
        b->setFont(shellFont(14, true));
        b->setFixedHeight(kMenuBarHeight);
        return b;
    };
    optionsButton_ = button(dev::toQString(tk::LoadStringResource(kStrOptions)), optionsMenu_);
    row->addWidget(optionsButton_);
    row->addStretch(1);
    row->addWidget(button(dev::toQString(tk::LoadStringResource(kStrView)), viewMenu_));
    buildMenuKeys();
}

void MainWindow::buildMenuKeys() {
    // F10 opens "Options", as the menu key of a desktop window; Alt pressed and released alone
    // does the same (AltWatcher).
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    QObject::connect(f10, &QShortcut::activated, this, [this] { openOptionsMenu(); });
    altWatcher_ = std::make_unique<AltWatcher>(*this);
    qApp->installEventFilter(altWatcher_.get());
    // Ctrl+Page Up and Ctrl+Page Down step through the views in the view list's order.
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), this);
    QObject::connect(previous, &QShortcut::activated, this, [this] { stepView(-1); });
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), this);
    QObject::connect(next, &QShortcut::activated, this, [this] { stepView(1); });
}

void MainWindow::openOptionsMenu() {
    if (!optionsMenu_ || !optionsButton_ || optionsMenu_->isVisible() || !isActiveWindow() ||
        !optionsButton_->isVisible())
        return;
    // Above the button, as the menu bar stands at the bottom of the window; the first item
    // highlighted, so that the arrows and Enter work at once.
    QPoint at = optionsButton_->mapToGlobal(QPoint(0, 0));
    at.ry() -= optionsMenu_->sizeHint().height();
    optionsMenu_->popup(at);
    if (!optionsMenu_->actions().isEmpty())
        optionsMenu_->setActiveAction(optionsMenu_->actions().first());
}

void MainWindow::stepView(int delta) {
    if (screenSaverMode_)
        return;
    command(commandOfView(((selectedView() + delta) % kViewCount + kViewCount) % kViewCount));
    // Tab starts again at the first control of the view shown.
    client_->hwnd()->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::AltWatcher::eventFilter(QObject*, QEvent* ev) {
    switch (ev->type()) {
    case QEvent::KeyPress: {
        const auto* k = static_cast<QKeyEvent*>(ev);
        armed_ = k->key() == Qt::Key_Alt && (k->modifiers() & ~Qt::AltModifier) == Qt::NoModifier;
        break;
    }
    case QEvent::KeyRelease: {
        const auto* k = static_cast<QKeyEvent*>(ev);
        if (armed_ && k->key() == Qt::Key_Alt && !k->isAutoRepeat()) {
            armed_ = false;
            // Once, whatever widget heard it first.
            QTimer::singleShot(0, &w_, [this] { w_.openOptionsMenu(); });
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::WindowDeactivate:
        armed_ = false;
        break;
    default:
        break;
    }
    return false;
}

// A view's name in the View menu with its mnemonic: no two items of one menu share a letter.
QString MainWindow::viewMenuText(int v) {
    static constexpr std::array<int, kViewCount> kLetter = {
        0, 0, 0, 1, 0, 0, 0, 0, 5, 1, 0, 0, 2, // General .. Time Calc ("A&larms", "Moon &Phases")
        0, 1, 4};                              // "&Citizen like", "C&asio like", "Ana-&Digi like"
    QString name = dev::toQString(viewName(v));
    const int at = isView(v) ? kLetter[static_cast<size_t>(v)] : 0;
    if (at < name.size())
        name.insert(at, QLatin1Char('&'));
    return name;
}

void MainWindow::buildContext() {
    AppState& a = app();
    holder_.context.reset(new view::ViewContext{*holder_.cities, items::alarms(), items::timers(),
                                                items::events(), items::stopwatch(), a.settings,
                                                a.locale, a.names, client_->hwnd(), nullptr});
    holder_.context->screenSaver = screenSaverMode_;
    holder_.context->selectView = [this](int v) {
        if (!isView(v) || screenSaverMode_)
            return;
        setSelectedView(v);
        switchView();
        client_->hwnd()->update();
    };
}

void MainWindow::buildViewHolder() {
    // No settings file yet: the program's first start on this device.
    firstStart_ = !dev::fileExists(dataFilePath(u"settings.dat"));
    holder_.settingsLoaded = loadSettings();
    holder_.cities = std::make_unique<CityDatabase>();
    if (!screenSaverMode_) {
        loadCities(*holder_.cities);
        // A first start on a desktop: a host zone of a shipped city makes that city home.
        if (firstStart_) {
            homeFromHost_ = homeFromHostZone(*holder_.cities, app().settings);
            // Kept at once: a start that ends without the exit save (a render of the views)
            // leaves the same home to the next start.
            if (homeFromHost_)
                saveSettingsWithRetry();
        }
    }
    holder_.citySource = std::make_unique<view::DatabaseCitySource>(*holder_.cities);
    tk::SetCitySource(holder_.citySource.get());
    holder_.sources = std::make_unique<ShellStatusSources>(*holder_.cities);
    // The alarms (and, in normal mode, the timers) are loaded before the views are built.
    holder_.sources->loadTables(!screenSaverMode_);
    // Items whose registration the notification service lost are registered again.
    if (!screenSaverMode_ && items::events().load())
        items::registerMissingItems(items::alarms(), items::timers(), items::events());
    buildContext();
    auto build = [this](int v) {
        holder_.views[static_cast<size_t>(v)] = factory_(v, *holder_.context);
        holder_.buildOrder.push_back(v);
    };
    if (screenSaverMode_) {
        build(kFirstSkinView + static_cast<int>(screenSaverSkinArg_));
        return;
    }
    for (int v = 0; v < kFirstSkinView; ++v)
        build(v);
    const int selected = startupSelectedView(app().settings);
    holder_.headerBar = std::make_unique<HeaderBar>(*holder_.sources, client_->hwnd(), selected);
    holder_.headerBar->onViewChosen = [this] { switchView(); };
    holder_.headerBar->recomposeStatusBar(dev::getLocalTime());
    for (int v = kFirstSkinView; v < kViewCount; ++v)
        build(v);
    // Preferences, Home Location, the set-date-and-time state and Edit Cities are built when
    // opened.
    holder_.currentView = -1;
}

view::View* MainWindow::shownView() {
    return view(screenSaverMode_ ? selectedView() : holder_.currentView);
}

int MainWindow::selectedView() const {
    if (screenSaverMode_)
        return kFirstSkinView + static_cast<int>(screenSaverSkinArg_);
    return holder_.headerBar ? holder_.headerBar->selectedView() : 0;
}

void MainWindow::setSelectedView(int v) {
    if (holder_.headerBar)
        holder_.headerBar->setSelectedView(v);
}

bool MainWindow::start() {
    if (!screenSaverMode_) {
        const StartupChoice c = chooseStartup(app().settings, cmd_);
        setSelectedView(c.selectedView);
        view(kAlarms)->setSubState(c.sub.alarmsPage);
        view(kTimers)->setSubState(c.sub.timersSelected);
        view(kCityTime)->setSubState(c.sub.cityTimeSelected);
        view(kTimeCalc)->setSubState(c.sub.timeCalcSelected);
    }
    switchView();
    show();
    if (holder_.headerBar)
        holder_.headerBar->recomposeStatusBar(dev::getLocalTime(), true);
    if (!screenSaverMode_ && homeLocationDiffers && homeLocationDiffers())
        openHomeLocation(true);
    watchDeviceFiles();
    tickTimer_.start(kTickMs, Qt::CoarseTimer, this);
    return tickTimer_.isActive();
}

void MainWindow::watchDeviceFiles() {
    watch_ = std::make_unique<dev::FileWatch>();
    clockFile_ = dev::current().clock().stateFile();
    if (!clockFile_.empty())
        watch_->watch(clockFile_);
    alarmsFile_ = dev::hostPath(dataFilePath(items::kAlarmsFileName));
    watch_->watch(alarmsFile_);
    if (!screenSaverMode_) {
        timersFile_ = dev::hostPath(dataFilePath(items::kTimersFileName));
        watch_->watch(timersFile_);
    }
    if (!clockFile_.empty())
        dev::current().clock().setWatched(watch_->watched(clockFile_));
    if (watch_->descriptor() >= 0) {
        watchNotifier_ =
            std::make_unique<QSocketNotifier>(watch_->descriptor(), QSocketNotifier::Read, this);
        QObject::connect(watchNotifier_.get(), &QSocketNotifier::activated, this,
                         [this] { takeFileChanges(); });
    }
}

void MainWindow::takeFileChanges() {
    if (!watch_)
        return;
    for (const auto& f : watch_->take()) {
        if (f == clockFile_)
            dev::current().clock().stateChanged();
        else if (f == alarmsFile_)
            alarmsChanged_ = true;
        else if (f == timersFile_)
            // The reminder writes an ended timer back, then sets the event that tells of it.
            timerLooks_ = 10;
    }
    // A folder watched again after it went (or one that still cannot be) changes how the clock
    // learns of its file.
    if (!clockFile_.empty())
        dev::current().clock().setWatched(watch_->watched(clockFile_));
}

void MainWindow::lookAtAlarms() {
    items::Alarms& a = items::alarms();
    if (watch_ && watch_->watched(alarmsFile_) && !alarmsChanged_ && a.loaded())
        return;
    bool busy = false;
    a.refresh(&busy);
    // A file another program holds is looked at again at the next second.
    alarmsChanged_ = busy;
}

void MainWindow::lookForEndedTimers() {
    items::Timers& t = items::timers();
    // The event is asked for while the timer file changed lately or a timer has reached its end;
    // a timer the reminder ended is completed one a second, so another may follow.
    if (watch_ && watch_->watched(timersFile_) && timerLooks_ == 0 && !t.endReached())
        return;
    if (timerLooks_ > 0)
        --timerLooks_;
    if (t.checkChanged() >= 0)
        timerLooks_ = std::max(timerLooks_, 1);
}

void MainWindow::enterFullScreen() {
    if (fullScreen_)
        return;
    fullScreen_ = true;
    if (menuBar_)
        menuBar_->hide();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showFullScreen();
}

void MainWindow::leaveFullScreen() {
    if (!fullScreen_)
        return;
    fullScreen_ = false;
    showNormal();
    setFixedSize(kWindowWidth, kWindowHeight);
    if (menuBar_)
        menuBar_->show();
}

void MainWindow::switchView() {
    if (screenSaverMode_) {
        const int skin = selectedView();
        holder_.currentView = skin;
        view(skin)->show();
        enterFullScreen();
        tk::InvalidateRect(client_->hwnd(), nullptr, true);
        return;
    }
    const SwitchPlan plan = planSwitch(holder_.currentView, selectedView());
    if (plan.resync) {
        view(holder_.currentView)->resync();
        return;
    }
    if (plan.hide >= 0)
        view(plan.hide)->hide();
    if (plan.leaveFullScreen)
        leaveFullScreen();
    if (plan.show >= 0) {
        view(plan.show)->show();
        holder_.currentView = plan.show;
    }
    if (plan.enterFullScreen)
        enterFullScreen();
    if (plan.invalidate)
        tk::InvalidateRect(client_->hwnd(), nullptr, true);
    if (plan.show >= 0)
        tk::AccessibleNameChanged(client_->hwnd());
}

void MainWindow::paintClient(tk::DC& dc) {
    if (screenSaverMode_ || fullScreen_) {
        if (view::View* v = shownView())
            v->paint(dc);
        return;
    }
    dc.FillRect(view::kClientRect, RGB(255, 255, 255));
    holder_.headerBar->paint(dc.painter());
    // A repaint of the status bar alone (its texts change every second) leaves the view be.
    const QPainter& p = dc.painter();
    const QRect area(view::kViewArea.left, view::kViewArea.top,
                     view::kViewArea.right - view::kViewArea.left,
                     view::kViewArea.bottom - view::kViewArea.top);
    if (p.hasClipping() && !p.clipBoundingRect().intersects(area))
        return;
    if (view::View* v = view(selectedView()))
        v->paint(dc);
}

void MainWindow::tick() {
    const dev::SystemTime now = dev::getLocalTime();
    const Ticker::Result r =
        holder_.ticker.tick(now, app().settings, screenSaverMode_, holder_.currentView);
    // A chime set to "None" in Preferences stays silent; a watch skin shown as the screen saver
    // chimes as the views do.
    if (r.chime && !app().chimeSound.empty() && !namesNoSound(app().chimeSound))
        dev::current().sound().play(app().chimeSound);
    if (!r.redraw)
        return;
    // Once a second, whatever view is shown (not at every tick of a running stopwatch), a timer
    // the reminder ended is completed and the alarms take the reminder's re-registrations, so the
    // status bar and a later save never hold stale records.
    if (r.secondChanged) {
        // Files whose folder could not be watched are looked at each second, and their
        // watch tried again.
        const bool unwatched = watch_ && ((!clockFile_.empty() && !watch_->watched(clockFile_)) ||
                                          !watch_->watched(alarmsFile_) ||
                                          (!screenSaverMode_ && !watch_->watched(timersFile_)));
        if (unwatched)
            takeFileChanges();
        if (!screenSaverMode_)
            lookForEndedTimers();
        lookAtAlarms();
    }
    // Nothing is drawn while the window is minimised.
    if (isMinimized())
        return;
    HWND client = client_->hwnd();
    // The status bar's texts change with the second, or with the records they are made of (a
    // stopwatch or timer started, an alarm switched, other kinds chosen): between those, a tick
    // of a running stopwatch leaves them be.
    StatusInputs inputs;
    std::memcpy(inputs.settings.data(), &app().settings, inputs.settings.size());
    std::memcpy(inputs.alarms.data(), items::alarms().records.data(), inputs.alarms.size());
    std::memcpy(inputs.timers.data(), items::timers().records.data(), inputs.timers.size());
    inputs.home = holder_.cities->homeRecord();
    if (app().settings.stopwatchRunning)
        inputs.stopwatchSecond = items::stopwatch().elapsed() / dev::kTicksPerSecond;
    const bool statusDue = r.secondChanged || !(inputs == statusInputs_);
    statusInputs_ = inputs;
    if (!screenSaverMode_ && !fullScreen_ && statusDue &&
        holder_.headerBar->recomposeStatusBar(now)) {
        const RECT bar{kStatusBar.left, kStatusBar.top, kStatusBar.right, kStatusBar.bottom};
        tk::InvalidateRect(client, &bar, false);
    }
    view::View* v = shownView();
    if (!v)
        return;
    HDC dc = tk::GetDC(client);
    if (!dc)
        return;
    client_->prepare(*dc);
    v->tick(*dc, now);
    tk::ReleaseDC(client, dc);
}

void MainWindow::timerEvent(QTimerEvent* e) {
    if (e->timerId() == tickTimer_.timerId())
        tick();
    else
        QWidget::timerEvent(e);
}

void MainWindow::stylusDown(Point p) {
    if (view::View* v = shownView(); v && v->stylusDown({p.x, p.y}))
        return;
    if (!screenSaverMode_ && !fullScreen_)
        holder_.headerBar->stylusDown(p);
}

void MainWindow::stylusMove(Point p) {
    if (!screenSaverMode_ && !fullScreen_)
        holder_.headerBar->stylusMove(p);
}

void MainWindow::stylusUp(Point p) {
    if (screenSaverMode_) {
        // The screen saver ends when the stylus is lifted anywhere on the skin.
        requestQuit();
        return;
    }
    if (view::View* v = shownView(); v && v->stylusUp({p.x, p.y}))
        return;
    if (!fullScreen_)
        holder_.headerBar->stylusUp(p);
}

void MainWindow::requestQuit() {
    tickTimer_.stop();
    quitRequested_ = true;
    if (QCoreApplication::instance())
        QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* e) {
    requestQuit();
    e->accept();
}

void MainWindow::changeEvent(QEvent* e) {
    // On a desktop a minimised window keeps the program running (its alarms, the chime); the
    // tick stops drawing until it comes back, then everything is drawn anew. The screen saver
    // ends, as it ends at a tap.
    if (e->type() == QEvent::WindowStateChange) {
        if (windowState() & Qt::WindowMinimized) {
            if (screenSaverMode_)
                requestQuit();
        } else if (client_ && client_->hwnd()) {
            tk::InvalidateRect(client_->hwnd(), nullptr, true);
        }
    }
    QWidget::changeEvent(e);
}

void MainWindow::activate() {
    if (windowState() & Qt::WindowMinimized)
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
    }
}

void MainWindow::command(int id) {
    if (const int v = viewOfCommand(id); v >= 0) {
        setSelectedView(v);
        switchView();
        const RECT title{0, 0, kWindowWidth, kTitleStrip.bottom};
        tk::InvalidateRect(client_->hwnd(), &title, false);
        return;
    }
    switch (id) {
    case kCmdClose:
        close();
        break;
    case kCmdExit:
        requestQuit();
        break;
    case kCmdAbout:
        openAbout();
        break;
    case kCmdPreferences:
        openPreferences();
        break;
    case kCmdHomeLocation:
        openHomeLocation(false);
        break;
    case kCmdEditCities:
        openEditCities();
        break;
    case kCmdSetDateTime:
        openSetDateTime();
        break;
    default:
        break;
    }
}

LRESULT MainWindow::message(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_USER + 5) {
        redrawSoon();
        return 0;
    }
    if (view::View* v = shownView())
        v->notify(msg, wp, lp);
    return 0;
}

void MainWindow::redrawSoon() {
    QTimer::singleShot(100, client_->hwnd(),
                       [this] { tk::InvalidateRect(client_->hwnd(), nullptr, false); });
}

void MainWindow::showDialog(QDialog* d) {
    delete dialog_.data();
    dialog_ = d;
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setModal(true);
    d->open();
}

void MainWindow::centreOver(QWidget* d) {
    const QRect frame = geometry();
    const QSize size = d->frameGeometry().size();
    d->move(frame.left() + (frame.width() - size.width()) / 2,
            frame.top() + (frame.height() - size.height()) / 2);
}

void MainWindow::openAbout() {
    showDialog(createAboutDialog(this));
}

void MainWindow::openSetDateTime() {
    QDialog* d = createSetDateTimeDialog(this);
    d->setGeometry(QRect(mapToGlobal(QPoint(0, 0)), QSize(kWindowWidth, kViewsHeight)));
    showDialog(d);
}

void MainWindow::openPreferences() {
    if (!preferences_) {
        preferences_ = std::make_unique<PreferencesDlg>(client_->hwnd());
        // The views and the status bar draw the confirmed choices at once.
        preferences_->onClosed = [this] { tk::InvalidateRect(client_->hwnd(), nullptr, true); };
    }
    preferences_->open();
}

void MainWindow::openHomeLocation(bool forced) {
    // The page stands centred over the main window; forced mode (the device zone differs from
    // the home city's) has no Cancel button.
    auto* d =
        new citiesui::HomeLocationDlg(this, *holder_.cities, forced, [this] { redrawSoon(); });
    QObject::connect(d, &QDialog::finished, this, [this] { citiesChanged(); });
    showDialog(d);
    centreOver(d);
    // A window manager may place the main window only once it is mapped: centre again then.
    QTimer::singleShot(kTickMs, d, [this, d] { centreOver(d); });
}

void MainWindow::openEditCities() {
    auto* d = new citiesui::EditCitiesDlg(this, *holder_.cities);
    d->move(mapToGlobal(QPoint(0, 0)));
    QObject::connect(d, &QDialog::finished, this, [this] { citiesChanged(); });
    showDialog(d);
}

void MainWindow::citiesChanged() {
    // The shown view's pickers follow the changed cities at once, the others when shown.
    if (view::View* v = shownView(); v && !screenSaverMode_)
        v->resync();
    redrawSoon();
}

void MainWindow::exitSequence() {
    if (exited_)
        return;
    exited_ = true;
    tickTimer_.stop();
    // Nothing is written back into a folder the package's removal took away while it ran.
    if (screenSaverMode_ || ownProgramRemoved())
        return;
    ExitViewState e = exitStateFromSettings(app().settings);
    e.selectedView = selectedView();
    e.sub.alarmsPage = view(kAlarms)->subState();
    e.sub.timersSelected = view(kTimers)->subState();
    e.sub.cityTimeSelected = view(kCityTime)->subState();
    e.sub.timeCalcSelected = view(kTimeCalc)->subState();
    if (holder_.cities->homeRecord()) {
        const CitySelection home = holder_.cities->home();
        e.home = {static_cast<uint32_t>(home.continent), static_cast<uint32_t>(home.index)};
    }
    storeExitState(app().settings, e);
    // Each view hands back what it remembers (its cities, its sort order and unit).
    for (const auto& v : holder_.views)
        if (v)
            v->storeExitState(app().settings);
    saveSettingsWithRetry();
    holder_.cities->save(); // writes the city files only when cities were added or deleted
    // Timers the reminder ended since the last tick are completed first: the save then writes
    // them stopped instead of bringing back their finished runs.
    items::timers().checkAllChanged();
    items::timers().save();
}

QImage MainWindow::renderView(int v) {
    const int saved = selectedView();
    setSelectedView(v);
    switchView();
    HWND client = client_->hwnd();
    const bool wholeScreen = fullScreen_ || screenSaverMode_;
    client->resize(kWindowWidth, wholeScreen ? kScreenHeight : kViewsHeight);
    tk::InvalidateRect(client, nullptr, true);
    // At the window's scale factor, so that a render at scale 2 has twice the pixels.
    const qreal ratio = client->devicePixelRatioF();
    const int height = wholeScreen ? kScreenHeight : kWindowHeight;
    QImage img(qRound(kWindowWidth * ratio), qRound(height * ratio), QImage::Format_RGB32);
    img.setDevicePixelRatio(ratio);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        // The client area with the views' child windows, then the menu bar below it.
        client->render(&p, QPoint(0, 0), QRegion(), QWidget::DrawChildren);
        if (!fullScreen_ && !screenSaverMode_ && menuBar_) {
            menuBar_->resize(kWindowWidth, kMenuBarHeight);
            menuBar_->ensurePolished();
            if (QLayout* l = menuBar_->layout())
                l->activate();
            p.end();
            menuBar_->render(&img, QPoint(0, kViewsHeight));
        }
    }
    setSelectedView(saved);
    switchView();
    return img;
}

// ---- Accessibility ---------------------------------------------------------------------------

tk::Accessible MainWindow::accessibility() const {
    tk::Accessible a;
    const int shown = screenSaverMode_ ? selectedView() : holder_.currentView;
    a.name = isView(shown) ? dev::toQString(viewName(shown)) : windowTitle();
    // What every clock shows: the local time and date, in the locale's formats.
    const dev::SystemTime now = dev::getLocalTime();
    a.value = dev::toQString(dev::systemFormatText(now, dev::SystemFormat::TimeNoSeconds)) +
              QStringLiteral(", ") +
              dev::toQString(dev::systemFormatText(now, dev::SystemFormat::LongDate));
    if (screenSaverMode_ || fullScreen_ || !holder_.headerBar)
        return a;
    // The header bar draws itself into the client area: its view list and its status bar.
    auto toRect = [](const Rect& r) { return QRect(r.left, r.top, r.width(), r.height()); };
    tk::AccessiblePart list;
    list.role = QAccessible::ComboBox;
    list.name = tk::LabelName(tk::LoadStringResource(kStrView));
    list.value = a.name;
    list.rect = toRect(kViewListTapArea);
    a.parts.push_back(std::move(list));
    tk::AccessiblePart status;
    status.role = QAccessible::StatusBar;
    QStringList texts;
    for (const std::u16string& t : holder_.headerBar->statusTexts())
        if (!t.empty())
            texts << dev::toQString(t);
    status.name = texts.join(QStringLiteral(", "));
    status.rect = toRect(kStatusBar);
    a.parts.push_back(std::move(status));
    return a;
}

} // namespace hv::shell

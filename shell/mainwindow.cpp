#include "shell/mainwindow.h"

#include "device/device.h"
#include "items/alarms.h"
#include "items/timers.h"
#include "shell/homesources.h"
#include "shell/settings.h"
#include "shell/shellfonts.h"
#include "shell/shellstrings.h"
#include "toolkit/strings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace hv::shell {

// The client area: paints through the main window in logical coordinates. A full-screen skin is
// scaled to fit the real screen, keeping its proportions.
class ShellCanvas : public QWidget {
public:
    explicit ShellCanvas(MainWindow* w) : QWidget(w), w_(w) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    QTransform logicalToWidget() const {
        if (!w_->fullScreenSkin() && !w_->screenSaverMode())
            return {};
        const double s = std::min(width() / double(kWindowWidth), height() / double(kWindowHeight));
        const double dx = (width() - kWindowWidth * s) / 2, dy = (height() - kWindowHeight * s) / 2;
        return QTransform(s, 0, 0, s, dx, dy);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (w_->fullScreenSkin() || w_->screenSaverMode())
            p.fillRect(rect(), Qt::black);
        p.setTransform(logicalToWidget());
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        w_->paintClient(p);
        if (onFirstPaint) {
            auto f = std::move(onFirstPaint);
            onFirstPaint = nullptr;
            f();
        }
    }
    Point logical(QMouseEvent* e) const {
        const QPointF p = logicalToWidget().inverted().map(e->position());
        return {static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))};
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton)
            w_->stylusDown(logical(e));
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (e->buttons() & Qt::LeftButton)
            w_->stylusMove(logical(e));
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton)
            w_->stylusUp(logical(e));
    }

public:
    std::function<void()> onFirstPaint;

private:
    MainWindow* w_;
};

namespace {
QString qs(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
} // namespace

MainWindow::MainWindow(const CommandLine& cmd) : cmd_(cmd) {
    registerShellStrings();
    setWindowTitle(qs(tk::LoadStringResource(kStrTitle)));
    setObjectName(qs(tk::LoadStringResource(kStrClassName)));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    canvas_ = new ShellCanvas(this);
    layout->addWidget(canvas_, 1);
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
    homeLocationDiffers = [this] { return homeZoneDiffers(*holder_.cities); };
}

MainWindow::~MainWindow() {
    tickTimer_.stop();
    delete dialog_.data();
}

QWidget* MainWindow::canvas() const {
    return canvas_;
}

void MainWindow::setOnFirstPaint(std::function<void()> f) {
    canvas_->onFirstPaint = std::move(f);
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
    addCommand(optionsMenu_, QStringLiteral("Preferences"), kCmdPreferences);
    optionsMenu_->addSeparator();
    addCommand(optionsMenu_, QStringLiteral("Home Location"), kCmdHomeLocation);
    addCommand(optionsMenu_, QStringLiteral("Edit Cities"), kCmdEditCities);
    addCommand(optionsMenu_, QStringLiteral("Set Date && Time"), kCmdSetDateTime);
    optionsMenu_->addSeparator();
    addCommand(optionsMenu_, QStringLiteral("About"), kCmdAbout);
    optionsMenu_->addSeparator();
    addCommand(optionsMenu_, QStringLiteral("Exit"), kCmdExit);

    viewMenu_ = new QMenu(this);
    for (int v = 0; v < kFirstSkinView; ++v)
        addCommand(viewMenu_, qs(viewName(v)), commandOfView(v));
    viewMenu_->addSeparator();
    QMenu* like = viewMenu_->addMenu(QStringLiteral("View like..."));
    for (int v = kFirstSkinView; v < kViewCount; ++v)
        addCommand(like, qs(viewName(v)), commandOfView(v));

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
    row->addWidget(button(qs(tk::LoadStringResource(kStrOptions)), optionsMenu_));
    row->addStretch(1);
    row->addWidget(button(qs(tk::LoadStringResource(kStrView)), viewMenu_));
}

void MainWindow::buildViewHolder() {
    holder_.settingsLoaded = loadSettings();
    holder_.cities = std::make_unique<CityDatabase>();
    if (!screenSaverMode_)
        loadCities(*holder_.cities);
    auto sources = std::make_unique<ShellStatusSources>(*holder_.cities);
    // The alarms (and, in normal mode, the timers) are loaded before the views are built.
    sources->loadTables(!screenSaverMode_);
    holder_.sources = std::move(sources);
    if (screenSaverMode_) {
        const int skin = kFirstSkinView + static_cast<int>(screenSaverSkinArg_);
        holder_.views[static_cast<size_t>(skin)] = makeView(skin);
        holder_.buildOrder.push_back(skin);
        return;
    }
    for (int v = 0; v < kFirstSkinView; ++v) {
        holder_.views[static_cast<size_t>(v)] = makeView(v);
        holder_.buildOrder.push_back(v);
    }
    const int selected = startupSelectedView(app().settings);
    holder_.headerBar = std::make_unique<HeaderBar>(*holder_.sources, canvas_, selected);
    holder_.headerBar->onViewChosen = [this] { switchView(); };
    holder_.headerBar->recomposeStatusBar(dev::getLocalTime());
    for (int v = kFirstSkinView; v < kViewCount; ++v) {
        holder_.views[static_cast<size_t>(v)] = makeView(v);
        holder_.buildOrder.push_back(v);
    }
    // Preferences, Home Location, the set-date-and-time state and Edit Cities are built when
    // opened; they are pages of later modules.
    holder_.currentView = -1;
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
    tickTimer_.start(kTickMs, Qt::CoarseTimer, this);
    return tickTimer_.isActive();
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
        canvas_->update();
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
        canvas_->update();
}

void MainWindow::paintClient(QPainter& p) {
    if (screenSaverMode_ || fullScreen_) {
        if (ShellView* v = view(screenSaverMode_ ? selectedView() : holder_.currentView))
            v->paint(p);
        return;
    }
    p.fillRect(QRect(0, 0, kWindowWidth, kWindowHeight), Qt::white);
    holder_.headerBar->paint(p);
    if (ShellView* v = view(selectedView()); v && viewPaints(v->number()))
        v->paint(p);
}

void MainWindow::tick() {
    const Ticker::Result r = holder_.ticker.tick(dev::getLocalTime(), app().settings,
                                                 screenSaverMode_, holder_.currentView);
    if (r.chime && !screenSaverMode_ && !app().chimeSound.empty())
        dev::current().sound().play(app().chimeSound);
    if (!r.redraw)
        return;
    // Whatever view is shown, a timer the reminder ended is completed and the alarms take the
    // reminder's re-registrations, so the status bar and a later save never hold stale records.
    if (!screenSaverMode_)
        items::timers().checkChanged();
    items::alarms().refresh();
    const QTransform t = canvas_->logicalToWidget();
    if (screenSaverMode_ || fullScreen_) {
        if (ShellView* v = view(selectedView())) {
            const QRect changed = v->tick();
            if (!changed.isEmpty())
                canvas_->update(t.mapRect(changed));
        }
        return;
    }
    if (holder_.headerBar->recomposeStatusBar(holder_.ticker.nowTime()))
        canvas_->update(
            QRect(kStatusBar.left, kStatusBar.top, kStatusBar.width(), kStatusBar.height()));
    if (ShellView* v = view(selectedView()); v && viewTicks(v->number())) {
        const QRect changed = v->tick();
        if (!changed.isEmpty())
            canvas_->update(changed);
    }
}

void MainWindow::timerEvent(QTimerEvent* e) {
    if (e->timerId() == tickTimer_.timerId())
        tick();
    else
        QWidget::timerEvent(e);
}

void MainWindow::stylusDown(Point p) {
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
    // Minimising ends the program, as on the handheld where the window is never left behind.
    if (e->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        requestQuit();
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
        canvas_->update(QRect(0, 0, kWindowWidth, kTitleStrip.bottom));
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
        openPlaceholderPage(QStringLiteral("Preferences"));
        break;
    case kCmdHomeLocation:
        openHomeLocation(false);
        break;
    case kCmdEditCities:
        openPlaceholderPage(QStringLiteral("Edit Cities"));
        break;
    case kCmdSetDateTime:
        openSetDateTime();
        break;
    default:
        break;
    }
}

void MainWindow::listChanged() {
    const int v = holder_.currentView;
    if (v == kSunRiseSet || v == kInternetTime || v == kTimeCalc)
        view(v)->resync();
}

void MainWindow::refreshItemViews() {
    if (selectedView() == kEvents)
        view(kEvents)->resync();
    else if (selectedView() == kStopwatch)
        view(kStopwatch)->resync();
}

void MainWindow::redrawSoon() {
    QTimer::singleShot(100, this, [this] { canvas_->update(); });
}

void MainWindow::showDialog(QDialog* d) {
    delete dialog_.data();
    dialog_ = d;
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setModal(true);
    d->open();
}

void MainWindow::openAbout() {
    showDialog(createAboutDialog(this));
}

void MainWindow::openSetDateTime() {
    QDialog* d = createSetDateTimeDialog(this);
    d->setGeometry(
        QRect(mapToGlobal(QPoint(0, 0)), QSize(kWindowWidth, kWindowHeight - kMenuBarHeight)));
    showDialog(d);
}

void MainWindow::openPlaceholderPage(const QString& title) {
    auto* d = new QDialog(this);
    d->setWindowTitle(title);
    auto* col = new QVBoxLayout(d);
    auto* heading = new QLabel(title, d);
    heading->setFont(shellFont(18, true));
    col->addWidget(heading);
    col->addWidget(new QLabel(QStringLiteral("This page is not available in this build."), d));
    auto* ok = new QPushButton(QStringLiteral("OK"), d);
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    col->addWidget(ok);
    showDialog(d);
}

void MainWindow::openHomeLocation(bool forced) {
    // Placeholder of the Home Location page: shows the stored home location. Forced mode (the
    // device zone differs from the home city's) has no Cancel button.
    auto* d = new QDialog(this);
    d->setObjectName(forced ? QStringLiteral("homeLocationForced")
                            : QStringLiteral("homeLocation"));
    d->setWindowTitle(QStringLiteral("Home Location"));
    auto* col = new QVBoxLayout(d);
    auto* heading = new QLabel(QStringLiteral("Home Location"), d);
    heading->setFont(shellFont(18, true));
    col->addWidget(heading);
    col->addWidget(new QLabel(QStringLiteral("Continent list %1, city %2")
                                  .arg(app().settings.homeContinent)
                                  .arg(app().settings.homeCity),
                              d));
    auto* row = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), d);
    QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    row->addWidget(ok);
    if (!forced) {
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), d);
        cancel->setObjectName(QStringLiteral("cancel"));
        QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
        row->addWidget(cancel);
    }
    col->addLayout(row);
    showDialog(d);
}

void MainWindow::exitSequence() {
    if (exited_)
        return;
    exited_ = true;
    tickTimer_.stop();
    if (screenSaverMode_)
        return;
    ExitViewState e = exitStateFromSettings(app().settings);
    e.selectedView = selectedView();
    e.sub.alarmsPage = view(kAlarms)->subState();
    e.sub.timersSelected = view(kTimers)->subState();
    e.sub.cityTimeSelected = view(kCityTime)->subState();
    e.sub.timeCalcSelected = view(kTimeCalc)->subState();
    // The city views hand their cities here once they exist; the placeholders keep the record's.
    if (holder_.cities->homeRecord()) {
        const CitySelection home = holder_.cities->home();
        e.home = {static_cast<uint32_t>(home.continent), static_cast<uint32_t>(home.index)};
    }
    storeExitState(app().settings, e);
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
    QImage img(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        paintClient(p);
        if (!fullScreen_ && !screenSaverMode_ && menuBar_) {
            menuBar_->resize(kWindowWidth, kMenuBarHeight);
            menuBar_->ensurePolished();
            if (QLayout* l = menuBar_->layout())
                l->activate();
            p.end();
            menuBar_->render(&img, QPoint(0, kWindowHeight - kMenuBarHeight));
        }
    }
    setSelectedView(saved);
    switchView();
    return img;
}

} // namespace hv::shell

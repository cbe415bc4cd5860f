// Horavel.exe: the main program. Command line: the handheld's forms ("s" n, "a" n, "e", "t" n)
// plus desktop options: --scale F (size factor of the 480 x 640 window), --render-all DIR (draw
// every view to PNG files and end), --first-frame (end after the first painted frame and print
// the time it took). HORAVEL_SHELL_LOG names a file that gets a line per happening (for tests
// and diagnosis).
#include "app/viewregistry.h"
#include "device/daemon_client.h"
#include "device/device.h"
#include "device/hostsession.h"
#include "device/real.h"
#include "device/text.h"
#include "screensaver/exceptions.h"
#include "settings/settings.h"
#include "shell/autostartprompt.h"
#include "shell/instance.h"
#include "shell/mainwindow.h"
#include "toolkit/platform/endsignals.h"
#include "toolkit/platform/platform.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace hv;
using namespace hv::shell;

namespace {

constexpr char kHelp[] =
    "usage: Horavel.exe [--scale F] [--render-all DIR] [--first-frame] [COMMAND]\n"
    "\n"
    "The Horavel clock in its 480 x 640 window: world clock, alarms, timers, stopwatch,\n"
    "events, sunrise and sunset, the Moon, Internet time, a time converter and three watch\n"
    "faces. A second start brings the running window to the front.\n"
    "\n"
    "Commands (the handheld's command lines):\n"
    "  s0, s1, s2        run the Citizen, Casio or Ana-Digi watch face as a full-screen\n"
    "                    screen saver, which ends at the first tap\n"
    "  aN                open the Alarms view at alarm N (1 to 20)\n"
    "  e                 open the Events view\n"
    "  tN                open the Timers view at timer N\n"
    "\n"
    "Options:\n"
    "  --scale F         size factor of the window, 0.5 to 8 (default: fits the screen)\n"
    "  --render-all DIR  draw every view to PNG files in DIR without a display, then end\n"
    "  --first-frame     end after the first painted frame and print the time it took\n"
    "  --help            show this text and end\n"
    "\n"
    "Environment:\n"
    "  HORAVEL_DEVICE    the device root, the folder that plays the handheld's files and\n"
    "                    registry (default: $XDG_DATA_HOME/horavel/device)\n";

struct Options {
    std::u16string commandLine;
    bool help = false;
    double scale = 0; // 0: choose
    QString renderDir;
    bool firstFrame = false;
    bool bad = false;
};

Options parseOptions(int argc, char** argv) {
    Options o;
    std::string line;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--scale" && i + 1 < argc) {
            char* end = nullptr;
            const double f = std::strtod(argv[++i], &end);
            if (!end || *end || !(f >= 0.5 && f <= 8)) {
                std::fprintf(stderr, "Horavel: --scale wants a factor between 0.5 and 8\n");
                o.bad = true;
            }
            o.scale = f;
        } else if (a == "--render-all" && i + 1 < argc) {
            o.renderDir = QString::fromLocal8Bit(argv[++i]);
        } else if (a == "--first-frame") {
            o.firstFrame = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a.rfind("--", 0) == 0) {
            std::fprintf(stderr, "Horavel: unknown option %s\n", a.c_str());
            o.bad = true;
        } else {
            line += (line.empty() ? "" : " ") + a;
        }
    }
    o.commandLine = dev::fromQString(QString::fromLocal8Bit(line.c_str()));
    return o;
}

// A factor that makes the window fill about 85% of the screen height, in quarter steps, never
// below 1.
double automaticScale(const QScreen* screen) {
    if (!screen)
        return 1;
    const double fit = screen->availableGeometry().height() * 0.85 / kWindowHeight;
    const double stepped = std::floor(fit * 4) / 4;
    return std::max(1.0, std::min(stepped, 4.0));
}

int renderAll(MainWindow& w, const QString& dir) {
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "Horavel: cannot create %s\n", qPrintable(dir));
        return 1;
    }
    // The window is shown, though never on a screen: the views show and hide their child windows
    // as they do in a running program, and only the shown view's children are drawn.
    w.setAttribute(Qt::WA_DontShowOnScreen);
    w.show();
    for (int v = 0; v < kViewCount; ++v) {
        const QString name =
            dev::toQString(viewName(v)).replace(QLatin1Char('/'), QLatin1Char('-'));
        const QString file = QDir(dir).filePath(
            QStringLiteral("%1-%2.png").arg(v, 2, 10, QLatin1Char('0')).arg(name));
        if (!w.renderView(v).save(file)) {
            std::fprintf(stderr, "Horavel: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    std::printf("%s\n", qPrintable(QDir(dir).absolutePath()));
    return 0;
}

// The offscreen platform reports every size hint it cannot pass on; that says nothing here.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("propagateSizeHints")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// Once the window shows: whether reminders should ring after a restart, when nothing makes the
// device services start at login yet (a program run from a build). Never without a screen, where
// no one could answer, and never beside another dialog: a dialog open at start (the forced Home
// Location page) is answered first.
void offerRemindersAfterRestart(MainWindow& w) {
    QTimer::singleShot(0, &w, [&w] {
        if (QDialog* d = w.openDialog(); d && d->isVisible()) {
            QObject::connect(
                d, &QDialog::finished, &w, [&w] { offerRemindersAfterRestart(w); },
                Qt::QueuedConnection);
            return;
        }
        tk::QtMessageBoxes boxes;
        boxes.setMainWindow(&w);
        const std::filesystem::path root = dev::current().root();
        offerDaemonAtLogin(boxes, dev::SessionPlaces::fromEnvironment(), dev::daemonProgram(root),
                           root, dev::runSystemctl);
    });
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    const Options opt = parseOptions(argc, argv);
    if (opt.help) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (opt.bad) {
        std::fputs("Horavel: 'Horavel.exe --help' lists the options\n", stderr);
        return 2;
    }
    const bool offscreen = qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen");
    if (offscreen)
        qInstallMessageHandler(quietMessages);
    if (opt.scale > 0)
        qputenv("QT_SCALE_FACTOR", QByteArray::number(opt.scale));
    dev::ensureRuntimeFolder();

    auto app = std::make_unique<QApplication>(argc, argv);
    if (opt.scale == 0 && !offscreen && !qEnvironmentVariableIsSet("QT_SCALE_FACTOR") &&
        opt.renderDir.isEmpty()) {
        // The scale factor must be known before the application starts: measure the screen,
        // then start again with the chosen factor.
        const double f = automaticScale(QGuiApplication::primaryScreen());
        if (f > 1) {
            app.reset();
            qputenv("QT_SCALE_FACTOR", QByteArray::number(f));
            app = std::make_unique<QApplication>(argc, argv);
        }
    }
    QApplication::setApplicationName(QStringLiteral("Horavel"));
    // SIGTERM and SIGHUP (logout, shutdown, a closed terminal) end the program through its
    // ordinary exit sequence, so the settings, the stopwatch and the timers are saved as on
    // "Exit". exit, not quit: Qt 6 turns quit() into a close of every window, which the main
    // window refuses. Every loop ends, a modal box's or dialog's too, and the exit save runs once
    // the main loop has returned.
    tk::catchEndSignals({SIGTERM, SIGHUP});
    tk::onEndSignal(qApp, [] { QCoreApplication::exit(0); });
    // Messages are modal boxes over the window that asked; without a screen no one could answer
    // them, and they stay lines on standard error.
    tk::QtMessageBoxes* boxes = nullptr;
    if (!offscreen && opt.renderDir.isEmpty()) {
        auto installed = std::make_unique<tk::QtMessageBoxes>();
        boxes = installed.get();
        dev::RealDevice::instance().setMessageBoxes(std::move(installed));
    }
    QApplication::setQuitOnLastWindowClosed(false);

    // A copy left in a device root after the package was removed from the computer says so and
    // ends.
    if (const std::string gone = removedPackageMessage(); !gone.empty()) {
        std::fprintf(stderr, "Horavel: %s\n", gone.c_str());
        if (!offscreen)
            dev::current().messageBoxes().show(u"Horavel", dev::fromUtf8(gone), dev::MbIcon::Error,
                                               dev::MbButtons::Ok);
        return 1;
    }

    const CommandLine cmd = parseCommandLine(opt.commandLine);

    std::unique_ptr<SingleInstance> instance;
    if (opt.renderDir.isEmpty()) {
        instance = std::make_unique<SingleInstance>(dev::current().root());
        if (!instance->claim())
            return 0; // another copy runs and has been brought to the front
    }
    if (cmd.kind == CommandLine::Kind::Refused)
        return 0; // no such skin: end before any view exists

    MainWindow w(cmd.kind == CommandLine::Kind::Refused ? CommandLine{} : cmd, registry::makeView);
    if (boxes)
        boxes->setMainWindow(&w);
    if (instance)
        instance->onActivate = [&w] {
            shell::traceShell(QStringLiteral("activated"));
            w.activate();
        };
    if (!opt.renderDir.isEmpty())
        return renderAll(w, opt.renderDir);
    if (opt.firstFrame)
        w.setOnFirstPaint([&] {
            std::printf("first frame after %lld ms\n",
                        static_cast<long long>(sinceStart.elapsed()));
            std::fflush(stdout);
            QMetaObject::invokeMethod(
                &w, [&w] { w.command(kCmdExit); }, Qt::QueuedConnection);
        });
    // A new login starts no launcher by itself: with the screen saver on, every start of the
    // program makes sure that one runs.
    if (!w.screenSaverMode())
        ensureLauncherRunning();
    if (!w.start())
        return 0;
    if (!offscreen && !opt.firstFrame && cmd.kind != CommandLine::Kind::ScreenSaver)
        offerRemindersAfterRestart(w);
    shell::traceShell(QStringLiteral("running"));
    if (w.screenSaverMode())
        shell::traceShell(QStringLiteral("screen saver, skin %1").arg(cmd.number));
    // A signal that came during the start-up has no event loop to end: none is entered.
    const int rc = tk::endSignalSeen() ? 0 : QApplication::exec();
    w.exitSequence();
    shell::traceShell(QStringLiteral("ended"));
    return rc;
}

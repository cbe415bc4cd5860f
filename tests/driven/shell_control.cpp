// Linked into the test build of Horavel.exe only: tests on Qt's offscreen platform, where no input
// device reaches the window, drive it through a control file. When HORAVEL_SHELL_CONTROL names
// one, its command is carried out within a tenth of a second and the file removed. "tap X Y"
// presses and lifts the stylus at window coordinates X, Y; "grab PATH" writes what the window
// shows to PATH as PNG. Both are told in the HORAVEL_SHELL_LOG file like the program's own lines.
#include "shell/instance.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

namespace {

hv::shell::MainWindow* mainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = dynamic_cast<hv::shell::MainWindow*>(w); m && m->isVisible())
            return m;
    return nullptr;
}

void tap(QWidget& w, const QPoint& at) {
    QWidget* target = w.childAt(at);
    if (!target)
        target = &w;
    const QPointF local = target->mapFrom(&w, QPointF(at));
    const QPointF global = w.mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
    hv::shell::traceShell(QStringLiteral("tap %1 %2").arg(at.x()).arg(at.y()));
}

void grab(QWidget& w, const QString& out) {
    const QRect screen = w.screen()->geometry();
    hv::shell::traceShell(
        QStringLiteral("grab of the window at %1, %2, %3 x %4 on a screen of %5 x %6")
            .arg(w.x())
            .arg(w.y())
            .arg(w.width())
            .arg(w.height())
            .arg(screen.width())
            .arg(screen.height()));
    const QString part = out + QStringLiteral(".part");
    if (w.grab().save(part, "PNG"))
        QFile::rename(part, out);
}

void followControlFile() {
    const QString path = qEnvironmentVariable("HORAVEL_SHELL_CONTROL");
    if (path.isEmpty())
        return;
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [path] {
        hv::shell::MainWindow* w = mainWindow();
        if (!w)
            return; // the command waits for the window
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return;
        const QString command = QString::fromUtf8(f.readAll()).trimmed();
        f.close();
        f.remove();
        const QStringList parts = command.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.size() == 3 && parts[0] == QLatin1String("tap"))
            tap(*w, QPoint(parts[1].toInt(), parts[2].toInt()));
        else if (parts.size() >= 2 && parts[0] == QLatin1String("grab"))
            grab(*w, command.mid(5).trimmed());
    });
    timer->start(100);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(followControlFile)

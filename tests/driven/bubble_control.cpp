// Linked into the test build of BHVEvents.exe only: tests on Qt's offscreen platform, where no
// input device reaches the bubble, press its buttons through a control file. When
// HORAVEL_REMINDER_CONTROL names one, the number written into it is taken within a tenth of a
// second and the file removed; 200 clicks the visible bubble's Dismiss, 201 its Snooze.
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kDismiss = 200;
constexpr int kSnooze = 201;

void click(int id) {
    const char* name = id == kDismiss ? "Dismiss" : id == kSnooze ? "Snooze" : nullptr;
    if (!name)
        return;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() != QLatin1String("ReminderBubble") || !w->isVisible())
            continue;
        if (auto* b = w->findChild<QPushButton*>(QLatin1String(name)))
            b->click();
        return;
    }
}

void followControlFile() {
    const QString path = qEnvironmentVariable("HORAVEL_REMINDER_CONTROL");
    if (path.isEmpty())
        return;
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [path] {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return;
        const int id = QString::fromLatin1(f.readAll()).trimmed().toInt();
        f.close();
        f.remove();
        click(id);
    });
    timer->start(100);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(followControlFile)

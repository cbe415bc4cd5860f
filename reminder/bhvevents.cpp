// BHVEvents.exe: started by the notification service with "a01", "e<handle>", "t00", "sn" or
// "AppRunAfterTimeChange". It shows the bubble in a small topmost window of its own and drives
// the reminder's one-second tick until the user dismisses it. The bubble is mirrored to the
// desktop's notification service where one runs; its Snooze and Dismiss press the bubble's
// buttons, and closing either takes both away.
#include "device/device.h"
#include "device/hostsession.h"
#include "device/real.h"
#include "device/text.h"
#include "reminder/desktopnotice.h"
#include "reminder/reminder.h"
#include "settings/settings.h"
#include "toolkit/platform/platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <memory>

namespace {

using namespace hv;

// A line per happening when HORAVEL_REMINDER_LOG names a file (for tests and diagnosis).
void trace(const QString& line) {
    const QByteArray path = qgetenv("HORAVEL_REMINDER_LOG");
    if (path.isEmpty())
        return;
    QFile f(QString::fromLocal8Bit(path));
    if (!f.open(QIODevice::Append | QIODevice::Text))
        return;
    QTextStream(&f) << QCoreApplication::applicationPid() << ' ' << line << '\n';
}

// A command written as a number into the file HORAVEL_REMINDER_CONTROL is carried out by the
// bubble's own buttons at the next tick (tests press "Snooze" and "Dismiss" this way).
int takeControlCommand() {
    const QByteArray path = qgetenv("HORAVEL_REMINDER_CONTROL");
    if (path.isEmpty())
        return 0;
    QFile f(QString::fromLocal8Bit(path));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const int id = QString::fromLatin1(f.readAll()).trimmed().toInt();
    f.close();
    f.remove();
    return id;
}

// The bubble: the reminder's HTML with its "go to..." link and the two soft keys.
class Bubble : public QWidget {
public:
    explicit Bubble(reminder::Reminder& r) : reminder_(r) {
        setWindowTitle(dev::toQString(reminder::kTitle));
        setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
        setAttribute(Qt::WA_ShowWithoutActivating, false);
        setObjectName("ReminderBubble");
        setStyleSheet("#ReminderBubble { background: white; } QLabel { color: black; }");

        auto* text = new QLabel(this);
        text->setObjectName("ReminderText");
        text->setTextFormat(Qt::RichText);
        text->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        text->setText(dev::toQString(r.html()));
        text->setWordWrap(false);
        // Wide enough that the two soft keys stand apart at the corners.
        text->setMinimumWidth(240);
        connect(text, &QLabel::linkActivated, this, [this](const QString& link) {
            if (link == QLatin1String("cmd:202"))
                command(reminder::kCmdGoTo);
        });

        auto* dismiss = new QPushButton(dev::toQString(reminder::kStrDismiss), this);
        dismiss->setObjectName("Dismiss");
        auto* snooze = new QPushButton(dev::toQString(reminder::kStrSnooze), this);
        snooze->setObjectName("Snooze");
        connect(dismiss, &QPushButton::clicked, this, [this] { command(reminder::kCmdDismiss); });
        connect(snooze, &QPushButton::clicked, this, [this] { command(reminder::kCmdSnooze); });

        auto* keys = new QHBoxLayout;
        keys->addWidget(dismiss);
        keys->addStretch(1);
        keys->addWidget(snooze);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(12, 10, 12, 10);
        layout->addWidget(text);
        layout->addLayout(keys);
        layout->setSizeConstraint(QLayout::SetFixedSize);

        expiry_.setSingleShot(true);
        expiry_.setInterval(reminder::kBubbleSeconds * 1000);
        connect(&expiry_, &QTimer::timeout, this, [this] {
            trace("expired");
            reminder_.bubbleExpired();
        });

        notice_.onTrace = trace;
        notice_.onCommand = [this](int id) { press(id); };
    }

    void present() {
        adjustSize();
        if (QScreen* s = screen()) {
            const QRect a = s->availableGeometry();
            move(a.right() - frameGeometry().width() - 16, a.top() + 16);
        }
        show();
        raise();
        activateWindow();
        expiry_.start();
        trace("bubble " + dev::toQString(reminder_.html()));
        notice_.show(reminder::noticeText(reminder_.bubbleParts()));
    }
    // Presses the button (or the link) of a command.
    void press(int id) {
        if (id == reminder::kCmdGoTo) {
            command(id);
            return;
        }
        const char* name = id == reminder::kCmdDismiss  ? "Dismiss"
                           : id == reminder::kCmdSnooze ? "Snooze"
                                                        : nullptr;
        if (!name)
            return;
        if (auto* b = findChild<QPushButton*>(name); b && isVisible())
            b->click();
    }
    void takeAway() {
        expiry_.stop();
        notice_.close();
        if (isVisible())
            trace("removed");
        hide();
    }

protected:
    void closeEvent(QCloseEvent* e) override {
        e->accept();
        if (!reminder_.closed())
            command(reminder::kCmdDismiss);
    }

private:
    void command(int id) {
        trace(QString("command %1").arg(id));
        reminder_.command(id);
    }
    reminder::Reminder& reminder_;
    QTimer expiry_;
    reminder::DesktopNotice notice_;
};

// The offscreen platform (tests) reports every window operation it cannot carry out; that says
// nothing here.
void quietOffscreenMessages(QtMsgType type, const QMessageLogContext& context,
                            const QString& text) {
    if (text.contains(QLatin1String("does not support raise()")) ||
        text.contains(QLatin1String("propagateSizeHints")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

} // namespace

int main(int argc, char** argv) {
    dev::ensureRuntimeFolder();
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen"))
        qInstallMessageHandler(quietOffscreenMessages);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    dev::RealDevice::instance().setMessageBoxes(std::make_unique<tk::QtMessageBoxes>());

    const std::u16string argument = argc > 1 ? dev::fromUtf8(argv[1]) : std::u16string();
    trace("start " + dev::toQString(argument));
    if (const std::string gone = removedPackageMessage(); !gone.empty()) {
        std::fprintf(stderr, "BHVEvents: %s\n", gone.c_str());
        trace("end: package removed");
        return 1;
    }
    reminder::Reminder rem;
    if (!rem.start(argument)) {
        trace("end");
        return 0;
    }

    Bubble bubble(rem);
    QTimer tick;
    rem.window.showBubble = [&] { bubble.present(); };
    rem.window.removeBubble = [&] { bubble.takeAway(); };
    rem.window.close = [&] {
        tick.stop();
        bubble.takeAway();
        QCoreApplication::quit();
    };
    rem.window.played = [](const std::u16string& path) { trace("play " + dev::toQString(path)); };
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (const int id = takeControlCommand())
            bubble.press(id);
        if (!rem.closed())
            rem.tick();
    });
    tick.start(1000);
    rem.beginAlert();
    const int rc = QApplication::exec();
    trace("end");
    return rc;
}

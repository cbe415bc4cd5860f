// BHVEvents.exe: started by the notification service with "a01", "e<handle>", "t00", "sn" or
// "AppRunAfterTimeChange". It shows the bubble in a small topmost window of its own and drives
// the reminder's one-second tick until the user dismisses it. The bubble is mirrored to the
// desktop's notification service where one runs; its Snooze and Dismiss press the bubble's
// buttons, and closing either takes both away.
#include "device/device.h"
#include "device/hostsession.h"
#include "device/journal.h"
#include "device/real.h"
#include "device/text.h"
#include "reminder/desktopnotice.h"
#include "reminder/reminder.h"
#include "settings/settings.h"
#include "toolkit/platform/endsignals.h"
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

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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

// The platform the bubble is shown on. Without a display a Qt program aborts in its platform
// plugin; the reminder must still ring, re-register and write back. So, unless the user chose a
// platform, the session's own (Wayland, X11) is tried first and the offscreen one last. True
// when the bubble has no screen to be seen on.
bool choosePlatform() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return false;
    QStringList platforms;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        platforms << QStringLiteral("wayland");
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        platforms << QStringLiteral("xcb");
    platforms << QStringLiteral("offscreen");
    qputenv("QT_QPA_PLATFORM", platforms.join(';').toLocal8Bit());
    return true;
}

// Several reminders at once each take a place of their own: the first free one of these named
// events (a place is free again when the process that held it ends, however it ends).
constexpr int kBubblePlaces = 12;
constexpr int kBubbleMargin = 16;
constexpr int kBubbleGap = 8;
int takeBubblePlace() {
    auto& ev = dev::current().events();
    for (int place = 0; place < kBubblePlaces; ++place) {
        bool existed = true;
        const dev::EventHandle h = ev.create(
            u"HVMEvent_Bubble_Place_" + dev::fromUtf8(std::to_string(place)), false, &existed);
        if (h != 0 && !existed)
            return place; // held until the program ends
        if (h != 0)
            ev.close(h);
    }
    return kBubblePlaces; // all taken: the last place is shared
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

        // Shown when the sound cannot be played, so that a silent reminder says why.
        soundProblem_ = new QLabel(this);
        soundProblem_->setObjectName("SoundProblem");
        soundProblem_->setWordWrap(true);
        soundProblem_->setStyleSheet("color: #b00000;");
        soundProblem_->hide();

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
        layout->addWidget(soundProblem_);
        layout->addLayout(keys);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        // A place is as tall as the bubble with the longest line about its sound, so that a
        // bubble that learns it cannot play does not grow over the one below.
        soundProblem_->setText(QStringLiteral("No sound: no sound player could play it (pw-play, "
                                              "paplay, aplay failed)"));
        soundProblem_->show();
        placeHeight_ = layout->totalSizeHint().height();
        soundProblem_->hide();
        soundProblem_->clear();

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
        if (QScreen* s = screen())
            move(placeOnScreen(s->availableGeometry()));
        show();
        raise();
        activateWindow();
        expiry_.start();
        trace("bubble " + dev::toQString(reminder_.html()));
        trace(QStringLiteral("at %1,%2 %3x%4")
                  .arg(frameGeometry().x())
                  .arg(frameGeometry().y())
                  .arg(frameGeometry().width())
                  .arg(frameGeometry().height()));
        notice_.show(noticeText());
    }
    // The sound cannot be played: the bubble (and the notice) say why.
    void soundFailed(const std::u16string& why) {
        soundProblem_->setText(QStringLiteral("No sound: ") + dev::toQString(why));
        soundProblem_->show();
        adjustSize();
        trace(QStringLiteral("no sound: ") + dev::toQString(why));
        if (isVisible())
            notice_.show(noticeText());
    }
    void setPlace(int place) { place_ = place; }
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
    reminder::NoticeText noticeText() const {
        reminder::NoticeText t = reminder::noticeText(reminder_.bubbleParts());
        if (!soundProblem_->isHidden())
            t.body += '\n' + soundProblem_->text().toHtmlEscaped();
        return t;
    }
    // Place 0 at the top right of the screen, the next ones below it, then in a column to the
    // left: each bubble wholly visible beside the others.
    QPoint placeOnScreen(const QRect& area) const {
        const QSize frame = frameGeometry().size();
        const int step =
            std::max(frame.height(), placeHeight_ + frame.height() - height()) + kBubbleGap;
        const int rows =
            std::max(1, (area.height() - 2 * kBubbleMargin + kBubbleGap) / std::max(step, 1));
        const int column = place_ / rows, row = place_ % rows;
        return {area.right() - kBubbleMargin - frame.width() -
                    column * (frame.width() + kBubbleGap),
                area.top() + kBubbleMargin + row * step};
    }
    void command(int id) {
        trace(QString("command %1").arg(id));
        reminder_.command(id);
    }
    reminder::Reminder& reminder_;
    QLabel* soundProblem_ = nullptr;
    int place_ = 0;
    int placeHeight_ = 0;
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
    const bool platformChosen = choosePlatform();
    if (qEnvironmentVariable("QT_QPA_PLATFORM").endsWith(QLatin1String("offscreen")))
        qInstallMessageHandler(quietOffscreenMessages);
    QApplication app(argc, argv);
    // No display reached this program (a daemon started before the desktop, or on a console):
    // it rings all the same, and the journal tells why no bubble was seen.
    const bool noDisplay =
        platformChosen && QGuiApplication::platformName() == QLatin1String("offscreen");
    // SIGTERM, SIGHUP and SIGINT end the reminder as Dismiss does (the desktop notice goes too).
    tk::catchEndSignals({SIGTERM, SIGHUP, SIGINT});
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

    if (noDisplay) {
        trace("no display");
        dev::reportFault(
            "reminder " + dev::toUtf8(argument) +
            " found no display (neither DISPLAY nor WAYLAND_DISPLAY reached it), so its bubble "
            "was not seen; it rang " +
            (reminder::sessionBusConfigured() ? "with its sound and the desktop notification"
                                              : "with its sound only (no session bus)") +
            ".");
    }

    Bubble bubble(rem);
    bubble.setPlace(takeBubblePlace());
    QTimer tick;
    rem.window.showBubble = [&] { bubble.present(); };
    rem.window.removeBubble = [&] { bubble.takeAway(); };
    rem.window.close = [&] {
        tick.stop();
        bubble.takeAway();
        QCoreApplication::quit();
    };
    rem.window.played = [](const std::u16string& path) { trace("play " + dev::toQString(path)); };
    rem.window.soundFailed = [&](const std::u16string& why) { bubble.soundFailed(why); };
    tk::onEndSignal(&app, [&] {
        trace("end signal");
        if (!rem.closed())
            rem.dismiss();
        else
            QCoreApplication::quit();
    });
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (!rem.closed())
            rem.tick();
    });
    tick.start(1000);
    rem.beginAlert();
    const int rc = QApplication::exec();
    trace("end");
    return rc;
}

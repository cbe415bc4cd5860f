#include "desktopnotice.h"

#include "reminder/reminder.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QObject>
#include <QVariantMap>

namespace hv::reminder {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// Reasons of NotificationClosed.
constexpr uint32_t kClosedExpired = 1;
constexpr uint32_t kClosedByUser = 2;
constexpr int kCloseWaitMs = 1000;
} // namespace

bool sessionBusConfigured() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

// The session-bus side: the calls to the service and its two signals.
class DesktopNotice::Link : public QObject {
    Q_OBJECT
public:
    explicit Link(DesktopNotice& owner) : owner_(owner) {}

    bool connectBus() {
        if (tried_)
            return connected_;
        tried_ = true;
        if (!sessionBusConfigured())
            return false;
        QDBusConnection bus = QDBusConnection::sessionBus();
        connected_ = bus.isConnected() &&
                     bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                                 SLOT(actionInvoked(uint, QString))) &&
                     bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"),
                                 this, SLOT(notificationClosed(uint, uint)));
        return connected_;
    }

    bool show(const NoticeText& text) {
        if (!connectBus())
            return false;
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
        QVariantMap hints;
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(2)); // critical
        hints.insert(QStringLiteral("category"), QStringLiteral("x-horavel.reminder"));
        hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("com.brinwick.Horavel"));
        hints.insert(QStringLiteral("resident"), true);
        const QStringList actions{
            QString::fromLatin1(kNoticeSnoozeKey), QString::fromUtf16(kStrSnooze),
            QString::fromLatin1(kNoticeDismissKey), QString::fromUtf16(kStrDismiss)};
        // A shown notice is replaced in place; one still being sent is replaced by its answer.
        call << QStringLiteral("Horavel") << static_cast<uint>(id_)
             << QStringLiteral("com.brinwick.Horavel") << text.title << text.body << actions
             << hints << static_cast<int>(0); // 0: stays until the user or we close it
        const quint64 serial = ++sends_;
        auto* watcher =
            new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, serial](QDBusPendingCallWatcher* w) {
                    w->deleteLater();
                    QDBusPendingReply<uint> reply = *w;
                    if (reply.isError()) {
                        trace(QStringLiteral("notice not shown: ") + reply.error().name());
                        return;
                    }
                    const uint32_t id = reply.value();
                    if (serial != sends_ || closedSince_ >= serial) {
                        // Closed, or sent again as a new notice, while the answer was on its
                        // way: this one goes.
                        if (id != 0)
                            sendClose(id);
                        return;
                    }
                    id_ = id;
                    trace(QStringLiteral("notice %1").arg(id));
                });
        return true;
    }

    // A resident notice stays on screen after its actions too: it is closed here whenever the
    // reminder takes its bubble away or ends, whichever way that came about.
    void close() {
        closedSince_ = sends_;
        for (uint32_t* id : {&id_, &actedId_}) {
            if (*id != 0)
                sendClose(*id);
            *id = 0;
        }
    }

    uint32_t id() const { return id_; }

public Q_SLOTS:
    void actionInvoked(uint id, const QString& key) {
        if (id == 0 || id != id_)
            return;
        const int command = key == QLatin1String(kNoticeSnoozeKey)    ? kCmdSnooze
                            : key == QLatin1String(kNoticeDismissKey) ? kCmdDismiss
                                                                      : 0;
        trace(QStringLiteral("notice action ") + key);
        if (command == 0)
            return; // the default action (a click on the notice) leaves the reminder as it is
        // The reminder acts on it; the closing that follows it is not the user's dismissal.
        actedId_ = id_;
        id_ = 0;
        if (owner_.onCommand)
            owner_.onCommand(command);
    }
    void notificationClosed(uint id, uint reason) {
        if (id != 0 && id == actedId_) {
            actedId_ = 0;
            return;
        }
        if (id == 0 || id != id_)
            return;
        id_ = 0;
        trace(QStringLiteral("notice closed %1").arg(reason));
        if (reason == kClosedByUser && owner_.onCommand)
            owner_.onCommand(kCmdDismiss);
        // Expired, or taken away by the service: the bubble stays.
        (void)kClosedExpired;
    }

private:
    void sendClose(uint32_t id) {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                           QStringLiteral("CloseNotification"));
        call << static_cast<uint>(id);
        // Waited for (briefly), so that it has left when the program ends right after.
        QDBusConnection::sessionBus().call(call, QDBus::Block, kCloseWaitMs);
        trace(QStringLiteral("notice close %1").arg(id));
    }
    void trace(const QString& line) {
        if (owner_.onTrace)
            owner_.onTrace(line);
    }

    DesktopNotice& owner_;
    bool tried_ = false;
    bool connected_ = false;
    uint32_t id_ = 0;
    uint32_t actedId_ = 0; // a notice whose action the reminder carries out, still on screen
    quint64 sends_ = 0;
    quint64 closedSince_ = 0;
};

DesktopNotice::DesktopNotice() : link_(std::make_unique<Link>(*this)) {}
DesktopNotice::~DesktopNotice() = default;

bool DesktopNotice::show(const NoticeText& text) {
    return link_->show(text);
}
void DesktopNotice::close() {
    link_->close();
}
uint32_t DesktopNotice::id() const {
    return link_->id();
}

namespace {
QString plain(const std::u16string& s) {
    return QString::fromStdU16String(s).trimmed().toHtmlEscaped();
}
} // namespace

NoticeText noticeText(const BubbleParts& parts) {
    NoticeText t;
    t.title = QString::fromStdU16String(parts.heading).trimmed();
    QStringList lines{QString::fromUtf16(kStrTime) + ' ' + plain(parts.time),
                      QString::fromUtf16(kStrDate) + ' ' + plain(parts.date)};
    if (!QString::fromStdU16String(parts.note).trimmed().isEmpty())
        lines << QString::fromUtf16(kStrNote) + ' ' + plain(parts.note);
    t.body = lines.join('\n');
    return t;
}

} // namespace hv::reminder

#include "desktopnotice.moc"

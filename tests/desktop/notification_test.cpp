// The reminder's desktop notification: BHVEvents.exe rings an alarm in a temporary device root
// with a private session bus on which a small notification service of the test's own runs. The
// service records the notice and answers as a desktop's would; its actions Snooze and Dismiss,
// and closing the notice, act as the bubble's buttons, and the bubble's buttons take the notice
// away. Without dbus-daemon the tests skip themselves.
#include "device/daemon_client.h"
#include "device/device.h"
#include "device/real.h"
#include "device/registry.h"
#include "items/records.h"
#include "settings/settings.h"

#include "tests/support/real_daemon.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <atomic>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

using namespace hv;
using namespace hv::dev;
namespace fs = std::filesystem;

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// Polls with the Qt event loop running, so that the bus's messages arrive meanwhile.
template <class Pred> bool waitFor(Pred pred, double seconds) {
    return hv::testing::waitUntil(
        [&] {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            return pred();
        },
        seconds, 5);
}

struct Notice {
    QString appName, icon, summary, body;
    uint replacesId = 0;
    QStringList actions;
    QVariantMap hints;
    int expireTimeout = -1;
};

// org.freedesktop.Notifications as a desktop offers it: Notify, CloseNotification and the two
// signals, which the test sends when it plays the user.
class FakeNotificationService : public QDBusVirtualObject {
public:
    explicit FakeNotificationService(QDBusConnection bus) : bus_(bus) {}

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        const QList<QVariant> a = m.arguments();
        if (m.member() == QLatin1String("Notify") && a.size() == 8) {
            Notice n{a[0].toString(),
                     a[2].toString(),
                     a[3].toString(),
                     a[4].toString(),
                     a[1].toUInt(),
                     a[5].toStringList(),
                     {},
                     a[7].toInt()};
            n.hints = qdbus_cast<QVariantMap>(a[6]);
            notices.push_back(n);
            const uint id = n.replacesId ? n.replacesId : ++lastId_;
            connection.send(m.createReply(QVariant::fromValue(id)));
            return true;
        }
        if (m.member() == QLatin1String("CloseNotification") && a.size() == 1) {
            closed.push_back(a[0].toUInt());
            connection.send(m.createReply());
            closedSignal(a[0].toUInt(), 3);
            return true;
        }
        if (m.member() == QLatin1String("GetCapabilities")) {
            connection.send(m.createReply(QStringList{"actions", "body", "body-markup"}));
            return true;
        }
        return false;
    }
    QString introspect(const QString&) const override { return {}; }

    // A resident notice (the reminder's) stays after an action; others are closed as most
    // desktops do, and the reminder must not take that for the user's dismissal.
    void invokeAction(uint id, const QString& key, bool resident = true) {
        QDBusMessage s = QDBusMessage::createSignal(kPath, kInterface, "ActionInvoked");
        s << id << key;
        bus_.send(s);
        if (!resident)
            closedSignal(id, 2);
    }
    void closedSignal(uint id, uint reason) {
        QDBusMessage s = QDBusMessage::createSignal(kPath, kInterface, "NotificationClosed");
        s << id << reason;
        bus_.send(s);
    }
    uint lastId() const { return lastId_; }

    std::vector<Notice> notices;
    std::vector<uint> closed;

private:
    QDBusConnection bus_;
    uint lastId_ = 40;
};

// GNOME's idle monitor as a Wayland session offers it: the idle time the test sets.
class FakeIdleMonitor : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        if (m.member() != QLatin1String("GetIdletime"))
            return false;
        ++calls;
        connection.send(m.createReply(QVariant::fromValue<qulonglong>(idleMs.load())));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
    std::atomic<qulonglong> idleMs{0};
    std::atomic<int> calls{0};
};

class DesktopNotification : public ::testing::Test {
protected:
    void SetUp() override {
        const QString dbusDaemon = QStandardPaths::findExecutable("dbus-daemon");
        if (dbusDaemon.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        bus_.start(dbusDaemon, {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        ASSERT_TRUE(bus_.waitForReadyRead(10000)) << "dbus-daemon did not start";
        address_ = QString::fromLatin1(bus_.readLine()).trimmed();
        ASSERT_FALSE(address_.isEmpty());

        root_ = fs::temp_directory_path() / ("hv-notice-" + std::to_string(::getpid()));
        ASSERT_TRUE(hv::testing::startReminderRoot(
            root_, fs::path("Program Files") / "Horavel" / "data", HV_BHVEVENTS_PATH,
            HV_DEVICED_PATH, daemonPid_, client_));
        installAlarm();
    }

    void TearDown() override {
        if (reminder_.state() != QProcess::NotRunning) {
            reminder_.kill();
            reminder_.waitForFinished(5000);
        }
        if (daemonPid_ > 0) {
            ::kill(daemonPid_, SIGTERM);
            ::waitpid(daemonPid_, nullptr, 0);
        }
        client_.reset();
        if (serviceBus_) {
            serviceBus_->unregisterObject(kPath);
            serviceBus_.reset();
            QDBusConnection::disconnectFromBus("fake-notifications");
        }
        if (bus_.state() != QProcess::NotRunning) {
            bus_.terminate();
            bus_.waitForFinished(5000);
        }
        if (!root_.empty())
            fs::remove_all(root_);
    }

    // The main program's leftovers: the install folder, the settings and alarm 1, due now,
    // with a note that holds characters of markup.
    void installAlarm() {
        char16_t folder[kInstallValueSize / 2] = {};
        const std::u16string text = u"\\Program Files\\Horavel\\";
        std::copy(text.begin(), text.end(), folder);
        ASSERT_TRUE(regCreateKey(RegHive::LocalMachine, kInstallKey));
        ASSERT_TRUE(regSetValue(RegHive::LocalMachine, kInstallKey, kInstallValue, RegType::MultiSz,
                                folder, sizeof folder));
        SettingsRecord settings{};
        fillSettingsDefaults(settings);
        const fs::path data = root_ / "Program Files" / "Horavel" / "data";
        std::ofstream(data / "settings.dat", std::ios::binary)
            .write(reinterpret_cast<const char*>(&settings), sizeof settings);
        std::array<items::AlarmRecord, 20> alarms{};
        for (auto& a : alarms)
            a.daysMask = 0x7F;
        alarms[0].enabled = 1;
        alarms[0].showDescription = 1;
        alarms[0].alarmTime = getLocalTimeAsFileTime();
        items::setText(alarms[0].note, u"Tea <b> & toast");
        std::ofstream(data / "alarms.dat", std::ios::binary)
            .write(reinterpret_cast<const char*>(alarms.data()), sizeof alarms);
    }

    void startService() {
        serviceBus_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address_, "fake-notifications"));
        ASSERT_TRUE(serviceBus_->isConnected());
        service_ = std::make_unique<FakeNotificationService>(*serviceBus_);
        ASSERT_TRUE(serviceBus_->registerVirtualObject(kPath, service_.get()));
        ASSERT_TRUE(serviceBus_->registerService(kService));
    }

    void startReminder() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", address_);
        reminder_.setProcessEnvironment(env);
        reminder_.start(QString::fromStdString((root_ / "Windows" / "BHVEvents.exe").string()),
                        {"a01"});
        ASSERT_TRUE(reminder_.waitForStarted(10000));
        ASSERT_TRUE(waitFor([&] { return log().find("bubble ") != std::string::npos; }, 30))
            << log();
    }
    bool reminderEnds() {
        return waitFor([&] { return reminder_.state() == QProcess::NotRunning; }, 30);
    }
    bool noticeShown() {
        return waitFor([&] { return log().find(" notice ") != std::string::npos; }, 15);
    }
    std::string log() const {
        std::ifstream in(root_ / "reminder.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void press(int command) { std::ofstream(root_ / "reminder.cmd") << command; }
    bool snoozeRegistered() {
        const auto regs = DaemonNotifications(client_).list();
        return std::any_of(regs.begin(), regs.end(),
                           [](const auto& r) { return r.arguments == u"sn"; });
    }

    QProcess bus_, reminder_;
    QString address_;
    fs::path root_;
    pid_t daemonPid_ = -1;
    std::shared_ptr<DaemonClient> client_;
    std::unique_ptr<QDBusConnection> serviceBus_;
    std::unique_ptr<FakeNotificationService> service_;
};

TEST_F(DesktopNotification, CarriesTheBubblesTextAndSnoozeActsAsTheButton) {
    startService();
    startReminder();
    ASSERT_TRUE(waitFor([&] { return !service_->notices.empty(); }, 15)) << log();
    ASSERT_TRUE(noticeShown()) << log();
    const Notice& n = service_->notices.front();
    EXPECT_EQ(n.appName, "Horavel");
    EXPECT_EQ(n.summary, "Alarm 1");
    EXPECT_TRUE(n.body.startsWith("Time: ")) << n.body.toStdString();
    EXPECT_TRUE(n.body.contains("\nDate: ")) << n.body.toStdString();
    EXPECT_TRUE(n.body.endsWith("\nNote: Tea &lt;b&gt; &amp; toast")) << n.body.toStdString();
    EXPECT_EQ(n.actions, (QStringList{"snooze", "Snooze", "dismiss", "Dismiss"}));
    EXPECT_EQ(n.expireTimeout, 0);
    EXPECT_EQ(n.hints.value("desktop-entry").toString(), "com.brinwick.Horavel");

    // The bubble said the same: its time text is the notice's.
    const std::string l = log();
    const std::string time = n.body.section('\n', 0, 0).mid(6).toStdString();
    EXPECT_NE(l.find("<b>Time:</b> " + time), std::string::npos) << l << time;

    // Snooze takes the bubble away and registers the wake-up five minutes ahead; the reminder
    // waits for it. The notice is resident, so the reminder closes it itself.
    const uint id = service_->lastId();
    service_->invokeAction(id, "snooze");
    ASSERT_TRUE(waitFor([&] { return snoozeRegistered(); }, 15)) << log();
    EXPECT_NE(log().find("command 201"), std::string::npos) << log();
    EXPECT_NE(log().find("removed"), std::string::npos) << log();
    EXPECT_TRUE(waitFor([&] { return service_->closed == std::vector<uint>{id}; }, 15)) << log();
}

TEST_F(DesktopNotification, DismissOrClosingTheNoticeDismissesTheBubble) {
    startService();
    for (const char* how : {"action", "action closed by the service", "close"}) {
        SCOPED_TRACE(how);
        std::filesystem::remove(root_ / "reminder.log");
        installAlarm();
        startReminder();
        ASSERT_TRUE(noticeShown()) << log();
        const uint id = service_->lastId();
        service_->closed.clear();
        if (std::string(how) == "action")
            service_->invokeAction(id, "dismiss");
        else if (std::string(how) == "close")
            service_->closedSignal(id, 2); // closed by the user
        else
            service_->invokeAction(id, "dismiss", false);
        ASSERT_TRUE(reminderEnds()) << log();
        EXPECT_NE(log().find("command 200"), std::string::npos) << log();
        EXPECT_EQ(log().find("command 201"), std::string::npos) << log();
        EXPECT_FALSE(snoozeRegistered());
        // A resident notice the reminder acted on is gone with it.
        if (std::string(how) == "action") {
            waitFor([] { return false; }, 0.3); // the last messages arrive
            EXPECT_EQ(service_->closed, std::vector<uint>{id});
        }
    }
}

// However the reminder ends, its notice goes: also at an end signal (a session that logs out).
TEST_F(DesktopNotification, TheNoticeIsClosedWheneverTheReminderEnds) {
    startService();
    startReminder();
    ASSERT_TRUE(noticeShown()) << log();
    const uint id = service_->lastId();
    reminder_.terminate();
    ASSERT_TRUE(reminderEnds()) << log();
    EXPECT_TRUE(waitFor([&] { return service_->closed == std::vector<uint>{id}; }, 5)) << log();
    EXPECT_NE(log().find("end signal"), std::string::npos) << log();
    EXPECT_EQ(reminder_.exitCode(), 0);
}

TEST_F(DesktopNotification, TheBubblesButtonsTakeTheNoticeAway) {
    startService();
    startReminder();
    ASSERT_TRUE(noticeShown()) << log();
    const uint id = service_->lastId();
    press(201); // the bubble's Snooze
    ASSERT_TRUE(waitFor([&] { return !service_->closed.empty(); }, 15)) << log();
    EXPECT_EQ(service_->closed, std::vector<uint>{id});
    EXPECT_TRUE(waitFor([&] { return snoozeRegistered(); }, 15)) << log();
}

TEST_F(DesktopNotification, WithoutAServiceTheBubbleWorksAlone) {
    startReminder();
    ASSERT_TRUE(waitFor([&] { return log().find("notice not shown") != std::string::npos; }, 15))
        << log();
    press(200);
    ASSERT_TRUE(reminderEnds()) << log();
    const std::string l = log();
    EXPECT_NE(l.find("command 200"), std::string::npos) << l;
    EXPECT_EQ(reminder_.exitCode(), 0);
    EXPECT_EQ(reminder_.readAllStandardError().toStdString(), "");
}

// On a Wayland session, where X has no idle time to give, the user's activity comes from the
// session's idle monitor, and `device status` names it.
TEST_F(DesktopNotification, OnAWaylandSessionTheIdleTimeComesFromTheSessionsMonitor) {
    auto monitorBus = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(address_, "fake-idle-monitor"));
    ASSERT_TRUE(monitorBus->isConnected());
    // It answers from a thread of its own: this thread waits on the daemon meanwhile.
    QThread worker;
    worker.start();
    FakeIdleMonitor monitor;
    monitor.moveToThread(&worker);
    monitor.idleMs = 300000; // five minutes: past the minute of the default threshold
    ASSERT_TRUE(monitorBus->registerVirtualObject("/org/gnome/Mutter/IdleMonitor/Core", &monitor));
    ASSERT_TRUE(monitorBus->registerService("org.gnome.Mutter.IdleMonitor"));

    ::kill(daemonPid_, SIGTERM);
    ::waitpid(daemonPid_, nullptr, 0);
    client_->disconnect();
    hv::testing::withoutADisplay();
    ::setenv("WAYLAND_DISPLAY", "wayland-hv-test", 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8().constData(), 1);
    bool answering = false;
    daemonPid_ = hv::testing::startRealDaemon(HV_DEVICED_PATH, root_, answering);
    for (const char* v : {"WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
        ::unsetenv(v);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ASSERT_TRUE(answering);

    const auto active = [&] {
        const auto s = client_->status();
        return s ? std::optional<bool>(s->userActive) : std::nullopt;
    };
    EXPECT_TRUE(waitFor([&] { return active() == false; }, 30)) << monitor.calls.load();
    std::ifstream state(root_ / ".system" / "deviced.state");
    std::stringstream text;
    text << state.rdbuf();
    EXPECT_NE(text.str().find("idle=org.gnome.Mutter.IdleMonitor (the session's idle monitor)"),
              std::string::npos)
        << text.str();
    // The user comes back: within the daemon's once-a-second look.
    monitor.idleMs = 200;
    EXPECT_TRUE(waitFor([&] { return active() == true; }, 10));
    monitorBus->unregisterObject("/org/gnome/Mutter/IdleMonitor/Core");
    monitorBus.reset();
    QDBusConnection::disconnectFromBus("fake-idle-monitor");
    worker.quit();
    worker.wait();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// The Alarms and Timers views in the main window on the real device layer, with the real daemon
// and reminder in a temporary device root: arming alarm 7 registers "a07" with the daemon; a timer
// started from the view makes the daemon start BHVEvents.exe at its end, the reminder writes the
// timer back, and the view shows the initial value again through HVTimers_Settings_Change.
#include "app/viewregistry.h"
#include "device/daemon_client.h"
#include "device/device.h"
#include "device/real.h"
#include "items/alarms.h"
#include "items/timers.h"
#include "items/ui/alarmsview.h"
#include "items/ui/timersview.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"
#include "toolkit/platform/platform.h"

#include "tests/support/real_daemon.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace hv;
using namespace hv::dev;
namespace fs = std::filesystem;
using hv::testing::waitUntil;

namespace {

class ItemsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("hv-itemsui-" + std::to_string(::getpid()));
        ASSERT_TRUE(hv::testing::startReminderRoot(root_, "data", HV_BHVEVENTS_PATH,
                                                   HV_DEVICED_PATH, daemonPid_, client_));
        // This test program runs outside the root: its folder is "\", its data "\data\"; the
        // main window's start writes the install folder the reminder reads.
        resetAppState();
        window_ = std::make_unique<shell::MainWindow>(shell::CommandLine{}, registry::makeView);
        window_->homeLocationDiffers = [] { return false; };
        ASSERT_TRUE(window_->start());
        QApplication::processEvents();
    }

    void TearDown() override {
        press(200); // a bubble still up is dismissed
        waitUntil([&] { return countOf(" start ") == countOf(" end"); }, 20);
        window_.reset();
        QApplication::processEvents();
        // The program's timer table lets go of its named events while the daemon still answers.
        items::timers().closeEvents();
        resetAppState();
        if (daemonPid_ > 0) {
            ::kill(daemonPid_, SIGTERM);
            ::waitpid(daemonPid_, nullptr, 0);
        }
        client_.reset();
        if (!HasFailure())
            fs::remove_all(root_);
    }

    std::string log() const {
        std::ifstream in(root_ / "reminder.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    size_t countOf(const std::string& what) const {
        const std::string l = log();
        size_t n = 0;
        for (size_t p = l.find(what); p != std::string::npos; p = l.find(what, p + 1))
            ++n;
        return n;
    }
    void press(int command) { std::ofstream(root_ / "reminder.cmd") << command; }
    void showView(int v) {
        window_->setSelectedView(v);
        window_->switchView();
        QApplication::processEvents();
    }
    void tap(tk::HWND w) {
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
        QApplication::processEvents();
    }
    // Runs the main window's event loop (its 100 ms tick) until pred holds.
    template <class Pred> bool runUntil(Pred pred, double seconds) {
        return waitUntil(
            [&] {
                QApplication::processEvents();
                return pred();
            },
            seconds, 20);
    }
    std::vector<TimedRegistration> registrations() { return DaemonNotifications(client_).list(); }

    fs::path root_;
    pid_t daemonPid_ = -1;
    std::shared_ptr<DaemonClient> client_;
    std::unique_ptr<shell::MainWindow> window_;
};

} // namespace

TEST_F(ItemsEndToEnd, ArmingAlarm7RegistersA07WithTheDaemon) {
    showView(shell::kAlarms);
    auto& v = *static_cast<itemsui::MAlarms*>(window_->view(shell::kAlarms));
    v.setSubState(1);
    tap(v.checkBox(2));
    const auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].arguments, u"a07");
    EXPECT_EQ(regs[0].application, u"\\Windows\\BHVEvents.exe");
    EXPECT_EQ(items::alarms().records[6].notificationHandle, regs[0].handle);
    tap(v.checkBox(2));
    EXPECT_TRUE(registrations().empty()) << log();
}

TEST_F(ItemsEndToEnd, ATimerStartedFromTheViewFiresTheReminderAndReturnsToItsInitialValue) {
    showView(shell::kTimers);
    auto& v = *static_cast<itemsui::MTimers*>(window_->view(shell::kTimers));
    v.select(0);
    tap(v.button(itemsui::kIdSet));
    itemsui::TimersSetDlg* dlg = v.settingsWindow();
    ASSERT_TRUE(dlg->isOpen());
    SystemTime t = dlg->initialValue()->time();
    t.hour = 0;
    t.minute = 0;
    t.second = 3;
    dlg->initialValue()->setTime(t);
    tap(dlg->control(itemsui::kIdOk));
    ASSERT_EQ(v.remainingShown(), u"00:00:03");

    tap(v.button(itemsui::kIdStart));
    auto regs = registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].arguments, u"t00");
    EXPECT_NE(items::timers().records[0].running, 0);

    // The daemon starts the reminder at the end; it alerts and writes the timer back.
    ASSERT_TRUE(runUntil([&] { return log().find("start t00") != std::string::npos; }, 40))
        << log();
    ASSERT_TRUE(runUntil(
        [&] {
            return items::timers().records[0].running == 0 && v.remainingShown() == u"00:00:03";
        },
        40))
        << log();
    // The bubble may be logged a moment after the write-back.
    EXPECT_TRUE(runUntil([&] { return log().find("bubble ") != std::string::npos; }, 20)) << log();
    EXPECT_TRUE(v.button(itemsui::kIdStart)->isVisible());
    EXPECT_FALSE(v.button(itemsui::kIdStop)->isVisible());
    EXPECT_EQ(items::timers().records[0].notificationHandle, 0u);
    EXPECT_TRUE(registrations().empty()) << log();
}

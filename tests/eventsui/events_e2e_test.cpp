// The Events view against the real daemon and reminder in a temporary device root: an event made
// with New... one minute ahead is registered with the daemon, editing its time re-registers it
// under the same handle, deleting another event after the question clears that registration, and
// when the event falls due the daemon starts BHVEvents.exe, which shows it.
#include "device/daemon_client.h"
#include "device/device.h"
#include "device/fake.h"
#include "device/real.h"
#include "device/registry.h"
#include "device/text.h"
#include "items/events.h"
#include "items/ui/eventsview.h"
#include "settings/settings.h"
#include "tests/support/real_daemon.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

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
namespace el = itemsui::eventslayout;
namespace dl = itemsui::eventdlglayout;
using hv::testing::waitUntil;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

void tap(itemsui::CommandPanel& panel, int id) {
    ASSERT_TRUE(panel.enabled(id)) << id;
    QTest::mouseClick(panel.button(id), Qt::LeftButton);
    pump();
}

class MainStandIn : public tk::SWindow {
public:
    explicit MainStandIn(QWidget* screen) {
        Create(0, u"EventsE2EMain", u"", tk::WS_CHILD | tk::WS_VISIBLE, 0, 0, 480, 614, screen, 0,
               nullptr);
    }
    ~MainStandIn() override {
        if (tk::IsWindow(hwnd()))
            tk::DestroyWindow(hwnd());
    }
};

class EventsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("hv-events-e2e-" + std::to_string(::getpid()));
        ASSERT_TRUE(hv::testing::startReminderRoot(root_, "data", HV_BHVEVENTS_PATH,
                                                   HV_DEVICED_PATH, daemonPid_, client_));
        // The test program lives outside the root: its data folder is \data\, and the reminder
        // is told the same install folder.
        char16_t folder[kInstallValueSize / 2] = {u'\\'};
        ASSERT_TRUE(regCreateKey(RegHive::LocalMachine, kInstallKey));
        ASSERT_TRUE(regSetValue(RegHive::LocalMachine, kInstallKey, kInstallValue, RegType::MultiSz,
                                folder, sizeof folder));
        resetAppState();
        fillSettingsDefaults(app().settings);
        saveSettingsWithRetry();
        RealDevice::instance().setMessageBoxes(std::make_unique<RecordingMessageBoxes>());
        items::events() = items::Events{};
    }
    void TearDown() override {
        if (daemonPid_ > 0) {
            ::kill(daemonPid_, SIGTERM);
            ::waitpid(daemonPid_, nullptr, 0);
        }
        client_.reset();
        fs::remove_all(root_);
        resetAppState();
    }
    std::string log() const {
        std::ifstream in(root_ / "reminder.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    RecordingMessageBoxes& boxes() {
        return static_cast<RecordingMessageBoxes&>(RealDevice::instance().messageBoxes());
    }

    fs::path root_;
    pid_t daemonPid_ = -1;
    std::shared_ptr<DaemonClient> client_;
};

} // namespace

TEST_F(EventsEndToEnd, NewEditDeleteAndTheReminderShowsTheEvent) {
    tk::SDrawBasic resources;
    QWidget screen;
    screen.setGeometry(0, 0, 480, 640);
    screen.show();
    MainStandIn main(&screen);
    CityDatabase cities;
    view::ViewContext ctx{
        cities,         items::alarms(), items::timers(), items::events(), items::stopwatch(),
        app().settings, app().locale,    app().names,     main.hwnd(),     nullptr};
    itemsui::EventsView view(ctx, 6);
    view.show();
    pump();
    DaemonNotifications service(client_);

    // New...: "Dentist" one minute ahead by the device clock.
    const SystemTime now = getLocalTime();
    const SystemTime inAMinute = toSystemTime(*toFileTime(now) + kTicksPerMinute);
    tap(*view.buttons(), el::kIdNew);
    ASSERT_TRUE(view.dialog());
    QTest::keyClicks(view.dialog()->nameEdit(), QStringLiteral("Dentist"));
    view.dialog()->datePicker()->SetDate(inAMinute);
    view.dialog()->timePicker()->SetTime(inAMinute);
    tap(*view.dialog()->buttons(dl::kIdOk), dl::kIdOk);
    ASSERT_EQ(items::events().records.size(), 1u);
    const uint32_t handle = items::events().records[0].notificationHandle;
    ASSERT_NE(handle, 0u);
    auto regs = service.list();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].handle, handle);
    EXPECT_EQ(regs[0].arguments, items::eventArgument(handle));
    EXPECT_EQ(regs[0].start.minute, inAMinute.minute);

    // Edit...: one minute later still; the same handle moves.
    const SystemTime inTwo = toSystemTime(*toFileTime(now) + 2 * kTicksPerMinute);
    view.eventList()->SetSelected(0);
    pump();
    tap(*view.buttons(), el::kIdEdit);
    ASSERT_TRUE(view.dialog());
    view.dialog()->datePicker()->SetDate(inTwo);
    view.dialog()->timePicker()->SetTime(inTwo);
    tap(*view.dialog()->buttons(dl::kIdOk), dl::kIdOk);
    regs = service.list();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].handle, handle);
    EXPECT_EQ(regs[0].start.minute, inTwo.minute);

    // A second event an hour ahead, deleted after the question: its registration goes.
    const SystemTime inAnHour = toSystemTime(*toFileTime(now) + 60 * kTicksPerMinute);
    tap(*view.buttons(), el::kIdNew);
    ASSERT_TRUE(view.dialog());
    QTest::keyClicks(view.dialog()->nameEdit(), QStringLiteral("Later"));
    view.dialog()->datePicker()->SetDate(inAnHour);
    view.dialog()->timePicker()->SetTime(inAnHour);
    tap(*view.dialog()->buttons(dl::kIdOk), dl::kIdOk);
    ASSERT_EQ(service.list().size(), 2u);
    const auto later =
        std::find_if(items::events().records.begin(), items::events().records.end(),
                     [](const auto& r) { return items::textOf(r.name) == u"Later"; });
    ASSERT_NE(later, items::events().records.end());
    const uint32_t laterHandle = later->notificationHandle;
    tk::ListView* l = view.eventList();
    for (int i = 0; i < l->ItemCount(); ++i)
        if (l->GetItemText(i, 0) == u"Later")
            l->SetSelected(i);
    pump();
    boxes().answers = {MbResult::Yes};
    tap(*view.buttons(), el::kIdDelete);
    ASSERT_FALSE(boxes().shown.empty());
    EXPECT_EQ(boxes().shown.back().text, u"Are you sure you want to delete the selected event?");
    regs = service.list();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].handle, handle);
    EXPECT_NE(regs[0].handle, laterHandle);

    // The device clock moves on to the event: the daemon starts the reminder, which shows it.
    ASSERT_TRUE(DaemonTimeSetting(client_).setSystemTime(
        toSystemTime(getSystemTimeAsFileTime() + 2 * kTicksPerMinute + 2 * kTicksPerSecond)));
    ASSERT_TRUE(waitUntil([&] { return log().find("bubble ") != std::string::npos; }, 40)) << log();
    const std::string l2 = log();
    EXPECT_NE(l2.find("start e" + std::to_string(handle)), std::string::npos) << l2;
    EXPECT_NE(l2.find("Dentist"), std::string::npos) << l2;
    view.hide();

    // "Dismiss" ends the reminder.
    std::ofstream(root_ / "reminder.cmd") << 200;
    EXPECT_TRUE(waitUntil([&] { return log().find(" end") != std::string::npos; }, 30)) << log();
}

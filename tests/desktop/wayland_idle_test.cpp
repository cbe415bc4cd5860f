// The user's idle time on a Wayland session whose compositor offers ext-idle-notify: a real
// hvdeviced started in such a session (WAYLAND_DISPLAY in a temporary runtime folder, no X
// display, no session bus) against a compositor of the test's own made with libwayland-server,
// with a seat and ext_idle_notifier_v1. The compositor plays the user: idle, back again, and a
// compositor that goes away and comes back. What the daemon makes of it is read the user's way,
// from `horavel-cli device status`.
#include "device/real.h"
#include "device/registry.h"

#include "tests/support/real_daemon.h"

#include "ext-idle-notify-v1-server-protocol.h"

#include <gtest/gtest.h>
#include <wayland-server.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

using namespace hv::dev;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

namespace {

// A compositor on the socket `path`: its loop runs in a thread of its own; the test's calls
// are handed to that thread. Destroying it ends the connections of its clients.
class FakeCompositor {
public:
    explicit FakeCompositor(const fs::path& path) : path_(path) {
        display_ = wl_display_create();
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        fs::remove(path);
        listening_ = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                     ::listen(fd, 8) == 0 && wl_display_add_socket_fd(display_, fd) == 0;
        if (!listening_ && fd >= 0)
            ::close(fd);
        wl_global_create(display_, &wl_seat_interface, 1, nullptr, bindSeat);
        wl_global_create(display_, &ext_idle_notifier_v1_interface, 1, this, bindNotifier);
        thread_ = std::thread([this] { run(); });
    }
    ~FakeCompositor() {
        stop_ = true;
        thread_.join();
        wl_display_destroy_clients(display_);
        wl_display_destroy(display_);
        fs::remove(path_);
    }

    bool listening() const { return listening_; }
    // The notifications the clients asked for and still hold, and the timeout of the last.
    int notifications() const { return notifications_; }
    uint32_t lastTimeoutMs() const { return lastTimeout_; }
    // The user leaves the seat, or comes back: every notification is told.
    void userLeaves() {
        post([this] { sendAll(true); });
    }
    void userReturns() {
        post([this] { sendAll(false); });
    }

private:
    static void destroyResource(wl_client*, wl_resource* r) { wl_resource_destroy(r); }

    static void bindSeat(wl_client* client, void*, uint32_t version, uint32_t id) {
        // The daemon sends no seat requests: the seat only names itself.
        wl_resource_create(client, &wl_seat_interface, static_cast<int>(version), id);
    }
    static void bindNotifier(wl_client* client, void* data, uint32_t version, uint32_t id) {
        static const struct ext_idle_notifier_v1_interface impl = {destroyResource,
                                                                   getNotification};
        wl_resource* r = wl_resource_create(client, &ext_idle_notifier_v1_interface,
                                            static_cast<int>(version), id);
        wl_resource_set_implementation(r, &impl, data, nullptr);
    }
    static void getNotification(wl_client* client, wl_resource* notifier, uint32_t id,
                                uint32_t timeout, wl_resource*) {
        static const struct ext_idle_notification_v1_interface impl = {destroyResource};
        auto* self = static_cast<FakeCompositor*>(wl_resource_get_user_data(notifier));
        wl_resource* r = wl_resource_create(client, &ext_idle_notification_v1_interface,
                                            wl_resource_get_version(notifier), id);
        wl_resource_set_implementation(r, &impl, self, notificationGone);
        self->live_.push_back({r, false});
        self->lastTimeout_ = timeout;
        self->notifications_ = static_cast<int>(self->live_.size());
    }
    static void notificationGone(wl_resource* r) {
        auto* self = static_cast<FakeCompositor*>(wl_resource_get_user_data(r));
        std::erase_if(self->live_, [r](const Live& l) { return l.resource == r; });
        self->notifications_ = static_cast<int>(self->live_.size());
    }

    void sendAll(bool idle) {
        for (Live& l : live_) {
            if (l.idle == idle)
                continue;
            l.idle = idle;
            if (idle)
                ext_idle_notification_v1_send_idled(l.resource);
            else
                ext_idle_notification_v1_send_resumed(l.resource);
        }
    }
    void post(std::function<void()> f) {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(f));
    }
    void run() {
        wl_event_loop* loop = wl_display_get_event_loop(display_);
        while (!stop_) {
            wl_event_loop_dispatch(loop, 10);
            std::vector<std::function<void()>> todo;
            {
                std::lock_guard lock(mutex_);
                todo.swap(queue_);
            }
            for (auto& f : todo)
                f();
            wl_display_flush_clients(display_);
        }
    }

    struct Live {
        wl_resource* resource;
        bool idle;
    };
    fs::path path_;
    wl_display* display_ = nullptr;
    bool listening_ = false;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::function<void()>> queue_;
    std::vector<Live> live_; // the compositor thread's
    std::atomic<int> notifications_{0};
    std::atomic<uint32_t> lastTimeout_{0};
};

class WaylandIdle : public ::testing::Test {
protected:
    void SetUp() override {
        char runtime[] = "/tmp/hv-wayland-XXXXXX";
        ASSERT_NE(::mkdtemp(runtime), nullptr);
        runtime_ = runtime;
        root_ = fs::temp_directory_path() / ("hv-wayland-idle-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        // Inactive after three seconds without input, on either power source.
        RealDevice::instance().setRoot(root_);
        const std::u16string key = u"System\\CurrentControlSet\\Control\\Power\\Timeouts";
        const uint8_t seconds[4] = {3, 0, 0, 0};
        ASSERT_TRUE(regCreateKey(RegHive::LocalMachine, key));
        for (const char16_t* name : {u"ACUserIdle", u"BattUserIdle"})
            ASSERT_TRUE(regSetValue(RegHive::LocalMachine, key, name, RegType::Dword, seconds, 4));
    }
    void TearDown() override {
        if (daemonPid_ > 0) {
            ::kill(daemonPid_, SIGTERM);
            ::waitpid(daemonPid_, nullptr, 0);
        }
        compositor_.reset();
        fs::remove_all(root_);
        fs::remove_all(runtime_);
    }

    // The daemon in a Wayland session of its own: no X display and no session bus.
    void startDaemon() {
        hv::testing::withoutADisplay();
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        ::setenv("WAYLAND_DISPLAY", "wayland-hv", 1);
        ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        bool answering = false;
        daemonPid_ = hv::testing::startRealDaemon(HV_DEVICED_PATH, root_, answering);
        ::unsetenv("WAYLAND_DISPLAY");
        ASSERT_TRUE(answering);
    }

    std::string status() const {
        const std::string command =
            std::string(HV_CLI_PATH) + " device status --device '" + root_.string() + "'";
        std::string out;
        if (FILE* p = ::popen(command.c_str(), "r")) {
            char buf[4096];
            for (size_t k; (k = std::fread(buf, 1, sizeof buf, p)) > 0;)
                out.append(buf, k);
            ::pclose(p);
        }
        return out;
    }
    // Whether `device status` comes to say all of `lines` within the seconds.
    ::testing::AssertionResult statusSays(std::vector<std::string> lines, double seconds) const {
        std::string last;
        if (hv::testing::waitUntil(
                [&] {
                    last = status();
                    return std::all_of(lines.begin(), lines.end(), [&](const std::string& l) {
                        return last.find("\n" + l + "\n") != std::string::npos;
                    });
                },
                seconds, 100))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "device status said:\n" << last;
    }

    fs::path runtime_, root_;
    pid_t daemonPid_ = -1;
    std::unique_ptr<FakeCompositor> compositor_;
};

const std::string kNamed =
    "idle=ext-idle-notify (the Wayland compositor of WAYLAND_DISPLAY=wayland-hv)";

TEST_F(WaylandIdle, TheCompositorsIdleNotificationsMakeTheUserInactiveAndActiveAgain) {
    compositor_ = std::make_unique<FakeCompositor>(runtime_ / "wayland-hv");
    ASSERT_TRUE(compositor_->listening());
    startDaemon();
    ASSERT_TRUE(hv::testing::waitUntil([&] { return compositor_->notifications() == 1; }, 20));
    const uint32_t timeout = compositor_->lastTimeoutMs();
    EXPECT_GT(timeout, 0u);
    EXPECT_LE(timeout, 3000u); // within the idle threshold
    EXPECT_TRUE(statusSays({kNamed, "activity=active"}, 20));

    // The user leaves: the compositor says so once the timeout has passed without input, so
    // the daemon counts the idle time from then on plus the timeout, and turns inactive when
    // that reaches the threshold: not before the threshold less the timeout.
    const auto left = Steady::now();
    compositor_->userLeaves();
    EXPECT_TRUE(statusSays({"activity=inactive", kNamed}, 30));
    const auto tookMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - left).count();
    EXPECT_GE(tookMs, 3000 - static_cast<int64_t>(timeout) - 20);

    // Back at the keyboard: active again without waiting for the threshold.
    compositor_->userReturns();
    EXPECT_TRUE(statusSays({"activity=active"}, 10));

    // The compositor goes away (a session that ends, a compositor that crashed): no idle time;
    // a new one on the same socket is found again.
    compositor_.reset();
    EXPECT_TRUE(statusSays({"idle=none (WAYLAND_DISPLAY=wayland-hv gives no idle time: the user "
                            "counts as active)",
                            "activity=active"},
                           20));
    compositor_ = std::make_unique<FakeCompositor>(runtime_ / "wayland-hv");
    ASSERT_TRUE(compositor_->listening());
    ASSERT_TRUE(hv::testing::waitUntil([&] { return compositor_->notifications() == 1; }, 40));
    EXPECT_TRUE(statusSays({kNamed}, 20));
    compositor_->userLeaves();
    EXPECT_TRUE(statusSays({"activity=inactive"}, 30));
}

} // namespace

int main(int argc, char** argv) {
    // A run from a desktop: the daemon reads the display of each client from the environment
    // it was started with, so the test starts itself again without one.
    if (hv::testing::startedWithADisplay()) {
        hv::testing::withoutADisplay();
        ::execv("/proc/self/exe", argv);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "toolkit/platform/endsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace hv::tk {

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_seen = 0;

void onSignal(int) {
    g_seen = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
}

} // namespace

bool catchEndSignals(std::initializer_list<int> which) {
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (const int sig : which)
        ::sigaction(sig, &sa, nullptr);
    return true;
}

void onEndSignal(QObject* context, std::function<void()> onEnd) {
    if (g_pipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [onEnd = std::move(onEnd)] {
        char buf[16];
        while (::read(g_pipe[0], buf, sizeof buf) > 0) {
        }
        onEnd();
    });
}

bool endSignalSeen() {
    return g_seen != 0;
}

} // namespace hv::tk

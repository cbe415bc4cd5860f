#include "deviced/session.h"

#include "device/systime.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace hv::deviced {

namespace {

constexpr int kManagerTimeoutMs = 2000;
constexpr size_t kMaxEnvironmentBytes = 1u << 20;

bool isSessionVariable(std::string_view name) {
    for (const char* v : kSessionVariables)
        if (name == v)
            return true;
    return false;
}

bool isDisplayVariable(std::string_view name) {
    return name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name == "XAUTHORITY";
}

} // namespace

SessionEnvironment sessionVariables(std::string_view block, char separator) {
    SessionEnvironment env;
    while (!block.empty()) {
        const size_t end = block.find(separator);
        const std::string_view entry = block.substr(0, end);
        block = end == std::string_view::npos ? std::string_view() : block.substr(end + 1);
        const size_t eq = entry.find('=');
        if (eq == std::string_view::npos || eq == 0)
            continue;
        const std::string_view name = entry.substr(0, eq), value = entry.substr(eq + 1);
        if (!isSessionVariable(name) || value.empty() || value.rfind("$'", 0) == 0)
            continue;
        env[std::string(name)] = std::string(value);
    }
    return env;
}

bool hasDisplay(const SessionEnvironment& env) {
    return env.count("DISPLAY") || env.count("WAYLAND_DISPLAY");
}

SessionEnvironment ownSession() {
    SessionEnvironment env;
    for (const char* v : kSessionVariables)
        if (const char* value = std::getenv(v); value && *value)
            env[v] = value;
    return env;
}

SessionEnvironment processSession(pid_t pid) {
    if (pid <= 0)
        return {};
    const std::string path = "/proc/" + std::to_string(pid) + "/environ";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string block;
    char buf[4096];
    for (;;) {
        const ssize_t k = ::read(fd, buf, sizeof buf);
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0 || block.size() > kMaxEnvironmentBytes)
            break;
        block.append(buf, static_cast<size_t>(k));
    }
    ::close(fd);
    return sessionVariables(block, '\0');
}

std::optional<SessionEnvironment> managerSession() {
    const char* override = std::getenv("HORAVEL_SYSTEMCTL");
    std::string program = override && *override ? override : "systemctl";
    if (!override || !*override) {
        // No user manager runs without its private socket in the runtime folder.
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::error_code ec;
        if (!runtime || !*runtime ||
            !std::filesystem::exists(std::filesystem::path(runtime) / "systemd" / "private", ec))
            return std::nullopt;
    }
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        ::dup2(out[1], 1);
        const int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
            ::dup2(devnull, 2);
        }
        ::execlp(program.c_str(), program.c_str(), "--user", "show-environment",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    const uint64_t deadline = dev::monotonicMs() + kManagerTimeoutMs;
    bool complete = false;
    for (;;) {
        const uint64_t now = dev::monotonicMs();
        if (now >= deadline)
            break;
        pollfd p{out[0], POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(deadline - now));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        char buf[4096];
        const ssize_t k = ::read(out[0], buf, sizeof buf);
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0) {
            complete = k == 0;
            break;
        }
        if (text.size() < kMaxEnvironmentBytes)
            text.append(buf, static_cast<size_t>(k));
    }
    ::close(out[0]);
    if (!complete)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return sessionVariables(text, '\n');
}

SessionEnvironment chooseSession(const SessionEnvironment& own,
                                 const std::optional<SessionEnvironment>& manager,
                                 const SessionEnvironment& lastClient) {
    const SessionEnvironment* source = nullptr;
    if (manager && hasDisplay(*manager))
        source = &*manager;
    else if (hasDisplay(lastClient))
        source = &lastClient;
    if (!source)
        return own;
    SessionEnvironment env;
    for (const auto& [name, value] : own)
        if (!isDisplayVariable(name))
            env[name] = value;
    for (const auto& [name, value] : *source)
        env[name] = value;
    return env;
}

void applySession(const SessionEnvironment& env) {
    for (const char* v : kSessionVariables) {
        const auto it = env.find(v);
        if (it != env.end())
            ::setenv(v, it->second.c_str(), 1);
        else
            ::unsetenv(v);
    }
}

} // namespace hv::deviced

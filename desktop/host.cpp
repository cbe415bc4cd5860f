#include "desktop/host.h"

#include "device/daemon_client.h"
#include "device/device.h"
#include "device/paths.h"
#include "device/registry.h"

#include <QFile>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace hv::desktop {

fs::path desktopRoot() {
    if (const char* d = std::getenv("HORAVEL_DESKTOP"); d && *d)
        return d;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
        return fs::path(x) / "horavel" / "desktop";
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "/tmp") / ".local" / "share" / "horavel" / "desktop";
}

fs::path desktopRegistryFile(std::string_view key) {
    fs::path p = desktopRoot() / "registry" / "HKLM";
    std::string part;
    for (char c : key) {
        if (c == '\\') {
            if (!part.empty() && part != "." && part != "..")
                p /= part;
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty() && part != "." && part != "..")
        p /= part;
    return p / "@default";
}

bool registerAppManager(const fs::path& program) {
    const fs::path file = desktopRegistryFile(kAppPathsKey);
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << fs::absolute(program, ec).string();
    return static_cast<bool>(out);
}

bool spawnDetached(const std::vector<std::string>& argv) {
    if (argv.empty())
        return false;
    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        ::setsid();
        if (::fork() != 0)
            _exit(0);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        const char failed = 1;
        [[maybe_unused]] auto n = ::write(pipefd[1], &failed, 1);
        _exit(127);
    }
    ::close(pipefd[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    char failed = 0;
    const bool execFailed = ::read(pipefd[0], &failed, 1) == 1;
    ::close(pipefd[0]);
    return !execFailed;
}

bool HostDesktop::rapiInit() {
    // The remote API itself always starts on this desktop, device or not; a device is connected
    // when its services daemon answers on its socket (not started here), and without one its
    // screen width reads 0, so the probe asks the user to cradle the device.
    const int fd = dev::connectDaemonSocket(dev::current().root());
    connected_ = fd >= 0;
    if (fd >= 0)
        ::close(fd);
    return true;
}

int HostDesktop::screenWidth() {
    if (!connected_)
        return 0;
    const auto v = dev::regQueryValue(dev::RegHive::LocalMachine, kDeviceKey, kScreenWidthValue);
    if (!v || v->type != dev::RegType::Dword || v->data.size() != 4)
        return static_cast<int>(kDefaultScreenWidth);
    uint32_t w = 0;
    std::memcpy(&w, v->data.data(), 4);
    return static_cast<int>(w);
}

void HostDesktop::rapiUninit() {
    connected_ = false;
}

bool HostDesktop::startProgram(const std::string& name, int) {
    const fs::path program = fs::current_path() / name;
    if (!fs::exists(program))
        return false;
    return spawnDetached({program.string()});
}

std::optional<std::string> HostDesktop::appManagerPath() {
    std::ifstream in(desktopRegistryFile(kAppPathsKey), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string value(260, '\0');
    in.read(value.data(), 260);
    value.resize(static_cast<size_t>(in.gcount()));
    if (const size_t z = value.find('\0'); z != std::string::npos)
        value.resize(z);
    return value;
}

bool HostDesktop::createDirectory(const std::string& path, bool& alreadyExists) {
    std::error_code ec;
    alreadyExists = fs::is_directory(path, ec);
    return fs::create_directory(path, ec) && !ec;
}

bool HostDesktop::writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    // Written beside the target and renamed over it: a manager reading the file meanwhile sees
    // the old whole file or the new one, never a part.
    const std::string part = path + ".part" + std::to_string(::getpid());
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            ::unlink(part.c_str());
            return false;
        }
    }
    if (::rename(part.c_str(), path.c_str()) != 0) {
        ::unlink(part.c_str());
        return false;
    }
    return true;
}

bool HostDesktop::winExec(const std::string& command, int) {
    // "<program> "<argument>"": the program path may hold spaces, the argument is quoted.
    const size_t q = command.rfind(" \"");
    if (q == std::string::npos || command.back() != '"')
        return spawnDetached({command});
    return spawnDetached({command.substr(0, q), command.substr(q + 2, command.size() - q - 3)});
}

bool HostDesktop::messageBox(const std::string& caption, const std::string& text, bool okCancel) {
    std::cerr << caption << ": " << text << '\n';
    if (!okCancel)
        return true;
    if (!::isatty(STDIN_FILENO))
        return false; // nobody to press OK: cancel
    std::cerr << "[OK = Enter, Cancel = c] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    return answer.empty() || (answer[0] != 'c' && answer[0] != 'C');
}

std::optional<std::vector<uint8_t>> HostDesktop::resource(int type, int id) {
    QFile f(QStringLiteral(":/res/%1/%2").arg(type).arg(id));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = f.readAll();
    return std::vector<uint8_t>(data.begin(), data.end());
}

} // namespace hv::desktop

#include "device/hostsession.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hv::dev {

namespace fs = std::filesystem;

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// A folder of ours that no one else can enter: not a link, owned by us, mode 0700.
bool privateFolder(const fs::path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 0077) == 0;
}

std::vector<fs::path> splitPaths(const std::string& list) {
    std::vector<fs::path> out;
    std::stringstream s(list);
    std::string item;
    while (std::getline(s, item, ':'))
        if (!item.empty() && fs::path(item).is_absolute())
            out.emplace_back(item);
    return out;
}

bool present(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// An autostart entry that the user has not switched off (Hidden=true).
bool activeAutostartEntry(const fs::path& p) {
    std::ifstream in(p);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("Hidden=true", 0) == 0)
            return false;
    return true;
}

// Writes a whole file through a temporary beside it.
std::string writeFile(const fs::path& path, const std::string& text) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec)
        return "cannot make " + path.parent_path().string() + ": " + ec.message();
    const fs::path tmp = path.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << text;
        if (!out.flush())
            return "cannot write " + tmp.string();
    }
    fs::rename(tmp, path, ec);
    if (ec) {
        fs::remove(tmp, ec);
        return "cannot write " + path.string();
    }
    return {};
}

// systemd and desktop entries take a path with spaces in double quotes.
std::string quoted(const fs::path& p) {
    std::string s = p.string();
    if (s.find_first_of(" \t\"\\") == std::string::npos)
        return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            q += '\\';
        q += c;
    }
    return q + '"';
}

} // namespace

bool ensureRuntimeFolder() {
    const std::string current = env("XDG_RUNTIME_DIR");
    if (!current.empty() && privateFolder(current))
        return true;
    const fs::path folder =
        fs::temp_directory_path() / ("horavel-runtime-" + std::to_string(::getuid()));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    if (!privateFolder(folder))
        return false; // someone else's, or a link: never used
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    return true;
}

SessionPlaces SessionPlaces::fromEnvironment() {
    SessionPlaces p;
    const std::string config = env("XDG_CONFIG_HOME");
    p.configHome = !config.empty() ? fs::path(config) : fs::path(env("HOME")) / ".config";
    std::string dirs = env("XDG_CONFIG_DIRS");
    if (dirs.empty())
        dirs = "/etc/xdg";
    for (const fs::path& d : splitPaths(dirs))
        p.autostartDirs.push_back(d / "autostart");
    p.userUnitDirs = {"/etc/systemd/user", "/usr/local/lib/systemd/user", "/usr/lib/systemd/user",
                      "/lib/systemd/user"};
    p.globalWants = "/etc/systemd/user/default.target.wants";
    p.runtimeDir = env("XDG_RUNTIME_DIR");
    return p;
}

DaemonAtLogin daemonAtLogin(const SessionPlaces& places) {
    const fs::path userAutostart = places.configHome / "autostart" / kDaemonAutostartName;
    // The user's own entry decides over the system's one of the same name.
    if (present(userAutostart))
        return activeAutostartEntry(userAutostart) ? DaemonAtLogin::UserAutostart
                                                   : DaemonAtLogin::Nowhere;
    if (present(places.configHome / "systemd" / "user" / "default.target.wants" / kDaemonUnitName))
        return DaemonAtLogin::UserUnit;
    if (!places.globalWants.empty() && present(places.globalWants / kDaemonUnitName))
        return DaemonAtLogin::ForEveryUser;
    for (const fs::path& d : places.autostartDirs)
        if (activeAutostartEntry(d / kDaemonAutostartName))
            return DaemonAtLogin::ForEveryUser;
    return DaemonAtLogin::Nowhere;
}

bool systemdUserSession(const SessionPlaces& places) {
    return !places.runtimeDir.empty() && present(places.runtimeDir / "systemd" / "private");
}

int runSystemctl(const std::vector<std::string>& args) {
    std::vector<std::string> all{"systemctl", "--user", "--quiet"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        return 127;
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

std::string startDaemonAtLogin(const SessionPlaces& places, const fs::path& daemon,
                               const fs::path& root, const SystemctlRunner& systemctl) {
    if (daemon.empty() || !daemon.is_absolute())
        return "the device services program was not found";
    const std::string command = quoted(daemon) + " --root " + quoted(root);
    if (systemdUserSession(places)) {
        const fs::path unit = places.configHome / "systemd" / "user" / kDaemonUnitName;
        const std::string text = "[Unit]\n"
                                 "Description=Horavel device services (registrations, named "
                                 "events, device clock)\n"
                                 "After=graphical-session.target\n\n"
                                 "[Service]\n"
                                 "Type=simple\n"
                                 "ExecStart=" +
                                 command +
                                 "\n"
                                 "Restart=on-failure\n"
                                 "RestartSec=2\n\n"
                                 "[Install]\n"
                                 "WantedBy=default.target graphical-session.target\n";
        if (std::string problem = writeFile(unit, text); !problem.empty())
            return problem;
        systemctl({"daemon-reload"});
        const int rc = systemctl({"enable", kDaemonUnitName});
        if (rc != 0)
            return "systemctl --user enable " + std::string(kDaemonUnitName) + " failed (status " +
                   std::to_string(rc) + ")";
        return {};
    }
    const fs::path entry = places.configHome / "autostart" / kDaemonAutostartName;
    return writeFile(entry, "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Horavel device services\n"
                            "Comment=Starts reminders and timers of the Horavel device when they "
                            "fall due\n"
                            "Exec=" +
                                command +
                                "\n"
                                "Terminal=false\n"
                                "NoDisplay=true\n"
                                "X-GNOME-Autostart-enabled=true\n");
}

bool daemonAtLoginAsked(const SessionPlaces& places) {
    return present(places.configHome / "horavel" / "autostart-asked");
}

bool markDaemonAtLoginAsked(const SessionPlaces& places) {
    return writeFile(places.configHome / "horavel" / "autostart-asked", "asked\n").empty();
}

} // namespace hv::dev

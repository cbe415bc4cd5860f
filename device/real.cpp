#include "device/real.h"
#include "device/zonechanges.h"

#include "device/daemon_client.h"
#include "device/files.h"
#include "device/paths.h"
#include "device/text.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace hv::dev {

namespace fs = std::filesystem;

namespace {

constexpr char kClockMagic[4] = {'H', 'V', 'C', 'K'};
constexpr size_t kClockFileSize = 4 + 4 + 8 + 4 + sizeof(TimeZoneInformation);

void putLe(std::vector<uint8_t>& b, uint64_t v, int n) {
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint64_t getLe(const uint8_t* p, int n) {
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

FileTime hostUtcNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return kUnixEpochFileTime + static_cast<FileTime>(ts.tv_sec) * kTicksPerSecond +
           static_cast<FileTime>(ts.tv_nsec / 100);
}

class RealClock : public Clock {
public:
    explicit RealClock(const fs::path& root) : file_(root / ".system" / "clock.dat") {}

    FileTime utcNow() override {
        refresh();
        return static_cast<FileTime>(static_cast<int64_t>(hostUtcNow()) + cached_.offsetTicks);
    }
    TimeZoneInformation zone() override {
        refresh();
        if (cached_.hasZone)
            return cached_.zone;
        const int year = toSystemTime(utcNow()).year;
        if (year != hostZoneYear_) {
            hostZone_ = hostZoneForYear(year);
            hostZoneYear_ = year;
        }
        return hostZone_;
    }
    uint64_t tickCount() override { return monotonicMs(); }
    void sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    std::string hostZoneName() override { return hostZoneNameFromSystem(); }
    fs::path stateFile() const override { return file_; }
    void setWatched(bool watched) override {
        // A change between the last look and the start of the watch is found by one more look.
        stale_ = true;
        watched_ = watched;
    }
    void stateChanged() override { stale_ = true; }

private:
    // The clock file is read again only when it changed: one stat a call, or none while a watch
    // tells of its changes.
    void refresh() {
        if (watched_ && !stale_.exchange(false))
            return;
        struct stat st {};
        if (::stat(file_.c_str(), &st) != 0) {
            cached_ = {};
            stamp_ = {};
            return;
        }
        const auto stamp =
            std::make_tuple(st.st_ino, st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_size);
        if (stamp == stamp_)
            return;
        stamp_ = stamp;
        cached_ = readClockFile(file_.parent_path().parent_path()).value_or(ClockFile{});
    }
    fs::path file_;
    std::atomic<bool> watched_{false};
    std::atomic<bool> stale_{true};
    ClockFile cached_{};
    std::tuple<ino_t, time_t, long, off_t> stamp_{};
    TimeZoneInformation hostZone_{};
    int hostZoneYear_ = -1;
};

// The daemon's time setting, after which the clock reads its file again: a program that watches
// the file would otherwise see its own change only once its event loop took the notice.
class ClockFollowingTimeSetting : public TimeSetting {
public:
    ClockFollowingTimeSetting(std::unique_ptr<TimeSetting> inner, Clock& clock)
        : inner_(std::move(inner)), clock_(clock) {}
    bool setSystemTime(const SystemTime& utc) override { return told(inner_->setSystemTime(utc)); }
    bool setLocalTime(const SystemTime& local) override {
        return told(inner_->setLocalTime(local));
    }
    bool setTimeZone(const TimeZoneInformation& tz) override {
        return told(inner_->setTimeZone(tz));
    }

private:
    bool told(bool ok) {
        clock_.stateChanged();
        return ok;
    }
    std::unique_ptr<TimeSetting> inner_;
    Clock& clock_;
};

class EnvironmentLocale : public LocaleProvider {
public:
    const LocaleData& data() override {
        std::call_once(once_, [this] { data_ = LocaleData::fromEnvironment(); });
        return data_;
    }

private:
    std::once_flag once_;
    LocaleData data_;
};

class StderrMessageBoxes : public MessageBoxes {
public:
    MbResult show(const std::u16string& caption, const std::u16string& text, MbIcon,
                  MbButtons buttons) override {
        std::cerr << toUtf8(caption) << ": " << toUtf8(text) << '\n';
        return buttons == MbButtons::YesNo || buttons == MbButtons::YesNoCancel ? MbResult::No
                                                                                : MbResult::Ok;
    }
};

// Starts argv detached (double fork, new session) with the device root in the environment.
// Returns false when the program could not be executed.
bool spawnDetached(const std::vector<std::string>& argv, const fs::path& root) {
    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        return false;
    }
    if (pid == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        ::setenv("HORAVEL_DEVICE", root.c_str(), 1);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        // A detached program holds none of the starter's descriptors: a pipe the starter's own
        // caller reads would otherwise stay open for as long as the program runs.
        const int devnull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (devnull >= 0)
            for (int fd = 0; fd <= 2; ++fd)
                ::dup2(devnull, fd);
        ::execv(args[0], args.data());
        const char failed = 1;
        [[maybe_unused]] auto n = ::write(pipefd[1], &failed, 1);
        ::_exit(127);
    }
    ::close(pipefd[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    char buf;
    const ssize_t n = ::read(pipefd[0], &buf, 1); // EOF once exec succeeded
    ::close(pipefd[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

std::string readSmallFile(const fs::path& p) {
    std::ifstream in(p);
    std::string s;
    std::getline(in, s);
    return s;
}

// The whole of a regular file of at most kMaxSoundBytes, read without exceptions; nullopt for a
// folder, a device node, an unreadable or an oversized file.
constexpr off_t kMaxSoundBytes = 64 << 20;
std::optional<std::vector<uint8_t>> readSoundFile(const fs::path& p) {
    if (p.empty())
        return std::nullopt;
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::vector<uint8_t> data;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxSoundBytes;
    if (ok) {
        data.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < data.size()) {
            const ssize_t k = ::read(fd, data.data() + got, data.size() - got);
            if (k < 0 && errno == EINTR)
                continue;
            if (k <= 0)
                break;
            got += static_cast<size_t>(k);
        }
        data.resize(got);
        ok = got > 0;
    }
    ::close(fd);
    return ok ? std::optional(std::move(data)) : std::nullopt;
}

bool isPlayableFile(const fs::path& p) {
    struct stat st {};
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
           st.st_size <= kMaxSoundBytes && ::access(p.c_str(), R_OK) == 0;
}

class LinuxShell : public Shell {
public:
    LinuxShell(const fs::path& root, std::shared_ptr<DaemonClient> daemon)
        : root_(root), daemon_(std::move(daemon)) {}
    bool start(const std::u16string& devicePath, const std::u16string& arguments) override {
        if (!isProgramInsideRoot(root_, devicePath))
            return false;
        std::vector<std::string> argv{hostPath(root_, devicePath).string()};
        if (!arguments.empty())
            argv.push_back(toUtf8(arguments));
        return spawnDetached(argv, root_);
    }
    std::vector<std::u16string> processNames() override { return programNames(false); }
    // Processes of this user with a program file (no kernel threads, no other users' daemons).
    std::vector<std::u16string> userProgramNames() override { return programNames(true); }
    // A program of this device runs from the device's own file: a copy of the same name that
    // serves another device root on this host is not one of them.
    bool programRunning(const std::u16string& devicePath) override {
        if (devicePath.find(u'\\') == std::u16string::npos)
            return Shell::programRunning(devicePath);
        const auto file = hostPathInsideRoot(root_, devicePath);
        if (!file)
            return false;
        std::error_code ec;
        const fs::path want = fs::weakly_canonical(*file, ec);
        if (ec)
            return false;
        for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
            const std::string pid = it->path().filename().string();
            if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::error_code ec2;
            if (fs::read_symlink(it->path() / "exe", ec2) == want && !ec2)
                return true;
        }
        return false;
    }
    // The device's power state is the daemon's (it follows the host's supplies and takes the
    // state set with `horavel-cli device power`); the host's supplies only when none answers.
    bool onExternalPower() override {
        if (daemon_)
            if (const auto s = daemon_->status())
                return s->externalPower;
        bool battery = false, online = false;
        std::error_code ec;
        for (fs::directory_iterator it("/sys/class/power_supply", ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string type = readSmallFile(it->path() / "type");
            if (type == "Battery")
                battery = true;
            else if (readSmallFile(it->path() / "online") == "1")
                online = true;
        }
        return online || !battery;
    }
    void displayOn() override { resetIdleTimer(); }
    void resetIdleTimer() override {
        if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))
            spawnDetached({"/usr/bin/xdg-screensaver", "reset"}, root_);
    }
    uint32_t systemMajorVersion() override { return 5; }

private:
    // The program file names of the running processes; a process without one (a kernel thread)
    // by its command name, unless only the user's own programs are asked for.
    static std::vector<std::u16string> programNames(bool ownOnly) {
        std::vector<std::u16string> out;
        std::error_code ec;
        for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
            const std::string pid = it->path().filename().string();
            if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
                continue;
            struct stat st {};
            if (ownOnly && (::stat(it->path().c_str(), &st) != 0 || st.st_uid != ::getuid()))
                continue;
            std::error_code ec2;
            const fs::path exe = fs::read_symlink(it->path() / "exe", ec2);
            if (ec2 && ownOnly)
                continue;
            std::string name = ec2 ? readSmallFile(it->path() / "comm") : exe.filename().string();
            if (const auto del = name.find(" (deleted)"); del != std::string::npos)
                name.erase(del);
            if (!name.empty())
                out.push_back(fromUtf8(name));
        }
        return out;
    }

    fs::path root_;
    std::shared_ptr<DaemonClient> daemon_;
};

// The players tried, in order: $HORAVEL_SOUND_PLAYERS (paths separated by colons) when set.
std::vector<std::string> soundPlayers() {
    std::vector<std::string> out;
    if (const char* list = std::getenv("HORAVEL_SOUND_PLAYERS"); list && *list) {
        std::string_view rest(list);
        while (!rest.empty()) {
            const size_t colon = rest.find(':');
            if (const auto one = rest.substr(0, colon); !one.empty())
                out.emplace_back(one);
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
        return out;
    }
    return {"/usr/bin/pw-play", "/usr/bin/paplay", "/usr/bin/aplay"};
}

// A player that ends with an error within this time (no sound server, no device) did not play.
constexpr int kPlayerCheckMs = 300;

// Plays WAV files through the desktop's player (pw-play, paplay or aplay), the volume applied to
// the samples here. The scaled sound never touches a disk: it lives in an anonymous memory file
// that the player reads as its standard input (/dev/stdin), so nothing is left behind however
// the program ends, and no path exists that another user could replace. A new sound ends the
// one playing. A sound that cannot be read plays the default sound, or nothing; it never ends
// the program.
class PlayerSound : public Sound {
public:
    explicit PlayerSound(const fs::path& root) : root_(root) {}
    ~PlayerSound() override { stop(); }
    bool play(const std::u16string& devicePath) override {
        stop();
        const auto wav = readSoundFile(soundFileToPlay(root_, devicePath));
        if (!wav) {
            problem_ =
                "the sound file " + toUtf8(devicePath) + " and the default sound cannot be read";
            return false;
        }
        const auto scaled = scaleWavVolume(*wav, volume_);
        const int mem = ::memfd_create("horavel-sound", MFD_CLOEXEC);
        if (mem < 0 || !writeFully(mem, scaled.data(), scaled.size()) ||
            ::lseek(mem, 0, SEEK_SET) != 0) {
            if (mem >= 0)
                ::close(mem);
            problem_ = std::string("no memory for the sound: ") + std::strerror(errno);
            return false;
        }
        std::string tried;
        bool any = false;
        for (const std::string& player : soundPlayers()) {
            if (::access(player.c_str(), X_OK) != 0)
                continue;
            any = true;
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::dup2(mem, 0);
                const int devnull = ::open("/dev/null", O_RDWR);
                ::dup2(devnull, 1);
                ::dup2(devnull, 2);
                ::execl(player.c_str(), player.c_str(), "/dev/stdin", static_cast<char*>(nullptr));
                ::_exit(127);
            }
            if (pid < 0)
                continue;
            if (const Outcome o = startedPlaying(pid); o != Outcome::Failed) {
                ::close(mem);
                child_ = o == Outcome::Playing ? pid : -1;
                problem_.clear();
                return true;
            }
            tried += (tried.empty() ? "" : ", ") + fs::path(player).filename().string();
        }
        ::close(mem);
        problem_ = any ? "no sound player could play it (" + tried + " failed)"
                       : "no sound player is installed (pw-play, paplay or aplay)";
        return false;
    }
    void stop() override {
        if (child_ > 0) {
            ::kill(child_, SIGTERM);
            ::waitpid(child_, nullptr, 0);
            child_ = -1;
        }
    }
    void setVolume(uint32_t v) override { volume_ = v; }
    uint32_t volume() override { return volume_; }
    std::string problem() const override { return problem_; }

private:
    // Still playing after a moment, or done without an error: the player took the sound.
    enum class Outcome { Failed, Playing, Done };
    static Outcome startedPlaying(pid_t pid) {
        for (int waited = 0; waited < kPlayerCheckMs; waited += 10) {
            int status = 0;
            const pid_t r = ::waitpid(pid, &status, WNOHANG);
            if (r == pid)
                return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? Outcome::Done
                                                                     : Outcome::Failed;
            if (r < 0)
                return Outcome::Failed;
            ::usleep(10000);
        }
        return Outcome::Playing;
    }

    fs::path root_;
    pid_t child_ = -1;
    uint32_t volume_ = 0xFFFFFFFF;
    std::string problem_;
};

} // namespace

std::optional<ClockFile> readClockFile(const fs::path& root) {
    std::ifstream in(root / ".system" / "clock.dat", std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<uint8_t> b(kClockFileSize + 1);
    in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    if (static_cast<size_t>(in.gcount()) != kClockFileSize ||
        std::memcmp(b.data(), kClockMagic, 4) != 0 || getLe(b.data() + 4, 4) != 1)
        return std::nullopt;
    ClockFile cf;
    cf.offsetTicks = static_cast<int64_t>(getLe(b.data() + 8, 8));
    cf.hasZone = getLe(b.data() + 16, 4) != 0;
    std::memcpy(&cf.zone, b.data() + 20, sizeof(TimeZoneInformation));
    return cf;
}

bool writeClockFile(const fs::path& root, const ClockFile& cf) {
    std::vector<uint8_t> b(kClockMagic, kClockMagic + 4);
    putLe(b, 1, 4);
    putLe(b, static_cast<uint64_t>(cf.offsetTicks), 8);
    putLe(b, cf.hasZone ? 1 : 0, 4);
    const auto* z = reinterpret_cast<const uint8_t*>(&cf.zone);
    b.insert(b.end(), z, z + sizeof(TimeZoneInformation));
    const std::u16string path = devicePathOf(root, root / ".system" / "clock.dat");
    return withRetry(20, 10, [&] { return saveWholeFile(path, b); });
}

std::string zoneNameOfPath(std::string path) {
    // A name below a zoneinfo folder: ".../zoneinfo/Europe/Berlin" (or "posix/", "right/").
    const auto at = path.find("zoneinfo/");
    if (at != std::string::npos)
        path = path.substr(at + 9);
    for (const char* prefix : {"posix/", "right/"})
        if (path.rfind(prefix, 0) == 0)
            path = path.substr(std::strlen(prefix));
    // A name is letters, digits and "/_-+"; anything else (a POSIX rule, a stray path) is none.
    if (path.empty() || path.front() == '/' || path.size() > 64)
        return {};
    for (const char c : path)
        if (!std::isalnum(static_cast<unsigned char>(c)) &&
            std::string_view("/_-+").find(c) == std::string_view::npos)
            return {};
    return path;
}

std::string hostZoneNameFromSystem() {
    if (const char* tz = std::getenv("TZ"); tz && *tz)
        return zoneNameOfPath(tz[0] == ':' ? tz + 1 : tz);
    std::error_code ec;
    const fs::path link = fs::read_symlink("/etc/localtime", ec);
    if (!ec)
        return zoneNameOfPath(link.string());
    std::ifstream f("/etc/timezone");
    std::string line;
    if (f && std::getline(f, line))
        return zoneNameOfPath(line);
    return {};
}

TimeZoneInformation hostZoneForYear(int year) {
    TimeZoneInformation tz{};
    constexpr int64_t kDay = 86400;
    const time_t jan1 = static_cast<time_t>(daysFromCivil(year, 1, 1) * kDay);
    // The offset changes of the year, from the host's zone data.
    struct Change {
        time_t at;
        int before, after;
    };
    std::vector<Change> changes;
    for (const ZoneChange& c : zoneChanges({}, jan1, jan1 + 366 * 86400 + 1))
        changes.push_back({static_cast<time_t>(c.at), c.before, c.after});
    const int prev = changes.empty() ? zoneOffsetAt({}, jan1) : changes.back().after;
    const int minOffset = changes.empty() ? prev : std::min(changes[0].before, changes[0].after);
    tz.Bias = -minOffset;
    tz.StandardBias = 0;
    if (changes.size() >= 2) {
        const int maxOffset = std::max(changes[0].before, changes[0].after);
        tz.DaylightBias = -(maxOffset - minOffset);
        for (const Change& c : changes) {
            const bool toDaylight = c.after > c.before;
            // The rule's hour is the local time before the change.
            const int64_t localBefore = static_cast<int64_t>(c.at) + c.before * 60;
            const int64_t day = localBefore / kDay - (localBefore % kDay < 0);
            const int64_t second = localBefore - day * kDay;
            const CivilDate date = civilFromDays(day);
            SystemTime r{};
            r.month = static_cast<uint16_t>(date.month);
            r.dayOfWeek = static_cast<uint16_t>(weekdayFromDays(day));
            // The week of the month: 1..4, or 5 for the last seven days.
            const unsigned dim = gregorianDaysInMonth(year, r.month);
            r.day = static_cast<uint16_t>(date.day + 7 > dim ? 5 : (date.day - 1) / 7 + 1);
            r.hour = static_cast<uint16_t>(second / 3600);
            r.minute = static_cast<uint16_t>(second % 3600 / 60);
            (toDaylight ? tz.DaylightDate : tz.StandardDate) = r;
        }
    }
    tzset();
    setZoneName(tz.StandardName, fromUtf8(tzname[0] ? tzname[0] : "").c_str());
    setZoneName(tz.DaylightName, fromUtf8(tzname[1] ? tzname[1] : "").c_str());
    return tz;
}

std::vector<uint8_t> scaleWavVolume(const std::vector<uint8_t>& wav, uint32_t volume) {
    std::vector<uint8_t> out = wav;
    const uint32_t left = volume & 0xFFFF, right = volume >> 16;
    if (wav.size() < 12 || std::memcmp(wav.data(), "RIFF", 4) != 0 ||
        std::memcmp(wav.data() + 8, "WAVE", 4) != 0)
        return out;
    uint16_t format = 0, channels = 0, bits = 0;
    size_t pos = 12;
    while (pos + 8 <= wav.size()) {
        const uint64_t len = getLe(wav.data() + pos + 4, 4);
        const size_t body = pos + 8;
        if (len > wav.size() - body)
            break;
        if (std::memcmp(wav.data() + pos, "fmt ", 4) == 0 && len >= 16) {
            format = static_cast<uint16_t>(getLe(wav.data() + body, 2));
            channels = static_cast<uint16_t>(getLe(wav.data() + body + 2, 2));
            bits = static_cast<uint16_t>(getLe(wav.data() + body + 14, 2));
        } else if (std::memcmp(wav.data() + pos, "data", 4) == 0 && format == 1 && channels > 0 &&
                   (bits == 8 || bits == 16)) {
            const size_t step = bits / 8;
            for (size_t i = 0; i + step <= len; i += step) {
                const size_t ch = (i / step) % channels;
                const uint32_t vol = channels >= 2 && ch == 1 ? right : left;
                uint8_t* s = out.data() + body + i;
                if (bits == 16) {
                    const auto v = static_cast<int16_t>(getLe(s, 2));
                    const auto w = static_cast<int16_t>(static_cast<int32_t>(v) *
                                                        static_cast<int32_t>(vol) / 0xFFFF);
                    s[0] = static_cast<uint8_t>(w & 0xFF);
                    s[1] = static_cast<uint8_t>((static_cast<uint16_t>(w) >> 8) & 0xFF);
                } else {
                    const int v = static_cast<int>(*s) - 128;
                    *s = static_cast<uint8_t>(128 + v * static_cast<int>(vol) / 0xFFFF);
                }
            }
            break;
        }
        pos = body + static_cast<size_t>(len) + (len & 1);
    }
    return out;
}

std::unique_ptr<Shell> makeLinuxShell(const fs::path& root, std::shared_ptr<DaemonClient> daemon) {
    return std::make_unique<LinuxShell>(root, std::move(daemon));
}

fs::path soundFileToPlay(const fs::path& root, std::u16string_view devicePath) {
    if (!devicePath.empty()) {
        const fs::path p = hostPath(root, devicePath);
        if (isPlayableFile(p))
            return p;
    }
    const fs::path fallback = hostPath(root, kDefaultSoundPath);
    return isPlayableFile(fallback) ? fallback : fs::path();
}

std::unique_ptr<Sound> makePlayerSound(const fs::path& root) {
    return std::make_unique<PlayerSound>(root);
}

RealDevice& RealDevice::instance() {
    static RealDevice device;
    return device;
}

RealDevice::RealDevice() {
    setRoot(defaultRoot());
    locale_ = std::make_unique<EnvironmentLocale>();
    messageBoxes_ = std::make_unique<StderrMessageBoxes>();
}

void RealDevice::setRoot(const fs::path& root) {
    root_ = root;
    clock_ = std::make_unique<RealClock>(root_);
    const uint32_t volume = sound_ ? sound_->volume() : 0xFFFFFFFF;
    sound_ = makePlayerSound(root_);
    sound_->setVolume(volume);
    // The daemon owns these; the client reaches it (starting it) on first use.
    auto daemon = std::make_shared<DaemonClient>(root_);
    shell_ = makeLinuxShell(root_, daemon);
    timeSetting_ = std::make_unique<ClockFollowingTimeSetting>(
        std::make_unique<DaemonTimeSetting>(daemon), *clock_);
    notifications_ = std::make_unique<DaemonNotifications>(daemon);
    events_ = std::make_unique<DaemonEvents>(daemon);
}

std::u16string RealDevice::modulePath() const {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return u"Horavel.exe";
    return devicePathOf(root_, exe);
}

} // namespace hv::dev

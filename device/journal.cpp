#include "device/journal.h"

#include "device/device.h"

#include <cerrno>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hv::dev {

namespace fs = std::filesystem;

namespace {
constexpr off_t kJournalLimit = 256 * 1024;

std::string programName() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("horavel") : exe.filename().string();
}
} // namespace

fs::path faultLogPath(const fs::path& root) {
    return root / ".system" / "faults.log";
}

void reportFault(const fs::path& root, std::string_view text) {
    std::string line;
    char stamp[32] = "";
    const time_t now = ::time(nullptr);
    tm t{};
    if (gmtime_r(&now, &t))
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S UTC", &t);
    line = std::string(stamp) + " " + programName() + "[" + std::to_string(::getpid()) + "]: ";
    for (char c : text)
        line += c == '\n' || c == '\r' ? ' ' : c;
    line += '\n';
    std::cerr << line << std::flush;

    std::error_code ec;
    fs::create_directories(root / ".system", ec);
    const fs::path path = faultLogPath(root);
    // Opened without waiting: a named pipe in its place must not hold the writer.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    // Writers of several programs take turns; the lock also guards the rotation.
    ::flock(fd, LOCK_EX);
    if (::fstat(fd, &st) == 0 && st.st_size > kJournalLimit) {
        fs::rename(path, path.string() + ".1", ec);
        const int fresh = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fresh >= 0) {
            [[maybe_unused]] auto k = ::write(fresh, line.data(), line.size());
            ::close(fresh);
            ::close(fd);
            return;
        }
    }
    [[maybe_unused]] auto k = ::write(fd, line.data(), line.size());
    ::close(fd);
}

void reportFault(std::string_view text) {
    reportFault(current().root(), text);
}

FaultSummary readFaults(const fs::path& root, size_t last) {
    FaultSummary s;
    std::error_code ec;
    if (!fs::is_regular_file(faultLogPath(root), ec))
        return s; // a pipe or a device node in its place is not read
    std::ifstream in(faultLogPath(root));
    std::deque<std::string> tail;
    for (std::string line; std::getline(in, line);) {
        ++s.count;
        tail.push_back(std::move(line));
        if (tail.size() > last)
            tail.pop_front();
    }
    s.last.assign(tail.begin(), tail.end());
    return s;
}

} // namespace hv::dev

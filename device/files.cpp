#include "device/files.h"

#include "device/device.h"
#include "device/paths.h"
#include "device/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hv::dev {

namespace fs = std::filesystem;

namespace {

bool g_durable = true;

int syncFile(int fd) {
    return g_durable ? ::fsync(fd) : 0;
}

bool sameFile(int fd, const std::string& path) {
    struct stat a {
    }, b{};
    if (fstat(fd, &a) != 0 || stat(path.c_str(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void syncDirectoryOf(const std::string& path) {
    if (!g_durable)
        return;
    const std::string dir = fs::path(path).parent_path().string();
    const int d = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d >= 0) {
        ::fsync(d);
        ::close(d);
    }
}

// The mode a new data file gets: the user's umask decides, as for any file the user creates.
mode_t newFileMode() {
    static const mode_t mode = [] {
        const mode_t mask = ::umask(022);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

// A locked temporary file beside `path` holding `data`, flushed. -1 on failure. It takes the mode
// of the file it replaces (`keepMode`), else the one a new file gets.
int writeLockedTemp(const std::string& path, const void* data, size_t n, std::string& tmpName,
                    int keepModeOf = -1) {
    tmpName = path + ".~XXXXXX";
    const int fd = ::mkostemp(tmpName.data(), O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat old {};
    ::fchmod(fd, keepModeOf >= 0 && ::fstat(keepModeOf, &old) == 0 ? (old.st_mode & 07777)
                                                                   : newFileMode());
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !writeFully(fd, data, n) || syncFile(fd) != 0) {
        ::close(fd);
        ::unlink(tmpName.c_str());
        return -1;
    }
    return fd;
}

} // namespace

bool writeFully(int fd, const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

ExclusiveFile::~ExclusiveFile() {
    close();
}

ExclusiveFile::ExclusiveFile(ExclusiveFile&& o) noexcept
    : fd_(o.fd_), busy_(o.busy_), notRegular_(o.notRegular_), outsideRoot_(o.outsideRoot_),
      hostPath_(std::move(o.hostPath_)) {
    o.fd_ = -1;
}

ExclusiveFile& ExclusiveFile::operator=(ExclusiveFile&& o) noexcept {
    if (this != &o) {
        close();
        fd_ = o.fd_;
        busy_ = o.busy_;
        notRegular_ = o.notRegular_;
        outsideRoot_ = o.outsideRoot_;
        hostPath_ = std::move(o.hostPath_);
        o.fd_ = -1;
    }
    return *this;
}

ExclusiveFile ExclusiveFile::open(std::u16string_view devicePath, OpenMode mode) {
    ExclusiveFile f;
    // A symbolic link that leads out of the device root is not followed.
    const auto inside = hostPathInsideRoot(current().root(), devicePath);
    if (!inside) {
        f.outsideRoot_ = true;
        return f;
    }
    f.hostPath_ = inside->string();
    int flags = O_CLOEXEC;
    switch (mode) {
    case OpenMode::ReadExisting:
        flags |= O_RDONLY;
        break;
    case OpenMode::ReadWriteExisting:
        flags |= O_RDWR;
        break;
    case OpenMode::ReadWriteAlways:
        flags |= O_RDWR | O_CREAT;
        std::error_code ec;
        fs::create_directories(fs::path(f.hostPath_).parent_path(), ec);
        break;
    }
    // A save by another holder may replace the file between our open and our lock; then the
    // locked inode is no longer the file's and we open again.
    for (int attempt = 0; attempt < 8; ++attempt) {
        // Opened without waiting, so that a named pipe or a device node in place of a data file
        // cannot hold the opener; anything but a regular file is refused at once, as a damaged
        // file is by its reader.
        const int fd = ::open(f.hostPath_.c_str(), flags | O_NONBLOCK | O_NOCTTY, 0666);
        if (fd < 0)
            return f;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            f.notRegular_ = true;
            ::close(fd);
            return f;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            f.busy_ = errno == EWOULDBLOCK;
            ::close(fd);
            return f;
        }
        if (sameFile(fd, f.hostPath_)) {
            f.fd_ = fd;
            return f;
        }
        ::close(fd);
    }
    f.busy_ = true;
    return f;
}

std::optional<uint64_t> ExclusiveFile::size() const {
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

size_t ExclusiveFile::readAt(uint64_t offset, void* dst, size_t n) const {
    if (fd_ < 0)
        return 0;
    size_t done = 0;
    auto* p = static_cast<uint8_t*>(dst);
    while (done < n) {
        const ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        done += static_cast<size_t>(r);
    }
    return done;
}

std::vector<uint8_t> ExclusiveFile::readAll() const {
    std::vector<uint8_t> out;
    const auto sz = size();
    if (!sz)
        return out;
    out.resize(static_cast<size_t>(*sz));
    out.resize(readAt(0, out.data(), out.size()));
    return out;
}

size_t ExclusiveFile::writeAt(uint64_t offset, const void* src, size_t n) {
    if (fd_ < 0)
        return 0;
    size_t done = 0;
    const auto* p = static_cast<const uint8_t*>(src);
    while (done < n) {
        const ssize_t w = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(offset + done));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            break;
        done += static_cast<size_t>(w);
    }
    return done;
}

bool ExclusiveFile::replaceContent(const void* data, size_t n) {
    if (fd_ < 0)
        return false;
    std::string tmp;
    const int nfd = writeLockedTemp(hostPath_, data, n, tmp, fd_);
    if (nfd < 0)
        return false;
    if (::rename(tmp.c_str(), hostPath_.c_str()) != 0) {
        ::close(nfd);
        ::unlink(tmp.c_str());
        return false;
    }
    syncDirectoryOf(hostPath_);
    ::close(fd_);
    fd_ = nfd;
    return true;
}

bool ExclusiveFile::flush() {
    return fd_ >= 0 && (!g_durable || ::fdatasync(fd_) == 0);
}

void ExclusiveFile::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

std::optional<std::vector<uint8_t>> readWholeFile(std::u16string_view devicePath) {
    ExclusiveFile f = ExclusiveFile::open(devicePath, OpenMode::ReadExisting);
    if (!f.isOpen())
        return std::nullopt;
    const auto sz = f.size();
    auto bytes = f.readAll();
    if (!sz || bytes.size() != *sz)
        return std::nullopt;
    return bytes;
}

bool saveWholeFile(std::u16string_view devicePath, const void* data, size_t n) {
    const auto inside = hostPathInsideRoot(current().root(), devicePath);
    if (!inside)
        return false;
    const std::string path = inside->string();
    std::error_code ec;
    // A named pipe, socket or device node in place of the file holds no data of the user's: the
    // save takes its place.
    if (const auto st = fs::symlink_status(path, ec);
        fs::exists(st) && !fs::is_regular_file(st) && !fs::is_directory(st) && !fs::is_symlink(st))
        ::unlink(path.c_str());
    if (!fs::exists(path, ec)) {
        // A new file appears whole or not at all: link() of the finished temporary file does not
        // replace a file that another writer created meanwhile.
        fs::create_directories(fs::path(path).parent_path(), ec);
        std::string tmp;
        const int fd = writeLockedTemp(path, data, n, tmp);
        if (fd < 0)
            return false;
        const bool linked = ::link(tmp.c_str(), path.c_str()) == 0;
        ::unlink(tmp.c_str());
        ::close(fd);
        if (linked) {
            syncDirectoryOf(path);
            return true;
        }
    }
    ExclusiveFile f = ExclusiveFile::open(devicePath, OpenMode::ReadWriteAlways);
    return f.isOpen() && f.replaceContent(data, n);
}

bool writeRecordInPlace(std::u16string_view devicePath, uint64_t offset, const void* data,
                        size_t n) {
    ExclusiveFile f = ExclusiveFile::open(devicePath, OpenMode::ReadWriteExisting);
    return f.isOpen() && f.writeAt(offset, data, n) == n && f.flush();
}

bool deleteFile(std::u16string_view devicePath) {
    return ::unlink(hostPath(devicePath).c_str()) == 0;
}

bool fileExists(std::u16string_view devicePath) {
    std::error_code ec;
    return fs::is_regular_file(hostPath(devicePath), ec);
}

bool createDirectory(std::u16string_view devicePath) {
    std::error_code ec;
    fs::create_directories(hostPath(devicePath), ec);
    return !ec;
}

std::vector<std::u16string> findFiles(std::u16string_view folder, std::u16string_view pattern) {
    std::vector<std::u16string> out;
    std::error_code ec;
    const std::string pat = toUtf8(pattern);
    for (fs::directory_iterator it(hostPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue;
        const std::string name = it->path().filename().string();
        if (name.find(".~") != std::string::npos)
            continue; // a temporary file of a save in progress
        if (::fnmatch(pat.c_str(), name.c_str(), FNM_CASEFOLD) == 0)
            out.push_back(fromUtf8(name));
    }
    return out;
}

std::optional<std::vector<FolderEntry>> listFolder(std::u16string_view folder) {
    // A folder reached through a link that leads out of the root is not listed.
    const auto inside = hostPathInsideRoot(current().root(), folder);
    if (!inside)
        return std::nullopt;
    std::error_code ec;
    const fs::path& dir = *inside;
    if (!fs::is_directory(dir, ec))
        return std::nullopt;
    fs::directory_iterator it(dir, ec);
    if (ec)
        return std::nullopt;
    std::vector<FolderEntry> out;
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.' || name.find(".~") != std::string::npos)
            continue;
        std::error_code kind;
        const bool isFolder = it->is_directory(kind);
        if (!isFolder && !it->is_regular_file(kind))
            continue;
        out.push_back({fromUtf8(name), isFolder});
    }
    if (ec)
        return std::nullopt;
    std::sort(out.begin(), out.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const auto lower = [](char16_t c) {
            return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
        };
        return std::lexicographical_compare(
            a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
            [&](char16_t x, char16_t y) { return lower(x) < lower(y); });
    });
    return out;
}

void setDurableWrites(bool on) {
    g_durable = on;
}

bool withRetry(int attempts, uint32_t pauseMs, const std::function<bool()>& attempt) {
    for (int i = 0; i < attempts; ++i) {
        if (attempt())
            return true;
        if (i + 1 < attempts)
            current().clock().sleep(pauseMs);
    }
    return false;
}

} // namespace hv::dev

#include "device/watch.h"

#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace hv::dev {

namespace fs = std::filesystem;

namespace {

// Everything that changes what a file of the folder holds, and the folder's own end.
constexpr uint32_t kMask = IN_CLOSE_WRITE | IN_MODIFY | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE |
                           IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

FileWatch::FileWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatch::~FileWatch() {
    if (fd_ >= 0)
        ::close(fd_);
}

void FileWatch::addFolderWatch(Folder& f) {
    if (fd_ < 0)
        return;
    const int wd = ::inotify_add_watch(fd_, f.path.c_str(), kMask);
    f.wd = wd < 0 ? -1 : wd;
}

bool FileWatch::watch(const fs::path& file) {
    const fs::path folder = file.parent_path();
    const std::string name = file.filename().string();
    for (Folder& f : folders_)
        if (f.path == folder) {
            f.names.insert(name);
            return f.wd >= 0;
        }
    folders_.push_back({folder, {name}, -1});
    addFolderWatch(folders_.back());
    return folders_.back().wd >= 0;
}

bool FileWatch::watched(const fs::path& file) const {
    const fs::path folder = file.parent_path();
    for (const Folder& f : folders_)
        if (f.path == folder)
            return f.wd >= 0 && f.names.count(file.filename().string()) > 0;
    return false;
}

std::vector<fs::path> FileWatch::take() {
    std::set<fs::path> changed;
    auto all = [&](const Folder& f) {
        for (const std::string& n : f.names)
            changed.insert(f.path / n);
    };
    bool lost = false;
    std::set<int> gone; // descriptors of folders that were removed or moved away
    alignas(inotify_event) char buf[4096];
    while (fd_ >= 0) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (const char* p = buf; p < buf + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            p += sizeof(inotify_event) + e->len;
            if (e->mask & IN_Q_OVERFLOW) {
                lost = true;
                continue;
            }
            // Two paths of one folder share its descriptor.
            for (const Folder& f : folders_) {
                if (f.wd != e->wd)
                    continue;
                if (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED))
                    gone.insert(e->wd);
                else if (e->len > 0 && f.names.count(e->name))
                    changed.insert(f.path / e->name);
            }
        }
    }
    for (Folder& f : folders_) {
        if (f.wd >= 0 && gone.count(f.wd)) {
            // A moved folder would go on telling of files that are no longer the watched ones.
            ::inotify_rm_watch(fd_, f.wd);
            f.wd = -1;
        }
        if (f.wd < 0) {
            addFolderWatch(f);
            if (f.wd >= 0)
                all(f); // whatever happened while it was not watched
        } else if (lost) {
            all(f);
        }
    }
    return {changed.begin(), changed.end()};
}

} // namespace hv::dev

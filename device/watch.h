// Changes of files, told by the kernel (inotify) instead of found by looking: a program watches
// the files it shows and reads one again only after the watch told of a change to it. A file is
// watched through its folder, since a crash-safe save replaces it by a rename.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace hv::dev {

class FileWatch {
public:
    FileWatch();
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Watches a host file: written, replaced, created or removed. False when its folder cannot
    // be watched (it is missing, or the system has no inotify); watched() then says so, and the
    // caller looks at the file itself.
    bool watch(const std::filesystem::path& file);
    // Whether changes of the file are told now. A folder that was removed or replaced stops
    // being watched until take() can watch it again.
    bool watched(const std::filesystem::path& file) const;
    // The descriptor an event loop waits on: readable while changes wait to be taken. -1
    // without inotify.
    int descriptor() const { return fd_; }
    // The watched files changed since the last call (each once), from the changes waiting on the
    // descriptor; without a wait it reads nothing. When the kernel dropped changes, or a folder
    // went and was watched again, every file of that folder counts as changed.
    std::vector<std::filesystem::path> take();

private:
    struct Folder {
        std::filesystem::path path;
        std::set<std::string> names; // the watched files in it
        int wd = -1;                 // -1: not watched now
    };
    void addFolderWatch(Folder& f);
    int fd_ = -1;
    std::vector<Folder> folders_;
    std::map<int, size_t> byWd_;
};

} // namespace hv::dev

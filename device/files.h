// Files of the device: exclusive opens, crash-safe whole-file saves, in-place record writes and
// the retry helper that every loader and saver uses.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hv::dev {

// Writes all n bytes to a host descriptor, going on after interruptions; false on an error.
bool writeFully(int fd, const void* data, size_t n);

enum class OpenMode {
    ReadExisting, // OPEN_EXISTING, GENERIC_READ
    ReadWriteExisting,
    ReadWriteAlways, // OPEN_ALWAYS
};

// A file opened "without sharing": exclusive between processes and between opens in one
// process. A second open fails at once (busy()) and the caller's retry loop waits.
class ExclusiveFile {
public:
    ExclusiveFile() = default;
    ~ExclusiveFile();
    ExclusiveFile(ExclusiveFile&& o) noexcept;
    ExclusiveFile& operator=(ExclusiveFile&& o) noexcept;
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;

    // Device path below the current device's root.
    static ExclusiveFile open(std::u16string_view devicePath, OpenMode mode);

    bool isOpen() const { return fd_ >= 0; }
    // The open failed because another holder has the file.
    bool busy() const { return busy_; }
    // The open was refused because the path is not a regular file (a named pipe, a device node,
    // a folder): its reader treats it as a damaged file.
    bool notRegular() const { return notRegular_; }
    // The open was refused because the path, through a symbolic link, leads out of the device
    // root: nothing there is read or written.
    bool outsideRoot() const { return outsideRoot_; }
    std::optional<uint64_t> size() const;
    // Reads up to n bytes at the offset; returns the count read.
    size_t readAt(uint64_t offset, void* dst, size_t n) const;
    std::vector<uint8_t> readAll() const;
    // Writes in place at the offset; returns the count written.
    size_t writeAt(uint64_t offset, const void* src, size_t n);
    // Replaces the whole content crash-safely: a temporary file beside it is written, flushed and
    // renamed over this file while the lock is held. The handle then refers to the new file.
    bool replaceContent(const void* data, size_t n);
    bool flush();
    void close();

private:
    int fd_ = -1;
    bool busy_ = false;
    bool notRegular_ = false;
    bool outsideRoot_ = false;
    std::string hostPath_;
};

// Reads a whole file (exclusive, one attempt). nullopt when missing, busy or unreadable.
std::optional<std::vector<uint8_t>> readWholeFile(std::u16string_view devicePath);
// Creates or replaces a file whole, crash-safe (one attempt). False when busy or on failure.
bool saveWholeFile(std::u16string_view devicePath, const void* data, size_t n);
inline bool saveWholeFile(std::u16string_view devicePath, const std::vector<uint8_t>& bytes) {
    return saveWholeFile(devicePath, bytes.data(), bytes.size());
}
// Writes n bytes at the offset of an existing file, in place (one attempt).
bool writeRecordInPlace(std::u16string_view devicePath, uint64_t offset, const void* data,
                        size_t n);
bool deleteFile(std::u16string_view devicePath);
bool fileExists(std::u16string_view devicePath);
bool createDirectory(std::u16string_view devicePath);
// Names (not paths) of the files matching a pattern with * and ? in a device folder.
std::vector<std::u16string> findFiles(std::u16string_view folder, std::u16string_view pattern);

// One entry of a folder listing.
struct FolderEntry {
    std::u16string name;
    bool folder = false;
    friend bool operator==(const FolderEntry&, const FolderEntry&) = default;
};
// FindFirstFileW / FindNextFileW over folder + "\*": the sub-folders and files of a device
// folder ("\" is the root), without "." and "..", the device's own hidden entries (names that
// begin with a full stop, such as the services' ".system") and the temporary files of saves in
// progress; sorted by name, case-insensitively, so a listing reads the same every time. nullopt
// when the folder does not exist or cannot be read; an empty list for an empty folder.
std::optional<std::vector<FolderEntry>> listFolder(std::u16string_view folder);

// Whole-file saves flush to the disk (fsync) before the rename, unless turned off: the fake
// device turns it off, since a test's temporary root needs no power-loss safety.
void setDurableWrites(bool on);

// Tries `attempt` up to `attempts` times, sleeping `pauseMs` on the device clock between tries.
// Returns whether an attempt succeeded.
bool withRetry(int attempts, uint32_t pauseMs, const std::function<bool()>& attempt);

} // namespace hv::dev

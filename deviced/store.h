// The daemon's persistent state in SQLite (WAL journal): the timed registrations and the
// run-at-event registrations. Every change is committed before the call returns, so a daemon
// killed at any moment loses nothing it has answered. Commits reach the disk at the next
// checkpoint (synchronous=NORMAL), which the daemon runs within a second of a change: a power
// cut can take back at most that last second, and the programs register their items again.
#pragma once

#include "device/systime.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;

namespace hv::deviced {

struct StoredTimed {
    uint32_t handle = 0;
    std::u16string application;
    std::u16string arguments;
    dev::SystemTime start{}; // device local time
    dev::SystemTime end{};
};

class Store {
public:
    Store() = default;
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Opens (creating when needed) the database; ":memory:" for a throw-away one.
    bool open(const std::string& path);
    void close();
    // A new registration: its handle (never reused, never 0), or 0 on failure.
    uint32_t addTimed(const std::u16string& app, const std::u16string& args,
                      const dev::SystemTime& start, const dev::SystemTime& end);
    // Replaces the fields of an existing registration. False for an unknown handle.
    bool updateTimed(uint32_t handle, const std::u16string& app, const std::u16string& args,
                     const dev::SystemTime& start, const dev::SystemTime& end);
    // Whether a registration was removed.
    bool removeTimed(uint32_t handle);
    // Removes a registration that fires and records, in the same commit, which daemon instance
    // fired it (the started program's fallback asks for exactly that record). False when the
    // registration was not there or the commit failed.
    bool takeForFiring(uint32_t handle, int64_t instance, int64_t now);
    // Drops the firing records older than `before` (Unix seconds).
    void forgetFirings(int64_t before);
    std::vector<StoredTimed> timed();
    // Registrations by handle, those after `afterHandle`, at most `limit` (a page of a list).
    std::vector<StoredTimed> timedPage(uint32_t afterHandle, size_t limit);
    size_t timedCount();
    // The registrations are indexed by their start as a local file time (0 when the start is no
    // calendar time): the earliest start, and those starting at or before a local time, earliest
    // first, at most `limit`.
    std::optional<dev::FileTime> earliestStart();
    std::vector<StoredTimed> startingBy(dev::FileTime localLimit, size_t limit);
    // RunEvent value; 0 removes every event of the application.
    bool setRunAt(const std::u16string& app, uint32_t event);
    std::vector<std::pair<std::u16string, uint32_t>> runAt();
    // Whether something was committed since the last checkpoint; the checkpoint syncs it.
    bool dirty() const { return dirty_; }
    void checkpoint();
    // Whether SQLite finds the database sound (quick check).
    bool intact();
    // Copies, row by row, what can still be read of a damaged database into this one, keeping the
    // handles. Returns the number of timed registrations recovered.
    size_t salvageFrom(const std::string& damagedPath);

private:
    bool exec(const char* sql);
    bool indexStarts();
    sqlite3* db_ = nullptr;
    int dirFd_ = -1; // the folder a long path is reached through
    bool dirty_ = false;
    std::optional<size_t> count_; // the number of timed registrations, once counted
};

// Opens the existing database on a connection of its own and tells whether this daemon instance
// committed the firing of the registration (a later daemon that fired it records its own
// instance); nullopt when the database cannot be read.
std::optional<bool> firedBy(const std::string& path, uint32_t handle, int64_t instance);
// Opens the existing database on a connection of its own and tells whether the registration
// is still there; nullopt when the database cannot be read.
std::optional<bool> timedStillRegistered(const std::string& path, uint32_t handle);

} // namespace hv::deviced

// Starting the device's programs: each child gets default signal handling, its own session,
// standard input from /dev/null, the device root and the desktop session as it is now in its
// environment (the user manager is asked in the child, so that the daemon never waits on it).
#pragma once

#include "deviced/session.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hv::deviced {

class Programs {
public:
    // `lastClient`: the session of the last client that had a display.
    Programs(std::filesystem::path root, const SessionEnvironment& lastClient)
        : root_(std::move(root)), lastClient_(lastClient) {}

    bool insideRoot(const std::u16string& app) const;
    // Reports that `what` was not started as its program is missing or leads out of the root.
    void reportNotStarted(const std::string& what) const;
    // Starts the program with the arguments, unless it is missing or leads out of the root.
    void start(const std::u16string& app, const std::u16string& args) const;
    std::vector<std::string> commandLine(const std::u16string& app,
                                         const std::u16string& args) const;
    // Forks; in the child, prepares it for a start.
    pid_t fork() const;

private:
    std::filesystem::path root_;
    const SessionEnvironment& lastClient_;
};

// Replaces the process with the program; exits 127 when that fails.
[[noreturn]] void execOrExit(const std::vector<std::string>& argv);

// The launcher's fallback when the daemon died between committing a firing and confirming it:
// starts the program only when that daemon instance committed the firing.
int confirmAndStart(const std::string& dbPath, uint32_t handle, int64_t instance,
                    const std::vector<std::string>& argv);

} // namespace hv::deviced

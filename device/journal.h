// The device's fault journal: <root>/.system/faults.log. Faults a user has to learn of (a damaged
// file kept aside and replaced, a registration that failed, a broken registry value) are added
// here with the host time and the program's name, and copied to standard error; the programs
// that have no window and the daemon (whose standard error is often /dev/null) leave them here,
// and `horavel-cli device status` shows them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace hv::dev {

std::filesystem::path faultLogPath(const std::filesystem::path& root);
// Adds one line. The journal keeps its last 256 KiB (the older half moves to faults.log.1).
void reportFault(const std::filesystem::path& root, std::string_view text);
// The same for the current device's root.
void reportFault(std::string_view text);
// The number of lines in the journal and its last `last` lines.
struct FaultSummary {
    size_t count = 0;
    std::vector<std::string> last;
};
FaultSummary readFaults(const std::filesystem::path& root, size_t last = 5);

} // namespace hv::dev

// The screen saver's program side: the exception list file (ssaver.dat), registering and starting
// the screen-saver launcher. ssaver.dat is a run of UTF-16LE program file names, each followed by
// one 16-bit NUL, with no header; readers skip empty strings and use at most 128 names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hv {

inline constexpr size_t kMaxExceptions = 128;
inline constexpr char16_t kExceptionFileName[] = u"ssaver.dat";
inline constexpr char16_t kDefaultException[] = u"wmplayer.exe";

// Splits a file image at NULs: every non-empty string becomes an entry, up to 128. An odd last
// byte is ignored; a name without a final NUL still counts.
std::vector<std::u16string> parseExceptionList(const uint8_t* data, size_t size);
// The file image of the names in the given order, each with its NUL.
std::vector<uint8_t> encodeExceptionList(const std::vector<std::u16string>& names);
// Reads the file at a device path; false when it cannot be read (names then empty).
bool readExceptionFile(std::u16string_view devicePath, std::vector<std::u16string>& names);

// The exception list as the Preferences page shows it: newest first, so the list shows the file
// in reverse order. Every change is saved at once.
class ExceptionList {
public:
    // Reads ssaver.dat from the data folder; a missing file gives "wmplayer.exe" and is written.
    bool fill();
    // Writes the entries from the last to the first, so the file keeps its order.
    bool save() const;
    // Inserts a program file name at the top and saves.
    bool add(const std::u16string& name);
    // Deletes the entry at the selection mark and saves; false when nothing is selected.
    bool deleteSelected();

    const std::vector<std::u16string>& entries() const { return entries_; } // top first
    int selectionMark = -1;

private:
    std::vector<std::u16string> entries_;
};

// Registers the launcher for the cradle event (on) or removes its registration (off).
bool registerLauncher(bool on);
// Starts the launcher as the system does on the cradle event.
bool startLauncher();

} // namespace hv

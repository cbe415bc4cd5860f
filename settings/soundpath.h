// Small UTF-16 text files in the data folder that hold one sound file's full device path with its
// terminator (chimesnd.dat, alarmsnd<i>.dat, timersnd<i>.dat, es<id>.dat).
#pragma once

#include "device/device.h"

#include <optional>
#include <string>
#include <vector>

namespace hv {

inline constexpr size_t kMaxPathChars = 260;

// The sound used where no sound path file names one (alarms, timers, events and the chime).
using dev::kDefaultSoundPath;

// Reads the text up to its terminator or the end of the file, at most maxChars characters; an odd
// last byte is dropped. nullopt when the file cannot be opened or names no path (an empty text is
// no path: the caller's default applies).
std::optional<std::u16string> readSoundPathFile(std::u16string_view devicePath,
                                                size_t maxChars = kMaxPathChars);
// Creates or replaces the file with the text and its terminator.
bool writeSoundPathFile(std::u16string_view devicePath, std::u16string_view text);
// The file image of a text: UTF-16LE with its terminator.
std::vector<uint8_t> encodeTerminatedUtf16(std::u16string_view text);
// Decodes a file image the way readSoundPathFile does.
std::u16string decodeSoundPath(const uint8_t* data, size_t size, size_t maxChars = kMaxPathChars);

// The sound pickers' first entry, "None", reads back as the folder's "None.wav": a path whose
// file name is that (in any letter case) names no sound, and nothing is played for it.
bool namesNoSound(std::u16string_view path);

// The sound files a sound picker lists for a folder ("" is the root), in the folder's order: the
// .wav files (any letter case) whose names hold no further full stop.
struct SoundList {
    std::vector<std::u16string> files; // as stored, "Alarm1.wav"
    std::vector<std::u16string> names; // as listed, "Alarm1"
};
SoundList soundListOf(std::u16string_view folder);
// The picker's entry for a path's file: its position in the folder's list plus one, 0 ("None")
// when the folder does not list it.
uint32_t soundListIndex(std::u16string_view path);
// An item armed before its settings were ever confirmed (index 0 and no sound file yet) takes
// the sound its settings window shows, the default: the index of that sound and its file.
void takeShownDefaultSound(uint32_t& soundIndex, std::u16string_view soundFile);

// The chime sound: data\chimesnd.dat, the default sound when it cannot be read.
void readChimeSound();
bool writeChimeSound();

} // namespace hv

// The stopwatch: start, stop, resume and reset on the settings record (a running stopwatch keeps
// its start instant as UTC so that it survives a restart), the elapsed text, the shown hundredths,
// and the split list with its file data\stopwatch.dat.
#pragma once

#include "device/systime.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hv::items {

inline constexpr char16_t kStopwatchFileName[] = u"stopwatch.dat";
inline constexpr char16_t kStopwatchIdle[] = u"--:-- --";
// Splits read from a file beyond this are ignored (the list stays usable).
inline constexpr size_t kMaxStopwatchFileBytes = 1 << 20;

struct Split {
    std::u16string label;
    std::u16string time;
    friend bool operator==(const Split&, const Split&) = default;
};

// The file image: label and time of each split, each with its terminating zero.
std::vector<uint8_t> serializeSplits(const std::vector<Split>& splits);
// Splits at zeros, skips empty strings and pairs the rest; a trailing label alone is dropped.
std::vector<Split> parseSplits(const uint8_t* data, size_t size);

enum class StartButton { Start, Stop, Resume };

struct ElapsedHms {
    uint64_t hours = 0;
    uint32_t minutes = 0;
    uint32_t seconds = 0;
};

class Stopwatch {
public:
    // State of the settings record (hv::app().settings).
    bool running() const;
    uint64_t storedTime() const;

    // Both save the settings record at once.
    void startStopResume();
    void reset();

    // Elapsed time in 100-ns units (never negative, even when the clock was set back).
    uint64_t elapsed() const;
    ElapsedHms elapsedHms() const;
    // "HH:mm ss." (01:05 09.); the hours go on past 24 (25:03 10.).
    std::optional<std::u16string> elapsedText() const;
    // The status bar's part: "HH:mm ss" while running, "--:-- --" otherwise.
    std::u16string statusText() const;

    // One redraw: advances the shown hundredths while running and returns them (0..99).
    int tick();
    int hundredths() const { return hundredths_; }
    std::u16string hundredthsText() const;

    StartButton startButton() const;
    bool splitEnabled() const { return running(); }
    bool resetEnabled() const { return running() || storedTime() != 0; }

    // The split list.
    std::vector<Split> splits;
    int nextSplit = 1;
    bool split();                 // only while running; writes the file
    bool deleteSplit(size_t row); // writes the file
    void deleteAll();             // writes the file
    bool saveSplits() const;
    // The first show of the view: reads the file (the split counter stays at 1).
    void loadSplits();

    // The pseudo-random last digit (the C library's rand by default).
    std::function<int()> random;

private:
    int randomDigit() const;
    int hundredths_ = 0;
    std::optional<uint16_t> lastSecond_;
};

Stopwatch& stopwatch();

} // namespace hv::items

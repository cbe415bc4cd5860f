#include "items/stopwatch.h"

#include "device/device.h"
#include "device/files.h"
#include "items/records.h"
#include "settings/settings.h"

#include <algorithm>
#include <cstdlib>

namespace hv::items {

namespace {

SettingsRecord& state() {
    return app().settings;
}

void appendUtf16(std::vector<uint8_t>& out, const std::u16string& s) {
    for (char16_t c : s) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    out.push_back(0);
    out.push_back(0);
}

} // namespace

std::vector<uint8_t> serializeSplits(const std::vector<Split>& splits) {
    std::vector<uint8_t> out;
    for (const Split& s : splits) {
        appendUtf16(out, s.label);
        appendUtf16(out, s.time);
    }
    return out;
}

std::vector<Split> parseSplits(const uint8_t* data, size_t size) {
    std::vector<std::u16string> strings;
    std::u16string cur;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const auto c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (c == 0) {
            if (!cur.empty())
                strings.push_back(std::move(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        strings.push_back(std::move(cur)); // a last string without its terminator
    std::vector<Split> out;
    for (size_t i = 0; i + 1 < strings.size(); i += 2)
        out.push_back({strings[i], strings[i + 1]});
    return out;
}

Stopwatch& stopwatch() {
    static Stopwatch sw;
    return sw;
}

bool Stopwatch::running() const {
    return state().stopwatchRunning != 0;
}
uint64_t Stopwatch::storedTime() const {
    return state().stopwatchTime;
}

void Stopwatch::startStopResume() {
    // Device UTC directly: a detour through local time would be ambiguous in the repeated hour.
    const dev::FileTime nowUtc = dev::getSystemTimeAsFileTime();
    SettingsRecord& s = state();
    if (s.stopwatchRunning) {
        s.stopwatchTime = nowUtc > s.stopwatchTime ? nowUtc - s.stopwatchTime : 0;
        s.stopwatchRunning = 0;
    } else if (s.stopwatchTime != 0) {
        s.stopwatchTime = nowUtc - std::min<uint64_t>(s.stopwatchTime, nowUtc);
        s.stopwatchRunning = 1;
    } else {
        s.stopwatchTime = nowUtc;
        s.stopwatchRunning = 1;
    }
    // Saved at once: a session that ends without the exit sequence keeps the measurement.
    saveSettingsWithRetry();
}

void Stopwatch::reset() {
    state().stopwatchRunning = 0;
    state().stopwatchTime = 0;
    hundredths_ = 0;
    saveSettingsWithRetry();
}

uint64_t Stopwatch::elapsed() const {
    const SettingsRecord& s = state();
    if (!s.stopwatchRunning)
        return s.stopwatchTime;
    const dev::FileTime now = dev::getSystemTimeAsFileTime();
    return now > s.stopwatchTime ? now - s.stopwatchTime : 0;
}

ElapsedHms Stopwatch::elapsedHms() const {
    const uint64_t e = elapsed();
    const uint64_t hours = e / dev::kTicksPerHour;
    return {hours, static_cast<uint32_t>((e - hours * dev::kTicksPerHour) / dev::kTicksPerMinute),
            static_cast<uint32_t>((e % dev::kTicksPerMinute) / dev::kTicksPerSecond)};
}

std::optional<std::u16string> Stopwatch::elapsedText() const {
    // Hours go on past 24 ("25:03 10."); three digits from 100 hours.
    const ElapsedHms t = elapsedHms();
    return twoDigits(t.hours) + u":" + twoDigits(t.minutes) + u" " + twoDigits(t.seconds) + u".";
}

std::u16string Stopwatch::statusText() const {
    const ElapsedHms t = elapsedHms();
    if (!running())
        return kStopwatchIdle;
    return twoDigits(t.hours) + u":" + twoDigits(t.minutes) + u" " + twoDigits(t.seconds);
}

int Stopwatch::randomDigit() const {
    const int r = random ? random() : std::rand();
    return (r % 10 + 10) % 10;
}

int Stopwatch::tick() {
    if (!running())
        return hundredths_;
    // The tenths count the redraws within the current second (at most nine of them shown).
    hundredths_ = std::min(hundredths_ / 10 + 1, 9) * 10;
    const uint16_t second = dev::getLocalTime().second;
    if (lastSecond_ && *lastSecond_ != second)
        hundredths_ = 0;
    lastSecond_ = second;
    hundredths_ += randomDigit();
    return hundredths_;
}

std::u16string Stopwatch::hundredthsText() const {
    return twoDigits(static_cast<uint64_t>(hundredths_));
}

StartButton Stopwatch::startButton() const {
    if (running())
        return StartButton::Stop;
    return storedTime() != 0 ? StartButton::Resume : StartButton::Start;
}

bool Stopwatch::split() {
    if (!running())
        return false;
    const auto text = elapsedText();
    const int h = hundredths_ / 10 * 10 + randomDigit();
    Split s;
    s.label = u"Split " + twoDigits(static_cast<uint64_t>(nextSplit));
    ++nextSplit;
    s.time = text.value_or(u"") + twoDigits(static_cast<uint64_t>(h));
    splits.push_back(std::move(s));
    return saveSplits();
}

bool Stopwatch::deleteSplit(size_t row) {
    if (row >= splits.size())
        return false;
    splits.erase(splits.begin() + static_cast<std::ptrdiff_t>(row));
    if (splits.empty())
        nextSplit = 1;
    saveSplits();
    return true;
}

void Stopwatch::deleteAll() {
    splits.clear();
    nextSplit = 1;
    saveSplits();
}

bool Stopwatch::saveSplits() const {
    return dev::saveWholeFile(dataFilePath(kStopwatchFileName), serializeSplits(splits));
}

void Stopwatch::loadSplits() {
    dev::ExclusiveFile f =
        dev::ExclusiveFile::open(dataFilePath(kStopwatchFileName), dev::OpenMode::ReadExisting);
    if (!f.isOpen())
        return;
    std::vector<uint8_t> bytes(
        static_cast<size_t>(std::min<uint64_t>(f.size().value_or(0), kMaxStopwatchFileBytes)));
    bytes.resize(f.readAt(0, bytes.data(), bytes.size()));
    for (Split& s : parseSplits(bytes.data(), bytes.size()))
        splits.push_back(std::move(s));
}

} // namespace hv::items

#include "items/records.h"

#include "device/device.h"

#include <algorithm>
#include <cstdio>

namespace hv::items {

std::u16string textOf(const char16_t (&field)[kTextUnits]) {
    std::u16string out;
    for (char16_t c : field) {
        if (c == 0)
            break;
        out += c;
    }
    return out;
}

void setText(char16_t (&field)[kTextUnits], std::u16string_view text) {
    const size_t n = std::min(text.size(), kTextUnits - 1);
    for (size_t i = 0; i < kTextUnits; ++i)
        field[i] = i < n ? text[i] : u'\0';
}

dev::SystemTime systemTimeOf(dev::FileTime t) {
    dev::SystemTime st;
    if (!dev::fileTimeToSystemTime(t, st))
        dev::fileTimeToSystemTime(0, st);
    return st;
}

std::string localTimeText(dev::FileTime t) {
    dev::SystemTime st;
    if (!dev::fileTimeToSystemTime(t, st))
        return "invalid(" + std::to_string(t) + ")";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", st.year, st.month, st.day,
                  st.hour, st.minute, st.second);
    return buf;
}

std::u16string twoDigits(uint64_t v) {
    std::u16string out;
    const std::string s = (v < 10 ? "0" : "") + std::to_string(v);
    for (char c : s)
        out += static_cast<char16_t>(c);
    return out;
}

SoundTestPlan planSoundTest(uint32_t soundIndex, const std::u16string& path, uint8_t repeatIndex,
                            uint8_t pauseIndex) {
    SoundTestPlan plan;
    if (soundIndex == 0)
        return plan;
    plan.path = path;
    // The lists offer five entries each; a damaged record cannot make the test run for minutes.
    plan.plays = std::min<int>(repeatIndex, 4) + 1;
    plan.pauseMs = (std::min<uint32_t>(pauseIndex, 4) + 1u) * 1000u;
    return plan;
}

int runSoundTest(const SoundTestPlan& plan) {
    int started = 0;
    for (int i = 0; i < plan.plays; ++i) {
        if (dev::current().sound().play(plan.path))
            ++started;
        dev::sleepMs(plan.pauseMs);
    }
    return started;
}


ItemFileRead readItemFile(const std::u16string& path, const std::function<bool(const dev::ExclusiveFile&)>& read) {
    bool missing = false;
    const bool ok = dev::withRetry(kFileAttempts, kRetryPauseMs, [&] {
        dev::ExclusiveFile f = dev::ExclusiveFile::open(path, dev::OpenMode::ReadExisting);
        if (!f.isOpen()) {
            // Busy: the other program holds the file for a moment. Gone: the caller's defaults.
            missing = !f.busy() && !dev::fileExists(path);
            return missing;
        }
        return read(f);
    });
    return missing ? ItemFileRead::Missing : ok ? ItemFileRead::Done : ItemFileRead::Failed;
}

dev::FileTime todayAtMidnight() {
    dev::SystemTime t = dev::getLocalTime();
    t.hour = t.minute = t.second = t.milliseconds = 0;
    return dev::toFileTime(t).value_or(0);
}

} // namespace hv::items

#include "items/records.h"

#include "device/device.h"
#include "device/journal.h"
#include "device/paths.h"
#include "device/text.h"

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

void SoundTest::start(const SoundTestPlan& plan) {
    stop();
    plan_ = plan;
    played_ = started_ = 0;
    running_ = plan_.plays > 0;
    if (running_)
        playNext();
}

void SoundTest::playNext() {
    if (dev::current().sound().play(plan_.path))
        ++started_;
    ++played_;
    nextMs_ = dev::current().clock().tickCount() + plan_.pauseMs;
}

bool SoundTest::tick() {
    if (!running_ || dev::current().clock().tickCount() < nextMs_)
        return running_;
    if (played_ < plan_.plays)
        playNext();
    else
        running_ = false;
    return running_;
}

void SoundTest::stop() {
    if (!running_)
        return;
    running_ = false;
    dev::current().sound().stop();
}

ItemFileRead readItemFile(const std::u16string& path,
                          const std::function<bool(const dev::ExclusiveFile&)>& read) {
    // A file held by another process is waited for far longer than one that reads short: the
    // holder lets go within moments, while a damaged file stays damaged.
    int busyLeft = kBusyAttempts, failedLeft = kFileAttempts;
    while (true) {
        dev::ExclusiveFile f = dev::ExclusiveFile::open(path, dev::OpenMode::ReadExisting);
        if (f.isOpen()) {
            if (read(f))
                return ItemFileRead::Done;
            if (--failedLeft <= 0)
                return ItemFileRead::Failed;
        } else if (f.outsideRoot()) {
            return ItemFileRead::OutsideRoot;
        } else if (f.notRegular()) {
            return ItemFileRead::Failed; // a pipe or a device node stays what it is
        } else if (!f.busy()) {
            if (!dev::fileExists(path))
                return ItemFileRead::Missing;
            if (--failedLeft <= 0)
                return ItemFileRead::Failed;
        } else if (--busyLeft <= 0) {
            return ItemFileRead::Busy;
        }
        f.close();
        dev::sleepMs(kRetryPauseMs);
    }
}

dev::ExclusiveFile holdItemFile(const std::u16string& path, bool create, int attempts,
                                uint32_t pauseMs) {
    const dev::OpenMode mode =
        create ? dev::OpenMode::ReadWriteAlways : dev::OpenMode::ReadWriteExisting;
    for (int i = 0; i < attempts; ++i) {
        dev::ExclusiveFile f = dev::ExclusiveFile::open(path, mode);
        if (f.isOpen() || !f.busy())
            return f;
        if (i + 1 < attempts)
            dev::sleepMs(pauseMs);
    }
    return {};
}

bool keepAside(const std::u16string& path, const std::vector<uint8_t>& bytes) {
    return dev::saveWholeFile(path + u".bad", bytes);
}

void keepOverlong(const std::u16string& path, uint64_t size, uint64_t used) {
    const auto whole = dev::readWholeFile(path);
    const bool kept = whole && keepAside(path, *whole);
    dev::reportFault(dev::toUtf8(path) + " holds " + std::to_string(size) + " bytes, " +
                     std::to_string(size - used) + " more than its records: the records are used" +
                     (kept ? ", and the whole file is kept as " + dev::toUtf8(path) + ".bad"
                           : ", and the whole file could not be kept"));
}

std::u16string outsideRootMessage(const std::u16string& path) {
    dev::reportFault(dev::toUtf8(path) +
                     " leads out of the device folder: it is neither read nor written");
    return u"The file " + path +
           u" leads out of the device folder. Horavel neither reads nor writes it; its default "
           u"settings are used until it is replaced by an ordinary file.";
}

std::u16string alarmSoundFileName(int index) {
    return u"alarmsnd" + dev::fromUtf8(std::to_string(index)) + u".dat";
}

std::u16string timerSoundFileName(int index) {
    return u"timersnd" + dev::fromUtf8(std::to_string(index)) + u".dat";
}

std::u16string eventSoundFileName(uint32_t eventId) {
    return u"es" + dev::fromUtf8(std::to_string(eventId)) + u".dat";
}

dev::FileTime todayAtMidnight() {
    dev::SystemTime t = dev::getLocalTime();
    t.hour = t.minute = t.second = t.milliseconds = 0;
    return dev::toFileTime(t).value_or(0);
}

} // namespace hv::items

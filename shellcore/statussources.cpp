#include "shellcore/statussources.h"

#include "device/device.h"
#include "device/files.h"

#include <cstring>

namespace hv::shell {

namespace {
template <typename T> T readLe(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::u16string twoDigits(uint64_t v) {
    return {static_cast<char16_t>(u'0' + (v / 10) % 10), static_cast<char16_t>(u'0' + v % 10)};
}
} // namespace

std::array<AlarmSlot, 20> parseAlarmSlots(const uint8_t* data, size_t size) {
    std::array<AlarmSlot, 20> out{};
    if (!data || size != kAlarmRecordSize * out.size())
        return out;
    for (size_t i = 0; i < out.size(); ++i) {
        const uint8_t* r = data + i * kAlarmRecordSize;
        out[i].alarmTime = readLe<uint64_t>(r + 64);
        out[i].enabled = r[72] != 0;
    }
    return out;
}

std::array<TimerSlot, 4> parseTimerSlots(const uint8_t* data, size_t size) {
    std::array<TimerSlot, 4> out{};
    if (!data || size != kTimerRecordSize * out.size())
        return out;
    for (size_t i = 0; i < out.size(); ++i) {
        const uint8_t* r = data + i * kTimerRecordSize;
        out[i].notificationHandle = readLe<uint32_t>(r);
        out[i].countdownTime = readLe<uint64_t>(r + 52);
    }
    return out;
}

std::u16string remainingText(dev::FileTime endLocal, dev::FileTime nowLocal) {
    const uint64_t left = endLocal > nowLocal ? endLocal - nowLocal : 0;
    const uint64_t s = left / dev::kTicksPerSecond;
    return twoDigits(s / 3600 % 100) + u":" + twoDigits(s / 60 % 60) + u":" + twoDigits(s % 60);
}

std::u16string stopwatchStatusText(uint64_t elapsed) {
    const uint64_t s = elapsed / dev::kTicksPerSecond;
    return twoDigits(s / 3600 % 100) + u":" + twoDigits(s / 60 % 60) + u" " + twoDigits(s % 60);
}

std::u16string beatsText(dev::FileTime utc) {
    const uint64_t msOfDay = ((utc / dev::kTicksPerMillisecond) + 3600'000) % 86'400'000;
    const uint64_t beats = msOfDay / 86'400;
    return {static_cast<char16_t>(u'0' + beats / 100),
            static_cast<char16_t>(u'0' + beats / 10 % 10),
            static_cast<char16_t>(u'0' + beats % 10)};
}

void StandInStatusSources::load() {
    if (auto a = dev::readWholeFile(dataFilePath(u"alarms.dat")))
        alarms_ = parseAlarmSlots(a->data(), a->size());
    if (auto t = dev::readWholeFile(dataFilePath(u"timers.dat")))
        timers_ = parseTimerSlots(t->data(), t->size());
}

std::u16string StandInStatusSources::timerRemainingText(int i) {
    if (i < 0 || i >= static_cast<int>(timers_.size()))
        return kNoTime;
    return remainingText(timers_[i].countdownTime, dev::getLocalTimeAsFileTime());
}

bool StandInStatusSources::stopwatchRunning() {
    return app().settings.stopwatchRunning != 0;
}

std::u16string StandInStatusSources::stopwatchText() {
    const uint64_t start = app().settings.stopwatchTime;
    const uint64_t now = dev::getSystemTimeAsFileTime();
    return stopwatchStatusText(now > start ? now - start : 0);
}

std::u16string StandInStatusSources::beatText() {
    return beatsText(dev::getSystemTimeAsFileTime());
}

} // namespace hv::shell

#include "shellcore/statusbar.h"

#include "device/format.h"

namespace hv::shell {

StatusKind statusKindFrom(uint32_t stored) {
    return stored < kStatusKindCount ? static_cast<StatusKind>(stored) : StatusKind::None;
}

int statusIcon(StatusKind k) {
    return k == StatusKind::None ? -1 : static_cast<int>(k) - 1;
}

int statusTargetView(StatusKind k) {
    switch (k) {
    case StatusKind::None:
        return -1;
    case StatusKind::Alarm:
        return 3;
    case StatusKind::Timer:
        return 4;
    case StatusKind::Stopwatch:
        return 5;
    case StatusKind::Sunrise:
    case StatusKind::Sunset:
        return 9;
    case StatusKind::InternetTime:
        return 11;
    case StatusKind::Date:
    case StatusKind::Time:
        return 0;
    }
    return -1;
}

int statusPartAt(Point p) {
    for (int i = 0; i < 3; ++i)
        if (kStatusTapRects[i].contains(p.x, p.y))
            return i;
    return -1;
}

Point statusIconOrigin(int partX, int textWidth) {
    return {partX + (118 - textWidth) / 2 - 4, 5};
}
Point statusTextOrigin(int partX, int textWidth) {
    return {partX + (118 - textWidth) / 2 + 42, 8};
}

std::array<StatusKind, 3> statusKinds(const SettingsRecord& s) {
    return {statusKindFrom(s.statusLeft), statusKindFrom(s.statusCentral),
            statusKindFrom(s.statusRight)};
}

std::optional<int> earliestAlarm(std::span<const AlarmSlot> alarms) {
    std::optional<int> best;
    for (size_t i = 0; i < alarms.size(); ++i) {
        if (!alarms[i].enabled)
            continue;
        if (!best || alarms[i].alarmTime < alarms[*best].alarmTime)
            best = static_cast<int>(i);
    }
    return best;
}

std::optional<int> firstTimerToEnd(std::span<const TimerSlot> timers) {
    std::optional<int> best;
    for (size_t i = 0; i < timers.size(); ++i) {
        if (timers[i].notificationHandle == 0)
            continue;
        if (!best || timers[i].countdownTime < timers[*best].countdownTime)
            best = static_cast<int>(i);
    }
    return best;
}

std::u16string statusText(StatusKind k, StatusSources& src, const dev::SystemTime& now) {
    switch (k) {
    case StatusKind::None:
        return {};
    case StatusKind::Alarm: {
        const auto slots = src.alarms();
        const auto i = earliestAlarm(slots);
        if (!i)
            return kNoTime;
        dev::SystemTime t;
        if (!dev::fileTimeToSystemTime(slots[*i].alarmTime, t))
            return kNoTime;
        return dev::systemFormatText(t, dev::SystemFormat::TimeNoSeconds);
    }
    case StatusKind::Timer: {
        const auto slots = src.timers();
        const auto i = firstTimerToEnd(slots);
        return i ? src.timerRemainingText(*i) : std::u16string(kNoTime);
    }
    case StatusKind::Stopwatch:
        return src.stopwatchRunning() ? src.stopwatchText() : std::u16string(kNoStopwatch);
    case StatusKind::Sunrise:
        return src.sunriseText();
    case StatusKind::Sunset:
        return src.sunsetText();
    case StatusKind::InternetTime:
        return u"@" + src.beatText();
    case StatusKind::Date:
        return dev::systemFormatText(now, dev::SystemFormat::ShortDate);
    case StatusKind::Time:
        return dev::systemFormatText(now, dev::SystemFormat::TimeNoSeconds);
    }
    return {};
}

} // namespace hv::shell

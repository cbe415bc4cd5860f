// Plain status-bar sources that need nothing but the data files and the clock: the alarm and
// timer tables read once from their files, the stopwatch from the settings record, the beats from
// the device clock, no sunrise or sunset ("--:--"). The program itself uses ShellStatusSources
// (homesources.h), which reads the alarm and timer tables, the stopwatch and the home city's sun.
#pragma once

#include "shellcore/statusbar.h"

namespace hv::shell {

// Record layouts read here: an alarm record is 76 bytes with the alarm time at 64 and the
// enabled flag at 72 (20 records); a timer record is 72 bytes with the notification handle at 0
// and the countdown time at 52 (4 records). Files of any other size are ignored.
inline constexpr size_t kAlarmRecordSize = 76;
inline constexpr size_t kTimerRecordSize = 72;

std::array<AlarmSlot, 20> parseAlarmSlots(const uint8_t* data, size_t size);
std::array<TimerSlot, 4> parseTimerSlots(const uint8_t* data, size_t size);

// "HH:mm:ss" of the time left until a local end time; 00:00:00 once it has passed.
std::u16string remainingText(dev::FileTime endLocal, dev::FileTime nowLocal);
// "HH:mm ss" of an elapsed time in 100-ns units.
std::u16string stopwatchStatusText(uint64_t elapsed);
// Internet time: beats ("000".."999") of a UTC instant (Biel Mean Time is UTC+1).
std::u16string beatsText(dev::FileTime utc);

class StandInStatusSources : public StatusSources {
public:
    virtual ~StandInStatusSources() = default;
    // Reads data\alarms.dat and data\timers.dat.
    virtual void load();

    std::array<AlarmSlot, 20> alarms() override { return alarms_; }
    std::array<TimerSlot, 4> timers() override { return timers_; }
    std::u16string timerRemainingText(int i) override;
    std::u16string stopwatchText() override;
    bool stopwatchRunning() override;
    std::u16string sunriseText() override { return kNoTime; }
    std::u16string sunsetText() override { return kNoTime; }
    std::u16string beatText() override;

    std::array<AlarmSlot, 20> alarms_{};
    std::array<TimerSlot, 4> timers_{};
};

} // namespace hv::shell

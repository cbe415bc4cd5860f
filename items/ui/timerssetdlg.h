// The "Timer Settings" window (TimersSetDlg): one timer's initial value, sound, repeat count and
// pause, note and "Show alarm description". It works on a copy of the timer; OK stores it and puts
// the timer on its new initial value (the core's confirm), Cancel and "Reset" store nothing.
#pragma once

#include "items/timers.h"
#include "items/ui/itemsettingswindow.h"
#include "toolkit/platform/platform.h"

namespace hv::itemsui {

enum : int { kIdInitialValue = 1009 };

namespace timersetlayout {
inline constexpr RECT kInitialValueLabel{0, 74, 150, 106};
inline constexpr RECT kInitialValue{160, 72, 330, 108};
inline constexpr RECT kSoundLabel{0, 144, 150, 172};
inline constexpr RECT kRepeatLabel{0, 178, 150, 206};
inline constexpr RECT kPauseLabel{0, 212, 150, 240};
inline constexpr RECT kGreyBars[] = {{0, 130, 480, 132}, {0, 314, 480, 316}};
inline constexpr RECT kSoundPicker{190, 144, 356, 172};
inline constexpr RECT kRepeatList{190, 178, 282, 206};
inline constexpr RECT kPauseList{190, 212, 308, 240};
inline constexpr RECT kTestButton{356, 204, 456, 242};
inline constexpr char16_t kInitialValuePicture[] = u"HH':'mm':'ss";
} // namespace timersetlayout

class TimersSetDlg : public ItemSettingsWindow {
public:
    TimersSetDlg(HWND owner, items::Timers& timers);
    ~TimersSetDlg() override;

    // Opens the window for timer 0..3.
    void open(int index);
    int index() const { return draft_.index; }
    // The working copy as the controls hold it now.
    items::TimerSettingsDraft draft() const;
    tk::DateTimePick* initialValue() const { return tk::AsDateTimePick(initial_); }

protected:
    items::SoundTestPlan currentSoundTest() const override;
    void resetOwn() override;
    void confirm() override;

private:
    void showInitialValue(uint8_t hours, uint8_t minutes, uint8_t seconds);

    items::Timers& timers_;
    items::TimerSettingsDraft draft_;
    HWND initial_ = nullptr;
};

} // namespace hv::itemsui

// The "Alarm Settings" window (AlarmsSetDlg): one alarm's weekdays, sound, repeat count and pause,
// the automatic re-alert ("Repeating alarm") with its count and interval, the note and
// "Show alarm description". It works on a copy of the alarm; OK stores it and registers the alarm
// again (the core's confirm), Cancel and "Reset" store nothing.
#pragma once

#include "items/alarms.h"
#include "items/ui/itemsettingswindow.h"

namespace hv::itemsui {

enum : int {
    kIdRepeatingAlarm = 1022,
    kIdSnoozeCountList = 1032,
    kIdSnoozeIntervalList = 1033,
};

namespace alarmsetlayout {
inline constexpr RECT kDaysLabel{10, 62, 250, 90};
inline constexpr RECT kSoundLabel{0, 104, 150, 132};
inline constexpr RECT kRepeatLabel{0, 138, 150, 166};
inline constexpr RECT kPauseLabel{0, 172, 150, 200};
inline constexpr RECT kSnoozeCountLabel{0, 246, 150, 274};
inline constexpr RECT kSnoozeIntervalLabel{0, 280, 150, 308};
inline constexpr RECT kGreyBars[] = {{0, 98, 480, 100}, {0, 204, 480, 206}, {0, 314, 480, 316}};
inline constexpr RECT kSoundPicker{190, 104, 360, 132};
inline constexpr RECT kRepeatList{190, 138, 282, 166};
inline constexpr RECT kPauseList{190, 172, 308, 200};
inline constexpr RECT kSnoozeCountList{190, 246, 290, 274};
inline constexpr RECT kSnoozeIntervalList{190, 280, 320, 308};
inline constexpr RECT kRepeatingAlarm{20, 212, 300, 240};
inline constexpr RECT kTestButton{370, 150, 466, 188};
// The day selector: seven cells of 26 x 28, Sunday first, right of "Selected Days:".
inline constexpr POINT kDaySelectorAt{262, 60};
inline constexpr int kDayCellWidth = 26;
inline constexpr int kDayCellHeight = 28;
inline constexpr int kDayCellStep = 28;
inline constexpr POINT kFirstDayCell{2, 2};
inline constexpr RECT kDaySelectorSize{0, 0, 200, 32};
inline constexpr tk::COLORREF kSelectedDay = tk::RGB(0, 0, 224);
} // namespace alarmsetlayout

// The seven day cells; a tap toggles the day in the draft.
class DaySelector : public tk::SWindow, public tk::SDrawBasic {
public:
    DaySelector(HWND owner, items::AlarmSettingsDraft& draft);
    ~DaySelector() override;
    // The seven days as check boxes named by the locale's day names.
    tk::Accessible accessibility() const override;
    void Paint(tk::HDC hdc) override;
    void OnLButtonDown(POINT pt) override;
    // The cell of day 0 (Sunday) .. 6, in the selector's coordinates.
    static RECT cell(int day);
    // Left and Right (Home and End) move the keyboard's day, Space toggles it.
    bool OnKeyDown(int key) override;
    int keyDay() const { return keyDay_; }

protected:
    // The keyboard's day is marked while the focus mark shows.
    void paintEvent(QPaintEvent* ev) override;

private:
    items::AlarmSettingsDraft& draft_;
    int keyDay_ = 0;
};

class AlarmsSetDlg : public ItemSettingsWindow {
public:
    AlarmsSetDlg(HWND owner, items::Alarms& alarms);
    ~AlarmsSetDlg() override;

    // Opens the window for alarm index 0..19.
    void open(int index);
    int index() const { return draft_.index; }
    // The working copy as the controls hold it now.
    items::AlarmSettingsDraft draft() const;

    DaySelector* daySelector() const { return days_.get(); }
    HWND repeatingBox() const { return repeating_; }
    tk::DropList* snoozeCountList() const { return snoozeCount_.get(); }
    tk::DropList* snoozeIntervalList() const { return snoozeInterval_.get(); }

protected:
    items::SoundTestPlan currentSoundTest() const override;
    void resetOwn() override;
    void confirm() override;

private:
    items::Alarms& alarms_;
    items::AlarmSettingsDraft draft_;
    std::unique_ptr<DaySelector> days_;
    std::unique_ptr<tk::DropList> snoozeCount_;
    std::unique_ptr<tk::DropList> snoozeInterval_;
    HWND repeating_ = nullptr;
};

} // namespace hv::itemsui

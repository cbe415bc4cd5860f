#include "items/ui/timerssetdlg.h"

#include "device/device.h"
#include "items/ui/alarmstexts.h"
#include "toolkit/window/accessible.h"

namespace hv::itemsui {

using namespace hv::tk;
using namespace timersetlayout;

namespace {

SettingsLayout timerLayout() {
    SettingsLayout l;
    l.titleString = kStrTimerSettings;
    l.greyBars.assign(std::begin(kGreyBars), std::end(kGreyBars));
    l.labels = {{kInitialValueLabel, kTextInitialValue},
                {kSoundLabel, kTextTimerSound},
                {kRepeatLabel, kTextRepeat},
                {kPauseLabel, kTextPause}};
    l.soundPicker = timersetlayout::kSoundPicker;
    l.repeatList = timersetlayout::kRepeatList;
    l.pauseList = timersetlayout::kPauseList;
    l.testButton = timersetlayout::kTestButton;
    return l;
}

} // namespace

TimersSetDlg::TimersSetDlg(HWND owner, items::Timers& timers)
    : ItemSettingsWindow(owner, timerLayout(), u"TimersSetDlg"), timers_(timers) {
    if (!IsWindow(hwnd()))
        return;
    initial_ =
        CreateDateTimePick(hwnd(), kIdInitialValue, DateTimePick::Style::Time, kInitialValue);
    if (DateTimePick* p = initialValue()) {
        if (const QFont* f = dialogFont())
            p->setFont(*f);
        p->setPicture(kInitialValuePicture);
    }
    SetAccessibleLabel(initial_, kTextInitialValue);
    SetAccessibleLabel(soundPicker()->hwnd(), kTextTimerSound);
}

TimersSetDlg::~TimersSetDlg() = default;

void TimersSetDlg::showInitialValue(uint8_t hours, uint8_t minutes, uint8_t seconds) {
    DateTimePick* p = initialValue();
    if (!p)
        return;
    dev::SystemTime t = dev::getLocalTime();
    t.hour = hours;
    t.minute = minutes;
    t.second = seconds;
    t.milliseconds = 0;
    p->setTime(t);
}

void TimersSetDlg::open(int index) {
    if (index < 0 || index >= items::kTimerCount || !IsWindow(hwnd()))
        return;
    draft_ = items::openTimerSettings(timers_, index);
    showInitialValue(draft_.hours, draft_.minutes, draft_.seconds);
    openWith(draft_.soundPath, draft_.note, draft_.showNote, draft_.repeatIndex, draft_.pauseIndex);
}

items::TimerSettingsDraft TimersSetDlg::draft() const {
    items::TimerSettingsDraft d = draft_;
    d.note = note();
    d.showNote = showDescription();
    d.repeatIndex = repeatIndex();
    d.pauseIndex = pauseIndex();
    d.soundIndex = soundIndex();
    d.soundPath = soundPath();
    if (const DateTimePick* p = initialValue()) {
        d.hours = static_cast<uint8_t>(p->time().hour);
        d.minutes = static_cast<uint8_t>(p->time().minute);
        d.seconds = static_cast<uint8_t>(p->time().second);
    }
    return d;
}

items::SoundTestPlan TimersSetDlg::currentSoundTest() const {
    return draft().soundTest();
}

void TimersSetDlg::resetOwn() {
    draft_.reset();
    showInitialValue(0, 0, 0);
}

void TimersSetDlg::confirm() {
    items::confirmTimerSettings(timers_, draft());
}

} // namespace hv::itemsui

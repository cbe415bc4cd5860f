#include "items/ui/alarmssetdlg.h"

#include "device/text.h"
#include "items/ui/alarmstexts.h"
#include "settings/settings.h"
#include "toolkit/controls/controlrules.h"
#include "toolkit/platform/platform.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/keyboard.h"

#include <QPainter>

#include <algorithm>

namespace hv::itemsui {

using namespace hv::tk;
using namespace alarmsetlayout;

namespace {

SettingsLayout alarmLayout() {
    SettingsLayout l;
    l.titleString = kStrAlarmSettings;
    l.greyBars.assign(std::begin(kGreyBars), std::end(kGreyBars));
    l.labels = {{kDaysLabel, kTextSelectedDays},  {kSoundLabel, kTextAlarmSound},
                {kRepeatLabel, kTextRepeat},      {kPauseLabel, kTextPause},
                {kSnoozeCountLabel, kTextRepeat}, {kSnoozeIntervalLabel, kTextPause}};
    l.soundPicker = alarmsetlayout::kSoundPicker;
    l.repeatList = alarmsetlayout::kRepeatList;
    l.pauseList = alarmsetlayout::kPauseList;
    l.testButton = alarmsetlayout::kTestButton;
    return l;
}

} // namespace

// ---- DaySelector -----------------------------------------------------------------------------

DaySelector::DaySelector(HWND owner, items::AlarmSettingsDraft& draft) : draft_(draft) {
    Create(0, u"DaySelector", u"", WS_CHILD | WS_VISIBLE, kDaySelectorAt.x, kDaySelectorAt.y,
           kDaySelectorSize.right, kDaySelectorSize.bottom, owner, 0, nullptr);
    setFocusPolicy(Qt::StrongFocus);
}

DaySelector::~DaySelector() {
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

RECT DaySelector::cell(int day) {
    const int left = kFirstDayCell.x + day * kDayCellStep;
    return {left, kFirstDayCell.y, left + kDayCellWidth, kFirstDayCell.y + kDayCellHeight};
}

void DaySelector::Paint(HDC hdc) {
    hdc->FillRect(GetClientRect(hwnd()), colour(kColourWhite));
    hdc->SelectFont(dialogFont(true));
    hdc->SetBkMode(TRANSPARENT);
    for (int d = 0; d < 7; ++d) {
        const RECT r = cell(d);
        const bool on = draft_.daySelected(d);
        if (on)
            hdc->FillRect(r, kSelectedDay);
        hdc->SetTextColor(on ? colour(kColourWhite) : colour(kColourText));
        hdc->DrawText(std::u16string_view(kTextDayLetters + d, 1), r,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void DaySelector::OnLButtonDown(POINT pt) {
    for (int d = 0; d < 7; ++d) {
        const RECT r = cell(d);
        if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) {
            draft_.toggleDay(d);
            InvalidateRect(hwnd(), nullptr, true);
            return;
        }
    }
}

bool DaySelector::OnKeyDown(int key) {
    int day = keyDay_;
    switch (key) {
    case VK_LEFT:
        day = std::max(0, keyDay_ - 1);
        break;
    case VK_RIGHT:
        day = std::min(6, keyDay_ + 1);
        break;
    case VK_HOME:
        day = 0;
        break;
    case VK_END:
        day = 6;
        break;
    case VK_SPACE:
        draft_.toggleDay(keyDay_);
        InvalidateRect(hwnd(), nullptr, true);
        return true;
    default:
        return false;
    }
    keyDay_ = day;
    update();
    return true;
}

void DaySelector::paintEvent(QPaintEvent* ev) {
    SWindow::paintEvent(ev);
    if (!showsFocusMark())
        return;
    const RECT r = cell(keyDay_);
    QPainter p(this);
    DrawFocusMark(p, QRect(r.left - 2, r.top - 2, r.width() + 4, r.height() + 4));
}

// ---- AlarmsSetDlg ----------------------------------------------------------------------------

AlarmsSetDlg::AlarmsSetDlg(HWND owner, items::Alarms& alarms)
    : ItemSettingsWindow(owner, alarmLayout(), u"AlarmsSetDlg"), alarms_(alarms) {
    if (!IsWindow(hwnd()))
        return;
    const QFont* text = dialogFont();
    days_ = std::make_unique<DaySelector>(hwnd(), draft_);
    snoozeCount_ = std::make_unique<DropList>(hwnd(), kSnoozeCountList, kStrSnoozeCounts, 0, text,
                                              kIdSnoozeCountList);
    snoozeInterval_ = std::make_unique<DropList>(hwnd(), kSnoozeIntervalList, kStrSnoozeIntervals,
                                                 0, text, kIdSnoozeIntervalList);
    repeating_ = CreateCheckBox(hwnd(), kIdRepeatingAlarm, kTextRepeatingAlarm, kRepeatingAlarm);
    if (repeating_ && text)
        repeating_->setFont(*text);
    SetAccessibleLabel(days_->hwnd(), kTextSelectedDays);
    SetAccessibleLabel(soundPicker()->hwnd(), kTextAlarmSound);
    SetAccessibleLabel(snoozeCount_->hwnd(), kTextRepeat);
    SetAccessibleLabel(snoozeInterval_->hwnd(), kTextPause);
}

AlarmsSetDlg::~AlarmsSetDlg() = default;

void AlarmsSetDlg::open(int index) {
    if (index < 0 || index >= items::kAlarmCount || !IsWindow(hwnd()))
        return;
    draft_ = items::openAlarmSettings(alarms_, index);
    if (!snoozeCount_->SetSelected(draft_.snoozeCountIndex))
        snoozeCount_->SetSelected(0);
    if (!snoozeInterval_->SetSelected(draft_.snoozeIntervalIndex))
        snoozeInterval_->SetSelected(0);
    SetChecked(repeating_, draft_.repeating);
    InvalidateRect(days_->hwnd(), nullptr, true);
    openWith(draft_.soundPath, draft_.note, draft_.showDescription, draft_.repeatIndex,
             draft_.pauseIndex);
}

items::AlarmSettingsDraft AlarmsSetDlg::draft() const {
    items::AlarmSettingsDraft d = draft_;
    d.note = note();
    d.showDescription = showDescription();
    d.repeating = IsChecked(repeating_);
    d.repeatIndex = repeatIndex();
    d.pauseIndex = pauseIndex();
    d.soundIndex = soundIndex();
    d.soundPath = soundPath();
    d.snoozeCountIndex = static_cast<uint8_t>(std::max(0, snoozeCount_->selected()));
    d.snoozeIntervalIndex = static_cast<uint8_t>(std::max(0, snoozeInterval_->selected()));
    return d;
}

items::SoundTestPlan AlarmsSetDlg::currentSoundTest() const {
    return draft().soundTest();
}

void AlarmsSetDlg::resetOwn() {
    draft_.reset();
    snoozeCount_->SetSelected(0);
    snoozeInterval_->SetSelected(0);
    SetChecked(repeating_, false);
    InvalidateRect(days_->hwnd(), nullptr, true);
}

void AlarmsSetDlg::confirm() {
    items::confirmAlarmSettings(alarms_, draft());
}

// ---- Accessibility ---------------------------------------------------------------------------

tk::Accessible DaySelector::accessibility() const {
    tk::Accessible a;
    a.role = QAccessible::Grouping;
    // The locale's day names start on Sunday only where its week does; the cells always do.
    const std::u16string& names = app().names.dayNameList;
    const ParsedList parsed = ParseList(names);
    const bool sundayFirst = app().locale.localeFirstDayOfWeek == 6;
    for (int d = 0; d < 7; ++d) {
        tk::AccessiblePart p;
        p.role = QAccessible::CheckBox;
        const int item = sundayFirst ? d : (d + 6) % 7;
        p.name = item < parsed.count ? dev::toQString(std::u16string(ListItem(names, parsed, item)))
                                     : dev::toQString(std::u16string(1, kTextDayLetters[d]));
        const RECT r = cell(d);
        p.rect = QRect(r.left, r.top, r.width(), r.height());
        p.selected = draft_.daySelected(d);
        a.parts.push_back(std::move(p));
    }
    return a;
}

} // namespace hv::itemsui

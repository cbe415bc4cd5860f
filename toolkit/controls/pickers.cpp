#include "toolkit/controls/pickers.h"

#include "calendar/calendar.h"
#include "device/device.h"
#include "device/text.h"
#include "settings/settings.h"

namespace hv::tk {

namespace {

constexpr uintptr_t kPickId = 1;

dev::SystemTime today() {
    dev::SystemTime t = dev::getLocalTime();
    t.hour = t.minute = t.second = t.milliseconds = 0;
    return t;
}

} // namespace

CustomControl::~CustomControl() {
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

bool CustomControl::CreateContainer(int x, int y, int width, int height, HINSTANCE instance) {
    if (!Create(0, u"myParentWin", u"", WS_CHILD | WS_VISIBLE, x, y, width, height, owner_, 0,
                instance))
        return false;
    return true;
}

// ---- TimePicker ------------------------------------------------------------------------------

TimePicker::TimePicker(HWND owner, int x, int y, int width, int height, HINSTANCE instance,
                       bool initNow, bool internetTime)
    : CustomControl(owner) {
    if (!CreateContainer(x, y, width, height, instance))
        return;
    control_ =
        CreateDateTimePick(hwnd(), kPickId, DateTimePick::Style::Time, {0, 0, width, height});
    if (const QFont* f = SDraw::font(kFontText))
        control_->setFont(*f);
    mode_ = internetTime ? kInternet : kClock;
    ChoosePicture();
    if (mode_ == kInternet)
        SetInternetTime(0);
    else if (initNow)
        SetTime(dev::getLocalTime());
    last_ = pick()->time();
}

void TimePicker::ChoosePicture() {
    if (!pick())
        return;
    pick()->clearTypedRanges();
    switch (mode_) {
    case kClock:
        pick()->setPicture(app().locale.locale24Hour ? picture::kTimePicker24
                                                     : picture::kTimePicker12);
        break;
    case kInternet:
        // Each of the three fields is one digit of the value.
        pick()->setPicture(picture::kInternetTime);
        pick()->setTypedRange(u'y', 0, 9);
        pick()->setTypedRange(u'H', 0, 9);
        pick()->setTypedRange(u'm', 0, 9);
        break;
    case kOffset:
        pick()->setTypedRange(u's', 0, kOffsetMaxEastHours);
        break;
    default:
        break;
    }
}

void TimePicker::SetMode(int mode) {
    if (mode != kClock && mode != kInternet)
        return;
    mode_ = mode;
    ChoosePicture();
}

void TimePicker::SetTime(const dev::SystemTime& t) {
    if (!pick())
        return;
    ChoosePicture();
    pick()->setTime(t);
    last_ = t;
}

dev::SystemTime TimePicker::GetTime() const {
    return pick() ? pick()->time() : dev::SystemTime{};
}

void TimePicker::SetInternetTime(int beats) {
    if (!pick())
        return;
    dev::SystemTime t = today();
    BeatsToFields(beats, t);
    pick()->setTime(t);
    last_ = pick()->time();
}

int TimePicker::GetInternetTime() const {
    return BeatsFromFields(GetTime());
}

void TimePicker::EnterOffsetMode() {
    if (!pick())
        return;
    mode_ = kOffset;
    ChoosePicture();
    ShowOffset(OffsetValue{});
}

void TimePicker::SetOffset(int minutes) {
    if (mode_ != kOffset)
        EnterOffsetMode();
    ShowOffset(OffsetFromMinutes(minutes));
}

int TimePicker::GetOffset() const {
    const dev::SystemTime t = GetTime();
    OffsetValue v;
    v.hours = t.second;
    v.minutes = t.minute;
    v.negative = negative_;
    return OffsetMinutes(v);
}

void TimePicker::ShowOffset(const OffsetValue& v) {
    dev::SystemTime t = today();
    t.second = static_cast<uint16_t>(v.hours);
    t.minute = static_cast<uint16_t>(v.minutes);
    const OffsetSign sign = OffsetPictureSign(v);
    negative_ = sign == OffsetSign::Minus;
    pick()->setPicture(OffsetPicture(sign));
    pick()->setTime(t);
    last_ = t;
    lastMinute_ = v.minutes;
    lastHours_ = v.hours;
}

void TimePicker::OnChange() {
    dev::SystemTime t = GetTime();
    switch (mode_) {
    case kInternet:
        CarryBeatFields(t);
        pick()->setTime(t);
        last_ = t;
        break;
    case kOffset: {
        OffsetValue v{lastHours_, lastMinute_, negative_};
        if (pick()->typedChange()) {
            // Typed hours keep the sign; typed minutes go to their quarter.
            v.hours = t.second;
            if (t.minute != lastMinute_)
                v.minutes = SnapOffsetMinutes(t.minute);
            v = TypedOffset(v);
        } else {
            if (t.second != lastHours_)
                OffsetHoursChanged(v, lastHours_, t.second);
            if (t.minute != lastMinute_)
                OffsetMinutesChanged(v, t.minute);
        }
        ShowOffset(v);
        break;
    }
    default:
        last_ = t;
        break;
    }
    changed_ = true;
    SendMessage(owner_, kMsgPickerChanged, GetDlgCtrlID(hwnd()), reinterpret_cast<LPARAM>(hwnd()));
}

std::u16string TimePicker::Text() const {
    return pick() ? pick()->text() : std::u16string();
}

void TimePicker::OnSignKey(char16_t key) {
    OffsetValue v{lastHours_, lastMinute_, key == u'-'};
    ShowOffset(TypedOffset(v));
    changed_ = true;
    SendMessage(owner_, kMsgPickerChanged, GetDlgCtrlID(hwnd()), reinterpret_cast<LPARAM>(hwnd()));
}

LRESULT TimePicker::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr && hdr->code == DTN_DATETIMECHANGE) {
            OnChange();
            return 0;
        }
        if (hdr && hdr->code == DTN_WMKEYDOWN && mode_ == kOffset) {
            const char16_t key = reinterpret_cast<const NMDATETIMEKEY*>(lp)->key;
            if (key == u'-' || key == u'+') {
                OnSignKey(key);
                return 1;
            }
            return 0;
        }
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

// ---- DatePicker ------------------------------------------------------------------------------

DatePicker::DatePicker(HWND owner, int x, int y, int width, int height, HINSTANCE instance,
                       bool initNow)
    : CustomControl(owner) {
    if (!CreateContainer(x, y, width, height, instance))
        return;
    control_ =
        CreateDateTimePick(hwnd(), kPickId, DateTimePick::Style::Date, {0, 0, width, height});
    if (const QFont* f = SDraw::font(kFontText))
        control_->setFont(*f);
    if (initNow)
        SetDate(dev::getLocalTime());
}

void DatePicker::SetDate(const dev::SystemTime& t) {
    if (pick())
        pick()->setTime(t);
}

dev::SystemTime DatePicker::GetDate() const {
    return pick() ? pick()->time() : dev::SystemTime{};
}

LRESULT DatePicker::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr && hdr->code == DTN_DATETIMECHANGE) {
            // The flag stays for owners that look at their tick; the message lets the others
            // redraw at once.
            changed_ = true;
            SendMessage(owner_, kMsgPickerChanged, GetDlgCtrlID(this->hwnd()),
                        reinterpret_cast<LPARAM>(this->hwnd()));
            return 0;
        }
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

// ---- Accessibility ---------------------------------------------------------------------------

Accessible TimePicker::accessibility() const {
    Accessible a;
    a.role = QAccessible::SpinBox;
    a.name = windowTitle();
    a.value = dev::toQString(Text());
    return a;
}

Accessible DatePicker::accessibility() const {
    Accessible a;
    a.role = QAccessible::SpinBox;
    a.name = windowTitle();
    if (pick())
        a.value = dev::toQString(pick()->text());
    return a;
}

} // namespace hv::tk

#include "views/internettimeview.h"

#include "device/device.h"
#include "device/format.h"
#include "timescales/timescales.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/strings.h"
#include "views/viewstrings.h"

namespace hv::views {

using namespace hv::tk;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr UINT kLeft = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr UINT kRight = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;

// The date of one record with the time of day of another.
dev::SystemTime withTimeOf(dev::SystemTime date, const dev::SystemTime& time) {
    date.hour = time.hour;
    date.minute = time.minute;
    date.second = time.second;
    date.milliseconds = 0;
    return date;
}

} // namespace

InternetTimeView::InternetTimeView(view::ViewContext& ctx, int number) : View(ctx, number) {
    registerViewStrings();
}

InternetTimeView::~InternetTimeView() = default;

void InternetTimeView::createChildren() {
    if (modes_ || !ctx_.mainWindow)
        return;
    modes_ = std::make_unique<DropList>(ctx_.mainWindow, kModeList, kStrInternetModes, mode_,
                                        font(kFontSmallText));
    date_ = std::make_unique<DatePicker>(ctx_.mainWindow, kDatePickerAt.x, kDatePickerAt.y,
                                         kDatePickerWidth, kPickerHeight, nullptr, true);
    time_ = std::make_unique<TimePicker>(ctx_.mainWindow, kTimePickerAt.x, kTimePickerAt.y,
                                         kTimePickerWidth, kPickerHeight, nullptr, true);
    remembered_ = time_->GetTime();
    SetAccessibleLabel(modes_->hwnd(), LoadStringResource(kStrInternetTime));
    SetAccessibleLabel(date_->hwnd(), LoadStringResource(kStrDate));
    SetAccessibleLabel(time_->hwnd(), timeLabel());
}

void InternetTimeView::show() {
    createChildren();
    for (HWND w : {modes_ ? modes_->hwnd() : nullptr, date_ ? date_->hwnd() : nullptr,
                   time_ ? time_->hwnd() : nullptr})
        if (w)
            ShowWindow(w, SW_SHOW);
}

void InternetTimeView::hide() {
    for (HWND w : {modes_ ? modes_->hwnd() : nullptr, date_ ? date_->hwnd() : nullptr,
                   time_ ? time_->hwnd() : nullptr})
        if (w)
            ShowWindow(w, SW_HIDE);
}

void InternetTimeView::setMode(int mode) {
    if ((mode != kFromStandardTime && mode != kFromInternetTime) || mode == mode_)
        return;
    if (modes_ && modes_->selected() != mode)
        modes_->SetSelected(mode);
    if (time_ && mode == kFromInternetTime) {
        // The beat entry starts at the beats of what was entered; the clock time is kept aside.
        remembered_ = time_->GetTime();
        const std::optional<int> beats = BeatsFromLocal(enteredDateTime());
        time_->SetMode(TimePicker::kInternet);
        time_->SetInternetTime(beats.value_or(0));
    } else if (time_) {
        time_->SetMode(TimePicker::kClock);
        time_->SetTime(remembered_);
    }
    mode_ = mode;
    redrawResult();
}

bool InternetTimeView::notify(UINT msg, WPARAM wp, LPARAM lp) {
    (void)wp;
    if (msg == kMsgChanged && modes_ && lp == reinterpret_cast<LPARAM>(modes_->hwnd())) {
        setMode(modes_->selected());
        return true;
    }
    if (msg == kMsgPickerChanged && time_ && lp == reinterpret_cast<LPARAM>(time_->hwnd())) {
        time_->setChanged(false);
        redrawResult();
        return true;
    }
    if (msg == kMsgPickerChanged && date_ && lp == reinterpret_cast<LPARAM>(date_->hwnd())) {
        date_->setChanged(false);
        redrawResult();
        return true;
    }
    return false;
}

// ---- Values ----------------------------------------------------------------------------------

dev::SystemTime InternetTimeView::enteredDateTime() const {
    const dev::SystemTime now = dev::getLocalTime();
    const dev::SystemTime date = date_ ? date_->GetDate() : now;
    const dev::SystemTime time = time_ && mode_ == kFromStandardTime ? time_->GetTime() : now;
    return withTimeOf(date, time);
}

InternetTimeView::Result InternetTimeView::result() const {
    Result r;
    if (mode_ == kFromStandardTime) {
        const dev::SystemTime entered = enteredDateTime();
        const std::optional<int> beats = BeatsFromLocal(entered);
        r.label = LoadStringResource(kStrInternetTime);
        r.value = beats ? FormatBeats(*beats) : std::u16string();
        r.date = entered;
    } else {
        const dev::SystemTime date = date_ ? date_->GetDate() : dev::getLocalTime();
        const int beats = time_ ? time_->GetInternetTime() : 0;
        r.label = LoadStringResource(kStrStandardTime);
        r.date = LocalFromBeats(beats, date);
        r.value = dev::systemFormatText(r.date, dev::SystemFormat::TimeNoSeconds);
    }
    r.dateText = dev::systemFormatText(r.date, dev::SystemFormat::ShortDate);
    return r;
}

std::u16string InternetTimeView::timeLabel() const {
    return LoadStringResource(mode_ == kFromInternetTime ? kStrInternetTimeShort : kStrTime);
}

std::u16string InternetTimeView::BeatsNowText(const dev::SystemTime& now) {
    const std::optional<int> beats = BeatsFromLocal(now);
    return beats ? FormatBeats(*beats) : std::u16string();
}

// ---- Painting --------------------------------------------------------------------------------

void InternetTimeView::drawTitle(DC& dc) {
    dc.SelectFont(font(kFontTitle));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.DrawText(LoadStringResource(kStrInternetTime), kTitle, kLeft);
}

void InternetTimeView::drawBeatsNow(DC& dc, const dev::SystemTime& now) {
    dc.FillRect(kBeatsNow, kWhite);
    dc.SelectFont(font(kFontTitle));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kBeatColour);
    dc.DrawText(BeatsNowText(now), kBeatsNow, kRight);
}

void InternetTimeView::drawLabels(DC& dc) {
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.DrawText(LoadStringResource(kStrDate), kDateLabel, kRight);
    dc.FillRect(kTimeLabel, kWhite);
    dc.DrawText(timeLabel(), kTimeLabel, kRight);
}

void InternetTimeView::drawResult(DC& dc) {
    const Result r = result();
    dc.FillRect(kResultArea, kWhite);
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kBeatColour);
    dc.DrawText(r.label, kResultLabel, kRight);
    dc.DrawText(r.value, kResultValue, kLeft);
    dc.DrawText(LoadStringResource(kStrDate), kResultDateLabel, kRight);
    dc.DrawText(r.dateText, kResultDate, kLeft);
}

void InternetTimeView::redrawResult() {
    if (!ctx_.mainWindow)
        return;
    InvalidateRect(ctx_.mainWindow, &kTimeLabel, false);
    InvalidateRect(ctx_.mainWindow, &kResultArea, false);
}

void InternetTimeView::paint(DC& dc) {
    const dev::SystemTime now = dev::getLocalTime();
    view::DrawSectionRules(dc, kRules);
    drawTitle(dc);
    drawBeatsNow(dc, now);
    drawLabels(dc);
    drawResult(dc);
}

void InternetTimeView::tick(DC& dc, const dev::SystemTime& now) {
    drawBeatsNow(dc, now);
    if (date_ && date_->changed()) {
        date_->setChanged(false);
        drawResult(dc);
    }
}

} // namespace hv::views

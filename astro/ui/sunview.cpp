#include "astro/ui/sunview.h"

#include "device/device.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/picture.h"

namespace hv::astroui {

using namespace hv::tk;
using namespace sunlayout;

SunView::SunView(view::ViewContext& ctx, int number) : View(ctx, number) {
    registerAstroStrings();
    picture_ = LoadImageResource(kPictureId);
}

SunView::~SunView() = default;

void SunView::createControls() {
    picker_ = std::make_unique<DatePicker>(ctx_.mainWindow, kDatePicker.left, kDatePicker.top,
                                           kDatePicker.right - kDatePicker.left,
                                           kDatePicker.bottom - kDatePicker.top, nullptr, true);
    types_ =
        std::make_unique<DropList>(ctx_.mainWindow, kTypeList, kStrSunTypes,
                                   static_cast<int>(astro::SunEventType::RiseSet), font(kFontText));
    SetAccessibleLabel(picker_->hwnd(), astroString(kStrDate));
    SetAccessibleLabel(types_->hwnd(), astroString(kStrType));
}

void SunView::show() {
    if (!picker_) {
        createControls();
        return;
    }
    ShowWindow(picker_->hwnd(), SW_SHOW);
    ShowWindow(types_->hwnd(), SW_SHOW);
}

void SunView::hide() {
    if (picker_)
        ShowWindow(picker_->hwnd(), SW_HIDE);
    if (types_)
        ShowWindow(types_->hwnd(), SW_HIDE);
}

dev::SystemTime SunView::date() const {
    return picker_ ? picker_->GetDate() : dev::getLocalTime();
}

int SunView::type() const {
    return types_ ? types_->selected() : static_cast<int>(astro::SunEventType::RiseSet);
}

SunLines SunView::computeLines() const {
    return sunLinesFor(ctx_.cities.homeRecord(), type(), date());
}

void SunView::paint(DC& dc) {
    paintBackground(dc);
    paintRule(dc);
    paintPicture(dc);
    paintLabels(dc);
    paintSunLines(dc);
}

void SunView::paintBackground(DC& dc) {
    dc.FillRect(view::kViewArea, colour(kColourWhite));
}

void SunView::paintRule(DC& dc) {
    dc.FillRect(kRule, kRuleColour);
}

void SunView::paintPicture(DC& dc) {
    if (!picture_.isNull())
        dc.BitBlt(kPicture.x, kPicture.y, picture_.width(), picture_.height(), picture_, 0, 0);
}

void SunView::paintLabels(DC& dc) {
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.DrawText(astroString(kStrDate), kDateLabel, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    dc.DrawText(astroString(kStrType), kTypeLabel, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

void SunView::paintSunLines(DC& dc) {
    lines_ = computeLines();
    // The lines are cleared first: a tick paints them again over the last ones.
    dc.FillRect(kSunriseLine, colour(kColourWhite));
    dc.FillRect(kSunsetLine, colour(kColourWhite));
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.DrawText(lines_.sunrise, kSunriseLine, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    dc.DrawText(lines_.sunset, kSunsetLine, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void SunView::tick(DC& dc, const dev::SystemTime& now) {
    if (!picker_)
        return;
    if (picker_->changed()) {
        takePickedDate();
        paintSunLines(dc);
        return;
    }
    const dev::SystemTime shown = picker_->GetDate();
    if (followsToday_ &&
        (shown.year != now.year || shown.month != now.month || shown.day != now.day)) {
        picker_->SetDate(now);
        paintSunLines(dc);
    }
}

bool SunView::notify(UINT msg, WPARAM wp, LPARAM lp) {
    (void)wp;
    if (msg == kMsgPickerChanged && picker_ && lp == reinterpret_cast<LPARAM>(picker_->hwnd())) {
        takePickedDate();
        redrawSunLines();
        return true;
    }
    if (msg != kMsgChanged)
        return false;
    redrawSunLines();
    return true;
}

void SunView::takePickedDate() {
    // A date the user picked: the view stops following today.
    picker_->setChanged(false);
    followsToday_ = false;
}

void SunView::redrawSunLines() {
    if (!ctx_.mainWindow)
        return;
    InvalidateRect(ctx_.mainWindow, &kSunriseLine, false);
    InvalidateRect(ctx_.mainWindow, &kSunsetLine, false);
}

} // namespace hv::astroui

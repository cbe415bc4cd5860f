#include "views/dayprogress.h"

#include "device/text.h"
#include "toolkit/controls/controlrules.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/strings.h"
#include "views/viewstrings.h"

#include <algorithm>

namespace hv::views {

using namespace hv::tk;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr UINT kValueFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

} // namespace

DayProgress::DayProgress(HWND owner, int x, int y, const dev::SystemTime& now) : now_(now) {
    registerViewStrings();
    const PictureTable& t = res().table;
    const ImageRegion& header = t.regions[kRegionWideSelected];
    passedBackground_ = Picture(t.image(header.image), header.rect, kPassedHeader, true);
    remainedBackground_ = Picture(t.image(header.image), header.rect, kRemainedHeader, true);
    if (!Create(0, u"PasRemaind", u"PasRemaind", WS_CHILD, x, y, kWidth, kHeight, owner, 0,
                nullptr))
        return;
    const QFont* listFont = SDraw::font(kFontText);
    // A clock before the list's first year starts the list there, not on a year it lacks.
    const int lastYear = LastListedYear(now.year);
    const int year = std::clamp<int>(now.year, kFirstListedYear, lastYear);
    yearList_ = new DropNumList(hwnd(), kYearList, kFirstListedYear, lastYear, 1, year, listFont);
    unitList_ =
        new DropList(hwnd(), kUnitList, kStrProgressUnits, static_cast<int>(kStartUnit), listFont);
    NameLists();
}

DayProgress::~DayProgress() {
    delete yearList_;
    delete unitList_;
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

void DayProgress::setNow(const dev::SystemTime& now) {
    now_ = now;
    if (yearList_ && yearList_->list())
        yearList_->list()->ExtendTo(LastListedYear(now.year));
}

int DayProgress::year() const {
    return yearList_ && yearList_->list() ? yearList_->SelectedValue() : now_.year;
}

ProgressUnit DayProgress::unit() const {
    const int i = unitList_ ? unitList_->selected() : static_cast<int>(kStartUnit);
    return i >= 0 && i <= static_cast<int>(ProgressUnit::Months) ? static_cast<ProgressUnit>(i)
                                                                 : kStartUnit;
}

bool DayProgress::SelectYear(int year) {
    if (!yearList_ || !yearList_->list() || !yearList_->list()->SelectValue(year))
        return false;
    Refresh();
    return true;
}

bool DayProgress::SelectUnit(ProgressUnit unit) {
    if (!unitList_ || !unitList_->SetSelected(static_cast<int>(unit)))
        return false;
    Refresh();
    return true;
}

void DayProgress::Refresh() {
    InvalidateRect(hwnd(), nullptr, false);
}

void DayProgress::drawHeader(DC& dc, Picture& background, const RECT& r, int stringId) {
    background.Draw(dc);
    dc.SelectFont(SDraw::font(kFontSmallText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.DrawText(LoadStringResource(stringId), r, kValueFormat);
}

void DayProgress::drawValue(DC& dc, const RECT& r, const std::u16string& text) {
    dc.FillRect(r, kWhite);
    dc.SelectFont(SDraw::font(kFontTextBold));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourDigits));
    dc.DrawText(text, r, kValueFormat);
}

void DayProgress::Paint(HDC hdc) {
    DC& dc = *hdc;
    drawHeader(dc, passedBackground_, kPassedHeader, kStrPassed);
    drawHeader(dc, remainedBackground_, kRemainedHeader, kStrRemained);
    const YearProgressValues v = YearProgress(year(), unit(), now_);
    passedText_ = FormatProgress(v.passed);
    remainedText_ = FormatProgress(v.remained);
    drawValue(dc, kPassedValue, passedText_);
    drawValue(dc, kRemainedValue, remainedText_);
}

LRESULT DayProgress::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgChanged) {
        // Another year or unit was picked.
        Refresh();
        return 0;
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

// ---- Accessibility ---------------------------------------------------------------------------

void DayProgress::NameLists() {
    // "Years" of the time units.
    const std::u16string units = LoadStringResource(kStrTimeUnits);
    SetAccessibleLabel(yearList_->hwnd(), std::u16string(ListItem(units, ParseList(units), 6)));
    SetAccessibleLabel(unitList_->hwnd(), kTextUnitLabel);
}

Accessible DayProgress::accessibility() const {
    Accessible a;
    a.role = QAccessible::Grouping;
    const QString passed = dev::toQString(LoadStringResource(kStrPassed));
    const QString remained = dev::toQString(LoadStringResource(kStrRemained));
    a.name = passed + QStringLiteral(" / ") + remained;
    const YearProgressValues v = YearProgress(year(), unit(), now_);
    AccessiblePart p;
    p.role = QAccessible::StaticText;
    p.name = passed;
    p.value = dev::toQString(FormatProgress(v.passed));
    p.rect =
        QRect(kPassedValue.left, kPassedValue.top, kPassedValue.width(), kPassedValue.height());
    a.parts.push_back(p);
    p.name = remained;
    p.value = dev::toQString(FormatProgress(v.remained));
    p.rect = QRect(kRemainedValue.left, kRemainedValue.top, kRemainedValue.width(),
                   kRemainedValue.height());
    a.parts.push_back(p);
    a.value = a.parts[0].name + QLatin1Char(' ') + a.parts[0].value + QStringLiteral(", ") +
              a.parts[1].name + QLatin1Char(' ') + a.parts[1].value;
    return a;
}

} // namespace hv::views

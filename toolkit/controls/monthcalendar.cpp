#include "toolkit/controls/monthcalendar.h"

#include "device/device.h"
#include "device/text.h"
#include "settings/settings.h"
#include "toolkit/controls/controlrules.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/strings.h"

#include <string>

namespace hv::tk {

namespace {

constexpr int kColumnWidth = 32;
constexpr int kRowHeight = 28;

std::u16string number(int v) {
    std::u16string s;
    for (char c : std::to_string(v))
        s += static_cast<char16_t>(c);
    return s;
}

} // namespace

MonthCalendar::MonthCalendar(HWND owner, int x, int y) {
    today = dev::getLocalTime();
    previousToday = today;
    const PictureTable& t = res().table;
    header_ = Picture(t.image(0), t.regions[kRegionPixelHeader].rect, {0, 0, 222, 28}, true);
    grid_ = Picture(t.image(0), t.regions[kRegionPixelGrid].rect, {0, 30, 222, 196}, true);
    if (!Create(0, u"MonthCalendar", u"", WS_CHILD | WS_VISIBLE, x, y, kWidth, kHeight, owner, 0,
                nullptr))
        return;
    setFocusPolicy(Qt::StrongFocus);
    const QFont* font = SDraw::font(kFontText);
    monthList_ = new DropList(hwnd(), {30, 240, 150, 268}, app().names.monthNameList,
                              today.month >= 1 ? today.month - 1 : 0, font, 1);
    yearList_ = new DropNumList(hwnd(), {30, 204, 110, 232}, kFirstListedYear,
                                LastListedYear(today.year), 1, today.year, font, 2);
    NameLists();
}

void MonthCalendar::SetToday(const dev::SystemTime& now) {
    previousToday = today;
    today = now;
    if (yearList_ && yearList_->list())
        yearList_->list()->ExtendTo(LastListedYear(now.year));
    InvalidateRect(hwnd(), nullptr, false);
}

MonthCalendar::~MonthCalendar() {
    delete monthList_;
    delete yearList_;
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

int MonthCalendar::shownYear() const {
    return yearList_ && yearList_->list() ? yearList_->SelectedValue() : today.year;
}

int MonthCalendar::shownMonth() const {
    return monthList_ ? monthList_->selected() + 1 : today.month;
}

bool MonthCalendar::ShowMonth(int year, int month) {
    if (!monthList_ || !yearList_ || !yearList_->list()->SelectValue(year) ||
        !monthList_->SetSelected(month - 1))
        return false;
    InvalidateRect(hwnd(), nullptr, true);
    return true;
}

void MonthCalendar::Paint(HDC hdc) {
    header_.Draw(*hdc);
    grid_.Draw(*hdc);
    // White lines between the cells.
    for (int x = 30; x <= 190; x += kColumnWidth)
        hdc->FillRect({x, 0, x + 2, 196}, RGB(255, 255, 255));
    for (int y = 28; y <= 168; y += kRowHeight)
        hdc->FillRect({0, y, 222, y + 2}, RGB(255, 255, 255));

    const MonthGrid g = LayoutMonth(shownYear(), shownMonth(), app().locale.localeFirstDayOfWeek);
    const COLORREF headerColour = colour(kColourBlue);
    const COLORREF sundayColour = colour(kColourRed);
    const COLORREF todayColour = colour(kColourBlue);
    const COLORREF todayText = colour(kColourWhite);

    // Header initials, already in column order.
    hdc->SelectFont(SDraw::font(kFontText));
    hdc->SetBkMode(TRANSPARENT);
    const std::u16string& initials = app().names.dayInitials;
    for (int c = 0; c < 7 && c < static_cast<int>(initials.size()); ++c) {
        hdc->SetTextColor(c == g.sundayColumn ? sundayColour : headerColour);
        hdc->DrawText(initials.substr(static_cast<size_t>(c), 1),
                      RECT{c * kColumnWidth + 1, 0, c * kColumnWidth + 30, 28},
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }

    // Day numbers.
    hdc->SelectFont(SDraw::font(kFontSmallText));
    const bool thisMonth = shownYear() == today.year && shownMonth() == today.month;
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 7; ++c) {
            const int day = g.cells[static_cast<size_t>(r)][static_cast<size_t>(c)];
            if (day == 0)
                continue;
            const int x = c * kColumnWidth, y = (r + 1) * kRowHeight;
            const RECT cell{x + 1, y + 2, x + 30, y + 28};
            COLORREF text = c == g.sundayColumn ? sundayColour : headerColour;
            if (thisMonth && day == today.day) {
                hdc->FillRect(cell, todayColour);
                text = todayText;
            }
            hdc->SetTextColor(text);
            hdc->DrawText(number(day), cell, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
}

bool MonthCalendar::OnKeyDown(int key) {
    int months = 0;
    switch (key) {
    case VK_LEFT:
    case VK_PRIOR:
        months = -1;
        break;
    case VK_RIGHT:
    case VK_NEXT:
        months = 1;
        break;
    case VK_UP:
        months = -12;
        break;
    case VK_DOWN:
        months = 12;
        break;
    case VK_HOME:
        ShowMonth(today.year, today.month);
        return true;
    default:
        return false;
    }
    const int index = shownYear() * 12 + shownMonth() - 1 + months;
    // Beyond the year list's ends the grid stays.
    ShowMonth(index / 12, index % 12 + 1);
    return true;
}

LRESULT MonthCalendar::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgChanged) {
        // Another month or year was picked.
        InvalidateRect(hwnd, nullptr, true);
        return 0;
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

// ---- Accessibility ---------------------------------------------------------------------------

void MonthCalendar::NameLists() {
    // "Months" and "Years" of the time units' list.
    const std::u16string units = LoadStringResource(kStrTimeUnits);
    const ParsedList parsed = ParseList(units);
    if (monthList_)
        SetAccessibleLabel(monthList_->hwnd(), std::u16string(ListItem(units, parsed, 5)));
    if (yearList_)
        SetAccessibleLabel(yearList_->hwnd(), std::u16string(ListItem(units, parsed, 6)));
}

Accessible MonthCalendar::accessibility() const {
    Accessible a;
    a.role = QAccessible::Table;
    if (monthList_ && monthList_->engine())
        a.value = dev::toQString(monthList_->engine()->Item(monthList_->selected())) +
                  QLatin1Char(' ') + QString::number(shownYear());
    a.name = windowTitle().isEmpty() ? a.value : windowTitle();
    return a;
}

} // namespace hv::tk

#include "items/ui/alarmsview.h"

#include "device/device.h"
#include "device/text.h"
#include "items/ui/alarmstexts.h"
#include "shellcore/shellcore.h"
#include "toolkit/platform/platform.h"
#include "toolkit/window/accessible.h"

#include <algorithm>
#include <cstring>

namespace hv::itemsui {

using namespace hv::tk;
using namespace alarmslayout;

MAlarms::MAlarms(view::ViewContext& ctx, int number) : View(ctx, number) {
    registerItemsStrings();
}

MAlarms::~MAlarms() {
    dialog_.reset();
    tabs_.reset();
    for (Row& r : rows_)
        r.picker.reset();
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

RECT MAlarms::rowRect(int row, const RECT& part) {
    const int top = kWindow.top + row * kRowHeight;
    return {part.left, top + part.top, part.right, top + part.bottom};
}

void MAlarms::createControls() {
    if (IsWindow(hwnd()) || !ctx_.mainWindow)
        return;
    if (!Create(0, u"AlarmsDlg", u"AlarmsDlg", WS_CHILD | WS_VISIBLE, kWindow.left, kWindow.top,
                kWindow.right - kWindow.left, kWindow.bottom - kWindow.top, ctx_.mainWindow, 0,
                nullptr))
        return;
    const QFont* text = SDraw::font(kFontText);
    for (int row = 0; row < kRows; ++row) {
        Row& r = rows_[static_cast<size_t>(row)];
        const int top = row * kRowHeight;
        auto at = [top](const RECT& part) {
            return RECT{part.left, top + part.top, part.right, top + part.bottom};
        };
        r.check =
            CreateCheckBox(hwnd(), static_cast<uintptr_t>(kIdAlarmCheck + row), u"", at(kCheckBox));
        const RECT p = at(kTimePicker);
        r.picker = std::make_unique<TimePicker>(hwnd(), p.left, p.top, p.right - p.left,
                                                p.bottom - p.top, nullptr, false);
        r.settings = CreatePushButton(hwnd(), static_cast<uintptr_t>(kIdAlarmSettings + row),
                                      kTextSettings, at(kSettingsButton));
        for (HWND h : {r.check, r.settings})
            if (h && text)
                h->setFont(*text);
    }
    createTabs();
    nameControls();
    // The settings window lies over the whole main window, above this one.
    dialog_ = std::make_unique<AlarmsSetDlg>(ctx_.mainWindow, ctx_.alarms);
    dialog_->onClosed = [this](bool ok) {
        if (ok)
            fillRows();
    };
    fillRows();
}

void MAlarms::createTabs() {
    // The strip shows its own selection only; a page chosen from outside builds it anew.
    tabs_ = std::make_unique<SPTabControl>();
    tabs_->CreateOrShow(hwnd(), kTabsAt.x, kTabsAt.y, kPages, page_);
}

void MAlarms::setSubState(int sub) {
    const int page = std::clamp(sub, 0, kPages - 1);
    if (page == page_)
        return;
    page_ = page;
    if (!IsWindow(hwnd()))
        return;
    createTabs();
    fillRows();
}

void MAlarms::show() {
    if (!IsWindow(hwnd())) {
        createControls();
        return;
    }
    fillRows();
    ShowWindow(hwnd(), SW_SHOW);
}

void MAlarms::hide() {
    if (dialog_)
        dialog_->cancel();
    if (IsWindow(hwnd()))
        ShowWindow(hwnd(), SW_HIDE);
}

void MAlarms::fillRows() {
    for (int row = 0; row < kRows; ++row)
        fillRow(row);
    InvalidateRect(hwnd(), nullptr, true);
}

void MAlarms::fillRow(int row) {
    Row& r = rows_[static_cast<size_t>(row)];
    const int index = indexOf(row);
    const items::AlarmRecord& rec = ctx_.alarms.records[static_cast<size_t>(index)];
    SetWindowText(r.check, items::twoDigits(static_cast<uint64_t>(index + 1)) + u".");
    SetChecked(r.check, rec.enabled != 0);
    r.picker->SetTime(items::systemTimeOf(rec.alarmTime));
    r.picker->setChanged(false);
    r.shown = rec;
}

bool MAlarms::rowOutdated(int row) const {
    const Row& r = rows_[static_cast<size_t>(row)];
    const items::AlarmRecord& rec = ctx_.alarms.records[static_cast<size_t>(indexOf(row))];
    return std::memcmp(&r.shown, &rec, sizeof rec) != 0;
}

void MAlarms::tick(DC& dc, const dev::SystemTime& now) {
    (void)dc;
    (void)now;
    if (!IsWindow(hwnd()) || !IsWindowVisible(hwnd()))
        return;
    bool changed = false;
    for (int row = 0; row < kRows; ++row) {
        if (rowOutdated(row)) {
            fillRow(row);
            changed = true;
        }
    }
    if (changed)
        InvalidateRect(hwnd(), nullptr, false);
}

void MAlarms::paint(DC& dc) {
    // The window "AlarmsDlg" covers the view area and draws itself.
    (void)dc;
}

void MAlarms::Paint(HDC hdc) {
    hdc->FillRect(GetClientRect(hwnd()), colour(kColourWhite));
    paintSeparators(*hdc);
    paintNotes(*hdc);
    paintDays(*hdc);
}

void MAlarms::paintSeparators(DC& dc) {
    for (int i = 0; i < kSeparatorCount; ++i) {
        const int y = i * kRowHeight;
        dc.FillRect(RECT{0, y, kWindow.right - kWindow.left, y + kSeparatorHeight},
                    kSeparatorColour);
    }
}

void MAlarms::paintNotes(DC& dc) {
    dc.SelectFont(SDraw::font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    for (int row = 0; row < kRows; ++row) {
        const int top = row * kRowHeight;
        const RECT r{kNote.left, top + kNote.top, kNote.right, top + kNote.bottom};
        dc.DrawText(items::textOf(ctx_.alarms.records[static_cast<size_t>(indexOf(row))].note), r,
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
}

void MAlarms::paintDays(DC& dc) {
    dc.SelectFont(dialogFont(true));
    dc.SetBkMode(TRANSPARENT);
    for (int row = 0; row < kRows; ++row) {
        const uint8_t mask = ctx_.alarms.records[static_cast<size_t>(indexOf(row))].daysMask;
        const int top = row * kRowHeight + kDaysAt.y;
        for (int d = 0; d < 7; ++d) {
            const RECT cell{kDaysAt.x + d * kDayCellWidth, top, kDaysAt.x + (d + 1) * kDayCellWidth,
                            top + kDayCellHeight};
            // A day the alarm rings on in blue, the others faint.
            dc.SetTextColor((mask >> d) & 1 ? kDayOn : kDayOff);
            // Unclipped: a wide letter (W) may reach half a pixel past its cell.
            dc.DrawText(std::u16string_view(kTextDayLetters + d, 1), cell,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
        }
    }
}

void MAlarms::checkClicked(int row) {
    const int index = indexOf(row);
    if (IsChecked(rows_[static_cast<size_t>(row)].check))
        ctx_.alarms.checkSet(index);
    else
        ctx_.alarms.checkCleared(index);
    fillRow(row);
}

void MAlarms::timePicked(int row) {
    Row& r = rows_[static_cast<size_t>(row)];
    const std::optional<dev::FileTime> picked = dev::toFileTime(r.picker->GetTime());
    r.picker->setChanged(false);
    if (!picked)
        return;
    // A changed time leaves an armed alarm off until its box is set again.
    ctx_.alarms.timeChanged(indexOf(row), *picked);
    fillRow(row);
}

void MAlarms::openSettings(int row) {
    if (dialog_)
        dialog_->open(indexOf(row));
}

LRESULT MAlarms::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) {
        const int id = static_cast<int>(wp & 0xffff);
        if (id >= kIdAlarmCheck && id < kIdAlarmCheck + kRows) {
            checkClicked(id - kIdAlarmCheck);
            return 0;
        }
        if (id >= kIdAlarmSettings && id < kIdAlarmSettings + kRows) {
            openSettings(id - kIdAlarmSettings);
            return 0;
        }
    } else if (msg == kMsgPickerChanged) {
        for (int row = 0; row < kRows; ++row) {
            if (rows_[static_cast<size_t>(row)].picker &&
                reinterpret_cast<LPARAM>(rows_[static_cast<size_t>(row)].picker->hwnd()) == lp) {
                timePicked(row);
                return 0;
            }
        }
    } else if (msg == kMsgChanged && tabs_ && reinterpret_cast<LPARAM>(tabs_->hwnd()) == lp) {
        tabs_->setChanged(false);
        page_ = tabs_->selected();
        fillRows();
        return 0;
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

// ---- Accessibility ---------------------------------------------------------------------------

void MAlarms::nameControls() {
    const QString view = dev::toQString(shell::viewName(number()));
    for (int row = 0; row < kRows; ++row) {
        const Row& r = rows_[static_cast<size_t>(row)];
        const QString name = view + QLatin1Char(' ') + QString::number(row + 1);
        if (r.check)
            r.check->setAccessibleName(name);
        if (r.picker && r.picker->hwnd())
            r.picker->hwnd()->setAccessibleName(name);
    }
    if (tabs_ && tabs_->hwnd())
        tabs_->hwnd()->setAccessibleName(view);
}

tk::Accessible MAlarms::accessibility() const {
    tk::Accessible a;
    a.name = dev::toQString(shell::viewName(number()));
    return a;
}

} // namespace hv::itemsui

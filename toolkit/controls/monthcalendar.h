// The month grid of the General view, with its own month and year lists.
#pragma once

#include "device/systime.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

namespace hv::tk {

class MonthCalendar : public SDrawBasic, public SWindow {
public:
    static constexpr int kWidth = 224;
    static constexpr int kHeight = 268;
    static constexpr RECT kGridArea{0, 0, 222, 196};

    MonthCalendar(HWND owner, int x, int y);
    ~MonthCalendar() override;
    void Paint(HDC hdc) override;
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
    // The grid shows a month: Left and Right (Page Up and Page Down) show the previous and next
    // month, Up and Down the same month a year before and after, Home the month of today.
    bool OnKeyDown(int key) override;
    // A table of the days with the month and the year shown as its value.
    Accessible accessibility() const override;

    dev::SystemTime today{};
    dev::SystemTime previousToday{};
    // A new day: the grid marks it, and the year list grows with the years.
    void SetToday(const dev::SystemTime& now);

    int shownYear() const;
    int shownMonth() const;
    // Moves the lists to a month (as a user would pick it).
    bool ShowMonth(int year, int month);
    DropList* monthList() const { return monthList_; }
    DropNumList* yearList() const { return yearList_; }

private:
    // Names the month and year lists by the time units' names.
    void NameLists();
    Picture header_, grid_;
    DropList* monthList_ = nullptr;
    DropNumList* yearList_ = nullptr;
};

} // namespace hv::tk

// "PasRemaind": the General view's panel that shows how much of a chosen year has passed and how
// much remains, in hours, days, weeks or months. A year list and a unit list over two headers,
// each over a background picture, and the two values below them. The panel repaints when one of
// its lists changes (their WM_USER) and when the General view asks at every new hour.
#pragma once

#include "device/systime.h"
#include "timescales/timescales.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

#include <string>

namespace hv::views {

using tk::HWND;
using tk::LPARAM;
using tk::LRESULT;
using tk::RECT;
using tk::UINT;
using tk::WPARAM;

class DayProgress : public tk::SDrawBasic, public tk::SWindow {
public:
    static constexpr int kWidth = 228;
    static constexpr int kHeight = 104;
    static constexpr ProgressUnit kStartUnit = ProgressUnit::Days;
    // Layout inside the panel.
    static constexpr RECT kYearList{30, 0, 108, 28};
    static constexpr RECT kUnitList{134, 0, 220, 28};
    static constexpr RECT kPassedHeader{0, 34, 108, 68};
    static constexpr RECT kRemainedHeader{110, 34, 218, 68};
    static constexpr RECT kPassedValue{0, 70, 108, 104};
    static constexpr RECT kRemainedValue{110, 70, 218, 104};

    // Creates the panel as a child of `owner` at (x, y), hidden, showing `now`'s year in days.
    DayProgress(HWND owner, int x, int y, const dev::SystemTime& now);
    ~DayProgress() override;
    // The passed and remaining parts of the year, as its two headers and values.
    tk::Accessible accessibility() const override;

    void Paint(tk::HDC hdc) override;
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;

    // The local time the values are measured at (the owner passes on every tick's time).
    // The year list grows with the years.
    void setNow(const dev::SystemTime& now);
    const dev::SystemTime& now() const { return now_; }
    // Asks for a repaint (without erasing).
    void Refresh();

    int year() const;
    ProgressUnit unit() const;
    // Moves a list as a user's choice would (then repaints).
    bool SelectYear(int year);
    bool SelectUnit(ProgressUnit unit);

    // The values of the last paint, as drawn.
    const std::u16string& passedText() const { return passedText_; }
    const std::u16string& remainedText() const { return remainedText_; }

    tk::DropNumList* yearList() const { return yearList_; }
    tk::DropList* unitList() const { return unitList_; }

private:
    // Names the year and unit lists by the time units' names.
    void NameLists();
    void drawHeader(tk::DC& dc, tk::Picture& background, const RECT& r, int stringId);
    void drawValue(tk::DC& dc, const RECT& r, const std::u16string& text);

    dev::SystemTime now_{};
    tk::DropNumList* yearList_ = nullptr;
    tk::DropList* unitList_ = nullptr;
    tk::Picture passedBackground_, remainedBackground_;
    std::u16string passedText_, remainedText_;
};

} // namespace hv::views

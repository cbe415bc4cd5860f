// The Analog Clock view (view 2): the large analog clock with the time and the week number above
// it, and the year, the short month and day, the month name and the day name below it. The whole
// view is drawn again at every tick: the clock on a working copy of its face, sent in one
// transfer, and each text line cleared before it is written.
#pragma once

#include "clockface/analogclock.h"
#include "viewbase/view.h"

#include <string>

namespace hv::views {

using tk::POINT;
using tk::RECT;

class AnalogClockView : public view::View, public tk::SDrawBasic {
public:
    // Positions on the client area.
    static constexpr POINT kClockAt{60, 86};
    // The time (left) and "Week: n" (right) share the top line.
    static constexpr RECT kTopLine{6, 50, 470, 78};
    static constexpr RECT kWeekLine{370, 50, 470, 78};
    // The year (left) and the short month and day (right).
    static constexpr RECT kYearLine{6, 420, 474, 448};
    // The month name (left) and the day name (right).
    static constexpr RECT kNameLine{6, 454, 474, 482};

    AnalogClockView(view::ViewContext& ctx, int number);

    void paint(tk::DC& dc) override;
    void tick(tk::DC& dc, const dev::SystemTime& now) override;

    clockface::AnalogClock& clock() { return clock_; }

    // The texts the view draws at a moment.
    std::u16string weekText(const dev::SystemTime& t) const;
    static std::u16string TimeText(const dev::SystemTime& t);
    static std::u16string YearText(const dev::SystemTime& t);
    static std::u16string MonthDayText(const dev::SystemTime& t);
    static std::u16string MonthNameText(const dev::SystemTime& t);
    static std::u16string DayNameText(const dev::SystemTime& t);

private:
    void clearLines(tk::DC& dc);
    void drawTopLine(tk::DC& dc, const dev::SystemTime& now);
    void drawDateLines(tk::DC& dc, const dev::SystemTime& now);
    RECT weekRect(tk::DC& dc, const std::u16string& week) const;

    clockface::AnalogClock clock_;
};

} // namespace hv::views

// The General view (view 0): the analog clock with the time under it, the month calendar, the
// year's progress panel, today's date and the week number. The full paint draws the dividers,
// labels, date line and week number, then the tick paint; the tick paint moves the hands and, at
// a new day, moves the calendar's today on and refreshes the panel and the date lines, at a new
// hour refreshes the panel.
#pragma once

#include "clockface/analogclock.h"
#include "toolkit/controls/monthcalendar.h"
#include "viewbase/view.h"
#include "views/dayprogress.h"

#include <memory>

namespace hv::views {

using tk::POINT;

class GeneralView : public view::View, public tk::SDrawBasic {
public:
    // Positions on the client area.
    static constexpr POINT kClockAt{20, 60};
    static constexpr POINT kCalendarAt{240, 60};
    static constexpr POINT kProgressAt{240, 350};
    static constexpr RECT kUpperDivider{0, 334, 480, 342};
    static constexpr RECT kLowerDivider{0, 480, 480, 488};
    static constexpr RECT kTodayLabel{20, 350, 200, 380};
    static constexpr RECT kWeekLabel{20, 430, 200, 460};
    static constexpr POINT kDateLineAt{20, 390};
    // What a new day clears before the date line is written again (up to the panel).
    static constexpr RECT kDateLineArea{20, 390, 240, 420};
    // The week number's column; it moves right when "Week:" runs into it.
    static constexpr RECT kWeekNumber{100, 430, 300, 460};
    // On the face: repainted with erasing when the day changes.
    static constexpr RECT kDayChangeArea{10, 195, 100, 225};

    GeneralView(view::ViewContext& ctx, int number);
    ~GeneralView() override;

    void show() override;
    void hide() override;
    void paint(tk::DC& dc) override;
    void tick(tk::DC& dc, const dev::SystemTime& now) override;

    clockface::AnalogClock& clock() { return clock_; }
    // The child windows; null before the view was first shown.
    tk::MonthCalendar* calendar() const { return calendar_.get(); }
    DayProgress* dayProgress() const { return progress_.get(); }

    // The texts of the date line and the week number at a moment.
    static std::u16string DateLineText(const dev::SystemTime& t);
    std::u16string weekNumberText(const dev::SystemTime& t) const;

private:
    void createChildren();
    void drawDividers(tk::DC& dc);
    void drawLabels(tk::DC& dc);
    void drawDateLine(tk::DC& dc, const dev::SystemTime& now);
    void drawWeekNumber(tk::DC& dc, const dev::SystemTime& now);
    RECT weekNumberRect(tk::DC& dc) const;
    bool dayChanged(const dev::SystemTime& now) const;
    void turnDay(tk::DC& dc, const dev::SystemTime& now);
    void turnHour();

    clockface::AnalogClock clock_;
    std::unique_ptr<tk::MonthCalendar> calendar_;
    std::unique_ptr<DayProgress> progress_;
    dev::SystemTime lastTick_{};
};

} // namespace hv::views

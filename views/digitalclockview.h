// The Digital Clock view (view 1): the home city with its GMT offset, the large digits with the
// seconds and the AM/PM picture, the long date, the day name and the week number, and a second
// city chosen in a city picker with its time and date. The full paint draws the dividers, the
// grey bars and the home-city line, then the tick paint; the tick paint redraws every
// time-dependent text and composes the digits off screen, sent to the screen in one transfer.
#pragma once

#include "toolkit/controls/droplist.h"
#include "toolkit/window/picture.h"
#include "viewbase/view.h"

#include <QFont>
#include <QImage>

#include <array>
#include <memory>
#include <string>

namespace hv::views {

using tk::POINT;
using tk::RECT;

class DigitalClockView : public view::View, public tk::SDrawBasic {
public:
    // Positions on the client area.
    static constexpr RECT kUpperDivider{0, 394, 480, 402};
    static constexpr RECT kLowerDivider{0, 480, 480, 488};
    static constexpr RECT kUpperBar{0, 82, 480, 84};
    static constexpr RECT kLowerBar{0, 280, 480, 282};
    static constexpr RECT kHomeLine{50, 50, 480, 78};
    // The long date; the day name and the week follow one line step lower each.
    static constexpr RECT kLongDateLine{50, 292, 480, 320};
    static constexpr int kLineStep = 32;
    // The second city: its picker, its time, and its date one date step below the time.
    static constexpr POINT kCityPickerAt{20, 408};
    // Right-aligned beside the picker, so that a long date stays whole.
    static constexpr RECT kCityTime{304, 408, 472, 436};
    static constexpr int kCityDateStep = 40;
    // The digits: composed in a bitmap of their own, copied to the screen at kDigitsAt.
    static constexpr POINT kDigitsAt{0, 110};
    static constexpr int kDigitsWidth = 480;
    static constexpr int kDigitsHeight = 170;
    // Inside the digits bitmap.
    static constexpr RECT kHoursMinutes{0, 0, 368, 170};
    static constexpr RECT kSeconds{370, 0, 480, 170};
    static constexpr POINT kAmPmAt{380, 78};
    // Two 66 x 66 pictures side by side: morning, afternoon.
    static constexpr int kAmPmImage = 203;
    static constexpr int kAmPmFrames = 2;
    static constexpr tk::COLORREF kBarColour = view::kGreyRule;

    DigitalClockView(view::ViewContext& ctx, int number);
    ~DigitalClockView() override;

    void show() override;
    void hide() override;
    void paint(tk::DC& dc) override;
    void tick(tk::DC& dc, const dev::SystemTime& now) override;
    // A choice in the city picker: its time and date are drawn again at once.
    bool notify(tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;
    void storeExitState(SettingsRecord& s) const override;

    // The second city's picker; null before the view was first shown.
    tk::CityList* cityList() const { return cityList_.get(); }

    // "Name (GMT +5:30)" for a city name and its standard offset in minutes east of UTC.
    static std::u16string HomeLineText(std::u16string_view name, int offsetMinutes);
    // The texts the view draws at a moment.
    std::u16string homeLineText() const;
    std::u16string longDateText(const dev::SystemTime& t) const;
    static std::u16string DayNameText(const dev::SystemTime& t);
    std::u16string weekText(const dev::SystemTime& t) const;
    std::u16string hoursMinutesText(const dev::SystemTime& t) const;
    static std::u16string SecondsText(const dev::SystemTime& t);
    // The second city's time and date as the last tick drew them.
    const std::u16string& cityTimeText() const { return cityTime_; }
    const std::u16string& cityDateText() const { return cityDate_; }
    // 0 (morning) for hours 0 to 11, 1 (afternoon) for 12 to 23.
    static int AmPmIndex(const dev::SystemTime& t) { return t.hour < 12 ? 0 : 1; }

private:
    void createChildren();
    void drawDividers(tk::DC& dc);
    void drawBars(tk::DC& dc);
    void drawHomeLine(tk::DC& dc);
    void drawDateLines(tk::DC& dc, const dev::SystemTime& now);
    void drawSecondCity(tk::DC& dc, const dev::SystemTime& now);
    void drawDigits(tk::DC& dc, const dev::SystemTime& now);
    void composeDigits(tk::DC& work, const dev::SystemTime& now);
    const QFont* digitsFont(tk::DC& work, const std::u16string& text);
    const QImage& hoursMinutesLayer(const std::u16string& text, qreal ratio);
    RECT cityDateRect() const;

    std::unique_ptr<tk::CityList> cityList_;
    tk::ImageList amPm_;
    // The large-digits font made narrower for a time that would not fit its column.
    QFont fitted_;
    std::u16string cityTime_;
    std::u16string cityDate_;
    bool cityDrawn_ = false;
    // The date lines as they stand on the screen.
    std::array<std::u16string, 3> dateLines_;
    // The hours and minutes on white, for the text they show.
    QImage layer_;
    std::u16string layerText_;
};

} // namespace hv::views

// The Internet Time view (view 11): the current time in beats, and a converter between a local
// date and time and a beat value. The mode list chooses the direction: from the entered date and
// time to beats (mode 0), or from the entered date and beats to the local time (mode 1), where
// the time picker becomes the beat entry. The tick paint keeps the current beats up to date and
// follows a changed date; a changed mode or time redraws the result at once.
#pragma once

#include "toolkit/controls/droplist.h"
#include "toolkit/controls/pickers.h"
#include "viewbase/view.h"

#include <memory>
#include <string>

namespace hv::views {

using tk::POINT;
using tk::RECT;

class InternetTimeView : public view::View, public tk::SDrawBasic {
public:
    enum Mode : int { kFromStandardTime = 0, kFromInternetTime = 1 };

    // Positions on the client area.
    // Blue bars above and below the inputs, grey lines between the groups.
    static constexpr view::SectionRules kRules{
        {0, 124, 480, 128}, {0, 482, 480, 486}, {0, 178, 480, 180}, {0, 324, 480, 326}};
    static constexpr RECT kTitle{50, 60, 480, 108};
    static constexpr RECT kBeatsNow{320, 60, 430, 108};
    // Wide enough for the longer mode in the small text face.
    static constexpr RECT kModeList{40, 140, 470, 168};
    static constexpr RECT kDateLabel{0, 210, 170, 238};
    static constexpr RECT kTimeLabel{0, 266, 170, 294};
    static constexpr POINT kDatePickerAt{182, 204};
    static constexpr POINT kTimePickerAt{182, 260};
    static constexpr int kDatePickerWidth = 170;
    static constexpr int kTimePickerWidth = 170;
    static constexpr int kPickerHeight = 42;
    // The result: its label and value, then "Date:" and the result's date.
    static constexpr RECT kResultLabel{40, 360, 220, 388};
    static constexpr RECT kResultValue{240, 360, 400, 388};
    static constexpr RECT kResultDateLabel{40, 416, 220, 444};
    static constexpr RECT kResultDate{240, 416, 400, 444};
    // Everything the result and the time label cover, for a repaint after a change.
    static constexpr RECT kResultArea{0, 330, 480, 480};
    static constexpr tk::COLORREF kBeatColour = tk::RGB(206, 0, 49);

    InternetTimeView(view::ViewContext& ctx, int number);
    ~InternetTimeView() override;

    void show() override;
    void hide() override;
    void paint(tk::DC& dc) override;
    // The current beats; a changed date redraws the result.
    void tick(tk::DC& dc, const dev::SystemTime& now) override;
    // A choice in the mode list, a changed time or beat entry.
    bool notify(tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;

    int mode() const { return mode_; }
    // Switches the time picker between the clock time and the beat entry, as the mode list does.
    void setMode(int mode);

    // The child windows; null before the view was first shown.
    tk::DropList* modeList() const { return modes_.get(); }
    tk::DatePicker* datePicker() const { return date_.get(); }
    tk::TimePicker* timePicker() const { return time_.get(); }

    // The texts of the result at the entered values.
    struct Result {
        std::u16string label; // "Internet Time:" or "Standart Time:"
        std::u16string value; // beats, or the local time
        dev::SystemTime date; // the entered date, or the converted local date
        std::u16string dateText;
    };
    Result result() const;
    std::u16string timeLabel() const;
    static std::u16string BeatsNowText(const dev::SystemTime& now);

private:
    void createChildren();
    dev::SystemTime enteredDateTime() const;
    void drawTitle(tk::DC& dc);
    void drawBeatsNow(tk::DC& dc, const dev::SystemTime& now);
    void drawLabels(tk::DC& dc);
    void drawResult(tk::DC& dc);
    void redrawResult();

    std::unique_ptr<tk::DropList> modes_;
    std::unique_ptr<tk::DatePicker> date_;
    std::unique_ptr<tk::TimePicker> time_;
    int mode_ = kFromStandardTime;
    // The clock time the picker showed before it became the beat entry.
    dev::SystemTime remembered_{};
};

} // namespace hv::views

// The "Sun rise/set" view: for the home city and a date the user picks, the time of sunrise and
// sunset, or of the beginning and end of civil, nautical or astronomical twilight. A date picker
// and the "Type:" list sit above a grey rule; the sunrise line, the picture of the Sun's path and
// the sunset line below it. Every paint recomputes from the picker's date.
#pragma once

#include "astro/ui/astrotexts.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/controls/pickers.h"
#include "toolkit/window/SDraw.h"
#include "viewbase/view.h"

#include <QImage>

#include <memory>

namespace hv::astroui {

// Where the view draws (logical pixels of the client area).
namespace sunlayout {
inline constexpr tk::RECT kDateLabel{0, 54, 160, 82};
inline constexpr tk::RECT kTypeLabel{0, 94, 160, 122};
// The type list runs to x 370 so that "Astronomical" fits in the text font; the picker's box
// lines up with the list's box, arrow column included.
inline constexpr tk::RECT kDatePicker{170, 52, 370, 84};
inline constexpr tk::RECT kTypeList{200, 94, 370, 122};
inline constexpr tk::RECT kRule{0, 134, 480, 136};
inline constexpr tk::POINT kPicture{0, 188};
inline constexpr tk::RECT kSunriseLine{0, 148, 480, 176};
inline constexpr tk::RECT kSunsetLine{0, 446, 480, 474};
inline constexpr tk::COLORREF kRuleColour = view::kGreyRule;
inline constexpr int kPictureId = 123;
} // namespace sunlayout

class SunView : public view::View, public tk::SDrawBasic {
public:
    SunView(view::ViewContext& ctx, int number);
    ~SunView() override;

    void show() override;
    void hide() override;
    void paint(tk::DC& dc) override;
    // Follows a changed picker date (the picker only marks a change); a picker the user has not
    // touched moves on to the new day at midnight, as the status bar does.
    void tick(tk::DC& dc, const dev::SystemTime& now) override;
    // A choice in the "Type:" list.
    bool notify(tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;

    // The picker's date (today before the view is first shown) and the type list's choice.
    dev::SystemTime date() const;
    int type() const;
    // The lines of the last paint.
    const SunLines& lines() const { return lines_; }
    tk::DatePicker* datePicker() const { return picker_.get(); }
    tk::DropList* typeList() const { return types_.get(); }

private:
    void createControls();
    SunLines computeLines() const;
    void paintBackground(tk::DC& dc);
    void paintRule(tk::DC& dc);
    void paintPicture(tk::DC& dc);
    void paintLabels(tk::DC& dc);
    void paintSunLines(tk::DC& dc);
    // Recomputes and repaints the two lines on the main window.
    void takePickedDate();
    void redrawSunLines();

    std::unique_ptr<tk::DatePicker> picker_;
    std::unique_ptr<tk::DropList> types_;
    QImage picture_;
    SunLines lines_;
    bool followsToday_ = true;
};

} // namespace hv::astroui

// "Citizen like" (view 13): a steel dress watch with a silver dial, an hour, minute and red
// second hand, a 24-hour sub-dial and three LCD windows for the alarm and chime indicators, the
// date with the day name, and the time with seconds and AM/PM. Every paint composes the whole
// face off-screen and copies it to the screen in one transfer.
#pragma once

#include "views/skins/watchskin.h"

namespace hv::skins {

class MCitizenLike : public ComposedWatchSkin {
public:
    static constexpr COLORREF kLcd = tk::RGB(123, 138, 125);
    static constexpr int kBackgroundId = 159;
    static constexpr int kDigitsId = 164;       // ten 14 x 23: date, hours and minutes
    static constexpr int kSecondDigitsId = 165; // ten 12 x 19
    static constexpr int kDayNamesId = 166;     // seven 28 x 19, Sunday first
    static constexpr int kHourHandId = 160;
    static constexpr int kMinuteHandId = 161;
    static constexpr int kSecondHandId = 162;
    static constexpr int kDayDialHandId = 163;

    static constexpr RECT kAlarmIndicator{230, 220, 251, 243};
    static constexpr RECT kChimeIndicator{228, 271, 252, 287};
    static constexpr POINT kDayNameAt{300, 364};
    static constexpr int kDateY = 327;
    static constexpr int kDateX[4] = {267, 285, 312, 330};
    // AM over PM; a 24-hour display covers both.
    static constexpr RECT kBothMarks{174, 394, 185, 407};
    static constexpr RECT kPmMark{174, 401, 185, 407};
    static constexpr RECT kAmMark{174, 394, 185, 400};
    static constexpr int kTimeY = 393;
    static constexpr int kTimeX[4] = {188, 206, 231, 249};
    static constexpr int kSecondsY = 397;
    static constexpr int kSecondsX[2] = {269, 284};

    // Drawn in this order: sub-dial, minute, hour, second.
    static constexpr clockface::StripHandGeometry kDayDialHand{44, 168, 178, 282, 360};
    static constexpr clockface::StripHandGeometry kMinuteHand{130, 228, 252, 203, 439};
    static constexpr clockface::StripHandGeometry kHourHand{114, 228, 252, 219, 423};
    static constexpr clockface::StripHandGeometry kSecondHand{198, 188, 292, 175, 467};

    MCitizenLike(view::ViewContext& ctx, int number);

private:
    int backgroundId() const override { return kBackgroundId; }
    void loadSkinImages() override;
    void freeSkinImages() override;
    void drawFace(tk::DC& dc, const dev::SystemTime& now) const override;
    void drawDate(tk::DC& dc, const dev::SystemTime& now) const;
    void drawAmPm(tk::DC& dc, const dev::SystemTime& now) const;
    void drawTime(tk::DC& dc, const dev::SystemTime& now) const;
    void drawHands(tk::DC& dc, const dev::SystemTime& now) const;

    tk::ImageList digits_, secondDigits_, dayNames_;
    clockface::HandStrip hourHand_, minuteHand_, secondHand_, dayDialHand_;
};

} // namespace hv::skins

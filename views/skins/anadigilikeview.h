// "Ana-Digi like" (view 15): an analog-digital watch with hour and minute hands on a black dial,
// a seconds sub-dial beside it and an LCD below with the time, the date, AM/PM and the alarm and
// chime indicators. Every paint composes the whole face off-screen and copies it in one transfer.
#pragma once

#include "views/skins/watchskin.h"

namespace hv::skins {

class MAnaDigiLike : public ComposedWatchSkin {
public:
    static constexpr COLORREF kLcd = tk::RGB(156, 156, 148);
    static constexpr int kBackgroundId = 174;
    static constexpr int kDigitsId = 178; // ten 18 x 29: date and time
    static constexpr int kMarksId = 180;  // AM, PM: 10 x 6 on white, white transparent
    static constexpr int kHourHandId = 175;
    static constexpr int kMinuteHandId = 176;
    static constexpr int kSecondHandId = 177;

    static constexpr RECT kAlarmIndicator{178, 398, 199, 421};
    static constexpr RECT kChimeIndicator{135, 402, 159, 418};
    static constexpr int kDateY = 386;
    static constexpr int kDateX[4] = {258, 281, 315, 338};
    static constexpr int kTimeY = 327;
    static constexpr int kTimeX[4] = {258, 281, 315, 338};
    static constexpr POINT kMarkAt{250, 332};

    // Drawn in this order: minute, hour, second (on the sub-dial).
    static constexpr clockface::StripHandGeometry kMinuteHand{49, 172, 188, 174, 256};
    static constexpr clockface::StripHandGeometry kHourHand{48, 172, 188, 175, 255};
    static constexpr clockface::StripHandGeometry kSecondHand{55, 284, 324, 180, 250};

    MAnaDigiLike(view::ViewContext& ctx, int number);

private:
    int backgroundId() const override { return kBackgroundId; }
    void loadSkinImages() override;
    void freeSkinImages() override;
    void drawFace(tk::DC& dc, const dev::SystemTime& now) const override;
    void drawDate(tk::DC& dc, const dev::SystemTime& now) const;
    void drawTime(tk::DC& dc, const dev::SystemTime& now) const;
    void drawAmPm(tk::DC& dc, const dev::SystemTime& now) const;
    void drawHands(tk::DC& dc, const dev::SystemTime& now) const;

    tk::ImageList digits_, marks_;
    clockface::HandStrip hourHand_, minuteHand_, secondHand_;
};

} // namespace hv::skins

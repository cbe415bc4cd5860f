// "Casio like" (view 14): a resin digital watch with one large LCD: the day-of-week bar, the day
// name, the year, the date, AM/PM, and the time with seconds in large digits. It has no moving
// hands, so a tick draws only the digit cells straight over the face.
#pragma once

#include "views/skins/watchskin.h"

namespace hv::skins {

class MCasioLike : public WatchSkin {
public:
    static constexpr COLORREF kLcd = tk::RGB(161, 173, 163);
    static constexpr int kBackgroundId = 168;
    static constexpr int kTimeDigitsId = 169; // ten 31 x 51
    static constexpr int kDateDigitsId = 170; // ten 14 x 23
    static constexpr int kYearDigitsId = 171; // ten 20 x 20
    static constexpr int kDayNamesId = 172;   // seven 68 x 20, Sunday first

    static constexpr RECT kAlarmIndicator{347, 240, 368, 263};
    static constexpr RECT kChimeIndicator{346, 267, 370, 283};
    // The bar under the day's initial: x = 155 + 26 x day of week.
    static constexpr int kDayBarLeft = 155;
    static constexpr int kDayBarStep = 26;
    static constexpr int kDayBarWidth = 18;
    static constexpr int kDayBarTop = 258;
    static constexpr int kDayBarBottom = 264;
    static constexpr POINT kDayNameAt{113, 302};
    static constexpr int kYearX[2] = {197, 221};
    static constexpr int kYearY = 302;
    static constexpr int kDateX[4] = {285, 303, 336, 354};
    static constexpr int kDateY = 302;
    // PM left of AM; a 24-hour display covers both.
    static constexpr RECT kBothMarks{121, 335, 172, 341};
    static constexpr RECT kPmMark{121, 335, 135, 341};
    static constexpr RECT kAmMark{158, 335, 172, 341};
    static constexpr int kTimeY = 345;
    static constexpr int kTimeX[6] = {112, 149, 199, 236, 302, 339};

    MCasioLike(view::ViewContext& ctx, int number);

    void paint(tk::DC& dc) override;
    void tick(tk::DC& dc, const dev::SystemTime& now) override;

    static RECT dayBar(int dayOfWeek);

private:
    int backgroundId() const override { return kBackgroundId; }
    void loadSkinImages() override;
    void freeSkinImages() override;
    void drawDayBar(tk::DC& dc, const dev::SystemTime& now);
    void drawDate(tk::DC& dc, const dev::SystemTime& now) const;
    void drawAmPm(tk::DC& dc, const dev::SystemTime& now) const;
    void drawTime(tk::DC& dc, const dev::SystemTime& now) const;

    tk::ImageList timeDigits_, dateDigits_, yearDigits_, dayNames_;
    int barDay_ = -1; // the day whose bar is drawn
};

} // namespace hv::skins

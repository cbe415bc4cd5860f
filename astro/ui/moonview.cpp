#include "astro/ui/moonview.h"

#include "device/device.h"
#include "toolkit/window/picture.h"

namespace hv::astroui {

using namespace hv::tk;
using namespace moonlayout;

RECT moonLineRect(int line) {
    const int top = kFirstLineY + line * kLineHeight;
    return {kLabelX, top, kValueRight, top + kLineHeight};
}

MoonView::MoonView(view::ViewContext& ctx, int number) : View(ctx, number) {
    registerAstroStrings();
    firstStrip_ = LoadImageResource(kFirstStripId);
    secondStrip_ = LoadImageResource(kSecondStripId);
    background_ = LoadImageResource(kBackgroundId);
    icons_ = LoadImageResource(kIconStripId);
    panelFont_ = MakeFont(fontFamily(), kPanelFontCell, 400, false);
    canvas_ = CreateCompatibleBitmap(view::kClientRect.right, view::kClientRect.bottom);
}

MoonView::~MoonView() = default;

bool MoonView::southern() const {
    const CityRecord* home = ctx_.cities.homeRecord();
    return home && home->north == 0;
}

void MoonView::compose(const astro::MoonClock& at) {
    report_ = astro::EvaluateMoon(at, southern());
    panel_ = moonPanelFor(report_);
    DC dc(&canvas_);
    paintPanel(dc);
    paintPicture(dc);
    paintLabels(dc);
    paintValues(dc);
    paintPrincipalPhases(dc);
}

void MoonView::paint(DC& dc) {
    dc.FillRect(view::kViewArea, colour(kColourWhite));
    const dev::SystemTime now = dev::getLocalTime();
    lastMinute_ = now.hour * 60 + now.minute;
    compose(astro::MoonClockNow());
    transfer(dc);
}

void MoonView::tick(DC& dc, const dev::SystemTime& now) {
    const int minute = now.hour * 60 + now.minute;
    if (minute == lastMinute_)
        return;
    lastMinute_ = minute;
    compose(astro::MoonClockNow());
    transfer(dc);
}

void MoonView::transfer(DC& dc) const {
    dc.BitBlt(kPanel.left, kPanel.top, kPanel.right - kPanel.left, kPanel.bottom - kPanel.top,
              canvas_, kPanel.left, kPanel.top);
}

void MoonView::paintPanel(DC& dc) {
    dc.FillRect(kPanel, kPanelColour);
    dc.FillRect(kRule, kRuleColour);
}

void MoonView::paintPicture(DC& dc) {
    if (!background_.isNull())
        dc.BitBlt(kPicture.x, kPicture.y, kPictureSize, kPictureSize, background_, 0, 0);
    const int index = panel_.picture;
    const QImage& strip = index < kStripFrames ? firstStrip_ : secondStrip_;
    if (strip.isNull())
        return;
    const int frame = index % kStripFrames;
    dc.TransparentImage(kPicture.x, kPicture.y, kPictureSize, kPictureSize, strip,
                        frame * kPictureSize, 0, kPictureSize, kPictureSize, kPictureKey);
}

void MoonView::paintLabels(DC& dc) {
    dc.SelectFont(&panelFont_);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kLabelColour);
    const std::pair<int, int> labels[] = {
        {kLinePhase, kStrPhase},       {kLineVisible, kStrVisible}, {kLineAge, kStrAge},
        {kLineDistance, kStrDistance}, {kLineApogee, kStrApogee},   {kLinePerigee, kStrPerigee},
    };
    for (const auto& [line, id] : labels)
        dc.DrawText(astroString(id), moonLineRect(line), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    dc.TextOut(kMoonAt.x, kMoonAt.y, astroString(kStrMoonAt));
}

void MoonView::paintValues(DC& dc) {
    dc.SelectFont(&panelFont_);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kValueColour);
    const UINT right = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;
    dc.DrawText(panel_.phase, moonLineRect(kLinePhase), right);
    dc.DrawText(panel_.visible, moonLineRect(kLineVisible), right);
    dc.DrawText(panel_.age, moonLineRect(kLineAge), right);
    dc.DrawText(panel_.distance, moonLineRect(kLineDistance), right);
    paintApsis(dc, kLineApogee, panel_.apogee);
    paintApsis(dc, kLinePerigee, panel_.perigee);
}

// The time on the label's line; below it the date from the label column and the distance.
void MoonView::paintApsis(DC& dc, int line, const ApsisLines& a) {
    dc.DrawText(a.time, moonLineRect(line), DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    dc.DrawText(a.date, moonLineRect(line + 1), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    dc.DrawText(a.distance, moonLineRect(line + 1), DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

void MoonView::paintPrincipalPhases(DC& dc) {
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kValueColour);
    for (size_t i = 0; i < kPhaseSlots.size(); ++i) {
        const POINT at = kPhaseSlots[i];
        const PhaseLines& p = panel_.phases[i];
        if (!icons_.isNull())
            dc.BitBlt(at.x, at.y, kPhaseIconSize, kPhaseIconSize, icons_, p.icon * kPhaseIconSize,
                      0);
        const int x = at.x + kPhaseTextDx;
        const int half = kPhaseIconSize / 2;
        const RECT time{x, at.y, x + kPhaseTextWidth, at.y + half};
        const RECT date{x, at.y + half, x + kPhaseTextWidth, at.y + kPhaseIconSize};
        dc.DrawText(p.time, time, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        dc.DrawText(p.date, date, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
}

} // namespace hv::astroui

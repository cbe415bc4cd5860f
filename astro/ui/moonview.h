// The "Moon Phases" view: on a black panel, the picture of the Moon's current phase over the dim
// earth-lit disk (mirrored for a southern home city), the phase name, the visible part, the age,
// the distance, the current apogee and perigee, and below a white rule the next four principal
// phases with their icons, local times and short dates. Every paint evaluates the Moon for the
// device clock's instant; the panel is composed off screen and copied in one transfer.
#pragma once

#include "astro/ui/astrotexts.h"
#include "toolkit/window/SDraw.h"
#include "viewbase/view.h"

#include <QImage>

#include <array>

namespace hv::astroui {

namespace moonlayout {
inline constexpr tk::RECT kPanel{0, 46, 480, 488};
inline constexpr tk::RECT kRule{0, 332, 480, 334};
inline constexpr tk::POINT kPicture{10, 64};
inline constexpr int kPictureSize = 200;
// The label column and the right edge of the values; one line every 28 pixels from y 56.
inline constexpr int kLabelX = 230;
inline constexpr int kValueRight = 470;
inline constexpr int kFirstLineY = 56;
inline constexpr int kLineHeight = 28;
// Lines of the labels and values.
enum Line : int {
    kLinePhase = 0,
    kLineVisible,
    kLineAge,
    kLineDistance,
    kLineApogee,     // apogee time
    kLineApogeeDate, // its date and distance
    kLinePerigee,    // "two lines lower" than the apogee
    kLinePerigeeDate,
};
inline constexpr tk::POINT kMoonAt{60, 294};
// The four principal phases in time order: the icon's corner; the time and the date beside it.
inline constexpr std::array<tk::POINT, 4> kPhaseSlots{
    {{10, 346}, {10, 412}, {250, 346}, {250, 412}}};
inline constexpr int kPhaseIconSize = 64;
inline constexpr int kPhaseTextDx = 80; // from x 90 or 330
inline constexpr int kPhaseTextWidth = 150;
// The panel's own font (cell height): every label with its value, and every apsis date with its
// distance, fits its line of the 240-pixel column beside the picture with room between them.
inline constexpr int kPanelFontCell = 20;
inline constexpr tk::COLORREF kLabelColour = tk::RGB(255, 206, 49);
inline constexpr tk::COLORREF kValueColour = tk::RGB(255, 255, 255);
inline constexpr tk::COLORREF kPanelColour = tk::RGB(0, 0, 0);
inline constexpr tk::COLORREF kRuleColour = tk::RGB(255, 255, 255);
inline constexpr tk::COLORREF kPictureKey = tk::RGB(255, 255, 255);
// Image resources: the two phase strips (0..11 and 12..23), the background, the icon strip.
inline constexpr int kFirstStripId = 120;
inline constexpr int kSecondStripId = 217;
inline constexpr int kBackgroundId = 121;
inline constexpr int kIconStripId = 122;
inline constexpr int kStripFrames = 12;
} // namespace moonlayout

class MoonView : public view::View, public tk::SDrawBasic {
public:
    MoonView(view::ViewContext& ctx, int number);
    ~MoonView() override;

    void paint(tk::DC& dc) override;
    // The age changes with the minute: the panel is drawn again when the minute turns.
    void tick(tk::DC& dc, const dev::SystemTime& now) override;

    // What the last paint evaluated and wrote.
    const astro::MoonReport& report() const { return report_; }
    const MoonPanel& panel() const { return panel_; }
    bool southern() const;

    // The composing steps on their own, for tests and the benchmark: the panel for an instant
    // drawn into a bitmap of the client area's size.
    void compose(const astro::MoonClock& at);
    const QImage& composed() const { return canvas_; }

private:
    void paintPanel(tk::DC& dc);
    void paintPicture(tk::DC& dc);
    void paintLabels(tk::DC& dc);
    void paintValues(tk::DC& dc);
    void paintApsis(tk::DC& dc, int line, const ApsisLines& a);
    void paintPrincipalPhases(tk::DC& dc);
    void transfer(tk::DC& dc) const;

    QImage firstStrip_, secondStrip_, background_, icons_;
    QFont panelFont_;
    QImage canvas_;
    astro::MoonReport report_;
    MoonPanel panel_;
    int lastMinute_ = -1;
};

// The rectangle of a label or value line.
tk::RECT moonLineRect(int line);

} // namespace hv::astroui

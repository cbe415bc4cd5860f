// The drawing mix-ins and the process-wide drawing resources they own: the nine fonts, the
// picture-and-colour table, the icon strip, the divider picture and the locale lists. The first
// SDrawBasic builds them, the last one frees them.
#pragma once

#include "device/systime.h"
#include "toolkit/window/picture.h"

#include <QFont>
#include <QImage>

#include <array>
#include <memory>
#include <string>

namespace hv::tk {

enum FontIndex : int {
    kFontTitle = 0,
    kFontLargeDigits,
    kFontSecondsDigits,
    kFontTextBold,
    kFontText,
    kFontSmallText,
    kFontLargeLightDigits,
    kFontMediumDigits,
    kFontMediumText,
    // Below small text, for a list whose longest item fits its box in no face of the table.
    kFontSmallestText,
    kFontCount
};

// IMAGE resource numbers the toolkit loads itself.
enum : int {
    kImageInterfaceStrip = 211,
    kImageIconStrip = 212,
    kImageGeneralFace = 125,
    kImageAnalogFace = 119,
    kImageSmallFace = 124,
};

// Icons of the icon strip: 0-7 the status bar's kinds (alarm, timer, stopwatch, sunrise, sunset,
// Internet time, date, time), 8 the timed rows' bell, 9 and 10 the view list button (normal and
// pressed), 11 the drop list arrow.
inline constexpr int kIconTimed = 8;
inline constexpr int kIconViewList = 9;
inline constexpr int kIconViewListPressed = 10;
inline constexpr int kIconArrow = 11;
inline constexpr int kIconSize = 34;
inline constexpr COLORREF kMagenta = RGB(255, 0, 255);

// Colour slots of the view colour table.
enum ColourSlot : int {
    kColourDigits = 0, // (57, 83, 157)
    kColourText,       // black
    kColourBlue,       // (57, 83, 157)
    kColourWhite,
    kColourRed, // (255, 0, 0)
    kColourBlack,
    kColourSlots
};

struct ImageRegion {
    int image = 0;
    RECT rect;
};

// Regions of the interface strip beside the button and divider regions.
enum StripRegion : int {
    kRegionEdgeLeft = 0, // (0, 0)-(1, 44)
    kRegionEdgeRight,    // (1, 0)-(2, 44)
    kRegionHeaderGap,    // (176, 0)-(180, 44)
    kRegionWideSelected, // (56, 0)-(116, 32): the selected 60 x 32 tab
    kRegionWideNormal,   // (116, 0)-(176, 32): a 60 x 32 tab
    kRegionSmallPressed, // (180, 0)-(198, 34)
    kRegionSmallNormal,  // (198, 0)-(216, 34)
    kRegionButtonHeader, // (38, 0)-(56, 42)
    kRegionPixelBlue,    // (57, 32): 1 x 1
    kRegionPixelHeader,  // (58, 32): 1 x 1, the month calendar's header
    kRegionPixelGrid,    // (59, 32): 1 x 1, the month calendar's grid
    kRegionPixelCorner,  // (0, 0): 1 x 1
    kStripRegionCount
};

struct PictureTable {
    int imageCount = 0;
    std::array<QImage, 4> images; // 211, 125, 119, 124
    ImageRegion buttonPressed, buttonNormal, buttonDisabled;
    std::array<COLORREF, 3> buttonText{};       // pressed, normal, disabled
    std::array<COLORREF, 3> buttonTextSecond{}; // the second style
    ImageRegion divider;
    ImageRegion generalFace;
    std::array<POINT, 3> generalSamples{};
    ImageRegion analogFace;
    std::array<POINT, 3> analogSamples{};
    ImageRegion smallFace;
    std::array<COLORREF, 2> smallHandColours{};
    std::array<int, 2> smallHandWidths{};
    std::array<int, 2> smallHandRadii{};
    std::array<ImageRegion, kStripRegionCount> regions{};
    std::array<COLORREF, kColourSlots> colours{};

    const QImage* image(int index) const {
        return index >= 0 && index < imageCount ? &images[static_cast<size_t>(index)] : nullptr;
    }
    // The colour of a pixel of a loaded image (hand colour samples); black outside it.
    COLORREF sample(int imageIndex, POINT p) const;
};

// The city database as the toolkit's lists see it: names and offsets of each continent's list
// (0..5, 6 = all continents) and a city's local time. The city module provides the real one.
class CitySource {
public:
    virtual ~CitySource() = default;
    virtual int count(int continent) const = 0;
    // The name; empty outside the list.
    virtual std::u16string name(int continent, int index) const = 0;
    // Standard GMT offset in minutes, east positive.
    virtual int gmtOffset(int continent, int index) const = 0;
    // The city's local time at a UTC instant.
    // An all-zero record (month 0) when the city's time lies outside the calendar.
    virtual dev::SystemTime localTimeAt(int continent, int index, dev::FileTime utc) const = 0;
};

// The city lists and pickers read this source; the program sets it to its one city database
// before the first list is built (nullptr: no cities). Not owned.
void SetCitySource(CitySource* source);

struct DrawResources {
    std::array<QFont, kFontCount> fonts;
    PictureTable table;
    ImageList iconStrip;
    Picture divider;
    ButtonStyle buttons; // the owner-drawn button style of the preferences pages
};

class SDraw {
public:
    // The shared resources; only valid while an SDrawBasic lives.
    static DrawResources& res();
    static bool resourcesLive();
    static const QFont* font(int index);
    // The next smaller face of the text faces (text bold, text, small text, smallest text) for a
    // text that does not fit its box; null below smallest text and for the other faces.
    static const QFont* smallerFont(const QFont* f);
    static COLORREF colour(int slot);
    static const ImageList& icons();
    static CitySource* cities();
    // Draws the divider picture stretched over a rectangle.
    static void DrawDivider(DC& dc, const RECT& r);
    // The face name every font of the programs uses: "Tahoma" (registered with Qt on the first
    // call) when its files are installed, else "DejaVu Sans". Needs a Qt application.
    static QString fontFamily();
};

class SDrawBasic : public SDraw {
public:
    SDrawBasic();
    virtual ~SDrawBasic();
    SDrawBasic(const SDrawBasic&) = delete;
    SDrawBasic& operator=(const SDrawBasic&) = delete;
    static int liveCount();
};

// A font of the handheld's kind: the height is the whole character cell in pixels.
QFont MakeFont(const QString& family, int cellHeight, int weight, bool antialiased);

} // namespace hv::tk

// The programs' pictures, drawn at build time by tools/imagegen and carried
// as Qt resources under their resource numbers.
#pragma once

#include <QImage>
#include <QRgb>
#include <QString>

#include <span>

namespace hv::images {

// Registers the resources; called by load(), harmless to call again.
void init();

// Resource path of a picture, ":/img/<id>.png".
QString path(int resourceId);

// The picture, or a null image when there is no such resource.
QImage load(int resourceId);

// The clock faces (119, 124, 125) and the world maps (118, 138) drawn
// kDetailedScale times larger, for windows shown at a scale factor; a null
// image for other numbers. The
// pixels carry no device pixel ratio (1).
inline constexpr int kDetailedScale = 3;
QImage loadDetailed(int resourceId);

// What the views expect of each picture: its size and how many equal frames
// it holds side by side (1 for a single picture).
struct Entry {
    int id;
    int width;
    int height;
    int frames;
};
std::span<const Entry> catalogue();

// Colours that mean "transparent" in some of the strips.
inline constexpr QRgb kIconKey = 0xffff00ff; // icon strip 212: magenta
inline constexpr QRgb kTreeKey = 0xff00ff00; // tree images 198: green
inline constexpr QRgb kMoonKey = 0xffffffff; // moon strips 120, 217; marks 180: white
inline constexpr QRgb kHandKey = 0xff000000; // hand strips 160-163, 175-177: black

} // namespace hv::images

// Shared helpers of the image generator: image creation, colour keys, LCD
// segment digits, small pixel glyphs and fonts.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <functional>
#include <map>
#include <vector>

namespace imagegen {

// Every drawn picture goes into this table under its resource number.
using Catalogue = std::map<int, QImage>;

QImage blank(int w, int h, QColor fill);
QImage transparent(int w, int h);

// Starts a painter with antialiasing and smooth image transforms.
void begin(QPainter& p, QImage& img);

// Turns a picture drawn on transparency into an opaque one keyed by `key`:
// pixels more transparent than `minAlpha` become the key, the others are
// blended over `under` (the colour the picture will usually lie on), so the
// edges stay smooth without a halo of the key colour.
QImage flattenKeyed(const QImage& argb, QColor under, QColor key, int minAlpha = 40);

// Draws a frame strip: `count` frames of w x h laid left to right, each
// painted by `paint(painter, index)` with the origin at the frame's corner.
QImage strip(int count, int w, int h, QColor fill,
             const std::function<void(QPainter&, int)>& paint);

// Seven-segment digit in `cell`; `slant` shifts the top right by that
// fraction of the height, `thick` is the segment thickness in pixels.
void segmentDigit(QPainter& p, const QRectF& cell, int digit, QColor on, double thick,
                  double slant = 0.08);

// Tiny 5 x 6 pixel letters A, P and M for LCD indicators; `narrow` draws A
// and P 4 pixels wide.
void pixelText(QImage& img, int x, int y, const char* text, QColor c, bool narrow = false);

QFont font(const QString& family, double pixelSize, int weight = QFont::Normal,
           double letterSpacing = 0);

QColor mix(QColor a, QColor b, double t);

// Pictures of each group; each adds its resource numbers to `out`.
void drawInterface(Catalogue& out);
// The clock faces; `scale` > 1 draws them that many times larger for sharp
// display on scaled windows (the hand-colour pixels exist only at scale 1).
void drawFaces(Catalogue& out, int scale = 1);
inline constexpr int kDetailedFaceScale = 3;
void drawAstro(Catalogue& out, const std::vector<std::vector<QPointF>>& land);
// The day and night world maps (118, 138) at a whole multiple of their 480 x 240 pixels.
void drawMaps(Catalogue& out, const std::vector<std::vector<QPointF>>& land, int scale);
void drawSkins(Catalogue& out);

// The desktop icon in the folder layout of an icon theme, PNG at the theme's sizes and SVG.
inline constexpr char kIconName[] = "com.brinwick.Horavel";
bool writeIcons(const QString& folder, const QString& name);

// Composes the skins and faces as the views do, for a person to look at.
bool writePreviews(const Catalogue& pictures, const QString& folder);

} // namespace imagegen

#include "draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace imagegen {

QImage blank(int w, int h, QColor fill) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

QImage transparent(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void begin(QPainter& p, QImage& img) {
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QColor mix(QColor a, QColor b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QImage flattenKeyed(const QImage& argb, QColor under, QColor key, int minAlpha) {
    const QImage src = argb.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.size(), QImage::Format_RGB32);
    const QRgb keyRgb = key.rgb() | 0xff000000u;
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const int a = qAlpha(in[x]);
            if (a < minAlpha) {
                o[x] = keyRgb;
                continue;
            }
            auto blend = [&](int c, int u) { return (c * a + u * (255 - a) + 127) / 255; };
            QRgb c = qRgb(blend(qRed(in[x]), under.red()), blend(qGreen(in[x]), under.green()),
                          blend(qBlue(in[x]), under.blue()));
            if ((c | 0xff000000u) == keyRgb) // never let a drawn pixel vanish
                c = qRgb(qRed(c) ^ 1, qGreen(c), qBlue(c));
            o[x] = c;
        }
    }
    return out;
}

QImage strip(int count, int w, int h, QColor fill,
             const std::function<void(QPainter&, int)>& paint) {
    QImage img(w * count, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    QPainter p;
    begin(p, img);
    for (int i = 0; i < count; ++i) {
        p.save();
        p.setClipRect(i * w, 0, w, h);
        p.translate(i * w, 0);
        paint(p, i);
        p.restore();
    }
    p.end();
    return img;
}

void segmentDigit(QPainter& p, const QRectF& cell, int digit, QColor on, double t, double slant) {
    static const unsigned char kSegments[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66,
                                                0x6d, 0x7d, 0x07, 0x7f, 0x6f}; // gfedcba
    if (digit < 0 || digit > 9)
        return;
    const double h = cell.height();
    const double shear = slant * h;
    const double l = cell.left(), r = cell.right() - shear;
    const double top = cell.top(), bot = cell.bottom();
    const double g = std::max(0.45, t * 0.14);
    const double xl = l + t / 2, xr = r - t / 2;
    const double yt = top + t / 2, ym = (top + bot) / 2, yb = bot - t / 2;
    auto sh = [&](double x, double y) { return QPointF(x + slant * (bot - y), y); };
    auto horizontal = [&](double y) {
        QPolygonF poly{sh(xl + g, y), sh(xl + t / 2 + g, y - t / 2), sh(xr - t / 2 - g, y - t / 2),
                       sh(xr - g, y), sh(xr - t / 2 - g, y + t / 2), sh(xl + t / 2 + g, y + t / 2)};
        return poly;
    };
    auto vertical = [&](double x, double y0, double y1) {
        QPolygonF poly{sh(x, y0 + g), sh(x + t / 2, y0 + t / 2 + g), sh(x + t / 2, y1 - t / 2 - g),
                       sh(x, y1 - g), sh(x - t / 2, y1 - t / 2 - g), sh(x - t / 2, y0 + t / 2 + g)};
        return poly;
    };
    const QPolygonF segs[7] = {horizontal(yt), vertical(xr, yt, ym), vertical(xr, ym, yb),
                               horizontal(yb), vertical(xl, ym, yb), vertical(xl, yt, ym),
                               horizontal(ym)};
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(on);
    for (int s = 0; s < 7; ++s)
        if (kSegments[digit] & (1 << s))
            p.drawPolygon(segs[s]);
    p.restore();
}

void pixelText(QImage& img, int x, int y, const char* text, QColor c, bool narrow) {
    static const char* kA[6] = {".###.", "#...#", "#...#", "#####", "#...#", "#...#"};
    static const char* kA4[6] = {".##.", "#..#", "#..#", "####", "#..#", "#..#"};
    static const char* kP[6] = {"####.", "#...#", "#...#", "####.", "#....", "#...."};
    static const char* kP4[6] = {"###.", "#..#", "#..#", "###.", "#...", "#..."};
    static const char* kM[6] = {"#...#", "##.##", "#.#.#", "#...#", "#...#", "#...#"};
    for (const char* ch = text; *ch; ++ch) {
        const char* const* g = *ch == 'A'   ? (narrow ? kA4 : kA)
                               : *ch == 'P' ? (narrow ? kP4 : kP)
                                            : kM;
        const int w = int(std::strlen(g[0]));
        for (int row = 0; row < 6; ++row)
            for (int col = 0; col < w; ++col)
                if (g[row][col] == '#' && img.rect().contains(x + col, y + row))
                    img.setPixel(x + col, y + row, c.rgb());
        x += w + 1;
    }
}

QFont font(const QString& family, double pixelSize, int weight, double letterSpacing) {
    QFont f(family);
    f.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    f.setWeight(QFont::Weight(weight));
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    if (letterSpacing != 0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return f;
}

} // namespace imagegen

// Moon pictures (phase strips 120 and 217, background 121, principal-phase
// icons 122), the Sun rise/set picture (123) and the day and night world
// maps (118, 138).

#include "draw.h"

#include <QLinearGradient>

#include <cmath>
#include <cstdint>

namespace imagegen {
namespace {

constexpr int kMoonSize = 200;     // one phase picture, and the background
constexpr double kMoonRadius = 92; // radius of the disk in those pictures
// The world maps' size in pixels: 480 x 240, or a whole multiple of it for the detailed maps
// that windows shown at a scale factor draw from. Set by drawMaps for the maps it draws.
int mapScale = 1;
int mapW = 480, mapH = 240;

// ---- Moon ---------------------------------------------------------------

double hash2(int x, int y, int seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xffffff) / double(0xffffff);
}

double valueNoise(double x, double y, int seed) {
    const int xi = int(std::floor(x)), yi = int(std::floor(y));
    const double fx = x - xi, fy = y - yi;
    auto s = [](double t) { return t * t * (3 - 2 * t); };
    const double a = hash2(xi, yi, seed), b = hash2(xi + 1, yi, seed);
    const double c = hash2(xi, yi + 1, seed), d = hash2(xi + 1, yi + 1, seed);
    return (a + (b - a) * s(fx)) + ((c + (d - c) * s(fx)) - (a + (b - a) * s(fx))) * s(fy);
}

struct Patch {
    double u, v, ru, rv, depth;
};

// The large dark plains, in disk coordinates (u right, v down, radius 1).
const Patch kMaria[] = {
    {-0.30, -0.42, 0.27, 0.21, 0.9},  {0.17, -0.38, 0.15, 0.14, 0.9},
    {0.36, -0.08, 0.20, 0.16, 0.85},  {0.70, -0.28, 0.11, 0.09, 0.95},
    {0.56, 0.14, 0.12, 0.17, 0.7},    {0.34, 0.27, 0.08, 0.08, 0.7},
    {-0.62, -0.02, 0.26, 0.45, 0.75}, {-0.16, 0.34, 0.18, 0.12, 0.7},
    {-0.50, 0.38, 0.09, 0.08, 0.8},   {0.02, -0.72, 0.42, 0.07, 0.6},
    {0.02, -0.14, 0.09, 0.07, 0.6},   {-0.05, 0.05, 0.10, 0.08, 0.4},
};

// Surface brightness (0..1) at disk coordinates (u, v), |(u, v)| <= 1.
double albedo(double u, double v) {
    double dark = 0;
    for (const Patch& m : kMaria) {
        const double du = (u - m.u) / m.ru, dv = (v - m.v) / m.rv;
        const double wobble = 0.7 * (valueNoise(u * 4 + 10, v * 4, 3) - 0.5) +
                              0.3 * (valueNoise(u * 11, v * 11 + 5, 4) - 0.5);
        const double d = std::sqrt(du * du + dv * dv) + wobble;
        dark = std::max(dark, m.depth * std::clamp((1.25 - d) / 0.6, 0.0, 1.0));
    }
    double b = 0.84 - 0.30 * dark;
    b += 0.10 * (valueNoise(u * 9, v * 9, 1) - 0.5) + 0.06 * (valueNoise(u * 23, v * 23, 2) - 0.5);
    // craters: small bright rims with darker floors
    for (int i = 0; i < 70; ++i) {
        const double cu = hash2(i, 0, 7) * 2 - 1, cv = hash2(i, 1, 7) * 2 - 1;
        const double cr = 0.012 + 0.04 * std::pow(hash2(i, 2, 7), 3);
        const double d = std::hypot(u - cu, v - cv) / cr;
        if (d < 1.25)
            b += d < 0.8 ? -0.03 : 0.05 * (1.25 - d) / 0.45;
    }
    // two young bright craters with rays
    const struct { double u, v, r; } bright[] = {{-0.12, 0.72, 0.035}, {-0.26, -0.16, 0.03}};
    for (const auto& c : bright) {
        const double d = std::hypot(u - c.u, v - c.v);
        b += 0.25 * std::exp(-std::pow(d / c.r, 2));
        const double ang = std::atan2(v - c.v, u - c.u);
        const double rays = std::pow(std::max(0.0, std::cos(ang * 7 + 1.3)), 12);
        b += 0.08 * rays * std::exp(-d / 0.35) * (d > c.r);
    }
    return std::clamp(b, 0.08, 1.0);
}

// The surface sampled once on a grid; the pictures read it back smoothly.
double albedoMap(double u, double v) {
    constexpr int N = 256;
    static const std::vector<float> grid = [] {
        std::vector<float> g(N * N);
        for (int j = 0; j < N; ++j)
            for (int i = 0; i < N; ++i)
                g[j * N + i] = float(albedo(i * 2.0 / (N - 1) - 1, j * 2.0 / (N - 1) - 1));
        return g;
    }();
    const double x = std::clamp((u + 1) * (N - 1) / 2, 0.0, N - 1.001);
    const double y = std::clamp((v + 1) * (N - 1) / 2, 0.0, N - 1.001);
    const int i = int(x), j = int(y);
    const double fx = x - i, fy = y - j;
    const double top = grid[j * N + i] * (1 - fx) + grid[j * N + i + 1] * fx;
    const double bottom = grid[(j + 1) * N + i] * (1 - fx) + grid[(j + 1) * N + i + 1] * fx;
    return top * (1 - fy) + bottom * fy;
}

QColor moonColour(double bright) {
    return QColor::fromRgbF(float(std::min(0.97, bright * 0.98)),
                            float(std::min(0.96, bright * 0.96)),
                            float(std::min(0.94, bright * 0.90)));
}

// The dim, earth-lit disk over black sky, as seen in the background picture.
QColor backgroundAt(double px, double py, double cx, double cy, double r, double cover) {
    const double u = (px - cx) / r, v = (py - cy) / r;
    if (cover <= 0)
        return Qt::black;
    const double b = albedoMap(u, v) * 0.09;
    return QColor::fromRgbF(float(b * 0.85 * cover), float(b * 0.92 * cover),
                            float(b * 1.1 * cover));
}

double coverage(double px, double py, double cx, double cy, double r) {
    return std::clamp(r - std::hypot(px - cx, py - cy) + 0.5, 0.0, 1.0);
}

// Picture of the Moon at `age` (0..1 of a lunation; 0.5 full) drawn on the
// dim disk; `unlit` is the colour for pixels the Sun does not reach (or
// std::nullopt-like: pass an invalid colour to keep the dim disk).
QImage moonPicture(int size, double r, double age, QColor unlit) {
    QImage img = blank(size, size, Qt::black);
    const double c = size / 2.0;
    const double theta = 2 * M_PI * age;
    const double sx = std::sin(theta), sz = -std::cos(theta);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double cover = coverage(px, py, c, c, r);
            const QColor bg = backgroundAt(px, py, c, c, r, cover);
            const double u = std::clamp((px - c) / r, -1.0, 1.0);
            const double v = std::clamp((py - c) / r, -1.0, 1.0);
            const double z = std::sqrt(std::max(0.0, 1 - u * u - v * v));
            const double dot = u * sx + z * sz;
            const double lit = std::clamp((dot + 0.035) / 0.07, 0.0, 1.0) * cover;
            if (lit < 0.04) {
                img.setPixel(x, y, (unlit.isValid() ? unlit : bg).rgb());
                continue;
            }
            const double shade = 0.55 + 0.45 * std::pow(std::max(0.0, dot), 0.35);
            img.setPixel(x, y, mix(bg, moonColour(albedoMap(u, v) * shade), lit).rgb());
        }
    return img;
}

QImage moonStrip(int first) {
    QImage img = blank(12 * kMoonSize, kMoonSize, Qt::white);
    QPainter p(&img);
    for (int i = 0; i < 12; ++i) {
        const int index = first + i;
        if (index == 0)
            continue; // new moon: nothing lit, all transparent
        p.drawImage(i * kMoonSize, 0, moonPicture(kMoonSize, kMoonRadius, index / 24.0, Qt::white));
    }
    p.end();
    return img;
}

QImage moonBackground() {
    QImage img = moonPicture(kMoonSize, kMoonRadius, 0.0, QColor());
    // a sprinkle of stars away from the disk
    for (int i = 0; i < 60; ++i) {
        const int x = int(hash2(i, 3, 11) * kMoonSize), y = int(hash2(i, 4, 11) * kMoonSize);
        if (std::hypot(x - kMoonSize / 2.0, y - kMoonSize / 2.0) < kMoonRadius + 4)
            continue;
        const int level = 90 + int(hash2(i, 5, 11) * 150);
        img.setPixel(x, y, qRgb(level, level, std::min(255, level + 20)));
    }
    return img;
}

QImage phaseIcons() {
    QImage img = blank(4 * 64, 64, Qt::black);
    QPainter p;
    begin(p, img);
    for (int k = 0; k < 4; ++k) {
        QImage icon = moonPicture(64, 27, k * 0.25, QColor());
        if (k == 0) { // new moon: an outline so the icon is visible at all
            QPainter q;
            begin(q, icon);
            q.setPen(QPen(QColor(120, 130, 150), 1.2));
            q.drawEllipse(QPointF(32, 32), 27, 27);
            q.end();
        }
        p.drawImage(k * 64, 0, icon);
    }
    p.end();
    return img;
}

// ---- Sun rise/set picture -------------------------------------------------

QImage sunPicture() {
    const int w = 480, h = 250, horizon = 176;
    QImage img = blank(w, h, Qt::white);
    QPainter p;
    begin(p, img);
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, QColor(255, 255, 255));
    sky.setColorAt(0.25, QColor(214, 232, 250));
    sky.setColorAt(0.8, QColor(236, 236, 232));
    sky.setColorAt(1, QColor(255, 214, 160));
    sky.setSpread(QGradient::PadSpread);
    p.fillRect(QRectF(0, 0, w, h), sky);
    // path of the Sun across the sky
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(232, 160, 60), 2, Qt::DashLine, Qt::RoundCap));
    p.drawArc(QRectF(60, 36, 360, 2 * (horizon - 36)), 0, 180 * 16);
    // the noon Sun
    QRadialGradient glow(QPointF(240, 36), 34);
    glow.setColorAt(0, QColor(255, 236, 150, 255));
    glow.setColorAt(1, QColor(255, 236, 150, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(240, 36), 34, 34);
    p.setBrush(QColor(255, 206, 60));
    p.drawEllipse(QPointF(240, 36), 15, 15);
    // rising and setting Suns on the horizon
    auto halfSun = [&](double x, QColor inner, QColor outer) {
        QRadialGradient g(QPointF(x, horizon), 26);
        g.setColorAt(0, inner);
        g.setColorAt(1, outer);
        p.setBrush(g);
        p.drawChord(QRectF(x - 24, horizon - 24, 48, 48), 0, 180 * 16);
    };
    halfSun(60, QColor(255, 220, 100), QColor(250, 150, 40));
    halfSun(420, QColor(255, 180, 90), QColor(226, 80, 40));
    // land and water
    QPainterPath hills;
    hills.moveTo(0, horizon);
    hills.cubicTo(90, horizon - 10, 150, horizon - 4, 210, horizon + 2);
    hills.cubicTo(280, horizon - 14, 360, horizon - 2, 480, horizon - 6);
    hills.lineTo(480, h);
    hills.lineTo(0, h);
    hills.closeSubpath();
    QLinearGradient ground(0, horizon - 14, 0, h);
    ground.setColorAt(0, QColor(96, 140, 100));
    ground.setColorAt(0.55, QColor(150, 186, 150));
    ground.setColorAt(1, QColor(255, 255, 255));
    p.setBrush(ground);
    p.drawPath(hills);
    // arrows: up at sunrise, down at sunset
    p.setPen(QPen(QColor(57, 83, 157), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(60, 140), QPointF(60, 112));
    p.drawPolyline(QPolygonF{{51, 121}, {60, 112}, {69, 121}});
    p.drawLine(QPointF(420, 112), QPointF(420, 140));
    p.drawPolyline(QPolygonF{{411, 131}, {420, 140}, {429, 131}});
    p.end();
    return img;
}

// ---- World maps -----------------------------------------------------------

// Rings that cross the 180th meridian are made continuous and drawn once
// more a full turn away, so both sides of the map get their part; a ring
// that goes all the way round (Antarctica) is closed along the pole.
QPainterPath landPath(const std::vector<std::vector<QPointF>>& rings) {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const auto& ring : rings) {
        std::vector<QPointF> pts;
        pts.reserve(ring.size() + 2);
        double meanLat = 0;
        for (const QPointF& ll : ring) {
            QPointF q = ll;
            if (!pts.empty()) {
                while (q.x() - pts.back().x() > 180)
                    q.rx() -= 360;
                while (q.x() - pts.back().x() < -180)
                    q.rx() += 360;
            }
            pts.push_back(q);
            meanLat += q.y() / double(ring.size());
        }
        if (pts.size() < 3)
            continue;
        if (std::abs(pts.back().x() - pts.front().x()) > 180) {
            const double pole = meanLat < 0 ? -90 : 90;
            pts.emplace_back(pts.back().x(), pole);
            pts.emplace_back(pts.front().x(), pole);
        }
        double lo = pts.front().x(), hi = lo;
        for (const QPointF& q : pts) {
            lo = std::min(lo, q.x());
            hi = std::max(hi, q.x());
        }
        for (double shift : {-360.0, 0.0, 360.0}) {
            if (hi + shift < -180 || lo + shift > 180)
                continue;
            QPolygonF poly;
            poly.reserve(int(pts.size()));
            for (const QPointF& q : pts)
                poly << QPointF((q.x() + shift + 180.0) * mapW / 360.0,
                                (90.0 - q.y()) * mapH / 180.0);
            path.addPolygon(poly);
            path.closeSubpath();
        }
    }
    return path;
}

double rowOf(double latitude) {
    return (90.0 - latitude) * mapH / 180.0;
}

// How close each pixel lies to land, 0..1: the land mask blurred a few
// pixels wide; used to lighten the shallow water along the coasts.
std::vector<float> coastGlow(const QPainterPath& land) {
    QImage mask(mapW, mapH, QImage::Format_Grayscale8);
    mask.fill(0);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(land, Qt::white);
    p.end();
    std::vector<float> a(mapW * mapH), b(mapW * mapH);
    for (int y = 0; y < mapH; ++y)
        for (int x = 0; x < mapW; ++x)
            a[y * mapW + x] = mask.constScanLine(y)[x] / 255.0f;
    const int r = 3 * mapScale;
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = 0; y < mapH; ++y)
            for (int x = 0; x < mapW; ++x) {
                float sum = 0;
                for (int k = -r; k <= r; ++k)
                    sum += a[y * mapW + (x + k + mapW) % mapW]; // the map wraps east-west
                b[y * mapW + x] = sum / (2 * r + 1);
            }
        for (int y = 0; y < mapH; ++y)
            for (int x = 0; x < mapW; ++x) {
                float sum = 0;
                for (int k = -r; k <= r; ++k)
                    sum += b[std::clamp(y + k, 0, mapH - 1) * mapW + x];
                a[y * mapW + x] = sum / (2 * r + 1);
            }
    }
    return a;
}

QImage worldMap(const QPainterPath& land, const std::vector<float>& glow, bool night) {
    QImage img = blank(mapW, mapH, Qt::black);
    QPainter p;
    begin(p, img);
    QLinearGradient sea(0, 0, 0, mapH);
    if (night) {
        sea.setColorAt(0, QColor(14, 22, 46));
        sea.setColorAt(0.5, QColor(10, 18, 42));
        sea.setColorAt(1, QColor(14, 22, 46));
    } else {
        sea.setColorAt(0, QColor(96, 146, 200));
        sea.setColorAt(0.5, QColor(52, 110, 182));
        sea.setColorAt(1, QColor(96, 146, 200));
    }
    p.fillRect(img.rect(), sea);
    p.end();
    const QColor shallow = night ? QColor(26, 40, 72) : QColor(120, 176, 220);
    for (int y = 0; y < mapH; ++y)
        for (int x = 0; x < mapW; ++x) {
            const double t = std::min(1.0, glow[y * mapW + x] * 2.2);
            if (t > 0)
                img.setPixel(x, y, mix(img.pixelColor(x, y), shallow, t).rgb());
        }
    begin(p, img);
    // graticule every 30 degrees
    p.setPen(QPen(night ? QColor(40, 54, 90) : QColor(130, 170, 214), 1.0 * mapScale));
    for (int lon = -150; lon <= 150; lon += 30)
        p.drawLine(QPointF((lon + 180) * mapW / 360.0, 0),
                   QPointF((lon + 180) * mapW / 360.0, mapH));
    for (int lat = -60; lat <= 60; lat += 30)
        p.drawLine(QPointF(0, rowOf(lat)), QPointF(mapW, rowOf(lat)));

    QLinearGradient ground(0, 0, 0, mapH);
    auto stop = [&](double lat, QColor c) { ground.setColorAt(rowOf(lat) / mapH, c); };
    if (night) {
        stop(90, QColor(70, 78, 100));
        stop(62, QColor(44, 52, 72));
        stop(0, QColor(36, 46, 60));
        stop(-60, QColor(44, 52, 72));
        stop(-90, QColor(70, 78, 100));
    } else {
        stop(90, QColor(246, 248, 250));
        stop(72, QColor(228, 232, 226));
        stop(62, QColor(150, 156, 120));
        stop(50, QColor(92, 138, 72));
        stop(35, QColor(150, 156, 96));
        stop(24, QColor(214, 192, 130));
        stop(12, QColor(120, 150, 70));
        stop(0, QColor(54, 124, 56));
        stop(-12, QColor(96, 144, 66));
        stop(-26, QColor(200, 176, 116));
        stop(-40, QColor(120, 150, 84));
        stop(-58, QColor(150, 160, 140));
        stop(-64, QColor(236, 240, 244));
        stop(-90, QColor(250, 252, 253));
    }
    p.setBrush(ground);
    p.setPen(QPen(night ? QColor(86, 100, 132) : QColor(40, 80, 52, 170), 0.6 * mapScale));
    p.drawPath(land);
    p.end();
    return img;
}

} // namespace

void drawAstro(Catalogue& out, const std::vector<std::vector<QPointF>>& land) {
    out[120] = moonStrip(0);
    out[217] = moonStrip(12);
    out[121] = moonBackground();
    out[122] = phaseIcons();
    out[123] = sunPicture();
    drawMaps(out, land, 1);
}

void drawMaps(Catalogue& out, const std::vector<std::vector<QPointF>>& land, int scale) {
    mapScale = scale < 1 ? 1 : scale;
    mapW = 480 * mapScale;
    mapH = 240 * mapScale;
    const QPainterPath path = landPath(land);
    const std::vector<float> glow = coastGlow(path);
    out[118] = worldMap(path, glow, false);
    out[138] = worldMap(path, glow, true);
    mapScale = 1;
    mapW = 480;
    mapH = 240;
}

} // namespace imagegen

// The program's icon for the desktop: a clock face at ten past ten, drawn once as a list of
// shapes on a 256-unit square and written both as SVG and as PNG files at the sizes of the
// hicolor icon theme.
#include "draw.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cmath>
#include <numbers>

namespace imagegen {

namespace {

constexpr double kUnits = 256;
constexpr QPointF kCentre{128, 128};
constexpr double kRimRadius = 120;
constexpr double kFaceRadius = 100;
const QColor kRimTop{0x3a, 0x6e, 0xb0};
const QColor kRimBottom{0x1b, 0x36, 0x60};
const QColor kFace{0xfd, 0xfb, 0xf4};
const QColor kInk{0x1d, 0x2a, 0x3a};
const QColor kSecond{0xd8, 0x40, 0x2a};

// A stroke from radius `from` to `to` along the clock angle `degrees` (0 at twelve, clockwise).
struct Stroke {
    double degrees, from, to, width;
    QColor colour;
    int minSize; // drawn only on icons at least this many pixels wide
};

QPointF onDial(double degrees, double radius) {
    const double a = degrees * std::numbers::pi / 180;
    return {kCentre.x() + radius * std::sin(a), kCentre.y() - radius * std::cos(a)};
}

std::vector<Stroke> strokes() {
    std::vector<Stroke> s;
    for (int hour = 0; hour < 12; ++hour) {
        const bool quarter = hour % 3 == 0;
        s.push_back({hour * 30.0, quarter ? 76.0 : 82.0, 92.0, quarter ? 10.0 : 5.0, kInk,
                     quarter ? 0 : 32});
    }
    s.push_back({(10 + 8 / 60.0) * 30, -10, 52, 13, kInk, 0}); // hour hand
    s.push_back({8 * 6.0, -10, 80, 8, kInk, 0});               // minute hand
    s.push_back({36 * 6.0, -20, 86, 3.5, kSecond, 48});        // second hand
    return s;
}

QImage iconImage(int size) {
    QImage img = transparent(size, size);
    QPainter p;
    begin(p, img);
    p.scale(size / kUnits, size / kUnits);
    QLinearGradient rim(0, kCentre.y() - kRimRadius, 0, kCentre.y() + kRimRadius);
    rim.setColorAt(0, kRimTop);
    rim.setColorAt(1, kRimBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawEllipse(kCentre, kRimRadius, kRimRadius);
    p.setBrush(kFace);
    p.drawEllipse(kCentre, kFaceRadius, kFaceRadius);
    // On small icons a hand drawn to scale is under a pixel or two wide: the strokes grow.
    const double weight = size < 32 ? 2.6 : size < 48 ? 1.5 : 1.0;
    for (const Stroke& s : strokes()) {
        if (size < s.minSize)
            continue;
        p.setPen(QPen(s.colour, s.width * weight, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(onDial(s.degrees, s.from), onDial(s.degrees, s.to));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kSecond);
    p.drawEllipse(kCentre, 8, 8);
    p.end();
    return img;
}

QString svgColour(const QColor& c) {
    return c.name(QColor::HexRgb);
}

QString iconSvg() {
    QString svg;
    QTextStream s(&svg);
    s.setRealNumberPrecision(5);
    s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kUnits << "\" height=\"" << kUnits
      << "\" viewBox=\"0 0 " << kUnits << ' ' << kUnits << "\">\n"
      << "  <defs>\n    <linearGradient id=\"rim\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
      << "      <stop offset=\"0\" stop-color=\"" << svgColour(kRimTop) << "\"/>\n"
      << "      <stop offset=\"1\" stop-color=\"" << svgColour(kRimBottom) << "\"/>\n"
      << "    </linearGradient>\n  </defs>\n"
      << "  <circle cx=\"" << kCentre.x() << "\" cy=\"" << kCentre.y() << "\" r=\"" << kRimRadius
      << "\" fill=\"url(#rim)\"/>\n"
      << "  <circle cx=\"" << kCentre.x() << "\" cy=\"" << kCentre.y() << "\" r=\"" << kFaceRadius
      << "\" fill=\"" << svgColour(kFace) << "\"/>\n";
    for (const Stroke& st : strokes()) {
        const QPointF a = onDial(st.degrees, st.from), b = onDial(st.degrees, st.to);
        s << "  <line x1=\"" << a.x() << "\" y1=\"" << a.y() << "\" x2=\"" << b.x() << "\" y2=\""
          << b.y() << "\" stroke=\"" << svgColour(st.colour) << "\" stroke-width=\"" << st.width
          << "\" stroke-linecap=\"round\"/>\n";
    }
    s << "  <circle cx=\"" << kCentre.x() << "\" cy=\"" << kCentre.y() << "\" r=\"8\" fill=\""
      << svgColour(kSecond) << "\"/>\n</svg>\n";
    return svg;
}

} // namespace

bool writeIcons(const QString& folder, const QString& name) {
    static constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
    const QDir top(folder);
    for (int size : kSizes) {
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        if (!top.mkpath(dir) ||
            !iconImage(size).save(top.filePath(dir + '/' + name + ".png"), "PNG", 9))
            return false;
    }
    if (!top.mkpath("scalable/apps"))
        return false;
    QFile f(top.filePath("scalable/apps/" + name + ".svg"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray text = iconSvg().toUtf8();
    return f.write(text) == text.size();
}

} // namespace imagegen

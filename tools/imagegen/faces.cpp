// Clock faces: the General view's face (125), the Analog Clock's face (119)
// and the small face of the City Time items (124). The hand colours are
// read back by the clock renderer from fixed pixels of the faces, so the
// rings under those pixels are painted in exactly those colours.

#include "draw.h"

#include <cmath>

namespace imagegen {

// Colours of the hands, carried by the faces.
const QColor kHourHand(28, 40, 74);
const QColor kMinuteHand(44, 66, 120);
const QColor kSecondHand(210, 36, 36);

namespace {

const QColor kDigits(57, 83, 157);

struct FaceLayout {
    int size;
    double bezel;  // inner radius of the outer (hour-coloured) bezel
    double ring;   // inner radius of the minute-coloured ring
    double accent; // radius of the thin second-coloured ring
    double accentWidth;
    double minuteTick0, hourTick0, tick1; // tick radii
    double minuteTickWidth, hourTickWidth;
    double numeralRadius, numeralSize;
    double brandOffset, brandSize;
    QPoint hourSample, minuteSample, secondSample;
};

// The face drawn `scale` times its size; the hand-colour pixels are set only at scale 1, where the
// renderer samples them.
QImage face(const FaceLayout& s, int scale) {
    QImage img = blank(s.size * scale, s.size * scale, Qt::white);
    QPainter p;
    begin(p, img);
    p.scale(scale, scale);
    const double R = s.size / 2.0;
    const QPointF c(R, R);
    p.setPen(Qt::NoPen);
    p.setBrush(kHourHand);
    p.drawEllipse(c, R - 0.2, R - 0.2);
    p.setBrush(kMinuteHand);
    p.drawEllipse(c, s.bezel, s.bezel);
    // a fine highlight between bezel and ring
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 140, 190), std::max(0.8, s.size / 300.0)));
    p.drawEllipse(c, s.bezel, s.bezel);
    p.setPen(Qt::NoPen);
    QRadialGradient dial(c, s.ring);
    dial.setColorAt(0, QColor(255, 255, 255));
    dial.setColorAt(0.8, QColor(250, 251, 253));
    dial.setColorAt(1, QColor(232, 236, 244));
    p.setBrush(dial);
    p.drawEllipse(c, s.ring, s.ring);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kSecondHand, s.accentWidth));
    p.drawEllipse(c, s.accent, s.accent);

    for (int i = 0; i < 60; ++i) {
        const double a = i * M_PI / 30;
        const bool hour = i % 5 == 0;
        const double r0 = hour ? s.hourTick0 : s.minuteTick0;
        p.setPen(QPen(hour ? kHourHand : QColor(110, 122, 150),
                      hour ? s.hourTickWidth : s.minuteTickWidth, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(R + r0 * std::sin(a), R - r0 * std::cos(a)),
                   QPointF(R + s.tick1 * std::sin(a), R - s.tick1 * std::cos(a)));
    }
    p.setFont(font("DejaVu Sans", s.numeralSize, QFont::Bold));
    p.setPen(kDigits);
    for (int h = 1; h <= 12; ++h) {
        const double a = h * M_PI / 6;
        const QPointF at(R + s.numeralRadius * std::sin(a), R - s.numeralRadius * std::cos(a));
        const double box = s.numeralSize * 2;
        p.drawText(QRectF(at.x() - box / 2, at.y() - box / 2 + s.numeralSize * 0.02, box, box),
                   Qt::AlignCenter, QString::number(h));
    }
    if (s.brandSize > 0) {
        p.setFont(font("DejaVu Serif", s.brandSize, QFont::Normal, s.brandSize * 0.25));
        p.setPen(QColor(120, 130, 150));
        p.drawText(QRectF(0, R - s.brandOffset - s.brandSize, s.size, s.brandSize * 1.6),
                   Qt::AlignHCenter | Qt::AlignTop, "HORAVEL");
    }
    p.end();
    if (scale == 1) {
        img.setPixel(s.hourSample, kHourHand.rgb());
        img.setPixel(s.minuteSample, kMinuteHand.rgb());
        img.setPixel(s.secondSample, kSecondHand.rgb());
    }
    return img;
}

QImage smallFace(int scale) {
    QImage img = blank(82 * scale, 82 * scale, Qt::white);
    QPainter p;
    begin(p, img);
    p.scale(scale, scale);
    const QPointF c(41, 41);
    QRadialGradient dial(c, 40);
    dial.setColorAt(0, QColor(255, 255, 255));
    dial.setColorAt(0.85, QColor(248, 250, 253));
    dial.setColorAt(1, QColor(226, 232, 242));
    p.setBrush(dial);
    p.setPen(QPen(kMinuteHand, 2.4));
    p.drawEllipse(c, 39.5, 39.5);
    for (int h = 0; h < 12; ++h) {
        const double a = h * M_PI / 6;
        const bool quarter = h % 3 == 0;
        p.setPen(QPen(quarter ? kHourHand : QColor(120, 132, 160), quarter ? 2.6 : 1.4,
                      Qt::SolidLine, Qt::FlatCap));
        const double r0 = quarter ? 31.5 : 33.5;
        p.drawLine(QPointF(41 + r0 * std::sin(a), 41 - r0 * std::cos(a)),
                   QPointF(41 + 37 * std::sin(a), 41 - 37 * std::cos(a)));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kHourHand);
    p.drawEllipse(c, 2.2, 2.2);
    p.end();
    return img;
}

FaceLayout generalLayout() {
    FaceLayout general{};
    general.size = 197;
    general.bezel = 96.0;
    general.ring = 92.5;
    general.accent = 77.7;
    general.accentWidth = 1.6;
    general.minuteTick0 = 85.5;
    general.hourTick0 = 81.5;
    general.tick1 = 90.5;
    general.minuteTickWidth = 1.0;
    general.hourTickWidth = 2.6;
    general.numeralRadius = 66;
    general.numeralSize = 15;
    general.brandOffset = 30;
    general.brandSize = 0; // too small to print legibly
    general.hourSample = {60, 9};
    general.minuteSample = {91, 3};
    general.secondSample = {82, 22};
    return general;
}

FaceLayout analogLayout() {
    FaceLayout analog{};
    analog.size = 362;
    analog.bezel = 173.0;
    analog.ring = 165.0;
    analog.accent = 142.4;
    analog.accentWidth = 2.2;
    analog.minuteTick0 = 153;
    analog.hourTick0 = 145;
    analog.tick1 = 161;
    analog.minuteTickWidth = 1.4;
    analog.hourTickWidth = 4.2;
    analog.numeralRadius = 121;
    analog.numeralSize = 28;
    analog.brandOffset = 62;
    analog.brandSize = 13;
    analog.hourSample = {179, 3};
    analog.minuteSample = {183, 12};
    analog.secondSample = {155, 41};
    return analog;
}

} // namespace

void drawFaces(Catalogue& out, int scale) {
    out[125] = face(generalLayout(), scale);
    out[119] = face(analogLayout(), scale);
    out[124] = smallFace(scale);
}

} // namespace imagegen

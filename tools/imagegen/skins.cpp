// Watch skins: "Citizen like" (background 159, digits 164 and 165, day names
// 166, hands 160-163), "Casio like" (background 168, digits 169-171, day
// names 172) and "Ana-Digi like" (background 174, digits 178, AM/PM marks
// 180, hands 175-177).
//
// Hand strips hold 16 frames for the positions twelve o'clock to three
// o'clock in 6-degree steps; the program mirrors them for the other
// quadrants. Each frame is drawn with the pivot at a fixed point, black is
// the transparent colour. The pivot is placed on a pixel corner so that a
// frame and its mirror image turn about the same screen point.

#include "draw.h"

#include <QConicalGradient>

#include <cmath>

namespace imagegen {
namespace {

const QColor kCitizenLcd(123, 138, 125);
const QColor kCasioLcd(161, 173, 163);
const QColor kAnaDigiLcd(156, 156, 148);
const QColor kSegment(30, 36, 33);

const char* const kDayNames2[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
const char* const kDayNames3[7] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};

QImage digitStrip(int w, int h, QColor lcd, double thick, double inset) {
    return strip(10, w, h, lcd, [=](QPainter& p, int d) {
        segmentDigit(p, QRectF(inset, inset, w - 2 * inset, h - 2 * inset), d, kSegment, thick);
    });
}

QImage dayStrip(int w, int h, QColor lcd, const char* const* names, double size, double spacing) {
    return strip(7, w, h, lcd, [=](QPainter& p, int d) {
        p.setFont(font("DejaVu Sans", size, QFont::Bold, spacing));
        p.setPen(kSegment);
        p.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, QString::fromLatin1(names[d]));
    });
}

// One hand, pointing up from the pivot at the origin.
using HandShape = std::function<void(QPainter&)>;

QImage handStrip(int size, QPointF pivot, QColor under, const HandShape& shape) {
    QImage img = transparent(16 * size, size);
    QPainter p;
    begin(p, img);
    for (int f = 0; f < 16; ++f) {
        p.save();
        p.setClipRect(f * size, 0, size, size);
        p.translate(f * size + pivot.x(), pivot.y());
        p.rotate(f * 6.0);
        shape(p);
        p.restore();
    }
    p.end();
    return flattenKeyed(img, under, Qt::black, 36);
}

// Tapered hand with a bright ridge: half-width w0 at the pivot, w1 at
// `shoulder`, a point at `length`.
HandShape dauphine(double length, double shoulder, double w0, double w1, QColor body, QColor ridge,
                   QColor edge) {
    return [=](QPainter& p) {
        QPainterPath path;
        path.moveTo(0, -length);
        path.lineTo(w1, -shoulder);
        path.lineTo(w0, 0);
        path.arcTo(QRectF(-w0, -w0, 2 * w0, 2 * w0), 0, -180);
        path.lineTo(-w1, -shoulder);
        path.closeSubpath();
        p.setPen(QPen(edge, 0.9));
        p.setBrush(body);
        p.drawPath(path);
        p.setPen(QPen(ridge, 1.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -shoulder * 0.6), QPointF(0, -length + 3));
    };
}

// A baton hand with a luminous inlay.
HandShape baton(double length, double halfWidth, QColor body, QColor lume) {
    return [=](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(body);
        p.drawRoundedRect(QRectF(-halfWidth, -length, 2 * halfWidth, length + halfWidth), halfWidth,
                          halfWidth);
        p.setBrush(lume);
        p.drawRoundedRect(QRectF(-halfWidth * 0.45, -length + 2.5, halfWidth * 0.9, length * 0.55),
                          halfWidth * 0.4, halfWidth * 0.4);
        p.setBrush(body);
        p.drawEllipse(QPointF(0, 0), halfWidth + 1.2, halfWidth + 1.2);
    };
}

// A thin needle with a counterweight tail and a centre cap.
HandShape needle(double length, double tail, double width, QColor colour, double cap,
                 QColor capColour) {
    return [=](QPainter& p) {
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, tail), QPointF(0, -length));
        if (tail > 8) {
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawRoundedRect(QRectF(-width * 1.4, tail * 0.45, width * 2.8, tail * 0.55), width,
                              width);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QPointF(0, 0), cap, cap);
        p.setBrush(capColour);
        p.drawEllipse(QPointF(0, 0), cap * 0.45, cap * 0.45);
    };
}

void backdrop(QPainter& p) {
    QLinearGradient g(0, 0, 0, 640);
    g.setColorAt(0, QColor(28, 29, 33));
    g.setColorAt(0.5, QColor(44, 46, 52));
    g.setColorAt(1, QColor(18, 18, 21));
    p.fillRect(QRect(0, 0, 480, 640), g);
}

void strap(QPainter& p, QRectF r, QColor base, bool stitched, bool grooves) {
    QLinearGradient g(r.left(), 0, r.right(), 0);
    g.setColorAt(0, base.darker(170));
    g.setColorAt(0.2, base);
    g.setColorAt(0.8, base);
    g.setColorAt(1, base.darker(170));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r, 10, 10);
    if (stitched) {
        p.setPen(QPen(QColor(190, 170, 130), 1.3, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(7, 7, -7, -7), 6, 6);
    }
    if (grooves) {
        p.setPen(QPen(base.darker(160), 2));
        for (double y = r.top() + 14; y < r.bottom() - 8; y += 16)
            p.drawLine(QPointF(r.left() + 14, y), QPointF(r.right() - 14, y));
    }
}

QConicalGradient steel(QPointF c) {
    QConicalGradient g(c, 60);
    g.setColorAt(0.0, QColor(236, 238, 242));
    g.setColorAt(0.15, QColor(130, 134, 142));
    g.setColorAt(0.35, QColor(214, 216, 222));
    g.setColorAt(0.55, QColor(110, 114, 122));
    g.setColorAt(0.75, QColor(226, 228, 232));
    g.setColorAt(0.9, QColor(140, 144, 150));
    g.setColorAt(1.0, QColor(236, 238, 242));
    return g;
}

// A display window: dark frame around a flat field in the exact LCD colour.
void lcdWindow(QPainter& p, QRectF field, QColor lcd, double radius = 4) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(58, 60, 64));
    p.drawRoundedRect(field.adjusted(-3, -3, 3, 3), radius + 2, radius + 2);
    p.setBrush(QColor(96, 100, 104));
    p.drawRoundedRect(field.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(field, lcd);
    p.setRenderHint(QPainter::Antialiasing, true);
}

void bell(QPainter& p, QPointF c, double s, QColor colour) {
    QPainterPath b;
    b.moveTo(c.x() - 0.5 * s, c.y() + 0.3 * s);
    b.cubicTo(c.x() - 0.32 * s, c.y() + 0.15 * s, c.x() - 0.34 * s, c.y() - 0.05 * s,
              c.x() - 0.3 * s, c.y() - 0.2 * s);
    b.cubicTo(c.x() - 0.26 * s, c.y() - 0.42 * s, c.x() - 0.12 * s, c.y() - 0.46 * s, c.x(),
              c.y() - 0.46 * s);
    b.cubicTo(c.x() + 0.12 * s, c.y() - 0.46 * s, c.x() + 0.26 * s, c.y() - 0.42 * s,
              c.x() + 0.3 * s, c.y() - 0.2 * s);
    b.cubicTo(c.x() + 0.34 * s, c.y() - 0.05 * s, c.x() + 0.32 * s, c.y() + 0.15 * s,
              c.x() + 0.5 * s, c.y() + 0.3 * s);
    b.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(b);
    p.drawEllipse(QPointF(c.x(), c.y() + 0.4 * s), 0.1 * s, 0.1 * s);
}

void notes(QPainter& p, QPointF c, double s, QColor colour) {
    // two beamed eighth notes
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const QPointF h1(c.x() - 0.3 * s, c.y() + 0.32 * s), h2(c.x() + 0.3 * s, c.y() + 0.22 * s);
    for (QPointF h : {h1, h2}) {
        p.save();
        p.translate(h);
        p.rotate(-20);
        p.drawEllipse(QPointF(0, 0), 0.17 * s, 0.12 * s);
        p.restore();
    }
    p.setPen(QPen(colour, std::max(1.0, 0.08 * s)));
    p.drawLine(QPointF(h1.x() + 0.14 * s, h1.y()), QPointF(h1.x() + 0.14 * s, c.y() - 0.36 * s));
    p.drawLine(QPointF(h2.x() + 0.14 * s, h2.y()), QPointF(h2.x() + 0.14 * s, c.y() - 0.46 * s));
    p.setPen(QPen(colour, 0.16 * s, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(h1.x() + 0.1 * s, c.y() - 0.32 * s),
               QPointF(h2.x() + 0.18 * s, c.y() - 0.42 * s));
}

void printed(QPainter& p, QRectF r, const QString& text, double size, QColor colour,
             int align = Qt::AlignCenter, int weight = QFont::Bold, double spacing = 0.5,
             const QString& family = "DejaVu Sans") {
    p.setFont(font(family, size, weight, spacing));
    p.setPen(colour);
    p.drawText(r, align, text);
}

// ---- Citizen like ---------------------------------------------------------

const QPointF kCitizenCentre(240, 321);
const QPointF kCitizenSub(173, 321);
const QColor kCitizenDial(222, 223, 220);

QImage citizenBackground() {
    QImage img = blank(480, 640, Qt::black);
    QPainter p;
    begin(p, img);
    backdrop(p);
    const QPointF c = kCitizenCentre;
    strap(p, QRectF(170, -20, 140, 150), QColor(58, 40, 30), true, false);
    strap(p, QRectF(170, 512, 140, 150), QColor(58, 40, 30), true, false);
    // lugs
    p.setPen(QPen(QColor(70, 72, 78), 1));
    p.setBrush(steel(c));
    for (double y : {104.0, 494.0})
        for (double x : {160.0, 290.0})
            p.drawRoundedRect(QRectF(x, y, 30, 42), 8, 8);
    // crown
    QLinearGradient crown(0, 304, 0, 338);
    crown.setColorAt(0, QColor(230, 232, 236));
    crown.setColorAt(0.5, QColor(140, 144, 150));
    crown.setColorAt(1, QColor(210, 212, 218));
    p.setBrush(crown);
    p.drawRoundedRect(QRectF(440, 305, 22, 32), 4, 4);
    p.setPen(QPen(QColor(100, 104, 110), 1));
    for (double y = 309; y < 334; y += 3.5)
        p.drawLine(QPointF(452, y), QPointF(461, y));
    // case and bezel
    p.setPen(Qt::NoPen);
    p.setBrush(steel(c));
    p.drawEllipse(c, 210, 210);
    p.setBrush(QColor(60, 62, 68));
    p.drawEllipse(c, 194, 194);
    QConicalGradient bezel = steel(c);
    bezel.setAngle(240);
    p.setBrush(bezel);
    p.drawEllipse(c, 193, 193);
    p.setBrush(QColor(90, 92, 96));
    p.drawEllipse(c, 186, 186);
    // silver sunburst dial
    QRadialGradient dial(c, 185);
    dial.setColorAt(0, QColor(238, 238, 235));
    dial.setColorAt(0.7, QColor(226, 227, 224));
    dial.setColorAt(1, QColor(196, 198, 196));
    p.setBrush(dial);
    p.drawEllipse(c, 185, 185);
    for (int i = 0; i < 720; ++i) {
        const double a = i * M_PI / 360;
        p.setPen(QPen(i % 2 ? QColor(255, 255, 255, 22) : QColor(120, 120, 120, 14), 1));
        p.drawLine(QPointF(c.x() + 3 * std::sin(a), c.y() - 3 * std::cos(a)),
                   QPointF(c.x() + 184 * std::sin(a), c.y() - 184 * std::cos(a)));
    }
    // minute track
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(70, 74, 82), 0.8));
    p.drawEllipse(c, 178, 178);
    p.drawEllipse(c, 171, 171);
    for (int i = 0; i < 60; ++i) {
        const double a = i * M_PI / 30;
        p.setPen(QPen(QColor(60, 64, 72), i % 5 ? 1.0 : 2.2));
        p.drawLine(QPointF(c.x() + 171 * std::sin(a), c.y() - 171 * std::cos(a)),
                   QPointF(c.x() + 178 * std::sin(a), c.y() - 178 * std::cos(a)));
    }
    // applied baton indices
    for (int h = 0; h < 12; ++h) {
        const double deg = h * 30.0;
        p.save();
        p.translate(c);
        p.rotate(deg);
        const int bars = h == 0 ? 2 : 1;
        for (int b = 0; b < bars; ++b) {
            const double x = bars == 2 ? (b ? 2.5 : -9.5) : -3.5;
            QLinearGradient g(x, 0, x + 7, 0);
            g.setColorAt(0, QColor(250, 250, 252));
            g.setColorAt(0.5, QColor(150, 154, 162));
            g.setColorAt(1, QColor(70, 74, 82));
            p.setPen(QPen(QColor(50, 52, 58), 0.8));
            p.setBrush(g);
            p.drawRoundedRect(QRectF(x, -166, 7, 26), 1.5, 1.5);
        }
        p.restore();
    }
    // brand
    printed(p, QRectF(140, 178, 200, 22), "HORAVEL", 15, QColor(40, 44, 56), Qt::AlignCenter,
            QFont::Normal, 3.5, "DejaVu Serif");
    printed(p, QRectF(140, 430, 200, 14), "QUARTZ", 9, QColor(70, 74, 86), Qt::AlignCenter,
            QFont::Normal, 2.5);
    // 24-hour sub-dial
    QRadialGradient sub(kCitizenSub, 41);
    sub.setColorAt(0, QColor(212, 214, 212));
    sub.setColorAt(1, QColor(190, 192, 192));
    p.setPen(QPen(QColor(120, 124, 130), 1.2));
    p.setBrush(sub);
    p.drawEllipse(kCitizenSub, 40, 40);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 40), 0.8));
    for (double r = 6; r < 40; r += 2.5)
        p.drawEllipse(kCitizenSub, r, r);
    for (int i = 0; i < 24; ++i) {
        const double a = i * M_PI / 12;
        p.setPen(QPen(QColor(50, 54, 62), i % 6 ? 0.9 : 1.8));
        const double r0 = i % 6 ? 34 : 31;
        p.drawLine(QPointF(kCitizenSub.x() + r0 * std::sin(a), kCitizenSub.y() - r0 * std::cos(a)),
                   QPointF(kCitizenSub.x() + 38 * std::sin(a), kCitizenSub.y() - 38 * std::cos(a)));
    }
    const char* subLabels[4] = {"24", "6", "12", "18"};
    for (int i = 0; i < 4; ++i) {
        const double a = i * M_PI / 2;
        const QPointF at(kCitizenSub.x() + 23 * std::sin(a), kCitizenSub.y() - 23 * std::cos(a));
        printed(p, QRectF(at.x() - 10, at.y() - 6, 20, 12), subLabels[i], 8.5, QColor(40, 44, 56));
    }
    // display windows
    lcdWindow(p, QRectF(222, 213, 37, 80), kCitizenLcd);
    lcdWindow(p, QRectF(261, 321, 90, 68), kCitizenLcd);
    lcdWindow(p, QRectF(167, 386, 137, 37), kCitizenLcd);
    // printed indicators and separators
    const QColor ink(40, 48, 42);
    bell(p, QPointF(240.5, 231), 19, ink);
    notes(p, QPointF(240, 279.5), 16, ink);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(302.5, 337, 6, 2.4));
    p.drawEllipse(QPointF(225.5, 399.5), 1.7, 1.7);
    p.drawEllipse(QPointF(225.5, 410), 1.7, 1.7);
    printed(p, QRectF(263, 366, 34, 14), "DAY", 8, ink);
    p.end();
    pixelText(img, 174, 394, "AM", ink);
    pixelText(img, 174, 401, "PM", ink);
    return img;
}

// ---- Casio like -----------------------------------------------------------

QImage casioBackground() {
    QImage img = blank(480, 640, Qt::black);
    QPainter p;
    begin(p, img);
    backdrop(p);
    strap(p, QRectF(150, -20, 180, 160), QColor(34, 34, 36), false, true);
    strap(p, QRectF(150, 500, 180, 160), QColor(34, 34, 36), false, true);
    // side buttons
    p.setPen(QPen(QColor(20, 20, 22), 1));
    p.setBrush(QColor(120, 122, 126));
    p.drawRoundedRect(QRectF(30, 196, 20, 30), 4, 4);
    p.drawRoundedRect(QRectF(30, 414, 20, 30), 4, 4);
    p.drawRoundedRect(QRectF(430, 306, 20, 30), 4, 4);
    // resin case
    QLinearGradient resin(0, 120, 0, 520);
    resin.setColorAt(0, QColor(58, 58, 62));
    resin.setColorAt(0.1, QColor(32, 32, 35));
    resin.setColorAt(0.9, QColor(26, 26, 28));
    resin.setColorAt(1, QColor(50, 50, 54));
    p.setBrush(resin);
    p.setPen(QPen(QColor(80, 80, 86), 1.5));
    p.drawRoundedRect(QRectF(42, 118, 396, 404), 64, 64);
    // face plate
    QLinearGradient plate(0, 150, 0, 490);
    plate.setColorAt(0, QColor(64, 66, 72));
    plate.setColorAt(1, QColor(38, 40, 44));
    p.setBrush(plate);
    p.setPen(QPen(QColor(150, 152, 158), 2));
    p.drawRoundedRect(QRectF(70, 150, 340, 340), 30, 30);
    // printed texts and colour lines
    printed(p, QRectF(70, 160, 340, 28), "HORAVEL", 22, QColor(244, 244, 246), Qt::AlignCenter,
            QFont::Black, 4);
    printed(p, QRectF(92, 192, 120, 16), "LIGHT", 10, QColor(200, 204, 210), Qt::AlignLeft);
    printed(p, QRectF(230, 192, 158, 16), "ALARM CHRONOGRAPH", 10, QColor(230, 190, 60),
            Qt::AlignRight);
    p.setPen(QPen(QColor(60, 120, 200), 2.5));
    p.drawLine(QPointF(92, 214), QPointF(388, 214));
    p.setPen(QPen(QColor(210, 60, 50), 2.5));
    p.drawLine(QPointF(92, 428), QPointF(388, 428));
    printed(p, QRectF(92, 436, 150, 16), "WATER RESIST", 10, QColor(200, 204, 210), Qt::AlignLeft);
    printed(p, QRectF(250, 436, 138, 16), "DAILY ALARM", 10, QColor(200, 204, 210), Qt::AlignRight);
    printed(p, QRectF(70, 458, 340, 18), "LCD  QUARTZ", 11, QColor(150, 154, 160), Qt::AlignCenter,
            QFont::Bold, 3);
    // the display
    lcdWindow(p, QRectF(96, 228, 288, 182), kCasioLcd, 6);
    const QColor ink(36, 42, 38);
    const char* days = "SMTWTFS";
    for (int d = 0; d < 7; ++d)
        printed(p, QRectF(155 + 26 * d, 240, 18, 14), QString(QChar(days[d])), 11, ink);
    bell(p, QPointF(357.5, 251), 20, ink);
    notes(p, QPointF(358, 275.5), 15, ink);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(322, 312, 9, 2.6));
    for (double x : {186.0, 281.0}) {
        p.drawRect(QRectF(x, 357, 6, 6));
        p.drawRect(QRectF(x, 378, 6, 6));
    }
    p.end();
    pixelText(img, 121, 335, "PM", ink);
    pixelText(img, 158, 335, "AM", ink);
    return img;
}

// ---- Ana-Digi like --------------------------------------------------------

const QPointF kAnaCentre(180, 215);
const QPointF kAnaSub(304, 215);
const QColor kAnaDial(18, 18, 20);

QImage anaDigiBackground() {
    QImage img = blank(480, 640, Qt::black);
    QPainter p;
    begin(p, img);
    backdrop(p);
    strap(p, QRectF(166, -20, 148, 140), QColor(30, 30, 32), false, true);
    strap(p, QRectF(166, 480, 148, 180), QColor(30, 30, 32), false, true);
    p.setPen(QPen(QColor(20, 20, 22), 1));
    p.setBrush(QColor(150, 152, 156));
    for (double y : {170.0, 400.0}) {
        p.drawRoundedRect(QRectF(44, y, 20, 28), 4, 4);
        p.drawRoundedRect(QRectF(416, y, 20, 28), 4, 4);
    }
    QLinearGradient resin(0, 96, 0, 494);
    resin.setColorAt(0, QColor(54, 54, 58));
    resin.setColorAt(0.12, QColor(30, 30, 33));
    resin.setColorAt(0.88, QColor(24, 24, 26));
    resin.setColorAt(1, QColor(48, 48, 52));
    p.setBrush(resin);
    p.setPen(QPen(QColor(78, 78, 84), 1.5));
    p.drawRoundedRect(QRectF(56, 96, 368, 398), 60, 60);
    // brushed steel bezel and dark plate
    QLinearGradient bezel(0, 120, 0, 470);
    bezel.setColorAt(0, QColor(210, 212, 216));
    bezel.setColorAt(0.5, QColor(120, 122, 128));
    bezel.setColorAt(1, QColor(196, 198, 204));
    p.setBrush(bezel);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(80, 122, 320, 346), 38, 38);
    p.setBrush(QColor(22, 23, 26));
    p.drawRoundedRect(QRectF(88, 130, 304, 330), 32, 32);
    printed(p, QRectF(88, 134, 304, 20), "HORAVEL", 13, QColor(236, 236, 240), Qt::AlignCenter,
            QFont::Bold, 3.5);
    printed(p, QRectF(88, 282, 304, 16), "ALARM  CHRONO", 9, QColor(220, 180, 60), Qt::AlignCenter,
            QFont::Bold, 2);
    // main dial
    p.setPen(QPen(QColor(220, 180, 60), 1.2));
    p.setBrush(steel(kAnaCentre));
    p.drawEllipse(kAnaCentre, 58, 58);
    p.setBrush(kAnaDial);
    p.drawEllipse(kAnaCentre, 54, 54);
    for (int i = 0; i < 60; ++i) {
        const double a = i * M_PI / 30;
        const bool hour = i % 5 == 0;
        p.setPen(QPen(QColor(240, 240, 240), hour ? (i % 15 ? 2.2 : 3.4) : 0.9, Qt::SolidLine,
                      Qt::FlatCap));
        const double r0 = hour ? 42 : 48;
        p.drawLine(QPointF(kAnaCentre.x() + r0 * std::sin(a), kAnaCentre.y() - r0 * std::cos(a)),
                   QPointF(kAnaCentre.x() + 51 * std::sin(a), kAnaCentre.y() - 51 * std::cos(a)));
    }
    // seconds sub-dial
    p.setPen(Qt::NoPen);
    p.setBrush(steel(kAnaSub));
    p.drawEllipse(kAnaSub, 42, 42);
    p.setBrush(kAnaDial);
    p.drawEllipse(kAnaSub, 39, 39);
    for (int i = 0; i < 60; ++i) {
        const double a = i * M_PI / 30;
        const bool five = i % 5 == 0;
        p.setPen(QPen(five ? QColor(240, 240, 240) : QColor(160, 160, 164), five ? 1.8 : 0.8,
                      Qt::SolidLine, Qt::FlatCap));
        const double r0 = five ? 31 : 34;
        p.drawLine(QPointF(kAnaSub.x() + r0 * std::sin(a), kAnaSub.y() - r0 * std::cos(a)),
                   QPointF(kAnaSub.x() + 37 * std::sin(a), kAnaSub.y() - 37 * std::cos(a)));
    }
    printed(p, QRectF(kAnaSub.x() - 20, kAnaSub.y() + 10, 40, 12), "SEC", 8, QColor(220, 180, 60),
            Qt::AlignCenter, QFont::Bold, 1);
    // the display
    lcdWindow(p, QRectF(124, 316, 243, 111), kAnaDigiLcd, 5);
    const QColor ink(40, 42, 38);
    bell(p, QPointF(188.5, 409), 19, ink);
    notes(p, QPointF(147, 410.5), 16, ink);
    printed(p, QRectF(140, 334, 100, 14), "TIME", 10, ink, Qt::AlignRight | Qt::AlignVCenter);
    printed(p, QRectF(140, 384, 100, 14), "DATE", 10, ink, Qt::AlignRight | Qt::AlignVCenter);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRect(QRectF(305, 334, 4, 4));
    p.drawRect(QRectF(305, 346, 4, 4));
    p.drawRect(QRectF(303, 399, 8, 2.6));
    p.end();
    return img;
}

} // namespace

void drawSkins(Catalogue& out) {
    // Citizen like
    out[159] = citizenBackground();
    out[164] = digitStrip(14, 23, kCitizenLcd, 2.6, 1.5).convertToFormat(QImage::Format_RGB32);
    out[165] = digitStrip(12, 19, kCitizenLcd, 2.2, 1.5).convertToFormat(QImage::Format_RGB32);
    out[166] =
        dayStrip(28, 19, kCitizenLcd, kDayNames2, 13, 0.5).convertToFormat(QImage::Format_RGB32);
    const QColor steelBody(44, 48, 58), steelRidge(170, 176, 190), steelEdge(20, 22, 28);
    out[160] = handStrip(114, {12, 102}, kCitizenDial,
                         dauphine(94, 22, 5.5, 6.5, steelBody, steelRidge, steelEdge));
    out[161] = handStrip(130, {12, 118}, kCitizenDial,
                         dauphine(114, 24, 4.5, 5.2, steelBody, steelRidge, steelEdge));
    out[162] = handStrip(198, {52, 146}, kCitizenDial,
                         needle(142, 40, 1.6, QColor(176, 30, 30), 5.0, QColor(60, 20, 20)));
    out[163] = handStrip(44, {5, 39}, QColor(202, 204, 202),
                         needle(32, 0, 2.0, QColor(44, 48, 58), 3.0, QColor(140, 144, 150)));
    // Casio like
    out[168] = casioBackground();
    out[169] = digitStrip(31, 51, kCasioLcd, 5.6, 2).convertToFormat(QImage::Format_RGB32);
    out[170] = digitStrip(14, 23, kCasioLcd, 2.6, 1.5).convertToFormat(QImage::Format_RGB32);
    out[171] = digitStrip(20, 20, kCasioLcd, 2.6, 2).convertToFormat(QImage::Format_RGB32);
    out[172] =
        dayStrip(68, 20, kCasioLcd, kDayNames3, 16, 2.5).convertToFormat(QImage::Format_RGB32);
    // Ana-Digi like
    out[174] = anaDigiBackground();
    out[178] = digitStrip(18, 29, kAnaDigiLcd, 3.2, 1.5).convertToFormat(QImage::Format_RGB32);
    {
        QImage marks = blank(20, 6, Qt::white);
        pixelText(marks, 0, 0, "AM", QColor(40, 42, 38), true);
        pixelText(marks, 10, 0, "PM", QColor(40, 42, 38), true);
        out[180] = marks;
    }
    const QColor white(236, 238, 240), lume(200, 236, 190);
    out[175] = handStrip(48, {8, 40}, kAnaDial, baton(27, 2.8, white, lume));
    out[176] = handStrip(49, {8, 41}, kAnaDial, baton(38, 2.2, white, lume));
    out[177] = handStrip(55, {20, 35}, kAnaDial,
                         needle(32, 0, 1.4, QColor(236, 120, 40), 2.6, QColor(236, 120, 40)));
}

} // namespace imagegen

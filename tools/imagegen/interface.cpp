// Interface strip (211), icon strip (212), AM/PM pictures (203), the skins'
// corner icon (158) and the sound browser's tree images (198).

#include "draw.h"

#include <cmath>

namespace imagegen {
namespace {

const QColor kBlue(57, 83, 157);
const QColor kDarkBlue(34, 52, 104);
const QColor kMagenta(255, 0, 255);
const QColor kTreeKey(0, 255, 0);

QColor titleShade(double t) {
    return mix(QColor(222, 234, 247), QColor(160, 188, 219), t);
}
QColor statusShade(double t) {
    return mix(QColor(247, 248, 250), QColor(214, 219, 227), t);
}

// A rounded button face filling `r` (pixel-exact rectangle).
void button(QPainter& p, const QRect& r, QColor top, QColor bottom, QColor border) {
    QLinearGradient g(0, r.top(), 0, r.bottom() + 1);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setBrush(g);
    p.setPen(QPen(border, 1));
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    // inner highlight along the top
    p.setPen(QPen(QColor(255, 255, 255, 150), 1));
    p.drawLine(QPointF(r.left() + 4, r.top() + 1.5), QPointF(r.right() - 3, r.top() + 1.5));
}

QImage interfaceStrip() {
    QImage img = blank(234, 44, Qt::white);
    QPainter p;
    begin(p, img);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int y = 0; y < 44; ++y) {
        img.setPixel(0, y, (y == 43 ? QColor(110, 138, 172) : titleShade(y / 42.0)).rgb());
        img.setPixel(1, y, (y == 0 ? QColor(150, 160, 176) : statusShade((y - 1) / 42.0)).rgb());
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    // Push buttons 18 x 42: normal, pressed, default.
    button(p, QRect(2, 0, 18, 42), QColor(255, 255, 255), QColor(218, 225, 236),
           QColor(112, 128, 152));
    button(p, QRect(20, 0, 18, 42), QColor(170, 192, 224), QColor(204, 219, 240),
           QColor(70, 92, 140));
    button(p, QRect(38, 0, 18, 42), QColor(255, 255, 255), QColor(210, 222, 242), kBlue);
    // Wide tab buttons 60 x 32: selected, normal.
    {
        QLinearGradient g(0, 0, 0, 32);
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(1, QColor(226, 235, 248));
        p.setBrush(g);
        p.setPen(QPen(kBlue, 1));
        QPainterPath tab;
        tab.addRoundedRect(QRectF(56.5, 0.5, 59, 40), 6, 6);
        p.save();
        p.setClipRect(56, 0, 60, 32);
        p.drawPath(tab);
        p.fillRect(QRectF(60, 0, 52, 3), kBlue);
        p.restore();
        g.setColorAt(0, QColor(206, 216, 232));
        g.setColorAt(1, QColor(178, 192, 214));
        p.setBrush(g);
        p.setPen(QPen(QColor(120, 136, 164), 1));
        QPainterPath tab2;
        tab2.addRoundedRect(QRectF(116.5, 2.5, 59, 40), 6, 6);
        p.save();
        p.setClipRect(116, 0, 60, 31);
        p.fillRect(QRect(116, 0, 60, 32), Qt::white);
        p.drawPath(tab2);
        p.restore();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRect(116, 31, 60, 1), kBlue); // the selected tab's frame line
        p.setRenderHint(QPainter::Antialiasing, true);
    }
    // Status bar separator 4 x 44.
    for (int y = 0; y < 44; ++y) {
        const QColor bg = y == 0 ? QColor(150, 160, 176) : statusShade((y - 1) / 42.0);
        const bool edge = y < 6 || y > 38;
        img.setPixel(176, y, bg.rgb());
        img.setPixel(177, y, (edge ? bg : QColor(158, 168, 184)).rgb());
        img.setPixel(178, y, (edge ? bg : QColor(255, 255, 255)).rgb());
        img.setPixel(179, y, bg.rgb());
    }
    // Small buttons 18 x 34: normal, pressed, disabled.
    button(p, QRect(180, 0, 18, 34), QColor(255, 255, 255), QColor(218, 225, 236),
           QColor(112, 128, 152));
    button(p, QRect(198, 0, 18, 34), QColor(170, 192, 224), QColor(204, 219, 240),
           QColor(70, 92, 140));
    button(p, QRect(216, 0, 18, 34), QColor(244, 245, 247), QColor(232, 234, 237),
           QColor(184, 188, 194));
    p.end();
    // Divider (a soft blue rule when stretched across a view) and single colours.
    const QColor divider[6] = {QColor(228, 234, 244), QColor(160, 178, 210), QColor(92, 116, 172),
                               QColor(92, 116, 172),  QColor(160, 178, 210), QColor(228, 234, 244)};
    for (int i = 0; i < 6; ++i)
        img.setPixel(56, 33 + i, divider[i].rgb());
    img.setPixel(57, 32, qRgb(200, 216, 240)); // list selection
    img.setPixel(58, 32, qRgb(204, 218, 240)); // calendar header
    img.setPixel(59, 32, qRgb(236, 241, 250)); // calendar grid
    return img;
}

// Icons are drawn in the 28 x 28 top-left square of each 34 x 34 frame.
void icon(QPainter& p, int index) {
    const QPointF c(14, 14);
    p.setPen(QPen(kBlue, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (index) {
    case 0: { // alarm clock
        p.setBrush(QColor(236, 170, 40));
        p.setPen(QPen(kDarkBlue, 1.4));
        p.drawChord(QRectF(2, 1, 11, 11), 45 * 16, 180 * 16);
        p.drawChord(QRectF(15, 1, 11, 11), -45 * 16, 180 * 16);
        p.setPen(QPen(kDarkBlue, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(7.5, 22.5), QPointF(5, 26));
        p.drawLine(QPointF(20.5, 22.5), QPointF(23, 26));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(14, 15.5), 10, 10);
        p.setPen(QPen(QColor(200, 40, 40), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 15.5), QPointF(14, 9));
        p.drawLine(QPointF(14, 15.5), QPointF(18.5, 15.5));
        break;
    }
    case 1: { // timer (hourglass)
        p.setPen(QPen(kDarkBlue, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 3), QPointF(22, 3));
        p.drawLine(QPointF(6, 25), QPointF(22, 25));
        QPainterPath glass;
        glass.moveTo(8, 4);
        glass.lineTo(20, 4);
        glass.cubicTo(20, 10, 15.5, 12, 15.5, 14);
        glass.cubicTo(15.5, 16, 20, 18, 20, 24);
        glass.lineTo(8, 24);
        glass.cubicTo(8, 18, 12.5, 16, 12.5, 14);
        glass.cubicTo(12.5, 12, 8, 10, 8, 4);
        p.setBrush(QColor(226, 236, 250));
        p.setPen(QPen(kBlue, 1.6));
        p.drawPath(glass);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(236, 170, 40));
        p.drawPolygon(QPolygonF{{10, 8}, {18, 8}, {14, 13}});
        p.drawPolygon(QPolygonF{{9.5, 23}, {18.5, 23}, {14, 18}});
        break;
    }
    case 2: { // stopwatch
        p.setPen(QPen(kDarkBlue, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 2), QPointF(14, 5));
        p.drawLine(QPointF(10.5, 1.8), QPointF(17.5, 1.8));
        p.drawLine(QPointF(22, 7), QPointF(24, 5));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(14, 16), 10.5, 10.5);
        p.setPen(QPen(QColor(200, 40, 40), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 16), QPointF(18.5, 10.5));
        p.setPen(Qt::NoPen);
        p.setBrush(kDarkBlue);
        p.drawEllipse(QPointF(14, 16), 1.6, 1.6);
        break;
    }
    case 3:
    case 4: { // sunrise, sunset
        const bool rise = index == 3;
        p.setPen(Qt::NoPen);
        QRadialGradient g(QPointF(14, 17), 9);
        g.setColorAt(0, QColor(255, 214, 80));
        g.setColorAt(1, rise ? QColor(246, 150, 30) : QColor(232, 96, 40));
        p.setBrush(g);
        p.drawChord(QRectF(6, 9, 16, 16), 0, 180 * 16);
        p.setPen(QPen(rise ? QColor(246, 150, 30) : QColor(232, 96, 40), 1.8, Qt::SolidLine,
                      Qt::RoundCap));
        for (int a = 0; a <= 180; a += 45) {
            const double r = a * M_PI / 180;
            p.drawLine(QPointF(14 + 10.5 * std::cos(r), 17 - 10.5 * std::sin(r)),
                       QPointF(14 + 13 * std::cos(r), 17 - 13 * std::sin(r)));
        }
        p.setPen(QPen(kDarkBlue, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(1.5, 18), QPointF(26.5, 18));
        p.setPen(QPen(kBlue, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (rise) {
            p.drawLine(QPointF(14, 27), QPointF(14, 21));
            p.drawPolyline(QPolygonF{{11, 23.5}, {14, 20.5}, {17, 23.5}});
        } else {
            p.drawLine(QPointF(14, 20.5), QPointF(14, 26.5));
            p.drawPolyline(QPolygonF{{11, 24}, {14, 27}, {17, 24}});
        }
        break;
    }
    case 5: { // Internet time: globe
        QRadialGradient g(QPointF(10, 9), 15);
        g.setColorAt(0, QColor(150, 200, 250));
        g.setColorAt(1, QColor(50, 110, 200));
        p.setBrush(g);
        p.setPen(QPen(kDarkBlue, 1.6));
        p.drawEllipse(c, 12, 12);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 200), 1.1));
        p.drawEllipse(c, 5, 12);
        p.drawLine(QPointF(14, 2), QPointF(14, 26));
        p.drawLine(QPointF(2, 14), QPointF(26, 14));
        p.drawLine(QPointF(4, 8), QPointF(24, 8));
        p.drawLine(QPointF(4, 20), QPointF(24, 20));
        break;
    }
    case 6: { // date: calendar page
        p.setPen(QPen(kDarkBlue, 1.4));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(3, 4, 22, 22), 3, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(210, 50, 50));
        p.drawRect(QRectF(3.7, 4.7, 20.6, 6));
        p.setBrush(kDarkBlue);
        p.drawRoundedRect(QRectF(7.5, 2, 2.5, 5), 1, 1);
        p.drawRoundedRect(QRectF(18, 2, 2.5, 5), 1, 1);
        p.setFont(font("DejaVu Sans", 12, QFont::Bold));
        p.setPen(kDarkBlue);
        p.drawText(QRectF(3, 11, 22, 15), Qt::AlignCenter, "12");
        break;
    }
    case 7: { // time: clock face at ten past ten
        p.setBrush(Qt::white);
        p.setPen(QPen(kBlue, 2.2));
        p.drawEllipse(c, 12, 12);
        p.setPen(QPen(kDarkBlue, 1.2));
        for (int h = 0; h < 12; h += 3) {
            const double a = h * M_PI / 6;
            p.drawLine(QPointF(14 + 8.5 * std::sin(a), 14 - 8.5 * std::cos(a)),
                       QPointF(14 + 10.5 * std::sin(a), 14 - 10.5 * std::cos(a)));
        }
        p.setPen(QPen(kDarkBlue, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c, QPointF(14 - 5.5 * std::sin(M_PI / 3), 14 - 5.5 * std::cos(M_PI / 3)));
        p.drawLine(c, QPointF(14 + 8 * std::sin(M_PI / 3), 14 - 8 * std::cos(M_PI / 3)));
        break;
    }
    case 8: { // event bell
        QPainterPath bell;
        bell.moveTo(5, 21);
        bell.cubicTo(8, 18, 7.5, 14, 8, 11);
        bell.cubicTo(8.5, 6, 11, 4, 14, 4);
        bell.cubicTo(17, 4, 19.5, 6, 20, 11);
        bell.cubicTo(20.5, 14, 20, 18, 23, 21);
        bell.closeSubpath();
        QLinearGradient g(5, 0, 23, 0);
        g.setColorAt(0, QColor(250, 206, 80));
        g.setColorAt(1, QColor(214, 150, 20));
        p.setBrush(g);
        p.setPen(QPen(QColor(150, 100, 10), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(bell);
        p.drawEllipse(QPointF(14, 23.5), 2.5, 2.5);
        p.drawLine(QPointF(14, 2), QPointF(14, 4));
        break;
    }
    case 9:
    case 10: { // the view list button, normal and pressed
        const bool pressed = index == 10;
        QLinearGradient g(0, 0, 0, 28);
        g.setColorAt(0, pressed ? QColor(60, 86, 150) : QColor(120, 156, 214));
        g.setColorAt(1, pressed ? QColor(92, 124, 186) : QColor(50, 78, 146));
        p.setBrush(g);
        p.setPen(QPen(QColor(30, 48, 96), 1.2));
        p.drawRoundedRect(QRectF(1, 1, 26, 26), 6, 6);
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const double d = pressed ? 1 : 0;
        p.drawPolyline(QPolygonF{{8 + d, 11 + d}, {14 + d, 17 + d}, {20 + d, 11 + d}});
        break;
    }
    case 11: { // the drop list arrow
        p.setPen(QPen(kBlue, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(kBlue);
        p.drawPolygon(QPolygonF{{6, 10.5}, {22, 10.5}, {14, 19.5}});
        break;
    }
    }
}

QImage iconStrip() {
    QImage img = transparent(12 * 34, 34);
    QPainter p;
    begin(p, img);
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(i * 34, 0);
        p.setClipRect(0, 0, 34, 34);
        icon(p, i);
        p.restore();
    }
    p.end();
    return flattenKeyed(img, QColor(236, 240, 246), kMagenta, 48);
}

QImage amPm() {
    return strip(2, 66, 66, Qt::white, [](QPainter& p, int i) {
        const QColor digits(57, 83, 157);
        if (i == 0) { // a small sun
            p.setPen(QPen(digits, 2, Qt::SolidLine, Qt::RoundCap));
            for (int k = 0; k < 8; ++k) {
                const double a = k * M_PI / 4;
                p.drawLine(QPointF(33 + 9 * std::cos(a), 17 + 9 * std::sin(a)),
                           QPointF(33 + 13 * std::cos(a), 17 + 13 * std::sin(a)));
            }
            p.setPen(Qt::NoPen);
            p.setBrush(digits);
            p.drawEllipse(QPointF(33, 17), 6, 6);
        } else { // a crescent moon
            QPainterPath moon;
            moon.addEllipse(QPointF(33, 17), 11, 11);
            QPainterPath bite;
            bite.addEllipse(QPointF(39, 13), 9.5, 9.5);
            p.setPen(Qt::NoPen);
            p.setBrush(digits);
            p.drawPath(moon.subtracted(bite));
        }
        p.setFont(font("DejaVu Sans", 27, QFont::Bold));
        p.setPen(digits);
        p.drawText(QRectF(0, 32, 66, 34), Qt::AlignHCenter | Qt::AlignBottom, i == 0 ? "AM" : "PM");
    });
}

QImage cornerIcon() {
    QImage img = blank(38, 38, QColor(18, 19, 22));
    QPainter p;
    begin(p, img);
    QLinearGradient g(0, 0, 0, 38);
    g.setColorAt(0, QColor(84, 90, 102));
    g.setColorAt(1, QColor(40, 43, 50));
    p.setBrush(g);
    p.setPen(QPen(QColor(150, 158, 172), 1.2));
    p.drawRoundedRect(QRectF(1.5, 1.5, 35, 35), 7, 7);
    p.setPen(QPen(QColor(236, 238, 242), 2.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const double y = 12 + i * 7;
        p.drawPoint(QPointF(11, y));
        p.drawLine(QPointF(16, y), QPointF(27, y));
    }
    p.end();
    return img;
}

QImage treeImages() {
    QImage img = transparent(5 * 32, 30);
    QPainter p;
    begin(p, img);
    auto folder = [&](bool open) {
        QLinearGradient g(0, 6, 0, 26);
        g.setColorAt(0, QColor(255, 222, 120));
        g.setColorAt(1, QColor(232, 176, 50));
        p.setPen(QPen(QColor(170, 120, 20), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(226, 170, 50));
        QPainterPath back;
        back.moveTo(3, 25);
        back.lineTo(3, 7);
        back.lineTo(11, 7);
        back.lineTo(13.5, 9.5);
        back.lineTo(27, 9.5);
        back.lineTo(27, 25);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(g);
        if (open)
            p.drawPolygon(QPolygonF{{3, 25}, {7.5, 14}, {30, 14}, {26.5, 25}});
        else
            p.drawRoundedRect(QRectF(3, 12.5, 24, 12.5), 1.5, 1.5);
    };
    for (int i = 0; i < 5; ++i) {
        p.save();
        p.translate(i * 32, 0);
        p.setClipRect(0, 0, 32, 30);
        switch (i) {
        case 0:
            folder(false);
            break;
        case 1:
            folder(true);
            break;
        case 2: { // program: a small window
            p.setPen(QPen(QColor(40, 60, 110), 1.2));
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRectF(4, 5, 24, 20), 2, 2);
            p.setPen(Qt::NoPen);
            p.setBrush(kBlue);
            p.drawRect(QRectF(4.6, 5.6, 22.8, 5));
            p.setBrush(QColor(236, 170, 40));
            p.drawEllipse(QPointF(16, 18), 4, 4);
            break;
        }
        case 3: { // sound: speaker with waves
            p.setPen(QPen(QColor(40, 60, 110), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(QColor(120, 150, 210));
            p.drawPolygon(QPolygonF{{4, 11}, {9, 11}, {16, 5}, {16, 25}, {9, 19}, {4, 19}});
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(kBlue, 1.8, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(QRectF(12, 9, 10, 12), -50 * 16, 100 * 16);
            p.drawArc(QRectF(12, 5, 16, 20), -50 * 16, 100 * 16);
            break;
        }
        case 4: { // plain document
            p.setPen(QPen(QColor(90, 100, 120), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::white);
            p.drawPolygon(QPolygonF{{7, 3}, {19, 3}, {25, 9}, {25, 27}, {7, 27}});
            p.drawPolyline(QPolygonF{{19, 3}, {19, 9}, {25, 9}});
            p.setPen(QPen(QColor(160, 170, 190), 1.2));
            for (int k = 0; k < 4; ++k)
                p.drawLine(QPointF(10, 13 + 3.5 * k), QPointF(22, 13 + 3.5 * k));
            break;
        }
        }
        p.restore();
    }
    p.end();
    return flattenKeyed(img, Qt::white, kTreeKey, 48);
}

} // namespace

void drawInterface(Catalogue& out) {
    out[211] = interfaceStrip();
    out[212] = iconStrip();
    out[203] = amPm().convertToFormat(QImage::Format_RGB32);
    out[158] = cornerIcon();
    out[198] = treeImages();
}

} // namespace imagegen

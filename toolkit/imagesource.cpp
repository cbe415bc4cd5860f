// Where the IMAGE resources come from. The generated images are not in the build yet: until they
// are, each resource is a stand-in of its real size (plain, so that layouts can be checked).
#include "toolkit/picture.h"

#include <QPainter>

namespace hv::tk {

namespace {

QImage standIn(int id) {
    auto blank = [](int w, int h, QColor fill) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(fill);
        return img;
    };
    switch (id) {
    case 211: { // interface strip
        QImage img = blank(234, 44, QColor(236, 236, 236));
        QPainter p(&img);
        p.fillRect(QRect(2, 0, 18, 42), QColor(214, 218, 226));   // button, normal
        p.fillRect(QRect(20, 0, 18, 42), QColor(150, 160, 190));  // button, pressed
        p.fillRect(QRect(216, 0, 18, 34), QColor(230, 230, 230)); // button, disabled
        p.fillRect(QRect(56, 0, 60, 32), QColor(140, 160, 214));  // tab, selected
        p.fillRect(QRect(116, 0, 60, 32), QColor(214, 218, 226)); // tab
        p.fillRect(QRect(56, 33, 1, 6), QColor(128, 128, 224));   // divider
        p.fillRect(QRect(57, 32, 1, 1), QColor(57, 83, 157));
        p.fillRect(QRect(58, 32, 1, 1), QColor(200, 208, 232)); // calendar header
        p.fillRect(QRect(59, 32, 1, 1), QColor(232, 236, 246)); // calendar grid
        return img;
    }
    case 212: { // icon strip, twelve 34 x 34 icons on magenta
        QImage img = blank(12 * 34, 34, QColor(255, 0, 255));
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(57, 83, 157));
        const QPointF arrow[3] = {
            {11 * 34 + 9.0, 12.0}, {11 * 34 + 25.0, 12.0}, {11 * 34 + 17.0, 22.0}};
        p.drawPolygon(arrow, 3);
        p.drawEllipse(QRectF(8 * 34 + 9.0, 9.0, 16.0, 16.0));
        return img;
    }
    case 125:
        return blank(197, 197, Qt::white);
    case 119:
        return blank(362, 362, Qt::white);
    case 124:
        return blank(82, 82, Qt::white);
    case 203:
        return blank(132, 66, Qt::white);
    default:
        return {};
    }
}

} // namespace

QImage LoadImageResource(int id) {
    return standIn(id);
}

} // namespace hv::tk

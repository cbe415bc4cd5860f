// Previews: the watch skins and clock faces composed the way the views
// compose them (digits, marks and mirrored hand frames at their places), so
// that a person can check the pictures fit together. Written only when the
// generator is asked for them; they are not resources.

#include "draw.h"

#include <QDir>

#include <cmath>

namespace imagegen {
namespace {

QImage frame(const QImage& strip, int count, int index) {
    const int w = strip.width() / count;
    return strip.copy(index * w, 0, w, strip.height());
}

// Copies `src` to (x, y) leaving out pixels of the key colour; a negative
// width or height mirrors the picture, which then ends at x or y.
void keyed(QImage& dst, const QImage& src, int x, int y, int w, int h, QRgb key) {
    const int aw = std::abs(w), ah = std::abs(h);
    const int left = w < 0 ? x - aw : x, top = h < 0 ? y - ah : y;
    for (int j = 0; j < ah; ++j)
        for (int i = 0; i < aw; ++i) {
            const int sx = w < 0 ? aw - 1 - i : i, sy = h < 0 ? ah - 1 - j : j;
            const QRgb c = src.pixel(sx, sy) | 0xff000000u;
            if (c != (key | 0xff000000u) && dst.rect().contains(left + i, top + j))
                dst.setPixel(left + i, top + j, c);
        }
}

void opaque(QImage& dst, const QImage& src, int x, int y) {
    QPainter p(&dst);
    p.drawImage(x, y, src);
}

void hand(QImage& dst, const QImage& strip, int pos, int s, int xr, int xl, int yt, int yb) {
    if (pos <= 15)
        keyed(dst, frame(strip, 16, pos), xr, yt, s, s, 0);
    else if (pos <= 30)
        keyed(dst, frame(strip, 16, 30 - pos), xr, yb, s, -s, 0);
    else if (pos <= 45)
        keyed(dst, frame(strip, 16, pos - 30), xl, yb, -s, -s, 0);
    else
        keyed(dst, frame(strip, 16, 60 - pos), xl, yt, -s, s, 0);
}

void fill(QImage& img, int l, int t, int r, int b, QColor c) {
    QPainter p(&img);
    p.fillRect(QRect(l, t, r - l, b - t), c);
}

struct Clock {
    int hour, minute, second, day, month, year, weekday;
};

QImage citizen(const Catalogue& c, const Clock& t) {
    QImage img = c.at(159).copy();
    opaque(img, c.at(158), 436, 10);
    const QColor lcd(123, 138, 125);
    const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    opaque(img, frame(c.at(166), 7, t.weekday), 300, 364);
    const int date[4] = {t.month / 10, t.month % 10, t.day / 10, t.day % 10};
    const int dx[4] = {267, 285, 312, 330};
    for (int i = 0; i < 4; ++i)
        if (i != 0 || date[0] != 0)
            opaque(img, frame(c.at(164), 10, date[i]), dx[i], 327);
    if (t.hour < 12)
        fill(img, 174, 401, 185, 407, lcd);
    else
        fill(img, 174, 394, 185, 400, lcd);
    if (h12 >= 10)
        opaque(img, frame(c.at(164), 10, h12 / 10), 188, 393);
    opaque(img, frame(c.at(164), 10, h12 % 10), 206, 393);
    opaque(img, frame(c.at(164), 10, t.minute / 10), 231, 393);
    opaque(img, frame(c.at(164), 10, t.minute % 10), 249, 393);
    opaque(img, frame(c.at(165), 10, t.second / 10), 269, 397);
    opaque(img, frame(c.at(165), 10, t.second % 10), 284, 397);
    hand(img, c.at(163), (t.hour * 5 + t.minute / 6) / 2, 44, 168, 178, 282, 360);
    hand(img, c.at(161), t.minute, 130, 228, 252, 203, 439);
    hand(img, c.at(160), (t.hour % 12) * 5 + t.minute / 12, 114, 228, 252, 219, 423);
    hand(img, c.at(162), t.second, 198, 188, 292, 175, 467);
    return img;
}

QImage casio(const Catalogue& c, const Clock& t) {
    QImage img = c.at(168).copy();
    opaque(img, c.at(158), 436, 10);
    fill(img, 155 + 26 * t.weekday, 258, 173 + 26 * t.weekday, 264, Qt::black);
    opaque(img, frame(c.at(172), 7, t.weekday), 113, 302);
    opaque(img, frame(c.at(171), 10, (t.year / 10) % 10), 197, 302);
    opaque(img, frame(c.at(171), 10, t.year % 10), 221, 302);
    const int date[4] = {t.month / 10, t.month % 10, t.day / 10, t.day % 10};
    const int dx[4] = {285, 303, 336, 354};
    for (int i = 0; i < 4; ++i)
        opaque(img, frame(c.at(170), 10, date[i]), dx[i], 302);
    const QColor lcd(161, 173, 163);
    if (t.hour < 12)
        fill(img, 121, 335, 135, 341, lcd);
    else
        fill(img, 158, 335, 172, 341, lcd);
    const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    const int digits[6] = {h12 / 10,      h12 % 10,      t.minute / 10,
                           t.minute % 10, t.second / 10, t.second % 10};
    const int x[6] = {112, 149, 199, 236, 302, 339};
    for (int i = 0; i < 6; ++i)
        if (i != 0 || digits[0] != 0)
            opaque(img, frame(c.at(169), 10, digits[i]), x[i], 345);
    return img;
}

QImage anaDigi(const Catalogue& c, const Clock& t) {
    QImage img = c.at(174).copy();
    opaque(img, c.at(158), 436, 10);
    const int date[4] = {t.month / 10, t.month % 10, t.day / 10, t.day % 10};
    const int x[4] = {258, 281, 315, 338};
    for (int i = 0; i < 4; ++i)
        if (i != 0 || date[0] != 0)
            opaque(img, frame(c.at(178), 10, date[i]), x[i], 386);
    const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    const int time[4] = {h12 / 10, h12 % 10, t.minute / 10, t.minute % 10};
    for (int i = 0; i < 4; ++i)
        if (i != 0 || time[0] != 0)
            opaque(img, frame(c.at(178), 10, time[i]), x[i], 327);
    keyed(img, frame(c.at(180), 2, t.hour < 12 ? 0 : 1), 250, 332, 10, 6, 0xffffffff);
    hand(img, c.at(176), t.minute, 49, 172, 188, 174, 256);
    hand(img, c.at(175), (t.hour % 12) * 5 + t.minute / 12, 48, 172, 188, 175, 255);
    hand(img, c.at(177), t.second, 55, 284, 324, 180, 250);
    return img;
}

// The analog renderer's kite hands over a face.
QImage face(const QImage& faceImg, QPoint hourSample, QPoint minuteSample, QPoint secondSample,
            double hourTip, double hourTail, double hourW, double minTip, double minTail,
            double minW, double secR, const Clock& t) {
    QImage img = faceImg.copy();
    const double cx = img.width() / 2, cy = img.height() / 2;
    auto at = [&](int i, double r) {
        const double a = i * 0.10471976;
        return QPointF(cx + std::trunc(std::sin(a) * r + 0.5),
                       cy - std::trunc(std::cos(a) * r + 0.5));
    };
    auto kite = [&](int i, double tip, double tail, double w) {
        return QPolygonF{at(i, tip), at((i + 15) % 60, w), at((i + 30) % 60, tail),
                         at((i + 45) % 60, w)};
    };
    QPainter p;
    begin(p, img);
    const QColor hc = faceImg.pixelColor(hourSample), mc = faceImg.pixelColor(minuteSample),
                 sc = faceImg.pixelColor(secondSample);
    p.setPen(QPen(hc, 1));
    p.setBrush(hc);
    p.drawPolygon(kite((t.hour % 12) * 5 + t.minute / 12, hourTip, hourTail, hourW));
    p.setPen(QPen(mc, 1));
    p.setBrush(mc);
    p.drawPolygon(kite(t.minute, minTip, minTail, minW));
    p.setPen(QPen(sc, 2));
    p.drawLine(QPointF(cx, cy), at(t.second, secR));
    p.end();
    return img;
}

} // namespace

bool writePreviews(const Catalogue& c, const QString& dir) {
    QDir().mkpath(dir);
    const Clock morning{10, 8, 37, 24, 12, 2026, 4};
    const Clock evening{21, 47, 52, 3, 7, 2026, 5};
    bool ok = true;
    auto zoom = [](const QImage& img, QRect r) {
        return img.copy(r).scaled(r.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    };
    {
        QImage both(960, 480, QImage::Format_RGB32);
        QPainter p(&both);
        p.drawImage(0, 0, zoom(citizen(c, morning), QRect(180, 261, 120, 120)));
        p.drawImage(480, 0, zoom(citizen(c, evening), QRect(180, 261, 120, 120)));
        p.end();
        ok &= both.save(QDir(dir).filePath("zoom-citizen.png"));
        QImage ana(960, 480, QImage::Format_RGB32);
        p.begin(&ana);
        p.drawImage(0, 0, zoom(anaDigi(c, morning), QRect(120, 155, 240, 120)));
        p.drawImage(0, 0, zoom(anaDigi(c, morning), QRect(120, 155, 120, 120)));
        p.drawImage(480, 0, zoom(anaDigi(c, evening), QRect(244, 155, 120, 120)));
        p.end();
        ok &= ana.save(QDir(dir).filePath("zoom-anadigi.png"));
    }
    {
        // small strips, enlarged three times, on a neutral grey
        const int ids[] = {211, 212, 203, 198, 158, 180, 164, 165, 166, 169, 170, 171, 172, 178};
        auto scale = [](const QImage& img) { return img.width() * 3 > 1230 ? 2 : 3; };
        int height = 6;
        for (int id : ids)
            height += c.at(id).height() * scale(c.at(id)) + 6;
        QImage sheet(1240, height, QImage::Format_RGB32);
        sheet.fill(QColor(200, 200, 204));
        QPainter p(&sheet);
        int y = 6;
        for (int id : ids) {
            const QImage& img = c.at(id);
            const int k = scale(img);
            p.drawImage(QPoint(6, y),
                        img.scaled(img.size() * k, Qt::IgnoreAspectRatio, Qt::FastTransformation));
            y += img.height() * k + 6;
        }
        p.end();
        ok &= sheet.save(QDir(dir).filePath("sheet-strips.png"));
    }
    {
        // the Moon view's picture: background with phase pictures over it
        QImage moons(1000, 464, QImage::Format_RGB32);
        moons.fill(Qt::black);
        for (int k = 0; k < 10; ++k) {
            const int index = k * 24 / 10 + (k == 5 ? 0 : 1);
            QImage m = c.at(121).copy();
            const QImage& stripImg = c.at(index < 12 ? 120 : 217);
            keyed(m, frame(stripImg, 12, index % 12), 0, 0, 200, 200, 0xffffffff);
            QPainter p(&moons);
            p.drawImage((k % 5) * 200, (k / 5) * 200, m);
        }
        QPainter p(&moons);
        p.drawImage(0, 400, c.at(122));
        p.end();
        ok &= moons.save(QDir(dir).filePath("moon-phases.png"));
    }
    {
        // title strip and status bar of the main window, from the strips
        const QImage& ui = c.at(211);
        const QImage& icons = c.at(212);
        QImage bars(480, 140, QImage::Format_RGB32);
        bars.fill(Qt::white);
        QPainter p(&bars);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.drawImage(QRect(0, 0, 480, 44), ui, QRect(0, 0, 1, 44));
        keyed(bars, frame(icons, 12, 9), 12, 8, 34, 34, 0xffff00ff);
        QFont f("DejaVu Sans");
        f.setPixelSize(28);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(0xD9, 0xE8, 0xF6));
        p.drawText(QRect(51, 7, 172, 28), Qt::AlignVCenter, "General");
        p.setPen(QColor(0x29, 0x3E, 0x51));
        p.drawText(QRect(50, 6, 172, 28), Qt::AlignVCenter, "General");
        p.drawImage(QRect(0, 52, 480, 8), ui, QRect(56, 33, 1, 6));
        p.drawImage(QRect(0, 96, 480, 44), ui, QRect(1, 0, 1, 44));
        p.drawImage(156, 96, ui.copy(176, 0, 4, 44));
        p.drawImage(320, 96, ui.copy(176, 0, 4, 44));
        f.setPixelSize(24);
        f.setBold(false);
        p.setFont(f);
        p.setPen(Qt::black);
        const char* texts[3] = {"7:30", "12/24/26", "@432"};
        const int kinds[3] = {0, 6, 5};
        for (int i = 0; i < 3; ++i) {
            const int x = i == 0 ? 0 : i == 1 ? 160 : 324;
            const int w = p.fontMetrics().horizontalAdvance(texts[i]);
            keyed(bars, frame(icons, 12, kinds[i]), x + (118 - w) / 2 - 4, 96 + 5, 34, 34,
                  0xffff00ff);
            p.drawText(QPoint(x + (118 - w) / 2 + 42, 96 + 8 + p.fontMetrics().ascent()), texts[i]);
        }
        p.end();
        ok &= bars.save(QDir(dir).filePath("header-status.png"));
    }
    ok &= citizen(c, morning).save(QDir(dir).filePath("citizen-1008.png"));
    ok &= citizen(c, evening).save(QDir(dir).filePath("citizen-2147.png"));
    ok &= casio(c, morning).save(QDir(dir).filePath("casio-1008.png"));
    ok &= anaDigi(c, morning).save(QDir(dir).filePath("anadigi-1008.png"));
    ok &= anaDigi(c, evening).save(QDir(dir).filePath("anadigi-2147.png"));
    ok &= face(c.at(125), {60, 9}, {91, 3}, {82, 22}, 64, 10, 6, 82, 10, 6, 84, morning)
              .save(QDir(dir).filePath("general-1008.png"));
    ok &= face(c.at(119), {179, 3}, {183, 12}, {155, 41}, 120, 12, 10, 152, 12, 8, 156, evening)
              .save(QDir(dir).filePath("analog-2147.png"));
    return ok;
}

} // namespace imagegen

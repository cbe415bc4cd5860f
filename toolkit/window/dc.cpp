#include "toolkit/window/dc.h"

#include "device/text.h"

#include <QFontMetrics>
#include <QPainterPath>

#include <utility>

namespace hv::tk {

QColor toQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
COLORREF fromQColor(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

QImage CreateCompatibleBitmap(int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

namespace {

struct CutWatch {
    bool on = false;
    std::vector<CutText> cuts;
};
CutWatch& cutWatch() {
    static CutWatch w;
    return w;
}

void noteCutText(const QString& text, const QRect& box, int width, const QFont& font) {
    cutWatch().cuts.push_back(
        {dev::fromQString(text),
         RECT{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()}, width,
         font.pixelSize()});
}

} // namespace

void WatchCutTexts(bool on) {
    cutWatch().on = on;
    cutWatch().cuts.clear();
}

std::vector<CutText> TakeCutTexts() {
    return std::exchange(cutWatch().cuts, {});
}

void NoteTextInBox(const QString& text, const QFont& font, const RECT& box) {
    if (!cutWatch().on || text.isEmpty())
        return;
    const int w = QFontMetrics(font).horizontalAdvance(text);
    if (w > box.width())
        noteCutText(text, QRect(box.left, box.top, box.width(), box.height()), w, font);
}

void DC::noteCut(const QString& s, const QRect& box, int align, bool clipped) const {
    if (!cutWatch().on || s.isEmpty() || s.contains(QLatin1Char('\n')))
        return;
    const int w = QFontMetrics(font_).horizontalAdvance(s);
    if (clipped) {
        if (w > box.width())
            noteCutText(s, box, w, font_);
        return;
    }
    // Unclipped: cut only where the bitmap ends.
    if (!image_ || !painter_)
        return;
    int left = box.left();
    if (align & Qt::AlignHCenter)
        left = box.left() + (box.width() - w) / 2;
    else if (align & Qt::AlignRight)
        left = box.left() + box.width() - w;
    const QRectF drawn = painter_->worldTransform().mapRect(QRectF(left, box.top(), w, 1));
    const qreal deviceWidth = image_->width() / image_->devicePixelRatio();
    if (drawn.left() < -0.5 || drawn.right() > deviceWidth + 0.5)
        noteCutText(s, box, w, font_);
}

DC::DC(QImage* target) : image_(target) {
    if (target && !target->isNull()) {
        own_ = std::make_unique<QPainter>(target);
        painter_ = own_.get();
    }
    if (painter_) {
        painter_->setRenderHint(QPainter::Antialiasing, false);
        painter_->setRenderHint(QPainter::TextAntialiasing, true);
        applyPen();
        applyBrush();
    }
}

DC::DC(QImage* target, QPainter* active) : image_(target), painter_(active) {
    if (painter_) {
        painter_->save();
        applyPen();
        applyBrush();
    }
}

DC::~DC() {
    if (!own_ && painter_)
        painter_->restore();
}

const QFont* DC::SelectFont(const QFont* font) {
    const QFont* old = fontHandle_;
    fontHandle_ = font;
    font_ = font ? *font : QFont();
    if (painter_)
        painter_->setFont(font_);
    return old;
}

Pen DC::SelectPen(const Pen& pen) {
    Pen old = pen_;
    pen_ = pen;
    applyPen();
    return old;
}

Brush DC::SelectBrush(const Brush& brush) {
    Brush old = brush_;
    brush_ = brush;
    applyBrush();
    return old;
}

COLORREF DC::SetTextColor(COLORREF c) {
    COLORREF old = textColour_;
    textColour_ = c;
    return old;
}
COLORREF DC::SetBkColor(COLORREF c) {
    COLORREF old = bkColour_;
    bkColour_ = c;
    return old;
}
int DC::SetBkMode(int mode) {
    int old = bkMode_;
    bkMode_ = mode;
    return old;
}

void DC::SetClipRect(const RECT* r) {
    if (!painter_)
        return;
    if (r)
        painter_->setClipRect(QRect(r->left, r->top, r->width(), r->height()));
    else
        painter_->setClipping(false);
}

void DC::applyPen() {
    if (!painter_)
        return;
    if (pen_.null)
        painter_->setPen(Qt::NoPen);
    else {
        QPen p(toQColor(pen_.colour));
        p.setWidth(pen_.width < 1 ? 1 : pen_.width);
        p.setCapStyle(Qt::FlatCap);
        p.setJoinStyle(Qt::MiterJoin);
        painter_->setPen(p);
    }
}

void DC::applyBrush() {
    if (!painter_)
        return;
    if (brush_.null)
        painter_->setBrush(Qt::NoBrush);
    else
        painter_->setBrush(toQColor(brush_.colour));
}

void DC::FillRect(const RECT& r, COLORREF colour) {
    if (painter_ && r.right > r.left && r.bottom > r.top)
        painter_->fillRect(QRect(r.left, r.top, r.width(), r.height()), toQColor(colour));
}

void DC::FillRect(const RECT& r, const Brush& brush) {
    if (!brush.null)
        FillRect(r, brush.colour);
}

static int qtAlignment(UINT flags) {
    int a = 0;
    if (flags & DT_CENTER)
        a |= Qt::AlignHCenter;
    else if (flags & DT_RIGHT)
        a |= Qt::AlignRight;
    else
        a |= Qt::AlignLeft;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            a |= Qt::AlignVCenter;
        else if (flags & DT_BOTTOM)
            a |= Qt::AlignBottom;
        else
            a |= Qt::AlignTop;
    } else {
        a |= Qt::AlignTop;
    }
    if (flags & DT_WORDBREAK)
        a |= Qt::TextWordWrap;
    return a;
}

int DC::DrawText(std::u16string_view text, RECT& r, UINT flags) {
    QFontMetrics fm(font_);
    QString s = dev::toQString(text);
    if (flags & DT_SINGLELINE)
        s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    QRect box(r.left, r.top, r.width(), r.height());
    const int align = qtAlignment(flags);
    if (flags & DT_END_ELLIPSIS)
        s = fm.elidedText(s, Qt::ElideRight, box.width());
    QRect bound = fm.boundingRect(box, align, s);
    if (flags & DT_CALCRECT) {
        r.right = r.left + bound.width();
        r.bottom = r.top + bound.height();
        return bound.height();
    }
    if (!painter_)
        return bound.height();
    if (!(flags & DT_WORDBREAK))
        noteCut(s, box, align, !(flags & DT_NOCLIP));
    painter_->save();
    if (!(flags & DT_NOCLIP))
        painter_->setClipRect(box, Qt::IntersectClip);
    if (bkMode_ == OPAQUE)
        painter_->fillRect(bound, toQColor(bkColour_));
    painter_->setFont(font_);
    painter_->setPen(toQColor(textColour_));
    painter_->drawText(box, align, s);
    painter_->restore();
    return bound.height();
}

int DC::DrawText(std::u16string_view text, const RECT& r, UINT flags) {
    RECT copy = r;
    return DrawText(text, copy, flags & ~DT_CALCRECT);
}

void DC::TextOut(int x, int y, std::u16string_view text) {
    if (!painter_)
        return;
    QFontMetrics fm(font_);
    QString s = dev::toQString(text);
    QRect bound(x, y, fm.horizontalAdvance(s), fm.height());
    noteCut(s, bound, Qt::AlignLeft, false);
    painter_->save();
    if (bkMode_ == OPAQUE)
        painter_->fillRect(bound, toQColor(bkColour_));
    painter_->setFont(font_);
    painter_->setPen(toQColor(textColour_));
    painter_->drawText(QPoint(x, y + fm.ascent()), s);
    painter_->restore();
}

POINT DC::GetTextExtent(std::u16string_view text) const {
    QFontMetrics fm(font_);
    return {fm.horizontalAdvance(dev::toQString(text)), fm.height()};
}

static QPolygon toPolygon(const POINT* pts, int n) {
    QPolygon poly;
    for (int i = 0; i < n; ++i)
        poly << QPoint(pts[i].x, pts[i].y);
    return poly;
}

void DC::Polygon(const POINT* pts, int n) {
    if (painter_ && pts && n > 1)
        painter_->drawPolygon(toPolygon(pts, n));
}

void DC::Polyline(const POINT* pts, int n) {
    if (painter_ && pts && n > 1)
        painter_->drawPolyline(toPolygon(pts, n));
}

void DC::Rectangle(int l, int t, int r, int b) {
    if (!painter_ || r <= l || b <= t)
        return;
    // The outline lies inside the rectangle, as the handheld draws it.
    if (!brush_.null)
        painter_->fillRect(QRect(l, t, r - l, b - t), toQColor(brush_.colour));
    if (!pen_.null) {
        painter_->save();
        painter_->setBrush(Qt::NoBrush);
        painter_->drawRect(QRect(l, t, r - l - 1, b - t - 1));
        painter_->restore();
    }
}

void DC::SetPixel(int x, int y, COLORREF c) {
    if (painter_)
        painter_->fillRect(QRect(x, y, 1, 1), toQColor(c));
}

QRectF DC::logicalToSource(const QImage& src, int sx, int sy, int sw, int sh) const {
    const qreal dpr = src.devicePixelRatio();
    return QRectF(sx * dpr, sy * dpr, sw * dpr, sh * dpr);
}

void DC::BitBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy) {
    if (!painter_ || src.isNull() || w <= 0 || h <= 0)
        return;
    painter_->drawImage(QRectF(x, y, w, h), src, logicalToSource(src, sx, sy, w, h));
}

void DC::BitBlt(int x, int y, int w, int h, const DC& src, int sx, int sy) {
    if (src.image_)
        BitBlt(x, y, w, h, *src.image_, sx, sy);
}

void DC::StretchBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy, int sw, int sh) {
    if (!painter_ || src.isNull() || w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
        return;
    painter_->save();
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_->drawImage(QRectF(x, y, w, h), src, logicalToSource(src, sx, sy, sw, sh));
    painter_->restore();
}

void DC::TransparentImage(int x, int y, int w, int h, const QImage& src, int sx, int sy, int sw,
                          int sh, COLORREF transparent) {
    if (!painter_ || src.isNull() || w == 0 || h == 0 || sw == 0 || sh == 0)
        return;
    // Normalise the source: a mirrored source extent mirrors the picture as well.
    bool flipX = false, flipY = false;
    if (sw < 0) {
        sx += sw;
        sw = -sw;
        flipX = !flipX;
    }
    if (sh < 0) {
        sy += sh;
        sh = -sh;
        flipY = !flipY;
    }
    if (w < 0) {
        x += w;
        w = -w;
        flipX = !flipX;
    }
    if (h < 0) {
        y += h;
        h = -h;
        flipY = !flipY;
    }
    QImage part = src.copy(logicalToSource(src, sx, sy, sw, sh).toRect())
                      .convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(GetRValue(transparent), GetGValue(transparent), GetBValue(transparent));
    for (int row = 0; row < part.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(part.scanLine(row));
        for (int col = 0; col < part.width(); ++col)
            if ((line[col] & 0xffffff) == (key & 0xffffff))
                line[col] = 0;
    }
    if (flipX || flipY)
        part = part.mirrored(flipX, flipY);
    painter_->save();
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_->drawImage(QRectF(x, y, w, h), part);
    painter_->restore();
}

void DC::DrawImage(int x, int y, const QImage& src, int sx, int sy, int w, int h) {
    if (!painter_ || src.isNull() || w <= 0 || h <= 0)
        return;
    painter_->drawImage(QRectF(x, y, w, h), src, logicalToSource(src, sx, sy, w, h));
}

void DC::MarkChanged(const RECT& r) {
    changesMarked_ = true;
    if (r.width() > 0 && r.height() > 0)
        changed_ += QRect(r.left, r.top, r.width(), r.height());
}

} // namespace hv::tk

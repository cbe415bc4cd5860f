#include "toolkit/window/picture.h"

#include "toolkit/window/SWindow.h"

#include <QPainter>

#include <algorithm>

namespace hv::tk {

ImageList::ImageList(const QImage& strip, int frames, bool masked, int64_t maskColour) {
    if (strip.isNull() || frames <= 0 || strip.width() / frames <= 0)
        return;
    count_ = frames;
    width_ = strip.width() / frames;
    height_ = strip.height();
    frames_ = strip.convertToFormat(QImage::Format_ARGB32);
    if (masked) {
        const QRgb key = maskColour < 0 ? 0 : static_cast<QRgb>(maskColour);
        const QRgb want = qRgb(GetRValue(key), GetGValue(key), GetBValue(key)) & 0xffffff;
        for (int y = 0; y < frames_.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(frames_.scanLine(y));
            for (int x = 0; x < frames_.width(); ++x)
                if ((line[x] & 0xffffff) == want)
                    line[x] = 0;
        }
    }
}

void ImageList::Draw(DC& dc, int index, int x, int y) const {
    if (isNull() || index < 0 || index >= count_)
        return;
    dc.DrawImage(x, y, frames_, index * width_, 0, width_, height_);
}

ImageList LoadStrip(int id, int frames, bool masked, int64_t maskColour) {
    return ImageList(LoadImageResource(id), frames, masked, maskColour);
}

static void copyColumns(const QImage& src, int sx, int sw, int sy, int sh, QImage& dst, int dx,
                        int dh) {
    if (sw <= 0)
        return;
    if (sh == dh) {
        QPainter p(&dst);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(dx, 0), src, QRect(sx, sy, sw, sh));
    } else {
        QPainter p(&dst);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QRect(dx, 0, sw, dh), src, QRect(sx, sy, sw, sh));
    }
}

QImage RenderRegion(const QImage& source, const RECT& region, int dw, int dh) {
    if (source.isNull() || dw <= 0 || dh <= 0)
        return {};
    const int sw = region.width(), sh = region.height();
    if (sw <= 0 || sh <= 0)
        return {};
    QImage cache(dw, dh,
                 source.format() == QImage::Format_ARGB32 ? QImage::Format_ARGB32
                                                          : QImage::Format_RGB32);
    cache.fill(Qt::white);
    if (sw == dw && sh == dh) {
        copyColumns(source, region.left, sw, region.top, sh, cache, 0, dh);
    } else if (sw >= 2) {
        // Both ends unchanged, the centre column repeated across the middle by copying ever
        // larger blocks of what is already there.
        const int half = (sw - 1) / 2 + 1;
        const int ends = std::min(half, dw);
        copyColumns(source, region.left, ends, region.top, sh, cache, 0, dh);
        if (dw > half) {
            const int rightCols = std::min(half, dw - half);
            copyColumns(source, region.right - rightCols, rightCols, region.top, sh, cache,
                        dw - rightCols, dh);
        }
        const int centre = (sw - 1) / 2;
        int filled = half;
        const int gapEnd = dw - half; // first column of the right part
        int block = 1;
        while (filled < gapEnd) {
            const int n = std::min(block, gapEnd - filled);
            const QImage piece = cache.copy(centre, 0, n, dh);
            QPainter p(&cache);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(QPoint(filled, 0), piece);
            filled += n;
            ++block;
        }
    } else {
        QPainter p(&cache);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QRect(0, 0, dw, dh), source, QRect(region.left, region.top, sw, sh));
    }
    return cache;
}

Picture::Picture(const QImage* source, const RECT& region, const RECT& destination, bool keepCache)
    : source_(source), region_(region), dest_(destination), keep_(keepCache) {}

void Picture::setDestination(const RECT& r) {
    if (r.width() != cacheWidth_ || r.height() != cacheHeight_)
        cache_ = QImage();
    dest_ = r;
}

void Picture::Render() {
    if (!cache_.isNull() || !source_)
        return;
    cache_ = RenderRegion(*source_, region_, dest_.width(), dest_.height());
    cacheWidth_ = cache_.width();
    cacheHeight_ = cache_.height();
}

QImage Picture::WorkingCopy() {
    Render();
    QImage copy = cache_.copy();
    if (!keep_)
        cache_ = QImage();
    return copy;
}

void Picture::Draw(DC& dc) {
    Render();
    if (!cache_.isNull())
        dc.BitBlt(dest_.left, dest_.top, cacheWidth_, cacheHeight_, cache_, 0, 0);
    if (!keep_)
        cache_ = QImage();
}

void Picture::DrawInto(DC& dc, const RECT& r) {
    dest_ = r;
    cache_ = QImage();
    Draw(dc);
}

void Picture::DrawAt(DC& dc, int x, int y) {
    const int w = dest_.width(), h = dest_.height();
    dest_ = {x, y, x + w, y + h};
    Draw(dc);
}

void PaintOwnerDrawButton(ButtonStyle& style, const DRAWITEMSTRUCT& item) {
    if (!item.hDC)
        return;
    std::u16string text = item.hwndItem ? GetWindowText(item.hwndItem) : item.text;
    if (text.empty())
        text = item.text;
    if (text.size() > 64)
        text.resize(64);
    Picture* pic = &style.normal;
    COLORREF colour = style.normalText;
    if (item.itemState & ODS_SELECTED) {
        pic = &style.pressed;
        colour = style.pressedText;
    } else if (item.itemState & (ODS_DISABLED | ODS_GRAYED)) {
        pic = &style.disabled;
        colour = style.disabledText;
    }
    DC& dc = *item.hDC;
    if (style.keepCache) {
        if (!pic->hasCache() && pic->destination().width() <= 0)
            pic->setDestination(item.rcItem);
        pic->DrawAt(dc, item.rcItem.left, item.rcItem.top);
    } else
        pic->DrawInto(dc, item.rcItem);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour);
    RECT r = item.rcItem;
    r.left += 1;
    r.bottom -= 1;
    dc.DrawText(text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

} // namespace hv::tk

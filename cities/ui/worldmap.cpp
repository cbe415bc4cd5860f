#include "cities/ui/worldmap.h"

#include "device/device.h"
#include "images/images.h"
#include "toolkit/window/picture.h"

#include <QPainter>

#include <cmath>

namespace hv::citiesui {

using namespace hv::tk;

STMap::STMap() = default;

STMap::~STMap() {
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

void STMap::show(HWND owner) {
    if (day_.isNull()) {
        day_ = LoadImageResource(kDayPicture).convertToFormat(QImage::Format_RGB32);
        night_ = LoadImageResource(kNightPicture).convertToFormat(QImage::Format_RGB32);
        // A missing night picture leaves the map without shading, never without the day.
        if (night_.size() != day_.size())
            night_ = day_;
        dayDetailed_ = images::loadDetailed(kDayPicture).convertToFormat(QImage::Format_RGB32);
        nightDetailed_ = images::loadDetailed(kNightPicture).convertToFormat(QImage::Format_RGB32);
        if (nightDetailed_.size() != dayDetailed_.size())
            nightDetailed_ = QImage();
    }
    if (!hwnd()) {
        Create(0, u"STMap", u"", WS_CHILD | WS_VISIBLE, kPosition.x, kPosition.y, day_.width(),
               day_.height(), owner, 0, nullptr);
        return;
    }
    ShowWindow(hwnd(), SW_SHOW);
    InvalidateRect(hwnd(), nullptr, false);
}

void STMap::hide() {
    if (hwnd())
        ShowWindow(hwnd(), SW_HIDE);
}

void STMap::setMarks(const MapMark& a, const MapMark& b) {
    markA_ = a;
    markB_ = b;
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, false);
}

const QImage& STMap::picture(const QImage& source, const QImage& detailed, QImage& scaled,
                             qreal& ratio, qreal pixelRatio) const {
    if (pixelRatio == 1)
        return source;
    if (ratio != pixelRatio) {
        // From the detailed picture when there is one (both pictures or neither), so that a
        // scaled map keeps its coastlines sharp.
        const bool fromDetailed = !dayDetailed_.isNull() && !nightDetailed_.isNull();
        const QImage& from = fromDetailed ? detailed : source;
        const QSize pixels(static_cast<int>(std::lround(source.width() * pixelRatio)),
                           static_cast<int>(std::lround(source.height() * pixelRatio)));
        scaled = from.size() == pixels
                     ? from
                     : from.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        ratio = pixelRatio;
    }
    return scaled;
}

void STMap::drawNight(QImage& out, const dev::SystemTime& utc) const {
    // The terminator for every pixel column of the picture as it is composed, so that a map
    // shown at a scale factor gets an edge as fine as its pixels.
    const QImage& night =
        picture(night_, nightDetailed_, nightScaled_, nightRatio_, out.devicePixelRatio());
    const int w = out.width();
    const int h = out.height();
    const astro::Terminator t = astro::TerminatorAt(utc, w, h);
    for (const astro::NightRun& run : astro::NightRuns(t, h)) {
        const auto* from = reinterpret_cast<const QRgb*>(night.constScanLine(run.y)) + run.x0;
        auto* to = reinterpret_cast<QRgb*>(out.scanLine(run.y)) + run.x0;
        std::copy(from, from + (run.x1 - run.x0), to);
    }
}

void STMap::drawMark(DC& dc, const MapMark& m, COLORREF outer, COLORREF centre) const {
    const astro::MapPoint p = astro::MarkPosition(m.latDegrees, m.lonDegrees, m.north, m.east,
                                                  day_.width(), day_.height());
    dc.FillRect({p.x - 2, p.y - 2, p.x + 4, p.y + 4}, outer);
    dc.FillRect({p.x, p.y, p.x + 2, p.y + 2}, centre);
}

QImage STMap::compose(const dev::SystemTime& utc, qreal pixelRatio) const {
    if (day_.isNull())
        return {};
    QImage out = picture(day_, dayDetailed_, dayScaled_, dayRatio_, pixelRatio).copy();
    out.setDevicePixelRatio(pixelRatio);
    if (shading_)
        drawNight(out, utc);
    DC dc(&out);
    drawMark(dc, markA_, kMarkAOuter, kMarkACentre);
    drawMark(dc, markB_, kMarkBOuter, kMarkBCentre);
    return out;
}

void STMap::Paint(HDC hdc) {
    const qreal ratio = hdc->image() ? hdc->image()->devicePixelRatio() : 1;
    const QImage map = compose(dev::getSystemTime(), ratio);
    hdc->BitBlt(0, 0, day_.width(), day_.height(), map, 0, 0);
}

void STMap::OnLButtonDown(POINT pt) {
    if (day_.isNull())
        return;
    const astro::MapPlace place = astro::PlaceAtPoint(pt.x, pt.y, day_.width(), day_.height());
    markB_ = {place.latDegrees, place.lonDegrees, place.north, place.east};
    InvalidateRect(hwnd(), nullptr, false);
}

// ---- Accessibility ---------------------------------------------------------------------------

tk::Accessible STMap::accessibility() const {
    tk::Accessible a;
    a.role = QAccessible::Graphic;
    a.name = windowTitle();
    return a;
}

} // namespace hv::citiesui

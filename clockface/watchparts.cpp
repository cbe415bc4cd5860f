#include "clockface/watchparts.h"

#include "toolkit/window/picture.h"

namespace hv::clockface {

namespace {
constexpr int kPositions = 60;
constexpr int kQuarter = 15;
} // namespace

FramePlacement PlaceStripFrame(int position, const StripHandGeometry& g) {
    int p = position % kPositions;
    if (p < 0)
        p += kPositions;
    const int s = g.size;
    if (p <= kQuarter)
        return {p, g.xr, g.yt, s, s};
    if (p <= 2 * kQuarter)
        return {2 * kQuarter - p, g.xr, g.yb, s, -s};
    if (p <= 3 * kQuarter)
        return {p - 2 * kQuarter, g.xl, g.yb, -s, -s};
    return {kPositions - p, g.xl, g.yt, -s, s};
}

int DayDialPosition(int hour, int minute) {
    // Sixty positions in 24 hours: one every 24 minutes of the day.
    return (hour * 60 + minute) / 24;
}

bool HandStrip::load(int resourceId) {
    QImage img = tk::LoadImageResource(resourceId);
    if (img.isNull() || img.height() <= 0 || img.width() != img.height() * kStripFrames) {
        clear();
        return false;
    }
    // Black is the transparent colour of the strips.
    img = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((line[x] & 0xffffff) == 0)
                line[x] = 0;
    }
    frames_ = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    size_ = img.height();
    return true;
}

void HandStrip::draw(tk::DC& dc, int position, const StripHandGeometry& g) const {
    if (frames_.isNull())
        return;
    const FramePlacement f = PlaceStripFrame(position, g);
    QPainter& p = dc.painter();
    p.save();
    p.translate(f.x, f.y);
    // Mirroring about the given edge: the image then ends at x (or y).
    p.scale(f.w < 0 ? -1 : 1, f.h < 0 ? -1 : 1);
    p.drawImage(QRect(0, 0, g.size, g.size), frames_, QRect(f.frame * size_, 0, size_, size_));
    p.restore();
}

int DisplayHour(int hour, bool hours24) {
    if (hours24)
        return hour;
    if (hour == 0)
        return 12;
    return hour > 12 ? hour - 12 : hour;
}

TimeDigits WatchTimeDigits(const dev::SystemTime& t, bool hours24) {
    TimeDigits d;
    const int hour = DisplayHour(t.hour, hours24);
    d.hourTens = hour / 10 != 0 || hours24 ? hour / 10 : kNoDigit;
    d.hourUnits = hour % 10;
    d.minuteTens = t.minute / 10;
    d.minuteUnits = t.minute % 10;
    d.secondTens = t.second / 10;
    d.secondUnits = t.second % 10;
    d.afternoon = t.hour >= 12;
    return d;
}

DateDigits WatchDateDigits(const dev::SystemTime& t, int shortDateOrder, bool hideLeadingZero) {
    const bool dayFirst = shortDateOrder == 1;
    const int first = dayFirst ? t.day : t.month;
    const int second = dayFirst ? t.month : t.day;
    DateDigits d;
    d.firstTens = first / 10 == 0 && hideLeadingZero && !dayFirst ? kNoDigit : first / 10;
    d.firstUnits = first % 10;
    d.secondTens = second / 10;
    d.secondUnits = second % 10;
    return d;
}

} // namespace hv::clockface

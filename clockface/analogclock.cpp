#include "clockface/analogclock.h"

#include "device/format.h"
#include "images/images.h"

#include <cmath>

namespace hv::clockface {

using tk::DC;
using tk::POINT;
using tk::RGB;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kHandPenWidth = 1;

POINT offset(POINT p, POINT by) {
    return {p.x + by.x, p.y + by.y};
}

} // namespace

const FaceLayout& LayoutOf(FaceKind kind) {
    switch (kind) {
    case FaceKind::Analog:
        return kAnalogFaceLayout;
    case FaceKind::Small:
        return kSmallFaceLayout;
    case FaceKind::General:
    default:
        return kGeneralFaceLayout;
    }
}

AnalogClock::AnalogClock(FaceKind kind, POINT position)
    : kind_(kind), layout_(&LayoutOf(kind)),
      position_(position), centre_{layout_->width / 2, layout_->height / 2} {
    const tk::PictureTable* table = resourcesLive() ? &res().table : nullptr;
    int hourLine = 0, minuteLine = 0;
    if (!layout_->kites) {
        hourLine = table ? table->smallHandRadii[0] : 24;
        minuteLine = table ? table->smallHandRadii[1] : 32;
    }
    hands_ = BuildHandTables(centre_, layout_->hour, layout_->minute, layout_->secondRadius,
                             hourLine, minuteLine);
    if (table) {
        const tk::ImageRegion& region = kind == FaceKind::General  ? table->generalFace
                                        : kind == FaceKind::Analog ? table->analogFace
                                                                   : table->smallFace;
        face_ = tk::Picture(table->image(region.image), region.rect, faceRect(), true);
    }
    sampleColours();
}

void AnalogClock::sampleColours() {
    const tk::PictureTable* table = resourcesLive() ? &res().table : nullptr;
    if (!layout_->kites) {
        // The small face's lines: black pens of the table's widths.
        const COLORREF hour = table ? table->smallHandColours[0] : RGB(0, 0, 0);
        const COLORREF minute = table ? table->smallHandColours[1] : RGB(0, 0, 0);
        hourPen_ = {hour, table ? table->smallHandWidths[0] : kHandPenWidth, false};
        minutePen_ = {minute, table ? table->smallHandWidths[1] : kHandPenWidth, false};
        secondPen_ = {RGB(0, 0, 0), kHandPenWidth, true};
        return;
    }
    // The face carries the colours of its hands at three fixed pixels.
    std::array<POINT, 3> samples{};
    if (table)
        samples = kind_ == FaceKind::General ? table->generalSamples : table->analogSamples;
    auto sample = [&](int i) {
        return table ? table->sample(layout_->tableImage, samples[static_cast<size_t>(i)])
                     : RGB(0, 0, 0);
    };
    hourPen_ = {sample(0), kHandPenWidth, false};
    minutePen_ = {sample(1), kHandPenWidth, false};
    secondPen_ = {sample(2), layout_->secondPenWidth, false};
    hourBrush_ = {hourPen_.colour, false};
    minuteBrush_ = {minutePen_.colour, false};
}

void AnalogClock::setPosition(POINT position) {
    position_ = position;
    face_.setDestination(faceRect());
}

RECT AnalogClock::faceRect() const {
    return {position_.x, position_.y, position_.x + layout_->width, position_.y + layout_->height};
}

RECT AnalogClock::timeTextRect() const {
    return {position_.x + kTimeTextOffsets.left, position_.y + kTimeTextOffsets.top,
            position_.x + kTimeTextOffsets.right, position_.y + kTimeTextOffsets.bottom};
}

std::u16string AnalogClock::TimeText(const dev::SystemTime& t) {
    char16_t buf[kTimeTextCapacity] = {};
    const int n = dev::getTimeFormat(t, dev::kTimeNoSeconds, nullptr, buf, kTimeTextCapacity);
    return n > 1 ? std::u16string(buf, static_cast<size_t>(n - 1)) : std::u16string();
}

void AnalogClock::Paint(DC& dc, const dev::SystemTime& now) {
    previous_ = current_;
    current_ = now;
    if (layout_->kites)
        paintComposed(dc);
    else
        paintLines(dc);
    if (layout_->timeText)
        drawTimeText(dc);
}

const QImage& AnalogClock::detailedFace(qreal pixelRatio) {
    if (!detailed_.isNull() && detailedRatio_ == pixelRatio)
        return detailed_;
    QImage source = images::loadDetailed(layout_->resourceId);
    if (source.isNull() && resourcesLive())
        if (const QImage* plain = res().table.image(layout_->tableImage))
            source = *plain;
    const QSize pixels(static_cast<int>(std::lround(layout_->width * pixelRatio)),
                       static_cast<int>(std::lround(layout_->height * pixelRatio)));
    detailed_ = source.isNull()
                    ? tk::CreateCompatibleBitmap(pixels.width(), pixels.height())
                    : source.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                          .convertToFormat(QImage::Format_RGB32);
    detailed_.setDevicePixelRatio(pixelRatio);
    detailedRatio_ = pixelRatio;
    return detailed_;
}

QImage AnalogClock::workingCopy(qreal pixelRatio) {
    if (pixelRatio != 1) {
        QImage copy = detailedFace(pixelRatio).copy();
        copy.setDevicePixelRatio(pixelRatio);
        return copy;
    }
    QImage copy = face_.WorkingCopy();
    // Without a face image the hands are still drawn, on white.
    return copy.isNull() ? tk::CreateCompatibleBitmap(layout_->width, layout_->height) : copy;
}

void AnalogClock::drawHourHand(DC& dc) const {
    dc.SelectPen(hourPen_);
    dc.SelectBrush(hourBrush_);
    const auto i = static_cast<size_t>(HourPosition(current_.hour, current_.minute));
    dc.Polygon(hands_.hourHands[i].data(), static_cast<int>(hands_.hourHands[i].size()));
}

void AnalogClock::drawMinuteHand(DC& dc) const {
    dc.SelectPen(minutePen_);
    dc.SelectBrush(minuteBrush_);
    const auto i = static_cast<size_t>(MinutePosition(current_.minute));
    dc.Polygon(hands_.minuteHands[i].data(), static_cast<int>(hands_.minuteHands[i].size()));
}

void AnalogClock::drawSecondHand(DC& dc) const {
    dc.SelectPen(secondPen_);
    const POINT end = hands_.secondEnds[static_cast<size_t>(SecondPosition(current_.second))];
    const POINT line[2] = {centre_, end};
    dc.Polyline(line, 2);
}

void AnalogClock::paintComposed(DC& dc) {
    const qreal ratio = dc.image() ? dc.image()->devicePixelRatio() : 1;
    QImage copy = workingCopy(ratio);
    {
        DC work(&copy);
        drawHourHand(work);
        drawMinuteHand(work);
        if (layout_->secondRadius > 0)
            drawSecondHand(work);
    }
    dc.BitBlt(position_.x, position_.y, layout_->width, layout_->height, copy, 0, 0);
}

void AnalogClock::drawFaceAt(DC& dc, qreal pixelRatio) {
    if (pixelRatio != 1) {
        dc.BitBlt(position_.x, position_.y, layout_->width, layout_->height,
                  detailedFace(pixelRatio), 0, 0);
        return;
    }
    face_.Draw(dc);
}

void AnalogClock::paintLines(DC& dc) {
    drawFaceAt(dc, dc.image() ? dc.image()->devicePixelRatio() : 1);
    const tk::Pen old = dc.SelectPen(hourPen_);
    const POINT centre = offset(centre_, position_);
    const POINT hour =
        offset(hands_.hourEnds[static_cast<size_t>(HourPosition(current_.hour, current_.minute))],
               position_);
    const POINT minute =
        offset(hands_.minuteEnds[static_cast<size_t>(MinutePosition(current_.minute))], position_);
    const POINT hourLine[2] = {centre, hour};
    dc.Polyline(hourLine, 2);
    dc.SelectPen(minutePen_);
    const POINT minuteLine[2] = {centre, minute};
    dc.Polyline(minuteLine, 2);
    dc.SelectPen(old);
}

void AnalogClock::drawTimeText(DC& dc) const {
    const RECT r = timeTextRect();
    if (current_.hour != previous_.hour)
        dc.FillRect(r, kWhite);
    const QFont* oldFont = dc.SelectFont(font(tk::kFontText));
    const COLORREF oldColour = dc.SetTextColor(colour(tk::kColourText));
    const COLORREF oldBack = dc.SetBkColor(kWhite);
    const int oldMode = dc.SetBkMode(tk::OPAQUE);
    dc.DrawText(TimeText(current_), r,
                tk::DT_CENTER | tk::DT_VCENTER | tk::DT_SINGLELINE | tk::DT_NOCLIP);
    dc.SetBkMode(oldMode);
    dc.SetBkColor(oldBack);
    dc.SetTextColor(oldColour);
    dc.SelectFont(oldFont);
}

} // namespace hv::clockface

// Parts shared by the watch skins: hands cut from 16-frame image strips and mirrored into the
// other three quadrants, and the digit rules of the watch displays (the 12-hour hour, the hidden
// tens digit, the order of the date's day and month).
#pragma once

#include "device/systime.h"
#include "toolkit/window/dc.h"

#include <QImage>

namespace hv::clockface {

// A strip holds the positions 0 to 15 (twelve o'clock to three o'clock, six degrees apart), each
// frame s x s with the pivot at a fixed point. The other positions are the same frames mirrored:
// placed at (xr, yt) unmirrored, at xl with the image's right edge there when mirrored left-right,
// at yb with its bottom edge there when mirrored top-bottom.
struct StripHandGeometry {
    int size = 0;
    int xr = 0;
    int xl = 0;
    int yt = 0;
    int yb = 0;
};

// Where one frame goes: a negative width mirrors left-right with the right edge at x, a negative
// height mirrors top-bottom with the bottom edge at y.
struct FramePlacement {
    int frame = 0;
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const FramePlacement&) const = default;
};

inline constexpr int kStripFrames = 16;

// The frame and destination of a position (taken modulo 60).
FramePlacement PlaceStripFrame(int position, const StripHandGeometry& g);

// The 24-hour sub-dial: one turn a day, a position every 24 minutes, always forward.
int DayDialPosition(int hour, int minute);

// A hand strip with its transparent colour (black) taken out once, so that a paint only copies.
class HandStrip {
public:
    HandStrip() = default;
    // Loads the IMAGE resource; false when it is missing or not 16 square frames wide.
    bool load(int resourceId);
    void clear() { frames_ = QImage(); }
    bool isNull() const { return frames_.isNull(); }
    int frameSize() const { return size_; }
    // Draws the hand at a position, mirrored as the placement says.
    void draw(tk::DC& dc, int position, const StripHandGeometry& g) const;

private:
    QImage frames_;
    int size_ = 0;
};

// ---- Digits ---------------------------------------------------------------------------------

// The hour a watch shows: as is in 24-hour mode; 12 for hour 0 and hour - 12 for 13-23 in
// 12-hour mode.
int DisplayHour(int hour, bool hours24);

inline constexpr int kNoDigit = -1;

struct TimeDigits {
    int hourTens = kNoDigit; // kNoDigit: not drawn (a zero in 12-hour mode)
    int hourUnits = 0;
    int minuteTens = 0;
    int minuteUnits = 0;
    int secondTens = 0;
    int secondUnits = 0;
    bool afternoon = false; // from noon on
};
TimeDigits WatchTimeDigits(const dev::SystemTime& t, bool hours24);

// The date as two two-digit values: the day first when the short date order is 1 (day, month,
// year), else the month. A zero tens digit of the first value is left out (kNoDigit) in the
// month-first order when `hideLeadingZero` is set; the day's tens digit always shows.
struct DateDigits {
    int firstTens = kNoDigit;
    int firstUnits = 0;
    int secondTens = 0;
    int secondUnits = 0;
};
DateDigits WatchDateDigits(const dev::SystemTime& t, int shortDateOrder, bool hideLeadingZero);

} // namespace hv::clockface

// The analog clock renderer: hour, minute and second hands over a face image. One object per
// clock face, in one of three variants: the General view's face, the Analog Clock view's large
// face, and the small hands-only face of a City Time item. The hand tables, pens, brushes and the
// hand colours (read from fixed pixels of the face image) are made at construction; a paint only
// indexes the tables. The large faces are composed on a working copy of the cached face and sent
// to the screen in one block transfer, so the clock never flickers.
#pragma once

#include "clockface/handtables.h"
#include "device/systime.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/dc.h"
#include "toolkit/window/picture.h"

#include <QImage>

#include <string>

namespace hv::clockface {

using tk::COLORREF;
using tk::RECT;

enum class FaceKind { General, Analog, Small };

// What a variant is made of. Lengths in pixels from the centre.
struct FaceLayout {
    int tableImage = 0; // index of the face in the picture-and-colour table
    int resourceId = 0; // its IMAGE resource number
    int width = 0;
    int height = 0;
    HandShape hour; // kites (the small face draws lines instead)
    HandShape minute;
    int secondRadius = 0; // 0: no second hand
    int secondPenWidth = 0;
    bool kites = true;     // false: hour and minute lines straight onto the screen
    bool timeText = false; // the digital time under the face
};

inline constexpr FaceLayout kGeneralFaceLayout{1,           125, 197, 197,  {64, 10, 6},
                                               {82, 10, 6}, 84,  2,   true, true};
inline constexpr FaceLayout kAnalogFaceLayout{2,   119, 362,  362,  {120, 12, 10}, {152, 12, 8},
                                              156, 2,   true, false};
inline constexpr FaceLayout kSmallFaceLayout{3, 124, 82, 82, {}, {}, 0, 0, false, false};

const FaceLayout& LayoutOf(FaceKind kind);

// Where the General face writes the time: from the face's left edge to 200 pixels right of it,
// 210 to 238 pixels below its top edge.
inline constexpr RECT kTimeTextOffsets{0, 210, 200, 238};
// The buffer the formatted time is written into, terminator included.
inline constexpr int kTimeTextCapacity = 16;

class AnalogClock : public tk::SDrawBasic {
public:
    // The face's top-left corner on the screen.
    AnalogClock(FaceKind kind, tk::POINT position);

    // Draws the clock at the given local time (the tick's time): the hands and, for the General
    // face, the time text, cleared first when the hour changed since the previous paint.
    void Paint(tk::DC& dc, const dev::SystemTime& now);

    // A City Time item moves its clock with the item.
    void setPosition(tk::POINT position);

    FaceKind kind() const { return kind_; }
    const FaceLayout& layout() const { return *layout_; }
    tk::POINT position() const { return position_; }
    // The face's centre, relative to its top-left corner.
    tk::POINT centre() const { return centre_; }
    RECT faceRect() const;
    RECT timeTextRect() const;
    const HandTables& hands() const { return hands_; }
    COLORREF hourColour() const { return hourPen_.colour; }
    COLORREF minuteColour() const { return minutePen_.colour; }
    COLORREF secondColour() const { return secondPen_.colour; }
    const dev::SystemTime& currentTime() const { return current_; }
    const dev::SystemTime& previousTime() const { return previous_; }
    // The time text of a moment, as the General face writes it.
    static std::u16string TimeText(const dev::SystemTime& t);

private:
    void sampleColours();
    QImage workingCopy(qreal pixelRatio);
    void drawHourHand(tk::DC& dc) const;
    void drawMinuteHand(tk::DC& dc) const;
    void drawSecondHand(tk::DC& dc) const;
    void drawTimeText(tk::DC& dc) const;
    void paintComposed(tk::DC& dc);
    void paintLines(tk::DC& dc);
    void drawFaceAt(tk::DC& dc, qreal pixelRatio);
    const QImage& detailedFace(qreal pixelRatio);

    FaceKind kind_;
    const FaceLayout* layout_;
    tk::POINT position_;
    tk::POINT centre_;
    HandTables hands_;
    tk::Picture face_;
    tk::Pen hourPen_, minutePen_, secondPen_;
    tk::Brush hourBrush_, minuteBrush_;
    dev::SystemTime current_{};
    dev::SystemTime previous_{};
    // The face for a window shown at a scale factor, drawn from the larger face image.
    QImage detailed_;
    qreal detailedRatio_ = 0;
};

} // namespace hv::clockface

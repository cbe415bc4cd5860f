// The world map of the World Time view: the day picture with the half of the Earth that is in
// darkness at the current UTC time copied from the night picture, run by run along the rows, and
// the two cities marked in colour. Composed off screen and copied in one transfer. A tap moves
// mark B to the tapped place.
#pragma once

#include "astro/terminator.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

#include <QImage>

namespace hv::citiesui {

// Whole degrees and hemisphere flags of a marked place.
struct MapMark {
    int latDegrees = 0;
    int lonDegrees = 0;
    bool north = true;
    bool east = true;
    friend bool operator==(const MapMark&, const MapMark&) = default;
};

class STMap : public tk::SWindow, public tk::SDrawBasic {
public:
    static constexpr int kDayPicture = 118;
    static constexpr int kNightPicture = 138;
    static constexpr tk::POINT kPosition{0, 46};
    static constexpr tk::COLORREF kMarkAOuter = tk::RGB(255, 192, 192);
    static constexpr tk::COLORREF kMarkACentre = tk::RGB(255, 64, 64);
    static constexpr tk::COLORREF kMarkBOuter = tk::RGB(192, 192, 255);
    static constexpr tk::COLORREF kMarkBCentre = tk::RGB(64, 64, 255);

    STMap();
    ~STMap() override;
    // A picture named after its view.
    tk::Accessible accessibility() const override;

    // Loads the pictures on first call and creates the window in the owner, else shows it.
    void show(tk::HWND owner);
    void hide();
    void setMarks(const MapMark& a, const MapMark& b);
    const MapMark& markA() const { return markA_; }
    const MapMark& markB() const { return markB_; }
    void setShading(bool on) { shading_ = on; }
    bool shading() const { return shading_; }
    int width() const { return day_.width(); }
    int height() const { return day_.height(); }

    // The map at a UTC time, at a pixel ratio (2: twice the pixels, the terminator computed for
    // every one of them): day picture, night runs, marks.
    QImage compose(const dev::SystemTime& utc, qreal pixelRatio = 1) const;

    void Paint(tk::HDC hdc) override;
    void OnLButtonDown(tk::POINT pt) override;

private:
    const QImage& picture(const QImage& source, const QImage& detailed, QImage& scaled,
                          qreal& ratio, qreal pixelRatio) const;
    void drawNight(QImage& out, const dev::SystemTime& utc) const;
    void drawMark(tk::DC& dc, const MapMark& m, tk::COLORREF outer, tk::COLORREF centre) const;

    QImage day_, night_;
    // The same drawn three times larger, for windows shown at a scale factor.
    QImage dayDetailed_, nightDetailed_;
    // The pictures at the last pixel ratio other than 1.
    mutable QImage dayScaled_, nightScaled_;
    mutable qreal dayRatio_ = 0, nightRatio_ = 0;
    bool shading_ = true;
    MapMark markA_, markB_;
};

} // namespace hv::citiesui

// Pictures (a region of an image stretched to any rectangle, with its rendered cache), the
// program's IMAGE resources, image-list strips and the owner-drawn button painter.
#pragma once

#include "toolkit/window/dc.h"
#include "toolkit/window/winapi.h"

#include <QImage>

#include <string>

namespace hv::tk {

// Image loading: the IMAGE resource of that number, or a null image when there is none.
QImage LoadImageResource(int id);

// A strip of equal frames cut from left to right, with the mask colour made transparent.
class ImageList {
public:
    ImageList() = default;
    // Frame width = image width / frames; a mask colour of -1 masks nothing.
    ImageList(const QImage& strip, int frames, bool masked, int64_t maskColour);
    bool isNull() const { return frames_.isNull(); }
    int count() const { return count_; }
    int frameWidth() const { return width_; }
    int frameHeight() const { return height_; }
    // ImageList_Draw with ILD_TRANSPARENT: nothing when the index is outside the strip.
    void Draw(DC& dc, int index, int x, int y) const;
    const QImage& frames() const { return frames_; }

private:
    QImage frames_;
    int count_ = 0;
    int width_ = 0;
    int height_ = 0;
};

// Loads a strip from an IMAGE resource; a null list when the image is missing or too narrow.
ImageList LoadStrip(int id, int frames, bool masked, int64_t maskColour);

// The three-slice stretch of a source region to dw x dh (exposed for tests and the picture).
QImage RenderRegion(const QImage& source, const RECT& region, int dw, int dh);

class Picture {
public:
    Picture() = default;
    Picture(const QImage* source, const RECT& region, const RECT& destination, bool keepCache);

    void setDestination(const RECT& r);
    const RECT& destination() const { return dest_; }
    const RECT& region() const { return region_; }
    bool hasCache() const { return !cache_.isNull(); }

    // Makes the cache when it is missing.
    void Render();
    const QImage& cache() const { return cache_; }
    // A copy of the cache to draw over before the caller puts it on the screen.
    QImage WorkingCopy();
    // Copies the cache to the destination (and drops the cache unless it is kept).
    void Draw(DC& dc);
    // Replaces the destination, drops the cache and draws.
    void DrawInto(DC& dc, const RECT& r);
    // Draws at a point with the cached size.
    void DrawAt(DC& dc, int x, int y);

private:
    const QImage* source_ = nullptr;
    QImage cache_;
    RECT region_;
    int cacheHeight_ = 0;
    int cacheWidth_ = 0;
    RECT dest_;
    bool keep_ = false;
};

// The owner-drawn button style shared by the dialogs.
struct ButtonStyle {
    Picture pressed, normal, disabled;
    COLORREF pressedText = RGB(0, 0, 0);
    COLORREF normalText = RGB(0, 0, 0);
    COLORREF disabledText = RGB(128, 128, 128);
    bool keepCache = false;
};

// The part of WM_DRAWITEM's record the painter reads.
struct DRAWITEMSTRUCT {
    uintptr_t CtlID = 0;
    int itemID = -1;
    HWND hwndItem = nullptr;
    UINT itemState = 0;
    HDC hDC = nullptr;
    RECT rcItem;
    std::u16string text; // the button's text when there is no window to read it from
};

void PaintOwnerDrawButton(ButtonStyle& style, const DRAWITEMSTRUCT& item);

} // namespace hv::tk

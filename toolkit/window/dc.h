// The device context: a QPainter over a bitmap with the handheld's drawing state (font, pen,
// brush, text colour, background colour and mode) and its drawing operations. Off-screen bitmaps
// are QImages; a window's context draws into the window's backing bitmap.
#pragma once

#include "toolkit/window/winapi.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <memory>
#include <string>
#include <vector>

namespace hv::tk {

struct Pen {
    COLORREF colour = RGB(0, 0, 0);
    int width = 1;
    bool null = false;
};
struct Brush {
    COLORREF colour = RGB(255, 255, 255);
    bool null = false;
};

QColor toQColor(COLORREF c);
COLORREF fromQColor(const QColor& c);

// A bitmap of the display's colour depth, filled white.
QImage CreateCompatibleBitmap(int width, int height);

// Texts drawn wider than their box, or running out of the bitmap they are drawn into: while the
// watch is on, DrawText and TextOut note each one (the tests look for cut texts in every view).
struct CutText {
    std::u16string text;
    RECT box;  // the box it was drawn in (TextOut: the bitmap's width from x)
    int width; // the text's width in the selected font
    int fontPixels;
};
void WatchCutTexts(bool on);
std::vector<CutText> TakeCutTexts();
// Notes a text as DrawText would (for controls that draw with their own painter).
void NoteTextInBox(const QString& text, const QFont& font, const RECT& box);

class DC {
public:
    // Draws into the image for the life of the context.
    explicit DC(QImage* target);
    // Borrows a painter that is already active on the image (a window being painted); the state
    // of the painter is saved and restored around the context's life.
    DC(QImage* target, QPainter* active);
    ~DC();
    DC(const DC&) = delete;
    DC& operator=(const DC&) = delete;

    QImage* image() const { return image_; }
    QPainter& painter() { return *painter_; }

    // Drawing state; each Select returns the previous value.
    const QFont* SelectFont(const QFont* font);
    Pen SelectPen(const Pen& pen);
    Brush SelectBrush(const Brush& brush);
    COLORREF SetTextColor(COLORREF c);
    COLORREF SetBkColor(COLORREF c);
    int SetBkMode(int mode);
    const QFont& font() const { return font_; }
    // Limits drawing to a rectangle (nullptr: no limit).
    void SetClipRect(const RECT* r);

    // Fills with a colour (FillRect with a solid brush).
    void FillRect(const RECT& r, COLORREF colour);
    void FillRect(const RECT& r, const Brush& brush);
    // DrawTextW: returns the height of the text drawn; DT_CALCRECT only measures into r.
    int DrawText(std::u16string_view text, RECT& r, UINT flags);
    int DrawText(std::u16string_view text, const RECT& r, UINT flags);
    // ExtTextOutW without a rectangle: text with its top-left corner at (x, y).
    void TextOut(int x, int y, std::u16string_view text);
    // Width and height of a line of text in the selected font.
    POINT GetTextExtent(std::u16string_view text) const;

    void Polygon(const POINT* pts, int n);
    void Polyline(const POINT* pts, int n);
    void Rectangle(int l, int t, int r, int b);
    void SetPixel(int x, int y, COLORREF c);

    // Block copies (SRCCOPY). The source rectangle is in the source's coordinates.
    void BitBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy);
    void BitBlt(int x, int y, int w, int h, const DC& src, int sx, int sy);
    void StretchBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy, int sw, int sh);
    // TransparentImage: copies leaving out the pixels of the transparent colour. A negative
    // width mirrors left-right with the image's right edge at x; a negative height mirrors
    // top-bottom with its bottom edge at y. The source extents may be mirrored the same way.
    void TransparentImage(int x, int y, int w, int h, const QImage& src, int sx, int sy, int sw,
                          int sh, COLORREF transparent);
    // Draws an image with its own alpha at (x, y) (image lists).
    void DrawImage(int x, int y, const QImage& src, int sx, int sy, int w, int h);

    // A drawer that knows exactly what it changed on a window's context names it, and releasing
    // the context then refreshes only that part of the screen (a ticking stopwatch changes a few
    // digits ten times a second). Without a call the whole window is refreshed.
    void MarkChanged(const RECT& r);
    bool changesMarked() const { return changesMarked_; }
    const QRegion& changedRegion() const { return changed_; }

private:
    void noteCut(const QString& s, const QRect& box, int align, bool clipped) const;
    void applyPen();
    void applyBrush();
    QRectF logicalToSource(const QImage& src, int sx, int sy, int sw, int sh) const;

    QImage* image_ = nullptr;
    std::unique_ptr<QPainter> own_;
    QPainter* painter_ = nullptr;
    QFont font_;
    const QFont* fontHandle_ = nullptr;
    Pen pen_;
    Brush brush_;
    COLORREF textColour_ = RGB(0, 0, 0);
    COLORREF bkColour_ = RGB(255, 255, 255);
    int bkMode_ = OPAQUE;
    bool changesMarked_ = false;
    QRegion changed_;
};

using HDC = DC*;

} // namespace hv::tk

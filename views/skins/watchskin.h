// What the three watch skins (views 13-15) share: a full-screen photograph-like face with an LCD
// display, the corner icon and the hidden view list that a tap opens (both left out when the
// program runs as the screen saver), the alarm and chime indicators printed on the face and
// covered with the display's colour when they do not apply, and the images, which are loaded when
// the skin is shown and freed when it is hidden so that only the shown skin holds them.
#pragma once

#include "clockface/watchparts.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/picture.h"
#include "viewbase/view.h"

#include <QImage>

#include <memory>

namespace hv::skins {

using tk::COLORREF;
using tk::POINT;
using tk::RECT;

class WatchSkin : public view::View, public tk::SDrawBasic {
public:
    // The view list sits over the top right corner, right-aligned, with a line after the
    // thirteen ordinary views; its closed box is never drawn.
    static constexpr RECT kViewListRect{298, 12, 470, 40};
    static constexpr int kViewListSeparatorRow = 13;
    static constexpr uintptr_t kViewListId = 1313;
    static constexpr POINT kCornerIconAt{436, 10};
    static constexpr int kCornerIconId = 158;
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 640;

    WatchSkin(view::ViewContext& ctx, int number, COLORREF lcd);
    ~WatchSkin() override;

    bool fullScreen() const override { return true; }
    void show() override;
    void hide() override;
    bool stylusDown(POINT p) override;
    bool stylusUp(POINT p) override;
    bool notify(tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;

    COLORREF lcdColour() const { return lcd_; }
    bool alarmOn() const { return alarmOn_; }
    bool listOpen() const { return listOpen_; }
    // Null in screen-saver mode.
    tk::DropList* viewList() const { return viewList_.get(); }
    bool imagesLoaded() const { return !background_.isNull(); }

protected:
    // The skin's own images besides the background; freeImages drops them all.
    virtual void loadSkinImages() = 0;
    virtual void freeSkinImages() = 0;
    virtual int backgroundId() const = 0;

    bool hours24() const { return ctx_.locale.locale24Hour != 0; }
    bool chimeOn() const { return ctx_.settings.chimeOn != 0; }
    int dateOrder() const { return ctx_.locale.localeShortDateOrder; }

    void drawBackground(tk::DC& dc) const;
    // The corner icon, except in screen-saver mode.
    void drawCornerIcon(tk::DC& dc) const;
    // Covers the alarm indicator when no alarm is enabled and the chime indicator when the chime
    // is off.
    void coverIndicators(tk::DC& dc, const RECT& alarm, const RECT& chime) const;
    // One digit of an opaque digit list; a digit that is not drawn shows the display's colour.
    void drawDigit(tk::DC& dc, const tk::ImageList& list, int digit, int x, int y) const;

    // The off-screen bitmap the analog skins compose a frame in.
    QImage& canvas();

    QImage background_;

private:
    void loadImages();
    void freeImages();
    void createViewList();
    void openViewList();
    void closeViewList();

    COLORREF lcd_;
    QImage cornerIcon_;
    QImage canvas_;
    std::unique_ptr<tk::DropList> viewList_;
    bool alarmOn_ = false;
    bool listOpen_ = false;
    // The tap that began while the list was open (or closed it on the way down) closes it.
    bool tapCloses_ = false;
    bool justDismissed_ = false;
};

// A skin whose hands sweep over the whole face: every paint composes the face off-screen (the
// background, the corner icon, the indicator covers, then the skin's own face) and copies it to
// the screen in one transfer.
class ComposedWatchSkin : public WatchSkin {
public:
    ComposedWatchSkin(view::ViewContext& ctx, int number, COLORREF lcd, const RECT& alarmIndicator,
                      const RECT& chimeIndicator);

    void paint(tk::DC& dc) final;
    void tick(tk::DC& dc, const dev::SystemTime& now) final;

protected:
    // The skin's date, time and hands over the prepared face.
    virtual void drawFace(tk::DC& dc, const dev::SystemTime& now) const = 0;

private:
    void compose(tk::DC& screen, const dev::SystemTime& now);

    RECT alarmIndicator_;
    RECT chimeIndicator_;
};

} // namespace hv::skins

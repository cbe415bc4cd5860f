#include "views/skins/watchskin.h"

#include "device/device.h"
#include "shellcore/shellcore.h"

#include <QTimer>
#include <QWidget>

namespace hv::skins {

using namespace hv::tk;

WatchSkin::WatchSkin(view::ViewContext& ctx, int number, COLORREF lcd)
    : View(ctx, number), lcd_(lcd) {}

WatchSkin::~WatchSkin() = default;

void WatchSkin::createViewList() {
    if (viewList_ || ctx_.screenSaver || !ctx_.mainWindow)
        return;
    viewList_ =
        std::make_unique<DropList>(ctx_.mainWindow, kViewListRect, std::u16string(shell::kViewList),
                                   number(), font(kFontTextBold), kViewListId);
    if (SDropList* l = viewList_->list()) {
        l->setHidden(true);
        l->setRightAligned(true);
        l->setSeparatorRow(kViewListSeparatorRow);
    }
}

void WatchSkin::show() {
    listOpen_ = false;
    tapCloses_ = false;
    alarmOn_ = ctx_.alarms.anyEnabled();
    createViewList();
    if (viewList_)
        viewList_->SetSelected(number());
    loadImages();
}

void WatchSkin::hide() {
    closeViewList();
    freeImages();
}

void WatchSkin::loadImages() {
    if (background_.isNull())
        background_ = LoadImageResource(backgroundId()).convertToFormat(QImage::Format_RGB32);
    if (cornerIcon_.isNull() && !ctx_.screenSaver)
        cornerIcon_ = LoadImageResource(kCornerIconId);
    loadSkinImages();
}

void WatchSkin::freeImages() {
    background_ = QImage();
    cornerIcon_ = QImage();
    canvas_ = QImage();
    freeSkinImages();
}

QImage& WatchSkin::canvas() {
    if (canvas_.isNull()) {
        canvas_ = QImage(kWidth, kHeight, QImage::Format_RGB32);
        canvas_.fill(Qt::black);
    }
    return canvas_;
}

void WatchSkin::drawBackground(DC& dc) const {
    if (!background_.isNull())
        dc.BitBlt(0, 0, kWidth, kHeight, background_, 0, 0);
}

void WatchSkin::drawCornerIcon(DC& dc) const {
    if (ctx_.screenSaver || cornerIcon_.isNull())
        return;
    dc.DrawImage(kCornerIconAt.x, kCornerIconAt.y, cornerIcon_, 0, 0, cornerIcon_.width(),
                 cornerIcon_.height());
}

void WatchSkin::coverIndicators(DC& dc, const RECT& alarm, const RECT& chime) const {
    if (!alarmOn_)
        dc.FillRect(alarm, lcd_);
    if (!chimeOn())
        dc.FillRect(chime, lcd_);
}

void WatchSkin::drawDigit(DC& dc, const ImageList& list, int digit, int x, int y) const {
    if (digit == clockface::kNoDigit) {
        dc.FillRect({x, y, x + list.frameWidth(), y + list.frameHeight()}, lcd_);
        return;
    }
    list.Draw(dc, digit, x, y);
}

// ---- The view list ---------------------------------------------------------------------------

void WatchSkin::openViewList() {
    if (!viewList_)
        return;
    viewList_->SetSelected(number());
    // The skin fills the screen scaled; its list opens over the face at the same scale.
    if (ctx_.mainWindow && viewList_->engine()) {
        const view::ScreenFit f =
            view::FitSkin(ctx_.mainWindow->width(), ctx_.mainWindow->height());
        viewList_->engine()->setScreenMapping(
            f.scale, {static_cast<int>(f.dx + 0.5), static_cast<int>(f.dy + 0.5)});
    }
    viewList_->Open();
    listOpen_ = true;
}

void WatchSkin::closeViewList() {
    listOpen_ = false;
    tapCloses_ = false;
    if (viewList_ && viewList_->engine() && viewList_->engine()->isOpen())
        viewList_->engine()->Dismiss();
}

bool WatchSkin::stylusDown(POINT) {
    // A tap beside the open list closes it before the tap reaches the skin: the tap that ends
    // with the stylus lifted only finishes that close.
    tapCloses_ = listOpen_ || justDismissed_;
    return true;
}

bool WatchSkin::stylusUp(POINT) {
    if (ctx_.screenSaver)
        return false; // the main window ends the program
    if (tapCloses_ || listOpen_) {
        closeViewList();
        return true;
    }
    openViewList();
    return true;
}

bool WatchSkin::notify(UINT msg, WPARAM wp, LPARAM) {
    if (msg != kMsgChanged || wp != kViewListId || !viewList_)
        return false;
    // The list closed: with a choice of another view, that view is shown.
    const int chosen = viewList_->selected();
    listOpen_ = false;
    if (chosen != number() && shell::isView(chosen)) {
        if (ctx_.selectView)
            ctx_.selectView(chosen);
        return true;
    }
    justDismissed_ = true;
    QTimer::singleShot(0, viewList_->hwnd(), [this] { justDismissed_ = false; });
    return true;
}

ComposedWatchSkin::ComposedWatchSkin(view::ViewContext& ctx, int number, COLORREF lcd,
                                     const RECT& alarmIndicator, const RECT& chimeIndicator)
    : WatchSkin(ctx, number, lcd), alarmIndicator_(alarmIndicator),
      chimeIndicator_(chimeIndicator) {}

void ComposedWatchSkin::compose(DC& screen, const dev::SystemTime& now) {
    QImage& frame = canvas();
    {
        DC dc(&frame);
        drawBackground(dc);
        drawCornerIcon(dc);
        coverIndicators(dc, alarmIndicator_, chimeIndicator_);
        drawFace(dc, now);
    }
    screen.BitBlt(0, 0, kWidth, kHeight, frame, 0, 0);
}

void ComposedWatchSkin::paint(DC& dc) {
    compose(dc, dev::getLocalTime());
}

void ComposedWatchSkin::tick(DC& dc, const dev::SystemTime& now) {
    compose(dc, now);
}

} // namespace hv::skins

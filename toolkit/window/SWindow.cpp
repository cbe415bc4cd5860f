#include "toolkit/window/SWindow.h"
#include "toolkit/window/accessible.h"

#include "device/text.h"
#include "toolkit/window/keyboard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>

#include <set>
#include <vector>

namespace hv::tk {

namespace {

// Every SWindow alive, so that a handle kept after its object died is told apart.
std::set<const QWidget*>& liveWindows() {
    static std::set<const QWidget*> windows;
    return windows;
}

// Pop-ups hear of taps elsewhere as losing activation.
class PopupWatcher : public QObject {
public:
    std::set<SWindow*> popups;
    bool eventFilter(QObject* obj, QEvent* ev) override {
        if (ev->type() != QEvent::MouseButtonPress || popups.empty() || !obj->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(obj);
        std::vector<QPointer<SWindow>> losing;
        for (SWindow* p : popups)
            if (p != w && !p->isAncestorOf(w))
                losing.emplace_back(p);
        for (auto& p : losing)
            if (p && IsWindow(p.data()))
                p->OnDeactivate();
        return false;
    }
};
// Made with the first pop-up; until then (and without an application) there is none.
PopupWatcher* popupWatcherIfAny = nullptr;
PopupWatcher& popupWatcher() {
    if (!popupWatcherIfAny) {
        popupWatcherIfAny = new PopupWatcher;
        qApp->installEventFilter(popupWatcherIfAny);
    }
    return *popupWatcherIfAny;
}
void forgetPopup(SWindow* w) {
    if (popupWatcherIfAny)
        popupWatcherIfAny->popups.erase(w);
}

// The program's screen a window stands on: the top-level window that no other window owns.
// Dialogs and the pop-ups over them stand on their owner's screen.
QWidget* screenWindow(QWidget* w) {
    QWidget* top = w->window();
    while (top->parentWidget())
        top = top->parentWidget()->window();
    return top;
}

int virtualKey(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_F4:
        return VK_F4;
    default:
        return qtKey < 0x80 ? qtKey : 0;
    }
}

} // namespace

// ---- SWindow ---------------------------------------------------------------------------------

SWindow::SWindow() : QWidget(nullptr) {
    InstallAccessibility();
    liveWindows().insert(this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    InstallKeyboardNavigation();
}

SWindow::~SWindow() {
    if (created_)
        tearDown();
    // Child windows belong to their owners' objects, not to this widget: they leave it before
    // Qt would delete them with it.
    for (QObject* o : children())
        if (auto* w = qobject_cast<QWidget*>(o); w && liveWindows().count(w))
            w->setParent(nullptr);
    liveWindows().erase(this);
    forgetPopup(this);
}

int SWindow::Create(uint32_t, const std::u16string& className, const std::u16string& windowName,
                    uint32_t style, int x, int y, int width, int height, HWND parent,
                    uintptr_t menuOrId, HINSTANCE) {
    if (created_ || !qApp)
        return 0;
    QWidget* qtParent = nullptr;
    Qt::WindowFlags flags;
    bool ownWindow = false;
    popup_ = false;
    if (style & WS_CHILD) {
        if (!parent)
            return 0;
        qtParent = parent;
    } else if (parent && (style & WS_POPUP)) {
        // A pop-up over the program's screen, at screen coordinates, above every other window
        // there. Over the main window it lives in it; over a dialog it is a window of its own,
        // so that the dialog's edges do not cut it.
        qtParent = parent->window();
        popup_ = true;
        if (qtParent != screenWindow(qtParent)) {
            flags = Qt::Tool | Qt::FramelessWindowHint;
            ownWindow = true;
        }
    } else {
        flags = Qt::Window;
        if (!(style & WS_CAPTION))
            flags |= Qt::FramelessWindowHint;
    }
    setParent(qtParent, flags);
    setObjectName(dev::toQString(className));
    style_ = style;
    id_ = (style & WS_CHILD) ? menuOrId : 0;
    ownerParent_ = parent;
    setWindowTitle(dev::toQString(windowName));
    if (style & WS_VSCROLL) {
        vbar_ = new QScrollBar(Qt::Vertical, this);
        QObject::connect(vbar_, &QScrollBar::actionTriggered, this, [this](int action) {
            int request = -1;
            switch (action) {
            case QAbstractSlider::SliderSingleStepAdd:
                request = SB_LINEDOWN;
                break;
            case QAbstractSlider::SliderSingleStepSub:
                request = SB_LINEUP;
                break;
            case QAbstractSlider::SliderPageStepAdd:
                request = SB_PAGEDOWN;
                break;
            case QAbstractSlider::SliderPageStepSub:
                request = SB_PAGEUP;
                break;
            case QAbstractSlider::SliderMove:
                request = SB_THUMBTRACK;
                break;
            default:
                break;
            }
            if (request < 0)
                return;
            trackPos_ = vbar_->sliderPosition();
            OnVScroll(request, trackPos_);
        });
    }
    const QPoint at = ownWindow ? screenWindow(qtParent)->mapToGlobal(QPoint(x, y)) : QPoint(x, y);
    setGeometry(at.x(), at.y(), width < 0 ? 0 : width, height < 0 ? 0 : height);
    created_ = true;
    ensureCanvas();
    if (popup_) {
        popupWatcher().popups.insert(this);
        raise();
    }
    if (style & WS_VISIBLE) {
        show();
        if (popup_)
            raise();
    } else {
        // Hidden until shown: Qt would otherwise show it with its parent.
        hide();
    }
    return 1;
}

void SWindow::Paint(HDC) {}
void SWindow::OnLButtonDown(POINT) {}
void SWindow::OnLButtonUp(POINT) {}
void SWindow::OnMouseMove(POINT) {}
bool SWindow::OnKeyDown(int) {
    return false;
}
bool SWindow::OnWheel(int) {
    return false;
}
void SWindow::OnVScroll(int, int) {}
void SWindow::OnDeactivate() {}
void SWindow::OnDestroy() {}
Accessible SWindow::accessibility() const {
    Accessible a;
    a.name = windowTitle();
    return a;
}
LRESULT SWindow::WindowProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

int SWindow::clientWidth() const {
    return width() - (vbar_ ? kScrollBarWidth : 0);
}

void SWindow::ensureCanvas() {
    const qreal dpr = devicePixelRatioF();
    const QSize want(static_cast<int>(clientWidth() * dpr), static_cast<int>(height() * dpr));
    if (canvas_.size() == want && canvas_.devicePixelRatio() == dpr)
        return;
    QImage fresh(want.isEmpty() ? QSize(1, 1) : want, QImage::Format_RGB32);
    fresh.setDevicePixelRatio(dpr);
    fresh.fill(Qt::white);
    if (!canvas_.isNull()) {
        QPainter p(&fresh);
        p.drawImage(QPoint(0, 0), canvas_);
    }
    canvas_ = fresh;
    invalid_ = QRegion(0, 0, clientWidth(), height());
    eraseFirst_ = true;
}

// Paints the invalid part of the canvas, if any.
void SWindow::paintPending() {
    if (!created_)
        return;
    ensureCanvas();
    if (invalid_.isEmpty())
        return;
    const QRegion region = invalid_;
    const QRect bound = region.boundingRect();
    invalid_ = QRegion();
    DC dc(&canvas_);
    dc.painter().setClipRegion(region);
    if (eraseFirst_)
        dc.painter().fillRect(bound, Qt::white);
    eraseFirst_ = false;
    QPointer<SWindow> self(this);
    activePainter_ = &dc.painter();
    Paint(&dc);
    if (self)
        activePainter_ = nullptr;
}

QImage SWindow::pixels() {
    paintPending();
    return canvas_;
}

void SWindow::paintEvent(QPaintEvent* ev) {
    paintPending();
    QPainter p(this);
    // Only the rectangles asked for are copied: a whole-canvas copy under a clip walks the
    // whole image (and hands large copies to Qt's worker threads).
    const qreal dpr = canvas_.devicePixelRatio();
    const QRect client(0, 0, clientWidth(), height());
    for (const QRect& asked : ev->region()) {
        const QRect r = asked & client;
        if (r.isEmpty())
            continue;
        p.drawImage(QRectF(r), canvas_,
                    QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr));
    }
    p.setClipRegion(ev->region());
    if (style_ & WS_BORDER) {
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(0, 0, width() - 1, height() - 1));
    }
    if (showsFocusMark())
        DrawFocusMark(p, QRect(0, 0, clientWidth(), height()));
}

void SWindow::resizeEvent(QResizeEvent*) {
    if (vbar_)
        vbar_->setGeometry(width() - kScrollBarWidth, 0, kScrollBarWidth, height());
    if (created_)
        ensureCanvas();
}

void SWindow::mousePressEvent(QMouseEvent* ev) {
    if (ev->button() == Qt::LeftButton) {
        const QPoint p = ev->position().toPoint();
        OnLButtonDown({p.x(), p.y()});
    }
}

void SWindow::mouseReleaseEvent(QMouseEvent* ev) {
    if (ev->button() == Qt::LeftButton) {
        const QPoint p = ev->position().toPoint();
        OnLButtonUp({p.x(), p.y()});
    }
}

void SWindow::mouseMoveEvent(QMouseEvent* ev) {
    if (ev->buttons() & Qt::LeftButton) {
        const QPoint p = ev->position().toPoint();
        OnMouseMove({p.x(), p.y()});
    }
}

void SWindow::keyPressEvent(QKeyEvent* ev) {
    if (!OnKeyDown(virtualKey(ev->key())))
        ev->ignore();
}

void SWindow::wheelEvent(QWheelEvent* ev) {
    const int turn = ev->angleDelta().y();
    if (turn == 0 || !OnWheel(turn))
        ev->ignore();
}

void SWindow::focusInEvent(QFocusEvent* ev) {
    const Qt::FocusReason r = ev->reason();
    if (r == Qt::TabFocusReason || r == Qt::BacktabFocusReason || r == Qt::ShortcutFocusReason)
        keyboardFocus_ = true;
    else if (r == Qt::MouseFocusReason)
        keyboardFocus_ = false;
    update();
}

void SWindow::focusOutEvent(QFocusEvent*) {
    update();
}

void SWindow::tearDown() {
    QPointer<SWindow> self(this);
    OnDestroy();
    if (!self)
        return;
    // Children hear of it after their parent, as on the handheld. Child windows are left for
    // their objects to create again; the platform controls go with the window.
    const auto kids = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* k : kids) {
        if (!self)
            return;
        if (liveWindows().count(k)) {
            if (static_cast<SWindow*>(k)->created_)
                static_cast<SWindow*>(k)->tearDown();
        } else if (k != vbar_) {
            k->hide();
            k->deleteLater();
        }
    }
    if (!self)
        return;
    created_ = false;
    forgetPopup(this);
    if (popup_)
        releaseKeyboard();
    hide();
    // A pop-up with its own window hands the keys back to the dialog it stood over.
    if (popup_ && isWindow() && parentWidget())
        parentWidget()->window()->activateWindow();
    if (vbar_) {
        vbar_->deleteLater();
        vbar_ = nullptr;
    }
    invalid_ = QRegion();
    canvas_ = QImage();
    // Off its parent, so that the parent's end never deletes this object.
    setParent(nullptr);
}

// ---- Windows ---------------------------------------------------------------------------------

SWindow* WindowObject(HWND hwnd) {
    if (!hwnd || !liveWindows().count(hwnd))
        return nullptr;
    auto* w = static_cast<SWindow*>(hwnd);
    return w->hwnd() ? w : nullptr;
}

bool DestroyWindow(HWND hwnd) {
    SWindow* w = WindowObject(hwnd);
    if (!w)
        return false;
    w->tearDown();
    return true;
}

bool IsWindow(HWND hwnd) {
    return WindowObject(hwnd) != nullptr;
}

bool IsWindowVisible(HWND hwnd) {
    return IsWindow(hwnd) && hwnd->isVisible();
}

HWND GetParent(HWND hwnd) {
    SWindow* w = WindowObject(hwnd);
    return w ? w->ownerWindow() : nullptr;
}

uintptr_t GetDlgCtrlID(HWND hwnd) {
    SWindow* w = WindowObject(hwnd);
    return w ? w->controlId() : 0;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    SWindow* w = WindowObject(hwnd);
    return w ? w->WindowProc(hwnd, msg, wp, lp) : 0;
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    SWindow* w = WindowObject(hwnd);
    if (!w)
        return false;
    QPointer<SWindow> target(w);
    QMetaObject::invokeMethod(
        w,
        [target, msg, wp, lp] {
            if (target)
                SendMessage(target.data(), msg, wp, lp);
        },
        Qt::QueuedConnection);
    return true;
}

bool ShowWindow(HWND hwnd, int cmd) {
    SWindow* w = WindowObject(hwnd);
    if (!w)
        return false;
    const bool was = w->isVisible();
    if (cmd == SW_HIDE) {
        if (w->isPopupWindow())
            w->releaseKeyboard();
        w->hide();
    } else {
        w->show();
        if (w->isPopupWindow()) {
            w->raise();
            // A pop-up over a dialog is a window of its own: the keys go to it while it is
            // open.
            if (w->isWindow()) {
                w->activateWindow();
                w->grabKeyboard();
            }
        }
    }
    return was;
}

bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint) {
    SWindow* w = WindowObject(hwnd);
    if (!w)
        return false;
    w->setGeometry(x, y, width, height);
    if (repaint)
        InvalidateRect(w, nullptr, true);
    return true;
}

bool EnableWindow(HWND hwnd, bool enable) {
    if (!hwnd)
        return false;
    const bool was = !hwnd->isEnabled();
    hwnd->setEnabled(enable);
    return was;
}

bool IsWindowEnabled(HWND hwnd) {
    return hwnd && hwnd->isEnabled();
}

void BringWindowToTop(HWND hwnd) {
    if (hwnd)
        hwnd->raise();
}

HWND SetFocus(HWND hwnd) {
    QWidget* old = QApplication::focusWidget();
    if (hwnd)
        hwnd->setFocus(Qt::OtherFocusReason);
    return old;
}

bool SetWindowText(HWND hwnd, const std::u16string& text) {
    if (!hwnd)
        return false;
    // The platform controls keep their own text.
    if (auto* e = qobject_cast<QLineEdit*>(hwnd))
        e->setText(dev::toQString(text));
    else if (auto* m = qobject_cast<QPlainTextEdit*>(hwnd))
        m->setPlainText(dev::toQString(text));
    else if (auto* b = qobject_cast<QAbstractButton*>(hwnd))
        b->setText(dev::toQString(text));
    else
        hwnd->setWindowTitle(dev::toQString(text));
    return true;
}

std::u16string GetWindowText(HWND hwnd) {
    if (!hwnd)
        return {};
    if (auto* e = qobject_cast<QLineEdit*>(hwnd))
        return dev::fromQString(e->text());
    if (auto* m = qobject_cast<QPlainTextEdit*>(hwnd))
        return dev::fromQString(m->toPlainText());
    if (auto* b = qobject_cast<QAbstractButton*>(hwnd))
        return dev::fromQString(b->text());
    return dev::fromQString(hwnd->windowTitle());
}

RECT GetClientRect(HWND hwnd) {
    if (SWindow* w = WindowObject(hwnd))
        return {0, 0, w->width() - (w->hasVScroll() ? kScrollBarWidth : 0), w->height()};
    if (hwnd)
        return {0, 0, hwnd->width(), hwnd->height()};
    return {};
}

RECT GetWindowRect(HWND hwnd) {
    if (!hwnd)
        return {};
    // In the coordinates of the program's screen, dialogs and their pop-ups included.
    QWidget* top = hwnd->window();
    QWidget* screen = screenWindow(hwnd);
    QPoint p = hwnd == top ? QPoint(0, 0) : hwnd->mapTo(top, QPoint(0, 0));
    if (top != screen)
        p = hwnd->mapToGlobal(QPoint(0, 0)) - screen->mapToGlobal(QPoint(0, 0));
    return {p.x(), p.y(), p.x() + hwnd->width(), p.y() + hwnd->height()};
}

bool InvalidateRect(HWND hwnd, const RECT* rect, bool erase) {
    SWindow* w = WindowObject(hwnd);
    if (!w)
        return false;
    w->ensureCanvas();
    const QRect r = rect ? QRect(rect->left, rect->top, rect->width(), rect->height())
                         : QRect(0, 0, w->clientWidth(), w->height());
    w->invalid_ += r;
    if (erase)
        w->eraseFirst_ = true;
    w->update(r);
    return true;
}

bool UpdateWindow(HWND hwnd) {
    SWindow* w = WindowObject(hwnd);
    if (!w)
        return false;
    w->pixels();
    w->update();
    return true;
}

HDC GetDC(HWND hwnd) {
    SWindow* w = WindowObject(hwnd);
    if (!w)
        return nullptr;
    w->ensureCanvas();
    if (w->activePainter_)
        return new DC(&w->canvas_, w->activePainter_);
    return new DC(&w->canvas_);
}

int ReleaseDC(HWND hwnd, HDC hdc) {
    const bool marked = hdc && hdc->changesMarked();
    const QRegion changed = marked ? hdc->changedRegion() : QRegion();
    delete hdc;
    if (SWindow* w = WindowObject(hwnd)) {
        if (!marked)
            w->update();
        else if (!changed.isEmpty())
            w->update(changed);
    }
    return 1;
}

QImage WindowPixels(HWND hwnd) {
    SWindow* w = WindowObject(hwnd);
    return w ? w->pixels() : QImage();
}

bool SetScrollInfo(HWND hwnd, const SCROLLINFO& si, bool) {
    SWindow* w = WindowObject(hwnd);
    if (!w || !w->vbar_)
        return false;
    QSignalBlocker block(w->vbar_);
    // The handheld's range includes the page; Qt's maximum is the last top position.
    w->vbar_->setRange(si.nMin, std::max(si.nMin, si.nMax - si.nPage));
    w->vbar_->setPageStep(si.nPage);
    w->vbar_->setSingleStep(1);
    w->vbar_->setValue(si.nPos);
    return true;
}

bool GetScrollInfo(HWND hwnd, SCROLLINFO* si) {
    SWindow* w = WindowObject(hwnd);
    if (!w || !w->vbar_ || !si)
        return false;
    si->nMin = w->vbar_->minimum();
    si->nPage = w->vbar_->pageStep();
    si->nMax = w->vbar_->maximum() + si->nPage;
    si->nPos = w->vbar_->value();
    si->nTrackPos = w->trackPos_;
    return true;
}

int SetScrollPos(HWND hwnd, int pos, bool) {
    SWindow* w = WindowObject(hwnd);
    if (!w || !w->vbar_)
        return 0;
    const int old = w->vbar_->value();
    QSignalBlocker block(w->vbar_);
    w->vbar_->setValue(pos);
    return old;
}

} // namespace hv::tk

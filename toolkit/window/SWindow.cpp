#include "toolkit/window/SWindow.h"

#include "device/text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegion>
#include <QScrollBar>
#include <QTimerEvent>
#include <QWheelEvent>
#include <QWidget>

#include <map>
#include <set>

namespace hv::tk {

namespace {

struct ClassEntry {
    WNDCLASS wc;
    int registrations = 0;
    bool registered = false;
};
std::map<std::u16string, ClassEntry>& classes() {
    static std::map<std::u16string, ClassEntry> table;
    return table;
}

// A queued message.
class MessageEvent : public QEvent {
public:
    static QEvent::Type kind() {
        static const int t = QEvent::registerEventType();
        return static_cast<QEvent::Type>(t);
    }
    MessageEvent(UINT m, WPARAM w, LPARAM l) : QEvent(kind()), msg(m), wp(w), lp(l) {}
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

class HostWidget;
std::set<const QWidget*>& liveHosts() {
    static std::set<const QWidget*> hosts;
    return hosts;
}

// Popup windows hear of taps elsewhere as losing activation.
class PopupWatcher : public QObject {
public:
    std::set<HostWidget*> popups;
    bool eventFilter(QObject* obj, QEvent* ev) override;
};
PopupWatcher& popupWatcher() {
    static PopupWatcher* w = [] {
        auto* p = new PopupWatcher;
        qApp->installEventFilter(p);
        return p;
    }();
    return *w;
}

class HostWidget : public QWidget {
public:
    HostWidget(QWidget* parent, Qt::WindowFlags f) : QWidget(parent, f) {
        liveHosts().insert(this);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(false);
    }
    ~HostWidget() override {
        liveHosts().erase(this);
        if (isPopup && popupWatcher().popups.count(this))
            popupWatcher().popups.erase(this);
    }

    WNDPROC proc = nullptr;
    SWindow* object = nullptr;
    bool whiteBackground = true;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    uintptr_t id = 0;
    bool isPopup = false;
    bool destroyed = false;
    std::u16string text;
    HWND ownerParent = nullptr; // the parent named at creation (pop-ups live elsewhere)
    QImage backing;
    QRegion invalid;
    bool eraseFirst = false;
    QPainter* activePainter = nullptr;
    std::map<uintptr_t, int> timers; // id -> Qt timer id
    QScrollBar* vbar = nullptr;
    int trackPos = 0;

    int clientWidth() const { return width() - (vbar ? kScrollBarWidth : 0); }

    void ensureBacking() {
        const qreal dpr = devicePixelRatioF();
        const QSize want(static_cast<int>(clientWidth() * dpr), static_cast<int>(height() * dpr));
        if (backing.size() == want && backing.devicePixelRatio() == dpr)
            return;
        QImage fresh(want.isEmpty() ? QSize(1, 1) : want, QImage::Format_RGB32);
        fresh.setDevicePixelRatio(dpr);
        fresh.fill(Qt::white);
        if (!backing.isNull()) {
            QPainter p(&fresh);
            p.drawImage(QPoint(0, 0), backing);
        }
        backing = fresh;
        invalid = QRegion(0, 0, clientWidth(), height());
        eraseFirst = true;
    }

    void invalidate(const QRect& r, bool erase) {
        invalid += r;
        if (erase)
            eraseFirst = true;
        update(r);
    }

    // Runs the window's paint handling for the invalid region, if any.
    void paintPending() {
        ensureBacking();
        if (invalid.isEmpty() || destroyed)
            return;
        QPointer<HostWidget> self(this);
        SendMessage(this, WM_PAINT, 0, 0);
        if (self)
            invalid = QRegion(); // a handler that did not paint still validates
    }

protected:
    void paintEvent(QPaintEvent* ev) override {
        paintPending();
        QPainter p(this);
        p.drawImage(QPoint(0, 0), backing);
        if (style & WS_BORDER) {
            p.setPen(Qt::black);
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRect(0, 0, width() - 1, height() - 1));
        }
        (void)ev;
    }
    void resizeEvent(QResizeEvent*) override {
        if (vbar)
            vbar->setGeometry(width() - kScrollBarWidth, 0, kScrollBarWidth, height());
        ensureBacking();
        if (!destroyed && object)
            SendMessage(this, WM_SIZE, 0, MAKELPARAM(clientWidth(), height()));
    }
    void mousePressEvent(QMouseEvent* ev) override {
        if (ev->button() == Qt::LeftButton)
            mouse(WM_LBUTTONDOWN, ev);
    }
    void mouseReleaseEvent(QMouseEvent* ev) override {
        if (ev->button() == Qt::LeftButton)
            mouse(WM_LBUTTONUP, ev);
    }
    void mouseMoveEvent(QMouseEvent* ev) override {
        if (ev->buttons() & Qt::LeftButton)
            mouse(WM_MOUSEMOVE, ev);
    }
    void keyPressEvent(QKeyEvent* ev) override {
        SendMessage(this, WM_KEYDOWN, static_cast<WPARAM>(virtualKey(ev->key())), 0);
    }
    void wheelEvent(QWheelEvent* ev) override {
        const int turn = ev->angleDelta().y();
        if (turn == 0)
            return;
        SendMessage(this, WM_MOUSEWHEEL, static_cast<WPARAM>((turn & 0xffff) << 16), 0);
    }
    void timerEvent(QTimerEvent* ev) override {
        for (auto& [tid, qtid] : timers)
            if (qtid == ev->timerId()) {
                SendMessage(this, WM_TIMER, tid, 0);
                return;
            }
    }
    bool event(QEvent* ev) override {
        if (ev->type() == MessageEvent::kind()) {
            auto* m = static_cast<MessageEvent*>(ev);
            SendMessage(this, m->msg, m->wp, m->lp);
            return true;
        }
        return QWidget::event(ev);
    }

private:
    void mouse(UINT msg, QMouseEvent* ev) {
        const QPoint p = ev->position().toPoint();
        SendMessage(this, msg, 0, MAKELPARAM(p.x(), p.y()));
    }
    static int virtualKey(int qtKey) {
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
        default:
            return qtKey < 0x80 ? qtKey : 0;
        }
    }
};

// The program's screen a window stands on: the top-level window that no other window owns.
// Dialogs and the pop-ups over them stand on their owner's screen.
QWidget* screenWindow(QWidget* w) {
    QWidget* top = w->window();
    while (top->parentWidget())
        top = top->parentWidget()->window();
    return top;
}

HostWidget* host(HWND hwnd) {
    if (!hwnd || !liveHosts().count(hwnd))
        return nullptr;
    auto* h = static_cast<HostWidget*>(hwnd);
    return h->destroyed ? nullptr : h;
}

bool PopupWatcher::eventFilter(QObject* obj, QEvent* ev) {
    if (ev->type() != QEvent::MouseButtonPress || popups.empty())
        return false;
    auto* w = qobject_cast<QWidget*>(obj);
    if (!w || !w->isWidgetType())
        return false;
    // Every pop-up that was not tapped loses activation.
    std::vector<QPointer<HostWidget>> losing;
    for (HostWidget* p : popups)
        if (p != w && !p->isAncestorOf(w))
            losing.emplace_back(p);
    for (auto& p : losing)
        if (p && host(p.data()))
            SendMessage(p.data(), WM_ACTIVATE, WA_INACTIVE, 0);
    return false;
}

} // namespace

// ---- SWindow ---------------------------------------------------------------------------------

void SWindow::Paint(HDC) {}
void SWindow::OnLButtonDown(POINT) {}
void SWindow::OnLButtonUp(POINT) {}
void SWindow::OnMouseMove(POINT) {}

void SWindow::FillWindowClass(WNDCLASS& wc) {
    wc.style = 0;
    wc.lpfnWndProc = SharedWindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hIcon = nullptr;
    wc.hCursor = nullptr;
    wc.whiteBackground = true;
    wc.lpszMenuName.clear();
}

LRESULT SWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        if (hdc)
            Paint(hdc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
        OnLButtonDown({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return 0;
    case WM_DESTROY:
        return 0;
    default:
        return DefWindowProc(hwnd, msg, wp, lp);
    }
}

SWindow::~SWindow() {
    // An owner that forgot to destroy the window: unbind it first, so that the messages of its
    // destruction go to the default procedure, then take it off the screen.
    if (HostWidget* h = host(hWnd_)) {
        if (h->object == this)
            h->object = nullptr;
        DestroyWindow(hWnd_);
    }
    hWnd_ = nullptr;
}

int SWindow::Create(uint32_t exStyle, const std::u16string& className,
                    const std::u16string& windowName, uint32_t style, int x, int y, int width,
                    int height, HWND parent, uintptr_t menuOrId, HINSTANCE instance) {
    WNDCLASS existing;
    if (!GetClassInfo(instance, className, &existing)) {
        WNDCLASS wc;
        FillWindowClass(wc);
        wc.hInstance = instance;
        wc.lpszClassName = className;
        if (!RegisterClass(wc))
            return 0;
    }
    hWnd_ = CreateWindowEx(exStyle, className, windowName, style, x, y, width, height, parent,
                           menuOrId, instance, this);
    return hWnd_ != nullptr;
}

int SWindow::RunMessageLoop() {
    return QApplication::exec();
}

LRESULT SharedWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    HostWidget* h = host(hwnd);
    if (!h)
        return 0;
    if (msg == WM_CREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
        h->object = cs ? static_cast<SWindow*>(cs->lpCreateParams) : nullptr;
        if (h->object)
            h->object->hWnd_ = hwnd;
    }
    if (!h->object)
        return DefWindowProc(hwnd, msg, wp, lp);
    return h->object->WindowProc(hwnd, msg, wp, lp);
}

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_NCCREATE:
        return 1;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    default:
        return 0;
    }
}

// ---- Classes ---------------------------------------------------------------------------------

bool GetClassInfo(HINSTANCE, const std::u16string& className, WNDCLASS* out) {
    auto it = classes().find(className);
    if (it == classes().end() || !it->second.registered)
        return false;
    if (out)
        *out = it->second.wc;
    return true;
}

bool RegisterClass(const WNDCLASS& wc) {
    if (wc.lpszClassName.empty() || !wc.lpfnWndProc)
        return false;
    ClassEntry& e = classes()[wc.lpszClassName];
    if (e.registered)
        return false;
    e.wc = wc;
    e.registered = true;
    ++e.registrations;
    return true;
}

bool UnregisterClass(const std::u16string& className) {
    auto it = classes().find(className);
    if (it == classes().end() || !it->second.registered)
        return false;
    it->second.registered = false;
    return true;
}

int ClassRegistrationCount(const std::u16string& className) {
    auto it = classes().find(className);
    return it == classes().end() ? 0 : it->second.registrations;
}

// ---- Windows ---------------------------------------------------------------------------------

HWND CreateWindowEx(uint32_t exStyle, const std::u16string& className,
                    const std::u16string& windowName, uint32_t style, int x, int y, int width,
                    int height, HWND parent, uintptr_t menuOrId, HINSTANCE instance, void* param) {
    WNDCLASS wc;
    if (!GetClassInfo(instance, className, &wc))
        return nullptr;
    if (!qApp)
        return nullptr;
    QWidget* qtParent = nullptr;
    Qt::WindowFlags flags;
    bool popup = false;
    bool ownWindow = false;
    if (style & WS_CHILD) {
        qtParent = parent;
        if (!qtParent)
            return nullptr;
    } else if (parent && (style & WS_POPUP)) {
        // A pop-up over the program's screen, at screen coordinates, above every other window
        // there. Over the main window it lives in it; over a dialog it is a window of its own,
        // so that the dialog's edges do not cut it.
        qtParent = parent->window();
        popup = true;
        if (qtParent != screenWindow(qtParent)) {
            flags = Qt::Tool | Qt::FramelessWindowHint;
            ownWindow = true;
        }
    } else {
        flags = Qt::Window;
        if (!(style & WS_CAPTION))
            flags |= Qt::FramelessWindowHint;
    }
    auto* h = new HostWidget(qtParent, flags);
    h->proc = wc.lpfnWndProc;
    h->whiteBackground = wc.whiteBackground;
    h->style = style;
    h->exStyle = exStyle;
    h->id = (style & WS_CHILD) ? menuOrId : 0;
    h->text = windowName;
    h->ownerParent = parent;
    h->isPopup = popup;
    h->setWindowTitle(dev::toQString(windowName));
    if (style & WS_VSCROLL) {
        h->vbar = new QScrollBar(Qt::Vertical, h);
        QPointer<HostWidget> self(h);
        QObject::connect(h->vbar, &QScrollBar::actionTriggered, h, [self](int action) {
            if (!self)
                return;
            int code = -1;
            switch (action) {
            case QAbstractSlider::SliderSingleStepAdd:
                code = SB_LINEDOWN;
                break;
            case QAbstractSlider::SliderSingleStepSub:
                code = SB_LINEUP;
                break;
            case QAbstractSlider::SliderPageStepAdd:
                code = SB_PAGEDOWN;
                break;
            case QAbstractSlider::SliderPageStepSub:
                code = SB_PAGEUP;
                break;
            case QAbstractSlider::SliderMove:
                code = SB_THUMBTRACK;
                break;
            default:
                break;
            }
            if (code < 0)
                return;
            self->trackPos = self->vbar->sliderPosition();
            SendMessage(self.data(), WM_VSCROLL,
                        static_cast<WPARAM>((code & 0xffff) | ((self->trackPos & 0xffff) << 16)),
                        0);
        });
    }
    const QPoint at = ownWindow ? screenWindow(qtParent)->mapToGlobal(QPoint(x, y)) : QPoint(x, y);
    h->setGeometry(at.x(), at.y(), width < 0 ? 0 : width, height < 0 ? 0 : height);
    h->ensureBacking();

    CREATESTRUCT cs;
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = style;
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    // The messages of the creation, in the handheld's order; those before WM_CREATE find no
    // object bound yet.
    QPointer<HostWidget> self(h);
    h->proc(h, WM_GETMINMAXINFO, 0, 0);
    if (self)
        h->proc(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs));
    if (self)
        h->proc(h, WM_NCCALCSIZE, 0, 0);
    if (!self)
        return nullptr;
    if (h->proc(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    if (!self)
        return nullptr;
    h->proc(h, WM_SIZE, 0, MAKELPARAM(h->clientWidth(), h->height()));
    if (!self)
        return nullptr;
    h->proc(h, WM_MOVE, 0, MAKELPARAM(x, y));
    if (!self)
        return nullptr;
    if (popup) {
        popupWatcher().popups.insert(h);
        h->raise();
    }
    if (style & WS_VISIBLE) {
        h->show();
        if (popup)
            h->raise();
    } else {
        // Hidden until shown: Qt would otherwise show it with its parent.
        h->hide();
    }
    return h;
}

bool DestroyWindow(HWND hwnd) {
    HostWidget* h = host(hwnd);
    if (!h)
        return false;
    // Children hear of it after their parent, as on the handheld.
    SendMessage(h, WM_DESTROY, 0, 0);
    const auto kids = h->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* k : kids)
        if (host(k))
            DestroyWindow(k);
    if (!host(h))
        return true;
    SendMessage(h, WM_NCDESTROY, 0, 0);
    for (auto& [id, qtid] : h->timers)
        h->killTimer(qtid);
    h->timers.clear();
    h->destroyed = true;
    popupWatcher().popups.erase(h);
    if (h->object && h->object->hwnd() == h) {
        // The object outlives its window; it sees a null handle from now on.
        h->object->hWnd_ = nullptr;
    }
    h->object = nullptr;
    if (h->isPopup)
        h->releaseKeyboard();
    h->hide();
    // A pop-up with its own window hands the keys back to the dialog it stood over.
    if (h->isPopup && h->isWindow() && h->parentWidget())
        h->parentWidget()->window()->activateWindow();
    h->deleteLater();
    return true;
}

bool IsWindow(HWND hwnd) {
    return host(hwnd) != nullptr;
}
bool IsWindowVisible(HWND hwnd) {
    return host(hwnd) && hwnd->isVisible();
}

HWND GetParent(HWND hwnd) {
    HostWidget* h = host(hwnd);
    return h ? h->ownerParent : nullptr;
}

uintptr_t GetDlgCtrlID(HWND hwnd) {
    HostWidget* h = host(hwnd);
    return h ? h->id : 0;
}

SWindow* WindowObject(HWND hwnd) {
    HostWidget* h = host(hwnd);
    return h ? h->object : nullptr;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    HostWidget* h = host(hwnd);
    if (!h || !h->proc)
        return 0;
    return h->proc(hwnd, msg, wp, lp);
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    HostWidget* h = host(hwnd);
    if (!h)
        return false;
    QCoreApplication::postEvent(h, new MessageEvent(msg, wp, lp));
    return true;
}

void PostQuitMessage(int code) {
    QCoreApplication::exit(code);
}

bool ShowWindow(HWND hwnd, int cmd) {
    HostWidget* h = host(hwnd);
    if (!h)
        return false;
    const bool was = h->isVisible();
    if (cmd == SW_HIDE) {
        if (h->isPopup)
            h->releaseKeyboard();
        h->hide();
    } else {
        h->show();
        if (h->isPopup) {
            h->raise();
            // A pop-up over a dialog is a window of its own: the keys go to it while it is
            // open.
            if (h->isWindow()) {
                h->activateWindow();
                h->grabKeyboard();
            }
        }
    }
    return was;
}

bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint) {
    HostWidget* h = host(hwnd);
    if (!h)
        return false;
    h->setGeometry(x, y, width, height);
    if (repaint)
        h->invalidate(h->rect(), true);
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
    if (host(hwnd))
        SendMessage(hwnd, WM_SETFOCUS, 0, 0);
    return old;
}

bool SetWindowText(HWND hwnd, const std::u16string& text) {
    HostWidget* h = host(hwnd);
    if (!h) {
        // The platform controls keep their own text.
        if (auto* e = qobject_cast<QLineEdit*>(hwnd))
            e->setText(dev::toQString(text));
        else if (auto* m = qobject_cast<QPlainTextEdit*>(hwnd))
            m->setPlainText(dev::toQString(text));
        else if (auto* b = qobject_cast<QAbstractButton*>(hwnd))
            b->setText(dev::toQString(text));
        else if (hwnd)
            hwnd->setWindowTitle(dev::toQString(text));
        return hwnd != nullptr;
    }
    h->text = text;
    h->setWindowTitle(dev::toQString(text));
    return true;
}

std::u16string GetWindowText(HWND hwnd) {
    HostWidget* h = host(hwnd);
    if (h)
        return h->text;
    if (auto* e = qobject_cast<QLineEdit*>(hwnd))
        return dev::fromQString(e->text());
    if (auto* m = qobject_cast<QPlainTextEdit*>(hwnd))
        return dev::fromQString(m->toPlainText());
    if (auto* b = qobject_cast<QAbstractButton*>(hwnd))
        return dev::fromQString(b->text());
    return hwnd ? dev::fromQString(hwnd->windowTitle()) : std::u16string();
}

RECT GetClientRect(HWND hwnd) {
    HostWidget* h = host(hwnd);
    if (h)
        return {0, 0, h->clientWidth(), h->height()};
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

POINT ClientToScreen(HWND hwnd, POINT pt) {
    RECT r = GetWindowRect(hwnd);
    return {pt.x + r.left, pt.y + r.top};
}

POINT ScreenToClient(HWND hwnd, POINT pt) {
    RECT r = GetWindowRect(hwnd);
    return {pt.x - r.left, pt.y - r.top};
}

bool InvalidateRect(HWND hwnd, const RECT* rect, bool erase) {
    HostWidget* h = host(hwnd);
    if (!h)
        return false;
    h->ensureBacking();
    QRect r = rect ? QRect(rect->left, rect->top, rect->width(), rect->height())
                   : QRect(0, 0, h->clientWidth(), h->height());
    h->invalidate(r, erase);
    return true;
}

bool UpdateWindow(HWND hwnd) {
    HostWidget* h = host(hwnd);
    if (!h)
        return false;
    h->paintPending();
    h->update();
    return true;
}

HDC GetDC(HWND hwnd) {
    HostWidget* h = host(hwnd);
    if (!h)
        return nullptr;
    h->ensureBacking();
    if (h->activePainter)
        return new DC(&h->backing, h->activePainter);
    return new DC(&h->backing);
}

int ReleaseDC(HWND hwnd, HDC hdc) {
    const bool marked = hdc && hdc->changesMarked();
    const QRegion changed = marked ? hdc->changedRegion() : QRegion();
    delete hdc;
    if (HostWidget* h = host(hwnd)) {
        if (!marked)
            h->update();
        else if (!changed.isEmpty())
            h->update(changed);
    }
    return 1;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
    HostWidget* h = host(hwnd);
    if (!h || !ps)
        return nullptr;
    h->ensureBacking();
    const QRegion region =
        h->invalid.isEmpty() ? QRegion(0, 0, h->clientWidth(), h->height()) : h->invalid;
    const QRect bound = region.boundingRect();
    ps->rcPaint = {bound.left(), bound.top(), bound.right() + 1, bound.bottom() + 1};
    ps->fErase = h->eraseFirst;
    h->invalid = QRegion();
    auto* dc = new DC(&h->backing);
    dc->painter().setClipRegion(region);
    if (h->eraseFirst && h->whiteBackground)
        dc->painter().fillRect(bound, Qt::white);
    h->eraseFirst = false;
    h->activePainter = &dc->painter();
    ps->hdc = dc;
    return dc;
}

bool EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    HostWidget* h = host(hwnd);
    if (h)
        h->activePainter = nullptr;
    if (ps)
        delete ps->hdc;
    if (h)
        h->update();
    return true;
}

QImage WindowPixels(HWND hwnd) {
    HostWidget* h = host(hwnd);
    if (!h)
        return {};
    h->paintPending();
    return h->backing;
}

bool SetTimer(HWND hwnd, uintptr_t id, unsigned ms) {
    HostWidget* h = host(hwnd);
    if (!h)
        return false;
    KillTimer(hwnd, id);
    h->timers[id] = h->startTimer(static_cast<int>(ms));
    return true;
}

bool KillTimer(HWND hwnd, uintptr_t id) {
    HostWidget* h = host(hwnd);
    if (!h)
        return false;
    auto it = h->timers.find(id);
    if (it == h->timers.end())
        return false;
    h->killTimer(it->second);
    h->timers.erase(it);
    return true;
}

bool SetScrollInfo(HWND hwnd, const SCROLLINFO& si, bool) {
    HostWidget* h = host(hwnd);
    if (!h || !h->vbar)
        return false;
    QSignalBlocker block(h->vbar);
    // The handheld's range includes the page; Qt's maximum is the last top position.
    h->vbar->setRange(si.nMin, std::max(si.nMin, si.nMax - si.nPage));
    h->vbar->setPageStep(si.nPage);
    h->vbar->setSingleStep(1);
    h->vbar->setValue(si.nPos);
    return true;
}

bool GetScrollInfo(HWND hwnd, SCROLLINFO* si) {
    HostWidget* h = host(hwnd);
    if (!h || !h->vbar || !si)
        return false;
    si->nMin = h->vbar->minimum();
    si->nPage = h->vbar->pageStep();
    si->nMax = h->vbar->maximum() + si->nPage;
    si->nPos = h->vbar->value();
    si->nTrackPos = h->trackPos;
    return true;
}

int SetScrollPos(HWND hwnd, int pos, bool) {
    HostWidget* h = host(hwnd);
    if (!h || !h->vbar)
        return 0;
    const int old = h->vbar->value();
    QSignalBlocker block(h->vbar);
    h->vbar->setValue(pos);
    return old;
}

} // namespace hv::tk

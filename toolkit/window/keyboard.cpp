#include "toolkit/window/keyboard.h"

#include "toolkit/window/SDraw.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace hv::tk {

namespace {

// Controls whose tops are this close stand in one row and are read left to right.
constexpr int kRowSlack = 12;

bool reachable(QWidget* window, QWidget* w) {
    if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(window) || !w->isEnabled() ||
        w->focusProxy())
        return false;
    // A window drawn over the control (a settings window over its view, Preferences over the
    // main window) hides it from the keys as from the eyes.
    const QPoint mid = w->mapTo(window, w->rect().center());
    QWidget* hit = window->childAt(mid);
    return !hit || hit == w || w->isAncestorOf(hit);
}

class TabWatcher : public QObject {
public:
    bool eventFilter(QObject* obj, QEvent* ev) override {
        if (ev->type() != QEvent::KeyPress || !obj->isWidgetType())
            return false;
        auto* k = static_cast<QKeyEvent*>(ev);
        if (k->key() != Qt::Key_Tab && k->key() != Qt::Key_Backtab)
            return false;
        if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        auto* w = static_cast<QWidget*>(obj);
        QWidget* window = w->window();
        // Menus and other pop-ups keep their own keys.
        if (window->windowType() == Qt::Popup)
            return false;
        const bool back = k->key() == Qt::Key_Backtab || (k->modifiers() & Qt::ShiftModifier);
        return MoveFocus(window, !back);
    }
};

} // namespace

void InstallKeyboardNavigation() {
    static TabWatcher* watcher = [] {
        auto* t = new TabWatcher;
        qApp->installEventFilter(t);
        return t;
    }();
    (void)watcher;
}

std::vector<QWidget*> TabChain(QWidget* window) {
    std::vector<std::pair<QRect, QWidget*>> found;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->window() == window && reachable(window, w))
            found.emplace_back(QRect(w->mapTo(window, QPoint(0, 0)), w->size()), w);
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first.top() < b.first.top(); });
    // Rows of nearly equal tops, each read left to right.
    std::vector<QWidget*> chain;
    for (size_t i = 0; i < found.size();) {
        size_t j = i + 1;
        while (j < found.size() && found[j].first.top() - found[i].first.top() <= kRowSlack)
            ++j;
        std::stable_sort(
            found.begin() + static_cast<long>(i), found.begin() + static_cast<long>(j),
            [](const auto& a, const auto& b) { return a.first.left() < b.first.left(); });
        for (size_t k = i; k < j; ++k)
            chain.push_back(found[k].second);
        i = j;
    }
    return chain;
}

bool MoveFocus(QWidget* window, bool next) {
    const std::vector<QWidget*> chain = TabChain(window);
    if (chain.empty())
        return false;
    QWidget* now = QApplication::focusWidget();
    auto at = std::find(chain.begin(), chain.end(), now);
    // A focused part of a control (a list's pop-up, a picker's field) counts as the control.
    if (at == chain.end() && now)
        at = std::find_if(chain.begin(), chain.end(),
                          [now](QWidget* c) { return c->isAncestorOf(now); });
    const long n = static_cast<long>(chain.size());
    long i = at == chain.end() ? (next ? -1 : n) : at - chain.begin();
    i = ((next ? i + 1 : i - 1) % n + n) % n;
    chain[static_cast<size_t>(i)]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void DrawFocusMark(QPainter& p, const QRect& r) {
    const COLORREF c = SDraw::colour(kColourBlue);
    QPen pen(QColor(GetRValue(c), GetGValue(c), GetBValue(c)), 1, Qt::DotLine);
    p.save();
    p.setTransform(QTransform());
    p.setClipping(false);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(1, 1, -2, -2));
    p.restore();
}

void FocusReturn::take(QWidget* window) {
    if (!window)
        return;
    QWidget* now = QApplication::focusWidget();
    if (now != window && !window->isAncestorOf(now))
        was_ = now;
    window_ = window;
    window->setFocus(Qt::OtherFocusReason);
}

void FocusReturn::giveBack() {
    QWidget* now = QApplication::focusWidget();
    // Only when the focus is still in the closing window (or was lost with it).
    const bool inside = !now || (window_ && (now == window_ || window_->isAncestorOf(now)));
    if (inside && was_ && was_->isVisible())
        was_->setFocus(Qt::OtherFocusReason);
    was_ = nullptr;
    window_ = nullptr;
}

} // namespace hv::tk

#include "toolkit/platform/tabs.h"

#include "device/text.h"
#include "toolkit/window/SWindow.h"

#include <QTabBar>

namespace hv::tk {

using controls::place;

HWND CreateTabControl(HWND parent, uintptr_t id, const RECT& r) {
    if (!parent)
        return nullptr;
    auto* t = new QTabBar(parent);
    t->setExpanding(false);
    t->setDrawBase(true);
    place(t, r, id);
    QObject::connect(t, &QTabBar::currentChanged, t,
                     [t, id](int) { controls::notify(t, id, TCN_SELCHANGE); });
    return t;
}

int TabInsertItem(HWND tab, int index, const std::u16string& text) {
    auto* t = qobject_cast<QTabBar*>(tab);
    if (!t)
        return -1;
    QSignalBlocker block(t);
    return t->insertTab(index, dev::toQString(text));
}

int TabGetCurSel(HWND tab) {
    auto* t = qobject_cast<QTabBar*>(tab);
    return t ? t->currentIndex() : -1;
}

int TabSetCurSel(HWND tab, int index) {
    auto* t = qobject_cast<QTabBar*>(tab);
    if (!t || index < 0 || index >= t->count())
        return -1;
    const int old = t->currentIndex();
    QSignalBlocker block(t);
    t->setCurrentIndex(index);
    return old;
}

} // namespace hv::tk

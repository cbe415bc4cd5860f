#include "toolkit/platform/control.h"

#include "toolkit/window/SWindow.h"

#include <QVariant>
#include <QWidget>

namespace hv::tk {

namespace controls {

void place(QWidget* w, const RECT& r, uintptr_t id) {
    w->setGeometry(r.left, r.top, r.width(), r.height());
    w->setProperty("hvControlId", QVariant::fromValue<qulonglong>(id));
    w->show();
}

void command(QWidget* control, uintptr_t id, int code) {
    SendMessage(control->parentWidget(), WM_COMMAND, MAKEWPARAM(static_cast<int>(id), code),
                reinterpret_cast<LPARAM>(control));
}

void notify(QWidget* control, uintptr_t id, int code) {
    NMHDR hdr;
    hdr.hwndFrom = control;
    hdr.idFrom = id;
    hdr.code = code;
    SendMessage(control->parentWidget(), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&hdr));
}

} // namespace controls

void DestroyControl(HWND control) {
    if (!control)
        return;
    control->hide();
    control->deleteLater();
}

} // namespace hv::tk

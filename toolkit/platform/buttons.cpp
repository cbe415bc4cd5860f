#include "toolkit/platform/buttons.h"

#include "device/text.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/dc.h"
#include "toolkit/window/keyboard.h"
#include "toolkit/window/picture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>

namespace hv::tk {

namespace {

bool isEnterKey(const QKeyEvent* ev) {
    return (ev->key() == Qt::Key_Return || ev->key() == Qt::Key_Enter) &&
           !(ev->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

// A push button that its parent draws.
class OwnerDrawButton : public QAbstractButton {
public:
    OwnerDrawButton(QWidget* parent, uintptr_t id) : QAbstractButton(parent), id_(id) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QImage canvas = CreateCompatibleBitmap(width(), height());
        {
            DC dc(&canvas);
            DRAWITEMSTRUCT dis;
            dis.CtlID = id_;
            dis.itemID = 0;
            dis.hwndItem = this;
            dis.hDC = &dc;
            dis.rcItem = {0, 0, width(), height()};
            dis.text = dev::fromQString(text());
            dis.itemState = (isDown() ? ODS_SELECTED : 0u) | (isEnabled() ? 0u : ODS_DISABLED) |
                            (hasFocus() ? ODS_FOCUS : 0u);
            SendMessage(parentWidget(), WM_DRAWITEM, id_, reinterpret_cast<LPARAM>(&dis));
        }
        QPainter p(this);
        p.drawImage(QPoint(0, 0), canvas);
        if (keyboardFocus_ && hasFocus())
            DrawFocusMark(p, rect());
    }
    void keyPressEvent(QKeyEvent* ev) override {
        if (isEnterKey(ev))
            click();
        else
            QAbstractButton::keyPressEvent(ev);
    }
    void focusInEvent(QFocusEvent* ev) override {
        if (ev->reason() == Qt::TabFocusReason || ev->reason() == Qt::BacktabFocusReason ||
            ev->reason() == Qt::ShortcutFocusReason)
            keyboardFocus_ = true;
        else if (ev->reason() == Qt::MouseFocusReason)
            keyboardFocus_ = false;
        QAbstractButton::focusInEvent(ev);
    }

private:
    uintptr_t id_;
    bool keyboardFocus_ = false;
};

// Enter, like Space, presses a focused button or check box (the windows that are not dialogs
// have no default button to give it to).
class PushButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* ev) override {
        if (isEnterKey(ev))
            click();
        else
            QPushButton::keyPressEvent(ev);
    }
};

class CheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void keyPressEvent(QKeyEvent* ev) override {
        if (isEnterKey(ev))
            click();
        else
            QCheckBox::keyPressEvent(ev);
    }
};

} // namespace

using controls::command;
using controls::place;

HWND CreateCheckBox(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r) {
    if (!parent)
        return nullptr;
    auto* b = new CheckBox(dev::toQString(text), parent);
    // A box a finger or stylus can hit beside the handheld's large texts; the style's own box is
    // drawn at 13 pixels.
    b->setStyleSheet(QStringLiteral("QCheckBox::indicator { width: 20px; height: 20px; }"));
    place(b, r, id);
    QObject::connect(b, &QCheckBox::clicked, b, [b, id] { command(b, id, BN_CLICKED); });
    return b;
}

bool IsChecked(HWND checkBox) {
    auto* b = qobject_cast<QAbstractButton*>(checkBox);
    return b && b->isChecked();
}

void SetChecked(HWND checkBox, bool on) {
    if (auto* b = qobject_cast<QAbstractButton*>(checkBox))
        b->setChecked(on);
}

HWND CreatePushButton(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r,
                      bool ownerDrawn) {
    if (!parent)
        return nullptr;
    QAbstractButton* b = ownerDrawn ? static_cast<QAbstractButton*>(new OwnerDrawButton(parent, id))
                                    : new PushButton(parent);
    b->setText(dev::toQString(text));
    place(b, r, id);
    QObject::connect(b, &QAbstractButton::clicked, b, [b, id] { command(b, id, BN_CLICKED); });
    return b;
}

HWND CreateEdit(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r,
                bool multiLine, int maxLength) {
    if (!parent)
        return nullptr;
    if (multiLine) {
        auto* e = new QPlainTextEdit(dev::toQString(text), parent);
        place(e, r, id);
        QObject::connect(e, &QPlainTextEdit::textChanged, e, [e, id, maxLength] {
            if (maxLength > 0 && e->toPlainText().size() > maxLength) {
                QSignalBlocker block(e);
                e->setPlainText(e->toPlainText().left(maxLength));
                e->moveCursor(QTextCursor::End);
            }
            command(e, id, EN_CHANGE);
        });
        return e;
    }
    auto* e = new QLineEdit(dev::toQString(text), parent);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    place(e, r, id);
    QObject::connect(e, &QLineEdit::textEdited, e, [e, id] { command(e, id, EN_CHANGE); });
    return e;
}

} // namespace hv::tk

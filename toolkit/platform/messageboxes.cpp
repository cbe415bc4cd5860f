#include "toolkit/platform/messageboxes.h"

#include "device/text.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace hv::tk {

QWidget* QtMessageBoxes::owner() const {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    if (mainWindow_ && mainWindow_->isVisible())
        return mainWindow_->window();
    return nullptr;
}

dev::MbResult QtMessageBoxes::show(const std::u16string& caption, const std::u16string& text,
                                   dev::MbIcon icon, dev::MbButtons buttons) {
    // Parented, the box is centred over its owner and keeps it from input until answered.
    QWidget* over = owner();
    QMessageBox box(over);
    box.setWindowModality(Qt::ApplicationModal);
    if (over) {
        // The box takes its size when shown; then it stands in the middle of its owner.
        QTimer::singleShot(0, &box, [&box, over = QPointer<QWidget>(over)] {
            if (!over)
                return;
            const QRect o = over->window()->geometry();
            box.move(o.left() + (o.width() - box.width()) / 2,
                     o.top() + (o.height() - box.height()) / 2);
        });
    }
    box.setWindowTitle(dev::toQString(caption));
    box.setText(dev::toQString(text));
    switch (icon) {
    case dev::MbIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case dev::MbIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case dev::MbIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case dev::MbIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    switch (buttons) {
    case dev::MbButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case dev::MbButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case dev::MbButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case dev::MbButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return dev::MbResult::Ok;
    case QMessageBox::Yes:
        return dev::MbResult::Yes;
    case QMessageBox::No:
        return dev::MbResult::No;
    default:
        // Closing the box is Cancel where there is one, else the only answer it has.
        if (buttons == dev::MbButtons::Ok)
            return dev::MbResult::Ok;
        if (buttons == dev::MbButtons::YesNo)
            return dev::MbResult::No;
        return dev::MbResult::Cancel;
    }
}

} // namespace hv::tk

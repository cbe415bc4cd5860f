// The message box service for programs with a window.
#pragma once

#include "device/device.h"

#include <QPointer>
#include <QWidget>

#include <string>

namespace hv::tk {

// Qt message boxes for programs with a window; install with
// dev::RealDevice::instance().setMessageBoxes(std::make_unique<QtMessageBoxes>()). A box is
// modal and stands over the window that asked: the open modal dialog, else the active window,
// else the program's main window once it is named.
class QtMessageBoxes : public dev::MessageBoxes {
public:
    dev::MbResult show(const std::u16string& caption, const std::u16string& text, dev::MbIcon icon,
                       dev::MbButtons buttons) override;
    void setMainWindow(QWidget* w) { mainWindow_ = w; }
    // The window a box shown now would stand over (nullptr: none yet).
    QWidget* owner() const;

private:
    QPointer<QWidget> mainWindow_;
};

} // namespace hv::tk

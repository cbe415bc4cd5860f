// Helpers of the GUI tests: a top-level "screen" window, pixel reads and event pumping.
#pragma once

#include "toolkit/window/SWindow.h"

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QWidget>

#include <memory>

namespace hv::tk::test {

// A 480 x 640 top-level widget standing for the handheld's screen.
inline std::unique_ptr<QWidget> makeScreen() {
    auto w = std::make_unique<QWidget>();
    w->setGeometry(0, 0, 480, 640);
    w->show();
    return w;
}

inline void pump() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// What a window shows, its child windows included.
inline QImage grab(HWND w) {
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QRgb rgb(COLORREF c) {
    return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline QRgb at(const QImage& img, int x, int y) {
    return img.pixel(x, y) & 0xffffff;
}

} // namespace hv::tk::test

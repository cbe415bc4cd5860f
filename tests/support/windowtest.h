// Helpers of the tests that drive the main window and its views on the fake device: set times,
// the event pump, pixel reads, starting the window and switching views, and screenshots.
#pragma once

#include "app/viewregistry.h"
#include "shell/mainwindow.h"
#include "tests/support/settime.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace hv::testsupport {

inline void pump() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

inline QRgb pixel(const QImage& img, int x, int y) {
    return img.pixel(x, y) & 0xffffff;
}

// The main window with every view, started; the home-location check is left out unless asked
// for, so that no forced Home Location page stands in front of the view under test.
inline std::unique_ptr<shell::MainWindow> startMainWindow(const shell::CommandLine& cmd = {},
                                                          bool checkZone = false) {
    auto w = std::make_unique<shell::MainWindow>(cmd, registry::makeView);
    if (!checkZone)
        w->homeLocationDiffers = [] { return false; };
    EXPECT_TRUE(w->start());
    pump();
    return w;
}

inline void showView(shell::MainWindow& w, int v) {
    w.setSelectedView(v);
    w.switchView();
    pump();
}

// Writes what the window shows when HV_SCREENSHOT_DIR names a folder (docs/screenshots): name.png
// at scale 1, name@2x.png at the scale factor 2 the run was started with.
inline void maybeScreenshot(QWidget& w, const QString& name) {
    const QString dir = qEnvironmentVariable("HV_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    pump();
    const QImage img = w.grab().toImage();
    const int scale = qRound(img.width() / 480.0);
    QDir().mkpath(dir);
    const QString file = scale == 1 ? QStringLiteral("%1.png").arg(name)
                                    : QStringLiteral("%1@%2x.png").arg(name).arg(scale);
    img.save(QDir(dir).filePath(file));
}

} // namespace hv::testsupport

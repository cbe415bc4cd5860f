// Draws the General view as the main window shows it, for the README: the whole window at a set
// time of the fake device, in the locale of the environment (LC_ALL, LC_TIME, LANG) and at the
// scale factor of QT_SCALE_FACTOR.
//   hv_general_screenshots OUT.png YYYY-MM-DDTHH:MM:SS
#include "app/viewregistry.h"
#include "device/fake.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QDateTime>
#include <QPainter>

#include <cstdio>

using namespace hv;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: hv_general_screenshots OUT.png YYYY-MM-DDTHH:MM:SS\n");
        return 2;
    }
    const QDateTime when = QDateTime::fromString(QString::fromLocal8Bit(argv[2]), Qt::ISODate);
    if (!when.isValid()) {
        std::fprintf(stderr, "hv_general_screenshots: bad time %s\n", argv[2]);
        return 2;
    }
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    fake.localeImpl.set(dev::LocaleData::fromEnvironment());
    fake.clockImpl.setZone(dev::zoneUtc());
    dev::SystemTime t{};
    t.year = static_cast<uint16_t>(when.date().year());
    t.month = static_cast<uint16_t>(when.date().month());
    t.day = static_cast<uint16_t>(when.date().day());
    t.hour = static_cast<uint16_t>(when.time().hour());
    t.minute = static_cast<uint16_t>(when.time().minute());
    t.second = static_cast<uint16_t>(when.time().second());
    fake.clockImpl.setLocal(t);
    resetAppState();

    shell::MainWindow w(shell::CommandLine{}, registry::makeView);
    w.setSelectedView(shell::kGeneral);
    w.switchView();
    w.show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const qreal ratio = w.devicePixelRatioF();
    QImage img(static_cast<int>(shell::kWindowWidth * ratio),
               static_cast<int>(shell::kWindowHeight * ratio), QImage::Format_RGB32);
    img.setDevicePixelRatio(ratio);
    img.fill(Qt::white);
    w.render(&img);
    img.setDevicePixelRatio(1);
    if (!img.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "hv_general_screenshots: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

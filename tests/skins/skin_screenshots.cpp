// Draws the three watch skins as the main window shows them, for the README: at a set time of the
// fake device, in the locale of the environment (LC_ALL, LC_TIME, LANG) and at the scale factor
// of QT_SCALE_FACTOR. With "--indicators" one alarm is enabled and the chime is on.
//   hv_skin_screenshots OUT_DIR VARIANT YYYY-MM-DDTHH:MM:SS [--indicators]
// writes OUT_DIR/citizen-VARIANT.png, casio-VARIANT.png and anadigi-VARIANT.png ("@2x" added at
// scale 2).
#include "app/viewregistry.h"
#include "device/fake.h"
#include "items/alarms.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>

#include <cstdio>
#include <cstring>

using namespace hv;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 4 || argc > 5 || (argc == 5 && std::strcmp(argv[4], "--indicators") != 0)) {
        std::fprintf(stderr, "usage: hv_skin_screenshots OUT_DIR VARIANT YYYY-MM-DDTHH:MM:SS "
                             "[--indicators]\n");
        return 2;
    }
    const QDateTime when = QDateTime::fromString(QString::fromLocal8Bit(argv[3]), Qt::ISODate);
    if (!when.isValid()) {
        std::fprintf(stderr, "hv_skin_screenshots: bad time %s\n", argv[3]);
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
    if (argc == 5) {
        items::alarms().records[0].enabled = 1;
        hv::app().settings.chimeOn = 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    const char* names[] = {"citizen", "casio", "anadigi"};
    for (int i = 0; i < 3; ++i) {
        QImage img = w.renderView(shell::kFirstSkinView + i);
        const int scale = qRound(img.width() / 480.0);
        img.setDevicePixelRatio(1);
        const QString file =
            out.filePath(QStringLiteral("%1-%2%3.png")
                             .arg(QLatin1String(names[i]), QString::fromLocal8Bit(argv[2]),
                                  scale > 1 ? QStringLiteral("@%1x").arg(scale) : QString()));
        if (!img.save(file)) {
            std::fprintf(stderr, "hv_skin_screenshots: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}

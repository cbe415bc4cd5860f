// Draws the three pages of the Preferences window to PNG files for the documentation:
//   hv_prefs_screenshots OUTDIR [SUFFIX]
// writes OUTDIR/preferences-global SUFFIX.png, -statusbar and -screensaver, at the scale of
// QT_SCALE_FACTOR, in a fake device with the chime and the screen saver on.
#include "device/fake.h"
#include "device/files.h"
#include "screensaver/exceptions.h"
#include "settings/settings.h"
#include "shell/preferences.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace hv;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [SUFFIX]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    for (const char* f : {"Alarm1.wav", "Alarm2.wav", "Alarm3.wav", "Chimes.wav"}) {
        std::filesystem::create_directories(fake.root() / "Windows");
        std::ofstream(fake.root() / "Windows" / f) << "RIFF";
    }
    SettingsRecord& s = app().settings;
    fillSettingsDefaults(s);
    s.startupView = 0;
    s.alarmVolume = 1;
    s.chimeOn = 1;
    s.chimeInterval = 2;
    s.statusLeft = 1;
    s.statusCentral = 7;
    s.statusRight = 8;
    s.screenSaverOn = 1;
    s.screenSaverSkin = 1;
    s.screenSaverTimeout = 4;
    app().chimeSound = u"\\Windows\\Alarm3.wav";
    dev::saveWholeFile(dataFilePath(kExceptionFileName),
                       encodeExceptionList({u"wmplayer.exe", u"tomtom.exe", u"camera.exe"}));

    QWidget screen;
    screen.setGeometry(0, 0, 480, 640);
    screen.show();
    shell::PreferencesDlg dlg(&screen);
    dlg.open();
    const char* names[] = {"global", "statusbar", "screensaver"};
    int failures = 0;
    for (int tab = 0; tab < 3; ++tab) {
        dlg.selectTab(tab);
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        const QString file = out + "/preferences-" + names[tab] + suffix + ".png";
        if (!screen.grab().toImage().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            ++failures;
        }
    }
    return failures ? 1 : 0;
}

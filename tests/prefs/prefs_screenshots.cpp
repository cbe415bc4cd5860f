// Draws the three pages of the Preferences window to PNG files for the documentation:
//   hv_prefs_screenshots OUTDIR [SUFFIX]
// writes OUTDIR/preferences-global SUFFIX.png, -statusbar and -screensaver, and the two folder
// browsers as browser-sound SUFFIX.png and browser-program SUFFIX.png, at the scale of
// QT_SCALE_FACTOR, in a fake device with the chime and the screen saver on.
//   hv_prefs_screenshots --measure N [SOUNDS]
// opens the window on the Screen Saver tab and cancels it N times with SOUNDS (default 4) files
// in \Windows and prints the process CPU time per opening (getrusage).
#include "device/fake.h"
#include "device/files.h"
#include "screensaver/exceptions.h"
#include "settings/settings.h"
#include "shell/preferences.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/resource.h>

using namespace hv;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [SUFFIX] | --measure N [SOUNDS]\n", argv[0]);
        return 2;
    }
    const bool measure = std::string(argv[1]) == "--measure";
    const int openings = measure && argc > 2 ? std::max(1, std::atoi(argv[2])) : 0;
    const int sounds = measure && argc > 3 ? std::max(0, std::atoi(argv[3])) : 4;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    std::filesystem::create_directories(fake.root() / "Windows");
    for (const char* f : {"Alarm1.wav", "Alarm2.wav", "Alarm3.wav", "Chimes.wav"})
        std::ofstream(fake.root() / "Windows" / f) << "RIFF";
    for (int i = 4; i < sounds; ++i)
        std::ofstream(fake.root() / "Windows" / ("Sound" + std::to_string(i) + ".wav")) << "RIFF";
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
    if (measure) {
        dlg.open();
        dlg.selectTab(shell::PreferencesDlg::kTabScreenSaver);
        dlg.cancel();
        const double start = cpuSeconds();
        for (int i = 0; i < openings; ++i) {
            dlg.open();
            for (int k = 0; k < 3; ++k)
                QApplication::processEvents();
            dlg.cancel();
            QApplication::processEvents();
        }
        const double perOpening = (cpuSeconds() - start) / openings;
        std::printf("%d openings, %d sounds: %.3f ms CPU per opening\n", openings, sounds,
                    perOpening * 1e3);
        return 0;
    }
    dlg.open();
    const char* names[] = {"global", "statusbar", "screensaver"};
    const auto save = [&](const QString& name) {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        const QString file = out + "/" + name + suffix + ".png";
        if (screen.grab().toImage().save(file))
            return 0;
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    };
    int failures = 0;
    for (int tab = 0; tab < 3; ++tab) {
        dlg.selectTab(tab);
        failures += save(QStringLiteral("preferences-") + names[tab]);
    }
    // The two folder browsers over the window: the "Custom" button's sound folder selection at a
    // chosen sound, and the "Add..." button's Select EXE.
    std::filesystem::create_directories(fake.root() / "Program Files" / "Maps");
    for (const char* f : {"Windows/wmplayer.exe", "Windows/camera.exe", "Windows/calc.exe",
                          "Program Files/Maps/tomtom.exe", "My Music/Morning.wav"}) {
        std::filesystem::create_directories((fake.root() / f).parent_path());
        std::ofstream(fake.root() / f) << "MZ";
    }
    dlg.selectTab(shell::PreferencesDlg::kTabGlobal);
    dlg.global()->soundPicker()->openCustom();
    if (tk::FolderBrowser* b = dlg.global()->soundPicker()->browser()) {
        b->findPath(u"\\My Music");
        b->tapItem(b->findPath(u"\\Windows\\Chimes.wav"));
        failures += save(QStringLiteral("browser-sound"));
        b->end(false);
    }
    dlg.selectTab(shell::PreferencesDlg::kTabScreenSaver);
    dlg.screenSaver()->addProgram();
    if (tk::FolderBrowser* b = dlg.screenSaver()->programBrowser()) {
        b->childNames(b->findPath(u"\\Program Files\\Maps"));
        b->childNames(b->findPath(u"\\Windows"));
        failures += save(QStringLiteral("browser-program"));
        b->end(false);
    }
    return failures ? 1 : 0;
}

// Draws the Digital Clock, Analog Clock, Internet Time and Time Calc views as the main window
// shows them, for the README: the whole window at a set time of the fake device over the shipped
// city files, in the locale of the environment (LC_ALL, LC_TIME, LANG) and at the scale factor of
// QT_SCALE_FACTOR. The home city is New York for a 12-hour locale and Berlin otherwise, and the
// device zone is the home city's.
//   hv_clockviews_screenshots OUT.png VIEW YYYY-MM-DDTHH:MM:SS [beats]
// VIEW is 1 (Digital Clock), 2 (Analog Clock), 11 (Internet Time) or 12 (Time Calc); "beats"
// shows the Internet Time view converting the current beats back to the local time.
#include "app/viewregistry.h"
#include "cities/citydatabase.h"
#include "cities/citytime.h"
#include "device/fake.h"
#include "device/files.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"
#include "views/internettimeview.h"

#include <QApplication>
#include <QDateTime>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

using namespace hv;

namespace {

std::vector<uint8_t> readSourceFile(const std::string& name) {
    std::ifstream in(std::string(HV_SOURCE_DIR) + "/data/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Position of a city in a continent list, or -1.
int find(const CityDatabase& db, int continent, std::u16string_view name) {
    for (int i = 0; i < db.count(continent); ++i)
        if (db.recordAt(continent, i)->nameView() == name)
            return i;
    return -1;
}

struct Pick {
    int continent;
    const char16_t* name;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: hv_clockviews_screenshots OUT.png VIEW YYYY-MM-DDTHH:MM:SS\n");
        return 2;
    }
    const int viewNumber = std::atoi(argv[2]);
    const QDateTime when = QDateTime::fromString(QString::fromLocal8Bit(argv[3]), Qt::ISODate);
    if (!when.isValid() || viewNumber < 0 || viewNumber >= shell::kViewCount) {
        std::fprintf(stderr, "hv_clockviews_screenshots: bad view or time\n");
        return 2;
    }
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    fake.localeImpl.set(dev::LocaleData::fromEnvironment());
    resetAppState();

    // The shipped city files in the device's data folder.
    std::array<std::vector<uint8_t>, kContinentFiles> images;
    for (int c = 0; c < kContinentFiles; ++c) {
        const std::u16string file(kCityFileNames[static_cast<size_t>(c)]);
        images[static_cast<size_t>(c)] = readSourceFile(std::string(file.begin(), file.end()));
        dev::saveWholeFile(dataFilePath(file), images[static_cast<size_t>(c)]);
    }
    CityDatabase db;
    db.loadImages(images);

    const bool twelveHour = !fake.localeImpl.data().time24;
    const Pick home = twelveHour ? Pick{kNorthAmerica, u"New York"} : Pick{kEurope, u"Berlin"};
    const Pick second = twelveHour ? Pick{kEurope, u"London"} : Pick{kAsia, u"Tokyo"};
    const Pick rows[] = {{kEurope, u"London"},      {kAsia, u"Tokyo"},
                         {kAustralia, u"Sydney"},   {kNorthAmerica, u"Los Angeles"},
                         {kAsia, u"Kolkata"},       {kSouthAmerica, u"Sao Paulo"},
                         {kAfrica, u"Cairo"},       {kEurope, u"Moscow"},
                         {kAsia, u"Dubai"},         {kNorthAmerica, u"Chicago"},
                         {kAustralia, u"Adelaide"}, {kAsia, u"Singapore"}};
    SettingsRecord s{};
    fillSettingsDefaults(s);
    s.homeContinent = static_cast<uint32_t>(home.continent);
    s.homeCity = static_cast<uint32_t>(std::max(0, find(db, home.continent, home.name)));
    s.digitalClockCity = {
        static_cast<uint32_t>(second.continent),
        static_cast<uint32_t>(std::max(0, find(db, second.continent, second.name)))};
    for (size_t i = 0; i < std::size(rows); ++i)
        s.timeCalcCities[i] = {
            static_cast<uint32_t>(rows[i].continent),
            static_cast<uint32_t>(std::max(0, find(db, rows[i].continent, rows[i].name)))};
    s.startupView = static_cast<uint32_t>(viewNumber + 1);
    dev::saveWholeFile(dataFilePath(u"settings.dat"), &s, sizeof s);

    if (const CityRecord* r = db.recordAt(home.continent, static_cast<int>(s.homeCity)))
        fake.clockImpl.setZone(CityZone(*r));
    dev::SystemTime t{};
    t.year = static_cast<uint16_t>(when.date().year());
    t.month = static_cast<uint16_t>(when.date().month());
    t.day = static_cast<uint16_t>(when.date().day());
    t.hour = static_cast<uint16_t>(when.time().hour());
    t.minute = static_cast<uint16_t>(when.time().minute());
    t.second = static_cast<uint16_t>(when.time().second());
    fake.clockImpl.setLocal(t);

    shell::MainWindow w(shell::CommandLine{}, registry::makeView);
    w.homeLocationDiffers = [] { return false; };
    w.start();
    w.setSelectedView(viewNumber);
    w.switchView();
    if (argc == 5 && std::string(argv[4]) == "beats")
        if (auto* v = dynamic_cast<views::InternetTimeView*>(w.view(shell::kInternetTime)))
            v->setMode(views::InternetTimeView::kFromInternetTime);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QImage img = w.grab().toImage();
    if (!img.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "hv_clockviews_screenshots: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}

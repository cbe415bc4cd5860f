// The process CPU time of the main window while one view is shown and ticking, over a stretch of
// real time (a process measurement, see docs/performance.md). The window runs its own 100 ms
// tick over the fake device, whose clock here runs with the real time from a set start, the
// status bar recomposed at every second as in the program; the shipped city files are loaded.
//   hv_clockviews_cpu [SECONDS] [VIEW...]     (defaults: 60 s; views 1 2 11 12)
#include "app/viewregistry.h"
#include "cities/citydatabase.h"
#include "cities/citytime.h"
#include "device/fake.h"
#include "device/files.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace hv;

namespace {

// A device clock that runs: the start instant plus the real time since.
class RunningClock : public dev::Clock {
public:
    explicit RunningClock(dev::FileTime start) : start_(start) {}
    dev::FileTime utcNow() override {
        return start_ + static_cast<dev::FileTime>(elapsedMs()) * dev::kTicksPerMillisecond;
    }
    dev::TimeZoneInformation zone() override { return zone_; }
    uint64_t tickCount() override { return elapsedMs(); }
    void sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void setZone(const dev::TimeZoneInformation& tz) { zone_ = tz; }

private:
    uint64_t elapsedMs() const {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - begun_)
                                         .count());
    }
    dev::FileTime start_;
    dev::TimeZoneInformation zone_{};
    std::chrono::steady_clock::time_point begun_ = std::chrono::steady_clock::now();
};

class RunningDevice : public dev::FakeDevice {
public:
    dev::Clock& clock() override {
        if (running)
            return *running;
        return clockImpl;
    }
    std::unique_ptr<RunningClock> running;
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::vector<uint8_t> readDataFile(const std::u16string& name) {
    std::ifstream in(std::string(HV_DATA_DIR) + "/" + std::string(name.begin(), name.end()),
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    std::vector<int> views;
    for (int i = 2; i < argc; ++i)
        views.push_back(std::atoi(argv[i]));
    if (views.empty())
        views = {shell::kDigitalClock, shell::kAnalogClock, shell::kInternetTime, shell::kTimeCalc};

    RunningDevice fake;
    dev::ScopedDevice use(fake);
    fake.localeImpl.set(dev::LocaleData::fromEnvironment());
    resetAppState();
    std::array<std::vector<uint8_t>, kContinentFiles> images;
    for (int c = 0; c < kContinentFiles; ++c) {
        const std::u16string file(kCityFileNames[static_cast<size_t>(c)]);
        images[static_cast<size_t>(c)] = readDataFile(file);
        dev::saveWholeFile(dataFilePath(file), images[static_cast<size_t>(c)]);
    }
    CityDatabase db;
    db.loadImages(images);
    SettingsRecord s{};
    fillSettingsDefaults(s);
    dev::saveWholeFile(dataFilePath(u"settings.dat"), &s, sizeof s);
    if (const CityRecord* home =
            db.recordAt(static_cast<int>(s.homeContinent), static_cast<int>(s.homeCity)))
        fake.clockImpl.setZone(CityZone(*home));
    dev::SystemTime t{};
    t.year = 2026;
    t.month = 3;
    t.day = 10;
    t.hour = 8;
    t.minute = 17;
    fake.clockImpl.setLocal(t);
    fake.running = std::make_unique<RunningClock>(fake.clockImpl.utcNow());
    fake.running->setZone(fake.clockImpl.zone());

    shell::MainWindow w(shell::CommandLine{}, registry::makeView);
    w.homeLocationDiffers = [] { return false; };
    w.start();
    std::printf("view  seconds  cpu_ms  percent_of_one_core\n");
    for (int v : views) {
        w.setSelectedView(v);
        w.switchView();
        // The switch and the first full paint are left out: the figure is the steady tick.
        QEventLoop settle;
        QTimer::singleShot(1500, &settle, &QEventLoop::quit);
        settle.exec();
        const double before = cpuSeconds();
        QEventLoop run;
        QTimer::singleShot(seconds * 1000, &run, &QEventLoop::quit);
        run.exec();
        const double cpu = cpuSeconds() - before;
        std::printf("%4d  %7d  %6.0f  %.3f\n", v, seconds, cpu * 1000, 100.0 * cpu / seconds);
        std::fflush(stdout);
    }
    w.exitSequence();
    return 0;
}

// The four views in the main window with the program's own registry, over city files of the
// tests' own: each replaces its placeholder, and the Time Calc view's cities and tab survive the
// end of the program and come back at the next start.
#include "app/viewregistry.h"
#include "clockviews_support.h"
#include "device/fake.h"
#include "device/files.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"
#include "views/analogclockview.h"
#include "views/digitalclockview.h"
#include "views/internettimeview.h"
#include "views/timecalcview.h"

#include <QApplication>

using namespace hv;
using namespace hv::views;
using namespace hv::views::test;

namespace {

class ClockViewsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fake.localeImpl.set(dev::LocaleData::fromName("en_US"));
        fake.clockImpl.setZone(fixedZone(60));
        fake.clockImpl.setLocal(at(2026, 3, 14, 17, 5, 0));
        saveCities(kAsia, {cityRecord(u"Kolkata", 330, kAsia), cityRecord(u"Tokyo", 540, kAsia)});
        saveCities(kEurope,
                   {cityRecord(u"Berlin", 60, kEurope), cityRecord(u"London", 0, kEurope)});
        SettingsRecord s{};
        fillSettingsDefaults(s);
        s.startupView = 0; // the last used view
        s.homeContinent = kEurope;
        s.homeCity = kBerlin;
        for (auto& c : s.timeCalcCities)
            c = {static_cast<uint32_t>(kEurope), static_cast<uint32_t>(kLondon)};
        ASSERT_TRUE(dev::saveWholeFile(dataFilePath(u"settings.dat"), &s, sizeof s));
    }
    void TearDown() override { resetAppState(); }

    void saveCities(int continent, std::initializer_list<CityRecord> records) {
        std::vector<uint8_t> bytes;
        for (const CityRecord& r : records) {
            const auto* p = reinterpret_cast<const uint8_t*>(&r);
            bytes.insert(bytes.end(), p, p + sizeof r);
        }
        ASSERT_TRUE(dev::saveWholeFile(dataFilePath(kCityFileNames[static_cast<size_t>(continent)]),
                                       bytes));
    }
    SettingsRecord readSettings() {
        SettingsRecord s{};
        const auto bytes = dev::readWholeFile(dataFilePath(u"settings.dat"));
        EXPECT_TRUE(bytes && bytes->size() == sizeof s);
        if (bytes && bytes->size() == sizeof s)
            std::memcpy(&s, bytes->data(), sizeof s);
        return s;
    }
    std::unique_ptr<shell::MainWindow> startWindow() {
        auto w = std::make_unique<shell::MainWindow>(shell::CommandLine{}, registry::makeView);
        w->homeLocationDiffers = [] { return false; };
        EXPECT_TRUE(w->start());
        QApplication::processEvents();
        return w;
    }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
};

} // namespace

TEST_F(ClockViewsWindow, TheRegistryBuildsTheFourViews) {
    auto w = startWindow();
    EXPECT_NE(dynamic_cast<DigitalClockView*>(w->view(shell::kDigitalClock)), nullptr);
    EXPECT_NE(dynamic_cast<AnalogClockView*>(w->view(shell::kAnalogClock)), nullptr);
    EXPECT_NE(dynamic_cast<InternetTimeView*>(w->view(shell::kInternetTime)), nullptr);
    EXPECT_NE(dynamic_cast<TimeCalcView*>(w->view(shell::kTimeCalc)), nullptr);
    // Switching away hides a view's pickers.
    w->setSelectedView(shell::kDigitalClock);
    w->switchView();
    auto* digital = static_cast<DigitalClockView*>(w->view(shell::kDigitalClock));
    ASSERT_NE(digital->cityList(), nullptr);
    EXPECT_TRUE(tk::IsWindowVisible(digital->cityList()->hwnd()));
    w->setSelectedView(shell::kInternetTime);
    w->switchView();
    EXPECT_FALSE(tk::IsWindowVisible(digital->cityList()->hwnd()));
    w->exitSequence();
}

TEST_F(ClockViewsWindow, TimeCalcCitiesAndTabComeBackAfterTheProgramEnds) {
    {
        auto w = startWindow();
        w->setSelectedView(shell::kTimeCalc);
        w->switchView();
        auto* view = static_cast<TimeCalcView*>(w->view(shell::kTimeCalc));
        ASSERT_NE(view->row(7), nullptr);
        view->setSubState(2);
        ASSERT_TRUE(view->row(7)->Select(kAsia, kTokyo));
        w->exitSequence();
    }
    const SettingsRecord s = readSettings();
    EXPECT_EQ(s.lastView, static_cast<uint32_t>(shell::kTimeCalc));
    EXPECT_EQ(s.lastViewSub, 2);
    EXPECT_EQ(s.timeCalcCities[7],
              (CityPair{static_cast<uint32_t>(kAsia), static_cast<uint32_t>(kTokyo)}));
    EXPECT_EQ(s.timeCalcCities[6],
              (CityPair{static_cast<uint32_t>(kEurope), static_cast<uint32_t>(kLondon)}));

    resetAppState();
    auto w = startWindow();
    EXPECT_EQ(w->currentView(), shell::kTimeCalc);
    auto* view = static_cast<TimeCalcView*>(w->view(shell::kTimeCalc));
    EXPECT_EQ(view->subState(), 2);
    ASSERT_NE(view->tabs(), nullptr);
    EXPECT_EQ(view->tabs()->selected(), 2);
    EXPECT_EQ(view->row(7)->continent(), kAsia);
    EXPECT_EQ(view->row(7)->city(), kTokyo);
    EXPECT_TRUE(tk::IsWindowVisible(view->row(7)->hwnd()));
    EXPECT_FALSE(tk::IsWindowVisible(view->row(0)->hwnd()));
    // The row shows Tokyo's time of the reference instant.
    QImage img = w->renderView(shell::kTimeCalc);
    EXPECT_FALSE(img.isNull());
    ASSERT_TRUE(view->row(7)->converted);
    EXPECT_EQ(view->row(7)->converted->hour, 1);
    EXPECT_EQ(view->row(7)->converted->day, 15);
    w->exitSequence();
}

TEST_F(ClockViewsWindow, DigitalClockCityComesBackAfterTheProgramEnds) {
    {
        auto w = startWindow();
        w->setSelectedView(shell::kDigitalClock);
        w->switchView();
        auto* view = static_cast<DigitalClockView*>(w->view(shell::kDigitalClock));
        ASSERT_TRUE(view->cityList()->Select(kAsia, kKolkata));
        w->exitSequence();
    }
    EXPECT_EQ(readSettings().digitalClockCity,
              (CityPair{static_cast<uint32_t>(kAsia), static_cast<uint32_t>(kKolkata)}));
    resetAppState();
    auto w = startWindow();
    EXPECT_EQ(w->currentView(), shell::kDigitalClock);
    auto* view = static_cast<DigitalClockView*>(w->view(shell::kDigitalClock));
    EXPECT_EQ(view->cityList()->continent(), kAsia);
    EXPECT_EQ(view->cityList()->city(), kKolkata);
    w->exitSequence();
}

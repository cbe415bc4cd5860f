// The city dialogs over the main window: Edit Cities with its list and the delete rules, City
// Details with its checks and its start from the device zone, the Home Location page's answers,
// and the home city a first start takes from the host's zone.
#include "cities/citytime.h"
#include "cities/cityzones.h"
#include "cities/ui/citiesuitexts.h"
#include "cities/ui/editcities.h"
#include "cities/ui/homelocation.h"
#include "cities/ui/worldtimeview.h"
#include "citiesui_support.h"
#include "shellcore/shellcore.h"
#include "toolkit/platform/platform.h"
#include "toolkit/window/SWindow.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <iterator>

using namespace hv;
using namespace hv::citiestest;
using citiesui::CityDetailsDlg;
using citiesui::EditCitiesDlg;
using citiesui::HomeLocationDlg;

namespace {

int indexOf(const CityDatabase& db, int continent, std::u16string_view name) {
    for (int i = 0; i < db.count(continent); ++i)
        if (db.recordAt(continent, i)->nameView() == name)
            return i;
    return -1;
}

EditCitiesDlg* openEditCities(shell::MainWindow& w) {
    w.command(shell::kCmdEditCities);
    QApplication::processEvents();
    return dynamic_cast<EditCitiesDlg*>(w.openDialog());
}

void chooseContinent(EditCitiesDlg& d, int continent) {
    ASSERT_TRUE(d.continents()->SetSelected(continent));
    tk::SendMessage(tk::GetParent(d.continents()->hwnd()), tk::kMsgChanged, 0,
                    reinterpret_cast<tk::LPARAM>(d.continents()->hwnd()));
}

// Fills the coordinate fields of the form.
void setCoordinates(CityDetailsDlg& f, const char16_t* latD, const char16_t* latM,
                    const char16_t* lonD, const char16_t* lonM) {
    tk::SetWindowText(f.field(0), latD);
    tk::SetWindowText(f.field(1), latM);
    tk::SetWindowText(f.field(2), lonD);
    tk::SetWindowText(f.field(3), lonM);
}

} // namespace

TEST_F(CitiesWindow, EditCitiesListsOffsetsAndRefusesToDeleteTheHomeCity) {
    writeSettings();
    auto w = startWindow();
    CityDatabase& db = *w->holder().cities;
    // A city half an hour off the hour, west: the Marquesas.
    CityRecord marquesas = *db.recordAt(kAustralia, 0);
    marquesas.setName(u"Marquesas Islands");
    marquesas.gmtOffset = -570;
    ASSERT_GE(db.addCity(kAustralia, marquesas), 0);

    EditCitiesDlg* d = openEditCities(*w);
    ASSERT_NE(d, nullptr);
    maybeScreenshot(*d, QStringLiteral("editcities"));
    citiesui::CityListView* list = d->list();
    EXPECT_EQ(list->continent(), kAfrica);
    chooseContinent(*d, kAustralia);
    EXPECT_EQ(list->continent(), kAustralia);
    EXPECT_EQ(list->selected(), 0);
    EXPECT_EQ(list->offsetText(indexOf(db, kAustralia, u"Marquesas Islands")), u" -09:30");
    chooseContinent(*d, kAsia);
    EXPECT_EQ(list->offsetText(indexOf(db, kAsia, u"Kathmandu")), u" +05:45");
    chooseContinent(*d, kEurope);
    EXPECT_EQ(list->offsetText(kLondon), u" 00:00");

    // Scrolling stops at the last full page; a tap selects the row under it.
    for (int i = 0; i < 40; ++i)
        list->scroll(tk::SB_PAGEDOWN);
    EXPECT_EQ(list->topRow(), list->count() - list->visibleRows());
    list->scroll(tk::SB_LINEUP);
    EXPECT_EQ(list->topRow(), list->count() - list->visibleRows() - 1);
    chooseContinent(*d, kNorthAmerica);
    EXPECT_EQ(list->topRow(), 0);
    QTest::mouseClick(list->hwnd(), Qt::LeftButton, {}, QPoint(100, 3 * 28 + 10));
    EXPECT_EQ(list->selected(), 3);

    // New York is home: refused, nothing asked, nothing deleted.
    const int count = db.count(kNorthAmerica);
    list->select(kNewYork);
    d->onDelete();
    ASSERT_EQ(fake.messageBoxesImpl.shown.size(), 1u);
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].text, citiesui::kCantDeleteHome);
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].caption, u"Horavel");
    EXPECT_EQ(fake.messageBoxesImpl.shown[0].icon, dev::MbIcon::Warning);
    EXPECT_EQ(db.count(kNorthAmerica), count);

    // Another city is asked about; "No" keeps it, "Yes" deletes it.
    list->select(kNewYork - 1);
    const std::u16string name(db.recordAt(kNorthAmerica, kNewYork - 1)->nameView());
    fake.messageBoxesImpl.answers = {dev::MbResult::No};
    d->onDelete();
    ASSERT_EQ(fake.messageBoxesImpl.shown.size(), 2u);
    EXPECT_EQ(fake.messageBoxesImpl.shown[1].text, citiesui::kAskDelete);
    EXPECT_EQ(fake.messageBoxesImpl.shown[1].buttons, dev::MbButtons::YesNo);
    EXPECT_EQ(db.count(kNorthAmerica), count);
    fake.messageBoxesImpl.answers = {dev::MbResult::Yes};
    d->onDelete();
    EXPECT_EQ(db.count(kNorthAmerica), count - 1);
    EXPECT_EQ(indexOf(db, kNorthAmerica, name), -1);
    EXPECT_EQ(list->selected(), 0) << "the list starts again from the top";
    EXPECT_EQ(db.homeRecord()->nameView(), u"New York") << "home follows the deletion";

    // OK writes the city files at once.
    d->onOk();
    CityDatabase reread;
    reread.load();
    EXPECT_EQ(reread.count(kNorthAmerica), count - 1);
}

TEST_F(CitiesWindow, CityDetailsChecksNameAndCoordinates) {
    writeSettings();
    auto w = startWindow();
    CityDatabase& db = *w->holder().cities;
    EditCitiesDlg* d = openEditCities(*w);
    ASSERT_NE(d, nullptr);
    chooseContinent(*d, kEurope);
    d->list()->select(kLondon);
    d->onEdit();
    CityDetailsDlg* f = d->details();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(tk::GetWindowText(f->nameEdit()), u"London");
    EXPECT_FALSE(tk::IsWindowEnabled(f->continentList()->hwnd())) << "editing keeps the continent";

    tk::SetWindowText(f->nameEdit(), u"");
    EXPECT_FALSE(f->ok());
    ASSERT_EQ(fake.messageBoxesImpl.shown.size(), 1u);
    EXPECT_EQ(fake.messageBoxesImpl.shown.back().text, citiesui::kEnterName);
    tk::SetWindowText(f->nameEdit(), u"London");

    struct Case {
        const char16_t *latD, *latM, *lonD, *lonM;
        bool accepted;
    };
    const Case cases[] = {
        {u"90", u"1", u"0", u"0", false},  {u"91", u"0", u"0", u"0", false},
        {u"0", u"0", u"180", u"1", false}, {u"0", u"0", u"181", u"0", false},
        {u"", u"0", u"0", u"0", false},    {u"51", u"", u"0", u"0", false},
        {u"5x", u"0", u"0", u"0", false},  {u"51", u"75", u"0", u"0", false},
    };
    for (const Case& c : cases) {
        setCoordinates(*f, c.latD, c.latM, c.lonD, c.lonM);
        const size_t before = fake.messageBoxesImpl.shown.size();
        EXPECT_FALSE(f->ok());
        ASSERT_EQ(fake.messageBoxesImpl.shown.size(), before + 1);
        EXPECT_EQ(fake.messageBoxesImpl.shown.back().text, citiesui::kEnterCoordinates);
        EXPECT_EQ(d->details(), f) << "the form stays open";
    }
    // The poles and the date line themselves are places.
    CityRecord r{};
    citiesui::CityDetailsEntry e = citiesui::EntryOfRecord(*db.recordAt(kEurope, kLondon), 6);
    e.latDegrees = u"90";
    e.latMinutes = u"0";
    e.lonDegrees = u"180";
    e.lonMinutes = u"00";
    EXPECT_EQ(citiesui::ReadCityDetails(e, 6, r), citiesui::DetailsCheck::Ok);
    EXPECT_EQ(r.latDegrees, 90);
    EXPECT_EQ(r.lonDegrees, 180);

    // "Cancel" leaves everything as it was.
    const uint32_t revision = db.revision();
    setCoordinates(*f, u"1", u"2", u"3", u"4");
    f->cancel();
    QApplication::processEvents();
    EXPECT_EQ(d->details(), nullptr);
    EXPECT_EQ(db.revision(), revision);
    EXPECT_EQ(db.recordAt(kEurope, kLondon)->latDegrees, 51);
    d->onEdit();
    f = d->details();
    ASSERT_NE(f, nullptr);

    // 90 N 180 W accepted in the form: London changes in place and is saved.
    setCoordinates(*f, u"90", u"00", u"180", u"0");
    ASSERT_TRUE(f->ok());
    QApplication::processEvents();
    EXPECT_EQ(d->details(), nullptr);
    EXPECT_EQ(db.recordAt(kEurope, kLondon)->latDegrees, 90);
    EXPECT_TRUE(db.changed());
}

TEST_F(CitiesWindow, NewCityStartsFromTheDeviceZoneAndEveryPickerKeepsItsCity) {
    fake.clockImpl.setZone(dev::zoneCentralEurope());
    writeSettings([](SettingsRecord& s) {
        s.worldTimeCityA = {kEurope, kLondon};
        s.worldTimeCityB = {kEurope, kBerlin};
    });
    auto w = startWindow();
    showView(*w, shell::kWorldTime);
    CityDatabase& db = *w->holder().cities;
    auto* world = static_cast<citiesui::WorldTimeView*>(w->view(shell::kWorldTime));
    EditCitiesDlg* d = openEditCities(*w);
    ASSERT_NE(d, nullptr);
    chooseContinent(*d, kEurope);
    d->onNew();
    CityDetailsDlg* f = d->details();
    ASSERT_NE(f, nullptr);
    maybeScreenshot(*d, QStringLiteral("citydetails-new"));
    EXPECT_TRUE(tk::IsWindowEnabled(f->continentList()->hwnd()));
    EXPECT_EQ(f->continentList()->list()->count(), 6) << "a city is filed under one continent";
    EXPECT_EQ(tk::GetWindowText(f->nameEdit()), u"");
    // The device's rule, last Sunday of March to last Sunday of October, is preselected (en_US:
    // the week starts on Sunday); the box stays clear and the lists hidden.
    EXPECT_EQ(f->ruleList(0, 0)->selected(), 4);
    EXPECT_EQ(f->ruleList(0, 1)->selected(), 0);
    EXPECT_EQ(f->ruleList(0, 2)->selected(), 2);
    EXPECT_EQ(f->ruleList(1, 0)->selected(), 4);
    EXPECT_EQ(f->ruleList(1, 2)->selected(), 9);
    EXPECT_FALSE(tk::IsChecked(f->dstBox()));
    EXPECT_FALSE(f->ruleShown());
    EXPECT_FALSE(f->tabControl()->isVisible());
    QTest::mouseClick(f->dstBox(), Qt::LeftButton, {}, QPoint(8, 12));
    EXPECT_TRUE(f->ruleShown());
    EXPECT_TRUE(f->tabControl()->isVisible());
    EXPECT_TRUE(tk::IsWindowVisible(f->ruleList(0, 0)->hwnd()));
    maybeScreenshot(*d, QStringLiteral("citydetails-rule"));
    EXPECT_FALSE(tk::IsWindowVisible(f->ruleList(1, 0)->hwnd()));
    f->setTab(1);
    EXPECT_TRUE(tk::IsWindowVisible(f->ruleList(1, 0)->hwnd()));

    // Aachen, 50 47 N 6 5 E, in Europe: it sorts before every other European city.
    tk::SetWindowText(f->nameEdit(), u"Aachen");
    f->offsetPicker()->SetOffset(60);
    setCoordinates(*f, u"50", u"47", u"6", u"5");
    ASSERT_TRUE(f->continentList()->SetSelected(kEurope));
    ASSERT_TRUE(f->ok());
    QApplication::processEvents();
    EXPECT_EQ(indexOf(db, kEurope, u"Aachen"), 0);
    EXPECT_EQ(d->list()->selected(), 0) << "the list shows the new city";
    const CityRecord* aachen = db.recordAt(kEurope, 0);
    EXPECT_EQ(aachen->gmtOffset, 60);
    EXPECT_EQ(aachen->dstUsed, 1);
    EXPECT_EQ(aachen->dstStart, 4 * 16 + 0);
    EXPECT_EQ(aachen->dstEndMonth, 9);
    d->onOk();
    QApplication::processEvents();
    // Every picker keeps its own city; the home location too.
    EXPECT_EQ(world->item(0).picker().record()->nameView(), u"London");
    EXPECT_EQ(world->item(1).picker().record()->nameView(), u"Berlin");
    EXPECT_EQ(world->item(0).picker().lists()->city(), kLondon + 1);
    EXPECT_EQ(db.homeRecord()->nameView(), u"New York");
}

TEST_F(CitiesWindow, HomeLocationAnswersAndTheDeviceZone) {
    fake.clockImpl.setZone(dev::zoneUsEastern());
    writeSettings();
    auto w = startWindow(true);
    EXPECT_EQ(w->openDialog(), nullptr) << "the device zone is New York's";
    CityDatabase& db = *w->holder().cities;

    // The same zone: the page closes without asking.
    {
        HomeLocationDlg d(w.get(), db, false);
        int asked = 0;
        d.confirm = [&](bool&) {
            ++asked;
            return ConfirmAnswer::Cancel;
        };
        ASSERT_TRUE(d.lists()->Select(kNorthAmerica, kNewYork));
        EXPECT_EQ(d.ok(), HomeApplyResult::Applied);
        EXPECT_EQ(asked, 0);
        EXPECT_EQ(d.result(), QDialog::Accepted);
    }
    const dev::FileTime utc = dev::getSystemTimeAsFileTime();
    // Berlin: another zone. Forced "No" stays; "Cancel" stays; normal "No" closes unchanged.
    {
        HomeLocationDlg forced(w.get(), db, true);
        EXPECT_EQ(forced.cancelButton(), nullptr);
        forced.confirm = [](bool&) { return ConfirmAnswer::No; };
        ASSERT_TRUE(forced.lists()->Select(kEurope, kBerlin));
        EXPECT_EQ(forced.ok(), HomeApplyResult::StaysOpen);
        forced.confirm = [](bool&) { return ConfirmAnswer::Cancel; };
        EXPECT_EQ(forced.ok(), HomeApplyResult::StaysOpen);
        forced.show();
        forced.reject();
        EXPECT_TRUE(forced.isVisible()) << "a forced page is not dismissed";
    }
    {
        HomeLocationDlg normal(w.get(), db, false);
        normal.show();
        normal.confirm = [](bool&) { return ConfirmAnswer::Cancel; };
        ASSERT_TRUE(normal.lists()->Select(kEurope, kBerlin));
        EXPECT_EQ(normal.ok(), HomeApplyResult::StaysOpen);
        EXPECT_TRUE(normal.isVisible());
        normal.confirm = [](bool&) { return ConfirmAnswer::No; };
        EXPECT_EQ(normal.ok(), HomeApplyResult::Closed);
        EXPECT_FALSE(normal.isVisible());
    }
    EXPECT_EQ(db.homeRecord()->nameView(), u"New York");
    EXPECT_FALSE(ZonesDiffer(fake.clockImpl.zone(), dev::zoneUsEastern()));

    // "Yes" with the shift box: the zone changes through the time service, the instant stays.
    {
        HomeLocationDlg d(w.get(), db, false, [] {});
        d.confirm = [](bool& shift) {
            shift = true;
            return ConfirmAnswer::Yes;
        };
        ASSERT_TRUE(d.lists()->Select(kEurope, kBerlin));
        const int changes = fake.timeSettingImpl.changes;
        EXPECT_EQ(d.ok(), HomeApplyResult::Applied);
        EXPECT_GT(fake.timeSettingImpl.changes, changes);
    }
    EXPECT_FALSE(ZonesDiffer(fake.clockImpl.zone(), CityZone(db, kEurope, kBerlin)));
    EXPECT_LT(dev::getSystemTimeAsFileTime() - utc, 60 * dev::kTicksPerSecond);
    EXPECT_EQ(db.homeRecord()->nameView(), u"Berlin");
    EXPECT_EQ(app().settings.homeContinent, static_cast<uint32_t>(kEurope));
    EXPECT_EQ(app().settings.homeCity, static_cast<uint32_t>(kBerlin));
}

TEST_F(CitiesWindow, ZoneChangeQuestionAndTheMenuPage) {
    fake.clockImpl.setZone(dev::zoneUsEastern());
    writeSettings();
    auto w = startWindow(true);
    w->command(shell::kCmdHomeLocation);
    QApplication::processEvents();
    auto* page = dynamic_cast<HomeLocationDlg*>(w->openDialog());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->windowTitle(), QStringLiteral("Select Home Location"));
    EXPECT_NE(page->cancelButton(), nullptr);
    EXPECT_EQ(page->lists()->city(), kNewYork) << "the pickers start at home";
    maybeScreenshot(*page, QStringLiteral("homelocation"));

    // The real question: its texts, the box ticked, and the box's state kept with "No".
    citiesui::ZoneChangeDialog q(w.get());
    EXPECT_TRUE(q.shiftClock());
    bool shift = true;
    QTimer::singleShot(0, [&] {
        auto* d = dynamic_cast<citiesui::ZoneChangeDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        d->shiftBox()->setChecked(false);
        d->findChild<QPushButton*>(QStringLiteral("no"))->click();
    });
    EXPECT_EQ(citiesui::AskZoneChange(w.get(), shift), ConfirmAnswer::No);
    EXPECT_FALSE(shift);
}

TEST_F(CitiesWindow, HostZoneOfAShippedCityIsTheFirstHome) {
    // No settings file: a first start. The host is in Europe/Berlin, and so is the device.
    fake.clockImpl.hostZone = "Europe/Berlin";
    fake.clockImpl.setZone(dev::zoneCentralEurope());
    auto w = startWindow(true);
    EXPECT_EQ(w->holder().cities->homeRecord()->nameView(), u"Berlin");
    EXPECT_EQ(w->openDialog(), nullptr) << "no forced page";
    EXPECT_EQ(app().settings.homeCity, static_cast<uint32_t>(kBerlin));
    EXPECT_EQ(app().settings.worldTimeCityA, (CityPair{kEurope, kLondon})) << "other defaults";
}

TEST_F(CitiesWindow, UnknownHostZoneKeepsTheDefaultAndForcesThePage) {
    fake.clockImpl.hostZone = "Etc/Unknown";
    fake.clockImpl.setZone(dev::zoneUsEastern());
    auto w = startWindow(true);
    EXPECT_EQ(w->holder().cities->homeRecord()->nameView(), u"New York");
    ASSERT_NE(w->openDialog(), nullptr);
    EXPECT_EQ(w->openDialog()->objectName(), QStringLiteral("homeLocationForced"));
}

TEST(CityZones, ZoneNamesTheirOwnCityElseTheFirstInTheTable) {
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    CityDatabase db;
    std::array<std::vector<uint8_t>, kContinentFiles> images;
    for (int c = 0; c < kContinentFiles; ++c) {
        static const char* names[] = {"africa", "asia",     "australia",
                                      "europe", "namerica", "samerica"};
        std::ifstream f(std::filesystem::path(HV_DATA_DIR) / (std::string(names[c]) + ".cdb"),
                        std::ios::binary);
        images[static_cast<size_t>(c)].assign(std::istreambuf_iterator<char>(f), {});
    }
    ASSERT_EQ(db.loadImages(images), 6);
    auto nameOf = [&](std::string_view zone) {
        const auto s = HomeCityForZone(db, zone);
        return s ? std::u16string(db.recordAt(s->continent, s->index)->nameView())
                 : std::u16string(u"-");
    };
    EXPECT_EQ(nameOf("Europe/Berlin"), u"Berlin");
    EXPECT_EQ(nameOf("America/New_York"), u"New York");
    EXPECT_EQ(nameOf("Asia/Kathmandu"), u"Kathmandu");
    EXPECT_EQ(nameOf("Nowhere/Else"), u"-");
    EXPECT_EQ(nameOf(""), u"-");
    // A zone whose own city is not shipped (Europe/Kyiv ships as Kiev): the first city of the
    // table in that zone.
    int checked = 0;
    for (const ZoneCity& z : ShippedCityZones()) {
        const std::string_view zone(z.zone);
        const std::string_view own = zone.substr(zone.rfind('/') + 1);
        bool shipped = false;
        for (const ZoneCity& other : ShippedCityZones()) {
            const std::u16string_view name(other.name);
            shipped = shipped ||
                      (name.size() == own.size() &&
                       std::equal(own.begin(), own.end(), name.begin(), [](char a, char16_t b) {
                           return (a == '_' ? u' ' : static_cast<char16_t>(a)) == b;
                       }));
        }
        if (shipped)
            continue;
        const ZoneCity* first = nullptr;
        for (const ZoneCity& other : ShippedCityZones())
            if (!first && zone == other.zone)
                first = &other;
        if (first != &z)
            continue;
        EXPECT_EQ(nameOf(zone), z.name) << zone;
        ++checked;
    }
    EXPECT_GT(checked, 5);
}

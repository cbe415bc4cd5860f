// Every text of the views and of the windows they open stays whole, in en_US and de_DE, over the
// shipped city files: each drop list's items (every continent of a city list) measured against
// the rows' text rectangle in the face the list draws with, and every text drawn into a box or a
// window while every view and window is painted (the device context's watch for cut texts). The
// test runs once at scale 1 and once at scale 2.
#include "app/viewregistry.h"
#include "cities/citydatabase.h"
#include "cities/ui/editcities.h"
#include "device/fake.h"
#include "device/files.h"
#include "device/strings.h"
#include "device/text.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/records.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"
#include "shell/preferences.h"
#include "shellcore/shellcore.h"
#include "tests/support/windowtest.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/dc.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QPushButton>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

using namespace hv;

namespace {

std::vector<uint8_t> readSourceFile(const std::string& name) {
    std::ifstream in(std::string(HV_SOURCE_DIR) + "/data/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string utf8(const std::u16string& s) {
    return dev::toQString(s).toStdString();
}

class TextsFit : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        resetAppState();
        fake.localeImpl.set(dev::LocaleData::fromName(GetParam()));
        fake.clockImpl.setLocal(testsupport::at(2026, 9, 30, 22, 47, 9));
        for (int c = 0; c < kContinentFiles; ++c) {
            const std::u16string file(kCityFileNames[static_cast<size_t>(c)]);
            ASSERT_TRUE(dev::saveWholeFile(dataFilePath(file),
                                           readSourceFile(std::string(file.begin(), file.end()))));
        }
    }
    void TearDown() override {
        tk::WatchCutTexts(false);
        testsupport::pump();
        resetAppState();
    }

    // Every drop list below `root`: each item against the closed box and, with its offset for a
    // city, against the pop-up's rows, in the face the list draws with.
    void measureLists(QWidget* root) {
        for (QWidget* w : root->findChildren<QWidget*>()) {
            auto* box = dynamic_cast<tk::DropListContainer*>(tk::WindowObject(w));
            if (!box || !box->engine())
                continue;
            tk::DropListB* list = box->engine();
            auto* cities = dynamic_cast<tk::SDropCityList*>(list);
            const int keepContinent = cities ? cities->continent() : 0;
            const int keepCity = list->selected();
            for (int c = cities ? 0 : -1; c < (cities ? 7 : 0); ++c) {
                if (cities)
                    cities->Select(0, c);
                const QFontMetrics fm(*list->drawFont());
                const std::string where = "list of \"" + utf8(list->Item(0)) + "\"";
                const int popup = list->PopupWidth() - 2 * tk::kRowTextInset;
                for (int i = 0; i < list->count(); ++i) {
                    const std::string item = utf8(list->Item(i));
                    if (list->ItemWidth(fm, i) > list->BoxRoom())
                        cut.insert(where + ": box \"" + item + "\" (" +
                                   std::to_string(list->ItemWidth(fm, i)) + " > " +
                                   std::to_string(list->BoxRoom()) + ")");
                    if (list->RowWidth(fm, i) > popup)
                        cut.insert(where + ": row \"" + item + "\" (" +
                                   std::to_string(list->RowWidth(fm, i)) + " > " +
                                   std::to_string(popup) + ")");
                }
            }
            if (cities)
                cities->Select(keepCity, keepContinent);
        }
    }
    // The texts the watch saw cut since the last look.
    void takeDrawn(const std::string& where) {
        for (const tk::CutText& t : tk::TakeCutTexts())
            cut.insert(where + ": \"" + utf8(t.text) + "\" (" + std::to_string(t.width) + " > " +
                       std::to_string(t.box.width()) + ")");
    }
    void look(QWidget* w, const std::string& where) {
        testsupport::pump();
        (void)w->grab();
        takeDrawn(where);
        measureLists(w);
    }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    std::set<std::string> cut;
};

} // namespace

TEST_P(TextsFit, EveryViewAndWindowKeepsItsTextsWhole) {
    // Events with the longest names and notes a record holds (23 characters), wide letters.
    items::Events& table = items::events();
    table = items::Events{};
    const dev::FileTime now = dev::getLocalTimeAsFileTime();
    for (uint32_t id = 1; id <= 2; ++id) {
        items::EventRecord r{};
        items::setText(r.name, id == 1 ? u"WWWWWWWWWWWWWWWWWWWWWWW" : u"Dentist appointment 3pm");
        r.eventTime = now + id * 3600 * dev::kTicksPerSecond;
        r.eventId = id;
        r.noteNumber = id;
        table.records.push_back(r);
    }
    table.noteCounter = 2;
    ASSERT_TRUE(table.saveNote(table.records[0], u"MMMMMMMMMMMMMMMMMMMMMMM"));
    ASSERT_TRUE(table.saveNote(table.records[1], u"Bring the insurance card"));
    ASSERT_TRUE(table.save());
    // And alarm notes of that length.
    items::Alarms& alarms = items::alarms();
    ASSERT_TRUE(alarms.load(true));
    items::setText(alarms.records[0].note, u"Take the medicine first");
    items::setText(alarms.records[1].note, u"Call Grandma on her day");
    ASSERT_TRUE(alarms.save());
    auto w = testsupport::startMainWindow();
    w->setAttribute(Qt::WA_DontShowOnScreen);
    tk::WatchCutTexts(true);
    for (int v = 0; v < shell::kViewCount; ++v) {
        const std::string where = utf8(shell::viewName(v));
        (void)w->renderView(v);
        testsupport::showView(*w, v);
        look(w.get(), where);
    }
    testsupport::showView(*w, shell::kGeneral);

    // Preferences, each page.
    w->command(shell::kCmdPreferences);
    shell::PreferencesDlg* prefs = w->preferences();
    ASSERT_NE(prefs, nullptr);
    for (int tab = 0; tab < prefs->tabCount(); ++tab) {
        prefs->selectTab(tab);
        look(w.get(), "Preferences page " + std::to_string(tab));
    }
    prefs->cancel();

    // Home Location, Edit Cities and City Details.
    w->command(shell::kCmdHomeLocation);
    ASSERT_NE(w->openDialog(), nullptr);
    look(w->openDialog(), "Home Location");
    w->openDialog()->reject();
    testsupport::pump();
    w->command(shell::kCmdEditCities);
    auto* edit = dynamic_cast<citiesui::EditCitiesDlg*>(w->openDialog());
    ASSERT_NE(edit, nullptr);
    look(edit, "Edit Cities");
    edit->onEdit();
    ASSERT_NE(edit->details(), nullptr);
    look(edit, "City Details");
    edit->reject();
    testsupport::pump();

    // One text a string resource: no number carries two texts of which only one is ever seen.
    EXPECT_EQ(dev::StringsDefinedTwice(), std::vector<int>{});

    std::string all;
    for (const std::string& c : cut)
        all += "\n  " + c;
    EXPECT_TRUE(cut.empty()) << cut.size() << " cut texts in " << GetParam() << ":" << all;
}

INSTANTIATE_TEST_SUITE_P(Locales, TextsFit, ::testing::Values("en_US", "de_DE"));

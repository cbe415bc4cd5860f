// What a screen reader is told: the main window with each of the sixteen views and every window
// the views and the menus open, walked through Qt's accessibility interfaces from the top-level
// windows down, as the AT-SPI bridge reads them. Every shown node has a role, and every control
// and every window that draws itself has a name.
#include "cities/ui/editcities.h"
#include "device/fake.h"
#include "device/files.h"
#include "device/text.h"
#include "items/ui/alarmsview.h"
#include "items/ui/eventseditdlg.h"
#include "items/ui/eventsview.h"
#include "items/ui/itemsettingswindow.h"
#include "items/ui/timersview.h"
#include "settings/settings.h"
#include "shell/mainwindow.h"
#include "shell/preferences.h"
#include "shellcore/shellcore.h"
#include "tests/support/windowtest.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/controls/soundpicker.h"
#include "toolkit/window/SWindow.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QTest>

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

// Roles a user acts on or reads a value from: each needs a name to be told apart.
bool needsName(QAccessible::Role r) {
    switch (r) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
    case QAccessible::EditableText:
    case QAccessible::List:
    case QAccessible::ListItem:
    case QAccessible::PageTab:
    case QAccessible::PageTabList:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::TreeItem:
    case QAccessible::Slider:
    case QAccessible::Dialog:
    case QAccessible::Grouping:
    case QAccessible::StatusBar:
        return true;
    default:
        return false;
    }
}

std::string describe(QAccessibleInterface* iface, QAccessibleInterface* parent) {
    QObject* o = iface->object();
    if (!o)
        return "a part of " + describe(parent, nullptr);
    std::string s = o->metaObject()->className();
    if (!o->objectName().isEmpty())
        s += " \"" + o->objectName().toStdString() + "\"";
    return s;
}

class Accessibility : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fake.clockImpl.setLocal(testsupport::at(2026, 9, 30, 22, 47, 9));
        for (int c = 0; c < kContinentFiles; ++c) {
            const std::u16string file(kCityFileNames[static_cast<size_t>(c)]);
            ASSERT_TRUE(dev::saveWholeFile(dataFilePath(file),
                                           readSourceFile(std::string(file.begin(), file.end()))));
        }
    }
    void TearDown() override {
        testsupport::pump();
        resetAppState();
    }

    void walk(QAccessibleInterface* iface, const std::string& where, int depth) {
        ASSERT_LT(depth, 40) << where;
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface* c = iface->child(i);
            if (!c || !c->isValid() || c->state().invisible)
                continue;
            ++nodes;
            const QAccessible::Role role = c->role();
            const bool ownDrawn =
                !c->object() || tk::WindowObject(qobject_cast<QWidget*>(c->object()));
            if (role == QAccessible::NoRole)
                faults.insert(where + ": " + describe(c, iface) + " has no role");
            else if ((ownDrawn || needsName(role)) &&
                     c->text(QAccessible::Name).trimmed().isEmpty())
                faults.insert(where + ": " + describe(c, iface) + " (role 0x" +
                              QString::number(role, 16).toStdString() + ") has no name");
            walk(c, where, depth + 1);
        }
    }
    // Every shown top-level window, from its own interface down.
    void look(const std::string& where) {
        testsupport::pump();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible())
                continue;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(top);
            ASSERT_NE(iface, nullptr);
            if (iface->text(QAccessible::Name).isEmpty())
                faults.insert(where + ": the window " + describe(iface, nullptr) + " has no name");
            walk(iface, where, 0);
        }
    }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    std::set<std::string> faults;
    int nodes = 0;
};

void tap(QWidget* w) {
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    testsupport::pump();
}

} // namespace

TEST_F(Accessibility, EveryViewAndWindowTellsItsControlsByRoleAndName) {
    auto w = testsupport::startMainWindow();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(w.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);
    QAccessibleInterface* client = QAccessible::queryAccessibleInterface(w->clientWindow());
    ASSERT_NE(client, nullptr);
    for (int v = 0; v < shell::kViewCount; ++v) {
        testsupport::showView(*w, v);
        // The client area is told by the view's name, with the time and date shown.
        EXPECT_EQ(client->text(QAccessible::Name).toStdString(),
                  dev::toQString(shell::viewName(v)).toStdString());
        EXPECT_TRUE(client->text(QAccessible::Value).contains(QStringLiteral("10:47")) ||
                    client->text(QAccessible::Value).contains(QStringLiteral("22:47")))
            << client->text(QAccessible::Value).toStdString();
        look(dev::toQString(shell::viewName(v)).toStdString());
    }

    // The view list opened over the title strip: a list of the sixteen views, the shown one
    // selected and on the screen.
    testsupport::showView(*w, shell::kWorldTime);
    tk::SDropList* viewList = w->holder().headerBar->viewList();
    viewList->SetSelected(shell::kWorldTime); // as the tap on the title does
    viewList->Open();
    testsupport::pump();
    QAccessibleInterface* popup = QAccessible::queryAccessibleInterface(viewList->popup());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->role(), QAccessible::List);
    EXPECT_FALSE(popup->state().invisible);
    EXPECT_EQ(popup->text(QAccessible::Name).toStdString(), "View");
    int rows = 0, selected = -1;
    for (int i = 0; i < popup->childCount(); ++i)
        if (QAccessibleInterface* c = popup->child(i); c && c->role() == QAccessible::ListItem) {
            if (c->state().selected) {
                selected = rows;
                EXPECT_EQ(c->text(QAccessible::Name).toStdString(),
                          dev::toQString(shell::viewName(shell::kWorldTime)).toStdString());
                EXPECT_FALSE(c->state().invisible);
            }
            ++rows;
        }
    EXPECT_EQ(rows, shell::kViewCount);
    EXPECT_EQ(selected, shell::kWorldTime);
    look("View list");
    viewList->Dismiss();
    testsupport::pump();

    // The Alarms view's settings window, and its sound folder selection.
    testsupport::showView(*w, shell::kAlarms);
    auto* alarms = dynamic_cast<itemsui::MAlarms*>(w->view(shell::kAlarms));
    ASSERT_NE(alarms, nullptr);
    tap(alarms->settingsButton(0));
    ASSERT_NE(alarms->settingsWindow(), nullptr);
    look("Alarm Settings");
    tk::STFileList* sound = alarms->settingsWindow()->soundPicker();
    ASSERT_NE(sound, nullptr);
    sound->openCustom();
    ASSERT_NE(sound->browser(), nullptr);
    look("Sound folder selection");
    sound->browser()->end(false);
    alarms->settingsWindow()->cancel();
    testsupport::pump();

    // Timer Settings.
    testsupport::showView(*w, shell::kTimers);
    auto* timers = dynamic_cast<itemsui::MTimers*>(w->view(shell::kTimers));
    ASSERT_NE(timers, nullptr);
    // Its timer list: a combo box with the chosen timer as value, read as its text too.
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(timers->timerList()->hwnd());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::ComboBox);
    EXPECT_EQ(list->text(QAccessible::Name).toStdString(), "Timers");
    EXPECT_EQ(list->text(QAccessible::Value).toStdString(), "Timer 1");
    ASSERT_NE(list->textInterface(), nullptr);
    EXPECT_EQ(list->textInterface()->text(0, list->textInterface()->characterCount()).toStdString(),
              "Timer 1");
    tap(timers->button(itemsui::kIdSet));
    ASSERT_NE(timers->settingsWindow(), nullptr);
    look("Timer Settings");
    timers->settingsWindow()->cancel();
    testsupport::pump();

    // Event Settings.
    testsupport::showView(*w, shell::kEvents);
    auto* events = dynamic_cast<itemsui::EventsView*>(w->view(shell::kEvents));
    ASSERT_NE(events, nullptr);
    events->command(itemsui::eventslayout::kIdNew);
    testsupport::pump();
    ASSERT_NE(events->dialog(), nullptr);
    look("Event Settings");
    events->dialog()->cancel();
    testsupport::pump();
    testsupport::showView(*w, shell::kGeneral);

    // Preferences, each page.
    w->command(shell::kCmdPreferences);
    shell::PreferencesDlg* prefs = w->preferences();
    ASSERT_NE(prefs, nullptr);
    for (int tab = 0; tab < prefs->tabCount(); ++tab) {
        prefs->selectTab(tab);
        look("Preferences page " + std::to_string(tab + 1));
    }
    prefs->cancel();

    // Home Location, Edit Cities and City Details.
    w->command(shell::kCmdHomeLocation);
    ASSERT_NE(w->openDialog(), nullptr);
    look("Home Location");
    w->openDialog()->reject();
    testsupport::pump();
    w->command(shell::kCmdEditCities);
    auto* edit = dynamic_cast<citiesui::EditCitiesDlg*>(w->openDialog());
    ASSERT_NE(edit, nullptr);
    look("Edit Cities");
    edit->onEdit();
    ASSERT_NE(edit->details(), nullptr);
    look("City Details");
    edit->reject();
    testsupport::pump();

    EXPECT_GT(nodes, 400);
    std::string all;
    for (const std::string& f : faults)
        all += "\n  " + f;
    EXPECT_TRUE(faults.empty()) << faults.size() << " nodes a screen reader cannot tell:" << all;
}

// What every view is built with: the program's one city database, its item tables, its settings
// and locale, and the main window the views draw into and send their notifications to. The shell
// owns all of it for the whole run; a view keeps the reference and never reaches for globals.
#pragma once

#include "cities/citydatabase.h"
#include "items/alarms.h"
#include "items/events.h"
#include "items/stopwatch.h"
#include "items/timers.h"
#include "settings/settings.h"
#include "toolkit/window/winapi.h"

#include <functional>

namespace hv::view {

// The views speak the toolkit's window types.
using tk::HWND;
using tk::LPARAM;
using tk::POINT;
using tk::RECT;
using tk::UINT;
using tk::WPARAM;

struct ViewContext {
    CityDatabase& cities;
    items::Alarms& alarms;
    items::Timers& timers;
    items::Events& events;
    items::Stopwatch& stopwatch;
    SettingsRecord& settings;
    const LocaleCache& locale;
    const LocaleNameLists& names;
    // The main window's client area: the parent of the views' child windows and the target of
    // their private messages. Set before the first view is shown.
    HWND mainWindow = nullptr;
    // Makes another view the shown one, as a choice in the view list does (watch skins).
    std::function<void(int view)> selectView;
    // The program runs as the screen saver: only one watch skin exists, without its corner icon
    // and view list, and a tap ends the program.
    bool screenSaver = false;
};

} // namespace hv::view

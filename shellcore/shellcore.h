// The main program's shell rules that need no window: the view list, the command line, the
// start-up view and its remembered sub-state, view switching, the tick's once-a-second decision,
// the chime and the gathering of view states at exit.
#pragma once

#include "device/systime.h"
#include "settings/settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace hv::shell {

// ---- Views ----------------------------------------------------------------------------------
enum View : int {
    kGeneral = 0,
    kDigitalClock = 1,
    kAnalogClock = 2,
    kAlarms = 3,
    kTimers = 4,
    kStopwatch = 5,
    kEvents = 6,
    kWorldTime = 7,
    kMoonPhases = 8,
    kSunRiseSet = 9,
    kCityTime = 10,
    kInternetTime = 11,
    kTimeCalc = 12,
    kCitizenLike = 13,
    kCasioLike = 14,
    kAnaDigiLike = 15,
};
inline constexpr int kViewCount = 16;
inline constexpr int kFirstSkinView = 13;

constexpr bool isView(int v) {
    return v >= 0 && v < kViewCount;
}
constexpr bool isSkinView(int v) {
    return v >= kFirstSkinView && v < kViewCount;
}

// The view list (string list 40007) and the names one by one.
inline constexpr char16_t kViewList[] =
    u"General\\Digital Clock\\Analog Clock\\Alarms\\Timers\\Stopwatch\\Events\\World Time\\"
    u"Moon Phases\\Sun rise/set\\City Time\\Internet Time\\Time Calc\\Citizen like\\Casio like\\"
    u"Ana-Digi like\\.";
std::u16string viewName(int view); // empty for a number outside 0..15

// Command ids of the main window.
enum Command : int {
    kCmdClose = 1,
    kCmdAbout = 40003,
    kCmdPreferences = 40006,
    kCmdHomeLocation = 40007,
    kCmdEditCities = 40008,
    kCmdSetDateTime = 40009,
    kCmdExit = 40025,
};
// "View" menu command of each view, in view order.
inline constexpr std::array<int, kViewCount> kViewCommands = {
    40011, 40012, 40015, 40013, 40014, 40016, 40017, 40018,
    40019, 40020, 40021, 40022, 40023, 40027, 40028, 40029};
int viewOfCommand(int command); // -1 when the id is no view command
int commandOfView(int view);    // 0 outside 0..15

// ---- Command line ---------------------------------------------------------------------------
struct CommandLine {
    enum class Kind {
        Normal,      // anything unrecognised
        ScreenSaver, // "s" n with n 0..2
        Refused,     // "s" n with n above 2 (as unsigned): end at once
        Alarm,       // "a" n
        Events,      // "e"
        Timer,       // "t" n
    };
    Kind kind = Kind::Normal;
    uint32_t number = 0; // n as read (unsigned, saturating; missing digits read as 0)
};
// Only the first character decides; the number follows it directly (leading blanks skipped).
CommandLine parseCommandLine(std::u16string_view line);

inline constexpr int kAlarmsPerPage = 4;
inline constexpr int kAlarmPages = 5;
inline constexpr int kTimerCount = 4;
inline constexpr int kCityTimeItems = 20;
inline constexpr int kTimeCalcItems = 12;

// Page of the Alarms view that holds alarm n (1-based): (n - 1) / 4, kept within the 5 pages.
int alarmPageOf(uint32_t alarmNumber);

// ---- Start-up view ------------------------------------------------------------------------
// The view chosen before the command line applies: startupView - 1, or lastView for "Last Used".
// A number that names no view gives the General view.
int startupSelectedView(const SettingsRecord& s);

// The sub-state each view starts with (alarm page, selected timer, City Time and Time Calc
// items), all 0 unless restored or set by the command line.
struct ViewSubStates {
    int alarmsPage = 0;
    int timersSelected = 0;
    int cityTimeSelected = 0;
    int timeCalcSelected = 0;
    friend bool operator==(const ViewSubStates&, const ViewSubStates&) = default;
};

struct StartupChoice {
    int selectedView = 0;
    ViewSubStates sub;
};
// Start-up in normal mode: the start-up view, then the "a", "e" and "t" lines; with any other
// line and "Last Used", lastViewSub is restored into the last view. Out-of-range sub-states are
// ignored.
StartupChoice chooseStartup(const SettingsRecord& s, const CommandLine& cmd);

// The lastViewSub stored at exit for the view now selected (0 for views without one).
uint8_t lastViewSubFor(int selectedView, const ViewSubStates& sub);

// ---- Switching views ------------------------------------------------------------------------
struct SwitchPlan {
    bool resync = false;          // same view: let it refresh its child windows
    int hide = -1;                // view to hide (-1 none)
    int show = -1;                // view to show (-1 none)
    bool enterFullScreen = false; // a skin is shown: full screen, no menu bar
    bool leaveFullScreen = false; // a skin was hidden for a view below 13: chrome back
    bool invalidate = false;
};
SwitchPlan planSwitch(int currentView, int selectedView);

// ---- The tick -------------------------------------------------------------------------------
struct TickDecision {
    bool redraw = false;
    bool secondChanged = false; // the chime is looked at once per new second
};
// previous and now are the local times of two ticks 100 ms apart. A running stopwatch on screen
// redraws at every tick; otherwise only a new second redraws.
TickDecision decideTick(const dev::SystemTime& previous, const dev::SystemTime& now,
                        bool screenSaverMode, int currentView, bool stopwatchRunning);

// Minutes of the chime intervals "5 minute" .. "1 hour".
inline constexpr std::array<int, 6> kChimeMinutes = {5, 10, 15, 20, 30, 60};
// True when the chime sounds at this (new) second: chime on, second 0, minute a multiple of the
// interval.
bool chimeDue(const SettingsRecord& s, const dev::SystemTime& now);

// Holds the previous and current tick times and answers what this tick has to do.
class Ticker {
public:
    struct Result {
        bool redraw = false;
        bool secondChanged = false;
        bool chime = false;
    };
    Result tick(const dev::SystemTime& now, const SettingsRecord& s, bool screenSaverMode,
                int currentView);
    const dev::SystemTime& nowTime() const { return now_; }
    const dev::SystemTime& previousTime() const { return previous_; }

private:
    dev::SystemTime now_{};
    dev::SystemTime previous_{};
};

// ---- Exit -----------------------------------------------------------------------------------
// The view states that the exit sequence writes back into the settings record.
struct ExitViewState {
    int selectedView = 0;
    ViewSubStates sub;
    std::array<CityPair, 20> cityTimeCities{};
    std::array<CityPair, 12> timeCalcCities{};
    CityPair worldTimeCityA{};
    CityPair worldTimeCityB{};
    CityPair digitalClockCity{};
    CityPair home{};
    uint8_t eventsSortBy = 0;
    uint8_t eventsUnit = 0;
};
// The state as the record holds it now (views that keep nothing of their own hand this back).
ExitViewState exitStateFromSettings(const SettingsRecord& s);
void storeExitState(SettingsRecord& s, const ExitViewState& e);

} // namespace hv::shell

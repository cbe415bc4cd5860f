#include "shellcore/shellcore.h"

#include <algorithm>

namespace hv::shell {

std::u16string viewName(int view) {
    if (!isView(view))
        return {};
    std::u16string_view list(kViewList);
    size_t start = 0;
    for (int i = 0; i < view; ++i)
        start = list.find(u'\\', start) + 1;
    return std::u16string(list.substr(start, list.find(u'\\', start) - start));
}

int viewOfCommand(int command) {
    for (int v = 0; v < kViewCount; ++v)
        if (kViewCommands[v] == command)
            return v;
    return -1;
}

int commandOfView(int view) {
    return isView(view) ? kViewCommands[view] : 0;
}

namespace {
// Reads an optionally signed decimal number as the handheld's _wtoi does, then takes it as
// unsigned: "-1" becomes 0xFFFFFFFF. Out-of-range magnitudes saturate.
uint32_t readNumber(std::u16string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
        negative = s[i] == u'-';
        ++i;
    }
    uint64_t value = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(s[i] - u'0');
        if (value > 0x7FFFFFFF) {
            value = negative ? 0x80000000ULL : 0x7FFFFFFFULL;
            break;
        }
    }
    const int64_t signedValue =
        negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    return static_cast<uint32_t>(signedValue);
}
} // namespace

CommandLine parseCommandLine(std::u16string_view line) {
    CommandLine c;
    if (line.empty())
        return c;
    const std::u16string_view rest = line.substr(1);
    switch (line.front()) {
    case u's':
        c.number = readNumber(rest);
        c.kind = c.number > 2 ? CommandLine::Kind::Refused : CommandLine::Kind::ScreenSaver;
        break;
    case u'a':
        c.kind = CommandLine::Kind::Alarm;
        c.number = readNumber(rest);
        break;
    case u'e':
        c.kind = CommandLine::Kind::Events;
        break;
    case u't':
        c.kind = CommandLine::Kind::Timer;
        c.number = readNumber(rest);
        break;
    default:
        break;
    }
    return c;
}

int alarmPageOf(uint32_t alarmNumber) {
    if (alarmNumber < 1 || alarmNumber > kAlarmsPerPage * kAlarmPages)
        return 0;
    return static_cast<int>((alarmNumber - 1) / kAlarmsPerPage);
}

int startupSelectedView(const SettingsRecord& s) {
    if (s.startupView == 0)
        return isView(static_cast<int>(s.lastView)) ? static_cast<int>(s.lastView) : kGeneral;
    // The start-up list names views 0..12 only.
    if (s.startupView <= static_cast<uint32_t>(kTimeCalc + 1))
        return static_cast<int>(s.startupView) - 1;
    return kGeneral;
}

StartupChoice chooseStartup(const SettingsRecord& s, const CommandLine& cmd) {
    StartupChoice c;
    c.selectedView = startupSelectedView(s);
    switch (cmd.kind) {
    case CommandLine::Kind::Alarm:
        c.selectedView = kAlarms;
        c.sub.alarmsPage = alarmPageOf(cmd.number);
        return c;
    case CommandLine::Kind::Events:
        c.selectedView = kEvents;
        return c;
    case CommandLine::Kind::Timer:
        c.selectedView = kTimers;
        c.sub.timersSelected =
            cmd.number < static_cast<uint32_t>(kTimerCount) ? static_cast<int>(cmd.number) : 0;
        return c;
    default:
        break;
    }
    if (s.startupView != 0)
        return c;
    const int sub = s.lastViewSub;
    switch (c.selectedView) {
    case kAlarms:
        c.sub.alarmsPage = sub < kAlarmPages ? sub : 0;
        break;
    case kTimers:
        c.sub.timersSelected = sub < kTimerCount ? sub : 0;
        break;
    case kCityTime:
        c.sub.cityTimeSelected = sub < kCityTimeItems ? sub : 0;
        break;
    case kTimeCalc:
        c.sub.timeCalcSelected = sub < kTimeCalcItems ? sub : 0;
        break;
    default:
        break;
    }
    return c;
}

uint8_t lastViewSubFor(int selectedView, const ViewSubStates& sub) {
    auto clamp = [](int v, int count) { return static_cast<uint8_t>(v >= 0 && v < count ? v : 0); };
    switch (selectedView) {
    case kAlarms:
        return clamp(sub.alarmsPage, kAlarmPages);
    case kTimers:
        return clamp(sub.timersSelected, kTimerCount);
    case kCityTime:
        return clamp(sub.cityTimeSelected, kCityTimeItems);
    case kTimeCalc:
        return clamp(sub.timeCalcSelected, kTimeCalcItems);
    default:
        return 0;
    }
}

SwitchPlan planSwitch(int currentView, int selectedView) {
    SwitchPlan p;
    if (!isView(selectedView))
        return p;
    if (selectedView == currentView) {
        p.resync = true;
        return p;
    }
    p.hide = isView(currentView) ? currentView : -1;
    p.show = selectedView;
    p.enterFullScreen = isSkinView(selectedView);
    p.leaveFullScreen = isSkinView(currentView) && !isSkinView(selectedView);
    p.invalidate = true;
    return p;
}

namespace {
bool sameSecond(const dev::SystemTime& a, const dev::SystemTime& b) {
    return a.second == b.second && a.minute == b.minute && a.hour == b.hour && a.day == b.day &&
           a.month == b.month && a.year == b.year;
}
} // namespace

TickDecision decideTick(const dev::SystemTime& previous, const dev::SystemTime& now,
                        bool screenSaverMode, int currentView, bool stopwatchRunning) {
    TickDecision d;
    d.secondChanged = !sameSecond(previous, now);
    d.redraw =
        d.secondChanged || (!screenSaverMode && currentView == kStopwatch && stopwatchRunning);
    return d;
}

bool chimeDue(const SettingsRecord& s, const dev::SystemTime& now) {
    if (!s.chimeOn || now.second != 0 || s.chimeInterval >= kChimeMinutes.size())
        return false;
    const int every = kChimeMinutes[s.chimeInterval];
    return now.minute % every == 0;
}

Ticker::Result Ticker::tick(const dev::SystemTime& now, const SettingsRecord& s,
                            bool screenSaverMode, int currentView) {
    previous_ = now_;
    now_ = now;
    const TickDecision d =
        decideTick(previous_, now_, screenSaverMode, currentView, s.stopwatchRunning != 0);
    Result r;
    r.redraw = d.redraw;
    r.secondChanged = d.secondChanged;
    r.chime = d.secondChanged && chimeDue(s, now_);
    return r;
}

ExitViewState exitStateFromSettings(const SettingsRecord& s) {
    ExitViewState e;
    e.selectedView = isView(static_cast<int>(s.lastView)) ? static_cast<int>(s.lastView) : 0;
    std::copy(std::begin(s.cityTimeCities), std::end(s.cityTimeCities), e.cityTimeCities.begin());
    std::copy_n(std::begin(s.timeCalcCities), e.timeCalcCities.size(), e.timeCalcCities.begin());
    e.worldTimeCityA = s.worldTimeCityA;
    e.worldTimeCityB = s.worldTimeCityB;
    e.digitalClockCity = s.digitalClockCity;
    e.home = {s.homeContinent, s.homeCity};
    e.eventsSortBy = s.eventsSortBy;
    e.eventsUnit = s.eventsUnit;
    return e;
}

void storeExitState(SettingsRecord& s, const ExitViewState& e) {
    std::copy(e.cityTimeCities.begin(), e.cityTimeCities.end(), std::begin(s.cityTimeCities));
    std::copy(e.timeCalcCities.begin(), e.timeCalcCities.end(), std::begin(s.timeCalcCities));
    s.digitalClockCity = e.digitalClockCity;
    s.worldTimeCityA = e.worldTimeCityA;
    s.worldTimeCityB = e.worldTimeCityB;
    s.lastView = isView(e.selectedView) ? static_cast<uint32_t>(e.selectedView) : 0;
    s.lastViewSub = lastViewSubFor(e.selectedView, e.sub);
    s.homeContinent = e.home.continent;
    s.homeCity = e.home.city;
    s.eventsSortBy = e.eventsSortBy;
    s.eventsUnit = e.eventsUnit;
}

} // namespace hv::shell

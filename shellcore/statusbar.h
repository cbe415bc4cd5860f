// The status bar's parts without drawing: part kinds, their texts, icons and target views, the
// layout of a part and the tap rectangles, and the rules that pick the alarm and the timer shown.
// The sources of the texts (alarms, timers, stopwatch, sun, Internet time) come in through
// StatusSources so that the bar does not depend on how those features keep their data.
#pragma once

#include "device/systime.h"
#include "settings/settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace hv::shell {

enum class StatusKind : uint32_t {
    None = 0,
    Alarm = 1,
    Timer = 2,
    Stopwatch = 3,
    Sunrise = 4,
    Sunset = 5,
    InternetTime = 6,
    Date = 7,
    Time = 8,
};
inline constexpr uint32_t kStatusKindCount = 9;
// String list 40059, the part kinds as Preferences lists them.
inline constexpr char16_t kStatusKindList[] =
    u"None\\Alarm\\Timer\\Stopwatch\\Sunrise\\Sunset\\Internet Time\\Date\\Time\\.";

// A stored kind outside the list counts as None.
StatusKind statusKindFrom(uint32_t stored);
// Icon of the shared icon strip (kind - 1), -1 for None.
int statusIcon(StatusKind k);
// View a tap on the part switches to, -1 for None.
int statusTargetView(StatusKind k);

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};
struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

inline constexpr Rect kTitleStrip{0, 0, 480, 44};
inline constexpr Rect kStatusBar{0, 490, 480, 534};
inline constexpr Rect kViewListIcon{12, 8, 40, 36};
inline constexpr Rect kViewNameRect{50, 6, 222, 34};
inline constexpr Rect kViewListTapArea{10, 6, 222, 34};
inline constexpr std::array<int, 3> kStatusPartX = {0, 160, 324};
inline constexpr std::array<int, 2> kStatusSeparatorX = {156, 320};
inline constexpr int kStatusSeparatorWidth = 4;
inline constexpr std::array<Rect, 3> kStatusTapRects = {
    Rect{0, 496, 156, 534}, Rect{158, 496, 320, 534}, Rect{322, 496, 480, 534}};

// The part whose tap rectangle holds the point (0 left, 1 central, 2 right), -1 for none.
int statusPartAt(Point p);

// Icon and text origins inside the status bar (y relative to its top) for a part at x whose text
// is textWidth wide.
Point statusIconOrigin(int partX, int textWidth);
Point statusTextOrigin(int partX, int textWidth);

// The three kinds of the settings, left to right.
std::array<StatusKind, 3> statusKinds(const SettingsRecord& s);

inline constexpr char16_t kNoTime[] = u"--:--";
inline constexpr char16_t kNoStopwatch[] = u"--:-- --";

// What the alarm and timer rules read of each record.
struct AlarmSlot {
    bool enabled = false;
    dev::FileTime alarmTime = 0; // local wall-clock time
};
struct TimerSlot {
    uint32_t notificationHandle = 0; // non-zero while running
    dev::FileTime countdownTime = 0; // the end time while running
};
// The earliest enabled alarm (lower index on equal times), or nothing.
std::optional<int> earliestAlarm(std::span<const AlarmSlot> alarms);
// The running timer that ends first (lower number on equal times), or nothing.
std::optional<int> firstTimerToEnd(std::span<const TimerSlot> timers);

// The features the bar reports on.
class StatusSources {
public:
    virtual ~StatusSources() = default;
    virtual std::array<AlarmSlot, 20> alarms() = 0;
    virtual std::array<TimerSlot, 4> timers() = 0;
    // The Timers view's remaining-time text of timer i ("HH:mm:ss").
    virtual std::u16string timerRemainingText(int i) = 0;
    // The running stopwatch's time, brought up to date ("HH:mm ss"); called only while running.
    virtual std::u16string stopwatchText() = 0;
    virtual bool stopwatchRunning() = 0;
    // Today's texts of the Sun rise/set view at the home location.
    virtual std::u16string sunriseText() = 0;
    virtual std::u16string sunsetText() = 0;
    // The Internet Time view's beat text (without the "@").
    virtual std::u16string beatText() = 0;
};

// Text of a part of the given kind at local time now. None gives an empty text.
std::u16string statusText(StatusKind k, StatusSources& src, const dev::SystemTime& now);

} // namespace hv::shell

// The texts of the Alarms and Timers views and of their settings windows: the string lists their
// drop lists show and the labels they draw.
#pragma once

#include <string>

namespace hv::itemsui {

enum : int {
    kStrTimerNames = 40011,      // "Timer 1\Timer 2\Timer 3\Timer 4\."
    kStrRepeatCounts = 40061,    // "once" .. "5 times": the sound plays repeatIndex + 1 times
    kStrPauses = 40062,          // "1 second" .. "5 seconds"
    kStrSnoozeCounts = 40063,    // "once" .. "10 times"
    kStrSnoozeIntervals = 40064, // "1 minutes" .. "15 minutes"
    kStrAlarmSettings = 40087,
    kStrTimerSettings = 40095,
};

inline constexpr char16_t kTextSelectedDays[] = u"Selected Days:";
inline constexpr char16_t kTextAlarmSound[] = u"Alarm sound:";
inline constexpr char16_t kTextTimerSound[] = u"Timer sound:";
inline constexpr char16_t kTextRepeat[] = u"Repeat:";
inline constexpr char16_t kTextPause[] = u"Pause:";
inline constexpr char16_t kTextInitialValue[] = u"Initial value:";
inline constexpr char16_t kTextNote[] = u"Note:";
inline constexpr char16_t kTextRepeatingAlarm[] = u"Repeating alarm";
inline constexpr char16_t kTextShowDescription[] = u"Show alarm description";
inline constexpr char16_t kTextTest[] = u"Test";
inline constexpr char16_t kTextStopTest[] = u"Stop";
inline constexpr char16_t kTextReset[] = u"Reset";
inline constexpr char16_t kTextOk[] = u"OK";
inline constexpr char16_t kTextCancel[] = u"Cancel";
inline constexpr char16_t kTextSettings[] = u"Settings...";
inline constexpr char16_t kTextStart[] = u"Start";
inline constexpr char16_t kTextStop[] = u"Stop";
inline constexpr char16_t kTextSet[] = u"Set...";
inline constexpr char16_t kTextStopResetAll[] = u"Stop && Reset All...";
// The day selector's letters, Sunday first.
inline constexpr char16_t kTextDayLetters[] = u"SMTWTFS";

// Registers the lists and titles with the toolkit's string resources (once).
void registerItemsStrings();
// A string resource's text.
std::u16string itemsString(int id);

} // namespace hv::itemsui

// The reminder's mirror on the desktop: while the bubble shows, the same title, time and note
// as a notification of the desktop's notification service (org.freedesktop.Notifications over
// the session bus), with the actions Snooze and Dismiss. Without a session bus or a service the
// notice stays silent and the bubble works alone.
#pragma once

#include "reminder/reminder.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace hv::reminder {

struct NoticeText {
    QString title; // "Alarm 7", "Event", "Timer 2"
    QString body;  // the time, the date and the note, one a line, markup escaped
};

// The notice for a bubble: its heading as the title; "Time:", "Date:" and "Note:" lines (no
// note line for an empty note) as the body, with the characters of markup escaped.
NoticeText noticeText(const BubbleParts& parts);

// Action keys of the notification.
inline constexpr char kNoticeSnoozeKey[] = "snooze";
inline constexpr char kNoticeDismissKey[] = "dismiss";

class DesktopNotice {
public:
    DesktopNotice();
    ~DesktopNotice();
    DesktopNotice(const DesktopNotice&) = delete;
    DesktopNotice& operator=(const DesktopNotice&) = delete;

    // Shows the notice, or replaces the one shown. Returns at once; false when there is no
    // session bus to send it on.
    bool show(const NoticeText& text);
    // Takes the notice away (the bubble went); nothing happens when none is shown.
    void close();
    // The id the service gave the notice shown, 0 while none is (or the answer is outstanding).
    uint32_t id() const;

    // The user chose Snooze or Dismiss on the notice, or closed it (Dismiss): the bubble's
    // command id. Called from the event loop; the notice counts as gone by then.
    std::function<void(int command)> onCommand;
    // A line per happening, for the reminder's log.
    std::function<void(const QString&)> onTrace;

private:
    class Link;
    std::unique_ptr<Link> link_;
};

// Whether a session bus is to be had without starting one: DBUS_SESSION_BUS_ADDRESS, or the
// bus socket in XDG_RUNTIME_DIR.
bool sessionBusConfigured();

} // namespace hv::reminder

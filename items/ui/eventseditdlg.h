// The "Event Settings" window: the event's name, a "Note" button, the date and time pickers, the
// sound with its repeat count and pause and a "Test" button, OK and Cancel. It covers the main
// window and works on a draft of the event; OK registers the event with the notification service
// when it lies at least a second ahead, and saves the table.
#pragma once

#include "items/events.h"
#include "items/records.h"
#include "items/ui/commandpanel.h"
#include "items/ui/notewindow.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/controls/pickers.h"
#include "toolkit/controls/soundpicker.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/keyboard.h"
#include "viewbase/view.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace hv::itemsui {

namespace eventdlglayout {
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdName = 1013;
inline constexpr int kIdNote = 1014;
inline constexpr int kIdDate = 1009;
inline constexpr int kIdTime = 1010;
inline constexpr int kIdTest = 1023;
inline constexpr uintptr_t kIdSound = 1;
inline constexpr int kNameLength = 23;
inline constexpr unsigned kTestTimerMs = 100;

inline constexpr tk::RECT kTitle{14, 12, 480, 40};
inline constexpr tk::RECT kBlackBar{0, 50, 480, 55};
inline constexpr tk::RECT kGreyBars[] = {{0, 152, 480, 155}, {0, 304, 480, 307}};
inline constexpr tk::COLORREF kGrey = view::kGreyRule;
// The name, note and date part (the handheld's dialog under the title).
inline constexpr tk::RECT kNameLabel{10, 60, 300, 88};
inline constexpr tk::RECT kNameEdit{10, 92, 370, 126};
inline constexpr tk::RECT kNoteButton{384, 92, 470, 126};
inline constexpr tk::RECT kWhenLabel{10, 162, 300, 190};
inline constexpr tk::RECT kDateLabel{0, 200, 150, 230};
inline constexpr tk::RECT kDatePicker{160, 198, 400, 232};
inline constexpr tk::RECT kTimeLabel{0, 246, 150, 276};
inline constexpr tk::RECT kTimePicker{160, 244, 330, 278};
// The sound part.
inline constexpr tk::RECT kSoundLabel{0, 316, 150, 344};
inline constexpr tk::RECT kRepeatLabel{0, 350, 150, 378};
inline constexpr tk::RECT kPauseLabel{0, 384, 150, 412};
inline constexpr tk::RECT kSoundPicker{190, 316, 356, 344};
inline constexpr tk::RECT kRepeatList{190, 350, 282, 378};
inline constexpr tk::RECT kPauseList{190, 384, 308, 412};
inline constexpr tk::RECT kTestButton{360, 380, 466, 414};
inline constexpr tk::RECT kOkButton{16, 482, 156, 516};
inline constexpr tk::RECT kCancelButton{170, 482, 310, 516};
} // namespace eventdlglayout

class EventsEditDlg : public tk::SWindow, public tk::SDrawBasic {
public:
    // Covers `parent` (the main window's client area) and opens on the draft; `onClose` hears
    // whether OK stored the event.
    EventsEditDlg(tk::HWND parent, items::Events& events, items::EventDraft draft,
                  std::function<void(bool stored)> onClose);
    ~EventsEditDlg() override;
    void Paint(tk::HDC hdc) override;
    // Escape cancels, Enter takes OK (a control that uses the key keeps it).
    bool OnKeyDown(int key) override;

    void command(int id);
    // OK: the controls into the draft, then the registration and the save; the window closes.
    bool ok();
    void cancel();
    void openNote();
    void test();

    const items::EventDraft& draft() const { return draft_; }
    tk::HWND nameEdit() const { return name_; }
    tk::DatePicker* datePicker() const { return date_.get(); }
    tk::TimePicker* timePicker() const { return time_.get(); }
    tk::STFileList* soundPicker() const { return sound_.get(); }
    tk::DropList* repeatList() const { return repeat_.get(); }
    tk::DropList* pauseList() const { return pause_.get(); }
    // The panel that holds a button (Note, Test, OK or Cancel).
    CommandPanel* buttons(int id) const;
    NoteWindow* noteWindow() const { return note_.get(); }
    const items::SoundTest& soundTest() const { return soundTest_; }
    // One beat of the sound test while it plays (its timer's).
    void soundTestBeat();

private:
    void createControls();
    void readControls();
    void paintTitle(tk::DC& dc);
    void paintBars(tk::DC& dc);
    void paintLabels(tk::DC& dc);
    void drawFittingLabel(tk::DC& dc, std::u16string_view text, const tk::RECT& r);
    void close(bool stored);

    items::Events& events_;
    items::EventDraft draft_;
    std::function<void(bool)> onClose_;
    tk::HWND name_ = nullptr;
    std::unique_ptr<tk::DatePicker> date_;
    std::unique_ptr<tk::TimePicker> time_;
    std::unique_ptr<tk::STFileList> sound_;
    std::unique_ptr<tk::DropList> repeat_;
    std::unique_ptr<tk::DropList> pause_;
    // Three panels, each only as large as its buttons: Note, Test, and OK with Cancel.
    std::vector<std::unique_ptr<CommandPanel>> panels_;
    std::unique_ptr<NoteWindow> note_;
    items::SoundTest soundTest_;
    QTimer soundTestTimer_;
    bool closed_ = false;
    tk::FocusReturn focus_;
};

} // namespace hv::itemsui

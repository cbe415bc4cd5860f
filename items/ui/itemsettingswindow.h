// What the "Alarm Settings" and "Timer Settings" windows share: a window over the whole client
// area of the main window with the title, the sound lists "Repeat:" and "Pause:", the sound test,
// the note with "Show alarm description", and "Reset", OK and Cancel. Each window adds its own
// controls and says where its parts stand; nothing is stored until OK.
#pragma once

#include "items/records.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/controls/soundpicker.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/keyboard.h"
#include "viewbase/view.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hv::itemsui {

using tk::HWND;
using tk::LPARAM;
using tk::LRESULT;
using tk::POINT;
using tk::RECT;
using tk::UINT;
using tk::WPARAM;

// Control ids of the shared parts.
enum : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdShowDescription = 1006,
    kIdReset = 1012,
    kIdNote = 1013,
    kIdTest = 1023,
    kIdRepeatList = 1030,
    kIdPauseList = 1031,
    kIdSoundPicker = 1034,
};

// The shared layout (coordinates of the window, which covers the main window's client area).
namespace settingslayout {
inline constexpr RECT kWindow{0, 0, 480, 614};
inline constexpr RECT kTitle{14, 12, 400, 40};
inline constexpr RECT kBlackBar{0, 50, 480, 54};
inline constexpr RECT kNoteLabel{0, 330, 150, 358};
inline constexpr RECT kNoteEdit{160, 326, 466, 360};
inline constexpr RECT kShowDescription{160, 370, 466, 400};
inline constexpr RECT kButtonsBar{0, 414, 480, 416};
inline constexpr RECT kResetButton{14, 428, 144, 468};
inline constexpr RECT kOkButton{206, 428, 330, 468};
inline constexpr RECT kCancelButton{342, 428, 466, 468};
inline constexpr tk::COLORREF kGreyBar = view::kGreyRule;
inline constexpr tk::COLORREF kBlack = tk::RGB(0, 0, 0);
inline constexpr int kNoteChars = 23;
inline constexpr int kDialogFontHeight = 22;
// The sound test's pace: the window's timer looks at the next play this often.
inline constexpr unsigned kTestTimerMs = 100;
} // namespace settingslayout

// A right-aligned label of the window.
struct SettingsLabel {
    RECT rect;
    const char16_t* text;
};

// Where a window puts its part of the shared controls.
struct SettingsLayout {
    int titleString = 0;
    std::vector<RECT> greyBars;
    std::vector<SettingsLabel> labels;
    RECT soundPicker{};
    RECT repeatList{};
    RECT pauseList{};
    RECT testButton{};
};

// The font of the settings windows' labels and controls and of the timer strip: the program's
// face at the handheld dialogs' size, so that the labels fit their places.
const QFont* dialogFont(bool bold = false);

class ItemSettingsWindow : public tk::SWindow, public tk::SDrawBasic {
public:
    ItemSettingsWindow(HWND owner, SettingsLayout layout, const char16_t* className);
    ~ItemSettingsWindow() override;
    // A dialog named by its title.
    tk::Accessible accessibility() const override;

    // Told when OK or Cancel closed the window (true for OK).
    std::function<void(bool ok)> onClosed;

    bool isOpen() const;
    // Closes as Cancel does (the view is hidden).
    void cancel();

    void Paint(tk::HDC hdc) override;
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
    // Escape cancels, Enter takes OK (a control that uses the key keeps it).
    bool OnKeyDown(int key) override;

    // The controls, for tests.
    HWND noteEdit() const { return note_; }
    HWND showDescriptionBox() const { return showDescription_; }
    HWND testButton() const { return test_; }
    HWND control(int id) const;
    tk::DropList* repeatList() const { return repeat_.get(); }
    tk::DropList* pauseList() const { return pause_.get(); }
    tk::STFileList* soundPicker() const { return sound_.get(); }
    const items::SoundTest& soundTest() const { return soundTest_; }
    // One beat of the sound test while it plays (its timer's).
    void soundTestBeat();

    // The shared controls' values.
    std::u16string note() const;
    bool showDescription() const;
    uint8_t repeatIndex() const;
    uint8_t pauseIndex() const;
    // The sound picker's entry (0 = "None") and the path it reads back.
    uint32_t soundIndex() const;
    std::u16string soundPath() const;

protected:
    // Fills the shared controls and shows the window over everything else; the sound picker
    // selects the entry of the path's file, "None" when the folder has no such file.
    void openWith(const std::u16string& soundPath, const std::u16string& note, bool showDescription,
                  uint8_t repeatIndex, uint8_t pauseIndex);
    // The window's own parts: the sound test of what the window shows now, "Reset" and OK.
    virtual items::SoundTestPlan currentSoundTest() const = 0;
    virtual void resetOwn() = 0;
    virtual void confirm() = 0;
    // A command of the window's own controls.
    virtual bool ownCommand(int id) {
        (void)id;
        return false;
    }
    virtual void paintOwn(tk::DC& dc) { (void)dc; }

    HWND owner_ = nullptr;

private:
    void createShared();
    void close(bool ok);
    void reset();
    void toggleSoundTest();
    void stopSoundTest();
    void paintTitle(tk::DC& dc);
    void paintBars(tk::DC& dc);
    void paintLabels(tk::DC& dc);

    SettingsLayout layout_;
    HWND note_ = nullptr;
    HWND showDescription_ = nullptr;
    HWND test_ = nullptr;
    HWND reset_ = nullptr;
    HWND ok_ = nullptr;
    HWND cancel_ = nullptr;
    std::unique_ptr<tk::DropList> repeat_;
    std::unique_ptr<tk::DropList> pause_;
    std::unique_ptr<tk::STFileList> sound_;
    items::SoundTest soundTest_;
    QTimer soundTestTimer_;
    tk::FocusReturn focus_;
};

} // namespace hv::itemsui

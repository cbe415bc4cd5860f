// The Preferences window: a page over the main window with a tab control and three pages
// ("Global", "Status bar", "Screen Saver") and an OK/Cancel bar. The pages are built when the
// window opens and destroyed when it closes, so every opening starts from the settings record;
// the window itself and its tab control live as long as the main window and keep the tab.
// Confirming stores the choices in the settings record, writes the chime sound file, applies the
// screen-saver choice (the launcher's registration, the settings file, the launcher's signal)
// and closes; Cancel closes without storing. Changes to the exception list are saved at once.
#pragma once

#include "screensaver/exceptions.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/controls/folderbrowser.h"
#include "toolkit/controls/listview.h"
#include "toolkit/controls/soundpicker.h"
#include "toolkit/platform/platform.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/keyboard.h"

#include <functional>
#include <memory>
#include <string>

namespace hv::shell {

// The tab control's display area, where the pages sit (in the window's coordinates).
inline constexpr tk::RECT kPrefTabRect{0, 56, 480, 92};
inline constexpr tk::RECT kPrefPageRect{0, 92, 480, 464};

// A page: white, with labels drawn right-aligned in their rectangles.
class PrefPage : public tk::SWindow, public tk::SDrawBasic {
public:
    PrefPage(tk::HWND owner, const std::u16string& className);
    ~PrefPage() override;
    // Shows the page (creating its child dialogs on the first show) or hides it.
    void setShown(bool on);
    bool shownOnce() const { return shownOnce_; }

protected:
    virtual void firstShow() {}
    void drawLabel(tk::DC& dc, const std::u16string& text, const tk::RECT& r);
    bool shownOnce_ = false;
};

// Page "Global": start-up view, alarm volume, week numbering, the chime with its interval and
// sound.
class PrefGlobal : public PrefPage {
public:
    static constexpr tk::RECT kStartupLabel{0, 40, 200, 68}, kStartupList{240, 40, 390, 68};
    static constexpr tk::RECT kVolumeLabel{0, 80, 200, 108}, kVolumeList{240, 80, 340, 108};
    static constexpr tk::RECT kWeekLabel{0, 120, 200, 148}, kWeekList{240, 120, 348, 148};
    static constexpr tk::RECT kChimeBox{40, 164, 300, 196};
    static constexpr tk::RECT kIntervalLabel{0, 208, 200, 236}, kIntervalList{240, 208, 360, 236};
    static constexpr tk::RECT kSoundLabel{0, 248, 200, 276}, kSoundList{240, 248, 346, 276};
    static constexpr tk::RECT kTestButton{346, 300, 446, 336};
    enum : int { kIdChime = 1005, kIdTest = 1023 };

    explicit PrefGlobal(tk::HWND owner);
    ~PrefGlobal() override;

    tk::DropList* startupList() const { return startup_.get(); }
    tk::DropList* volumeList() const { return volume_.get(); }
    tk::DropList* weekList() const { return week_.get(); }
    tk::DropList* intervalList() const { return interval_.get(); }
    tk::STFileList* soundPicker() const { return picker_.get(); }
    tk::HWND chimeBox() const { return chimeBox_; }
    tk::HWND testButton() const { return test_; }
    // The chime as the page holds it: from chimeOn, then from every toggle of the box.
    bool chimePending() const { return chimePending_; }
    // Toggles "Chime" as a tap on the box does.
    void setChime(bool on);
    // "Test": plays the picked sound once unless "None" is picked.
    void testSound();

    void Paint(tk::HDC hdc) override;
    tk::LRESULT WindowProc(tk::HWND hwnd, tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;

private:
    void firstShow() override;
    void applyChime();

    std::unique_ptr<tk::DropList> startup_, volume_, week_, interval_;
    std::unique_ptr<tk::STFileList> picker_;
    tk::HWND chimeBox_ = nullptr;
    tk::HWND test_ = nullptr;
    bool chimePending_ = false;
};

// Page "Status bar": the kinds of the three parts.
class PrefStatusBar : public PrefPage {
public:
    static constexpr tk::RECT kLabels[3] = {
        {0, 40, 200, 68}, {0, 80, 200, 108}, {0, 120, 200, 148}};
    static constexpr tk::RECT kLists[3] = {
        {240, 40, 390, 68}, {240, 80, 390, 108}, {240, 120, 390, 148}};

    explicit PrefStatusBar(tk::HWND owner);
    ~PrefStatusBar() override;
    tk::DropList* partList(int i) const { return parts_[i].get(); }
    void Paint(tk::HDC hdc) override;

private:
    std::unique_ptr<tk::DropList> parts_[3];
};

// Page "Screen Saver": the switch, the skin and time-out, and the programs that keep the screen
// saver away.
class PrefScreenSaver : public PrefPage {
public:
    static constexpr tk::RECT kEnableBox{20, 14, 320, 46};
    static constexpr tk::RECT kSkinLabel{0, 60, 66, 88}, kSkinList{96, 60, 234, 88};
    static constexpr tk::RECT kTimeoutLabel{0, 60, 326, 88}, kTimeoutList{356, 60, 470, 88};
    static constexpr tk::RECT kListsRow{0, 60, 480, 88};
    static constexpr tk::RECT kExceptionText{12, 100, 468, 148};
    static constexpr tk::RECT kExceptionList{12, 152, 468, 314};
    static constexpr tk::RECT kAddButton{12, 324, 132, 360};
    static constexpr tk::RECT kDeleteButton{148, 324, 268, 360};
    enum : int { kIdEnable = 1005, kIdAdd = 1056, kIdList = 1058, kIdDelete = 1059 };

    explicit PrefScreenSaver(tk::HWND owner);
    ~PrefScreenSaver() override;

    tk::DropList* skinList() const { return skin_.get(); }
    tk::DropList* timeoutList() const { return timeout_.get(); }
    tk::HWND enableBox() const { return enableBox_; }
    tk::ListView* exceptionList() const { return list_.get(); }
    tk::HWND addButton() const { return add_; }
    tk::HWND deleteButton() const { return delete_; }
    tk::FolderBrowser* programBrowser() const { return browser_.get(); }
    const ExceptionList& exceptions() const { return exceptions_; }
    LauncherSignals& launcherSignals() { return signals_; }
    bool enabledPending() const { return enabledPending_; }
    // The box as confirming reads it: nullopt when it was never shown in this opening.
    std::optional<bool> enabledChoice() const;
    // Toggles "Enable Screen Saver" as a tap on the box does.
    void setEnabled(bool on);
    // "Add...": opens the Select EXE browser; the program picked is added at the top.
    void addProgram();
    // "Delete": removes the selected program.
    void deleteProgram();
    // A tap on the list: on an item it selects it and enables "Delete"; elsewhere it disables it.
    void listTapped(int item);

    void Paint(tk::HDC hdc) override;
    tk::LRESULT WindowProc(tk::HWND hwnd, tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;

private:
    void firstShow() override;
    void applyEnabled();
    void createExceptionDialog();
    void refillList();

    LauncherSignals signals_;
    std::unique_ptr<tk::DropList> skin_, timeout_;
    tk::HWND enableBox_ = nullptr;
    std::unique_ptr<tk::ListView> list_;
    tk::HWND add_ = nullptr;
    tk::HWND delete_ = nullptr;
    bool enabledPending_ = false;
    ExceptionList exceptions_;
    std::unique_ptr<tk::FolderBrowser> browser_;
};

class PreferencesDlg : public tk::SWindow, public tk::SDrawBasic {
public:
    static constexpr tk::RECT kTitleRect{14, 12, 240, 40};
    static constexpr tk::RECT kTitleBar{0, 50, 480, 54};
    static constexpr tk::RECT kOkButton{16, 482, 146, 518};
    static constexpr tk::RECT kCancelButton{162, 482, 292, 518};
    static constexpr tk::COLORREF kTitleColour = tk::RGB(0, 0, 255);
    enum : int { kIdOk = 1, kIdCancel = 2, kIdTab = 1200 };
    enum : int { kTabGlobal = 0, kTabStatusBar = 1, kTabScreenSaver = 2 };

    // The window over the main window (its top-level window), hidden until opened.
    explicit PreferencesDlg(tk::HWND mainWindow);
    ~PreferencesDlg() override;
    // A dialog named by its title.
    tk::Accessible accessibility() const override;

    // Opens on the tab it was left on, with pages filled from the settings record.
    bool open();
    // Stores the choices, writes the chime sound, applies the screen saver, closes.
    void confirm();
    // Closes without storing anything.
    void cancel();
    void close();
    bool isOpen() const { return open_; }

    // The tabs: "Global", "Status bar" and, on systems of major version 4 or later, "Screen
    // Saver".
    int tabCount() const;
    int currentTab() const;
    // Changes the tab as a tap on it does.
    void selectTab(int tab);

    tk::HWND tabControl() const { return tab_; }
    tk::HWND okButton() const { return ok_; }
    tk::HWND cancelButton() const { return cancelBtn_; }
    PrefGlobal* global() const { return global_.get(); }
    PrefStatusBar* statusBar() const { return statusBar_.get(); }
    PrefScreenSaver* screenSaver() const { return screenSaver_.get(); }

    // Runs after the window closed (the main window redraws).
    std::function<void()> onClosed;

    void Paint(tk::HDC hdc) override;
    tk::LRESULT WindowProc(tk::HWND hwnd, tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;
    // Escape cancels, Enter takes OK (a control that uses the key keeps it).
    bool OnKeyDown(int key) override;

private:
    void showCurrentPage();
    tk::FocusReturn focus_;

    tk::HWND tab_ = nullptr;
    tk::HWND ok_ = nullptr;
    tk::HWND cancelBtn_ = nullptr;
    bool open_ = false;
    std::unique_ptr<PrefGlobal> global_;
    std::unique_ptr<PrefStatusBar> statusBar_;
    std::unique_ptr<PrefScreenSaver> screenSaver_;
};

// The string lists of the Preferences pages, registered with the string resources.
void registerPreferencesStrings();

} // namespace hv::shell

// The folder-tree browser of the device's file system, in two forms: the "Sound folder selection"
// dialog of the sound picker's "Custom" button (folders and ".wav" files; "OK" takes a folder or
// a file, "Test" plays a file) and the "Select EXE" browser of the screen saver's exception list
// (folders and ".exe" files; a tap on a program ends it with the program's file name). Folders are
// listed when they are expanded and forgotten when they are collapsed. The browser covers the
// owner's screen and runs modelessly: the owner hears the end through a callback, or waits for it
// with exec().
#pragma once

#include "toolkit/platform/platform.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/keyboard.h"
#include "toolkit/window/picture.h"

#include <functional>
#include <string>
#include <string_view>

namespace hv::tk {

class FolderBrowser : public SWindow, public SDrawBasic {
public:
    enum class Kind { SoundFolder, Program };
    // Control ids of the dialogs' templates.
    enum : int { kIdOk = 1, kIdCancel = 2, kIdTest = 1023, kIdTree = 1057 };
    // Pictures of the tree strip (IMAGE 198, five 32 x 30 frames, green transparent).
    enum : int {
        kImageFolder = 0,
        kImageFolderOpen = 1,
        kImageProgram = 2,
        kImageSound = 3,
        kImageDocument = 4,
    };
    static constexpr int kTreeImageResource = 198;

    // Geometry of the dialog, in the 480 x 640 screen.
    static constexpr RECT kHeadingRect{14, 12, 466, 40};
    static constexpr RECT kHeadingBar{0, 50, 480, 54};
    static constexpr RECT kTreeRect{8, 62, 472, 544};
    static constexpr RECT kOkRect{16, 560, 146, 596};
    static constexpr RECT kTestRect{175, 560, 305, 596};
    static constexpr RECT kCancelRect{334, 560, 464, 596};
    static constexpr COLORREF kHeadingColour = RGB(0, 0, 255);

    // accepted: "OK" on an item (sound folder selection) or a tap on a program (Select EXE).
    using Done = std::function<void(bool accepted)>;

    FolderBrowser(HWND owner, Kind kind);
    ~FolderBrowser() override;
    // A dialog named by its heading.
    Accessible accessibility() const override;

    // Shows the dialog over the owner's screen with the root folder "\" expanded; `done` runs
    // once when it ends. False when the window cannot be made.
    bool open(Done done = {});
    // open() and wait in a local event loop until the dialog ends; true when accepted.
    bool exec();
    bool isOpen() const;
    // Ends the dialog (Cancel: accepted false).
    void end(bool accepted);

    Kind kind() const { return kind_; }
    HWND tree() const { return tree_; }
    HWND okButton() const { return ok_; }
    HWND testButton() const { return test_; }
    HWND cancelButton() const { return cancel_; }
    HTREEITEM rootItem() const { return root_; }
    // Select EXE only: the host's running programs beside the device's folders (on a desktop
    // the programs that should keep the screen saver away are the host's: a video player, a
    // presentation), listed by the names the launcher matches.
    static constexpr char16_t kRunningPrograms[] = u"Running programs";
    HTREEITEM runningItem() const { return running_; }

    // The device path of an item, built from the names up the tree ("\Windows\Alarm1.wav").
    std::u16string itemPath(HTREEITEM item) const;
    bool itemIsFolder(HTREEITEM item) const;
    // The entries of a folder item as the tree shows them (expanding it when it is not).
    std::vector<std::u16string> childNames(HTREEITEM folder);
    // The item of a device path, expanding the folders on the way; nullptr when not listed.
    HTREEITEM findPath(std::u16string_view path);
    // Selects an item as a tap on it does.
    void tapItem(HTREEITEM item);
    // "Test": plays the selected ".wav" file once, asynchronously.
    void testSelected();

    // What the dialog ended with: the chosen item's device path and whether it is a folder; for
    // Select EXE, `chosenName` is the program's file name.
    const std::u16string& chosenPath() const { return chosenPath_; }
    const std::u16string& chosenName() const { return chosenName_; }
    bool chosenIsFolder() const { return chosenIsFolder_; }

    // Whether a file name belongs in the tree of this kind (".wav" or ".exe", any letter case).
    static bool listsFile(Kind kind, std::u16string_view name);

    void Paint(HDC hdc) override;
    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
    // Escape cancels; Enter takes the selected item as "OK" (or, in Select EXE, a tap on a
    // program) does.
    bool OnKeyDown(int key) override;

protected:
    // Arrow keys in the tree only move the selection: a program reached by them is taken with
    // Enter, not at once as a tapped one.
    bool eventFilter(QObject* obj, QEvent* ev) override;

private:
    enum : intptr_t { kParamFolder = 1, kParamFile = 2, kParamRunning = 3 };
    void createControls();
    void fill(HTREEITEM folder);
    void fillRunning();
    void onSelection();
    void onExpanding(const NMTREEVIEW& nm);
    void accept();

    HWND owner_ = nullptr;
    Kind kind_;
    HWND tree_ = nullptr;
    HWND ok_ = nullptr;
    HWND test_ = nullptr;
    HWND cancel_ = nullptr;
    HTREEITEM root_ = nullptr;
    HTREEITEM running_ = nullptr;
    ImageList images_;
    Done done_;
    bool open_ = false;
    bool filling_ = false;
    std::u16string chosenPath_;
    std::u16string chosenName_;
    bool chosenIsFolder_ = false;
    bool keySelecting_ = false;
    FocusReturn focus_;
};

} // namespace hv::tk

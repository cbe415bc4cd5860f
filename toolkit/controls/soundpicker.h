// The sound picker: a drop-down list of the ".wav" files of one folder, "None" first, with a
// "Custom" button that opens the sound folder selection to pick another folder or file. The chime
// and the alarm, timer and event sounds are chosen with it. A path reads back as the folder, a
// backslash and the chosen file; entry 0 ("None") reads back as the folder's "None.wav", which
// callers treat as no sound by checking selectedIndex() first.
#pragma once

#include "toolkit/controls/droplist.h"
#include "toolkit/controls/folderbrowser.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

#include <memory>
#include <string>
#include <vector>

namespace hv::tk {

class STFileList : public SDrawBasic, public SWindow {
public:
    // The window spans from 30 pixels left of the list rectangle to 105 pixels right of it and 7
    // pixels below it; the list fills the rectangle and "Custom" sits just right of it.
    static constexpr int kLeftMargin = kArrowColumn;
    static constexpr int kRightExtra = 105;
    static constexpr int kBottomExtra = 7;
    static constexpr int kCustomGap = 6;
    enum : int { kIdCustom = 1067, kIdList = 1 };
    static constexpr size_t kMaxNameChars = 260;

    // Created hidden over listRect of the parent; `id` goes with the change notifications the
    // parent hears (kMsgChanged, wParam = id).
    STFileList(HWND parent, const RECT& listRect, uintptr_t id = 0);
    ~STFileList() override;

    void show();
    void hide();
    // folder := the text before the last backslash, itemName := the text after it up to its
    // first "."; then the entry of that name is selected, or "None" when there is none.
    void setPath(const std::u16string& path);
    // folder + "\" + the selected file ("None.wav" for entry 0).
    std::u16string getPath() const;
    // Lists the folder's ".wav" files and selects the entry of the current name again.
    void setFolder(const std::u16string& folder);
    int selectedIndex() const;
    void setSelectedIndex(int index);

    const std::u16string& folder() const { return folder_; }
    const std::u16string& itemName() const { return itemName_; }
    // "None\Alarm1\...\." as the drop-down list shows it.
    const std::u16string& listText() const { return listText_; }
    int count() const { return static_cast<int>(names_.size()) + 1; }
    // The text of an entry ("None" for 0); empty outside the list.
    std::u16string entry(int index) const;
    bool visible() const { return shown_; }
    DropList* dropList() const { return list_.get(); }
    HWND customButton() const { return custom_; }
    const RECT& listRect() const { return listRect_; }
    // The font of the list (the toolkit's text font unless set; not owned).
    void setFont(const QFont* font) { font_ = font; }
    // "Custom": opens the sound folder selection over the screen (the button does this).
    void openCustom();
    FolderBrowser* browser() const { return browser_.get(); }

    LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
    // A group of the list and "Custom", named after its label, the chosen sound its value.
    Accessible accessibility() const override;

private:
    void rebuild();
    void select();
    void makeList();
    void onBrowserDone(bool accepted);

    HWND parent_ = nullptr;
    RECT listRect_;
    uintptr_t id_ = 0;
    std::u16string folder_;
    std::u16string itemName_;
    std::vector<std::u16string> files_; // the files as listed, with their extensions
    std::vector<std::u16string> names_; // the same without the last four characters
    std::u16string listText_ = u"None\\.";
    int selected_ = 0;
    bool folderSet_ = false;
    bool shown_ = false;
    std::unique_ptr<DropList> list_;
    const QFont* font_ = nullptr;
    HWND custom_ = nullptr;
    std::unique_ptr<FolderBrowser> browser_;
};

} // namespace hv::tk

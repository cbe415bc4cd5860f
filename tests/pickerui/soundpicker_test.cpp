#include "pickerui_support.h"
#include "toolkit/controls/soundpicker.h"

#include <vector>

using namespace hv;
using namespace hv::tk;
using namespace hv::tk::test;

namespace {

// A parent window that records the pickers' change notifications.
class Page : public SWindow, public SDrawBasic {
public:
    explicit Page(HWND screen) {
        Create(0, u"PickerPage", u"", WS_CHILD | WS_VISIBLE, 0, 0, 480, 640, screen, 0, nullptr);
    }
    ~Page() override { DestroyWindow(hwnd()); }
    LRESULT WindowProc(HWND h, UINT m, WPARAM w, LPARAM l) override {
        if (m == kMsgChanged)
            changes.push_back(w);
        return SWindow::WindowProc(h, m, w, l);
    }
    std::vector<WPARAM> changes;
};

constexpr RECT kSoundRect{240, 248, 346, 276};

using SoundPicker = PickerTest;

} // namespace

TEST_F(SoundPicker, PathSelectsItsEntryAndReadsBackTheListedFile) {
    Page page(screen.get());
    STFileList picker(page.hwnd(), kSoundRect);
    EXPECT_FALSE(IsWindowVisible(picker.hwnd())); // created hidden
    picker.setPath(u"\\Windows\\Alarm3.wav");
    EXPECT_EQ(picker.folder(), u"\\Windows");
    EXPECT_EQ(picker.listText(), u"None\\Alarm1\\alarm2\\Alarm3\\.");
    EXPECT_EQ(picker.selectedIndex(), 3);
    EXPECT_EQ(picker.itemName(), u"Alarm3");
    EXPECT_EQ(picker.getPath(), u"\\Windows\\Alarm3.wav");

    picker.show();
    pump();
    ASSERT_NE(picker.dropList(), nullptr);
    EXPECT_TRUE(IsWindowVisible(picker.hwnd()));
    EXPECT_EQ(picker.dropList()->selected(), 3);
    EXPECT_EQ(picker.dropList()->list()->Item(3), u"Alarm3");

    // An upper-case extension reads back as the file is named.
    picker.setSelectedIndex(2);
    EXPECT_EQ(picker.dropList()->selected(), 2);
    EXPECT_EQ(picker.getPath(), u"\\Windows\\alarm2.WAV");
    picker.hide();
    EXPECT_FALSE(IsWindowVisible(picker.hwnd()));
}

TEST_F(SoundPicker, AFileNotInTheListSelectsNone) {
    Page page(screen.get());
    STFileList picker(page.hwnd(), kSoundRect);
    picker.setPath(u"\\Windows\\Gone.wav");
    EXPECT_EQ(picker.selectedIndex(), 0);
    EXPECT_EQ(picker.itemName(), u"None");
    EXPECT_EQ(picker.getPath(), u"\\Windows\\None.wav");
    // A folder that does not exist lists nothing but "None".
    picker.setPath(u"\\Nowhere\\Alarm1.wav");
    EXPECT_EQ(picker.listText(), u"None\\.");
    EXPECT_EQ(picker.selectedIndex(), 0);
    // Out-of-range selections are refused.
    picker.setPath(u"\\Windows\\Alarm1.wav");
    picker.setSelectedIndex(9);
    picker.setSelectedIndex(-1);
    EXPECT_EQ(picker.selectedIndex(), 1);
}

TEST_F(SoundPicker, AnotherFolderKeepsTheNameWhereItIsListed) {
    Page page(screen.get());
    STFileList picker(page.hwnd(), kSoundRect);
    picker.setPath(u"\\Windows\\Alarm1.wav");
    picker.show();
    touch(u"\\Windows\\Sounds\\Alarm1.wav");
    picker.setFolder(u"\\Windows\\Sounds\\");
    EXPECT_EQ(picker.folder(), u"\\Windows\\Sounds");
    EXPECT_EQ(picker.listText(), u"None\\Alarm1\\Chime\\.");
    EXPECT_EQ(picker.selectedIndex(), 1);
    EXPECT_EQ(picker.dropList()->list()->count(), 3);
    picker.setFolder(u"\\My Music");
    EXPECT_EQ(picker.selectedIndex(), 0);
    EXPECT_EQ(picker.getPath(), u"\\My Music\\None.wav");
}

TEST_F(SoundPicker, SpansThirtyLeftAndAHundredAndFiveRightWithCustomBesideTheList) {
    Page page(screen.get());
    STFileList picker(page.hwnd(), kSoundRect);
    picker.setPath(u"\\Windows\\Alarm1.wav");
    picker.show();
    pump();
    EXPECT_EQ(GetWindowRect(picker.hwnd()), (RECT{210, 248, 451, 283}));
    EXPECT_EQ(GetWindowRect(picker.dropList()->hwnd()), (RECT{210, 248, 346, 276}));
    const RECT custom = GetWindowRect(picker.customButton());
    EXPECT_GE(custom.left, kSoundRect.right);
    EXPECT_LE(custom.right, 451);
    EXPECT_EQ(GetWindowText(picker.customButton()), u"Custom");
    // What the picker shows: the selected name in the box.
    const QImage shot = grab(page.hwnd());
    bool ink = false;
    for (int x = 245; x < 340 && !ink; ++x)
        for (int y = 252; y < 272 && !ink; ++y)
            ink = qGray(shot.pixel(x, y)) < 96;
    EXPECT_TRUE(ink);
}

TEST_F(SoundPicker, AChoiceInTheListTellsTheParent) {
    Page page(screen.get());
    STFileList picker(page.hwnd(), kSoundRect, 77);
    picker.setPath(u"\\Windows\\Alarm1.wav");
    picker.show();
    picker.dropList()->SetSelected(3);
    SendMessage(picker.dropList()->hwnd(), kMsgChanged, 0, 0);
    EXPECT_EQ(picker.selectedIndex(), 3);
    EXPECT_EQ(picker.getPath(), u"\\Windows\\Alarm3.wav");
    ASSERT_EQ(page.changes.size(), 1u);
    EXPECT_EQ(page.changes[0], 77u);
    // The list closing without a new choice tells nothing.
    SendMessage(picker.dropList()->hwnd(), kMsgChanged, 0, 0);
    EXPECT_EQ(page.changes.size(), 1u);
}

TEST_F(SoundPicker, CustomTakesAFolderOrAFileAndCancelKeepsTheChoice) {
    Page page(screen.get());
    STFileList picker(page.hwnd(), kSoundRect, 5);
    picker.setPath(u"\\Windows\\Alarm3.wav");
    picker.show();
    QTest::mouseClick(picker.customButton(), Qt::LeftButton);
    FolderBrowser* b = picker.browser();
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(b->isOpen());
    EXPECT_FALSE(IsWindowVisible(picker.dropList()->hwnd()));

    b->tapItem(b->findPath(u"\\Windows\\Sounds"));
    QTest::mouseClick(b->okButton(), Qt::LeftButton);
    EXPECT_FALSE(b->isOpen());
    EXPECT_TRUE(IsWindowVisible(picker.dropList()->hwnd()));
    EXPECT_EQ(picker.folder(), u"\\Windows\\Sounds");
    EXPECT_EQ(picker.listText(), u"None\\Chime\\.");
    EXPECT_EQ(picker.selectedIndex(), 0);

    picker.openCustom();
    b = picker.browser();
    b->tapItem(b->findPath(u"\\My Music\\song.wav"));
    QTest::mouseClick(b->okButton(), Qt::LeftButton);
    EXPECT_EQ(picker.getPath(), u"\\My Music\\song.wav");
    EXPECT_EQ(picker.selectedIndex(), 1);

    picker.openCustom();
    b = picker.browser();
    b->tapItem(b->findPath(u"\\Windows\\Alarm1.wav"));
    QTest::mouseClick(b->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(picker.getPath(), u"\\My Music\\song.wav");
    EXPECT_EQ(page.changes, (std::vector<WPARAM>{5, 5}));
}

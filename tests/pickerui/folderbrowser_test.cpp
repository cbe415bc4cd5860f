#include "pickerui_support.h"
#include "toolkit/controls/folderbrowser.h"

#include <QTimer>

#include <vector>

using namespace hv;
using namespace hv::tk;
using namespace hv::tk::test;

namespace {

using Names = std::vector<std::u16string>;
using Browser = PickerTest;

} // namespace

TEST_F(Browser, SoundFolderSelectionListsFoldersAndOnlyWavFiles) {
    FolderBrowser b(screen.get(), FolderBrowser::Kind::SoundFolder);
    ASSERT_TRUE(b.open());
    pump();
    EXPECT_TRUE(IsWindowVisible(b.hwnd()));
    EXPECT_EQ(TreeGetItemText(b.tree(), b.rootItem()), u"\\");
    EXPECT_EQ(b.childNames(b.rootItem()), (Names{u"Empty", u"My Music", u"Windows"}));
    HTREEITEM windows = b.findPath(u"\\Windows");
    EXPECT_EQ(b.childNames(windows),
              (Names{u"Alarm1.wav", u"alarm2.WAV", u"Alarm3.wav", u"Sounds"}));
    EXPECT_EQ(TreeGetItemImage(b.tree(), windows), FolderBrowser::kImageFolder);
    HTREEITEM alarm = b.findPath(u"\\Windows\\Alarm3.wav");
    EXPECT_EQ(TreeGetItemImage(b.tree(), alarm), FolderBrowser::kImageSound);
    EXPECT_EQ(b.itemPath(alarm), u"\\Windows\\Alarm3.wav");
    EXPECT_EQ(b.findPath(u"\\Windows\\Readme.txt"), nullptr);
    // A folder shows its expand button until listing it finds nothing.
    HTREEITEM empty = b.findPath(u"\\Empty");
    EXPECT_TRUE(TreeHasChildrenButton(b.tree(), empty));
    EXPECT_TRUE(b.childNames(empty).empty());
    EXPECT_FALSE(TreeHasChildrenButton(b.tree(), empty));
}

TEST_F(Browser, OkFollowsASelectionAndTestOnlyAWavFile) {
    FolderBrowser b(screen.get(), FolderBrowser::Kind::SoundFolder);
    bool accepted = false;
    int ends = 0;
    ASSERT_TRUE(b.open([&](bool ok) {
        accepted = ok;
        ++ends;
    }));
    EXPECT_FALSE(IsWindowEnabled(b.okButton()));
    EXPECT_FALSE(IsWindowEnabled(b.testButton()));
    b.tapItem(b.findPath(u"\\Windows"));
    EXPECT_TRUE(IsWindowEnabled(b.okButton()));
    EXPECT_FALSE(IsWindowEnabled(b.testButton()));
    QTest::mouseClick(b.testButton(), Qt::LeftButton);
    EXPECT_TRUE(fake.soundImpl.plays.empty());

    b.tapItem(b.findPath(u"\\Windows\\alarm2.WAV"));
    EXPECT_TRUE(IsWindowEnabled(b.testButton()));
    QTest::mouseClick(b.testButton(), Qt::LeftButton);
    ASSERT_EQ(fake.soundImpl.plays.size(), 1u);
    EXPECT_EQ(fake.soundImpl.plays[0].path, u"\\Windows\\alarm2.WAV");
    EXPECT_TRUE(b.isOpen()); // testing does not end the dialog

    QTest::mouseClick(b.okButton(), Qt::LeftButton);
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(b.chosenPath(), u"\\Windows\\alarm2.WAV");
    EXPECT_FALSE(b.chosenIsFolder());
    EXPECT_FALSE(IsWindowVisible(b.hwnd()));
}

TEST_F(Browser, SelectExeListsFoldersAndOnlyProgramsAndReturnsTheFileName) {
    FolderBrowser b(screen.get(), FolderBrowser::Kind::Program);
    std::vector<bool> ends;
    ASSERT_TRUE(b.open([&](bool ok) { ends.push_back(ok); }));
    EXPECT_EQ(b.okButton(), nullptr); // only "Cancel"
    ASSERT_NE(b.cancelButton(), nullptr);
    HTREEITEM windows = b.findPath(u"\\Windows");
    EXPECT_EQ(b.childNames(windows), (Names{u"Pocket.EXE", u"Sounds", u"wmplayer.exe"}));
    EXPECT_TRUE(b.childNames(b.findPath(u"\\My Music")).empty());
    HTREEITEM player = b.findPath(u"\\Windows\\wmplayer.exe");
    EXPECT_EQ(TreeGetItemImage(b.tree(), player), FolderBrowser::kImageProgram);
    // A tap on a folder only selects it; a tap on a program ends the dialog with its name.
    b.tapItem(windows);
    EXPECT_TRUE(b.isOpen());
    b.tapItem(player);
    EXPECT_FALSE(b.isOpen());
    EXPECT_EQ(ends, (std::vector<bool>{true}));
    EXPECT_EQ(b.chosenName(), u"wmplayer.exe");
    EXPECT_EQ(b.chosenPath(), u"\\Windows\\wmplayer.exe");

    // Opened again, Cancel ends it without a result.
    ASSERT_TRUE(b.open([&](bool ok) { ends.push_back(ok); }));
    EXPECT_TRUE(b.chosenName().empty());
    QTest::mouseClick(b.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(ends, (std::vector<bool>{true, false}));
    EXPECT_TRUE(b.chosenName().empty());
}

TEST_F(Browser, CollapsingForgetsAFolderAndExpandingListsItAnew) {
    FolderBrowser b(screen.get(), FolderBrowser::Kind::Program);
    ASSERT_TRUE(b.open());
    HTREEITEM windows = b.findPath(u"\\Windows");
    EXPECT_EQ(b.childNames(windows).size(), 3u);
    TreeCollapse(b.tree(), windows);
    EXPECT_TRUE(TreeGetChildren(b.tree(), windows).empty());
    EXPECT_TRUE(TreeHasChildrenButton(b.tree(), windows));
    touch(u"\\Windows\\calc.exe");
    EXPECT_EQ(b.childNames(windows),
              (Names{u"calc.exe", u"Pocket.EXE", u"Sounds", u"wmplayer.exe"}));
    // A folder that vanished meanwhile lists nothing and loses its button.
    HTREEITEM sounds = b.findPath(u"\\Windows\\Sounds");
    std::filesystem::remove_all(fake.host(u"\\Windows\\Sounds"));
    EXPECT_TRUE(b.childNames(sounds).empty());
    EXPECT_FALSE(TreeHasChildrenButton(b.tree(), sounds));
}

TEST_F(Browser, ExecWaitsForTheEnd) {
    FolderBrowser b(screen.get(), FolderBrowser::Kind::Program);
    QTimer::singleShot(0, [&] { b.tapItem(b.findPath(u"\\Windows\\Pocket.EXE")); });
    EXPECT_TRUE(b.exec());
    EXPECT_EQ(b.chosenName(), u"Pocket.EXE");
    QTimer::singleShot(0, [&] { QTest::mouseClick(b.cancelButton(), Qt::LeftButton); });
    EXPECT_FALSE(b.exec());
}

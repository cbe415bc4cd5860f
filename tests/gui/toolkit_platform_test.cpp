#include "guitest.h"
#include "toolkit/platform/platform.h"
#include "toolkit/window/SDraw.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace hv;
using namespace hv::tk;
using namespace hv::tk::test;

namespace {

class Dialog : public SWindow, public SDrawBasic {
public:
    std::vector<std::pair<UINT, WPARAM>> got;
    int drawn = 0;
    explicit Dialog(HWND screen) {
        Create(0, u"TestDialog", u"", WS_CHILD | WS_VISIBLE, 0, 0, 480, 640, screen, 0, nullptr);
    }
    ~Dialog() override { DestroyWindow(hwnd()); }
    LRESULT WindowProc(HWND h, UINT m, WPARAM w, LPARAM l) override {
        if (m == WM_DRAWITEM) {
            ++drawn;
            auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(l);
            PaintOwnerDrawButton(res().buttons, *dis);
            return 1;
        }
        if (m == WM_COMMAND || m == WM_NOTIFY)
            got.emplace_back(m, w);
        return SWindow::WindowProc(h, m, w, l);
    }
};

} // namespace

TEST(PlatformControls, ButtonsEditsTabsAndTreesTellTheirParent) {
    auto screen = makeScreen();
    Dialog d(screen.get());
    HWND ok = CreatePushButton(d.hwnd(), 10, u"OK", {10, 10, 110, 52}, true);
    QImage img = grab(ok);
    EXPECT_GE(d.drawn, 1);
    EXPECT_EQ(at(img, 1, 1), SDraw::res().table.images[0].pixel(3, 1) & 0xffffff);
    QTest::mouseClick(ok, Qt::LeftButton);
    ASSERT_EQ(d.got.size(), 1u);
    EXPECT_EQ(d.got[0].first, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(LOWORD(d.got[0].second), 10);
    EXPECT_EQ(HIWORD(d.got[0].second), BN_CLICKED);

    HWND check = CreateCheckBox(d.hwnd(), 11, u"Shift the clock", {10, 60, 300, 90});
    EXPECT_FALSE(IsChecked(check));
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, 15));
    EXPECT_TRUE(IsChecked(check));
    EXPECT_EQ(LOWORD(d.got.back().second), 11);

    HWND edit = CreateEdit(d.hwnd(), 12, u"Lunch", {10, 100, 300, 130}, false, 23);
    EXPECT_EQ(GetWindowText(edit), u"Lunch");
    SetWindowText(edit, u"Dinner");
    EXPECT_EQ(GetWindowText(edit), u"Dinner");
    HWND note = CreateEdit(d.hwnd(), 13, u"", {10, 140, 300, 240}, true, 5);
    SetWindowText(note, u"line one\nline two");
    EXPECT_EQ(GetWindowText(note), u"line ");

    HWND tabs = CreateTabControl(d.hwnd(), 14, {10, 250, 400, 290});
    TabInsertItem(tabs, 0, u"Global");
    TabInsertItem(tabs, 1, u"Status Bar");
    EXPECT_EQ(TabGetCurSel(tabs), 0);
    EXPECT_EQ(TabSetCurSel(tabs, 1), 0);
    EXPECT_EQ(TabSetCurSel(tabs, 5), -1);

    HWND tree = CreateTreeView(d.hwnd(), 15, {10, 300, 400, 500});
    HTREEITEM europe = TreeInsertItem(tree, nullptr, u"Europe", 3);
    HTREEITEM oslo = TreeInsertItem(tree, europe, u"Oslo", 42);
    TreeExpand(tree, europe);
    EXPECT_TRUE(TreeSelectItem(tree, oslo));
    EXPECT_EQ(TreeGetSelection(tree), oslo);
    EXPECT_EQ(TreeGetItemParam(tree, oslo), 42);
    EXPECT_EQ(d.got.back().first, static_cast<UINT>(WM_NOTIFY));
    EXPECT_EQ(d.got.back().second, 15u);
}

TEST(PlatformControls, QtMessageBoxesAnswer) {
    QtMessageBoxes boxes;
    auto press = [](QMessageBox::StandardButton b) {
        QTimer::singleShot(0, [b] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(b)->click();
        });
    };
    press(QMessageBox::No);
    EXPECT_EQ(boxes.show(u"Horavel", u"Change the zone?", dev::MbIcon::Question,
                         dev::MbButtons::YesNoCancel),
              dev::MbResult::No);
    press(QMessageBox::Ok);
    EXPECT_EQ(
        boxes.show(u"Horavel", u"Can't save settings file", dev::MbIcon::Error, dev::MbButtons::Ok),
        dev::MbResult::Ok);
}

// Renders the controls to PNG files in $HV_GALLERY_DIR, for looking at them; skipped otherwise.
#include "device/fake.h"
#include "guitest.h"
#include "items/listorder.h"
#include "settings/settings.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/controls/listview.h"
#include "toolkit/controls/monthcalendar.h"
#include "toolkit/controls/pickers.h"
#include "toolkit/controls/tabcontrol.h"
#include "toolkit/platform/platform.h"

#include <gtest/gtest.h>

using namespace hv;
using namespace hv::tk;
using namespace hv::tk::test;

namespace {

class Page : public SWindow, public SDrawBasic {
public:
    explicit Page(HWND screen) {
        Create(0, u"GalleryPage", u"", WS_CHILD | WS_VISIBLE, 0, 0, 480, 640, screen, 0, nullptr);
    }
    ~Page() override { DestroyWindow(hwnd()); }
    void Paint(HDC hdc) override {
        hdc->SelectFont(SDraw::font(kFontTitle));
        hdc->SetBkMode(TRANSPARENT);
        hdc->DrawText(u"Toolkit", RECT{10, 4, 470, 40}, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        SDraw::DrawDivider(*hdc, {0, 42, 480, 48});
        LRESULT r = 0;
        (void)r;
    }
    LRESULT WindowProc(HWND h, UINT m, WPARAM w, LPARAM l) override {
        if (m == WM_DRAWITEM) {
            auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(l);
            dis->hDC->SelectFont(SDraw::font(kFontText));
            PaintOwnerDrawButton(res().buttons, *dis);
            return 1;
        }
        return SWindow::WindowProc(h, m, w, l);
    }
};

} // namespace

TEST(Gallery, RendersControls) {
    const QString dir = qEnvironmentVariable("HV_GALLERY_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set HV_GALLERY_DIR to render";
    dev::FakeDevice fake;
    dev::ScopedDevice use(fake);
    resetAppState();
    fake.clockImpl.setZone(dev::TimeZoneInformation{});
    fake.clockImpl.setLocal(dev::SystemTime{2024, 2, 0, 14, 10, 30, 0, 0});
    auto screen = makeScreen();
    {
        Page page(screen.get());
        DropList list(page.hwnd(), {60, 60, 260, 88}, u"Civil\\ISO 8601\\.", 1,
                      SDraw::font(kFontText));
        DropNumList years(page.hwnd(), {330, 60, 450, 88}, 1913, 2031, 1, 2024,
                          SDraw::font(kFontText));
        TimePicker offset(page.hwnd(), 20, 110, 148, 42, nullptr, false);
        offset.EnterOffsetMode();
        offset.SetOffset(-210);
        TimePicker beats(page.hwnd(), 180, 110, 120, 42, nullptr, false, true);
        beats.SetInternetTime(512);
        DatePicker date(page.hwnd(), 310, 110, 160, 42, nullptr, true);
        MonthCalendar cal(page.hwnd(), 240, 170);
        SPTabControl tabs;
        tabs.CreateOrShow(page.hwnd(), 10, 170, 3, 1);
        CreatePushButton(page.hwnd(), 5, u"Normal", {10, 220, 110, 262}, true);
        HWND off = CreatePushButton(page.hwnd(), 6, u"Disabled", {120, 220, 220, 262}, true);
        EnableWindow(off, false);
        ListView lv(page.hwnd(), {0, 460, 480, 630}, 0, ListView::Rows::Striped, u"Items");
        const dev::FileTime ref = 133500000000000000ULL;
        lv.SetReferenceTime(ref);
        lv.SetIconsShown(true);
        lv.SetUnit(1);
        lv.SetTimeText([](dev::FileTime t, dev::FileTime r, int unit) {
            return items::differenceText(items::signedSecondsBetween(t, r),
                                         static_cast<uint8_t>(unit));
        });
        lv.SetIconRule([](intptr_t p) { return p == 0; });
        lv.AddTimedItem(u"Dentist", 0, ref + 90 * dev::kTicksPerSecond);
        lv.AddTimedItem(u"Train", 1, ref - 30 * dev::kTicksPerSecond);
        lv.AddItem(u"Shopping list", 999);
        lv.SetItemText(2, 1, u"note");
        lv.SetSelected(1);
        pump();
        screen->grab().save(dir + "/toolkit-page.png");
        list.Open();
        pump();
        screen->grab().save(dir + "/toolkit-droplist-open.png");
        list.list()->Dismiss();
        years.Open();
        pump();
        screen->grab().save(dir + "/toolkit-numlist-open.png");
        years.list()->Dismiss();
    }
    pump();
}

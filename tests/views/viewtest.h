// Helpers of the views' GUI tests: a fake device with a set clock and zone, a screen with a main
// window for the views' child windows, a view context over the program's tables, and pixel reads.
#pragma once

#include "device/fake.h"
#include "settings/settings.h"
#include "tests/support/settime.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"
#include "viewbase/viewcontext.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace hv::views::test {

using tk::COLORREF;

using testsupport::at;

inline void pump() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

inline QRgb rgb(COLORREF c) {
    return qRgb(tk::GetRValue(c), tk::GetGValue(c), tk::GetBValue(c)) & 0xffffff;
}
inline QRgb pixel(const QImage& img, int x, int y) {
    return img.pixel(x, y) & 0xffffff;
}
inline QRgb pixel(const QImage& img, tk::POINT p) {
    return pixel(img, p.x, p.y);
}

// The client area the views draw into and whose children their controls are.
class MainWindowStandIn : public tk::SWindow {
public:
    explicit MainWindowStandIn(QWidget* screen) {
        Create(0, u"ViewTestMain", u"", tk::WS_CHILD | tk::WS_VISIBLE, 0, 0, 480, 614, screen, 0,
               nullptr);
    }
    ~MainWindowStandIn() override {
        if (tk::IsWindow(hwnd()))
            tk::DestroyWindow(hwnd());
    }
};

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetAppState();
        fillSettingsDefaults(app().settings);
        fake.clockImpl.setZone(dev::zoneUtc());
        setClock(at(2026, 3, 14, 10, 0, 0));
        resources = std::make_unique<tk::SDrawBasic>();
        screen = std::make_unique<QWidget>();
        screen->setGeometry(0, 0, 480, 640);
        screen->show();
        main = std::make_unique<MainWindowStandIn>(screen.get());
        ctx = std::make_unique<view::ViewContext>(view::ViewContext{
            cities, items::alarms(), items::timers(), items::events(), items::stopwatch(),
            app().settings, app().locale, app().names, main->hwnd(), nullptr});
    }
    void TearDown() override {
        ctx.reset();
        main.reset();
        screen.reset();
        pump();
        resources.reset();
        resetAppState();
    }
    void setClock(const dev::SystemTime& local) { fake.clockImpl.setLocal(local); }

    dev::FakeDevice fake;
    dev::ScopedDevice use{fake};
    // The shared fonts, pictures and colours, built over the fake device's locale.
    std::unique_ptr<tk::SDrawBasic> resources;
    CityDatabase cities;
    std::unique_ptr<QWidget> screen;
    std::unique_ptr<MainWindowStandIn> main;
    std::unique_ptr<view::ViewContext> ctx;
};

} // namespace hv::views::test

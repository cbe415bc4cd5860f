// The view objects the shell shows one at a time. Each view offers show, hide, paint and tick;
// until the views themselves exist every one is a placeholder that paints its name.
#pragma once

#include "shell/shellcore.h"

#include <QRect>

#include <memory>

class QPainter;

namespace hv::shell {

// The area between the title strip and the status bar where the views draw.
inline constexpr QRect kViewArea{0, 44, 480, 446};

class ShellView {
public:
    virtual ~ShellView() = default;
    virtual int number() const = 0;
    // Create or show the child windows.
    virtual void show() {}
    virtual void hide() {}
    // Draw into the main window (logical 480-wide coordinates).
    virtual void paint(QPainter&) {}
    // Once a second (or every tick for a running stopwatch): the part that changed, to be
    // redrawn; an empty rectangle when nothing did.
    virtual QRect tick() { return {}; }
    // Same view chosen again: refresh the child windows.
    virtual void resync() {}
    // The remembered sub-state (alarm page, selected timer, City Time or Time Calc item).
    virtual int subState() const { return 0; }
    virtual void setSubState(int) {}
};

// A view that paints its name (and its sub-state where it has one) until the real view exists.
class PlaceholderView : public ShellView {
public:
    explicit PlaceholderView(int number) : number_(number) {}
    int number() const override { return number_; }
    void show() override { ++shows; }
    void hide() override { ++hides; }
    void paint(QPainter& p) override;
    void resync() override { ++resyncs; }
    QRect tick() override {
        ++ticks;
        return {};
    }
    int subState() const override { return sub_; }
    void setSubState(int s) override { sub_ = s; }
    int shows = 0, hides = 0, resyncs = 0, ticks = 0;

protected:
    int number_;
    int sub_ = 0;
};

// A watch-skin placeholder: paints the whole screen (480 x 640 logical), black with its name.
class SkinPlaceholderView : public PlaceholderView {
public:
    using PlaceholderView::PlaceholderView;
    void paint(QPainter& p) override;
};

std::unique_ptr<ShellView> makeView(int number);

} // namespace hv::shell

// The header bar of the main window: the title strip naming the current view with the view
// drop-down list, and the status bar of three configurable parts, composed off screen.
#pragma once

#include "shellcore/statusbar.h"
#include "toolkit/window/SDraw.h"

#include <QFont>
#include <QImage>

#include <array>
#include <functional>
#include <memory>

class QPainter;
class QWidget;

namespace hv::tk {
class SDropList;
}

namespace hv::shell {

class ViewListHost;

class HeaderBar {
public:
    // sources: what the status bar reports on; owner: the widget the drop-down list opens over.
    HeaderBar(StatusSources& sources, QWidget* owner, int selectedView);
    ~HeaderBar();

    // The view list's selection, which is the shell's selected view.
    int selectedView() const { return selected_; }
    void setSelectedView(int v);
    // Told when the user picks a view in the list or taps a status part (the shell switches).
    std::function<void()> onViewChosen;

    // Title strip and status bar.
    void paint(QPainter& p);
    // Composes the status bar off screen for local time now; true when its picture changed.
    bool recomposeStatusBar(const dev::SystemTime& now, bool force = false);
    const QImage& statusImage() const { return status_; }
    const std::array<std::u16string, 3>& statusTexts() const { return texts_; }

    // Stylus on the main window (logical coordinates).
    void stylusDown(Point p);
    void stylusMove(Point p);
    void stylusUp(Point p);
    bool iconPressed() const { return pressed_; }
    // The view drop-down list (the toolkit's list over string list 40007).
    tk::SDropList* viewList() const { return list_.get(); }
    // The list closed with a choice.
    void listChoice();

private:
    void openViewList();
    void paintTitle(QPainter& p);

    tk::SDrawBasic resources_; // the icon strip stays loaded while the bar lives
    StatusSources& sources_;
    QWidget* owner_;
    int selected_;
    bool pressed_ = false;
    bool tracking_ = false;
    bool composed_ = false;
    QImage status_;
    std::array<std::u16string, 3> texts_;
    std::array<StatusKind, 3> kinds_{};
    std::unique_ptr<ViewListHost> host_;
    std::unique_ptr<tk::SDropList> list_;
    QFont listFont_;
};

} // namespace hv::shell

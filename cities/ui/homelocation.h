// The Home Location page: a continent-and-city pair under the title "Select Home Location" with
// "OK" and, unless the page was forced open at start-up, "Cancel". OK makes the chosen city the
// home location; when the device's zone differs from the city's it first asks whether to change
// the clock settings ("Yes", "No", "Cancel", with the box that shifts the clock to keep the
// instant).
#pragma once

#include "cities/citytime.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QPushButton;

namespace hv::citiesui {

// The confirmation of a zone change: "Yes", "No" or "Cancel" and the state of its check box,
// ticked when it opens.
class ZoneChangeDialog : public QDialog {
public:
    explicit ZoneChangeDialog(QWidget* parent);
    ConfirmAnswer answer() const { return answer_; }
    bool shiftClock() const;
    QCheckBox* shiftBox() const { return shift_; }
    void choose(ConfirmAnswer a);

private:
    QCheckBox* shift_ = nullptr;
    ConfirmAnswer answer_ = ConfirmAnswer::Cancel;
};

// Asks modally; the check box state goes to shiftClock.
ConfirmAnswer AskZoneChange(QWidget* parent, bool& shiftClock);

// The labels and the pickers, a window of the toolkit inside the page.
class HomeLocationPanel : public tk::SWindow, public tk::SDrawBasic {
public:
    static constexpr tk::RECT kContinentLabel{10, 14, 150, 42};
    static constexpr tk::RECT kCityLabel{10, 54, 150, 82};
    static constexpr tk::POINT kPickersAt{170, 14};
    HomeLocationPanel(tk::HWND parent, int width, int height, CitySelection city);
    ~HomeLocationPanel() override;
    tk::Accessible accessibility() const override;
    void Paint(tk::HDC hdc) override;
    tk::CityList* lists() const { return lists_.get(); }

private:
    std::unique_ptr<tk::CityList> lists_;
};

class HomeLocationDlg : public QDialog {
public:
    // Where the page stands over the main window.
    static constexpr tk::RECT kPlace{2, 320, 478, 520};
    static constexpr int kPanelHeight = 150;

    // Forced: opened at start-up, without "Cancel". `repaint` asks the main window to redraw.
    HomeLocationDlg(QWidget* parent, CityDatabase& db, bool forced,
                    std::function<void()> repaint = {});
    ~HomeLocationDlg() override;

    // The question asked when the zone changes (tests answer it themselves).
    ConfirmZoneChange confirm;

    // "OK": applies the chosen city; the page closes unless the answer keeps it open.
    HomeApplyResult ok();
    // Forced: the page cannot be left without a home location (no Escape, no closing).
    void reject() override;
    bool forced() const { return state_.forced; }
    const HomeLocationState& state() const { return state_; }
    tk::CityList* lists() const { return panel_ ? panel_->lists() : nullptr; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    CityDatabase& db_;
    HomeLocationState state_;
    std::function<void()> repaint_;
    std::unique_ptr<HomeLocationPanel> panel_;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace hv::citiesui

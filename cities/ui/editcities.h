// The Edit Cities page: the continent list over the list of its cities with their standard
// offsets, and the command bar "OK", "Delete", "Edit", "New". City Details edits the selected
// city or a new one. Every change goes into the program's one city database, so every picker
// shows it at once, and the city files are written when the page closes.
#pragma once

#include "cities/citydatabase.h"
#include "cities/ui/citydetails.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"

#include <QDialog>

#include <memory>

class QPushButton;

namespace hv::citiesui {

using tk::RECT;

// The cities of one list, 28-pixel rows with the name on the left and the offset on the right;
// alternating row colours and the selected row in green. Scrolls by rows and pages.
class CityListView : public tk::SWindow, public tk::SDrawBasic {
public:
    static constexpr int kRowHeight = 28;
    static constexpr tk::COLORREF kSelectedRow = tk::RGB(200, 224, 200);
    static constexpr tk::COLORREF kEvenRow = tk::RGB(255, 255, 255);
    static constexpr tk::COLORREF kOddRow = tk::RGB(224, 255, 224);

    CityListView(tk::HWND parent, const RECT& r, const CityDatabase& db, int continent);
    ~CityListView() override;

    // Reselects the first city, scrolls to the top and repaints.
    void setContinent(int continent);
    int continent() const { return continent_; }
    int selected() const { return selected_; }
    void select(int index);
    int topRow() const { return top_; }
    int visibleRows() const;
    int count() const;
    // The row text of the offset column.
    std::u16string offsetText(int index) const;
    // A list line or page up or down (the scroll bar's requests).
    void scroll(int request);

    // A list of the continent's cities, its rows with their offsets.
    tk::Accessible accessibility() const override;
    void Paint(tk::HDC hdc) override;
    void OnLButtonDown(tk::POINT pt) override;
    void OnVScroll(int request, int position) override;
    // Up, Down, Page Up, Page Down, Home and End move the selection; the wheel scrolls.
    bool OnKeyDown(int key) override;
    bool OnWheel(int turn) override;

private:
    void updateScrollBar();
    RECT rowRect(int index) const;
    int lastTop() const;

    const CityDatabase& db_;
    int continent_ = 0;
    int selected_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    int wheelTurn_ = 0;
};

// The drawn part of the page: the title, the rule and the continent list over the city list.
class EditCitiesPanel : public tk::SWindow, public tk::SDrawBasic {
public:
    static constexpr RECT kTitle{14, 12, 240, 40};
    static constexpr RECT kRule{0, 50, 480, 54};
    static constexpr RECT kContinents{40, 62, 192, 90};
    static constexpr RECT kList{0, 100, 480, 480};
    static constexpr tk::COLORREF kTitleBlue = tk::RGB(0, 0, 255);

    EditCitiesPanel(tk::HWND parent, int width, int height, const CityDatabase& db);
    ~EditCitiesPanel() override;
    tk::Accessible accessibility() const override;
    void Paint(tk::HDC hdc) override;
    tk::LRESULT WindowProc(tk::HWND hwnd, tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;
    tk::DropList* continents() const { return continents_.get(); }
    CityListView* list() const { return list_.get(); }

private:
    std::unique_ptr<tk::DropList> continents_;
    std::unique_ptr<CityListView> list_;
};

class EditCitiesDlg : public QDialog {
public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 614;
    static constexpr int kPanelHeight = 560;

    EditCitiesDlg(QWidget* parent, CityDatabase& db);
    ~EditCitiesDlg() override;

    // The command bar.
    void onDelete();
    void onEdit() { openDetails(CityDetailsDlg::kEdit); }
    void onNew() { openDetails(CityDetailsDlg::kNew); }
    void onOk();
    // Escape (or the window's close button) closes the page as OK does: every change is already
    // in the database, and the files are written now. An open City Details form is cancelled
    // first.
    void reject() override;

    CityListView* list() const { return panel_->list(); }
    tk::DropList* continents() const { return panel_->continents(); }
    // The open City Details form, or nullptr.
    CityDetailsDlg* details() const { return details_.get(); }
    QPushButton* button(const QString& name) const;

    // City Details closed: refreshes the list, on the added city after an add.
    void detailsClosed(bool changed, int addedContinent, int addedIndex);

private:
    void openDetails(int mode);
    // The selected city as (continent 0..5, index).
    CitySelection selectedCity() const;

    CityDatabase& db_;
    std::unique_ptr<EditCitiesPanel> panel_;
    std::unique_ptr<CityDetailsDlg> details_;
    QWidget* bar_ = nullptr;
};

} // namespace hv::citiesui

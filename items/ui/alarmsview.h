// The Alarms view (MAlarms, view 3): the window "AlarmsDlg" below the title strip with five pages
// of four alarms chosen by a tab strip. Each row has the alarm's check box ("01." .. "20."), its
// time picker, its note and "Settings...", which opens the "Alarm Settings" window. Every change
// goes through the alarms core (arming, disarming, a changed time); a change the reminder makes
// (an alarm's next occurrence) shows at the next tick.
#pragma once

#include "items/alarms.h"
#include "items/ui/alarmssetdlg.h"
#include "toolkit/controls/pickers.h"
#include "toolkit/controls/tabcontrol.h"
#include "viewbase/view.h"

#include <array>
#include <memory>

namespace hv::itemsui {

// Control ids of a row's check box and "Settings..." (the picker is told apart by its window, the
// note is drawn).
enum : int {
    kIdAlarmCheck = 1005,    // + row
    kIdAlarmSettings = 1020, // + row
};

namespace alarmslayout {
inline constexpr int kRows = 4;
inline constexpr int kPages = items::kAlarmCount / kRows;
// The window on the client area; everything below is in its coordinates.
inline constexpr RECT kWindow{0, 44, 480, 488};
inline constexpr POINT kTabsAt{180, 12};
inline constexpr int kRowHeight = 110;
inline constexpr int kSeparatorHeight = 4;
inline constexpr int kSeparatorCount = kRows + 1; // at y 0, 110, 220, 330 and 440
inline constexpr tk::COLORREF kSeparatorColour = tk::RGB(192, 192, 255);
// Within a row, from the top of its separator.
// The first line starts below the tab strip, which stands in the first row.
inline constexpr RECT kCheckBox{12, 50, 90, 80};
inline constexpr RECT kTimePicker{94, 46, 256, 82};
inline constexpr RECT kSettingsButton{330, 46, 468, 82};
inline constexpr RECT kNote{98, 82, 468, 108};
// The alarm's weekdays above its first line, left of the tab strip: one cell a day, Sunday first.
inline constexpr tk::POINT kDaysAt{14, 14};
inline constexpr int kDayCellWidth = 22;
inline constexpr int kDayCellHeight = 24;
inline constexpr tk::COLORREF kDayOn = tk::RGB(0, 0, 224);
inline constexpr tk::COLORREF kDayOff = tk::RGB(200, 200, 212);
} // namespace alarmslayout

class MAlarms : public view::View, public tk::SWindow, public tk::SDrawBasic {
public:
    MAlarms(view::ViewContext& ctx, int number);
    ~MAlarms() override;

    void show() override;
    void hide() override;
    void paint(tk::DC& dc) override;
    // Shows what the reminder changed in the alarms of the page (a next occurrence, a new time).
    void tick(tk::DC& dc, const dev::SystemTime& now) override;
    int subState() const override { return page_; }
    void setSubState(int sub) override;

    void Paint(tk::HDC hdc) override;
    tk::LRESULT WindowProc(tk::HWND hwnd, tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;
    tk::Accessible accessibility() const override;

    int page() const { return page_; }
    // Record index of a row of the page shown.
    int indexOf(int row) const { return page_ * alarmslayout::kRows + row; }
    // The controls (null before the view was first shown), for tests.
    tk::HWND checkBox(int row) const { return rows_[static_cast<size_t>(row)].check; }
    tk::TimePicker* timePicker(int row) const {
        return rows_[static_cast<size_t>(row)].picker.get();
    }
    tk::HWND settingsButton(int row) const { return rows_[static_cast<size_t>(row)].settings; }
    tk::SPTabControl* tabs() const { return tabs_.get(); }
    AlarmsSetDlg* settingsWindow() const { return dialog_.get(); }
    // The rectangle of a row's part on the client area.
    static RECT rowRect(int row, const RECT& part);

private:
    struct Row {
        tk::HWND check = nullptr;
        std::unique_ptr<tk::TimePicker> picker;
        tk::HWND settings = nullptr;
        // What the row shows, to notice a change made elsewhere.
        items::AlarmRecord shown{};
    };
    void createControls();
    void createTabs();
    // Names the rows' controls after the alarm they set.
    void nameControls();
    void fillRows();
    void fillRow(int row);
    bool rowOutdated(int row) const;
    void paintSeparators(tk::DC& dc);
    void paintNotes(tk::DC& dc);
    void paintDays(tk::DC& dc);
    void checkClicked(int row);
    void timePicked(int row);
    void openSettings(int row);

    std::unique_ptr<tk::SPTabControl> tabs_;
    std::array<Row, alarmslayout::kRows> rows_;
    std::unique_ptr<AlarmsSetDlg> dialog_;
    int page_ = 0;
};

} // namespace hv::itemsui

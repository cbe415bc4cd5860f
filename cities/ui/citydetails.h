// The City Details form over the Edit Cities page: name, standard offset, continent (for a new
// city), latitude and longitude with their hemispheres, and the daylight-saving rule on two tabs,
// "Start" and "End". "OK" checks the entries and adds the city or changes it in place.
#pragma once

#include "cities/citydatabase.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/controls/pickers.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/keyboard.h"
#include "viewbase/view.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace hv::citiesui {

using tk::RECT;

// What the form holds when "OK" is pressed, as the user typed and chose it.
struct CityDetailsEntry {
    std::u16string name;
    int gmtOffset = 0; // minutes east, from the picker
    std::u16string latDegrees, latMinutes, lonDegrees, lonMinutes;
    bool north = true;
    bool east = true;
    bool dstUsed = false;
    // Week (0..4, 4 = last), weekday list index and month (0..11) of the start and the end.
    std::array<int, 3> start{};
    std::array<int, 3> end{};
};

enum class DetailsCheck { Ok, NoName, BadCoordinates };

// Checks the entry in the form's order (name, then the coordinates) and fills the record's name,
// offset, coordinates and rule; the other fields are left as they were. firstDayOfWeek orders
// the weekday lists (6: Sunday first).
DetailsCheck ReadCityDetails(const CityDetailsEntry& entry, int firstDayOfWeek, CityRecord& out);
// The form's entry for a record (the inverse for the lists and fields).
CityDetailsEntry EntryOfRecord(const CityRecord& r, int firstDayOfWeek);
// A new city starts from the device zone: its day-in-month daylight rule when it has one.
CityRecord NewCityFromDeviceZone();

class CityDetailsDlg : public tk::SWindow, public tk::SDrawBasic {
public:
    enum Mode : int { kEdit = 0, kNew = 1 };
    static constexpr RECT kTitle{14, 12, 240, 40};
    static constexpr RECT kRule{0, 50, 480, 54};
    static constexpr RECT kGreyRules[2] = {{0, 162, 480, 164}, {0, 274, 480, 276}};
    static constexpr RECT kNameLabel{0, 62, 86, 98};
    static constexpr RECT kNameEdit{92, 66, 300, 98};
    static constexpr RECT kContinentList{324, 70, 476, 98};
    static constexpr RECT kGmtLabel{0, 110, 86, 150};
    static constexpr tk::POINT kGmtPicker{92, 110};
    static constexpr RECT kLatLabel{0, 180, 130, 208};
    static constexpr RECT kLatDegrees{136, 180, 176, 208};
    static constexpr RECT kLatMinutes{194, 180, 244, 208};
    static constexpr RECT kNorthSouth{300, 180, 370, 208};
    static constexpr RECT kLonLabel{0, 226, 130, 254};
    static constexpr RECT kLonDegrees{136, 226, 186, 254};
    static constexpr RECT kLonMinutes{200, 226, 250, 254};
    static constexpr RECT kEastWest{300, 226, 370, 254};
    static constexpr RECT kDstBox{10, 284, 220, 312};
    static constexpr RECT kTabs{0, 318, 480, 510};
    // The tabs themselves along the top of that area, its page framed below them.
    static constexpr RECT kTabStrip{0, 318, 480, 350};
    // Inside the tab area.
    static constexpr RECT kWeekList{140, 58, 244, 86};
    static constexpr RECT kDayList{140, 98, 288, 126};
    static constexpr RECT kMonthList{140, 138, 270, 166};
    static constexpr RECT kButtons{240, 520, 476, 552};
    static constexpr tk::COLORREF kTitleBlue = tk::RGB(0, 0, 255);
    static constexpr tk::COLORREF kGrey = view::kGreyRule;

    // Mode kEdit copies the city at (continent, index) of a list; kNew starts from the device
    // zone. `closed` hears the end: whether the database changed, and where an added city went.
    CityDetailsDlg(tk::HWND parent, CityDatabase& db, int mode, CitySelection city,
                   int firstDayOfWeek, const std::u16string& monthList,
                   const std::u16string& dayList,
                   std::function<void(bool changed, CitySelection added)> closed);
    ~CityDetailsDlg() override;
    // A dialog named by its title.
    tk::Accessible accessibility() const override;

    void Paint(tk::HDC hdc) override;
    tk::LRESULT WindowProc(tk::HWND hwnd, tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;
    // Escape cancels, Enter takes OK (a control that uses the key keeps it).
    bool OnKeyDown(int key) override;

    int mode() const { return mode_; }
    // "OK": false (the form stays) when a check failed and its message was shown.
    bool ok();
    void cancel();

    // The form's controls and their contents.
    CityDetailsEntry entry() const;
    void fill(const CityDetailsEntry& e);
    tk::HWND nameEdit() const { return name_; }
    tk::HWND field(int i) const { return fields_[static_cast<size_t>(i)]; } // lat d, m, lon d, m
    tk::HWND dstBox() const { return dst_; }
    tk::HWND tabControl() const { return tabs_; }
    tk::TimePicker* offsetPicker() const { return gmt_.get(); }
    tk::DropList* continentList() const { return continent_.get(); }
    tk::DropList* ruleList(int tab, int which) const {
        return rules_[static_cast<size_t>(tab * 3 + which)].get();
    }
    tk::DropList* northSouth() const { return northSouth_.get(); }
    tk::DropList* eastWest() const { return eastWest_.get(); }
    // Whether the rule lists show (the "DST used" box is ticked).
    bool ruleShown() const { return ruleShown_; }
    void showRule(bool on);
    int tab() const { return tab_; }
    void setTab(int tab);

private:
    // Names the controls after the labels drawn beside them.
    void nameControls();
    void createControls(const std::u16string& monthList, const std::u16string& dayList);
    void paintLabels(tk::DC& dc);
    void finish(bool changed, CitySelection added);

    CityDatabase& db_;
    int mode_;
    CitySelection city_;
    int firstDay_;
    CityRecord record_{};
    std::function<void(bool, CitySelection)> closed_;
    tk::HWND name_ = nullptr;
    std::array<tk::HWND, 4> fields_{};
    tk::HWND dst_ = nullptr;
    tk::HWND tabs_ = nullptr;
    tk::HWND okButton_ = nullptr;
    tk::HWND cancelButton_ = nullptr;
    std::unique_ptr<tk::TimePicker> gmt_;
    std::unique_ptr<tk::DropList> continent_, northSouth_, eastWest_;
    int filledOffset_ = 0; // what the GMT picker showed once filled
    std::array<std::unique_ptr<tk::DropList>, 6> rules_;
    bool ruleShown_ = true;
    int tab_ = 0;
    tk::FocusReturn focus_;
};

} // namespace hv::citiesui

// The Events view (view 6): the "Sort by:" and unit lists, the list of events with the time from
// now to each event in the chosen unit (rows with a note are taller and show it), and "New...",
// "Edit..." and "Delete...". New and Edit open the "Event Settings" window over the view.
#pragma once

#include "items/events.h"
#include "items/listorder.h"
#include "items/ui/commandpanel.h"
#include "items/ui/eventseditdlg.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/controls/listview.h"
#include "toolkit/window/SDraw.h"
#include "viewbase/view.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hv::itemsui {

namespace eventslayout {
inline constexpr int kIdNew = 1027;
inline constexpr int kIdEdit = 1028;
inline constexpr int kIdDelete = 1029;
inline constexpr uintptr_t kIdSortList = 1;
inline constexpr uintptr_t kIdUnitList = 2;
inline constexpr tk::RECT kSortLabel{0, 52, 104, 80};
inline constexpr tk::RECT kSortList{140, 52, 252, 80};
inline constexpr tk::RECT kUnitList{370, 52, 470, 80};
inline constexpr tk::RECT kEventList{8, 90, 472, 438};
inline constexpr tk::RECT kNewButton{16, 446, 156, 480};
inline constexpr tk::RECT kEditButton{170, 446, 310, 480};
inline constexpr tk::RECT kDeleteButton{324, 446, 464, 480};
// A row with a note shows the name and the time in its first line and the note below.
inline constexpr int kRowLine = 48;
} // namespace eventslayout

class EventsView : public view::View, public tk::SDrawBasic {
public:
    EventsView(view::ViewContext& ctx, int number);
    ~EventsView() override;

    void show() override;
    void hide() override;
    void resync() override;
    void paint(tk::DC& dc) override;
    // The times in the list run on with the clock.
    void tick(tk::DC& dc, const dev::SystemTime& now) override;
    bool notify(tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;
    void storeExitState(SettingsRecord& s) const override;

    void command(int id);

    items::SortRule sortRule() const;
    int unit() const;
    // The table's rows in the order the list shows them.
    std::vector<size_t> shownOrder() const;

    tk::DropList* sortList() const { return sort_.get(); }
    tk::DropList* unitList() const { return unit_.get(); }
    tk::ListView* eventList() const { return list_.get(); }
    CommandPanel* buttons() const { return buttons_.get(); }
    EventsEditDlg* dialog() const { return dialog_.get(); }

private:
    void createControls();
    void fillList(int selectIndex = -1);
    void sortRows();
    void updateButtons();
    void paintBackground(tk::DC& dc);
    void paintLabels(tk::DC& dc);
    void openDialog(items::EventDraft draft);
    void dialogClosed(bool stored);
    int selectedIndex() const;

    items::Events& events_;
    std::unique_ptr<tk::DropList> sort_;
    std::unique_ptr<tk::DropList> unit_;
    std::unique_ptr<tk::ListView> list_;
    std::unique_ptr<CommandPanel> buttons_;
    std::unique_ptr<EventsEditDlg> dialog_;
    std::map<intptr_t, std::u16string> notes_;
    int sortIndex_ = 0;
    int unitIndex_ = 0;
};

} // namespace hv::itemsui

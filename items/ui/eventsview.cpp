#include "items/ui/eventsview.h"

#include "device/device.h"
#include "items/ui/itemsuistrings.h"
#include "shellcore/shellcore.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/strings.h"

#include <QTimer>

#include <algorithm>

namespace hv::itemsui {

using namespace hv::tk;
using namespace eventslayout;

namespace {

items::ListItem listItem(const ListRow& r) {
    return {r.name, r.time, static_cast<uint32_t>(std::clamp<intptr_t>(r.param, 0, 0xFFFFFFFF))};
}

} // namespace

EventsView::EventsView(view::ViewContext& ctx, int number)
    : View(ctx, number), events_(ctx.events) {
    registerItemsUiStrings();
    // The sort rule and the unit come back from the settings.
    sortIndex_ = ctx.settings.eventsSortBy <= 2 ? ctx.settings.eventsSortBy : 0;
    unitIndex_ = ctx.settings.eventsUnit < items::kTimeUnitCount ? ctx.settings.eventsUnit : 0;
}

EventsView::~EventsView() {
    dialog_.reset();
}

void EventsView::createControls() {
    sort_ = std::make_unique<DropList>(ctx_.mainWindow, kSortList, kStrSortRules, sortIndex_,
                                       font(kFontText), kIdSortList);
    unit_ = std::make_unique<DropList>(ctx_.mainWindow, kUnitList, kStrTimeUnits, unitIndex_,
                                       font(kFontText), kIdUnitList);
    list_ = std::make_unique<ListView>(ctx_.mainWindow, kEventList, 0, ListView::Rows::Striped,
                                       u"Events");
    list_->SetIconsShown(true);
    SetAccessibleLabel(sort_->hwnd(), LoadStringResource(kStrSortBy));
    SetAccessibleLabel(unit_->hwnd(), kTextUnitLabel);
    SetAccessibleLabel(list_->hwnd(), shell::viewName(number()));
    list_->SetUnit(unitIndex_);
    list_->SetTimeText([](dev::FileTime time, dev::FileTime reference, int unit) {
        return items::differenceText(items::signedSecondsBetween(time, reference),
                                     static_cast<uint8_t>(unit));
    });
    // The bell marks an event still waiting for its reminder.
    list_->SetIconRule([this](intptr_t param) {
        if (param < 0 || static_cast<size_t>(param) >= events_.records.size())
            return false;
        const items::EventRecord& r = events_.records[static_cast<size_t>(param)];
        return r.notificationHandle != 0 && r.eventTime > list_->referenceTime();
    });
    list_->SetRowDetail(
        [this](intptr_t param) {
            const auto it = notes_.find(param);
            return it != notes_.end() ? it->second : std::u16string();
        },
        kRowLine);
    buttons_ = std::make_unique<CommandPanel>(
        ctx_.mainWindow,
        std::vector<PanelButton>{{kIdNew, u"New...", kNewButton},
                                 {kIdEdit, u"Edit...", kEditButton},
                                 {kIdDelete, u"Delete...", kDeleteButton}},
        [this](int id) { command(id); });
}

void EventsView::show() {
    if (!ctx_.mainWindow)
        return;
    if (!list_) {
        // A table that another program held at start-up is read now.
        if (!events_.loaded())
            events_.load();
        createControls();
    }
    fillList(selectedIndex());
    for (SWindow* w : {static_cast<SWindow*>(sort_.get()), static_cast<SWindow*>(unit_.get()),
                       static_cast<SWindow*>(list_.get()), static_cast<SWindow*>(buttons_.get())})
        ShowWindow(w->hwnd(), SW_SHOW);
    if (dialog_)
        ShowWindow(dialog_->hwnd(), SW_SHOW);
}

void EventsView::hide() {
    for (SWindow* w : {static_cast<SWindow*>(sort_.get()), static_cast<SWindow*>(unit_.get()),
                       static_cast<SWindow*>(list_.get()), static_cast<SWindow*>(buttons_.get())})
        if (w)
            ShowWindow(w->hwnd(), SW_HIDE);
    // An open event window keeps what was typed into it and comes back with the view.
    if (dialog_)
        ShowWindow(dialog_->hwnd(), SW_HIDE);
}

void EventsView::resync() {
    if (list_)
        fillList(selectedIndex());
}

items::SortRule EventsView::sortRule() const {
    return static_cast<items::SortRule>(sort_ ? std::clamp(sort_->selected(), 0, 2) : sortIndex_);
}

int EventsView::unit() const {
    return unit_ ? std::clamp(unit_->selected(), 0, items::kTimeUnitCount - 1) : unitIndex_;
}

int EventsView::selectedIndex() const {
    const ListView* l = list_.get();
    if (!l || l->Selected() < 0)
        return -1;
    return static_cast<int>(l->GetItemParam(l->Selected()));
}

std::vector<size_t> EventsView::shownOrder() const {
    std::vector<size_t> order;
    if (const ListView* l = list_.get())
        for (int i = 0; i < l->ItemCount(); ++i)
            order.push_back(static_cast<size_t>(l->GetItemParam(i)));
    return order;
}

void EventsView::fillList(int selectIndex) {
    ListView* l = list_.get();
    if (!l)
        return;
    l->DeleteAllItems();
    notes_.clear();
    list_->SetReferenceTime(dev::getLocalTimeAsFileTime());
    for (size_t i = 0; i < events_.records.size(); ++i) {
        const items::EventRecord& r = events_.records[i];
        const auto param = static_cast<intptr_t>(i);
        const int row = list_->AddTimedItem(items::displayName(r), param, r.eventTime);
        list_->SetItemHeight(row, items::eventRowHeight(r));
        if (r.noteNumber != 0)
            notes_[param] = items::Events::loadNote(r.noteNumber);
    }
    sortRows();
    for (int i = 0; i < l->ItemCount(); ++i)
        if (l->GetItemParam(i) == selectIndex)
            l->SetSelected(i);
    updateButtons();
}

void EventsView::sortRows() {
    const items::SortRule rule = sortRule();
    list_->Sort([rule](const ListRow& a, const ListRow& b) {
        return items::compareItems(rule, listItem(a), listItem(b));
    });
}

void EventsView::updateButtons() {
    if (!buttons_)
        return;
    const bool selected = selectedIndex() >= 0;
    buttons_->enable(kIdEdit, selected);
    buttons_->enable(kIdDelete, selected);
}

void EventsView::command(int id) {
    switch (id) {
    case kIdNew:
        if (!dialog_)
            openDialog(events_.newEvent());
        break;
    case kIdEdit:
        if (const int i = selectedIndex(); i >= 0 && !dialog_)
            if (auto draft = events_.editEvent(static_cast<size_t>(i)))
                openDialog(std::move(*draft));
        break;
    case kIdDelete:
        if (const int i = selectedIndex(); i >= 0 && events_.deleteEvent(static_cast<size_t>(i)))
            fillList();
        break;
    default:
        break;
    }
}

void EventsView::openDialog(items::EventDraft draft) {
    dialog_ = std::make_unique<EventsEditDlg>(ctx_.mainWindow, events_, std::move(draft),
                                              [this](bool stored) { dialogClosed(stored); });
}

void EventsView::dialogClosed(bool stored) {
    const int index = dialog_ ? dialog_->draft().index : -1;
    // The window goes once its own command has returned.
    QTimer::singleShot(0, ctx_.mainWindow, [this] { dialog_.reset(); });
    if (stored)
        fillList(index);
    if (ctx_.mainWindow)
        InvalidateRect(ctx_.mainWindow, nullptr, false);
}

bool EventsView::notify(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgListSelection && list_ && reinterpret_cast<HWND>(lp) == list_->hwnd()) {
        updateButtons();
        return true;
    }
    if (msg != kMsgChanged)
        return false;
    if (wp == kIdSortList && sort_) {
        sortIndex_ = static_cast<int>(sortRule());
        sortRows();
        return true;
    }
    if (wp == kIdUnitList && unit_) {
        unitIndex_ = unit();
        list_->SetUnit(unitIndex_);
        list_->Redraw();
        return true;
    }
    return false;
}

void EventsView::storeExitState(SettingsRecord& s) const {
    s.eventsSortBy = static_cast<uint8_t>(sortRule());
    s.eventsUnit = static_cast<uint8_t>(unit());
}

void EventsView::paint(DC& dc) {
    paintBackground(dc);
    paintLabels(dc);
}

void EventsView::paintBackground(DC& dc) {
    dc.FillRect(view::kViewArea, colour(kColourWhite));
}

void EventsView::paintLabels(DC& dc) {
    dc.SelectFont(font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.DrawText(LoadStringResource(kStrSortBy), kSortLabel, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

void EventsView::tick(DC& dc, const dev::SystemTime& now) {
    (void)dc;
    if (!list_)
        return;
    if (const auto t = dev::toFileTime(now))
        list_->SetReferenceTime(*t);
}

} // namespace hv::itemsui

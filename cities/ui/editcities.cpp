#include "cities/ui/editcities.h"

#include "cities/ui/citiesuitexts.h"
#include "device/device.h"
#include "device/text.h"
#include "settings/settings.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/strings.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace hv::citiesui {

using namespace hv::tk;

namespace {
constexpr int kNamePadding = 8;
constexpr int kOffsetPadding = 6;
} // namespace

// ---- CityListView ----------------------------------------------------------------------------

CityListView::CityListView(HWND parent, const RECT& r, const CityDatabase& db, int continent)
    : db_(db), continent_(continent), width_(r.right - r.left), height_(r.bottom - r.top) {
    Create(0, u"EditListView", u"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, r.left, r.top, width_,
           height_, parent, 0, nullptr);
    setFocusPolicy(Qt::StrongFocus);
    updateScrollBar();
}

CityListView::~CityListView() {
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

int CityListView::count() const {
    return db_.displayCount(continent_);
}

int CityListView::visibleRows() const {
    return height_ / kRowHeight;
}

int CityListView::lastTop() const {
    return std::max(0, count() - visibleRows());
}

void CityListView::setContinent(int continent) {
    continent_ = std::clamp(continent, 0, static_cast<int>(kAllContinents));
    selected_ = 0;
    top_ = 0;
    updateScrollBar();
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, false);
}

void CityListView::select(int index) {
    if (index < 0 || index >= count())
        return;
    const RECT old = rowRect(selected_);
    selected_ = index;
    // The selection is kept in view.
    if (selected_ < top_ || selected_ >= top_ + visibleRows()) {
        top_ = std::min(FirstVisibleFor(selected_, count(), visibleRows()), lastTop());
        updateScrollBar();
        InvalidateRect(hwnd(), nullptr, false);
        return;
    }
    const RECT now = rowRect(selected_);
    InvalidateRect(hwnd(), &old, false);
    InvalidateRect(hwnd(), &now, false);
}

std::u16string CityListView::offsetText(int index) const {
    const CityRecord* r = db_.recordAt(continent_, index);
    return r ? CityListOffsetText(r->gmtOffset) : std::u16string();
}

RECT CityListView::rowRect(int index) const {
    const int y = (index - top_) * kRowHeight;
    return {0, y, width_ - kScrollBarWidth, y + kRowHeight};
}

void CityListView::updateScrollBar() {
    if (!hwnd())
        return;
    SCROLLINFO si;
    si.nMin = 0;
    si.nMax = count() * kRowHeight + 2;
    si.nPage = visibleRows() * kRowHeight;
    si.nPos = top_ * kRowHeight;
    SetScrollInfo(hwnd(), si, true);
}

void CityListView::scroll(int request) {
    int top = top_;
    switch (request) {
    case SB_LINEUP:
        --top;
        break;
    case SB_LINEDOWN:
        ++top;
        break;
    case SB_PAGEUP:
        top -= visibleRows();
        break;
    case SB_PAGEDOWN:
        top += visibleRows();
        break;
    default:
        return;
    }
    top = std::clamp(top, 0, lastTop());
    if (top == top_)
        return;
    top_ = top;
    updateScrollBar();
    InvalidateRect(hwnd(), nullptr, false);
}

void CityListView::Paint(HDC hdc) {
    hdc->FillRect({0, 0, width_, height_}, kEvenRow);
    hdc->SelectFont(SDraw::font(kFontText));
    hdc->SetBkMode(TRANSPARENT);
    hdc->SetTextColor(colour(kColourText));
    const int n = count();
    for (int i = top_; i < n && i < top_ + visibleRows() + 1; ++i) {
        const CityRecord* r = db_.recordAt(continent_, i);
        if (!r)
            break;
        const RECT row = rowRect(i);
        hdc->FillRect(row, i == selected_ ? kSelectedRow : (i % 2 ? kOddRow : kEvenRow));
        const std::u16string offset = CityListOffsetText(r->gmtOffset);
        const RECT offsetArea{row.left, row.top, row.right - kOffsetPadding, row.bottom};
        hdc->DrawText(offset, offsetArea, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
        const int offsetWidth = hdc->GetTextExtent(offset).x;
        const RECT nameArea{row.left + kNamePadding, row.top,
                            row.right - kOffsetPadding - offsetWidth - 4, row.bottom};
        hdc->DrawText(r->nameView(), nameArea,
                      DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}

void CityListView::OnLButtonDown(POINT pt) {
    if (pt.x >= width_ - kScrollBarWidth)
        return;
    const int index = top_ + pt.y / kRowHeight;
    if (index < count())
        select(index);
}

void CityListView::OnVScroll(int request, int) {
    scroll(request);
}

bool CityListView::OnKeyDown(int key) {
    const int page = std::max(1, visibleRows() - 1);
    switch (key) {
    case VK_UP:
        select(std::max(0, selected_ - 1));
        return true;
    case VK_DOWN:
        select(std::min(count() - 1, selected_ + 1));
        return true;
    case VK_PRIOR:
        select(std::max(0, selected_ - page));
        return true;
    case VK_NEXT:
        select(std::min(count() - 1, selected_ + page));
        return true;
    case VK_HOME:
        select(0);
        return true;
    case VK_END:
        select(count() - 1);
        return true;
    default:
        return false;
    }
}

bool CityListView::OnWheel(int turn) {
    // Three rows a notch; part turns add up.
    wheelTurn_ += turn;
    const int notches = wheelTurn_ / WHEEL_DELTA;
    wheelTurn_ -= notches * WHEEL_DELTA;
    for (int i = 0; i < 3 * std::abs(notches); ++i)
        scroll(notches > 0 ? SB_LINEUP : SB_LINEDOWN);
    return true;
}

// ---- EditCitiesPanel -------------------------------------------------------------------------

EditCitiesPanel::EditCitiesPanel(HWND parent, int width, int height, const CityDatabase& db) {
    registerCitiesStrings();
    Create(0, u"EditCities", u"", WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent, 0, nullptr);
    if (!hwnd())
        return;
    continents_ =
        std::make_unique<DropList>(hwnd(), kContinents, kStrContinents, 0, SDraw::font(kFontText));
    list_ = std::make_unique<CityListView>(hwnd(), kList, db, 0);
    SetAccessibleLabel(continents_->hwnd(), citiesString(kStrContinentLabel));
    SetAccessibleLabel(list_->hwnd(), citiesString(kStrCityLabel));
}

EditCitiesPanel::~EditCitiesPanel() {
    list_.reset();
    continents_.reset();
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

void EditCitiesPanel::Paint(HDC hdc) {
    hdc->FillRect(GetClientRect(hwnd()), colour(kColourWhite));
    hdc->SelectFont(SDraw::font(kFontTitle));
    hdc->SetBkMode(TRANSPARENT);
    hdc->SetTextColor(kTitleBlue);
    hdc->DrawText(citiesString(kStrEditCities), kTitle, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    hdc->FillRect(kRule, RGB(0, 0, 0));
}

LRESULT EditCitiesPanel::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kMsgChanged) {
        // A new continent: its first city, from the top.
        if (continents_ && list_ && reinterpret_cast<LPARAM>(continents_->hwnd()) == lp)
            list_->setContinent(continents_->selected());
        return 0;
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

// ---- EditCitiesDlg ---------------------------------------------------------------------------

EditCitiesDlg::EditCitiesDlg(QWidget* parent, CityDatabase& db) : QDialog(parent), db_(db) {
    setObjectName(QStringLiteral("editCities"));
    setWindowTitle(dev::toQString(citiesString(kStrEditCities)));
    setFixedSize(kWidth, kHeight);
    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    auto* host = new QWidget(this);
    host->setFixedSize(kWidth, kPanelHeight);
    col->addWidget(host);
    panel_ = std::make_unique<EditCitiesPanel>(host, kWidth, kPanelHeight, db_);
    bar_ = new QWidget(this);
    auto* row = new QHBoxLayout(bar_);
    row->setContentsMargins(6, 4, 6, 6);
    auto add = [&](const QString& text, const QString& name, void (EditCitiesDlg::*f)()) {
        auto* b = new QPushButton(text, bar_);
        b->setObjectName(name);
        QObject::connect(b, &QPushButton::clicked, this, [this, f] { (this->*f)(); });
        row->addWidget(b);
    };
    add(QStringLiteral("OK"), QStringLiteral("ok"), &EditCitiesDlg::onOk);
    add(QStringLiteral("Delete"), QStringLiteral("delete"), &EditCitiesDlg::onDelete);
    add(QStringLiteral("Edit"), QStringLiteral("edit"), &EditCitiesDlg::onEdit);
    add(QStringLiteral("New"), QStringLiteral("new"), &EditCitiesDlg::onNew);
    col->addWidget(bar_);
}

EditCitiesDlg::~EditCitiesDlg() {
    details_.reset();
    panel_.reset();
}

QPushButton* EditCitiesDlg::button(const QString& name) const {
    return bar_->findChild<QPushButton*>(name);
}

CitySelection EditCitiesDlg::selectedCity() const {
    int continent = list()->continent();
    int index = list()->selected();
    if (continent == kAllContinents) {
        const int c = db_.continentOfMerged(index);
        index = db_.indexWithinContinent(c, index);
        continent = c;
    }
    return {continent, index};
}

void EditCitiesDlg::onDelete() {
    const CitySelection city = selectedCity();
    if (city.continent < 0 || !db_.recordAt(city.continent, city.index))
        return;
    const CitySelection home = db_.home();
    if (home.continent == city.continent && home.index == city.index) {
        dev::messageBox(kCaption, kCantDeleteHome, dev::MbIcon::Warning);
        return;
    }
    if (dev::messageBox(kCaption, kAskDelete, dev::MbIcon::Question, dev::MbButtons::YesNo) !=
        dev::MbResult::Yes)
        return;
    db_.deleteCity(city.continent, city.index);
    list()->setContinent(list()->continent());
}

void EditCitiesDlg::openDetails(int mode) {
    if (details_)
        return;
    if (mode == CityDetailsDlg::kEdit && list()->count() == 0)
        return;
    const CitySelection city{list()->continent(), list()->selected()};
    const AppState& a = app();
    details_ = std::make_unique<CityDetailsDlg>(
        panel_->hwnd(), db_, mode, city, a.locale.localeFirstDayOfWeek, a.names.monthNameList,
        a.names.dayNameList, [this](bool changed, CitySelection added) {
            detailsClosed(changed, added.continent, added.index);
        });
    bar_->setEnabled(false);
}

void EditCitiesDlg::detailsClosed(bool changed, int addedContinent, int addedIndex) {
    // The form is in the middle of its own message: it goes once that is done.
    if (CityDetailsDlg* old = details_.release())
        QTimer::singleShot(0, this, [old] { delete old; });
    bar_->setEnabled(true);
    if (!changed)
        return;
    const int shown = list()->continent();
    const int keep = list()->selected();
    list()->setContinent(shown);
    if (addedContinent >= 0 && shown == addedContinent)
        list()->select(addedIndex);
    else if (addedContinent < 0)
        list()->select(keep);
}

void EditCitiesDlg::reject() {
    if (details_) {
        details_->cancel();
        return;
    }
    db_.save();
    QDialog::reject();
}

void EditCitiesDlg::onOk() {
    // The cities are written now, whatever changed, so that nothing is lost if the program does
    // not reach its normal end.
    db_.save();
    accept();
}

// ---- Accessibility ---------------------------------------------------------------------------

tk::Accessible CityListView::accessibility() const {
    tk::Accessible a;
    a.role = QAccessible::List;
    const int n = count();
    for (int i = 0; i < n; ++i) {
        const CityRecord* r = db_.recordAt(continent_, i);
        if (!r)
            break;
        tk::AccessiblePart row;
        row.role = QAccessible::ListItem;
        row.name = dev::toQString(std::u16string(r->nameView()));
        row.value = dev::toQString(offsetText(i));
        if (i >= top_ && i < top_ + visibleRows()) {
            const RECT rr = rowRect(i);
            row.rect = QRect(rr.left, rr.top, rr.width(), rr.height());
        }
        row.selected = i == selected_;
        if (row.selected)
            a.value = row.name;
        a.parts.push_back(std::move(row));
    }
    return a;
}

tk::Accessible EditCitiesPanel::accessibility() const {
    tk::Accessible a;
    a.name = dev::toQString(citiesString(kStrEditCities));
    return a;
}

} // namespace hv::citiesui

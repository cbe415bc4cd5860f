#include "cities/ui/citydetails.h"

#include "cities/ui/citiesuitexts.h"
#include "device/device.h"
#include "device/text.h"
#include "toolkit/platform/platform.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/keyboard.h"
#include "toolkit/window/strings.h"

#include <QWidget>

#include <algorithm>
#include <string>

namespace hv::citiesui {

// The labels drawn beside the controls, which name them too.
constexpr char16_t kLabelName[] = u"Name:";
constexpr char16_t kLabelGmt[] = u"GMT:";
constexpr char16_t kLabelLatitude[] = u"Latitude:";
constexpr char16_t kLabelLongitude[] = u"Longitude:";
constexpr char16_t kLabelWeek[] = u"Week:";
constexpr char16_t kLabelDay[] = u"Day:";
constexpr char16_t kLabelMonth[] = u"Month:";

using namespace hv::tk;

namespace {

enum : uintptr_t {
    kIdOk = 1,
    kIdCancel = 2,
    kIdName = 1001,
    kIdLatDegrees,
    kIdLatMinutes,
    kIdLonDegrees,
    kIdLonMinutes,
    kIdDst,
    kIdTabs,
};

constexpr int kLatitudeLimit = 90;
constexpr int kLongitudeLimit = 180;
constexpr int kMinutesLimit = 59;

// A field as a whole decimal number; -1 for an empty field or one with anything but digits.
int fieldNumber(std::u16string_view s) {
    if (s.empty() || s.size() > 4)
        return -1;
    int n = 0;
    for (const char16_t c : s) {
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
    }
    return n;
}

std::u16string numberText(int n) {
    std::u16string s;
    for (const char c : std::to_string(n))
        s += static_cast<char16_t>(c);
    return s;
}

RECT shifted(const RECT& r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// The continent list without its last item ("All Continents").
std::u16string continentFiles() {
    // "...\South America\All Continents\.": the list ends after the backslash before the last
    // item.
    std::u16string all = LoadStringResource(kStrContinents);
    const size_t end = all.rfind(u'\\');
    const size_t last =
        end == std::u16string::npos || end == 0 ? std::u16string::npos : all.rfind(u'\\', end - 1);
    return last == std::u16string::npos ? all : all.substr(0, last + 1) + u".";
}

} // namespace

DetailsCheck ReadCityDetails(const CityDetailsEntry& e, int firstDayOfWeek, CityRecord& out) {
    if (e.name.empty())
        return DetailsCheck::NoName;
    const int latD = fieldNumber(e.latDegrees);
    const int latM = fieldNumber(e.latMinutes);
    const int lonD = fieldNumber(e.lonDegrees);
    const int lonM = fieldNumber(e.lonMinutes);
    if (latD < 0 || latM < 0 || lonD < 0 || lonM < 0)
        return DetailsCheck::BadCoordinates;
    // The poles and the date line are the limits, with no minutes beyond them; minutes above
    // 59 would name another degree.
    if (latD > kLatitudeLimit || (latD == kLatitudeLimit && latM != 0) || lonD > kLongitudeLimit ||
        (lonD == kLongitudeLimit && lonM != 0) || latM > kMinutesLimit || lonM > kMinutesLimit)
        return DetailsCheck::BadCoordinates;
    out.setName(e.name);
    out.gmtOffset = static_cast<int16_t>(e.gmtOffset);
    out.latDegrees = static_cast<int16_t>(latD);
    out.latMinutes = static_cast<int16_t>(latM);
    out.lonDegrees = static_cast<int16_t>(lonD);
    out.lonMinutes = static_cast<int16_t>(lonM);
    out.north = e.north ? 1 : 0;
    out.east = e.east ? 1 : 0;
    out.dstUsed = e.dstUsed ? 1 : 0;
    if (e.dstUsed) {
        out.dstStart =
            static_cast<uint8_t>(e.start[0] * 16 + WeekdayOfListIndex(e.start[1], firstDayOfWeek));
        out.dstStartMonth = static_cast<uint8_t>(e.start[2]);
        out.dstEnd =
            static_cast<uint8_t>(e.end[0] * 16 + WeekdayOfListIndex(e.end[1], firstDayOfWeek));
        out.dstEndMonth = static_cast<uint8_t>(e.end[2]);
    }
    return DetailsCheck::Ok;
}

CityDetailsEntry EntryOfRecord(const CityRecord& r, int firstDayOfWeek) {
    CityDetailsEntry e;
    e.name = std::u16string(r.nameView());
    e.gmtOffset = r.gmtOffset;
    e.latDegrees = numberText(r.latDegrees);
    e.latMinutes = numberText(r.latMinutes);
    e.lonDegrees = numberText(r.lonDegrees);
    e.lonMinutes = numberText(r.lonMinutes);
    e.north = r.north != 0;
    e.east = r.east != 0;
    e.dstUsed = r.dstUsed != 0;
    auto rule = [&](uint8_t coded, uint8_t month) {
        return std::array<int, 3>{std::clamp(coded >> 4, 0, 4),
                                  ListIndexOfWeekday((coded & 0x0f) % 7, firstDayOfWeek),
                                  std::clamp(static_cast<int>(month), 0, 11)};
    };
    e.start = rule(r.dstStart, r.dstStartMonth);
    e.end = rule(r.dstEnd, r.dstEndMonth);
    return e;
}

CityRecord NewCityFromDeviceZone() {
    CityRecord r{};
    r.continent = kAfrica;
    r.north = 1;
    r.east = 1;
    const dev::TimeZoneInformation tz = dev::getTimeZoneInformation();
    const dev::SystemTime& on = tz.DaylightDate;
    const dev::SystemTime& off = tz.StandardDate;
    // Only a day-in-month rule (year 0) can be written as a city's rule.
    if (on.month >= 1 && on.month <= 12 && on.year == 0 && off.month >= 1 && off.month <= 12 &&
        on.day >= 1 && on.day <= 5 && off.day >= 1 && off.day <= 5) {
        r.dstStart = static_cast<uint8_t>((on.day - 1) * 16 + on.dayOfWeek % 7);
        r.dstStartMonth = static_cast<uint8_t>(on.month - 1);
        r.dstEnd = static_cast<uint8_t>((off.day - 1) * 16 + off.dayOfWeek % 7);
        r.dstEndMonth = static_cast<uint8_t>(off.month - 1);
    }
    return r;
}

CityDetailsDlg::CityDetailsDlg(HWND parent, CityDatabase& db, int mode, CitySelection city,
                               int firstDayOfWeek, const std::u16string& monthList,
                               const std::u16string& dayList,
                               std::function<void(bool, CitySelection)> closed)
    : db_(db), mode_(mode), city_(city), firstDay_(firstDayOfWeek), closed_(std::move(closed)) {
    registerCitiesStrings();
    if (mode_ == kEdit) {
        if (const CityRecord* r = db_.recordAt(city.continent, city.index))
            record_ = *r;
    } else {
        record_ = NewCityFromDeviceZone();
    }
    const QWidget* p = parent;
    Create(0, u"CityDetails", u"", WS_CHILD | WS_VISIBLE, 0, 0, p ? p->width() : 480,
           p ? p->height() : 614, parent, 0, nullptr);
    if (!hwnd())
        return;
    BringWindowToTop(hwnd());
    createControls(monthList, dayList);
    fill(EntryOfRecord(record_, firstDay_));
    focus_.take(hwnd());
}

CityDetailsDlg::~CityDetailsDlg() {
    gmt_.reset();
    continent_.reset();
    northSouth_.reset();
    eastWest_.reset();
    for (auto& l : rules_)
        l.reset();
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

void CityDetailsDlg::createControls(const std::u16string& monthList,
                                    const std::u16string& dayList) {
    const QFont* f = SDraw::font(kFontText);
    name_ =
        CreateEdit(hwnd(), kIdName, u"", kNameEdit, false, static_cast<int>(kCityNameUnits - 1));
    gmt_ =
        std::make_unique<TimePicker>(hwnd(), kGmtPicker.x, kGmtPicker.y, 128, 40, nullptr, false);
    gmt_->EnterOffsetMode();
    continent_ =
        std::make_unique<DropList>(hwnd(), kContinentList, continentFiles(), record_.continent, f);
    EnableWindow(continent_->hwnd(), mode_ == kNew);
    const std::array<RECT, 4> fieldRects{kLatDegrees, kLatMinutes, kLonDegrees, kLonMinutes};
    const std::array<int, 4> lengths{2, 3, 3, 3};
    for (size_t i = 0; i < fields_.size(); ++i)
        fields_[i] = CreateEdit(hwnd(), kIdLatDegrees + i, u"", fieldRects[i], false, lengths[i]);
    northSouth_ = std::make_unique<DropList>(hwnd(), kNorthSouth, kStrNorthSouth, 0, f);
    eastWest_ = std::make_unique<DropList>(hwnd(), kEastWest, kStrEastWest, 0, f);
    dst_ = CreateCheckBox(hwnd(), kIdDst, u"DST used", kDstBox);
    tabs_ = CreateTabControl(hwnd(), kIdTabs, kTabStrip);
    TabInsertItem(tabs_, 0, citiesString(kStrStart));
    TabInsertItem(tabs_, 1, citiesString(kStrEnd));
    // The six lists stand over the tab control's page, three for each tab.
    for (int t = 0; t < 2; ++t) {
        const int i = t * 3;
        rules_[static_cast<size_t>(i)] = std::make_unique<DropList>(
            hwnd(), shifted(kWeekList, kTabs.left, kTabs.top), kStrWeeks, 0, f);
        rules_[static_cast<size_t>(i + 1)] = std::make_unique<DropList>(
            hwnd(), shifted(kDayList, kTabs.left, kTabs.top), dayList, 0, f);
        rules_[static_cast<size_t>(i + 2)] = std::make_unique<DropList>(
            hwnd(), shifted(kMonthList, kTabs.left, kTabs.top), monthList, 0, f);
    }
    for (auto& l : rules_)
        BringWindowToTop(l->hwnd());
    nameControls();
    // The typed fields, the box and the tabs in the small text face, to match the labels beside
    // them rather than the platform's much smaller default.
    const QFont* small = SDraw::font(kFontSmallText);
    for (HWND w : {name_, fields_[0], fields_[1], fields_[2], fields_[3], dst_, tabs_})
        if (w && small)
            w->setFont(*small);
    okButton_ = CreatePushButton(
        hwnd(), kIdOk, u"OK", {kButtons.left, kButtons.top, kButtons.left + 110, kButtons.bottom});
    cancelButton_ =
        CreatePushButton(hwnd(), kIdCancel, u"Cancel",
                         {kButtons.right - 110, kButtons.top, kButtons.right, kButtons.bottom});
}

CityDetailsEntry CityDetailsDlg::entry() const {
    CityDetailsEntry e;
    e.name = GetWindowText(name_);
    // An offset the picker still shows as filled stays as the record has it (the picker holds
    // quarter hours only).
    const int picked = gmt_ ? gmt_->GetOffset() : filledOffset_;
    e.gmtOffset = picked == filledOffset_ ? record_.gmtOffset : picked;
    e.latDegrees = GetWindowText(fields_[0]);
    e.latMinutes = GetWindowText(fields_[1]);
    e.lonDegrees = GetWindowText(fields_[2]);
    e.lonMinutes = GetWindowText(fields_[3]);
    e.north = northSouth_->selected() == 0;
    e.east = eastWest_->selected() == 0;
    e.dstUsed = IsChecked(dst_);
    for (size_t i = 0; i < 3; ++i) {
        e.start[i] = rules_[i]->selected();
        e.end[i] = rules_[i + 3]->selected();
    }
    return e;
}

void CityDetailsDlg::fill(const CityDetailsEntry& e) {
    SetWindowText(name_, e.name);
    if (gmt_) {
        gmt_->SetOffset(e.gmtOffset);
        filledOffset_ = gmt_->GetOffset();
    }
    SetWindowText(fields_[0], e.latDegrees);
    SetWindowText(fields_[1], e.latMinutes);
    SetWindowText(fields_[2], e.lonDegrees);
    SetWindowText(fields_[3], e.lonMinutes);
    northSouth_->SetSelected(e.north ? 0 : 1);
    eastWest_->SetSelected(e.east ? 0 : 1);
    SetChecked(dst_, e.dstUsed);
    for (size_t i = 0; i < 3; ++i) {
        rules_[i]->SetSelected(e.start[i]);
        rules_[i + 3]->SetSelected(e.end[i]);
    }
    showRule(e.dstUsed);
}

void CityDetailsDlg::showRule(bool on) {
    ruleShown_ = on;
    // The tab strip is a platform control, shown and hidden as a widget.
    if (tabs_)
        tabs_->setVisible(on);
    for (size_t i = 0; i < rules_.size(); ++i)
        ShowWindow(rules_[i]->hwnd(), on && static_cast<int>(i / 3) == tab_ ? SW_SHOW : SW_HIDE);
    InvalidateRect(hwnd(), &kTabs, true);
}

void CityDetailsDlg::setTab(int tab) {
    tab_ = std::clamp(tab, 0, 1);
    if (TabGetCurSel(tabs_) != tab_)
        TabSetCurSel(tabs_, tab_);
    showRule(ruleShown_);
}

void CityDetailsDlg::paintLabels(DC& dc) {
    dc.SelectFont(SDraw::font(kFontText));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    const UINT right = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;
    dc.DrawText(kLabelName, kNameLabel, right);
    dc.DrawText(kLabelGmt, kGmtLabel, right);
    dc.DrawText(kLabelLatitude, kLatLabel, right);
    dc.DrawText(kLabelLongitude, kLonLabel, right);
    dc.DrawText(u"\u00B0",
                {kLatDegrees.right, kLatDegrees.top, kLatMinutes.left, kLatDegrees.bottom},
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    dc.DrawText(u"'",
                {kLatMinutes.right, kLatMinutes.top, kNorthSouth.left - 30, kLatMinutes.bottom},
                DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    dc.DrawText(u"\u00B0",
                {kLonDegrees.right, kLonDegrees.top, kLonMinutes.left, kLonDegrees.bottom},
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    dc.DrawText(u"'", {kLonMinutes.right, kLonMinutes.top, kEastWest.left - 30, kLonMinutes.bottom},
                DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (ruleShown_) {
        // The page of the tab control under its tabs.
        const RECT page{kTabs.left, kTabStrip.bottom - 1, kTabs.right, kTabs.bottom};
        dc.FillRect({page.left, page.top, page.right, page.top + 1}, kGrey);
        dc.FillRect({page.left, page.bottom - 1, page.right, page.bottom}, kGrey);
        const std::array<std::u16string_view, 3> names{kLabelWeek, kLabelDay, kLabelMonth};
        const std::array<RECT, 3> lists{kWeekList, kDayList, kMonthList};
        for (size_t i = 0; i < names.size(); ++i) {
            const RECT r = shifted(lists[i], kTabs.left, kTabs.top);
            dc.DrawText(names[i], {kTabs.left + 10, r.top, r.left - 40, r.bottom}, right);
        }
    }
}

void CityDetailsDlg::Paint(HDC hdc) {
    hdc->FillRect(GetClientRect(hwnd()), colour(kColourWhite));
    hdc->SelectFont(SDraw::font(kFontTitle));
    hdc->SetBkMode(TRANSPARENT);
    hdc->SetTextColor(kTitleBlue);
    hdc->DrawText(citiesString(kStrCityDetails), kTitle, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    hdc->FillRect(kRule, RGB(0, 0, 0));
    for (const RECT& r : kGreyRules)
        hdc->FillRect(r, kGrey);
    paintLabels(*hdc);
}

bool CityDetailsDlg::ok() {
    CityRecord r = record_;
    switch (ReadCityDetails(entry(), firstDay_, r)) {
    case DetailsCheck::NoName:
        dev::messageBox(kCaption, kEnterName, dev::MbIcon::Warning);
        return false;
    case DetailsCheck::BadCoordinates:
        dev::messageBox(kCaption, kEnterCoordinates, dev::MbIcon::Warning);
        return false;
    case DetailsCheck::Ok:
        break;
    }
    if (mode_ == kNew) {
        const int continent = std::clamp(continent_->selected(), 0, kContinentFiles - 1);
        r.continent = static_cast<uint8_t>(continent);
        r.id = static_cast<uint16_t>(1000 * (continent + 1) + db_.count(continent));
        const int at = db_.addCity(continent, r);
        // With no addition left the form closes without a change.
        finish(at >= 0, at >= 0 ? CitySelection{continent, at} : CitySelection{-1, -1});
        return true;
    }
    const bool replaced = db_.replaceCity(city_.continent, city_.index, r);
    finish(replaced, {-1, -1});
    return true;
}

void CityDetailsDlg::cancel() {
    finish(false, {-1, -1});
}

bool CityDetailsDlg::OnKeyDown(int key) {
    if (!isVisible())
        return false;
    return tk::DialogKey(
        key, [this] { ok(); }, [this] { cancel(); });
}

void CityDetailsDlg::finish(bool changed, CitySelection added) {
    focus_.giveBack();
    if (hwnd())
        ShowWindow(hwnd(), SW_HIDE);
    if (closed_) {
        // The owner destroys the form: nothing of it is touched after this call.
        auto closed = closed_;
        closed(changed, added);
    }
}

LRESULT CityDetailsDlg::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) {
        const int id = LOWORD(wp);
        if (id == kIdOk || id == 1072) {
            ok();
            return 0;
        }
        if (id == kIdCancel) {
            cancel();
            return 0;
        }
        if (id == kIdDst && HIWORD(wp) == BN_CLICKED) {
            showRule(IsChecked(dst_));
            return 0;
        }
        return 0;
    }
    if (msg == WM_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr && hdr->code == TCN_SELCHANGE) {
            tab_ = TabGetCurSel(tabs_);
            showRule(ruleShown_);
        }
        return 0;
    }
    if (msg == kMsgChanged)
        return 0;
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

// ---- Accessibility ---------------------------------------------------------------------------

void CityDetailsDlg::nameControls() {
    SetAccessibleLabel(name_, kLabelName);
    SetAccessibleLabel(gmt_->hwnd(), kLabelGmt);
    SetAccessibleLabel(continent_->hwnd(), citiesString(kStrContinentLabel));
    for (size_t i = 0; i < 2; ++i) {
        SetAccessibleLabel(fields_[i], kLabelLatitude);
        SetAccessibleLabel(fields_[i + 2], kLabelLongitude);
    }
    SetAccessibleLabel(northSouth_->hwnd(), kLabelLatitude);
    SetAccessibleLabel(eastWest_->hwnd(), kLabelLongitude);
    // Each tab's week, day and month lists, named by the labels and their tab.
    const std::array<const char16_t*, 3> names{kLabelWeek, kLabelDay, kLabelMonth};
    for (int t = 0; t < 2; ++t)
        for (size_t i = 0; i < names.size(); ++i)
            if (const auto& l = rules_[static_cast<size_t>(t) * 3 + i])
                l->hwnd()->setAccessibleName(LabelName(names[i]) + QStringLiteral(", ") +
                                             LabelName(citiesString(t == 0 ? kStrStart : kStrEnd)));
}

tk::Accessible CityDetailsDlg::accessibility() const {
    tk::Accessible a;
    a.role = QAccessible::Dialog;
    a.name = dev::toQString(citiesString(kStrCityDetails));
    return a;
}

} // namespace hv::citiesui

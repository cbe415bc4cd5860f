#include "shell/preferences.h"

#include "device/device.h"
#include "settings/settings.h"
#include "settings/soundpath.h"
#include "shellcore/statusbar.h"
#include "toolkit/controls/controlrules.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/keyboard.h"
#include "toolkit/window/strings.h"

#include <iterator>

namespace hv::shell {

using namespace hv::tk;

namespace {

enum : int {
    kStrStartupViews = 40057,
    kStrAlarmVolumes = 40058,
    kStrChimeIntervals = 40080,
    kStrSkins = 40081,
    kStrTimeouts = 40082,
    kStrScreenSaverTab = 40083,
    kStrPreferences = 40106,
};

// The labels drawn beside the pages' controls, which name them too.
constexpr char16_t kLabelStartup[] = u"Startup View:";
constexpr char16_t kLabelVolume[] = u"Alarm Volume:";
constexpr char16_t kLabelWeek[] = u"Week numbering:";
constexpr char16_t kLabelInterval[] = u"Interval:";
constexpr char16_t kLabelSound[] = u"Sound:";
constexpr char16_t kLabelLeft[] = u"Left part:";
constexpr char16_t kLabelCentral[] = u"Central part:";
constexpr char16_t kLabelRight[] = u"Right part:";
constexpr char16_t kLabelSkin[] = u"Skin:";
constexpr char16_t kLabelTimeout[] = u"Time out:";
constexpr char16_t kGlobalTab[] = u"Global";
constexpr char16_t kStatusBarTab[] = u"Status bar";
constexpr char16_t kExceptionPrompt[] =
    u"Do not activate Screen Saver with the programs listed below running";

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The pages' text: labels, lists and boxes in one size that fits the label column.
constexpr int kPageFontCell = 20;
const QFont* pageFont() {
    static const QFont f = MakeFont(SDraw::fontFamily(), kPageFontCell, 400, true);
    return &f;
}

HWND withPageFont(HWND w) {
    if (w)
        w->setFont(*pageFont());
    return w;
}

// A stored index the list does not have selects its first entry.
int listIndex(int stringId, unsigned value) {
    const int count = ParseList(LoadStringResource(stringId)).count;
    return value < static_cast<unsigned>(count) ? static_cast<int>(value) : 0;
}

std::unique_ptr<DropList> makeList(HWND owner, const RECT& r, int stringId, unsigned value) {
    return std::make_unique<DropList>(owner, r, stringId, listIndex(stringId, value), pageFont());
}

uint8_t selectionOf(const DropList* list) {
    return static_cast<uint8_t>(list && list->selected() > 0 ? list->selected() : 0);
}

// Our windows and the platform's controls alike.
void showControl(HWND w, bool on) {
    if (w)
        w->setVisible(on);
}

} // namespace

void registerPreferencesStrings() {
    static const StringResource table[] = {
        {kStrStartupViews, u"Last Used\\General\\Digital Clock\\Analog Clock\\Alarms\\Timers\\"
                           u"Stopwatch\\Events\\World Time\\Moon Phases\\Sun rise/set\\City Time\\"
                           u"Internet Time\\Time Calc\\."},
        {kStrAlarmVolumes, u"Low\\Medium\\High\\."},
        {kStrChimeIntervals, u"5 minute\\10 minute\\15 minute\\20 minute\\30 minute\\1 hour\\."},
        {kStrSkins, u"Citizen like\\Casio like\\Ana-Digi like\\."},
        {kStrTimeouts, u"1 minute\\2 minute\\3 minute\\4 minute\\5 minute\\7 minute\\10 minute\\"
                       u"15 minute\\30 minute\\45 minute\\1 hour\\."},
        {kStrScreenSaverTab, u"Screen Saver"},
        {kStrPreferences, u"Preferences"},
        {40059, kStatusKindList},
    };
    static const bool once = [] {
        RegisterStrings(table, static_cast<int>(std::size(table)));
        return true;
    }();
    (void)once;
}

// ---- Pages -----------------------------------------------------------------------------------

PrefPage::PrefPage(HWND owner, const std::u16string& className) {
    Create(0, className, u"", WS_CHILD, kPrefPageRect.left, kPrefPageRect.top,
           kPrefPageRect.width(), kPrefPageRect.height(), owner, 0, nullptr);
}

PrefPage::~PrefPage() {
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

void PrefPage::setShown(bool on) {
    if (!IsWindow(hwnd()))
        return;
    if (on) {
        ShowWindow(hwnd(), SW_SHOW);
        if (!shownOnce_) {
            shownOnce_ = true;
            firstShow();
        }
        InvalidateRect(hwnd(), nullptr, true);
    } else {
        ShowWindow(hwnd(), SW_HIDE);
    }
}

void PrefPage::drawLabel(DC& dc, const std::u16string& text, const RECT& r) {
    dc.SelectFont(pageFont());
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kBlack);
    dc.DrawText(text, r, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

// ---- Global ----------------------------------------------------------------------------------

PrefGlobal::PrefGlobal(HWND owner) : PrefPage(owner, u"PrefGlobal") {
    const SettingsRecord& s = app().settings;
    startup_ = makeList(hwnd(), kStartupList, kStrStartupViews, s.startupView);
    volume_ = makeList(hwnd(), kVolumeList, kStrAlarmVolumes, s.alarmVolume);
    week_ = makeList(hwnd(), kWeekList, kStrWeekNumbering, s.weekNumbering);
    interval_ = makeList(hwnd(), kIntervalList, kStrChimeIntervals, s.chimeInterval);
    picker_ = std::make_unique<STFileList>(hwnd(), kSoundList);
    picker_->setFont(pageFont());
    picker_->setPath(app().chimeSound.empty() ? std::u16string(kDefaultSoundPath)
                                              : app().chimeSound);
    chimePending_ = s.chimeOn != 0;
    showControl(interval_->hwnd(), false);
    SetAccessibleLabel(hwnd(), kGlobalTab);
    SetAccessibleLabel(startup_->hwnd(), kLabelStartup);
    SetAccessibleLabel(volume_->hwnd(), kLabelVolume);
    SetAccessibleLabel(week_->hwnd(), kLabelWeek);
    SetAccessibleLabel(interval_->hwnd(), kLabelInterval);
    SetAccessibleLabel(picker_->hwnd(), kLabelSound);
}

PrefGlobal::~PrefGlobal() {
    picker_.reset();
    interval_.reset();
}

void PrefGlobal::firstShow() {
    chimeBox_ = withPageFont(CreateCheckBox(hwnd(), kIdChime, u"Chime", kChimeBox));
    SetChecked(chimeBox_, chimePending_);
    applyChime();
}

void PrefGlobal::setChime(bool on) {
    if (chimeBox_)
        SetChecked(chimeBox_, on);
    chimePending_ = on;
    applyChime();
}

void PrefGlobal::applyChime() {
    showControl(interval_->hwnd(), chimePending_);
    if (chimePending_) {
        picker_->show();
        if (!test_)
            test_ = CreatePushButton(hwnd(), kIdTest, u"Test", kTestButton, true);
    } else {
        picker_->hide();
        if (test_) {
            DestroyControl(test_);
            test_ = nullptr;
        }
    }
    // The two labels are drawn or painted white.
    InvalidateRect(hwnd(), &kIntervalLabel, true);
    InvalidateRect(hwnd(), &kSoundLabel, true);
}

void PrefGlobal::testSound() {
    if (picker_->selectedIndex() > 0)
        dev::current().sound().play(picker_->getPath());
}

void PrefGlobal::Paint(HDC hdc) {
    hdc->FillRect(RECT{0, 0, kPrefPageRect.width(), kPrefPageRect.height()}, kWhite);
    drawLabel(*hdc, kLabelStartup, kStartupLabel);
    drawLabel(*hdc, kLabelVolume, kVolumeLabel);
    drawLabel(*hdc, kLabelWeek, kWeekLabel);
    if (chimePending_) {
        drawLabel(*hdc, kLabelInterval, kIntervalLabel);
        drawLabel(*hdc, kLabelSound, kSoundLabel);
    }
}

LRESULT PrefGlobal::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == kIdChime) {
            chimePending_ = IsChecked(chimeBox_);
            applyChime();
            return 0;
        }
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == kIdTest) {
            testSound();
            return 0;
        }
        break;
    case WM_DRAWITEM:
        if (auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp)) {
            PaintOwnerDrawButton(res().buttons, *dis);
            return 1;
        }
        break;
    default:
        break;
    }
    return PrefPage::WindowProc(hwnd, msg, wp, lp);
}

// ---- Status bar ------------------------------------------------------------------------------

PrefStatusBar::PrefStatusBar(HWND owner) : PrefPage(owner, u"PrefStatusBar") {
    const SettingsRecord& s = app().settings;
    const uint32_t kinds[3] = {s.statusLeft, s.statusCentral, s.statusRight};
    for (int i = 0; i < 3; ++i)
        parts_[i] = makeList(hwnd(), kLists[i], 40059, kinds[i]);
    SetAccessibleLabel(hwnd(), kStatusBarTab);
    SetAccessibleLabel(parts_[0]->hwnd(), kLabelLeft);
    SetAccessibleLabel(parts_[1]->hwnd(), kLabelCentral);
    SetAccessibleLabel(parts_[2]->hwnd(), kLabelRight);
}

PrefStatusBar::~PrefStatusBar() = default;

void PrefStatusBar::Paint(HDC hdc) {
    hdc->FillRect(RECT{0, 0, kPrefPageRect.width(), kPrefPageRect.height()}, kWhite);
    drawLabel(*hdc, kLabelLeft, kLabels[0]);
    drawLabel(*hdc, kLabelCentral, kLabels[1]);
    drawLabel(*hdc, kLabelRight, kLabels[2]);
}

// ---- Screen Saver ----------------------------------------------------------------------------

PrefScreenSaver::PrefScreenSaver(HWND owner) : PrefPage(owner, u"PrefGlobal") {
    const SettingsRecord& s = app().settings;
    skin_ = makeList(hwnd(), kSkinList, kStrSkins, s.screenSaverSkin);
    timeout_ = makeList(hwnd(), kTimeoutList, kStrTimeouts, s.screenSaverTimeout);
    enabledPending_ = s.screenSaverOn != 0;
    showControl(skin_->hwnd(), false);
    showControl(timeout_->hwnd(), false);
    SetAccessibleLabel(hwnd(), LoadStringResource(kStrScreenSaverTab));
    SetAccessibleLabel(skin_->hwnd(), kLabelSkin);
    SetAccessibleLabel(timeout_->hwnd(), kLabelTimeout);
}

PrefScreenSaver::~PrefScreenSaver() {
    browser_.reset();
}

std::optional<bool> PrefScreenSaver::enabledChoice() const {
    if (!enableBox_)
        return std::nullopt;
    return IsChecked(enableBox_);
}

void PrefScreenSaver::firstShow() {
    enableBox_ =
        withPageFont(CreateCheckBox(hwnd(), kIdEnable, u"Enable Screen Saver", kEnableBox));
    SetChecked(enableBox_, enabledPending_);
    applyEnabled();
}

void PrefScreenSaver::setEnabled(bool on) {
    if (enableBox_)
        SetChecked(enableBox_, on);
    enabledPending_ = on;
    applyEnabled();
}

void PrefScreenSaver::applyEnabled() {
    showControl(skin_->hwnd(), enabledPending_);
    showControl(timeout_->hwnd(), enabledPending_);
    if (enabledPending_ && !list_)
        createExceptionDialog();
    showControl(list_ ? list_->hwnd() : nullptr, enabledPending_);
    showControl(add_, enabledPending_);
    showControl(delete_, enabledPending_);
    InvalidateRect(hwnd(), nullptr, true);
}

void PrefScreenSaver::createExceptionDialog() {
    list_ = std::make_unique<ListView>(hwnd(), kExceptionList, kIdList, ListView::Rows::Plain,
                                       kExceptionPrompt);
    withPageFont(list_->hwnd());
    list_->SetColumnWidth(0, kExceptionList.width() - kScrollBarWidth);
    list_->SetColumnWidth(1, 0); // the same text, hidden
    add_ = CreatePushButton(hwnd(), kIdAdd, u"Add...", kAddButton, true);
    delete_ = CreatePushButton(hwnd(), kIdDelete, u"Delete", kDeleteButton, true);
    EnableWindow(delete_, false);
    exceptions_.fill();
    refillList();
}

void PrefScreenSaver::refillList() {
    ListView* lv = list_.get();
    if (!lv)
        return;
    lv->DeleteAllItems();
    int i = 0;
    for (const std::u16string& name : exceptions_.entries()) {
        lv->InsertItem(i, name, i);
        lv->SetItemText(i, 1, name);
        ++i;
    }
}

void PrefScreenSaver::addProgram() {
    if (browser_ && browser_->isOpen())
        return;
    browser_ = std::make_unique<FolderBrowser>(hwnd(), FolderBrowser::Kind::Program);
    browser_->open([this](bool accepted) {
        if (!accepted || !browser_ || browser_->chosenName().empty())
            return;
        exceptions_.add(browser_->chosenName());
        refillList();
        EnableWindow(delete_, false);
    });
}

void PrefScreenSaver::deleteProgram() {
    ListView* lv = list_.get();
    if (!lv)
        return;
    exceptions_.selectionMark = lv->Selected();
    if (exceptions_.deleteSelected())
        refillList();
    EnableWindow(delete_, false);
}

void PrefScreenSaver::listTapped(int item) {
    ListView* lv = list_.get();
    if (!lv)
        return;
    const bool hit = item >= 0 && item < lv->ItemCount();
    if (hit && lv->Selected() != item)
        lv->SetSelected(item);
    EnableWindow(delete_, hit);
}

void PrefScreenSaver::Paint(HDC hdc) {
    hdc->FillRect(RECT{0, 0, kPrefPageRect.width(), kPrefPageRect.height()}, kWhite);
    if (!enabledPending_ || !shownOnce_)
        return;
    drawLabel(*hdc, kLabelSkin, kSkinLabel);
    drawLabel(*hdc, kLabelTimeout, kTimeoutLabel);
    hdc->SelectFont(pageFont());
    hdc->SetTextColor(kBlack);
    hdc->DrawText(kExceptionPrompt, kExceptionText, DT_LEFT | DT_WORDBREAK);
}

LRESULT PrefScreenSaver::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED) {
            switch (LOWORD(wp)) {
            case kIdEnable:
                enabledPending_ = IsChecked(enableBox_);
                applyEnabled();
                return 0;
            case kIdAdd:
                addProgram();
                return 0;
            case kIdDelete:
                deleteProgram();
                return 0;
            default:
                break;
            }
        }
        break;
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr && hdr->idFrom == kIdList && hdr->code == NM_CLICK)
            listTapped(reinterpret_cast<const NMLISTVIEW*>(lp)->iItem);
        return 0;
    }
    case WM_DRAWITEM:
        if (auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp)) {
            PaintOwnerDrawButton(res().buttons, *dis);
            return 1;
        }
        return 0;
    default:
        break;
    }
    return PrefPage::WindowProc(hwnd, msg, wp, lp);
}

// ---- The window ------------------------------------------------------------------------------

PreferencesDlg::PreferencesDlg(HWND mainWindow) {
    registerPreferencesStrings();
    if (!Create(0, u"BHVPreferences", LoadStringResource(kStrPreferences), WS_POPUP, 0, 0, 480, 640,
                mainWindow, 0, nullptr))
        return;
    tab_ = withPageFont(CreateTabControl(hwnd(), kIdTab, kPrefTabRect));
    TabInsertItem(tab_, 0, kGlobalTab);
    TabInsertItem(tab_, 1, kStatusBarTab);
    if (dev::current().shell().systemMajorVersion() >= 4)
        TabInsertItem(tab_, 2, LoadStringResource(kStrScreenSaverTab));
    TabSetCurSel(tab_, 0);
}

PreferencesDlg::~PreferencesDlg() {
    onClosed = nullptr;
    close();
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

int PreferencesDlg::tabCount() const {
    return dev::current().shell().systemMajorVersion() >= 4 ? 3 : 2;
}

int PreferencesDlg::currentTab() const {
    const int t = TabGetCurSel(tab_);
    return t >= 0 ? t : 0;
}

bool PreferencesDlg::open() {
    if (open_ || !IsWindow(hwnd()))
        return false;
    open_ = true;
    ShowWindow(hwnd(), SW_SHOW);
    BringWindowToTop(hwnd());
    global_ = std::make_unique<PrefGlobal>(hwnd());
    statusBar_ = std::make_unique<PrefStatusBar>(hwnd());
    if (tabCount() > 2)
        screenSaver_ = std::make_unique<PrefScreenSaver>(hwnd());
    showCurrentPage();
    ok_ = CreatePushButton(hwnd(), kIdOk, u"OK", kOkButton, true);
    cancelBtn_ = CreatePushButton(hwnd(), kIdCancel, u"Cancel", kCancelButton, true);
    InvalidateRect(hwnd(), nullptr, true);
    focus_.take(hwnd());
    return true;
}

bool PreferencesDlg::OnKeyDown(int key) {
    if (!open_)
        return false;
    return DialogKey(
        key, [this] { confirm(); }, [this] { cancel(); });
}

void PreferencesDlg::selectTab(int tab) {
    if (tab < 0 || tab >= tabCount())
        return;
    TabSetCurSel(tab_, tab);
    showCurrentPage();
}

void PreferencesDlg::showCurrentPage() {
    const int t = currentTab();
    if (global_)
        global_->setShown(t == kTabGlobal);
    if (statusBar_)
        statusBar_->setShown(t == kTabStatusBar);
    if (screenSaver_)
        screenSaver_->setShown(t == kTabScreenSaver);
}

void PreferencesDlg::confirm() {
    if (!open_)
        return;
    SettingsRecord& s = app().settings;
    s.alarmVolume = selectionOf(global_->volumeList());
    s.startupView = selectionOf(global_->startupList());
    s.weekNumbering = selectionOf(global_->weekList());
    s.statusLeft = selectionOf(statusBar_->partList(0));
    s.statusCentral = selectionOf(statusBar_->partList(1));
    s.statusRight = selectionOf(statusBar_->partList(2));
    s.chimeOn = global_->chimePending() ? 1 : 0;
    s.chimeInterval = selectionOf(global_->intervalList());
    app().chimeSound = global_->soundPicker()->getPath();
    writeChimeSound(); // a chime file that cannot be written is ignored
    ScreenSaverChoice choice;
    if (screenSaver_) {
        choice.skin = selectionOf(screenSaver_->skinList());
        choice.timeout = selectionOf(screenSaver_->timeoutList());
        choice.enabled = screenSaver_->enabledChoice();
        applyScreenSaverChoice(choice, screenSaver_->launcherSignals());
    } else {
        // Without the page the stored choice stays; the settings are saved all the same.
        LauncherSignals launcher;
        choice.skin = s.screenSaverSkin;
        choice.timeout = s.screenSaverTimeout;
        applyScreenSaverChoice(choice, launcher);
    }
    close();
}

void PreferencesDlg::cancel() {
    close();
}

void PreferencesDlg::close() {
    if (!open_)
        return;
    open_ = false;
    focus_.giveBack();
    if (IsWindow(hwnd()))
        ShowWindow(hwnd(), SW_HIDE);
    screenSaver_.reset();
    statusBar_.reset();
    global_.reset();
    for (HWND* b : {&ok_, &cancelBtn_}) {
        DestroyControl(*b);
        *b = nullptr;
    }
    if (onClosed)
        onClosed();
}

void PreferencesDlg::Paint(HDC hdc) {
    hdc->FillRect(RECT{0, 0, 480, 640}, kWhite);
    hdc->SelectFont(SDraw::font(kFontTitle));
    hdc->SetBkMode(TRANSPARENT);
    hdc->SetTextColor(kTitleColour);
    hdc->DrawText(LoadStringResource(kStrPreferences), kTitleRect,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    hdc->FillRect(kTitleBar, kBlack);
}

LRESULT PreferencesDlg::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == kIdOk) {
            confirm();
            return 0;
        }
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == kIdCancel) {
            cancel();
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr && hdr->code == TCN_SELCHANGE)
            showCurrentPage();
        return 0;
    }
    case WM_DRAWITEM:
        if (auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp)) {
            PaintOwnerDrawButton(res().buttons, *dis);
            return 1;
        }
        break;
    default:
        break;
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

// ---- Accessibility ---------------------------------------------------------------------------

tk::Accessible PreferencesDlg::accessibility() const {
    tk::Accessible a;
    a.role = QAccessible::Dialog;
    a.name = windowTitle();
    return a;
}

} // namespace hv::shell

#include "items/ui/itemsettingswindow.h"

#include "device/text.h"
#include "items/ui/alarmstexts.h"
#include "toolkit/platform/platform.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/keyboard.h"

namespace hv::itemsui {

using namespace hv::tk;
using namespace settingslayout;

const QFont* dialogFont(bool bold) {
    static const QFont normal = MakeFont(SDraw::fontFamily(), kDialogFontHeight, 400, true);
    static const QFont heavy = MakeFont(SDraw::fontFamily(), kDialogFontHeight, 700, true);
    return bold ? &heavy : &normal;
}

ItemSettingsWindow::ItemSettingsWindow(HWND owner, SettingsLayout layout, const char16_t* className)
    : owner_(owner), layout_(std::move(layout)) {
    registerItemsStrings();
    QObject::connect(&soundTestTimer_, &QTimer::timeout, this, [this] { soundTestBeat(); });
    // Created hidden; "Settings..." (or "Set...") shows it.
    if (!Create(0, className, u"", WS_CHILD, kWindow.left, kWindow.top,
                kWindow.right - kWindow.left, kWindow.bottom - kWindow.top, owner, 0, nullptr))
        return;
    createShared();
}

ItemSettingsWindow::~ItemSettingsWindow() {
    soundTest_.stop();
    sound_.reset();
    repeat_.reset();
    pause_.reset();
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

void ItemSettingsWindow::createShared() {
    const QFont* text = dialogFont();
    sound_ = std::make_unique<STFileList>(hwnd(), layout_.soundPicker, kIdSoundPicker);
    repeat_ = std::make_unique<DropList>(hwnd(), layout_.repeatList, kStrRepeatCounts, 0, text,
                                         kIdRepeatList);
    pause_ =
        std::make_unique<DropList>(hwnd(), layout_.pauseList, kStrPauses, 0, text, kIdPauseList);
    test_ = CreatePushButton(hwnd(), kIdTest, kTextTest, layout_.testButton);
    note_ = CreateEdit(hwnd(), kIdNote, u"", kNoteEdit, false, kNoteChars);
    showDescription_ =
        CreateCheckBox(hwnd(), kIdShowDescription, kTextShowDescription, kShowDescription);
    reset_ = CreatePushButton(hwnd(), kIdReset, kTextReset, kResetButton);
    ok_ = CreatePushButton(hwnd(), kIdOk, kTextOk, kOkButton);
    cancel_ = CreatePushButton(hwnd(), kIdCancel, kTextCancel, kCancelButton);
    for (HWND h : {note_, showDescription_, test_, reset_, ok_, cancel_})
        if (h && text)
            h->setFont(*text);
    SetAccessibleLabel(repeat_->hwnd(), kTextRepeat);
    SetAccessibleLabel(pause_->hwnd(), kTextPause);
    SetAccessibleLabel(note_, kTextNote);
}

HWND ItemSettingsWindow::control(int id) const {
    switch (id) {
    case kIdOk:
        return ok_;
    case kIdCancel:
        return cancel_;
    case kIdReset:
        return reset_;
    case kIdNote:
        return note_;
    case kIdShowDescription:
        return showDescription_;
    case kIdTest:
        return test_;
    default:
        return nullptr;
    }
}

bool ItemSettingsWindow::isOpen() const {
    return IsWindow(hwnd()) && IsWindowVisible(hwnd());
}

void ItemSettingsWindow::openWith(const std::u16string& soundPath, const std::u16string& note,
                                  bool showDescription, uint8_t repeatIndex, uint8_t pauseIndex) {
    sound_->setPath(soundPath);
    sound_->show();
    SetWindowText(note_, note.substr(0, kNoteChars));
    SetChecked(showDescription_, showDescription);
    // A damaged record's index beyond the list leaves the list on its first entry.
    if (!repeat_->SetSelected(repeatIndex))
        repeat_->SetSelected(0);
    if (!pause_->SetSelected(pauseIndex))
        pause_->SetSelected(0);
    ShowWindow(hwnd(), SW_SHOW);
    BringWindowToTop(hwnd());
    InvalidateRect(hwnd(), nullptr, true);
    focus_.take(hwnd());
}

std::u16string ItemSettingsWindow::note() const {
    return GetWindowText(note_).substr(0, kNoteChars);
}
bool ItemSettingsWindow::showDescription() const {
    return IsChecked(showDescription_);
}
uint8_t ItemSettingsWindow::repeatIndex() const {
    return static_cast<uint8_t>(std::max(0, repeat_->selected()));
}
uint8_t ItemSettingsWindow::pauseIndex() const {
    return static_cast<uint8_t>(std::max(0, pause_->selected()));
}
uint32_t ItemSettingsWindow::soundIndex() const {
    return static_cast<uint32_t>(std::max(0, sound_->selectedIndex()));
}
std::u16string ItemSettingsWindow::soundPath() const {
    return sound_->getPath();
}

void ItemSettingsWindow::reset() {
    SetWindowText(note_, u"");
    SetChecked(showDescription_, false);
    repeat_->SetSelected(0);
    pause_->SetSelected(0);
    // The sound folder goes back to \Windows; the list keeps the sound of the same name there.
    sound_->setFolder(items::kSoundFolder);
    resetOwn();
    InvalidateRect(hwnd(), nullptr, true);
}

void ItemSettingsWindow::close(bool ok) {
    stopSoundTest();
    if (ok)
        confirm();
    sound_->hide();
    focus_.giveBack();
    ShowWindow(hwnd(), SW_HIDE);
    if (onClosed)
        onClosed(ok);
}

void ItemSettingsWindow::cancel() {
    if (isOpen())
        close(false);
}

void ItemSettingsWindow::toggleSoundTest() {
    // The window stays responsive while the sound plays: a second tap stops it.
    if (soundTest_.running()) {
        stopSoundTest();
        return;
    }
    soundTest_.start(currentSoundTest());
    if (!soundTest_.running())
        return;
    SetWindowText(test_, kTextStopTest);
    soundTestTimer_.start(kTestTimerMs);
}

void ItemSettingsWindow::stopSoundTest() {
    soundTest_.stop();
    soundTestTimer_.stop();
    SetWindowText(test_, kTextTest);
}

void ItemSettingsWindow::soundTestBeat() {
    if (!soundTest_.tick()) {
        soundTestTimer_.stop();
        SetWindowText(test_, kTextTest);
    }
}

LRESULT ItemSettingsWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND) {
        const int id = static_cast<int>(wp & 0xffff);
        switch (id) {
        case kIdOk:
            close(true);
            return 0;
        case kIdCancel:
            close(false);
            return 0;
        case kIdReset:
            reset();
            return 0;
        case kIdTest:
            toggleSoundTest();
            return 0;
        default:
            if (ownCommand(id))
                return 0;
            break;
        }
    }
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

bool ItemSettingsWindow::OnKeyDown(int key) {
    if (!isOpen())
        return false;
    return DialogKey(
        key, [this] { close(true); }, [this] { close(false); });
}

void ItemSettingsWindow::Paint(HDC hdc) {
    hdc->FillRect(GetClientRect(hwnd()), colour(kColourWhite));
    paintTitle(*hdc);
    paintBars(*hdc);
    paintLabels(*hdc);
    paintOwn(*hdc);
}

void ItemSettingsWindow::paintTitle(DC& dc) {
    dc.SelectFont(SDraw::font(kFontTextBold));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourBlue));
    dc.DrawText(itemsString(layout_.titleString), kTitle, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

void ItemSettingsWindow::paintBars(DC& dc) {
    dc.FillRect(kBlackBar, kBlack);
    for (const RECT& r : layout_.greyBars)
        dc.FillRect(r, kGreyBar);
    dc.FillRect(kButtonsBar, kGreyBar);
}

void ItemSettingsWindow::paintLabels(DC& dc) {
    dc.SelectFont(dialogFont());
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    constexpr UINT kRight = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;
    for (const SettingsLabel& l : layout_.labels)
        dc.DrawText(l.text, l.rect, kRight);
    dc.DrawText(kTextNote, kNoteLabel, kRight);
}

// ---- Accessibility ---------------------------------------------------------------------------

tk::Accessible ItemSettingsWindow::accessibility() const {
    tk::Accessible a;
    a.role = QAccessible::Dialog;
    a.name = dev::toQString(itemsString(layout_.titleString));
    return a;
}

} // namespace hv::itemsui

#include "items/ui/eventseditdlg.h"

#include "items/ui/itemsuistrings.h"
#include "toolkit/platform/platform.h"
#include "toolkit/window/accessible.h"
#include "toolkit/window/keyboard.h"
#include "toolkit/window/strings.h"

#include <QTimer>

#include <algorithm>

namespace hv::itemsui {

// The labels drawn beside the controls, which name them too.
constexpr char16_t kLabelName[] = u"Event name:";
constexpr char16_t kLabelWhen[] = u"Event date & time:";
constexpr char16_t kLabelDate[] = u"Date:";
constexpr char16_t kLabelTime[] = u"Time:";
constexpr char16_t kLabelSound[] = u"Event sound:";
constexpr char16_t kLabelRepeat[] = u"Repeat:";
constexpr char16_t kLabelPause[] = u"Pause:";

using namespace hv::tk;
using namespace eventdlglayout;

namespace {

constexpr UINT kLeftLine = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr UINT kRightLine = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;

} // namespace

EventsEditDlg::EventsEditDlg(HWND parent, items::Events& events, items::EventDraft draft,
                             std::function<void(bool)> onClose)
    : events_(events), draft_(std::move(draft)), onClose_(std::move(onClose)) {
    registerItemsUiStrings();
    QObject::connect(&soundTestTimer_, &QTimer::timeout, this, [this] { soundTestBeat(); });
    const RECT area = GetClientRect(parent);
    if (!Create(0, u"EventsEditDlg", LoadStringResource(kStrEventSettings), WS_CHILD | WS_VISIBLE,
                0, 0, area.width(), area.height(), parent, 0, nullptr))
        return;
    createControls();
    BringWindowToTop(hwnd());
    focus_.take(hwnd());
}

EventsEditDlg::~EventsEditDlg() {
    soundTest_.stop();
    note_.reset();
    panels_.clear();
    sound_.reset();
    repeat_.reset();
    pause_.reset();
    date_.reset();
    time_.reset();
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

void EventsEditDlg::createControls() {
    name_ = CreateEdit(hwnd(), kIdName, items::textOf(draft_.record.name), kNameEdit, false,
                       kNameLength);
    if (name_ && SDraw::font(kFontText))
        name_->setFont(*SDraw::font(kFontText));
    date_ = std::make_unique<DatePicker>(hwnd(), kDatePicker.left, kDatePicker.top,
                                         kDatePicker.width(), kDatePicker.height(), nullptr, false);
    date_->SetDate(draft_.date);
    time_ = std::make_unique<TimePicker>(hwnd(), kTimePicker.left, kTimePicker.top,
                                         kTimePicker.width(), kTimePicker.height(), nullptr, false);
    dev::SystemTime t = draft_.date;
    t.hour = draft_.hour;
    t.minute = draft_.minute;
    time_->SetTime(t);
    // The picker selects the event's sound file by name (the stored index follows the list).
    sound_ = std::make_unique<STFileList>(hwnd(), kSoundPicker, kIdSound);
    sound_->setPath(draft_.soundPath);
    sound_->show();
    repeat_ = std::make_unique<DropList>(hwnd(), kRepeatList, kStrRepeatCounts,
                                         std::min<int>(draft_.record.repeatIndex, 4),
                                         SDraw::font(kFontText));
    pause_ = std::make_unique<DropList>(hwnd(), kPauseList, kStrPauses,
                                        std::min<int>(draft_.record.pauseIndex, 4),
                                        SDraw::font(kFontText));
    SetAccessibleLabel(name_, kLabelName);
    SetAccessibleLabel(date_->hwnd(), kLabelDate);
    SetAccessibleLabel(time_->hwnd(), kLabelTime);
    SetAccessibleLabel(sound_->hwnd(), kLabelSound);
    SetAccessibleLabel(repeat_->hwnd(), kLabelRepeat);
    SetAccessibleLabel(pause_->hwnd(), kLabelPause);
    const std::vector<std::vector<PanelButton>> groups = {
        {{kIdNote, u"Note", kNoteButton}},
        {{kIdTest, u"Test", kTestButton}},
        {{kIdOk, u"OK", kOkButton}, {kIdCancel, u"Cancel", kCancelButton}}};
    for (const auto& group : groups)
        panels_.push_back(
            std::make_unique<CommandPanel>(hwnd(), group, [this](int id) { command(id); }));
}

CommandPanel* EventsEditDlg::buttons(int id) const {
    for (const auto& p : panels_)
        if (p->button(id))
            return p.get();
    return nullptr;
}

void EventsEditDlg::Paint(HDC hdc) {
    hdc->FillRect(GetClientRect(hwnd()), colour(kColourWhite));
    paintTitle(*hdc);
    paintBars(*hdc);
    paintLabels(*hdc);
}

void EventsEditDlg::paintTitle(DC& dc) {
    dc.SelectFont(SDraw::font(kFontTitle));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourBlue));
    dc.DrawText(LoadStringResource(kStrEventSettings), kTitle, kLeftLine);
}

void EventsEditDlg::paintBars(DC& dc) {
    dc.FillRect(kBlackBar, colour(kColourBlack));
    for (const RECT& r : kGreyBars)
        dc.FillRect(r, kGrey);
}

void EventsEditDlg::paintLabels(DC& dc) {
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour(kColourText));
    dc.SelectFont(SDraw::font(kFontTextBold));
    dc.DrawText(kLabelName, kNameLabel, kLeftLine);
    dc.DrawText(kLabelWhen, kWhenLabel, kLeftLine);
    drawFittingLabel(dc, kLabelDate, kDateLabel);
    drawFittingLabel(dc, kLabelTime, kTimeLabel);
    drawFittingLabel(dc, kLabelSound, kSoundLabel);
    drawFittingLabel(dc, kLabelRepeat, kRepeatLabel);
    drawFittingLabel(dc, kLabelPause, kPauseLabel);
}

void EventsEditDlg::drawFittingLabel(DC& dc, std::u16string_view text, const RECT& r) {
    // A label wider than its column takes the smaller text font rather than being cut.
    dc.SelectFont(SDraw::font(kFontText));
    if (dc.GetTextExtent(text).x > r.width())
        dc.SelectFont(SDraw::font(kFontSmallText));
    dc.DrawText(text, r, kRightLine);
}

void EventsEditDlg::soundTestBeat() {
    if (!soundTest_.tick())
        soundTestTimer_.stop();
}

bool EventsEditDlg::OnKeyDown(int key) {
    if (closed_)
        return false;
    return tk::DialogKey(
        key, [this] { ok(); }, [this] { cancel(); });
}

void EventsEditDlg::command(int id) {
    switch (id) {
    case kIdOk:
        ok();
        break;
    case kIdCancel:
        cancel();
        break;
    case kIdNote:
        openNote();
        break;
    case kIdTest:
        test();
        break;
    default:
        break;
    }
}

void EventsEditDlg::readControls() {
    items::setText(draft_.record.name, name_ ? GetWindowText(name_) : std::u16string());
    draft_.record.soundIndex = static_cast<uint32_t>(std::max(0, sound_->selectedIndex()));
    draft_.soundPath = sound_->getPath();
    draft_.record.repeatIndex = static_cast<uint8_t>(std::max(0, repeat_->selected()));
    draft_.record.pauseIndex = static_cast<uint8_t>(std::max(0, pause_->selected()));
    draft_.date = date_->GetDate();
    const dev::SystemTime t = time_->GetTime();
    draft_.hour = t.hour;
    draft_.minute = t.minute;
}

bool EventsEditDlg::ok() {
    if (closed_)
        return false;
    soundTest_.stop();
    readControls();
    const bool stored = events_.registerEvent(draft_);
    // A new event the table could not take (its file held by another program) keeps its window
    // open with everything typed, so that OK can be tried again; the store said why.
    if (!stored && draft_.index < 0)
        return false;
    close(stored);
    return stored;
}

void EventsEditDlg::cancel() {
    soundTest_.stop();
    close(false);
}

void EventsEditDlg::close(bool stored) {
    if (closed_)
        return;
    closed_ = true;
    focus_.giveBack();
    ShowWindow(hwnd(), SW_HIDE);
    if (onClose_)
        onClose_(stored);
}

void EventsEditDlg::openNote() {
    if (note_)
        return;
    note_ = std::make_unique<NoteWindow>(hwnd(), events_, draft_.record, [this] {
        // The window goes once its OK has returned.
        QTimer::singleShot(0, hwnd(), [this] { note_.reset(); });
    });
}

void EventsEditDlg::test() {
    // A second press ends a test that still runs.
    if (soundTest_.running()) {
        soundTest_.stop();
        soundTestTimer_.stop();
        return;
    }
    readControls();
    soundTest_.start(draft_.soundTest());
    if (soundTest_.running())
        soundTestTimer_.start(kTestTimerMs);
}

} // namespace hv::itemsui

#include "toolkit/controls/soundpicker.h"

#include "device/files.h"
#include "device/text.h"
#include "settings/soundpath.h"

namespace hv::tk {

namespace {

constexpr char16_t kNone[] = u"None";

} // namespace

STFileList::STFileList(HWND parent, const RECT& listRect, uintptr_t id)
    : parent_(parent), listRect_(listRect), id_(id) {
    Create(0, u"STFileList", u"", WS_CHILD, listRect.left - kLeftMargin, listRect.top,
           listRect.width() + kLeftMargin + kRightExtra, listRect.height() + kBottomExtra, parent,
           id, nullptr);
}

STFileList::~STFileList() {
    browser_.reset();
    list_.reset();
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

void STFileList::setPath(const std::u16string& path) {
    const size_t slash = path.rfind(u'\\');
    std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    folder_ = slash == std::u16string::npos ? path : path.substr(0, slash);
    const size_t dot = name.find(u'.');
    if (dot != std::u16string::npos)
        name.resize(dot);
    if (name.size() > kMaxNameChars)
        name.resize(kMaxNameChars);
    itemName_ = std::move(name);
    folderSet_ = true;
    rebuild();
    if (list_ || shown_)
        makeList();
    select();
}

void STFileList::setFolder(const std::u16string& folder) {
    folder_ = folder;
    while (folder_.size() > 1 && folder_.back() == u'\\')
        folder_.pop_back();
    if (folder_ == u"\\")
        folder_.clear(); // the root: entries read "\name.wav"
    folderSet_ = true;
    rebuild();
    if (list_ || shown_)
        makeList();
    select();
}

void STFileList::rebuild() {
    SoundList list = soundListOf(folder_);
    files_ = std::move(list.files);
    names_ = std::move(list.names);
    listText_ = kNone;
    listText_ += u'\\';
    for (const std::u16string& n : names_)
        listText_ += n + u"\\";
    listText_ += u'.';
}

void STFileList::select() {
    selected_ = 0;
    for (size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == itemName_) {
            selected_ = static_cast<int>(i) + 1;
            break;
        }
    if (selected_ == 0)
        itemName_ = kNone;
    if (list_) {
        list_->SetSelected(selected_);
        InvalidateRect(list_->hwnd(), nullptr, true);
    }
}

void STFileList::makeList() {
    list_.reset();
    const RECT inside{kLeftMargin, 0, kLeftMargin + listRect_.width(), listRect_.height()};
    list_ = std::make_unique<DropList>(hwnd(), inside, listText_, selected_,
                                       font_ ? font_ : SDraw::font(kFontText), kIdList);
}

void STFileList::show() {
    if (!IsWindow(hwnd()))
        return;
    if (!list_ && folderSet_)
        makeList();
    if (!custom_) {
        const int left = kLeftMargin + listRect_.width() + kCustomGap;
        custom_ = CreatePushButton(hwnd(), kIdCustom, u"Custom",
                                   RECT{left, 0, kLeftMargin + listRect_.width() + kRightExtra,
                                        listRect_.height() + kBottomExtra},
                                   true);
    }
    shown_ = true;
    ShowWindow(hwnd(), SW_SHOW);
    if (list_)
        ShowWindow(list_->hwnd(), SW_SHOW);
    ShowWindow(custom_, SW_SHOW);
}

void STFileList::hide() {
    shown_ = false;
    if (list_ && list_->list())
        list_->list()->Dismiss();
    if (IsWindow(hwnd()))
        ShowWindow(hwnd(), SW_HIDE);
}

std::u16string STFileList::entry(int index) const {
    if (index == 0)
        return kNone;
    if (index < 0 || index > static_cast<int>(names_.size()))
        return {};
    return names_[static_cast<size_t>(index - 1)];
}

std::u16string STFileList::getPath() const {
    // The file as listed, so its extension keeps its letter case.
    const std::u16string file = selected_ > 0 && selected_ <= static_cast<int>(files_.size())
                                    ? files_[static_cast<size_t>(selected_ - 1)]
                                    : std::u16string(kNone) + u".wav";
    return folder_ + u"\\" + file;
}

int STFileList::selectedIndex() const {
    return selected_;
}

void STFileList::setSelectedIndex(int index) {
    if (index < 0 || index >= count())
        return;
    selected_ = index;
    itemName_ = entry(index);
    if (list_) {
        list_->SetSelected(index);
        InvalidateRect(list_->hwnd(), nullptr, true);
    }
}

void STFileList::openCustom() {
    if (browser_ && browser_->isOpen())
        return;
    browser_ = std::make_unique<FolderBrowser>(hwnd(), FolderBrowser::Kind::SoundFolder);
    if (list_)
        ShowWindow(list_->hwnd(), SW_HIDE);
    if (!browser_->open([this](bool accepted) { onBrowserDone(accepted); }))
        onBrowserDone(false);
}

void STFileList::onBrowserDone(bool accepted) {
    if (accepted && browser_) {
        if (browser_->chosenIsFolder())
            setFolder(browser_->chosenPath());
        else
            setPath(browser_->chosenPath());
        SendMessage(parent_, kMsgChanged, id_, reinterpret_cast<LPARAM>(hwnd()));
    }
    if (shown_ && list_)
        ShowWindow(list_->hwnd(), SW_SHOW);
}

LRESULT STFileList::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kMsgChanged:
        if (list_ && list_->selected() >= 0 && list_->selected() != selected_) {
            selected_ = list_->selected();
            itemName_ = entry(selected_);
            SendMessage(parent_, kMsgChanged, id_, reinterpret_cast<LPARAM>(hwnd));
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == kIdCustom && HIWORD(wp) == BN_CLICKED) {
            openCustom();
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
    return SWindow::WindowProc(hwnd, msg, wp, lp);
}

// ---- Accessibility ---------------------------------------------------------------------------

Accessible STFileList::accessibility() const {
    Accessible a;
    a.role = QAccessible::Grouping;
    a.name = windowTitle();
    a.value = dev::toQString(entry(selectedIndex()));
    return a;
}

} // namespace hv::tk

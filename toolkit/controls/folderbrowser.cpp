#include "toolkit/controls/folderbrowser.h"

#include "device/device.h"
#include "device/files.h"
#include "device/text.h"
#include "device/wordsort.h"
#include "toolkit/window/accessible.h"

#include <QEvent>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QPointer>

#include <algorithm>

namespace hv::tk {

namespace {

// The platform's debugger output of the browsers: off unless asked for with
// QT_LOGGING_RULES="horavel.folderbrowser.debug=true".
Q_LOGGING_CATEGORY(lcBrowser, "horavel.folderbrowser", QtWarningMsg)

void debugOutput(const char* line) {
    qCDebug(lcBrowser, "%s", line);
}

constexpr char16_t kSoundHeading[] = u"Sound folder selection";
constexpr char16_t kProgramHeading[] = u"Select EXE"; // string 40122

bool endsWithNoCase(std::u16string_view name, std::u16string_view suffix) {
    if (name.size() < suffix.size())
        return false;
    const std::u16string_view tail = name.substr(name.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i) {
        char16_t c = tail[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

} // namespace

FolderBrowser::FolderBrowser(HWND owner, Kind kind) : owner_(owner), kind_(kind) {
    images_ = LoadStrip(kTreeImageResource, 5, true, RGB(0, 255, 0));
}

FolderBrowser::~FolderBrowser() {
    done_ = nullptr;
    if (IsWindow(hwnd()))
        DestroyWindow(hwnd());
}

bool FolderBrowser::listsFile(Kind kind, std::u16string_view name) {
    return endsWithNoCase(name, kind == Kind::SoundFolder ? u".wav" : u".exe");
}

bool FolderBrowser::open(Done done) {
    if (isOpen())
        return false;
    if (!IsWindow(hwnd())) {
        if (!owner_ || !Create(0, kind_ == Kind::SoundFolder ? u"SoundFolderDlg" : u"SelectExeDlg",
                               kind_ == Kind::SoundFolder ? kSoundHeading : kProgramHeading,
                               WS_POPUP | WS_VISIBLE, 0, 0, 480, 640, owner_, 0, nullptr))
            return false;
        createControls();
    } else {
        ShowWindow(hwnd(), SW_SHOW);
    }
    BringWindowToTop(hwnd());
    done_ = std::move(done);
    chosenPath_.clear();
    chosenName_.clear();
    chosenIsFolder_ = false;
    open_ = true;
    if (root_)
        TreeExpand(tree_, root_);
    focus_.take(tree_ ? tree_ : hwnd());
    return true;
}

bool FolderBrowser::exec() {
    bool accepted = false;
    QEventLoop loop;
    QPointer<QEventLoop> guard(&loop);
    if (!open([&accepted, guard](bool ok) {
            accepted = ok;
            if (guard)
                guard->quit();
        }))
        return false;
    loop.exec();
    return accepted;
}

bool FolderBrowser::isOpen() const {
    return open_ && IsWindow(hwnd());
}

void FolderBrowser::end(bool accepted) {
    if (!open_)
        return;
    open_ = false;
    focus_.giveBack();
    if (IsWindow(hwnd()))
        ShowWindow(hwnd(), SW_HIDE);
    if (Done done = std::move(done_)) {
        done_ = nullptr;
        done(accepted);
    }
}

void FolderBrowser::createControls() {
    HWND self = hwnd();
    tree_ = CreateTreeView(self, kIdTree, kTreeRect);
    if (tree_)
        tree_->installEventFilter(this);
    SetAccessibleLabel(tree_, GetWindowText(self));
    TreeSetImages(tree_, &images_);
    if (kind_ == Kind::SoundFolder) {
        ok_ = CreatePushButton(self, kIdOk, u"OK", kOkRect, true);
        test_ = CreatePushButton(self, kIdTest, u"Test", kTestRect, true);
        EnableWindow(ok_, false);
        EnableWindow(test_, false);
    }
    cancel_ = CreatePushButton(self, kIdCancel, u"Cancel", kCancelRect, true);
    filling_ = true;
    root_ = TreeInsertItem(tree_, nullptr, u"\\", kParamFolder, kImageFolder);
    TreeSetHasChildren(tree_, root_, true);
    if (kind_ == Kind::Program) {
        running_ = TreeInsertItem(tree_, nullptr, kRunningPrograms, kParamRunning, kImageFolder);
        TreeSetHasChildren(tree_, running_, true);
    }
    filling_ = false;
}

void FolderBrowser::fillRunning() {
    filling_ = true;
    TreeDeleteChildren(tree_, running_);
    std::vector<std::u16string> names = dev::current().shell().userProgramNames();
    std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
        return dev::compareWordSort(a, b) < 0;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (const std::u16string& name : names)
        TreeInsertItem(tree_, running_, name, kParamFile, kImageProgram);
    TreeSetHasChildren(tree_, running_, !names.empty());
    filling_ = false;
}

std::u16string FolderBrowser::itemPath(HTREEITEM item) const {
    if (!item)
        return {};
    std::vector<std::u16string> names;
    for (HTREEITEM i = item; i && i != root_ && i != running_; i = TreeGetParent(tree_, i))
        names.push_back(TreeGetItemText(tree_, i));
    std::u16string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        path += u"\\" + *it;
    return path.empty() ? std::u16string(u"\\") : path;
}

bool FolderBrowser::itemIsFolder(HTREEITEM item) const {
    return item && (TreeGetItemParam(tree_, item) == kParamFolder ||
                    TreeGetItemParam(tree_, item) == kParamRunning);
}

void FolderBrowser::fill(HTREEITEM folder) {
    filling_ = true;
    TreeDeleteChildren(tree_, folder);
    const auto entries = dev::listFolder(itemPath(folder));
    if (!entries)
        debugOutput("FindFirstFile returned invalid handle");
    int shown = 0;
    if (entries) {
        for (const dev::FolderEntry& e : *entries) {
            if (e.folder) {
                HTREEITEM child = TreeInsertItem(tree_, folder, e.name, kParamFolder, kImageFolder);
                TreeSetHasChildren(tree_, child, true);
                ++shown;
            } else if (listsFile(kind_, e.name)) {
                TreeInsertItem(tree_, folder, e.name, kParamFile,
                               kind_ == Kind::SoundFolder ? kImageSound : kImageProgram);
                ++shown;
            }
        }
    }
    if (shown == 0 && !TreeSetHasChildren(tree_, folder, false))
        debugOutput("ERROR: setting item for no children.\r\n");
    filling_ = false;
}

std::vector<std::u16string> FolderBrowser::childNames(HTREEITEM folder) {
    std::vector<std::u16string> out;
    if (!itemIsFolder(folder))
        return out;
    if (!TreeIsExpanded(tree_, folder))
        TreeExpand(tree_, folder);
    for (HTREEITEM child : TreeGetChildren(tree_, folder))
        out.push_back(TreeGetItemText(tree_, child));
    return out;
}

HTREEITEM FolderBrowser::findPath(std::u16string_view path) {
    HTREEITEM at = root_;
    size_t pos = 0;
    while (at && pos < path.size()) {
        if (path[pos] == u'\\') {
            ++pos;
            continue;
        }
        const size_t next = path.find(u'\\', pos);
        const std::u16string_view name =
            path.substr(pos, next == std::u16string_view::npos ? path.size() - pos : next - pos);
        pos = next == std::u16string_view::npos ? path.size() : next;
        if (!itemIsFolder(at))
            return nullptr;
        if (!TreeIsExpanded(tree_, at))
            TreeExpand(tree_, at);
        HTREEITEM found = nullptr;
        for (HTREEITEM child : TreeGetChildren(tree_, at))
            if (TreeGetItemText(tree_, child) == name) {
                found = child;
                break;
            }
        at = found;
    }
    return at;
}

void FolderBrowser::tapItem(HTREEITEM item) {
    if (item)
        TreeSelectItem(tree_, item);
}

void FolderBrowser::onExpanding(const NMTREEVIEW& nm) {
    if (filling_ || !nm.item)
        return;
    if (nm.action == TVE_EXPAND) {
        debugOutput("Item expanding\r\n");
        if (nm.item == running_)
            fillRunning();
        else
            fill(nm.item);
    } else if (nm.action == TVE_COLLAPSE) {
        debugOutput("Item collapsing\r\n");
        filling_ = true;
        TreeDeleteChildren(tree_, nm.item);
        TreeSetHasChildren(tree_, nm.item, true);
        filling_ = false;
        debugOutput("Item collapsed\r\n");
    }
}

void FolderBrowser::onSelection() {
    if (filling_ || !open_)
        return;
    HTREEITEM item = TreeGetSelection(tree_);
    if (!item)
        return;
    const bool folder = itemIsFolder(item);
    if (kind_ == Kind::SoundFolder) {
        EnableWindow(ok_, true);
        EnableWindow(test_, !folder && listsFile(kind_, TreeGetItemText(tree_, item)));
        return;
    }
    if (!folder && !keySelecting_) {
        chosenPath_ = itemPath(item);
        chosenName_ = TreeGetItemText(tree_, item);
        chosenIsFolder_ = false;
        end(true);
    }
}

void FolderBrowser::testSelected() {
    HTREEITEM item = TreeGetSelection(tree_);
    if (item && !itemIsFolder(item) && listsFile(Kind::SoundFolder, TreeGetItemText(tree_, item)))
        dev::current().sound().play(itemPath(item));
}

void FolderBrowser::accept() {
    HTREEITEM item = TreeGetSelection(tree_);
    if (!item)
        return;
    chosenPath_ = itemPath(item);
    chosenName_ = TreeGetItemText(tree_, item);
    chosenIsFolder_ = itemIsFolder(item);
    end(true);
}

bool FolderBrowser::OnKeyDown(int key) {
    if (!open_)
        return false;
    if (key == VK_ESCAPE) {
        end(false);
        return true;
    }
    if (key != VK_RETURN)
        return false;
    HTREEITEM item = TreeGetSelection(tree_);
    if (kind_ == Kind::SoundFolder) {
        if (IsWindowEnabled(ok_))
            accept();
    } else if (item && !itemIsFolder(item)) {
        accept();
    }
    return true;
}

bool FolderBrowser::eventFilter(QObject* obj, QEvent* ev) {
    if (obj == tree_ && ev->type() == QEvent::KeyPress)
        keySelecting_ = true;
    else if (obj == tree_ && (ev->type() == QEvent::KeyRelease || ev->type() == QEvent::FocusOut))
        keySelecting_ = false;
    return SWindow::eventFilter(obj, ev);
}

void FolderBrowser::Paint(HDC hdc) {
    hdc->FillRect(RECT{0, 0, 480, 640}, RGB(255, 255, 255));
    hdc->SelectFont(SDraw::font(kFontTitle));
    hdc->SetBkMode(TRANSPARENT);
    hdc->SetTextColor(kHeadingColour);
    hdc->DrawText(kind_ == Kind::SoundFolder ? kSoundHeading : kProgramHeading, kHeadingRect,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    hdc->FillRect(kHeadingBar, RGB(0, 0, 0));
}

LRESULT FolderBrowser::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED) {
            switch (LOWORD(wp)) {
            case kIdOk:
                accept();
                return 0;
            case kIdCancel:
                end(false);
                return 0;
            case kIdTest:
                testSelected();
                return 0;
            default:
                break;
            }
        }
        break;
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr && hdr->code == TVN_SELCHANGED)
            onSelection();
        else if (hdr && hdr->code == TVN_ITEMEXPANDING)
            onExpanding(*reinterpret_cast<const NMTREEVIEW*>(lp));
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

Accessible FolderBrowser::accessibility() const {
    Accessible a;
    a.role = QAccessible::Dialog;
    a.name = windowTitle();
    return a;
}

} // namespace hv::tk

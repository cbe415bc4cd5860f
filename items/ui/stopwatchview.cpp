#include "items/ui/stopwatchview.h"

#include "items/ui/itemsuistrings.h"
#include "shellcore/shellcore.h"
#include "toolkit/controls/droplist.h"
#include "toolkit/window/strings.h"

#include <QFontMetrics>

#include <algorithm>
#include <optional>

namespace hv::itemsui {

using namespace hv::tk;
using namespace stopwatchlayout;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr char16_t kDeleteText[] = u"Delete";
constexpr char16_t kDeleteAllText[] = u"Delete All";

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

const QFont* elapsedFont() {
    return SDraw::font(kFontMediumDigits);
}
const QFont* hundredthsFont() {
    return SDraw::font(kFontMediumText);
}

} // namespace

StopwatchView::StopwatchView(view::ViewContext& ctx, int number)
    : View(ctx, number), sw_(ctx.stopwatch) {
    registerItemsUiStrings();
}

StopwatchView::~StopwatchView() = default;

void StopwatchView::createControls() {
    buttons_ = std::make_unique<CommandPanel>(
        ctx_.mainWindow,
        std::vector<PanelButton>{{kIdStart, LoadStringResource(kStrStart), kStartButton},
                                 {kIdSplit, LoadStringResource(kStrSplit), kSplitButton},
                                 {kIdReset, u"Reset", kResetButton}},
        [this](int id) { command(id); });
    listButtons_ = std::make_unique<CommandPanel>(
        ctx_.mainWindow,
        std::vector<PanelButton>{{kIdDelete, kDeleteText, kDeleteButton},
                                 {kIdDeleteAll, kDeleteAllText, kDeleteAllButton}},
        [this](int id) { command(id); });
    list_ = std::make_unique<ListView>(ctx_.mainWindow, kSplitList, 0, ListView::Rows::Striped,
                                       u"Split times");
}

void StopwatchView::show() {
    if (!ctx_.mainWindow)
        return;
    if (!buttons_)
        createControls();
    // The split file is read once, at the first show; the counter starts again at 1.
    if (!splitsLoaded_) {
        splitsLoaded_ = true;
        sw_.splits.clear();
        sw_.nextSplit = 1;
        sw_.loadSplits();
    }
    fillSplitList();
    updateButtons();
    ShowWindow(buttons_->hwnd(), SW_SHOW);
    ShowWindow(listButtons_->hwnd(), SW_SHOW);
    ShowWindow(list_->hwnd(), SW_SHOW);
}

void StopwatchView::hide() {
    for (SWindow* w :
         {static_cast<SWindow*>(buttons_.get()), static_cast<SWindow*>(listButtons_.get()),
          static_cast<SWindow*>(list_.get())})
        if (w)
            ShowWindow(w->hwnd(), SW_HIDE);
}

void StopwatchView::updateButtons() {
    if (!buttons_)
        return;
    static constexpr int kStartTexts[] = {kStrStart, kStrStop, kStrResume};
    buttons_->setText(kIdStart,
                      LoadStringResource(kStartTexts[static_cast<int>(sw_.startButton())]));
    buttons_->enable(kIdSplit, sw_.splitEnabled());
    buttons_->enable(kIdReset, sw_.resetEnabled());
    const bool rows = !sw_.splits.empty();
    listButtons_->enable(kIdDeleteAll, rows);
    listButtons_->enable(kIdDelete, rows && list_ && list_->Selected() >= 0);
}

void StopwatchView::fillSplitList() {
    ListView* l = list_.get();
    if (!l)
        return;
    l->DeleteAllItems();
    for (const items::Split& s : sw_.splits) {
        const int i = list_->AddItem(s.label, kSplitParam);
        l->SetItemText(i, 1, s.time);
    }
}

void StopwatchView::command(int id) {
    switch (id) {
    case kIdStart:
        sw_.startStopResume();
        break;
    case kIdReset:
        sw_.reset();
        break;
    case kIdSplit:
        if (sw_.split() || !sw_.splits.empty()) {
            fillSplitList();
            if (list_)
                list_->EnsureVisible(list_->ItemCount() - 1);
        }
        break;
    case kIdDelete: {
        const int row = list_ ? list_->Selected() : -1;
        if (row >= 0 && sw_.deleteSplit(static_cast<size_t>(row)))
            fillSplitList();
        break;
    }
    case kIdDeleteAll:
        sw_.deleteAll();
        fillSplitList();
        break;
    default:
        return;
    }
    updateButtons();
    redrawTimeArea();
}

bool StopwatchView::notify(UINT msg, WPARAM wp, LPARAM lp) {
    (void)wp;
    if (msg != kMsgListSelection || !list_ || reinterpret_cast<HWND>(lp) != list_->hwnd())
        return false;
    updateButtons();
    return true;
}

void StopwatchView::paint(DC& dc) {
    dc.FillRect(view::kViewArea, kWhite);
    paintRule(dc);
    paintTimeArea(dc);
}

void StopwatchView::paintRule(DC& dc) {
    dc.FillRect(kRule, kRuleColour);
}

void StopwatchView::paintTimeArea(DC& dc) {
    composeAndCopy(dc, true);
}

void StopwatchView::tick(DC& dc, const dev::SystemTime& now) {
    (void)now;
    if (!sw_.running()) {
        lastCellsCopied_ = composeAndCopy(dc, false);
        return;
    }
    sw_.tick();
    lastCellsCopied_ = composeAndCopy(dc, false);
}

std::vector<StopwatchView::Cell> StopwatchView::layoutCells(const std::u16string& text) const {
    // Every digit gets the cell of the widest digit, so that a changing digit never moves its
    // neighbours and only its own cell needs drawing.
    const QFontMetrics m(*elapsedFont());
    const int digit = digitWidth_;
    std::vector<Cell> cells(text.size());
    int x = kElapsedText.right;
    for (size_t i = text.size(); i-- > 0;) {
        const int w = isDigit(text[i]) ? digit : m.horizontalAdvance(QChar(text[i]));
        cells[i].rect = {x - w, kElapsedText.top, x, kElapsedText.bottom};
        cells[i].ch = text[i];
        x -= w;
    }
    return cells;
}

void StopwatchView::measureFaces() {
    const QFontMetrics large(*elapsedFont());
    digitWidth_ = 0;
    for (char16_t c = u'0'; c <= u'9'; ++c)
        digitWidth_ = std::max(digitWidth_, large.horizontalAdvance(QChar(c)));
    const QFontMetrics small(*hundredthsFont());
    hundredthsRect_ = kHundredthsText;
    hundredthsRect_.bottom -= std::max(0, large.descent() - small.descent());
}

void StopwatchView::drawCell(DC& area, const Cell& c, const QFont* f, UINT align) {
    area.FillRect(c.rect, kWhite);
    area.SelectFont(f);
    area.SetBkMode(TRANSPARENT);
    area.SetTextColor(colour(kColourDigits));
    area.DrawText(std::u16string(1, c.ch), c.rect, align | DT_SINGLELINE | DT_NOCLIP);
}

void StopwatchView::drawHundredths(DC& area, const std::u16string& text) {
    area.FillRect(kHundredthsText, kWhite);
    area.SelectFont(hundredthsFont());
    area.SetBkMode(TRANSPARENT);
    area.SetTextColor(colour(kColourDigits));
    // Next to the full stop: the smaller faces leave the box wider than its two digits.
    area.DrawText(text, hundredthsRect_, DT_LEFT | DT_BOTTOM | DT_SINGLELINE);
}

void StopwatchView::place(DC& area, const std::u16string& text, const RECT& box, bool hundredths) {
    if (picturesColour_ != colour(kColourDigits)) {
        picturesColour_ = colour(kColourDigits);
        pictures_.clear();
    }
    auto draw = [&] {
        if (hundredths)
            drawHundredths(area, text);
        else
            drawCell(area, {box, text[0]}, elapsedFont(), DT_CENTER | DT_BOTTOM);
    };
    // Only the hundredths, which change at every tick, have pictures: a digit cell's text drawn
    // in the same place does not always rasterise the same (the seconds change once a second).
    if (!hundredths) {
        draw();
        return;
    }
    // By place: moved by whole pixels, a text may rasterise a little differently.
    auto key = std::make_pair(text, box.left);
    if (const auto it = pictures_.find(key); it != pictures_.end()) {
        const Picture& pic = it->second;
        if (pic.inPlace) {
            draw();
            return;
        }
        // The box is white but for the ink.
        area.FillRect(box, kWhite);
        if (!pic.ink.isNull())
            area.BitBlt(box.left + pic.inkAt.left, box.top + pic.inkAt.top, pic.inkAt.width(),
                        pic.inkAt.height(), pic.ink, 0, 0);
        return;
    }
    // The first time: drawn in place, and the picture taken from the area when no ink fell
    // outside the box (a band as wide as the box is high stays as it was).
    const QRect inner(box.left, box.top, box.width(), box.height());
    const QRect band =
        inner.adjusted(-inner.height(), -inner.height(), inner.height(), inner.height())
            .intersected(area_.rect());
    const QImage before = area_.copy(band);
    draw();
    Picture& pic = pictures_[std::move(key)];
    for (int y = band.top(); y <= band.bottom(); ++y) {
        const auto* now = reinterpret_cast<const QRgb*>(area_.constScanLine(y));
        const auto* was = reinterpret_cast<const QRgb*>(before.constScanLine(y - band.top()));
        for (int x = band.left(); x <= band.right(); ++x)
            if (!inner.contains(x, y) && now[x] != was[x - band.left()])
                return; // ink outside the box: always drawn in place
    }
    int left = inner.width(), top = inner.height(), right = 0, bottom = 0;
    for (int y = 0; y < inner.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(area_.constScanLine(inner.top() + y));
        for (int x = 0; x < inner.width(); ++x) {
            if ((row[inner.left() + x] & 0xFFFFFF) == 0xFFFFFF)
                continue;
            left = std::min(left, x);
            right = std::max(right, x + 1);
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
        }
    }
    pic.inPlace = false;
    if (left < right) {
        pic.inkAt = {left, top, right, bottom};
        pic.ink = area_.copy(inner.left() + left, inner.top() + top, right - left, bottom - top);
    }
}

int StopwatchView::composeAndCopy(DC& dc, bool all) {
    const std::optional<std::u16string> elapsed = sw_.elapsedText();
    if (!elapsed)
        return 0; // the time cannot be written: the area keeps what it shows
    const std::u16string hundredths = sw_.hundredthsText();
    if (area_.isNull()) {
        area_ = CreateCompatibleBitmap(kTimeWidth, kTimeHeight);
        measureFaces();
        all = true;
    }
    // The cells move only when the text does (once a second at most).
    std::vector<Cell> cells = *elapsed == shownElapsed_ && !all ? cells_ : layoutCells(*elapsed);
    if (cells.size() != cells_.size())
        all = true;
    std::vector<RECT> changed;
    if (all) {
        DC area(&area_);
        area.FillRect({0, 0, kTimeWidth, kTimeHeight}, kWhite);
        for (const Cell& c : cells)
            drawCell(area, c, elapsedFont(), DT_CENTER | DT_BOTTOM);
        drawHundredths(area, hundredths);
    } else {
        std::optional<DC> area;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (cells[i].ch == cells_[i].ch)
                continue;
            if (!area)
                area.emplace(&area_);
            place(*area, std::u16string(1, cells[i].ch), cells[i].rect, false);
            changed.push_back(cells[i].rect);
        }
        if (hundredths != shownHundredths_) {
            if (!area)
                area.emplace(&area_);
            place(*area, hundredths, kHundredthsText, true);
            changed.push_back(kHundredthsText);
        }
    }
    cells_ = std::move(cells);
    shownElapsed_ = *elapsed;
    shownHundredths_ = hundredths;
    if (all) {
        dc.BitBlt(kTimeAt.x, kTimeAt.y, kTimeWidth, kTimeHeight, area_, 0, 0);
        dc.MarkChanged({kTimeAt.x, kTimeAt.y, kTimeAt.x + kTimeWidth, kTimeAt.y + kTimeHeight});
        return static_cast<int>(cells_.size()) + 1;
    }
    for (const RECT& r : changed) {
        // Clipped to the area (the hundredths rectangle runs past its bottom).
        const RECT c{r.left, r.top, r.right, std::min(r.bottom, kTimeHeight)};
        dc.BitBlt(kTimeAt.x + c.left, kTimeAt.y + c.top, c.width(), c.height(), area_, c.left,
                  c.top);
        dc.MarkChanged(
            {kTimeAt.x + c.left, kTimeAt.y + c.top, kTimeAt.x + c.right, kTimeAt.y + c.bottom});
    }
    if (changed.empty())
        dc.MarkChanged({0, 0, 0, 0}); // nothing to refresh
    return static_cast<int>(changed.size());
}

void StopwatchView::redrawTimeArea() {
    if (!ctx_.mainWindow)
        return;
    HDC dc = GetDC(ctx_.mainWindow);
    if (!dc)
        return;
    composeAndCopy(*dc, true);
    ReleaseDC(ctx_.mainWindow, dc);
}

} // namespace hv::itemsui

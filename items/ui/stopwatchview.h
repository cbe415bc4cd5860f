// The Stopwatch view (view 5): "Start" / "Stop" / "Resume", "Split" and "Reset" above a grey rule,
// the elapsed time with its hundredths in large digits, and the list of splits with "Delete" and
// "Delete All". The running state lives in the settings record, so the stopwatch goes on while
// the program is closed; the splits live in data\stopwatch.dat.
//
// While the stopwatch runs the view is ticked ten times a second. The time area is composed off
// screen in fixed digit cells, and a tick copies to the screen only the cells whose digit changed.
#pragma once

#include "items/stopwatch.h"
#include "items/ui/commandpanel.h"
#include "toolkit/controls/listview.h"
#include "toolkit/window/SDraw.h"
#include "viewbase/view.h"

#include <QImage>

#include <map>

#include <memory>
#include <string>
#include <vector>

namespace hv::itemsui {

namespace stopwatchlayout {
// Buttons of the stopwatch (ids as the handheld's dialog gives them).
inline constexpr int kIdStart = 1024;
inline constexpr int kIdSplit = 1030;
inline constexpr int kIdReset = 1025;
inline constexpr int kIdDelete = 1029;
inline constexpr int kIdDeleteAll = 1027;
inline constexpr tk::RECT kStartButton{16, 46, 156, 80};
inline constexpr tk::RECT kSplitButton{170, 46, 310, 80};
inline constexpr tk::RECT kResetButton{324, 46, 464, 80};
inline constexpr tk::RECT kRule{0, 82, 480, 85};
inline constexpr tk::COLORREF kRuleColour = view::kGreyRule;
// The time area and, inside it, the two texts.
inline constexpr tk::POINT kTimeAt{16, 86};
inline constexpr int kTimeWidth = 464;
inline constexpr int kTimeHeight = 94;
inline constexpr tk::RECT kElapsedText{0, 0, 352, 94};
inline constexpr tk::RECT kHundredthsText{364, 38, 450, 94};
inline constexpr tk::RECT kSplitList{16, 188, 464, 438};
inline constexpr tk::RECT kDeleteButton{16, 446, 156, 480};
inline constexpr tk::RECT kDeleteAllButton{170, 446, 310, 480};
// Row parameters of the split list: every row is an untimed row.
inline constexpr int kSplitParam = 999;
} // namespace stopwatchlayout

class StopwatchView : public view::View, public tk::SDrawBasic {
public:
    StopwatchView(view::ViewContext& ctx, int number);
    ~StopwatchView() override;

    void show() override;
    void hide() override;
    void paint(tk::DC& dc) override;
    // Running: the next hundredths and the changed digit cells.
    void tick(tk::DC& dc, const dev::SystemTime& now) override;
    bool notify(tk::UINT msg, tk::WPARAM wp, tk::LPARAM lp) override;

    // The button commands.
    void command(int id);

    CommandPanel* buttons() const { return buttons_.get(); }
    CommandPanel* listButtons() const { return listButtons_.get(); }
    tk::ListView* splitList() const { return list_.get(); }
    // The texts of the last drawing of the time area.
    const std::u16string& shownElapsed() const { return shownElapsed_; }
    const std::u16string& shownHundredths() const { return shownHundredths_; }
    // Digit cells copied to the screen by the last tick (0 when nothing changed).
    int lastCellsCopied() const { return lastCellsCopied_; }

private:
    struct Cell {
        tk::RECT rect; // in the time area
        char16_t ch = 0;
    };
    void createControls();
    void updateButtons();
    void fillSplitList();
    void paintRule(tk::DC& dc);
    void paintTimeArea(tk::DC& dc);
    // Lays out the elapsed text in cells of the digit width, right-aligned in its rectangle.
    std::vector<Cell> layoutCells(const std::u16string& text) const;
    void measureFaces();
    // Draws changed cells into the off-screen area and copies them; everything when `all`.
    int composeAndCopy(tk::DC& dc, bool all);
    void drawCell(tk::DC& area, const Cell& c, const QFont* f, tk::UINT align);
    void drawHundredths(tk::DC& area, const std::u16string& text);
    // Draws a changed cell or the hundredths for a tick. The first drawing of a text in its place
    // is kept as its picture, which later ticks copy instead of laying the text out and drawing
    // it again (only the part of the box that holds ink is kept). A text whose ink leaves its box
    // has none and is always drawn. A full drawing of the area draws every text.
    void place(tk::DC& area, const std::u16string& text, const tk::RECT& box, bool hundredths);
    struct Picture {
        bool inPlace = true;
        QImage ink;
        tk::RECT inkAt{}; // in the box
    };
    void redrawTimeArea();

    items::Stopwatch& sw_;
    std::unique_ptr<CommandPanel> buttons_;
    std::unique_ptr<CommandPanel> listButtons_;
    std::unique_ptr<tk::ListView> list_;
    bool splitsLoaded_ = false;
    QImage area_;
    // Measured with the time area: the widest digit of the large face, and the hundredths' box
    // raised so that both faces stand on one baseline.
    int digitWidth_ = 0;
    tk::RECT hundredthsRect_ = stopwatchlayout::kHundredthsText;
    std::map<std::pair<std::u16string, int>, Picture> pictures_;
    tk::COLORREF picturesColour_ = 0;
    std::vector<Cell> cells_;
    Cell hundredthsCell_;
    std::u16string shownElapsed_;
    std::u16string shownHundredths_;
    int lastCellsCopied_ = 0;
};

} // namespace hv::itemsui

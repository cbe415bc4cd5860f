// The date-and-time picker: the fields of a time or a date, spun by arrows or typed.
#pragma once

#include "device/systime.h"
#include "toolkit/platform/control.h"
#include "toolkit/window/SWindow.h"

#include <QWidget>

#include <string>
#include <utility>
#include <vector>

namespace hv::tk {

class DateTimePick : public QWidget {
public:
    enum class Style { Time, Date };
    DateTimePick(QWidget* parent, Style style, uintptr_t id);

    void setTime(const dev::SystemTime& t);
    const dev::SystemTime& time() const { return time_; }
    // A picture of the formatter; empty = the locale's time or short date format.
    void setPicture(std::u16string picture);
    const std::u16string& picture() const { return picture_; }
    // The text shown.
    std::u16string text() const;

    // Fields of the shown picture, left to right.
    int fieldCount() const;
    void selectField(int index);
    // Spins the selected field one step up (+1) or down (-1), wrapping like the platform control,
    // and tells the parent (DTN_DATETIMECHANGE).
    void spin(int delta);
    // Page Up and Page Down spin the selected field ten steps; Home and End select the first and
    // the last field.
    void pageKey(int direction);
    static constexpr int kPageSteps = 10;
    // The screen areas of the arrows, for taps.
    QRect upArrow() const;
    QRect downArrow() const;

    // Typed digits set the selected field: they gather until no further digit fits the field's
    // range, then the next field is selected. A letter's range may be narrowed (the Internet
    // time's one-digit fields, the offset's hours); a year field of one or two letters takes the
    // years from 2000. "a" and "p" choose AM and PM; other keys go to the parent
    // (DTN_WMKEYDOWN).
    void typeKey(char16_t key);
    void setTypedRange(char16_t letter, int lo, int hi);
    void clearTypedRanges() { typedRanges_.clear(); }
    // The last change came from typed digits, not from the arrows.
    bool typedChange() const { return typedChange_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void focusOutEvent(QFocusEvent*) override;

private:
    struct Token {
        std::u16string picture; // the letters, or the literal's text
        char16_t letter = 0;    // 0 for a literal
        int left = 0;
        int right = 0;
    };
    static constexpr int kTextLeft = 6;
    void tokenize();
    // The picker's face, or the next smaller one where the text does not fit beside the arrows.
    QFont fittedFont() const;
    void layoutTokens();
    std::u16string tokenText(const Token& t) const;
    std::vector<int> fieldTokens() const;
    void notifyChange();
    // Takes a changed time (a day past its month's end clamped), tells the parent, and marks
    // whether typed digits made the change.
    void commit(dev::SystemTime t, bool typed);
    struct Range {
        int lo = 0;
        int hi = 0;
    };
    Range typedRange(const Token& t) const;
    void typeDigit(int digit);

    Style style_;
    uintptr_t id_;
    dev::SystemTime time_{};
    std::u16string picture_;
    std::vector<Token> tokens_;
    int selected_ = 0;
    std::u16string typed_; // the digits typed into the selected field so far
    std::vector<std::pair<char16_t, Range>> typedRanges_;
    bool typedChange_ = false;
};

HWND CreateDateTimePick(HWND parent, uintptr_t id, DateTimePick::Style style, const RECT& r);
DateTimePick* AsDateTimePick(HWND hwnd);
// What a screen reader is told of a picker: a spin box with the text it shows.
Accessible DescribeDateTimePick(const QWidget* widget);

} // namespace hv::tk

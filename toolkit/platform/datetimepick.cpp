#include "toolkit/platform/datetimepick.h"

#include "calendar/calendar.h"
#include "device/device.h"
#include "device/format.h"
#include "device/text.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/accessible.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace hv::tk {

namespace {

int dayOfWeekSundayFirst(const dev::SystemTime& t) {
    if (t.month < 1 || t.month > 12 || t.year < 1)
        return 0;
    return (DayOfWeek(t.year, static_cast<uint8_t>(t.month), static_cast<uint8_t>(t.day)) + 1) % 7;
}

} // namespace

using controls::place;

DateTimePick::DateTimePick(QWidget* parent, Style style, uintptr_t id)
    : QWidget(parent), style_(style), id_(id) {
    setFocusPolicy(Qt::StrongFocus);
    time_ = dev::getLocalTime();
    tokenize();
}

void DateTimePick::setTime(const dev::SystemTime& t) {
    time_ = t;
    time_.dayOfWeek = static_cast<uint16_t>(dayOfWeekSundayFirst(time_));
    update();
}

void DateTimePick::setPicture(std::u16string picture) {
    picture_ = std::move(picture);
    tokenize();
    selected_ = std::clamp(selected_, 0, std::max(0, fieldCount() - 1));
    update();
}

void DateTimePick::tokenize() {
    tokens_.clear();
    std::u16string pic = picture_;
    if (pic.empty()) {
        const dev::LocaleData& loc = dev::current().locale().data();
        pic = style_ == Style::Date ? loc.shortDatePicture : loc.timePicture;
    }
    auto isField = [](char16_t c) {
        return c == u'd' || c == u'M' || c == u'y' || c == u'h' || c == u'H' || c == u'm' ||
               c == u's' || c == u't';
    };
    size_t i = 0;
    while (i < pic.size()) {
        Token t;
        const char16_t c = pic[i];
        if (c == u'\'') {
            size_t j = i + 1;
            while (j < pic.size() && pic[j] != u'\'')
                ++j;
            t.picture = pic.substr(i + 1, j - i - 1);
            i = j < pic.size() ? j + 1 : j;
            if (t.picture.empty())
                continue;
        } else if (isField(c)) {
            size_t j = i;
            while (j < pic.size() && pic[j] == c)
                ++j;
            t.picture = pic.substr(i, j - i);
            t.letter = c;
            i = j;
        } else {
            t.picture = std::u16string(1, c);
            ++i;
        }
        tokens_.push_back(std::move(t));
    }
}

std::u16string DateTimePick::tokenText(const Token& t) const {
    if (!t.letter)
        return t.picture;
    return dev::formatPicture(time_, t.picture, dev::current().locale().data());
}

std::u16string DateTimePick::text() const {
    std::u16string s;
    for (const Token& t : tokens_)
        s += tokenText(t);
    return s;
}

std::vector<int> DateTimePick::fieldTokens() const {
    std::vector<int> f;
    for (size_t i = 0; i < tokens_.size(); ++i)
        if (tokens_[i].letter)
            f.push_back(static_cast<int>(i));
    return f;
}

int DateTimePick::fieldCount() const {
    return static_cast<int>(fieldTokens().size());
}

void DateTimePick::selectField(int index) {
    if (index >= 0 && index < fieldCount()) {
        selected_ = index;
        typed_.clear();
        update();
    }
}

void DateTimePick::setTypedRange(char16_t letter, int lo, int hi) {
    for (auto& [l, r] : typedRanges_)
        if (l == letter) {
            r = {lo, hi};
            return;
        }
    typedRanges_.push_back({letter, {lo, hi}});
}

DateTimePick::Range DateTimePick::typedRange(const Token& t) const {
    for (const auto& [l, r] : typedRanges_)
        if (l == t.letter)
            return r;
    switch (t.letter) {
    case u'y':
        return t.picture.size() > 2 ? Range{1601, 9999} : Range{0, 99};
    case u'M':
        return {1, 12};
    case u'd':
        return {1, time_.month >= 1 && time_.month <= 12
                       ? DaysInMonth(static_cast<uint8_t>(time_.month), time_.year)
                       : 31};
    case u'h':
        return {1, 12};
    case u'H':
        return {0, 23};
    case u'm':
    case u's':
        return {0, 59};
    default:
        return {0, -1}; // takes no digits
    }
}

void DateTimePick::typeKey(char16_t key) {
    if (key >= u'0' && key <= u'9') {
        typeDigit(key - u'0');
        return;
    }
    const auto fields = fieldTokens();
    const bool onMeridiem =
        !fields.empty() &&
        tokens_[static_cast<size_t>(fields[static_cast<size_t>(selected_)])].letter == u't';
    const char16_t lower = key >= u'A' && key <= u'Z' ? static_cast<char16_t>(key + 32) : key;
    if (onMeridiem && (lower == u'a' || lower == u'p')) {
        dev::SystemTime t = time_;
        const bool pm = lower == u'p';
        if ((t.hour >= 12) != pm) {
            t.hour = static_cast<uint16_t>((t.hour + 12) % 24);
            commit(t, true);
        }
        return;
    }
    NMDATETIMEKEY nm;
    nm.hdr.hwndFrom = this;
    nm.hdr.idFrom = id_;
    nm.hdr.code = DTN_WMKEYDOWN;
    nm.key = key;
    SendMessage(parentWidget(), WM_NOTIFY, id_, reinterpret_cast<LPARAM>(&nm));
}

void DateTimePick::typeDigit(int digit) {
    const auto fields = fieldTokens();
    if (fields.empty())
        return;
    const Token& tok = tokens_[static_cast<size_t>(fields[static_cast<size_t>(selected_)])];
    const Range range = typedRange(tok);
    if (range.hi < range.lo)
        return;
    auto valueOf = [](const std::u16string& digits) {
        int v = 0;
        for (char16_t c : digits)
            v = v * 10 + (c - u'0');
        return v;
    };
    typed_ += static_cast<char16_t>(u'0' + digit);
    if (valueOf(typed_) > range.hi)
        typed_ = std::u16string(1, static_cast<char16_t>(u'0' + digit)); // starts the field anew
    const int v = valueOf(typed_);
    const bool full =
        v * 10 > range.hi || typed_.size() >= std::to_string(range.hi).size(); // no more digits
    if (v >= range.lo && v <= range.hi) {
        dev::SystemTime t = time_;
        switch (tok.letter) {
        case u'y':
            t.year = static_cast<uint16_t>(tok.picture.size() > 2 ? v : 2000 + v);
            break;
        case u'M':
            t.month = static_cast<uint16_t>(v);
            break;
        case u'd':
            t.day = static_cast<uint16_t>(v);
            break;
        case u'h':
            t.hour = static_cast<uint16_t>(v % 12 + (t.hour >= 12 ? 12 : 0));
            break;
        case u'H':
            t.hour = static_cast<uint16_t>(v);
            break;
        case u'm':
            t.minute = static_cast<uint16_t>(v);
            break;
        case u's':
            t.second = static_cast<uint16_t>(v);
            break;
        default:
            return;
        }
        commit(t, true);
    }
    if (full) {
        typed_.clear();
        if (selected_ + 1 < fieldCount())
            selectField(selected_ + 1);
    }
}

void DateTimePick::commit(dev::SystemTime t, bool typed) {
    // A day past the end of a changed month is its last day.
    if (t.month >= 1 && t.month <= 12) {
        const int dim = DaysInMonth(static_cast<uint8_t>(t.month), t.year);
        if (t.day > dim)
            t.day = static_cast<uint16_t>(dim);
    }
    setTime(t);
    typedChange_ = typed;
    notifyChange();
    typedChange_ = false;
}

QRect DateTimePick::upArrow() const {
    return QRect(width() - 26, 1, 25, height() / 2 - 1);
}
QRect DateTimePick::downArrow() const {
    return QRect(width() - 26, height() / 2, 25, height() - height() / 2 - 1);
}

void DateTimePick::spin(int delta) {
    const auto fields = fieldTokens();
    if (fields.empty())
        return;
    const char16_t f = tokens_[static_cast<size_t>(fields[static_cast<size_t>(selected_)])].letter;
    auto wrap = [](int v, int lo, int hi) {
        const int n = hi - lo + 1;
        return ((v - lo) % n + n) % n + lo;
    };
    dev::SystemTime t = time_;
    switch (f) {
    case u'y':
        t.year = static_cast<uint16_t>(wrap(t.year + delta, 1601, 9999));
        break;
    case u'M':
        t.month = static_cast<uint16_t>(wrap(t.month + delta, 1, 12));
        break;
    case u'd': {
        const int dim = DaysInMonth(static_cast<uint8_t>(t.month), t.year);
        t.day = static_cast<uint16_t>(wrap(t.day + delta, 1, dim));
        break;
    }
    case u'h':
    case u'H':
        t.hour = static_cast<uint16_t>(wrap(t.hour + delta, 0, 23));
        break;
    case u'm':
        t.minute = static_cast<uint16_t>(wrap(t.minute + delta, 0, 59));
        break;
    case u's':
        t.second = static_cast<uint16_t>(wrap(t.second + delta, 0, 59));
        break;
    case u't':
        t.hour = static_cast<uint16_t>((t.hour + 12) % 24);
        break;
    default:
        return;
    }
    typed_.clear();
    commit(t, false);
}

void DateTimePick::notifyChange() {
    controls::notify(this, id_, DTN_DATETIMECHANGE);
    AccessibleValueChanged(this);
}

QFont DateTimePick::fittedFont() const {
    // A text that does not fit beside the arrows in the picker's face takes the next smaller one.
    const QString shown = dev::toQString(text());
    const int room = upArrow().left() - kTextLeft;
    if (QFontMetrics(font()).horizontalAdvance(shown) <= room)
        return font();
    const QFont* smaller = SDraw::font(kFontSmallText);
    if (smaller && smaller->pixelSize() < font().pixelSize())
        return *smaller;
    return font();
}

void DateTimePick::layoutTokens() {
    const QFont f = fittedFont();
    QFontMetrics fm(f);
    int x = kTextLeft;
    for (Token& t : tokens_) {
        const int w = fm.horizontalAdvance(dev::toQString(tokenText(t)));
        t.left = x;
        t.right = x + w;
        x += w;
    }
}

void DateTimePick::paintEvent(QPaintEvent*) {
    layoutTokens();
    QPainter p(this);
    p.fillRect(rect(), isEnabled() ? Qt::white : QColor(236, 236, 236));
    p.setPen(QColor(128, 128, 128));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QFont f = fittedFont();
    p.setFont(f);
    NoteTextInBox(dev::toQString(text()), f, RECT{kTextLeft, 0, upArrow().left(), height()});
    const auto fields = fieldTokens();
    const int sel = fields.empty() ? -1 : fields[static_cast<size_t>(selected_)];
    for (size_t i = 0; i < tokens_.size(); ++i) {
        const Token& t = tokens_[i];
        QRect cell(t.left, 2, t.right - t.left, height() - 4);
        if (static_cast<int>(i) == sel && hasFocus()) {
            p.fillRect(cell, QColor(0, 0, 255));
            p.setPen(Qt::white);
        } else {
            p.setPen(isEnabled() ? Qt::black : QColor(128, 128, 128));
        }
        p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, dev::toQString(tokenText(t)));
    }
    // The up-down arrows.
    p.setRenderHint(QPainter::Antialiasing);
    for (int k = 0; k < 2; ++k) {
        const QRect a = k == 0 ? upArrow() : downArrow();
        p.fillRect(a, QColor(214, 218, 226));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(57, 83, 157));
        const QPointF c = QRectF(a).center();
        const qreal s = std::min(a.width(), a.height()) / 4.0;
        QPolygonF tri;
        if (k == 0)
            tri << QPointF(c.x() - s, c.y() + s / 2) << QPointF(c.x() + s, c.y() + s / 2)
                << QPointF(c.x(), c.y() - s / 2);
        else
            tri << QPointF(c.x() - s, c.y() - s / 2) << QPointF(c.x() + s, c.y() - s / 2)
                << QPointF(c.x(), c.y() + s / 2);
        p.drawPolygon(tri);
    }
}

void DateTimePick::mousePressEvent(QMouseEvent* ev) {
    setFocus(Qt::MouseFocusReason);
    const QPoint p = ev->position().toPoint();
    if (upArrow().contains(p)) {
        spin(1);
        return;
    }
    if (downArrow().contains(p)) {
        spin(-1);
        return;
    }
    layoutTokens();
    const auto fields = fieldTokens();
    for (size_t k = 0; k < fields.size(); ++k) {
        const Token& t = tokens_[static_cast<size_t>(fields[k])];
        if (p.x() >= t.left - 2 && p.x() < t.right + 2) {
            selectField(static_cast<int>(k));
            return;
        }
    }
}

void DateTimePick::keyPressEvent(QKeyEvent* ev) {
    switch (ev->key()) {
    case Qt::Key_Up:
        spin(1);
        break;
    case Qt::Key_Down:
        spin(-1);
        break;
    case Qt::Key_Left:
        selectField(selected_ - 1);
        break;
    case Qt::Key_Right:
        selectField(selected_ + 1);
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        pageKey(ev->key() == Qt::Key_PageUp ? 1 : -1);
        break;
    case Qt::Key_Home:
        selectField(0);
        break;
    case Qt::Key_End:
        selectField(fieldCount() - 1);
        break;
    default:
        if (ev->text().size() == 1 && ev->text()[0].isPrint()) {
            typeKey(ev->text()[0].unicode());
            break;
        }
        QWidget::keyPressEvent(ev);
    }
}

void DateTimePick::pageKey(int direction) {
    // Ten steps of the arrows, each told as the arrows tell it (the Internet time carries).
    for (int i = 0; i < kPageSteps; ++i)
        spin(direction);
}

void DateTimePick::focusOutEvent(QFocusEvent* ev) {
    typed_.clear();
    QWidget::focusOutEvent(ev);
}

HWND CreateDateTimePick(HWND parent, uintptr_t id, DateTimePick::Style style, const RECT& r) {
    if (!parent)
        return nullptr;
    auto* w = new DateTimePick(parent, style, id);
    SetDescriber(w, DescribeDateTimePick);
    place(w, r, id);
    return w;
}

DateTimePick* AsDateTimePick(HWND hwnd) {
    return dynamic_cast<DateTimePick*>(hwnd);
}

// A spin box showing its text; named by its owner, else by the picker window it stands in (a spin
// box itself).
Accessible DescribeDateTimePick(const QWidget* widget) {
    Accessible a;
    a.role = QAccessible::SpinBox;
    const auto* pick = dynamic_cast<const DateTimePick*>(widget);
    if (!pick)
        return a;
    a.value = dev::toQString(pick->text());
    if (const SWindow* picker = WindowObject(pick->parentWidget());
        picker && picker->accessibility().role == QAccessible::SpinBox)
        a.name = AccessibleNameOf(picker);
    return a;
}

} // namespace hv::tk

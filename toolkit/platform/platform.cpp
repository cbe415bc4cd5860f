#include "toolkit/platform/platform.h"

#include "calendar/calendar.h"
#include "device/format.h"
#include "device/text.h"
#include "toolkit/window/SDraw.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/picture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <string>

namespace hv::tk {

namespace {

void place(QWidget* w, const RECT& r, uintptr_t id) {
    w->setGeometry(r.left, r.top, r.width(), r.height());
    w->setProperty("hvControlId", QVariant::fromValue<qulonglong>(id));
    w->show();
}

// The parent window hears of the control's change.
void command(QWidget* control, uintptr_t id, int code) {
    SendMessage(control->parentWidget(), WM_COMMAND, MAKEWPARAM(static_cast<int>(id), code),
                reinterpret_cast<LPARAM>(control));
}

int dayOfWeekSundayFirst(const dev::SystemTime& t) {
    if (t.month < 1 || t.month > 12 || t.year < 1)
        return 0;
    return (DayOfWeek(t.year, static_cast<uint8_t>(t.month), static_cast<uint8_t>(t.day)) + 1) % 7;
}

// A push button that its parent draws.
class OwnerDrawButton : public QAbstractButton {
public:
    OwnerDrawButton(QWidget* parent, uintptr_t id) : QAbstractButton(parent), id_(id) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QImage canvas = CreateCompatibleBitmap(width(), height());
        {
            DC dc(&canvas);
            DRAWITEMSTRUCT dis;
            dis.CtlID = id_;
            dis.itemID = 0;
            dis.hwndItem = this;
            dis.hDC = &dc;
            dis.rcItem = {0, 0, width(), height()};
            dis.text = dev::fromQString(text());
            dis.itemState = (isDown() ? ODS_SELECTED : 0u) | (isEnabled() ? 0u : ODS_DISABLED) |
                            (hasFocus() ? ODS_FOCUS : 0u);
            SendMessage(parentWidget(), WM_DRAWITEM, id_, reinterpret_cast<LPARAM>(&dis));
        }
        QPainter p(this);
        p.drawImage(QPoint(0, 0), canvas);
    }

private:
    uintptr_t id_;
};

} // namespace

// ---- Buttons and edits -----------------------------------------------------------------------

HWND CreateCheckBox(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r) {
    if (!parent)
        return nullptr;
    auto* b = new QCheckBox(dev::toQString(text), parent);
    // A box a finger or stylus can hit beside the handheld's large texts; the style's own box is
    // drawn at 13 pixels.
    b->setStyleSheet(QStringLiteral("QCheckBox::indicator { width: 20px; height: 20px; }"));
    place(b, r, id);
    QObject::connect(b, &QCheckBox::clicked, b, [b, id] { command(b, id, BN_CLICKED); });
    return b;
}

bool IsChecked(HWND checkBox) {
    auto* b = qobject_cast<QAbstractButton*>(checkBox);
    return b && b->isChecked();
}

void SetChecked(HWND checkBox, bool on) {
    if (auto* b = qobject_cast<QAbstractButton*>(checkBox))
        b->setChecked(on);
}

HWND CreatePushButton(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r,
                      bool ownerDrawn) {
    if (!parent)
        return nullptr;
    QAbstractButton* b = ownerDrawn ? static_cast<QAbstractButton*>(new OwnerDrawButton(parent, id))
                                    : new QPushButton(parent);
    b->setText(dev::toQString(text));
    place(b, r, id);
    QObject::connect(b, &QAbstractButton::clicked, b, [b, id] { command(b, id, BN_CLICKED); });
    return b;
}

HWND CreateEdit(HWND parent, uintptr_t id, const std::u16string& text, const RECT& r,
                bool multiLine, int maxLength) {
    if (!parent)
        return nullptr;
    if (multiLine) {
        auto* e = new QPlainTextEdit(dev::toQString(text), parent);
        place(e, r, id);
        QObject::connect(e, &QPlainTextEdit::textChanged, e, [e, id, maxLength] {
            if (maxLength > 0 && e->toPlainText().size() > maxLength) {
                QSignalBlocker block(e);
                e->setPlainText(e->toPlainText().left(maxLength));
                e->moveCursor(QTextCursor::End);
            }
            command(e, id, EN_CHANGE);
        });
        return e;
    }
    auto* e = new QLineEdit(dev::toQString(text), parent);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    place(e, r, id);
    QObject::connect(e, &QLineEdit::textEdited, e, [e, id] { command(e, id, EN_CHANGE); });
    return e;
}

// ---- Date-and-time picker --------------------------------------------------------------------

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
    NMHDR hdr;
    hdr.hwndFrom = this;
    hdr.idFrom = id_;
    hdr.code = DTN_DATETIMECHANGE;
    SendMessage(parentWidget(), WM_NOTIFY, id_, reinterpret_cast<LPARAM>(&hdr));
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
    default:
        if (ev->text().size() == 1 && ev->text()[0].isPrint()) {
            typeKey(ev->text()[0].unicode());
            break;
        }
        QWidget::keyPressEvent(ev);
    }
}

void DateTimePick::focusOutEvent(QFocusEvent* ev) {
    typed_.clear();
    QWidget::focusOutEvent(ev);
}

HWND CreateDateTimePick(HWND parent, uintptr_t id, DateTimePick::Style style, const RECT& r) {
    if (!parent)
        return nullptr;
    auto* w = new DateTimePick(parent, style, id);
    place(w, r, id);
    return w;
}

DateTimePick* AsDateTimePick(HWND hwnd) {
    return dynamic_cast<DateTimePick*>(hwnd);
}

// ---- Report list view ------------------------------------------------------------------------

ListViewControl::ListViewControl(QWidget* parent, uintptr_t id) : QWidget(parent), id_(id) {
    bar_ = new QScrollBar(Qt::Vertical, this);
    QObject::connect(bar_, &QScrollBar::valueChanged, this, [this](int v) {
        top_ = v;
        update();
    });
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int ListViewControl::viewWidth() const {
    return width() - 2 - (bar_->isVisible() ? 24 : 0);
}

int ListViewControl::ItemHeight(int index) const {
    if (index < 0 || index >= ItemCount())
        return rowHeight_;
    const int h = items_[static_cast<size_t>(index)].height;
    return h > 0 ? h : rowHeight_;
}

void ListViewControl::SetItemHeight(int index, int h) {
    if (index < 0 || index >= ItemCount())
        return;
    items_[static_cast<size_t>(index)].height = std::max(0, h);
    updateScroll();
}

int ListViewControl::rowsFitting(int from) const {
    // Rows past the end count at the list's row height, as an empty list's rows would.
    int n = 0;
    for (int y = ItemHeight(from); y <= height() - 2; y += ItemHeight(from + ++n)) {
    }
    return std::max(1, n);
}

int ListViewControl::VisibleRows() const {
    return rowsFitting(top_);
}

void ListViewControl::updateScroll() {
    // The last top row that still fills the list down to its last item.
    int maxTop = ItemCount();
    for (int used = 0; maxTop > 0;) {
        used += ItemHeight(maxTop - 1);
        if (used > height() - 2)
            break;
        --maxTop;
    }
    maxTop = std::min(maxTop, std::max(0, ItemCount() - 1));
    if (ItemCount() > 0 && rowsFitting(0) >= ItemCount())
        maxTop = 0;
    bar_->setVisible(maxTop > 0);
    bar_->setGeometry(width() - 25, 1, 24, height() - 2);
    bar_->setRange(0, maxTop);
    bar_->setPageStep(VisibleRows());
    top_ = std::clamp(top_, 0, maxTop);
    bar_->setValue(top_);
    update();
}

int ListViewControl::InsertItem(int index, const std::u16string& text, intptr_t param) {
    index = std::clamp(index, 0, ItemCount());
    Item it;
    it.text[0] = text;
    it.param = param;
    items_.insert(items_.begin() + index, std::move(it));
    if (selected_ >= index)
        ++selected_;
    updateScroll();
    return index;
}

bool ListViewControl::SetItemText(int index, int column, const std::u16string& text) {
    if (index < 0 || index >= ItemCount() || column < 0 || column > 1)
        return false;
    items_[static_cast<size_t>(index)].text[column] = text;
    update();
    return true;
}

std::u16string ListViewControl::GetItemText(int index, int column) const {
    if (index < 0 || index >= ItemCount() || column < 0 || column > 1)
        return {};
    return items_[static_cast<size_t>(index)].text[column];
}

intptr_t ListViewControl::GetItemParam(int index) const {
    if (index < 0 || index >= ItemCount())
        return 0;
    return items_[static_cast<size_t>(index)].param;
}

bool ListViewControl::DeleteItem(int index) {
    if (index < 0 || index >= ItemCount())
        return false;
    items_.erase(items_.begin() + index);
    if (selected_ == index)
        selected_ = -1;
    else if (selected_ > index)
        --selected_;
    updateScroll();
    return true;
}

void ListViewControl::DeleteAllItems() {
    items_.clear();
    selected_ = -1;
    top_ = 0;
    updateScroll();
}

void ListViewControl::SetSelected(int index) {
    if (index >= ItemCount())
        return;
    selected_ = index < 0 ? -1 : index;
    if (selected_ >= 0)
        EnsureVisible(selected_);
    update();
    notify(LVN_ITEMCHANGED, selected_, {});
}

void ListViewControl::EnsureVisible(int index) {
    if (index < top_)
        top_ = index;
    else
        while (top_ < index && index >= top_ + VisibleRows())
            ++top_;
    updateScroll();
}

void ListViewControl::SetColumnWidth(int column, int w) {
    if (column >= 0 && column <= 1)
        widths_[column] = w;
    update();
}

int ListViewControl::ColumnWidth(int column) const {
    return column >= 0 && column <= 1 ? widths_[column] : 0;
}

void ListViewControl::SetRowHeight(int h) {
    rowHeight_ = std::max(1, h);
    updateScroll();
}

void ListViewControl::SortItems(const std::function<int(intptr_t, intptr_t)>& compare) {
    const intptr_t selParam = selected_ >= 0 ? items_[static_cast<size_t>(selected_)].param : 0;
    const bool hadSel = selected_ >= 0;
    for (size_t i = 1; i < items_.size(); ++i) {
        size_t j = i;
        while (j > 0 && compare(items_[j - 1].param, items_[j].param) > 0) {
            std::swap(items_[j - 1], items_[j]);
            --j;
        }
    }
    if (hadSel)
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i].param == selParam)
                selected_ = static_cast<int>(i);
    update();
}

int ListViewControl::RowAt(QPoint p) const {
    if (p.x() < 1 || p.x() >= 1 + viewWidth() || p.y() < 1)
        return -1;
    int y = 1;
    for (int r = top_; r < ItemCount(); ++r) {
        y += ItemHeight(r);
        if (p.y() < y)
            return r;
    }
    return -1;
}

RECT ListViewControl::ItemRect(int index) const {
    int y = 1;
    for (int r = top_; r < index; ++r)
        y += ItemHeight(r);
    for (int r = index; r < top_; ++r)
        y -= ItemHeight(r);
    return {1, y, 1 + viewWidth(), y + ItemHeight(index)};
}

void ListViewControl::paintEvent(QPaintEvent*) {
    QImage canvas = CreateCompatibleBitmap(width(), height());
    {
        DC dc(&canvas);
        for (int i = top_; i < ItemCount() && ItemRect(i).top < height(); ++i) {
            DRAWITEMSTRUCT dis;
            dis.CtlID = id_;
            dis.itemID = i;
            dis.hwndItem = this;
            dis.hDC = &dc;
            dis.rcItem = ItemRect(i);
            dis.itemState = i == selected_ ? ODS_SELECTED : 0u;
            dc.SetClipRect(nullptr);
            if (!SendMessage(parentWidget(), WM_DRAWITEM, id_, reinterpret_cast<LPARAM>(&dis))) {
                // Nobody draws the rows: plain text in two columns.
                if (i == selected_)
                    dc.FillRect(dis.rcItem, RGB(0, 0, 255));
                dc.SelectFont(nullptr);
                dc.painter().setFont(font());
                dc.SetBkMode(TRANSPARENT);
                dc.SetTextColor(i == selected_ ? RGB(255, 255, 255) : RGB(0, 0, 0));
                RECT a = dis.rcItem;
                a.left += 4;
                a.right = a.left + widths_[0];
                dc.DrawText(items_[static_cast<size_t>(i)].text[0], a,
                            DT_LEFT | DT_VCENTER | DT_SINGLELINE);
                if (widths_[1] > 0) { // a column of width 0 is hidden
                    RECT b = dis.rcItem;
                    b.left = a.right;
                    b.right -= 4;
                    dc.DrawText(items_[static_cast<size_t>(i)].text[1], b,
                                DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
                }
            }
        }
    }
    QPainter p(this);
    p.drawImage(QPoint(0, 0), canvas);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ListViewControl::notify(int code, int item, QPoint pt) {
    NMLISTVIEW nm;
    nm.hdr.hwndFrom = this;
    nm.hdr.idFrom = id_;
    nm.hdr.code = code;
    nm.iItem = item;
    nm.ptAction = {pt.x(), pt.y()};
    SendMessage(parentWidget(), WM_NOTIFY, id_, reinterpret_cast<LPARAM>(&nm));
}

void ListViewControl::mousePressEvent(QMouseEvent* ev) {
    if (ev->button() != Qt::LeftButton)
        return;
    pressAt_ = ev->position().toPoint();
    const int r = RowAt(pressAt_);
    if (r >= 0 && r != selected_)
        SetSelected(r);
    notify(NM_CLICK, r, pressAt_);
    if (holdTimer_)
        killTimer(holdTimer_);
    holdTimer_ = startTimer(600);
}

void ListViewControl::mouseMoveEvent(QMouseEvent* ev) {
    if (holdTimer_ && (ev->position().toPoint() - pressAt_).manhattanLength() > 8) {
        killTimer(holdTimer_);
        holdTimer_ = 0;
    }
}

void ListViewControl::mouseReleaseEvent(QMouseEvent*) {
    if (holdTimer_) {
        killTimer(holdTimer_);
        holdTimer_ = 0;
    }
}

void ListViewControl::timerEvent(QTimerEvent*) {
    if (!holdTimer_)
        return;
    killTimer(holdTimer_);
    holdTimer_ = 0;
    notify(NM_TAPHOLD, RowAt(pressAt_), pressAt_);
}

void ListViewControl::resizeEvent(QResizeEvent*) {
    updateScroll();
}

void DestroyControl(HWND control) {
    if (!control)
        return;
    control->hide();
    control->deleteLater();
}

HWND CreateListView(HWND parent, uintptr_t id, const RECT& r) {
    if (!parent)
        return nullptr;
    auto* w = new ListViewControl(parent, id);
    place(w, r, id);
    return w;
}

ListViewControl* AsListView(HWND hwnd) {
    return dynamic_cast<ListViewControl*>(hwnd);
}

// ---- Tab control and tree view ---------------------------------------------------------------

HWND CreateTabControl(HWND parent, uintptr_t id, const RECT& r) {
    if (!parent)
        return nullptr;
    auto* t = new QTabBar(parent);
    t->setExpanding(false);
    t->setDrawBase(true);
    place(t, r, id);
    QObject::connect(t, &QTabBar::currentChanged, t, [t, id](int) {
        NMHDR hdr;
        hdr.hwndFrom = t;
        hdr.idFrom = id;
        hdr.code = TCN_SELCHANGE;
        SendMessage(t->parentWidget(), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&hdr));
    });
    return t;
}

int TabInsertItem(HWND tab, int index, const std::u16string& text) {
    auto* t = qobject_cast<QTabBar*>(tab);
    if (!t)
        return -1;
    QSignalBlocker block(t);
    return t->insertTab(index, dev::toQString(text));
}

int TabGetCurSel(HWND tab) {
    auto* t = qobject_cast<QTabBar*>(tab);
    return t ? t->currentIndex() : -1;
}

int TabSetCurSel(HWND tab, int index) {
    auto* t = qobject_cast<QTabBar*>(tab);
    if (!t || index < 0 || index >= t->count())
        return -1;
    const int old = t->currentIndex();
    QSignalBlocker block(t);
    t->setCurrentIndex(index);
    return old;
}

HWND CreateTreeView(HWND parent, uintptr_t id, const RECT& r) {
    if (!parent)
        return nullptr;
    auto* t = new QTreeWidget(parent);
    t->setHeaderHidden(true);
    t->setColumnCount(1);
    t->setIconSize(QSize(34, 34));
    place(t, r, id);
    QObject::connect(t, &QTreeWidget::currentItemChanged, t, [t, id] {
        NMHDR hdr;
        hdr.hwndFrom = t;
        hdr.idFrom = id;
        hdr.code = TVN_SELCHANGED;
        SendMessage(t->parentWidget(), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&hdr));
    });
    const auto expanding = [t, id](QTreeWidgetItem* item, int action) {
        NMTREEVIEW nm;
        nm.hdr.hwndFrom = t;
        nm.hdr.idFrom = id;
        nm.hdr.code = TVN_ITEMEXPANDING;
        nm.action = action;
        nm.item = item;
        SendMessage(t->parentWidget(), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&nm));
    };
    QObject::connect(t, &QTreeWidget::itemExpanded, t,
                     [expanding](QTreeWidgetItem* item) { expanding(item, TVE_EXPAND); });
    QObject::connect(t, &QTreeWidget::itemCollapsed, t,
                     [expanding](QTreeWidgetItem* item) { expanding(item, TVE_COLLAPSE); });
    return t;
}

HTREEITEM TreeInsertItem(HWND tree, HTREEITEM parent, const std::u16string& text, intptr_t param,
                         int image) {
    auto* t = qobject_cast<QTreeWidget*>(tree);
    if (!t)
        return nullptr;
    auto* item = parent ? new QTreeWidgetItem(static_cast<QTreeWidgetItem*>(parent))
                        : new QTreeWidgetItem(t);
    item->setText(0, dev::toQString(text));
    item->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(param));
    item->setData(0, Qt::UserRole + 1, image);
    if (image >= 0) {
        const auto* images = static_cast<const ImageList*>(t->property("hvImages").value<void*>());
        if (images && image < images->count())
            item->setIcon(0, QIcon(QPixmap::fromImage(images->frames().copy(
                                 image * images->frameWidth(), 0, images->frameWidth(),
                                 images->frameHeight()))));
    }
    return item;
}

void TreeSetImages(HWND tree, const ImageList* images) {
    if (auto* t = qobject_cast<QTreeWidget*>(tree))
        t->setProperty("hvImages", QVariant::fromValue<void*>(const_cast<ImageList*>(images)));
}

HTREEITEM TreeGetSelection(HWND tree) {
    auto* t = qobject_cast<QTreeWidget*>(tree);
    return t ? t->currentItem() : nullptr;
}

intptr_t TreeGetItemParam(HWND tree, HTREEITEM item) {
    if (!qobject_cast<QTreeWidget*>(tree) || !item)
        return 0;
    return static_cast<intptr_t>(
        static_cast<QTreeWidgetItem*>(item)->data(0, Qt::UserRole).toLongLong());
}

bool TreeSelectItem(HWND tree, HTREEITEM item) {
    auto* t = qobject_cast<QTreeWidget*>(tree);
    if (!t || !item)
        return false;
    t->setCurrentItem(static_cast<QTreeWidgetItem*>(item));
    return true;
}

void TreeExpand(HWND tree, HTREEITEM item) {
    if (qobject_cast<QTreeWidget*>(tree) && item)
        static_cast<QTreeWidgetItem*>(item)->setExpanded(true);
}

void TreeCollapse(HWND tree, HTREEITEM item) {
    if (qobject_cast<QTreeWidget*>(tree) && item)
        static_cast<QTreeWidgetItem*>(item)->setExpanded(false);
}

bool TreeIsExpanded(HWND tree, HTREEITEM item) {
    return qobject_cast<QTreeWidget*>(tree) && item &&
           static_cast<QTreeWidgetItem*>(item)->isExpanded();
}

bool TreeSetHasChildren(HWND tree, HTREEITEM item, bool has) {
    auto* t = qobject_cast<QTreeWidget*>(tree);
    if (!t || !item || static_cast<QTreeWidgetItem*>(item)->treeWidget() != t)
        return false;
    static_cast<QTreeWidgetItem*>(item)->setChildIndicatorPolicy(
        has ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicator);
    return true;
}

bool TreeHasChildrenButton(HWND tree, HTREEITEM item) {
    if (!qobject_cast<QTreeWidget*>(tree) || !item)
        return false;
    const auto* i = static_cast<QTreeWidgetItem*>(item);
    return i->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator || i->childCount() > 0;
}

void TreeDeleteChildren(HWND tree, HTREEITEM item) {
    if (!qobject_cast<QTreeWidget*>(tree) || !item)
        return;
    for (QTreeWidgetItem* child : static_cast<QTreeWidgetItem*>(item)->takeChildren())
        delete child;
}

HTREEITEM TreeGetParent(HWND tree, HTREEITEM item) {
    if (!qobject_cast<QTreeWidget*>(tree) || !item)
        return nullptr;
    return static_cast<QTreeWidgetItem*>(item)->parent();
}

std::vector<HTREEITEM> TreeGetChildren(HWND tree, HTREEITEM item) {
    std::vector<HTREEITEM> out;
    auto* t = qobject_cast<QTreeWidget*>(tree);
    if (!t)
        return out;
    if (!item) {
        for (int i = 0; i < t->topLevelItemCount(); ++i)
            out.push_back(t->topLevelItem(i));
        return out;
    }
    auto* parent = static_cast<QTreeWidgetItem*>(item);
    for (int i = 0; i < parent->childCount(); ++i)
        out.push_back(parent->child(i));
    return out;
}

std::u16string TreeGetItemText(HWND tree, HTREEITEM item) {
    if (!qobject_cast<QTreeWidget*>(tree) || !item)
        return {};
    return dev::fromQString(static_cast<QTreeWidgetItem*>(item)->text(0));
}

int TreeGetItemImage(HWND tree, HTREEITEM item) {
    if (!qobject_cast<QTreeWidget*>(tree) || !item)
        return -1;
    return static_cast<QTreeWidgetItem*>(item)->data(0, Qt::UserRole + 1).toInt();
}

// ---- Message boxes ---------------------------------------------------------------------------

QWidget* QtMessageBoxes::owner() const {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    if (mainWindow_ && mainWindow_->isVisible())
        return mainWindow_->window();
    return nullptr;
}

dev::MbResult QtMessageBoxes::show(const std::u16string& caption, const std::u16string& text,
                                   dev::MbIcon icon, dev::MbButtons buttons) {
    // Parented, the box is centred over its owner and keeps it from input until answered.
    QWidget* over = owner();
    QMessageBox box(over);
    box.setWindowModality(Qt::ApplicationModal);
    if (over) {
        // The box takes its size when shown; then it stands in the middle of its owner.
        QTimer::singleShot(0, &box, [&box, over = QPointer<QWidget>(over)] {
            if (!over)
                return;
            const QRect o = over->window()->geometry();
            box.move(o.left() + (o.width() - box.width()) / 2,
                     o.top() + (o.height() - box.height()) / 2);
        });
    }
    box.setWindowTitle(dev::toQString(caption));
    box.setText(dev::toQString(text));
    switch (icon) {
    case dev::MbIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case dev::MbIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case dev::MbIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case dev::MbIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    switch (buttons) {
    case dev::MbButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case dev::MbButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case dev::MbButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case dev::MbButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return dev::MbResult::Ok;
    case QMessageBox::Yes:
        return dev::MbResult::Yes;
    case QMessageBox::No:
        return dev::MbResult::No;
    default:
        // Closing the box is Cancel where there is one, else the only answer it has.
        if (buttons == dev::MbButtons::Ok)
            return dev::MbResult::Ok;
        if (buttons == dev::MbButtons::YesNo)
            return dev::MbResult::No;
        return dev::MbResult::Cancel;
    }
}

} // namespace hv::tk

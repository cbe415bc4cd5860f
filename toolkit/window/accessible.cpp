#include "toolkit/window/accessible.h"

#include "device/text.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QVariant>
#include <QWindow>

namespace hv::tk {

namespace {

constexpr const char* kDescriberProperty = "hvAccessibleDescriber";

Describer describerOf(const QObject* object) {
    const QVariant v = object->property(kDescriberProperty);
    return v.isValid() ? reinterpret_cast<Describer>(v.value<quintptr>()) : nullptr;
}

Accessible describeWindow(const QWidget* w) {
    return static_cast<const SWindow*>(w)->accessibility();
}

// A value that reads as a number (a year, a count) is told through the value interface too.
bool valueIsNumber(const QString& value, double* number) {
    bool ok = false;
    const double n = value.toDouble(&ok);
    if (ok && number)
        *number = n;
    return ok;
}

class WindowAccessible;

// A part the window draws itself: valid while the window tells that many parts.
class PartAccessible : public QAccessibleInterface {
public:
    PartAccessible(QWidget* owner, Describer describe, int index)
        : owner_(owner), describe_(describe), index_(index) {}

    bool isValid() const override { return owner_ && index_ < partCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return owner_ ? owner_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return owner_ ? QAccessible::queryAccessibleInterface(owner_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        const AccessiblePart p = part();
        switch (t) {
        case QAccessible::Name:
            return p.name;
        case QAccessible::Value:
            return p.value;
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const AccessiblePart p = part();
        if (!owner_ || p.rect.isEmpty())
            return {};
        return QRect(owner_->mapToGlobal(p.rect.topLeft()), p.rect.size());
    }
    QAccessible::Role role() const override { return part().role; }
    QAccessible::State state() const override {
        QAccessible::State s;
        const AccessiblePart p = part();
        const bool shown =
            owner_ && owner_->isVisible() && !p.rect.isEmpty() && owner_->rect().intersects(p.rect);
        s.invisible = !shown;
        s.offscreen = !shown;
        s.disabled = !owner_ || !owner_->isEnabled();
        if (p.role == QAccessible::ListItem || p.role == QAccessible::PageTab) {
            s.selectable = true;
            s.selected = p.selected;
        }
        if (p.role == QAccessible::CheckBox) {
            s.checkable = true;
            s.checked = p.selected;
        }
        return s;
    }

private:
    int partCount() const { return static_cast<int>(describe_(owner_.data()).parts.size()); }
    AccessiblePart part() const {
        if (!owner_)
            return {};
        Accessible a = describe_(owner_.data());
        if (index_ >= static_cast<int>(a.parts.size()))
            return {};
        return std::move(a.parts[static_cast<size_t>(index_)]);
    }

    QPointer<QWidget> owner_;
    Describer describe_;
    int index_;
};

// A window that draws itself: its child windows, then the parts it tells.
// The roles whose value a screen reader reads as their text (a combo box's choice, a spin box's
// time): the value is told through a read-only text interface too.
bool valueIsText(QAccessible::Role r) {
    return r == QAccessible::ComboBox || r == QAccessible::SpinBox;
}

class WindowAccessible : public QAccessibleWidget,
                         public QAccessibleValueInterface,
                         public QAccessibleTextInterface {
public:
    WindowAccessible(QWidget* w, Describer describe)
        : QAccessibleWidget(w, QAccessible::Client), describe_(describe) {}
    ~WindowAccessible() override {
        for (QAccessible::Id id : parts_)
            QAccessible::deleteAccessibleInterface(id);
    }

    Accessible told() const { return describe_(widget()); }

    QAccessible::Role role() const override { return told().role; }
    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            if (!widget()->accessibleName().isEmpty())
                return widget()->accessibleName();
            return told().name;
        case QAccessible::Value:
            return told().value;
        case QAccessible::Description:
            if (!widget()->accessibleDescription().isEmpty())
                return widget()->accessibleDescription();
            return told().description;
        default:
            return QAccessibleWidget::text(t);
        }
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const Accessible a = told();
        if (a.role == QAccessible::ComboBox) {
            s.hasPopup = true;
            s.expandable = true;
            s.expanded = a.expanded;
            s.collapsed = !a.expanded;
        }
        return s;
    }

    int childCount() const override {
        return QAccessibleWidget::childCount() + static_cast<int>(told().parts.size());
    }
    QAccessibleInterface* child(int index) const override {
        const int windows = QAccessibleWidget::childCount();
        if (index < windows)
            return QAccessibleWidget::child(index);
        const int part = index - windows;
        if (part < 0 || part >= static_cast<int>(told().parts.size()))
            return nullptr;
        while (static_cast<int>(parts_.size()) <= part) {
            auto* iface = new PartAccessible(widget(), describe_, static_cast<int>(parts_.size()));
            parts_.push_back(QAccessible::registerAccessibleInterface(iface));
        }
        return QAccessible::accessibleInterface(parts_[static_cast<size_t>(part)]);
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        const int windows = QAccessibleWidget::childCount();
        for (size_t i = 0; i < parts_.size(); ++i)
            if (QAccessible::accessibleInterface(parts_[i]) == c)
                return static_cast<int>(i) + windows;
        return QAccessibleWidget::indexOfChild(c);
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const Accessible a = told();
        const QPoint at = widget()->mapFromGlobal(QPoint(x, y));
        for (size_t i = 0; i < a.parts.size(); ++i)
            if (a.parts[i].rect.contains(at))
                return child(QAccessibleWidget::childCount() + static_cast<int>(i));
        return QAccessibleWidget::childAt(x, y);
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface && valueIsNumber(told().value, nullptr))
            return static_cast<QAccessibleValueInterface*>(this);
        if (t == QAccessible::TextInterface && valueIsText(told().role))
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    // A value that is a number (a year list, a count) is told as one; it is read, not set.
    QVariant currentValue() const override {
        double n = 0;
        return valueIsNumber(told().value, &n) ? QVariant(n) : QVariant();
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return currentValue(); }
    QVariant minimumValue() const override { return currentValue(); }
    QVariant minimumStepSize() const override { return QVariant(); }

    // The value as a text that is read, never edited or selected.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        return told().value.mid(start, end < 0 ? -1 : end - start);
    }
    int characterCount() const override { return static_cast<int>(told().value.size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

private:
    Describer describe_;
    mutable std::vector<QAccessible::Id> parts_;
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (dynamic_cast<SWindow*>(w))
        return new WindowAccessible(w, describeWindow);
    if (Describer d = describerOf(w))
        return new WindowAccessible(w, d);
    // A top-level window of plain widgets (the main window) is a window, not a client area.
    if (w->isWindow() && w->metaObject() == &QWidget::staticMetaObject)
        return new QAccessibleWidget(w, QAccessible::Window);
    return nullptr;
}

} // namespace

void InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

void SetDescriber(QWidget* widget, Describer describer) {
    InstallAccessibility();
    if (widget)
        widget->setProperty(kDescriberProperty,
                            QVariant::fromValue(reinterpret_cast<quintptr>(describer)));
}

QString LabelName(const std::u16string& label) {
    QString s = dev::toQString(label).trimmed();
    s.replace(QStringLiteral("&&"), QStringLiteral("&"));
    while (s.endsWith(QLatin1Char(':')) || s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s.trimmed();
}

void SetAccessibleLabel(HWND hwnd, const std::u16string& label) {
    if (hwnd)
        hwnd->setAccessibleName(LabelName(label));
}

void AccessibleValueChanged(QWidget* widget) {
    if (!widget || !QAccessible::isActive())
        return;
    if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget)) {
        QAccessibleValueChangeEvent ev(widget, iface->text(QAccessible::Value));
        QAccessible::updateAccessibility(&ev);
    }
}

void AccessibleNameChanged(QWidget* widget) {
    if (!widget || !QAccessible::isActive())
        return;
    QAccessibleEvent ev(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&ev);
}

QString AccessibleNameOf(const QWidget* widget) {
    if (!widget)
        return {};
    if (!widget->accessibleName().isEmpty())
        return widget->accessibleName();
    QAccessibleInterface* iface =
        QAccessible::queryAccessibleInterface(const_cast<QWidget*>(widget));
    return iface ? iface->text(QAccessible::Name) : QString();
}

} // namespace hv::tk

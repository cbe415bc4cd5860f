#include "toolkit/platform/treeview.h"

#include "device/text.h"
#include "toolkit/window/SWindow.h"
#include "toolkit/window/picture.h"

#include <QTreeWidget>

namespace hv::tk {

using controls::place;

HWND CreateTreeView(HWND parent, uintptr_t id, const RECT& r) {
    if (!parent)
        return nullptr;
    auto* t = new QTreeWidget(parent);
    t->setHeaderHidden(true);
    t->setColumnCount(1);
    t->setIconSize(QSize(34, 34));
    place(t, r, id);
    QObject::connect(t, &QTreeWidget::currentItemChanged, t,
                     [t, id] { controls::notify(t, id, TVN_SELCHANGED); });
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

} // namespace hv::tk

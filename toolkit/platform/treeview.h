// The tree view (a Qt tree widget) of the folder browsers, with images and expand buttons.
#pragma once

#include "toolkit/platform/control.h"

#include <string>
#include <vector>

namespace hv::tk {

using HTREEITEM = void*;
HWND CreateTreeView(HWND parent, uintptr_t id, const RECT& r);
// Inserts under a parent item (nullptr: at the root); an image index of -1 shows none.
HTREEITEM TreeInsertItem(HWND tree, HTREEITEM parent, const std::u16string& text, intptr_t param,
                         int image = -1);
void TreeSetImages(HWND tree, const class ImageList* images);
HTREEITEM TreeGetSelection(HWND tree);
intptr_t TreeGetItemParam(HWND tree, HTREEITEM item);
bool TreeSelectItem(HWND tree, HTREEITEM item);
void TreeExpand(HWND tree, HTREEITEM item);
void TreeCollapse(HWND tree, HTREEITEM item);
bool TreeIsExpanded(HWND tree, HTREEITEM item);
// An item expanded or collapsed by a tap or by TreeExpand/TreeCollapse tells the tree's parent
// with WM_NOTIFY, TVN_ITEMEXPANDING and this record. The item's state has changed already, so the
// parent fills an expanded item's children or removes a collapsed item's.
struct NMTREEVIEW {
    NMHDR hdr;
    int action = 0; // TVE_EXPAND or TVE_COLLAPSE
    HTREEITEM item = nullptr;
};
// Shows the expand button on an item before its children are known (cChildren = 1) or takes it
// away (0). False for an item that is not in the tree.
bool TreeSetHasChildren(HWND tree, HTREEITEM item, bool has);
bool TreeHasChildrenButton(HWND tree, HTREEITEM item);
void TreeDeleteChildren(HWND tree, HTREEITEM item);
HTREEITEM TreeGetParent(HWND tree, HTREEITEM item);
std::vector<HTREEITEM> TreeGetChildren(HWND tree, HTREEITEM item); // nullptr: the top items
std::u16string TreeGetItemText(HWND tree, HTREEITEM item);
int TreeGetItemImage(HWND tree, HTREEITEM item);

} // namespace hv::tk

// The tree of the backup and restore pages: a tree view with check boxes on the items that take
// them (state image 1 unticked, 2 ticked, 0 none), the device classes' images, and the item a
// click's check box hit.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

class driver_tree_c {
public:
    static constexpr int tree_id = 100;

    bool create(HWND parent, HIMAGELIST class_images);
    HWND handle() const { return tree_; }
    void set_images(HIMAGELIST class_images);
    // Its indent and font at its window's scale (once per scale).
    void fit_to_scale();
    void clear();
    // The check boxes' image list is the tree's to make but its owner's to destroy: called as
    // the tree's parent is destroyed.
    void destroy_state_images();
    // image -1: no icon.
    HTREEITEM add(HTREEITEM parent, const std::wstring& text, int image, LPARAM data, bool check_box);
    void remove(HTREEITEM item) { TreeView_DeleteItem(tree_, item); }
    bool ticked(HTREEITEM item) const;
    void set_ticked(HTREEITEM item, bool ticked);
    bool has_check_box(HTREEITEM item) const;
    LPARAM data(HTREEITEM item) const;
    std::wstring text(HTREEITEM item) const;
    HTREEITEM first_root() const { return TreeView_GetRoot(tree_); }
    HTREEITEM first_child(HTREEITEM item) const { return TreeView_GetChild(tree_, item); }
    HTREEITEM next(HTREEITEM item) const { return TreeView_GetNextSibling(tree_, item); }
    HTREEITEM parent(HTREEITEM item) const { return TreeView_GetParent(tree_, item); }
    void sort_children(HTREEITEM item) { TreeView_SortChildren(tree_, item, FALSE); }
    void expand(HTREEITEM item) { TreeView_Expand(tree_, item, TVE_EXPAND); }
    // The item whose check box the last message's position (an NM_CLICK) is on, or null.
    HTREEITEM check_box_hit() const;
    // A point on an item's check box in the tree's client coordinates; (-1, -1) when it has none.
    POINT check_box_point(HTREEITEM item) const;

private:
    HWND tree_ = nullptr;
    unsigned fitted_dpi_ = 0;
};

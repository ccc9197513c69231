#include "ui/kit/driver_tree_win.h"

#include "ui/kit/screen_scale_win.h"
#include "ui/kit/ui_fonts_win.h"

#include <windowsx.h>

#include <vector>

bool driver_tree_c::create(HWND parent, HIMAGELIST class_images) {
    tree_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS,
                            0, 20, 300, 100, parent, reinterpret_cast<HMENU>(INT_PTR(tree_id)), GetModuleHandleW(nullptr),
                            nullptr);
    if (!tree_) return false;
    // Added after creation, so the tree makes its state images (the check boxes).
    SetWindowLongPtrW(tree_, GWL_STYLE, GetWindowLongPtrW(tree_, GWL_STYLE) | TVS_CHECKBOXES);
    fit_to_scale();
    set_images(class_images);
    return true;
}

void driver_tree_c::fit_to_scale() {
    const unsigned dpi = window_dpi(tree_);
    if (dpi == fitted_dpi_) return;
    fitted_dpi_ = dpi;
    TreeView_SetIndent(tree_, to_screen(22, dpi));
    // The system's font for controls at the tree's scale.
    set_control_font(tree_, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
}

void driver_tree_c::set_images(HIMAGELIST class_images) {
    if (tree_ && class_images) TreeView_SetImageList(tree_, class_images, TVSIL_NORMAL);
}

void driver_tree_c::destroy_state_images() {
    if (!tree_) return;
    if (HIMAGELIST states = TreeView_GetImageList(tree_, TVSIL_STATE)) {
        TreeView_SetImageList(tree_, nullptr, TVSIL_STATE);
        ImageList_Destroy(states);
    }
}

void driver_tree_c::clear() {
    if (tree_) TreeView_DeleteAllItems(tree_);
}

HTREEITEM driver_tree_c::add(HTREEITEM parent, const std::wstring& text, int image, LPARAM data, bool check_box) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    std::wstring copy = text;
    insert.item.pszText = copy.data();
    insert.item.lParam = data;
    insert.item.iImage = insert.item.iSelectedImage = image < 0 ? I_IMAGENONE : image;
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    insert.item.state = INDEXTOSTATEIMAGEMASK(check_box ? 1 : 0);
    HTREEITEM item = TreeView_InsertItem(tree_, &insert);
    // Some tree views give a new item a check box whatever the insert says: set it again.
    if (item) TreeView_SetItemState(tree_, item, INDEXTOSTATEIMAGEMASK(check_box ? 1 : 0), TVIS_STATEIMAGEMASK);
    return item;
}

bool driver_tree_c::ticked(HTREEITEM item) const {
    return ((TreeView_GetItemState(tree_, item, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) >> 12) == 2;
}

bool driver_tree_c::has_check_box(HTREEITEM item) const {
    return ((TreeView_GetItemState(tree_, item, TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) >> 12) != 0;
}

void driver_tree_c::set_ticked(HTREEITEM item, bool ticked) {
    if (item && has_check_box(item))
        TreeView_SetItemState(tree_, item, INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1), TVIS_STATEIMAGEMASK);
}

LPARAM driver_tree_c::data(HTREEITEM item) const {
    TVITEMW entry{};
    entry.mask = TVIF_PARAM | TVIF_HANDLE;
    entry.hItem = item;
    return TreeView_GetItem(tree_, &entry) ? entry.lParam : 0;
}

std::wstring driver_tree_c::text(HTREEITEM item) const {
    std::vector<wchar_t> buffer(1100, L'\0');
    TVITEMW entry{};
    entry.mask = TVIF_TEXT | TVIF_HANDLE;
    entry.hItem = item;
    entry.pszText = buffer.data();
    entry.cchTextMax = int(buffer.size());
    return TreeView_GetItem(tree_, &entry) ? std::wstring(buffer.data()) : std::wstring();
}

HTREEITEM driver_tree_c::check_box_hit() const {
    DWORD position = GetMessagePos();
    TVHITTESTINFO hit{};
    hit.pt = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ScreenToClient(tree_, &hit.pt);
    HTREEITEM item = TreeView_HitTest(tree_, &hit);
    return item && (hit.flags & TVHT_ONITEMSTATEICON) ? item : nullptr;
}

POINT driver_tree_c::check_box_point(HTREEITEM item) const {
    RECT text{};
    TreeView_GetItemRect(tree_, item, &text, TRUE);
    int middle = (text.top + text.bottom) / 2;
    for (int x = 0; x < text.left; ++x) {
        TVHITTESTINFO hit{};
        hit.pt = {x, middle};
        if (TreeView_HitTest(tree_, &hit) == item && (hit.flags & TVHT_ONITEMSTATEICON)) return POINT{x + 6, middle};
    }
    return POINT{-1, -1};
}

#include "ui/tree_page_win.h"

#include "i18n/language_table.h"
#include "ui/ui_fonts_win.h"

bool tree_page_c::create_page(HWND parent, const RECT& area) {
    register_class(class_name_, GetModuleHandleW(nullptr));
    return create(class_name_, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, area.left, area.top,
                  area.right - area.left, area.bottom - area.top, parent) != nullptr;
}

int tree_page_c::class_image(const device_store_c& store, const device_c* device) {
    const device_class_c* found = device ? find_device_class(store, *device) : nullptr;
    return found ? found->image_index : -1;
}

bool tree_page_c::page_message(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool tree_page_c::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CREATE: on_create(); return true;
        case WM_SIZE: on_size(); return true;
        case WM_ERASEBKGND: result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_DESTROY:
            on_destroy();
            tree_.destroy_state_images();
            return false;
        case WM_SHOWWINDOW:
            if (wparam) refresh();
            return false;
        case WM_NOTIFY: on_notify(*reinterpret_cast<const NMHDR*>(lparam)); return true;
        case WM_ITEM_TICKED: on_ticked(reinterpret_cast<HTREEITEM>(lparam)); return true;
        case WM_COMMAND:
            if (LOWORD(wparam) == button_id && HIWORD(wparam) == BN_CLICKED) on_button();
            return true;
        default: return page_message(message, wparam, lparam, result);
    }
}

void tree_page_c::on_create() {
    tree_.create(handle(), nullptr);
    HWND button = CreateWindowExW(0, L"BUTTON", language_text(button_key_).c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 440, 320, 220, 100, handle(),
                                  reinterpret_cast<HMENU>(INT_PTR(button_id)), GetModuleHandleW(nullptr), nullptr);
    button_.attach(button, 468, 469, 470, verdana(22));
}

void tree_page_c::on_size() {
    RECT client;
    GetClientRect(handle(), &client);
    MoveWindow(tree_.handle(), 0, 20, 300, client.bottom - 25, TRUE);
    // 140 pixels right of the tree.
    MoveWindow(button_.handle(), 300 + 140, 320, 220, 100, TRUE);
    InvalidateRect(handle(), nullptr, FALSE);
}

void tree_page_c::on_notify(const NMHDR& header) {
    if (header.idFrom != driver_tree_c::tree_id) return;
    if (header.code == NM_CLICK) {
        // The tree changes the tick after this notification: look at it once it has.
        if (HTREEITEM item = tree_.check_box_hit()) PostMessageW(handle(), WM_ITEM_TICKED, 0, reinterpret_cast<LPARAM>(item));
    } else if (header.code == TVN_SELCHANGEDW) {
        on_selected(reinterpret_cast<const NMTREEVIEWW&>(header).itemNew.lParam);
        InvalidateRect(handle(), nullptr, FALSE);
    }
}

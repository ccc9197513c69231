#include "ui/kit/tree_page_win.h"

#include "i18n/language_table.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/accessible_object_win.h"
#include "ui/kit/window_keys_win.h"
#include "system/settings_win.h"

#include <oleacc.h>

bool tree_page_c::create_page(HWND parent, const RECT& area) {
    register_class(class_name_, GetModuleHandleW(nullptr));
    if (!create(class_name_, language_text(button_key_).c_str(), WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                area.left, area.top, area.right - area.left, area.bottom - area.top, parent))
        return false;
    make_control_parent(handle());
    return true;
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
        case WM_SETFOCUS: SetFocus(tree_.handle()); return true;
        case WM_DPICHANGED_AFTERPARENT: on_size(); return true;
        case WM_GETOBJECT: result = on_get_object(wparam, lparam); return result != 0;
        case WM_ITEM_TICKED: on_ticked(reinterpret_cast<HTREEITEM>(lparam)); return true;
        case WM_COMMAND:
            if (LOWORD(wparam) == button_id && HIWORD(wparam) == BN_CLICKED) on_button();
            return true;
        default: return page_message(message, wparam, lparam, result);
    }
}

void tree_page_c::on_create() {
    tree_.create(handle(), nullptr);
    SetWindowTextW(tree_.handle(), language_text(tree_name_key()).c_str());
    HWND button = CreateWindowExW(0, L"BUTTON", language_text(button_key_).c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 440, 320, 220, 100, handle(),
                                  reinterpret_cast<HMENU>(INT_PTR(button_id)), GetModuleHandleW(nullptr), nullptr);
    button_.attach(button, skin::big_button, verdana(22));
}

void tree_page_c::on_size() {
    const RECT client = design_client_rect(handle());
    place_design(tree_.handle(), 0, 20, 300, client.bottom - 25);
    // 140 pixels right of the tree.
    place_design(button_.handle(), 300 + 140, 320, 220, 100);
    tree_.fit_to_scale();
    InvalidateRect(handle(), nullptr, FALSE);
}

void tree_page_c::on_notify(const NMHDR& header) {
    if (header.idFrom != driver_tree_c::tree_id) return;
    if (header.code == NM_CLICK) {
        // The tree changes the tick after this notification: look at it once it has.
        if (HTREEITEM item = tree_.check_box_hit()) PostMessageW(handle(), WM_ITEM_TICKED, 0, reinterpret_cast<LPARAM>(item));
    } else if (header.code == TVN_KEYDOWN && reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey == VK_SPACE) {
        // Space ticks the selected item; as with a click, the tick changes after this.
        HTREEITEM item = TreeView_GetSelection(tree_.handle());
        if (item && tree_.has_check_box(item)) PostMessageW(handle(), WM_ITEM_TICKED, 0, reinterpret_cast<LPARAM>(item));
    } else if (header.code == TVN_SELCHANGEDW) {
        on_selected(reinterpret_cast<const NMTREEVIEWW&>(header).itemNew.lParam);
        InvalidateRect(handle(), nullptr, FALSE);
    }
}

// What the page draws beside the tree, for a screen reader: the details block's title and rows
// (label and value), the settings block's title and the backup folder.
LRESULT tree_page_c::on_get_object(WPARAM wparam, LPARAM lparam) {
    const RECT client = design_client_rect(handle());
    auto text = [&](std::wstring name, int y) {
        accessible_element_c element;
        element.name = std::move(name);
        element.rect = RECT{310, y, client.right - 10, y + 20};
        return element;
    };
    std::vector<accessible_element_c> elements = {text(language_text(details_title()), 37)};
    int y = 65;
    for (const auto& row : details()) {
        elements.push_back(text(language_text(row.first) + L" " + row.second, y));
        y += 24;
    }
    elements.push_back(text(language_text(settings_title()), 252));
    elements.push_back(text(language_text("config_backup_path") + L" " + settings().backup_path, 280));
    return answer_accessible_object(handle(), wparam, lparam, ROLE_SYSTEM_PROPERTYPAGE, std::move(elements));
}

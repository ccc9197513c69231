#include "ui/restore_window_win.h"

#include "app/machine_facts.h"
#include "app/settings_win.h"
#include "backup/restore_job.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "devices/system_source.h"
#include "download/unpacked_files.h"
#include "i18n/language_table.h"
#include "ui/backup_details_win.h"
#include "ui/gdi_objects_win.h"
#include "ui/message_window_win.h"
#include "ui/ui_fonts_win.h"

#include <mutex>

namespace {

constexpr const wchar_t* restore_class = L"VantorelRestorePage";

int class_image(const device_store_c& store, const device_c* device) {
    const device_class_c* found = device ? find_device_class(store, *device) : nullptr;
    return found ? found->image_index : -1;
}

}  // namespace

bool restore_window_c::create_page(HWND parent, const RECT& area) {
    register_class(restore_class, GetModuleHandleW(nullptr));
    return create(restore_class, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, area.left, area.top,
                  area.right - area.left, area.bottom - area.top, parent) != nullptr;
}

bool restore_window_c::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CREATE: on_create(); return true;
        case WM_SIZE: on_size(); return true;
        case WM_ERASEBKGND: result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_SHOWWINDOW:
            if (wparam) refresh();
            return false;
        case WM_NOTIFY: on_notify(*reinterpret_cast<const NMHDR*>(lparam)); return true;
        case WM_ITEM_TICKED: on_ticked(reinterpret_cast<HTREEITEM>(lparam)); return true;
        case WM_NO_BACKUP:
            if (IsWindowVisible(handle()))
                message_window_c(language_text("restore_no_backup"), 0).run(GetAncestor(handle(), GA_ROOT));
            return true;
        case WM_COMMAND:
            if (LOWORD(wparam) == button_id && HIWORD(wparam) == BN_CLICKED) on_button();
            return true;
        default: return false;
    }
}

void restore_window_c::on_create() {
    tree_.create(handle(), nullptr);
    HWND button = CreateWindowExW(0, L"BUTTON", language_text("btn_restore").c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 440, 320, 220, 100, handle(),
                                  reinterpret_cast<HMENU>(INT_PTR(button_id)), GetModuleHandleW(nullptr), nullptr);
    button_.attach(button, 468, 469, 470, verdana(22));
}

void restore_window_c::on_size() {
    RECT client;
    GetClientRect(handle(), &client);
    MoveWindow(tree_.handle(), 0, 20, 300, client.bottom - 25, TRUE);
    MoveWindow(button_.handle(), 300 + 140, 320, 220, 100, TRUE);
    InvalidateRect(handle(), nullptr, FALSE);
}

void restore_window_c::set_store(const device_store_c* store) {
    if (store == store_) return;
    store_ = store;
    shown_.clear();
    selected_ = nullptr;
    tree_.clear();
}

void restore_window_c::refresh() {
    tree_.clear();
    selected_ = nullptr;
    shown_.clear();
    if (!store_) return;
    tree_.set_images(class_image_list(store_->class_images.get()));
    {
        std::lock_guard<std::mutex> guard(backup_index_lock);
        load_backup_index(backup_index, index_path_, settings().backup_path, *store_);
        shown_ = backup_index;
    }
    for (const backup_entry_c& entry : shown_) {
        if (entry.devices.empty()) continue;
        HTREEITEM backup = tree_.add(nullptr, ansi_to_wide(entry.file_name), class_image(*store_, entry.devices.front().device),
                                     reinterpret_cast<LPARAM>(&entry.devices.front()), true);
        for (const backup_device_c& device : entry.devices)
            tree_.add(backup, device.device ? device.device->display_name : device.desc, class_image(*store_, device.device),
                      reinterpret_cast<LPARAM>(&device), false);
    }
    tree_.sort_children(nullptr);
    if (!tree_.first_root()) PostMessageW(handle(), WM_NO_BACKUP, 0, 0);
    InvalidateRect(handle(), nullptr, FALSE);
}

void restore_window_c::on_notify(const NMHDR& header) {
    if (header.idFrom != driver_tree_c::tree_id) return;
    if (header.code == NM_CLICK) {
        if (HTREEITEM item = tree_.check_box_hit()) PostMessageW(handle(), WM_ITEM_TICKED, 0, reinterpret_cast<LPARAM>(item));
    } else if (header.code == TVN_SELCHANGEDW) {
        const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
        selected_ = reinterpret_cast<const backup_device_c*>(change.itemNew.lParam);
        InvalidateRect(handle(), nullptr, FALSE);
    }
}

void restore_window_c::on_ticked(HTREEITEM item) {
    if (!tree_.ticked(item)) return;
    // One backup at a time.
    for (HTREEITEM other = tree_.first_root(); other; other = tree_.next(other))
        if (other != item) tree_.set_ticked(other, false);
}

void restore_window_c::on_button() {
    HWND owner = GetAncestor(handle(), GA_ROOT);
    HTREEITEM ticked = nullptr;
    for (HTREEITEM item = tree_.first_root(); item && !ticked; item = tree_.next(item))
        if (tree_.ticked(item)) ticked = item;
    if (!ticked) {
        message_window_c(language_text("restore_no_driver"), 1).run(owner);
        return;
    }
    installer_context_c context{program_folder(), settings().backup_path, is_64bit_windows(), &launcher_, &disk_files(), false};
    restore_backup(tree_.text(ticked), settings().backup_path, context);
}

void restore_window_c::on_paint() {
    paint_dc_c paint(handle());
    RECT client;
    GetClientRect(handle(), &client);
    off_screen_c surface(paint.get(), client.right, client.bottom);
    const backup_device_c* device = selected_;
    detail_lines_c rows;
    rows.push_back({"backup_date", device ? device->backup_date : L""});
    rows.push_back({"device_detail_list_device_id", device ? device->id : L""});
    rows.push_back({"device_detail_list_device_desc", device ? device->desc : L""});
    rows.push_back({"device_detail_list_manufacturer", device ? device->manu : L""});
    rows.push_back({"device_detail_list_inf_name", device ? device->name : L""});
    rows.push_back({"device_detail_list_inf_date", device ? device->driver_date : L""});
    rows.push_back({"device_detail_list_inf_version", device ? device->version : L""});
    paint_backup_details(surface.dc(), client, 472, "backup_info", rows, 475, "restore_settings");
    surface.copy_to(paint.get());
}

#include "ui/pages/restore_window_win.h"

#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "backup/backup_index.h"
#include "backup/undo_update.h"
#include "service/report_origin_win.h"
#include "system/data_places_win.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "devices/system_source.h"
#include "download/unpacked_files.h"
#include "i18n/language_table.h"
#include "ui/pages/backup_details_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/language_format.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/ui_fonts_win.h"

#include <mutex>

bool restore_window_c::page_message(UINT message, WPARAM wparam, LPARAM, LRESULT&) {
    if (message == WM_TIMER && wparam == restore_timer_id) {
        if (worker_.running()) return true;
        KillTimer(handle(), restore_timer_id);
        if (worker_.result() < 0)
            message_window_c(format_language_text("restore_failed", {utf8_to_wide(problem_ ? *problem_ : "")}, 1024), message_kind_c::error)
                .run(GetAncestor(handle(), GA_ROOT));
        return true;
    }
    if (message != WM_NO_BACKUP) return false;
    if (IsWindowVisible(handle()))
        message_window_c(language_text("restore_no_backup"), message_kind_c::information).run(GetAncestor(handle(), GA_ROOT));
    return true;
}

void restore_window_c::on_selected(LPARAM data) { selected_ = reinterpret_cast<const backup_device_c*>(data); }

void restore_window_c::set_store(std::shared_ptr<const device_store_c> store) {
    if (store == store_) return;
    store_ = std::move(store);
    shown_.clear();
    selected_ = nullptr;
    tree().clear();
}

void restore_window_c::refresh() {
    driver_tree_c& items = tree();
    items.clear();
    selected_ = nullptr;
    shown_.clear();
    if (!store_) return;
    items.set_images(class_image_list(store_->class_images.get()));
    {
        std::lock_guard<std::mutex> guard(backup_index_lock);
        load_backup_index(backup_index, index_path_, settings().backup_path, *store_);
        shown_ = backup_index;
    }
    for (const backup_entry_c& entry : shown_) {
        if (entry.devices.empty() || !entry.archive_present) continue;
        HTREEITEM backup = items.add(nullptr, ansi_to_wide(entry.file_name), class_image(*store_, entry.devices.front().device),
                                     reinterpret_cast<LPARAM>(&entry.devices.front()), true);
        for (const backup_device_c& device : entry.devices)
            items.add(backup, device.device ? device.device->display_name : device.desc, class_image(*store_, device.device),
                      reinterpret_cast<LPARAM>(&device), false);
    }
    items.sort_children(nullptr);
    if (!items.first_root()) PostMessageW(handle(), WM_NO_BACKUP, 0, 0);
    InvalidateRect(handle(), nullptr, FALSE);
}

void restore_window_c::on_ticked(HTREEITEM item) {
    driver_tree_c& items = tree();
    if (!items.ticked(item)) return;
    // One backup at a time.
    for (HTREEITEM other = items.first_root(); other; other = items.next(other))
        if (other != item) items.set_ticked(other, false);
}

void restore_window_c::on_button() {
    // One restore at a time: the button does nothing while one unpacks.
    if (worker_.running()) return;
    HWND owner = GetAncestor(handle(), GA_ROOT);
    driver_tree_c& items = tree();
    HTREEITEM ticked = nullptr;
    for (HTREEITEM item = items.first_root(); item && !ticked; item = items.next(item))
        if (items.ticked(item)) ticked = item;
    if (!ticked) {
        message_window_c(language_text("restore_no_driver"), message_kind_c::warning).run(owner);
        return;
    }
    installer_context_c context{program_folder(), settings().backup_path, is_64bit_windows(), &launcher_, &disk_files(), false};
    context.arm64_machine = system_machine() == processor_machine_c::arm64;
    context.restore_point = restore_point_description(settings());
    // Unpacking a large package takes a while: the window keeps answering meanwhile.
    auto problem = problem_ = std::make_shared<std::string>();
    const std::wstring archive = items.text(ticked);
    std::optional<sha256_digest_c> recorded;
    std::vector<std::wstring> devices;
    std::wstring version;
    {
        std::lock_guard<std::mutex> guard(backup_index_lock);
        recorded = recorded_archive_digest(backup_index, archive);
    }
    for (const backup_entry_c& entry : shown_)
        if (archive == utf8_to_wide(entry.file_name)) {
            version = entry.package_version;
            for (const backup_device_c& device : entry.devices)
                if (device.device) devices.push_back(device.device->instance_path);
        }
    // The restore is waited for: a failure is told, and a restore over drivers the program
    // installed counts as their update rolled back (reported where the user agreed).
    const std::wstring data_folder = data_places().folder;
    const undo_places_c places{data_folder, settings().backup_path, index_path_, report_origin_where_agreed(data_folder)};
    const bool started =
        worker_.start([archive, context, problem, recorded, devices, version, places](const std::atomic<bool>&) {
            return std::int32_t(restore_backup_over_updates(archive, recorded, devices, version, places, context, *problem));
        });
    if (!started) *problem = "no thread to run it on";
    // The outcome is read on a timer; a refused thread is told about on its first tick.
    SetTimer(handle(), restore_timer_id, 200, nullptr);
}

void restore_window_c::on_destroy() {
    KillTimer(handle(), restore_timer_id);
    worker_.wait_for(std::chrono::seconds(5));
}

detail_lines_c restore_window_c::details() const {
    const backup_device_c* device = selected_;
    detail_lines_c rows;
    rows.push_back({"backup_date", device ? device->backup_date : L""});
    rows.push_back({"device_detail_list_device_id", device ? device->id : L""});
    rows.push_back({"device_detail_list_device_desc", device ? device->desc : L""});
    rows.push_back({"device_detail_list_manufacturer", device ? device->manu : L""});
    rows.push_back({"device_detail_list_inf_name", device ? device->name : L""});
    rows.push_back({"device_detail_list_inf_date", device ? device->driver_date : L""});
    rows.push_back({"device_detail_list_inf_version", device ? device->version : L""});
    return rows;
}

void restore_window_c::on_paint() {
    paint_dc_c paint(handle());
    design_surface_c surface(handle(), paint.get());
    const RECT client = surface.client();
    paint_backup_details(surface.dc(), client, skin::details_icon, details_title(), details(), skin::restore_settings_icon, settings_title());
    surface.copy_to(paint.get());
}

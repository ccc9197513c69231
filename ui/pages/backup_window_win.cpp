#include "ui/pages/backup_window_win.h"

#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "backup/driver_store_win.h"
#include "common/date_text.h"
#include "common/file_open.h"
#include "common/path_join.h"
#include "devices/system_source.h"
#include "i18n/language_table.h"
#include "ui/pages/backup_details_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/kit/progress_bar_paint_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"

#include <algorithm>
#include <cwchar>

namespace {
constexpr int bar_pattern = skin::backup_progress;
}  // namespace

void backup_window_c::configure(const driver_store_location_c* location, std::wstring index_path) {
    location_ = location;
    index_path_ = std::move(index_path);
}

void backup_window_c::set_store(std::shared_ptr<const device_store_c> store) {
    if (store == store_) return;
    store_ = std::move(store);
    // The candidates and the tree point into the records a new scan replaces.
    candidates_.clear();
    selected_ = nullptr;
    tree().clear();
    available_root_ = inbox_root_ = nullptr;
}

bool backup_window_c::page_message(UINT message, WPARAM wparam, LPARAM, LRESULT&) {
    if (message != WM_TIMER || wparam != timer_id) return false;
    on_timer();
    return true;
}

void backup_window_c::on_selected(LPARAM data) { selected_ = reinterpret_cast<const device_c*>(data); }

void backup_window_c::refresh() {
    // While a job runs the lists stay as they are, its ticks among them (unless a new scan
    // emptied them), and the index is the job's to record into.
    bool job_runs = worker_.running();
    if (job_runs && available_root_) return;
    driver_tree_c& items = tree();
    items.clear();
    available_root_ = inbox_root_ = nullptr;
    selected_ = nullptr;
    candidates_.clear();
    if (!store_) return;
    items.set_images(class_image_list(store_->class_images.get()));
    candidates_ = build_backup_candidates(*store_, location_ ? *location_ : driver_store_location(), os_version_number());
    if (!job_runs) {
        // The index as its file holds it now: the job's rewrite keeps the backups made before.
        std::lock_guard<std::mutex> guard(backup_index_lock);
        load_backup_index(backup_index, index_path_, settings().backup_path, *store_);
    }
    available_root_ = items.add(nullptr, language_text("backup_available_drivers"), -1, 0, true);
    inbox_root_ = items.add(nullptr, language_text("backup_inbox_drivers"), -1, 0, true);
    for (const backup_candidate_c& candidate : candidates_) {
        const device_c& first = *candidate.devices.front();
        const device_class_c* found = find_device_class(*store_, first);
        // A device of a class the system does not describe goes by its own name.
        const wchar_t* text = found && found->description[0] ? found->description : first.display_name;
        HTREEITEM package = items.add(candidate.inbox ? inbox_root_ : available_root_, text,
                                      class_image(*store_, &first), reinterpret_cast<LPARAM>(&first), true);
        for (const device_c* device : candidate.devices)
            items.add(package, device->display_name, class_image(*store_, device), reinterpret_cast<LPARAM>(device), false);
    }
    items.sort_children(available_root_);
    items.expand(available_root_);
    if (items.first_child(inbox_root_)) {
        items.sort_children(inbox_root_);
    } else {
        items.remove(inbox_root_);
        inbox_root_ = nullptr;
    }
    InvalidateRect(handle(), nullptr, FALSE);
}

void backup_window_c::on_ticked(HTREEITEM item) {
    driver_tree_c& items = tree();
    HTREEITEM parent = items.parent(item);
    if (!parent) {  // a root: all of its packages follow it
        bool ticked = items.ticked(item);
        for (HTREEITEM child = items.first_child(item); child; child = items.next(child)) items.set_ticked(child, ticked);
    } else if (!items.parent(parent) && !items.ticked(item)) {
        items.set_ticked(parent, false);
    }
}

void backup_window_c::on_button() {
    if (worker_.running()) return;
    driver_tree_c& items = tree();
    std::vector<const backup_candidate_c*> ticked;
    for (HTREEITEM root : {available_root_, inbox_root_})
        for (HTREEITEM child = root ? items.first_child(root) : nullptr; child; child = items.next(child)) {
            if (!items.ticked(child)) continue;
            auto first = reinterpret_cast<const device_c*>(items.data(child));
            for (const backup_candidate_c& candidate : candidates_)
                if (candidate.devices.front() == first) ticked.push_back(&candidate);
        }
    HWND owner = GetAncestor(handle(), GA_ROOT);
    if (ticked.empty()) {
        message_window_c(language_text("backup_no_driver"), message_kind_c::warning).run(owner);
        return;
    }
    std::wstring folder = settings().backup_path;
    create_folders(folder);
    job_ = make_backup_job(ticked, location_ ? *location_ : driver_store_location(), folder, index_path_, today_local());
    job_packages_ = int(ticked.size());
    std::shared_ptr<backup_job_c> job = job_;
    if (worker_.start([job](const std::atomic<bool>&) { return run_backup_job(*job); }))
        SetTimer(handle(), timer_id, 200, nullptr);
    else  // no thread to run it on: nothing was backed up
        message_window_c(language_text("backup_failed"), message_kind_c::error).run(owner);
}

void backup_window_c::on_timer() {
    RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    if (worker_.running()) return;
    KillTimer(handle(), timer_id);
    bool failed = worker_.result() < 0;
    message_window_c(language_text(failed ? "backup_failed" : "backup_completed"), failed ? message_kind_c::error : message_kind_c::information)
        .run(GetAncestor(handle(), GA_ROOT));
}

void backup_window_c::stop_job() {
    if (!worker_.running()) return;
    if (job_) job_->stop.store(true);
    KillTimer(handle(), timer_id);
}

detail_lines_c backup_window_c::details() const {
    detail_lines_c rows;
    const device_c* device = selected_;
    rows.push_back({"device_detail_list_device_id", device ? device->instance_path : L""});
    rows.push_back({"device_detail_list_device_desc", device ? device->display_name : L""});
    rows.push_back({"device_detail_list_manufacturer", device ? device->driver_provider : L""});
    rows.push_back({"device_detail_list_inf_name", device ? device->inf_path : L""});
    rows.push_back({"device_detail_list_inf_date", device ? device->driver_date : L""});
    rows.push_back({"device_detail_list_inf_version", device ? device->driver_version : L""});
    return rows;
}

void backup_window_c::on_paint() {
    paint_dc_c paint(handle());
    design_surface_c surface(handle(), paint.get());
    const RECT client = surface.client();
    HDC dc = surface.dc();
    paint_backup_details(dc, client, skin::details_icon, details_title(), details(), skin::backup_settings_icon, settings_title());

    RECT bar = {320, 430, client.right - 20, 450};
    int packages = job_ ? job_packages_ : 0;
    paint_progress_bar(dc, bar, packages > 0 ? float(job_->progress.load()) / float(100 * packages) : 0.0f, bar_pattern);
    surface.copy_to(paint.get());
}

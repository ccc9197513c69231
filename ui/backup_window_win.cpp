#include "ui/backup_window_win.h"

#include "app/machine_facts.h"
#include "app/settings_win.h"
#include "backup/driver_store_win.h"
#include "common/date_text.h"
#include "common/file_open.h"
#include "common/path_join.h"
#include "devices/system_source.h"
#include "i18n/language_table.h"
#include "ui/backup_details_win.h"
#include "ui/gdi_objects_win.h"
#include "ui/message_window_win.h"
#include "ui/skin_images_win.h"
#include "ui/text_drawing_win.h"
#include "ui/ui_fonts_win.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr const wchar_t* backup_class = L"VantorelBackupPage";
constexpr int bar_pattern = 474;

int class_image(const device_store_c& store, const device_c& device) {
    const device_class_c* found = find_device_class(store, device);
    return found ? found->image_index : -1;
}

}  // namespace

bool backup_window_c::create_page(HWND parent, const RECT& area) {
    register_class(backup_class, GetModuleHandleW(nullptr));
    return create(backup_class, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, area.left, area.top,
                  area.right - area.left, area.bottom - area.top, parent) != nullptr;
}

bool backup_window_c::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
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
        case WM_COMMAND:
            if (LOWORD(wparam) == button_id && HIWORD(wparam) == BN_CLICKED) on_button();
            return true;
        case WM_TIMER:
            if (wparam == timer_id) on_timer();
            return true;
        default: return false;
    }
}

void backup_window_c::configure(const driver_store_location_c* location, std::wstring index_path) {
    location_ = location;
    index_path_ = std::move(index_path);
}

void backup_window_c::on_create() {
    tree_.create(handle(), nullptr);
    HWND button = CreateWindowExW(0, L"BUTTON", language_text("btn_backup").c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 440, 320, 220, 100, handle(),
                                  reinterpret_cast<HMENU>(INT_PTR(button_id)), GetModuleHandleW(nullptr), nullptr);
    button_.attach(button, 468, 469, 470, verdana(22));
}

void backup_window_c::on_size() {
    RECT client;
    GetClientRect(handle(), &client);
    MoveWindow(tree_.handle(), 0, 20, 300, client.bottom - 25, TRUE);
    MoveWindow(button_.handle(), 440, 320, 220, 100, TRUE);
    InvalidateRect(handle(), nullptr, FALSE);
}

void backup_window_c::set_store(const device_store_c* store) {
    if (store == store_) return;
    store_ = store;
    // The candidates and the tree point into the records a new scan replaces.
    candidates_.clear();
    selected_ = nullptr;
    tree_.clear();
    available_root_ = inbox_root_ = nullptr;
}

void backup_window_c::refresh() {
    tree_.clear();
    available_root_ = inbox_root_ = nullptr;
    selected_ = nullptr;
    candidates_.clear();
    if (!store_) return;
    tree_.set_images(class_image_list(store_->class_images.get()));
    candidates_ = build_backup_candidates(*store_, location_ ? *location_ : driver_store_location(), os_version_number());
    available_root_ = tree_.add(nullptr, language_text("backup_available_drivers"), -1, 0, true);
    inbox_root_ = tree_.add(nullptr, language_text("backup_inbox_drivers"), -1, 0, true);
    for (const backup_candidate_c& candidate : candidates_) {
        const device_c& first = *candidate.devices.front();
        const device_class_c* found = find_device_class(*store_, first);
        // A device of a class the system does not describe goes by its own name.
        const wchar_t* text = found && found->description[0] ? found->description : first.display_name;
        HTREEITEM package = tree_.add(candidate.inbox ? inbox_root_ : available_root_, text,
                                      class_image(*store_, first), reinterpret_cast<LPARAM>(&first), true);
        for (const device_c* device : candidate.devices)
            tree_.add(package, device->display_name, class_image(*store_, *device), reinterpret_cast<LPARAM>(device), false);
    }
    tree_.sort_children(available_root_);
    tree_.expand(available_root_);
    if (tree_.first_child(inbox_root_)) {
        tree_.sort_children(inbox_root_);
    } else {
        tree_.remove(inbox_root_);
        inbox_root_ = nullptr;
    }
    InvalidateRect(handle(), nullptr, FALSE);
}

void backup_window_c::on_notify(const NMHDR& header) {
    if (header.idFrom != driver_tree_c::tree_id) return;
    if (header.code == NM_CLICK) {
        // The tree changes the tick after this notification: look at it once it has.
        if (HTREEITEM item = tree_.check_box_hit()) PostMessageW(handle(), WM_ITEM_TICKED, 0, reinterpret_cast<LPARAM>(item));
    } else if (header.code == TVN_SELCHANGEDW) {
        const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
        selected_ = reinterpret_cast<const device_c*>(change.itemNew.lParam);
        InvalidateRect(handle(), nullptr, FALSE);
    }
}

void backup_window_c::on_ticked(HTREEITEM item) {
    HTREEITEM parent = tree_.parent(item);
    if (!parent) {  // a root: all of its packages follow it
        bool ticked = tree_.ticked(item);
        for (HTREEITEM child = tree_.first_child(item); child; child = tree_.next(child)) tree_.set_ticked(child, ticked);
    } else if (!tree_.parent(parent) && !tree_.ticked(item)) {
        tree_.set_ticked(parent, false);
    }
}

void backup_window_c::on_button() {
    if (worker_.running()) return;
    std::vector<const backup_candidate_c*> ticked;
    for (HTREEITEM root : {available_root_, inbox_root_})
        for (HTREEITEM child = root ? tree_.first_child(root) : nullptr; child; child = tree_.next(child)) {
            if (!tree_.ticked(child)) continue;
            auto first = reinterpret_cast<const device_c*>(tree_.data(child));
            for (const backup_candidate_c& candidate : candidates_)
                if (candidate.devices.front() == first) ticked.push_back(&candidate);
        }
    HWND owner = GetAncestor(handle(), GA_ROOT);
    if (ticked.empty()) {
        message_window_c(language_text("backup_no_driver"), 1).run(owner);
        return;
    }
    std::wstring folder = settings().backup_path;
    create_folders(folder);
    job_ = make_backup_job(ticked, location_ ? *location_ : driver_store_location(), folder, index_path_, today_local());
    job_packages_ = int(ticked.size());
    std::shared_ptr<backup_job_c> job = job_;
    if (worker_.start([job] { return run_backup_job(*job); })) SetTimer(handle(), timer_id, 200, nullptr);
}

void backup_window_c::on_timer() {
    RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    if (worker_.running()) return;
    KillTimer(handle(), timer_id);
    bool failed = worker_.result() < 0;
    message_window_c(language_text(failed ? "backup_failed" : "backup_completed"), failed ? 2 : 0)
        .run(GetAncestor(handle(), GA_ROOT));
}

void backup_window_c::finish_job(DWORD limit_ms) {
    if (!worker_.running()) return;
    if (job_) job_->stop.store(true);
    DWORD start = GetTickCount();
    while (worker_.running() && GetTickCount() - start < limit_ms) Sleep(20);
    KillTimer(handle(), timer_id);
}

void backup_window_c::on_paint() {
    paint_dc_c paint(handle());
    RECT client;
    GetClientRect(handle(), &client);
    off_screen_c surface(paint.get(), client.right, client.bottom);
    HDC dc = surface.dc();
    detail_lines_c rows;
    const device_c* device = selected_;
    rows.push_back({"device_detail_list_device_id", device ? device->instance_path : L""});
    rows.push_back({"device_detail_list_device_desc", device ? device->display_name : L""});
    rows.push_back({"device_detail_list_manufacturer", device ? device->driver_provider : L""});
    rows.push_back({"device_detail_list_inf_name", device ? device->inf_path : L""});
    rows.push_back({"device_detail_list_inf_date", device ? device->driver_date : L""});
    rows.push_back({"device_detail_list_inf_version", device ? device->driver_version : L""});
    paint_backup_details(dc, client, 472, "device_detail_driver_information", rows, 471, "backup_settings");

    RECT bar = {320, 430, client.right - 20, 450};
    fill_solid(dc, bar, RGB(226, 240, 253));
    int packages = job_ ? job_packages_ : 0;
    float fraction = packages > 0 ? float(job_->progress.load()) / float(100 * packages) : 0.0f;
    if (fraction > 1.0f) fraction = 1.0f;
    RECT done = {bar.left, bar.top, bar.left + int(float(bar.right - bar.left) * fraction), bar.bottom};
    if (done.right > done.left) {
        brush_c pattern(make_skin_pattern_brush(bar_pattern));
        SetBrushOrgEx(dc, bar.left, bar.top, nullptr);
        if (pattern) FillRect(dc, &done, pattern.get());
    }
    surface.copy_to(paint.get());
}

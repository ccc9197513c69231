#include "ui/main/main_window_win.h"

#include "backup/driver_store_win.h"

#include "system/command_line.h"
#include "system/process_arguments_win.h"
#include "system/machine_facts.h"
#include "system/data_places_win.h"
#include "common/path_join.h"
#include "download/download_session.h"
#include "i18n/language_table.h"
#include "ui/dialogs/about_window_win.h"
#include "ui/dialogs/config_window_win.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/kit/dialog_base_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/window_messages.h"

#include <windowsx.h>

main_window_c::main_window_c(main_window_options_c options)
    : ui_window_c(100),
      options_(std::move(options)),
      scan_(options_.workers),
      download_(launcher(), options_.task_calls),
      restore_(launcher()),
      presence_(options_.notify ? options_.notify : Shell_NotifyIconW) {}

main_window_c::~main_window_c() { scan_.stop_workers(); }

bool main_window_c::create_main_window() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!register_class(main_window_class_name, instance)) return false;
    DWORD style = WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    if (!create(main_window_class_name, product_title, style, 0, 0, width, height)) return false;
    // The 800 x 600 design at the scale of the monitor it opens on, centred on its work area.
    size_and_centre(handle(), width, height);
    // Windows' consent prompt for an installer comes up in front of this window.
    set_consent_owner(handle());
    return true;
}

bool main_window_c::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    if (ui_message(handle(), message, wparam, lparam, result)) return true;
    result = 0;
    if (presence_.callback_message() && message == presence_.callback_message()) {
        on_tray_message(lparam);
        return true;
    }
    if (presence_.handle_message(message, wparam)) return true;
    switch (message) {
        case WM_CREATE: on_create(); return true;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(handle(), &client);
            InflateRect(&client, -1, -1);
            fill_solid(reinterpret_cast<HDC>(wparam), client, RGB(255, 255, 255));
            result = 1;
            return true;
        }
        case WM_PAINT: ValidateRect(handle(), nullptr); return true;
        case WM_GETMINMAXINFO: on_min_max_info(*reinterpret_cast<MINMAXINFO*>(lparam)); return true;
        case WM_SETFOCUS:
            if (current_page_) SetFocus(current_page_);
            return true;
        case WM_SIZE: on_size(wparam); return true;
        case WM_COMMAND: on_command(LOWORD(wparam)); return true;
        case WM_GETOBJECT: result = on_get_object(wparam, lparam); return result != 0;
        case WM_START_SCAN: on_start_scan(); return true;
        case WM_SCAN_DONE: on_scan_done(); return true;
        case WM_SCAN_ABORTED: on_scan_aborted(); return true;
        case WM_SHOW_INSTANCE: on_show_instance(wparam != 0); return true;
        case WM_TIMER:
            if (wparam == tray_presence_c::auto_scan_timer_id) on_auto_scan_timer();
            if (wparam == deferred_scan_timer_id) on_deferred_scan_timer();
            if (wparam == download_poll_timer_id) poll_download_sessions();
            return true;
        case WM_SHOWWINDOW:
            if (wparam) on_shown();
            return false;
        case WM_CLOSE: on_close(); return true;
        case WM_DESTROY: on_destroy(); return true;
        default: return false;
    }
}

void main_window_c::on_create() {
    caption_.create(*this, {{&main_window_c::on_home_tab, &main_window_c::on_download_tab, &main_window_c::on_backup_tab,
                             &main_window_c::on_restore_tab, &main_window_c::on_settings},
                            &main_window_c::on_close,
                            &main_window_c::on_maximise,
                            &main_window_c::on_minimise,
                            &main_window_c::on_menu_button,
                            &main_window_c::on_logo});
    create_pages();
    menu_.load();
    load_icons();
    presence_.install(handle(), small_icon_.get(), alert_icon_.get(), product_title);
    SetTimer(handle(), download_poll_timer_id, download_poll_period_ms, nullptr);
    reset_region(handle());
    const std::vector<std::wstring>& arguments = options_.arguments.empty() ? process_arguments() : options_.arguments;
    if (is_single_switch(arguments, autoscan_switch)) SendMessageW(handle(), WM_START_SCAN, 0, 0);
}

void main_window_c::create_pages() {
    RECT client;
    GetClientRect(handle(), &client);
    home_.create_page(handle(), client);
    scan_.create_page(handle(), client);
    download_.create_page(handle(), client);
    download_.set_offer_chooser(options_.workers.choose_offers, options_.workers.hidden_offers_file);
    std::wstring index_path = options_.backup_index_path.empty() ? join_path(data_places().folder, L"backup.xml")
                                                                : options_.backup_index_path;
    backup_.configure(options_.store_location, index_path);
    restore_.configure(index_path);
    download_.configure_backups(options_.store_location ? options_.store_location : &driver_store_location(), index_path);
    backup_.create_page(handle(), client);
    restore_.create_page(handle(), client);
    current_page_ = home_.handle();
}

void main_window_c::load_icons() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto load = [instance](int id, int metric) {
        int size = GetSystemMetrics(metric);
        return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
    };
    large_icon_.reset(load(program_icon_id, SM_CXICON));
    small_icon_.reset(load(program_icon_id, SM_CXSMICON));
    alert_icon_.reset(load(alert_icon_id, SM_CXSMICON));
    SendMessageW(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_icon_.get()));
    SendMessageW(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_.get()));
}

void main_window_c::paint_caption(HDC dc, const RECT&) { caption_.paint(dc, small_icon_.get()); }

void main_window_c::on_min_max_info(MINMAXINFO& info) const {
    const unsigned dpi = window_dpi(handle());
    info.ptMinTrackSize.x = to_screen(width, dpi);
    info.ptMinTrackSize.y = to_screen(height, dpi);
}

void main_window_c::on_size(WPARAM kind) {
    if (kind == SIZE_MAXIMIZED || kind == SIZE_RESTORED) caption_.show_maximised(kind == SIZE_MAXIMIZED);
    if (kind == SIZE_MINIMIZED) return;
    RECT client;
    GetClientRect(handle(), &client);
    if (current_page_) MoveWindow(current_page_, 0, 0, client.right, client.bottom, TRUE);
    reset_region(handle());
    RedrawWindow(handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

void main_window_c::show_page(HWND page) {
    if (!page) return;
    if (page != current_page_) {
        if (current_page_) ShowWindow(current_page_, SW_HIDE);
        current_page_ = page;
    }
    // Pages hidden while the window changed size catch up with it here.
    RECT client;
    GetClientRect(handle(), &client);
    MoveWindow(page, 0, 0, client.right, client.bottom, TRUE);
    ShowWindow(page, SW_SHOW);
    SetFocus(page);
}

void main_window_c::on_home_tab() {
    // The scan page while a scan runs, otherwise the home page, also after a failed scan: that
    // scan's page stands still and has no start button, so the home page must stay in reach.
    show_page(scan_state_ == scan_state_c::scanning ? scan_.handle() : home_.handle());
}

void main_window_c::on_download_tab() { on_results_tab(download_.handle(), "home_download_msg"); }
void main_window_c::on_backup_tab() { on_results_tab(backup_.handle(), "home_backup_msg"); }
void main_window_c::on_restore_tab() { on_results_tab(restore_.handle(), "home_restore_msg"); }

void main_window_c::on_results_tab(HWND page, const char* message_key) {
    if (scan_state_ == scan_state_c::results)
        show_page(page);
    else
        show_message(language_text(message_key), message_kind_c::warning);
}

void main_window_c::show_message(const std::wstring& text, message_kind_c kind) { message_window_c(text, kind).run(handle()); }

shell_launcher_c& main_window_c::launcher() {
    return options_.launcher ? *options_.launcher : system_shell_launcher();
}

void main_window_c::on_settings() { config_window_c(options_.task_calls).run(handle()); }

void main_window_c::on_about() { about_window_c(launcher()).run(handle()); }

void main_window_c::on_logo() { launcher().open(product_page_link()); }

void main_window_c::on_maximise() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(handle(), &placement);
    ShowWindow(handle(), placement.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWNORMAL : SW_MAXIMIZE);
}

void main_window_c::on_minimise() { ShowWindow(handle(), SW_MINIMIZE); }

void main_window_c::on_menu_button() {
    RECT window, client;
    GetWindowRect(handle(), &window);
    GetClientRect(handle(), &client);
    const unsigned dpi = window_dpi(handle());
    const int from_edge = to_screen(103, dpi);
    int x = is_mirrored(handle()) ? window.right - client.right + from_edge : window.left + client.right - from_edge;
    menu_.open(handle(), x, window.top + to_screen(10, dpi), TPM_RIGHTBUTTON);
}

void main_window_c::on_command(UINT id) {
    if (on_key_command(id)) return;
    switch (id) {
        case command_settings: on_settings(); break;
        case command_help: launcher().open(help_link()); break;
        case command_about: on_about(); break;
        case command_exit: quit(); break;
        default: break;
    }
}

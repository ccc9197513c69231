// The main window's side of a scan: the scan page runs it and reports how it ended; the window
// keeps the scan state, shows the page that belongs to it and hands the results to the
// download page.
#include "ui/kit/language_format.h"
#include "ui/main/main_window_win.h"
#include "ui/kit/popup_menu_win.h"
#include "ui/kit/window_messages.h"

#include <ctime>

void main_window_c::on_start_scan() {
    // A retry arrives after the threads of the failed scan have ended; anything else that asks
    // while they still run waits for this scan's end.
    if (scan_.workers_running()) return;
    scan_state_ = scan_state_c::scanning;
    // The pages show the last scan's results until this one's are in; none while it runs.
    download_.drop_results();
    backup_.set_store(nullptr);
    restore_.set_store(nullptr);
    show_page(scan_.handle());
    // The automatic scan runs unattended: no box may come up from a window that may be hidden.
    scan_.begin(std::int64_t(std::time(nullptr)), presence_.auto_scan_running());
    RedrawWindow(scan_.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void main_window_c::on_scan_done() {
    scan_state_ = scan_state_c::results;
    scan_.reset_step();
    std::shared_ptr<const scan_result_c> result = scan_.result();
    download_.take_results(result);
    backup_.set_store(result ? result->devices : nullptr);
    restore_.set_store(result ? result->devices : nullptr);
    show_page(download_.handle());
    if (presence_.auto_scan_running()) {
        const int out_of_date = download_.counts().out_of_date;
        presence_.auto_scan_found(out_of_date, product_title, format_language_text("new_driver_notify", {out_of_date}, 32));
    }
}

void main_window_c::on_scan_aborted() {
    if (scan_state_ == scan_state_c::scanning) scan_state_ = scan_state_c::idle;
    // A failed automatic scan tells why in a balloon (when its failure has a text) and is not
    // tried again in this run: the one automatic scan is done, and a scan the user starts later
    // gives no tray notice of its own.
    if (presence_.auto_scan_running()) presence_.auto_scan_failed(product_title, scan_.failure_text());
    scan_.reset_step();
    show_page(home_.handle());
}

void main_window_c::on_show_instance(bool start_scan) {
    if (IsIconic(handle())) ShowWindow(handle(), SW_RESTORE);
    ShowWindow(handle(), SW_SHOW);
    SetForegroundWindow(handle());
    BringWindowToTop(handle());
    if (!start_scan || scan_state_ == scan_state_c::scanning) return;
    if (dialog_or_menu_open())
        SetTimer(handle(), deferred_scan_timer_id, deferred_scan_period_ms, nullptr);
    else
        SendMessageW(handle(), WM_START_SCAN, 0, 0);
}

// A modal dialog disables the main window (its owner); menus are counted as they are tracked.
bool main_window_c::dialog_or_menu_open() const { return !IsWindowEnabled(handle()) || popup_menu_open(); }

void main_window_c::on_deferred_scan_timer() {
    if (dialog_or_menu_open()) return;
    KillTimer(handle(), deferred_scan_timer_id);
    if (scan_state_ != scan_state_c::scanning) SendMessageW(handle(), WM_START_SCAN, 0, 0);
}

#include "ui/main/tray_presence_win.h"

void tray_presence_c::install(HWND owner, HICON icon, HICON alert_icon, const std::wstring& tip) {
    owner_ = owner;
    program_icon_ = icon;
    alert_icon_ = alert_icon;
    callback_message_ = RegisterWindowMessageW(L"WM_TRAYICON");
    taskbar_created_message_ = RegisterWindowMessageW(L"TaskbarCreated");
    // The shell may not have its notification area yet (a start with Windows): try again.
    if (!icon_.install(owner, icon_id, callback_message_, icon, tip)) SetTimer(owner, retry_timer_id, retry_period_ms, nullptr);
}

bool tray_presence_c::handle_message(UINT message, WPARAM wparam) {
    if (taskbar_created_message_ && message == taskbar_created_message_) {
        icon_.readd();
        return true;
    }
    if (message == WM_TIMER && wparam == retry_timer_id) {
        if (icon_.add()) KillTimer(owner_, retry_timer_id);
        return true;
    }
    return false;
}

bool tray_presence_c::hide() {
    const bool there = icon_.add();
    if (auto_scan_state_ == auto_scan_state_c::none) SetTimer(owner_, auto_scan_timer_id, auto_scan_delay_ms, nullptr);
    return there;
}

bool tray_presence_c::take_auto_scan(bool window_free) {
    // One automatic scan per run, whatever its end.
    if (auto_scan_state_ != auto_scan_state_c::none) {
        KillTimer(owner_, auto_scan_timer_id);
        return false;
    }
    if (!window_free) return false;
    KillTimer(owner_, auto_scan_timer_id);
    auto_scan_state_ = auto_scan_state_c::running;
    return true;
}

void tray_presence_c::auto_scan_found(int out_of_date, const std::wstring& title, const std::wstring& text) {
    auto_scan_state_ = auto_scan_state_c::notified;
    if (out_of_date <= 0) return;
    icon_.set_icon(alert_icon_);
    icon_.show_balloon(title, text);
}

void tray_presence_c::auto_scan_failed(const std::wstring& title, const std::wstring& reason) {
    auto_scan_state_ = auto_scan_state_c::notified;
    if (!reason.empty()) icon_.show_balloon(title, reason, NIIF_WARNING);
}

void tray_presence_c::window_shown() {
    if (auto_scan_state_ != auto_scan_state_c::notified) return;
    icon_.set_icon(program_icon_);
    auto_scan_state_ = auto_scan_state_c::seen;
}

void tray_presence_c::remove() {
    if (owner_) {
        KillTimer(owner_, auto_scan_timer_id);
        KillTimer(owner_, retry_timer_id);
    }
    icon_.remove();
}

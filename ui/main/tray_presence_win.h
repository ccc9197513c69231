// The main window's presence in the notification area: its icon (retried on a timer while the
// shell has no notification area yet, added again when Explorer restarts) and the one automatic
// scan that runs 15 minutes after the window went to the tray, told by the alert icon and a
// balloon until the user has seen the window again.
#pragma once

#include "ui/main/tray_icon_win.h"

#include <windows.h>

#include <string>

class tray_presence_c {
public:
    enum class auto_scan_state_c { none, running, notified, seen };

    explicit tray_presence_c(tray_icon_c::notify_t notify) : icon_(notify) {}

    // Adds the icon for the window with the program's icon and tip; the alert icon replaces it
    // after an automatic scan found updates.
    void install(HWND owner, HICON icon, HICON alert_icon, const std::wstring& tip);
    // The icon's callback message (0 before install).
    UINT callback_message() const { return callback_message_; }
    // Explorer's restart, the retry timer: true when the message was one of them.
    bool handle_message(UINT message, WPARAM wparam);
    // The window goes to the tray: true when the icon is there to bring it back. The automatic
    // scan's timer starts with the first hiding.
    bool hide();
    // The automatic scan's timer fired: true when the scan starts now (the window is idle and
    // free), which happens once per run; a busy window is asked again at the next period.
    bool take_auto_scan(bool window_free);
    bool auto_scan_running() const { return auto_scan_state_ == auto_scan_state_c::running; }
    // The automatic scan ended with results: the alert icon and a balloon when updates are out.
    void auto_scan_found(int out_of_date, const std::wstring& title, const std::wstring& text);
    // The automatic scan failed: a balloon with the reason, when there is one.
    void auto_scan_failed(const std::wstring& title, const std::wstring& reason);
    // The window is shown again: after a notice, the program's icon comes back.
    void window_shown();
    // The window is going: timers end and the icon is removed.
    void remove();

    const tray_icon_c& icon() const { return icon_; }
    auto_scan_state_c auto_scan_state() const { return auto_scan_state_; }

    static constexpr UINT_PTR auto_scan_timer_id = 0;
    static constexpr UINT auto_scan_delay_ms = 15 * 60 * 1000;
    static constexpr UINT_PTR retry_timer_id = 3;
    static constexpr UINT retry_period_ms = 5000;
    static constexpr UINT icon_id = 333;

private:
    tray_icon_c icon_;
    HWND owner_ = nullptr;
    HICON program_icon_ = nullptr;
    HICON alert_icon_ = nullptr;
    UINT callback_message_ = 0;
    UINT taskbar_created_message_ = 0;
    auto_scan_state_c auto_scan_state_ = auto_scan_state_c::none;
};

// Closing, quitting, the tray icon and the one automatic scan after the window went to the tray.
#include "system/settings_win.h"
#include "download/download_session.h"
#include "i18n/language_table.h"
#include "ui/dialogs/exit_wait_win.h"
#include "ui/kit/language_format.h"
#include "ui/main/main_window_win.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/kit/window_messages.h"

#include <algorithm>

void main_window_c::on_close() {
    switch (settings().close_to_tray) {
        case close_to_tray_c::quit: quit(); return;
        case close_to_tray_c::hide_with_notice:
            show_message(language_text("system_tray_warning"), message_kind_c::information);
            settings().close_to_tray = close_to_tray_c::hide;
            save_settings();
            break;
        case close_to_tray_c::hide: break;
    }
    hide_to_tray();
}

void main_window_c::hide_to_tray() {
    // Hidden without an icon, the window could not be reached again: minimise it instead.
    ShowWindow(handle(), presence_.hide() ? SW_HIDE : SW_MINIMIZE);
}

void main_window_c::quit() {
    // Downloads that have ended are complete, not asked about.
    poll_download_sessions();
    bool downloading = std::any_of(download_sessions.begin(), download_sessions.end(), [](const auto& session) {
        return session && session->state == download_state_c::downloading;
    });
    // A backup under way is asked about too; it ends after the package it is writing.
    bool backing_up = backup_.job_running();
    // An unpacking under way (a package's or a restore's) is asked about too; a package's stops,
    // and the package is offered again.
    bool installing = any_installation_running();
    bool restoring = restore_.unpacking();
    // The question names what runs: a download first, then a backup, then an unpacking.
    const char* question = downloading ? "quit_confirm" : backing_up ? "quit_confirm_backup" : "quit_confirm_install";
    if ((downloading || backing_up || installing || restoring) &&
        message_window_c(language_text(question), message_kind_c::question).run(handle()) != message_answer_c::accept)
        return;
    // What has to end first is waited for with a notice, every window still answering, and
    // within a bound: past it the program ends all the same.
    if (installing) {
        stop_installations(std::chrono::milliseconds(0));
        wait_with_notice(handle(), language_text("quit_wait_unpack"), [] { return any_installation_running(); },
                         unpack_wait_limit);
    }
    if (restoring)
        wait_with_notice(handle(), language_text("quit_wait_unpack"), [this] { return restore_.unpacking(); },
                         unpack_wait_limit);
    if (backing_up) {
        backup_.stop_job();
        wait_with_notice(handle(), language_text("quit_wait_backup"), [this] { return backup_.job_running(); },
                         backup_wait_limit);
    }
    DestroyWindow(handle());
}

void main_window_c::on_auto_scan_timer() {
    // Tried again at the next period when a scan runs or a dialog or a menu is open now.
    if (presence_.take_auto_scan(scan_state_ == scan_state_c::idle && !dialog_or_menu_open())) on_start_scan();
}

void main_window_c::on_shown() { presence_.window_shown(); }

void main_window_c::on_tray_message(LPARAM event) {
    // With a dialog open (it disables the window) the icon brings that dialog forward: a second
    // settings or about box, or Exit under the open one, would act behind its back.
    if ((event == WM_RBUTTONUP || event == WM_LBUTTONUP) && !IsWindowEnabled(handle())) {
        SetForegroundWindow(GetLastActivePopup(handle()));
        return;
    }
    if (event == WM_RBUTTONUP) {
        POINT cursor;
        GetCursorPos(&cursor);
        menu_.open(handle(), cursor.x, cursor.y, TPM_LEFTBUTTON);
    } else if (event == WM_LBUTTONUP) {
        if (IsWindowVisible(handle())) {
            ShowWindow(handle(), SW_HIDE);
        } else {
            ShowWindow(handle(), SW_SHOW);
            SetForegroundWindow(handle());
        }
    }
}

void main_window_c::on_destroy() {
    KillTimer(handle(), download_poll_timer_id);
    // The workers use the device store, which goes after the message loop.
    scan_.stop_workers();
    presence_.remove();
    PostQuitMessage(0);
}

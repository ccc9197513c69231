#include "ui/pages/install_gates_win.h"

#include "system/administrator_win.h"
#include "system/restart_windows_win.h"
#include "system/settings_win.h"
#include "common/text_convert.h"
#include "i18n/language_table.h"
#include "ui/kit/language_format.h"
#include "ui/dialogs/message_window_win.h"

bool window_install_gates_c::confirm_none_needed() {
    return message_window_c(language_text("download_setup_warning"), message_kind_c::question).run(owner_) == message_answer_c::accept;
}

bool window_install_gates_c::user_is_administrator() { return ::user_is_administrator(); }

void window_install_gates_c::offer_restart() {
    if (restart_offered_) return;
    restart_offered_ = true;
    if (message_window_c(language_text("install_box_restart"), message_kind_c::question).run(owner_) == message_answer_c::accept)
        restart_windows();
}

void window_install_gates_c::tell_no_restore_point(bool unavailable) {
    if (restore_point_told_) return;
    restore_point_told_ = true;
    message_window_c(language_text(unavailable ? "install_box_restore_point_off" : "install_box_restore_point_refused"),
                     message_kind_c::information)
        .run(owner_);
}

void window_install_gates_c::tell_administrator_required() {
    message_window_c(language_text("download_setup_require"), message_kind_c::error).run(owner_);
}

bool window_install_gates_c::confirm_without_backup(const std::string& problem) {
    return message_window_c(format_language_text("install_box_backup_failed", {utf8_to_wide(problem)}, 1024),
                            message_kind_c::question)
               .run(owner_) == message_answer_c::accept;
}

void window_install_gates_c::ask_about_reports() {
    if (settings().reports_asked) return;
    settings().reports_asked = 1;
    const bool yes = message_window_c(language_text("reports_question"), message_kind_c::question).run(owner_) ==
                     message_answer_c::accept;
    settings().send_reports = yes ? 1 : 0;
    save_settings();
}

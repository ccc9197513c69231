#include "ui/dialogs/folder_problem_notice_win.h"

#include "system/data_places_win.h"
#include "system/settings_win.h"
#include "ui/kit/language_format.h"
#include "ui/dialogs/message_window_win.h"

std::wstring folder_problem_text(const std::wstring& folder, unsigned long error) {
    return format_language_text("folder_not_usable", {folder, system_error_text(error)}, 1024);
}

void tell_folder_problems(HWND owner) {
    for (const folder_problem_c& problem : folder_problems()) {
        message_window_c notice(folder_problem_text(problem.folder, problem.error), message_kind_c::information);
        notice.run(owner);
    }
}

#include "ui/main/main_window_win.h"

#include "ui/kit/accessible_object_win.h"
#include "ui/kit/window_keys_win.h"

#include <oleacc.h>

bool main_window_c::on_key_command(UINT id) {
    switch (id) {
        case command_next_page: step_page(1); return true;
        case command_previous_page: step_page(-1); return true;
        case command_first_tab: on_home_tab(); return true;
        case command_first_tab + 1: on_download_tab(); return true;
        case command_first_tab + 2: on_backup_tab(); return true;
        case command_first_tab + 3: on_restore_tab(); return true;
        case command_first_tab + 4: on_settings(); return true;
        case command_open_menu: on_menu_button(); return true;
        case command_minimise: on_minimise(); return true;
        case command_maximise: on_maximise(); return true;
        case command_close: on_close(); return true;
        default: return false;
    }
}

// The pages in the order of their tabs, the home tab's page (home or scan) first; before a scan
// has results only that one can be shown, so the step stays there.
void main_window_c::step_page(int step) {
    HWND pages[4] = {scan_state_ == scan_state_c::scanning ? scan_.handle() : home_.handle(), download_.handle(),
                     backup_.handle(), restore_.handle()};
    int reachable = scan_state_ == scan_state_c::results ? 4 : 1;
    int at = 0;
    for (int i = 1; i < 4; ++i)
        if (current_page_ == pages[i]) at = i;
    int next = ((at + step) % reachable + reachable) % reachable;
    if (next == 0)
        on_home_tab();
    else
        show_page(pages[next]);
}

// The caption's tabs and buttons are drawn in the frame and are no windows: the client object
// lists them, the tab of the page shown selected (the home tab's page is home or scan).
LRESULT main_window_c::on_get_object(WPARAM wparam, LPARAM lparam) {
    HWND pages[4] = {home_.handle(), download_.handle(), backup_.handle(), restore_.handle()};
    int selected = current_page_ == scan_.handle() ? 0 : -1;
    for (int i = 0; i < 4; ++i)
        if (current_page_ == pages[i]) selected = i;
    return answer_accessible_object(handle(), wparam, lparam, ROLE_SYSTEM_CLIENT,
                                    caption_.accessible_elements(handle(), selected));
}

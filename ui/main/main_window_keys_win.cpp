#include "ui/main/main_window_win.h"

#include "i18n/language_table.h"
#include "ui/kit/accessible_object_win.h"
#include "ui/kit/window_keys_win.h"

#include <oleacc.h>

#include <string>

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

// The caption tabs and buttons are drawn in the frame and are no windows: the client object lists
// them, each tab a page tab named by its caption, the tab of the page shown selected, its shortcut
// given, then the menu, minimise, maximise and close buttons as push buttons; a press is each
// one's default action.
LRESULT main_window_c::on_get_object(WPARAM wparam, LPARAM lparam) {
    RECT window;
    GetWindowRect(handle(), &window);
    POINT client_origin = {0, 0};
    ClientToScreen(handle(), &client_origin);
    RECT surface = {0, 0, window.right - window.left, window.bottom - window.top};
    HWND pages[4] = {home_.handle(), download_.handle(), backup_.handle(), restore_.handle()};
    std::vector<accessible_element_c> elements;
    for (int i = 0; i < 5; ++i) {
        if (!tabs_[i]) continue;
        accessible_element_c tab;
        tab.name = tabs_[i]->text();
        tab.role = ROLE_SYSTEM_PAGETAB;
        bool shown = i < 4 && (current_page_ == pages[i] || (i == 0 && current_page_ == scan_.handle()));
        tab.state = STATE_SYSTEM_SELECTABLE | (shown ? STATE_SYSTEM_SELECTED : 0);
        tab.rect = tabs_[i]->placed(surface);
        OffsetRect(&tab.rect, window.left - client_origin.x, window.top - client_origin.y);
        tab.shortcut = L"Ctrl+" + std::to_wstring(i + 1);
        tab.action_message = WM_COMMAND;
        tab.action_wparam = command_first_tab + UINT(i);
        elements.push_back(std::move(tab));
    }
    const struct {
        button_c<main_window_c>* button;
        const char* key;
        UINT command;
        const wchar_t* shortcut;
    } buttons[] = {{menu_button_, "caption_menu", command_open_menu, L"F10"},
                   {minimise_button_, "caption_minimise", command_minimise, L""},
                   {maximise_button_, "caption_maximise", command_maximise, L""},
                   {close_button_, "caption_close", command_close, L"Alt+F4"}};
    for (const auto& entry : buttons) {
        if (!entry.button) continue;
        accessible_element_c button;
        button.name = language_text(entry.key);
        button.role = ROLE_SYSTEM_PUSHBUTTON;
        button.rect = entry.button->placed(surface);
        OffsetRect(&button.rect, window.left - client_origin.x, window.top - client_origin.y);
        button.shortcut = entry.shortcut;
        button.action_message = WM_COMMAND;
        button.action_wparam = entry.command;
        elements.push_back(std::move(button));
    }
    return answer_accessible_object(handle(), wparam, lparam, ROLE_SYSTEM_CLIENT, std::move(elements));
}

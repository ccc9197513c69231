#include "ui/kit/window_keys_win.h"

#include <iterator>

window_keys_c::window_keys_c(HWND main_window) : main_(main_window) {
    ACCEL keys[] = {
        {FVIRTKEY | FCONTROL, VK_TAB, command_next_page},
        {FVIRTKEY | FCONTROL | FSHIFT, VK_TAB, command_previous_page},
        {FVIRTKEY | FCONTROL, '1', command_first_tab},
        {FVIRTKEY | FCONTROL, '2', command_first_tab + 1},
        {FVIRTKEY | FCONTROL, '3', command_first_tab + 2},
        {FVIRTKEY | FCONTROL, '4', command_first_tab + 3},
        {FVIRTKEY | FCONTROL, '5', command_first_tab + 4},
        {FVIRTKEY, VK_F10, command_open_menu},
    };
    table_ = CreateAcceleratorTableW(keys, int(std::size(keys)));
}

window_keys_c::~window_keys_c() {
    if (table_) DestroyAcceleratorTable(table_);
}

bool window_keys_c::translate(MSG& message) {
    if (!message.hwnd) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    if (!root || root != main_) return false;
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN)
        SendMessageW(root, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    if (table_ && TranslateAcceleratorW(root, table_, &message)) return true;
    return IsDialogMessageW(root, &message) != FALSE;
}

void make_control_parent(HWND window) {
    if (window) SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
}

bool is_enter_key(LPARAM message) {
    auto key = reinterpret_cast<const MSG*>(message);
    return key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
}

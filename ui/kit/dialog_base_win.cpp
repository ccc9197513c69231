#include "ui/kit/dialog_base_win.h"

#include "ui/kit/bitmap_button_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/window_base_win.h"

#include <vector>

INT_PTR dialog_base_c::run_modal(HWND owner, int template_id) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // The control that opened the box gets the focus back (the owner, reactivated, would give it to
    // its own first choice).
    const HWND focus = GetFocus();
    INT_PTR result = 0;
    // Laid out as the program's other windows; the process's default layout leaves out windows
    // that have an owner, so a mirrored dialog's template says so itself.
    std::vector<unsigned char> mirrored = mirrored_layout() ? mirrored_dialog_template(instance, template_id)
                                                            : std::vector<unsigned char>();
    if (!mirrored.empty())
        result = DialogBoxIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(mirrored.data()), owner,
                                         dialog_procedure, reinterpret_cast<LPARAM>(this));
    else
        result = DialogBoxParamW(instance, MAKEINTRESOURCEW(template_id), owner, dialog_procedure,
                                 reinterpret_cast<LPARAM>(this));
    if (focus && IsWindow(focus) && IsWindowVisible(focus) && IsWindowEnabled(focus)) SetFocus(focus);
    return result;
}

void dialog_base_c::end_dialog(INT_PTR result) { EndDialog(window_, result); }

INT_PTR CALLBACK dialog_base_c::dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    dialog_base_c* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<dialog_base_c*>(lparam);
        self->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<dialog_base_c*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!self) return FALSE;
    if (message == WM_DRAWITEM && bitmap_button_c::draw_item(reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)))
        return TRUE;

    LRESULT result = 0;
    const bool handled =
        handle_without_throwing("dialog", message, [&] { return self->on_message(message, wparam, lparam, result); });
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window_ = nullptr;
        return FALSE;
    }
    if (!handled) return FALSE;
    switch (message) {
        // These give their value as the procedure's own result.
        case WM_INITDIALOG: case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM: case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON:
            return static_cast<INT_PTR>(result);
        default:
            SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
            return TRUE;
    }
}

void place_control(HWND dialog, int id, int x, int y, int width, int height) {
    HWND control = GetDlgItem(dialog, id);
    if (control) place_design(control, x, y, width, height, false);
}

void size_and_centre(HWND window, int width, int height) {
    // On the work area of the monitor the window is on, at that monitor's scale.
    const unsigned dpi = window_dpi(window);
    width = to_screen(width, dpi);
    height = to_screen(height, dpi);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work{};
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) work = monitor.rcWork;
    else SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int x = work.left + (work.right - work.left - width) / 2;
    int y = work.top + (work.bottom - work.top - height) / 2;
    SetWindowPos(window, nullptr, x < work.left ? work.left : x, y < work.top ? work.top : y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

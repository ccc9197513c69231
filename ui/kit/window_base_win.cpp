#include "ui/kit/window_base_win.h"

bool (*kit_draw_item)(const DRAWITEMSTRUCT* item) = nullptr;

bool window_base_c::register_class(const wchar_t* class_name, HINSTANCE instance, HICON icon) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, class_name, &existing)) return true;
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.hIcon = icon;
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = class_name;
    return RegisterClassExW(&window_class) != 0;
}

HWND window_base_c::create(const wchar_t* class_name, const wchar_t* title, DWORD style, int x, int y, int width,
                           int height, HWND parent) {
    return CreateWindowExW(0, class_name, title, style, x, y, width, height, parent, nullptr,
                           GetModuleHandleW(nullptr), this);
}

LRESULT CALLBACK window_base_c::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    window_base_c* self = nullptr;
    if (message == WM_NCCREATE) {
        auto create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        self = static_cast<window_base_c*>(create->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<window_base_c*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(window, message, wparam, lparam);
    // Owner-drawn kit controls draw themselves.
    if (message == WM_DRAWITEM && kit_draw_item && kit_draw_item(reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)))
        return TRUE;

    LRESULT result = 0;
    const bool handled =
        handle_without_throwing("window", message, [&] { return self->on_message(message, wparam, lparam, result); });
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        self->on_final_destroy();
        return DefWindowProcW(window, message, wparam, lparam);
    }
    return handled ? result : DefWindowProcW(window, message, wparam, lparam);
}

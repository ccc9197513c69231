#include "ui/pages/download_all_win.h"

#include "i18n/language_table.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/window_keys_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/window_messages.h"
#include "ui/kit/skin_colours.h"

#include <windowsx.h>

namespace {
constexpr const wchar_t* bar_class = L"VantorelDownloadAllBar";
}  // namespace

download_all_window_c::~download_all_window_c() {
    if (handle()) DestroyWindow(handle());
}

bool download_all_window_c::create_bar(HWND page, const RECT& area) {
    register_class(bar_class, GetModuleHandleW(nullptr));
    if (!create(bar_class, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, area.left, area.top, area.right - area.left,
                area.bottom - area.top, page))
        return false;
    make_control_parent(handle());  // Tab reaches its check box and button
    return true;
}

bool download_all_window_c::on_message(UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CREATE: on_create(); return true;
        case WM_SIZE: on_size(); return true;
        case WM_DPICHANGED_AFTERPARENT:
            set_control_font(check_, verdana(9, font_weight_c::bold));
            on_size();
            return true;
        case WM_ERASEBKGND: result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_CTLCOLORSTATIC: case WM_CTLCOLORBTN: {
            HDC dc = reinterpret_cast<HDC>(wparam);
            SetTextColor(dc, RGB(71, 131, 195));
            SetBkMode(dc, TRANSPARENT);
            SelectObject(dc, control_font(verdana(9, font_weight_c::bold), window_dpi(handle())));
            result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
            return true;
        }
        case WM_COMMAND:
            // The check box also tells of focus gained and lost (BS_NOTIFY): only a click counts,
            // or tabbing onto it would tick every panel again.
            if (HIWORD(wparam) == BN_CLICKED) on_command(LOWORD(wparam));
            return true;
        default: return false;
    }
}

void download_all_window_c::on_create() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    check_ = CreateWindowExW(0, L"BUTTON", language_text("download_all_check").c_str(),
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_NOTIFY, 10, 10, 240, 30, handle(),
                             reinterpret_cast<HMENU>(INT_PTR(check_id)), instance, nullptr);
    set_control_font(check_, verdana(9, font_weight_c::bold));
    HWND button = CreateWindowExW(0, L"BUTTON", language_text("download_all_button").c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 8, 106, 27, handle(),
                                  reinterpret_cast<HMENU>(INT_PTR(button_id)), instance, nullptr);
    button_.attach(button, skin::download_all_button, verdana(9, font_weight_c::bold));
}

void download_all_window_c::on_size() {
    const RECT client = design_client_rect(handle());
    place_design(check_, 10, 10, 240, 30);
    place_design(button_.handle(), client.right - 136, 8, 106, 27);
}

void download_all_window_c::on_paint() {
    paint_dc_c paint(handle());
    RECT client;
    GetClientRect(handle(), &client);
    fill_solid(paint.get(), client, RGB(255, 255, 255));
    fill_solid(paint.get(), RECT{0, 0, client.right, 1}, divider_colour);
}

void download_all_window_c::on_command(int id) {
    HWND page = GetParent(handle());
    // The focus stays on the check box or button that was used.
    if (id == check_id)
        SendMessageW(page, WM_CHECK_ALL, WPARAM(Button_GetCheck(check_)), 0);
    else if (id == button_id)
        SendMessageW(page, WM_DOWNLOAD_CHECKED, 0, 0);
}

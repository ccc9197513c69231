#include "ui/kit/link_win.h"

#include "ui/kit/accessible_object_win.h"
#include "ui/kit/focus_mark_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/window_keys_win.h"

#include <oleacc.h>

namespace {
constexpr const wchar_t* link_class = L"VantorelLink";
}

bool link_c::create_link(HWND parent, int id, const std::wstring& text, const std::wstring& target, int x, int y,
                         int width, int height, HFONT font) {
    target_ = target;
    font_ = font;
    if (!register_class(link_class, GetModuleHandleW(nullptr))) return false;
    HWND window = create(link_class, text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, width, height, parent);
    if (window) SetWindowLongPtrW(window, GWLP_ID, id);
    return window != nullptr;
}

bool link_c::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
        case WM_PAINT: on_paint(); return true;
        case WM_ERASEBKGND: result = 1; return true;
        case WM_SETCURSOR: SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND))); result = TRUE; return true;
        case WM_LBUTTONUP: follow(); return true;
        // Enter too: the dialog manager would send it to the window as IDOK.
        case WM_GETDLGCODE: result = DLGC_WANTCHARS | (is_enter_key(lparam) ? DLGC_WANTMESSAGE : 0); return true;
        case WM_KEYDOWN:
            if (wparam == VK_RETURN || wparam == VK_SPACE) follow();
            return true;
        case WM_SETFOCUS: case WM_KILLFOCUS: case WM_UPDATEUISTATE: InvalidateRect(handle(), nullptr, TRUE); return false;
        case WM_GETOBJECT: result = answer_accessible_object(handle(), wparam, lparam, ROLE_SYSTEM_LINK); return result != 0;
        default: return false;
    }
}

void link_c::on_paint() {
    paint_dc_c paint(handle());
    RECT client;
    GetClientRect(handle(), &client);
    HWND parent = GetParent(handle());
    // The parent's background, as it colours static text.
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(paint.get()),
                                                       reinterpret_cast<LPARAM>(handle())));
    FillRect(paint.get(), &client, brush ? brush : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    wchar_t text[512];
    int length = GetWindowTextW(handle(), text, 512);
    LOGFONTW description{};
    GetObjectW(control_font(font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), window_dpi(handle())),
               sizeof description, &description);
    description.lfUnderline = TRUE;
    font_c underlined(CreateFontIndirectW(&description));
    selection_c selected(paint.get(), underlined.get());
    SetBkMode(paint.get(), TRANSPARENT);
    SetTextColor(paint.get(), visited_ ? visited_colour : link_colour);
    DrawTextW(paint.get(), text, length, &client,
              reading_format(std::wstring_view(text, std::size_t(length)), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX));
    if (focus_mark_shown(handle())) DrawFocusRect(paint.get(), &client);
}

void link_c::follow() {
    launcher_.open(target_);
    visited_ = true;
    InvalidateRect(handle(), nullptr, TRUE);
}

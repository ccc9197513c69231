#include "ui/dialogs/about_window_win.h"

#include "system/machine_facts.h"
#include "i18n/language_table.h"
#include "ui/kit/dialog_ids.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/language_format.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"

namespace {

constexpr COLORREF background_colour = RGB(139, 184, 241);
constexpr RECT info_box = {15, 85, 470, 185};
// The build this dialog reports.
constexpr const wchar_t* build_date = L"Apr 18 2013";
constexpr const wchar_t* build_time = L"11:16:11";

}  // namespace

std::wstring update_program_path() {
    std::wstring folder = program_folder();
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder + L"update\\update.exe";
}

about_window_c::about_window_c(shell_launcher_c& launcher) : skinned_dialog_c(100), launcher_(launcher) {}

int about_window_c::run(HWND owner) { return run_modal(owner, IDD_ABOUT) == 1 ? 1 : 2; }

bool about_window_c::dialog_message(UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
    switch (message) {
        case WM_INITDIALOG: on_init(); result = TRUE; return true;
        case WM_ERASEBKGND: on_erase(reinterpret_cast<HDC>(wparam)); result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_COMMAND: on_command(LOWORD(wparam)); return true;
        default: return false;
    }
}

void about_window_c::on_init() {
    size_and_centre(handle(), width, height);
    reset_region(handle());
    HFONT font = verdana(8, font_weight_c::bold);
    SetDlgItemTextW(handle(), IDOK, language_text("about_btn_bk").c_str());
    SetDlgItemTextW(handle(), IDCANCEL, language_text("about_btn_check").c_str());
    update_.attach(GetDlgItem(handle(), IDOK), skin::about_button, font);
    close_.attach(GetDlgItem(handle(), IDCANCEL), skin::about_button, font);
    place_control(handle(), IDOK, 340, 210, 130, 24);
    place_control(handle(), IDCANCEL, 340, 250, 130, 24);
}

void about_window_c::paint_caption(HDC dc, const RECT& window) {
    skinned_dialog_c::paint_caption(dc, RECT{});
    // Loaded at the size it shows at on this screen.
    const int pixels = to_screen(48, dc_dpi(dc));
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(program_icon_id), IMAGE_ICON,
                                               pixels, pixels, 0));
    if (icon) {
        DrawIconEx(dc, 28, 44, icon, 48, 48, 0, nullptr, DI_NORMAL);
        DestroyIcon(icon);
    }
    // A name too long for the caption (as some translations are) takes a smaller size.
    const std::wstring& name = language_text("about_name");
    HFONT font = arial(25, font_weight_c::bold);
    if (text_size(dc, name, font).cx > window.right - window.left - 90 - 15) font = arial(18, font_weight_c::bold);
    draw_text_at(dc, name, 90, 49, font, RGB(255, 255, 255));
}

void about_window_c::on_erase(HDC dc) {
    design_units_c design(dc, window_dpi(handle()));
    const RECT client = design_paint_rect(handle());
    fill_solid(dc, client, background_colour);
    fill_solid(dc, info_box, RGB(255, 255, 255));
}

void about_window_c::on_paint() {
    paint_dc_c paint(handle());
    design_units_c design(paint.get(), window_dpi(handle()));
    HFONT font = verdana(8);
    draw_text_at(paint.get(), language_text("about_copyright"), 15, 5, font, RGB(255, 255, 255));
    draw_text_at(paint.get(), language_text("about_information"), 15, 65, verdana(8, font_weight_c::bold), RGB(255, 255, 255));
    // The leading text of the build line carries the product's one-line description.
    std::wstring info = format_language_text("about_info1", {language_text("about_info2") + L"\n\n", build_date, build_time}, 512);
    RECT box = info_box;
    InflateRect(&box, -10, -10);
    selection_c selected(paint.get(), font);
    SetBkMode(paint.get(), TRANSPARENT);
    SetTextColor(paint.get(), RGB(0, 0, 0));
    draw_wrapped_text(paint.get(), info, box, 6, false);
}

void about_window_c::on_command(int id) {
    if (id == IDOK) {
        launcher_.run(update_program_path(), L"");
        end_dialog(1);
    } else if (id == IDCANCEL) {
        end_dialog(dialog_declined);
    }
}

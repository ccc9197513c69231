#include "tests/win/ui_gallery_win.h"

#include "i18n/language_table.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/window_messages.h"

#include <cwchar>
#include <string>

namespace {

constexpr const wchar_t* gallery_class = L"VantorelGallery";
constexpr const wchar_t* panel_class = L"VantorelGalleryPanel";
constexpr int panel_height = 48;

}  // namespace

bool gallery_panel_c::create_panel(HWND parent, int index) {
    index_ = index;
    register_class(panel_class, GetModuleHandleW(nullptr));
    return create(panel_class, L"", WS_CHILD | WS_VISIBLE, 0, index * panel_height, 300, panel_height, parent) != nullptr;
}

bool gallery_panel_c::on_message(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message == WM_ERASEBKGND) {
        result = 1;
        return true;
    }
    if (message != WM_PAINT) return false;
    paint_dc_c paint(handle());
    design_units_c design(paint.get(), window_dpi(handle()));
    const RECT client = design_client_rect(handle());
    fill_solid(paint.get(), client, index_ % 2 ? RGB(244, 246, 251) : RGB(255, 255, 255));
    RECT line = {0, client.bottom - 1, client.right, client.bottom};
    fill_solid(paint.get(), line, RGB(195, 218, 245));
    const int signs[3] = {skin::sign_out_of_date, skin::sign_no_driver, skin::sign_up_to_date};
    draw_skin_image_keyed(paint.get(), signs[index_ % 3], 10, 16, RGB(0, 0, 0));
    wchar_t text[64];
    std::swprintf(text, 64, L"%ls %d", language_text("scan_item").c_str(), index_ + 1);
    draw_text_at(paint.get(), text, 36, 8, verdana(9, font_weight_c::bold), RGB(71, 130, 195));
    draw_text_at(paint.get(), language_text("download_download_complete"), 36, 26, arial(8), RGB(56, 173, 0));
    return true;
}

bool gallery_window_c::create_gallery(int width, int height) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    register_class(gallery_class, instance);
    DWORD style = WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    if (!create(gallery_class, product_title, style, 40, 40, width, height)) return false;
    // The design's size at the screen's scale.
    const unsigned dpi = window_dpi(handle());
    SetWindowPos(handle(), nullptr, 0, 0, to_screen(width, dpi), to_screen(height, dpi), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    reset_region(handle());
    return true;
}

bool gallery_window_c::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    if (ui_message(handle(), message, wparam, lparam, result)) return true;
    button_c<gallery_window_c>* client_buttons[] = {&start_button};
    switch (message) {
        case WM_CREATE: on_create(); return true;
        case WM_PAINT: on_paint(); return true;
        case WM_ERASEBKGND: result = 1; return true;
        case WM_CTLCOLORSTATIC: result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)); return true;
        case WM_SIZE: on_size(LOWORD(lparam), HIWORD(lparam)); return true;
        case WM_MOUSEMOVE: case WM_LBUTTONDOWN: case WM_CAPTURECHANGED:
            client_buttons_message(handle(), message, lparam, client_buttons, 1);
            return true;
        case WM_LBUTTONUP:
            if (client_buttons_message(handle(), message, lparam, client_buttons, 1)) ++start_clicks;
            return true;
        default: return false;
    }
}

void gallery_window_c::on_create() {
    int frame = frame_x(), top = frame_y();
    const skin_states_c tab_images[5] = {skin::tab_home, skin::tab_download, skin::tab_backup, skin::tab_restore,
                                         skin::tab_settings};
    const char* tab_keys[5] = {"top_home", "top_download", "top_backup", "top_restore", "top_settings"};
    for (int i = 0; i < 5; ++i) {
        auto tab = std::make_unique<top_button_c<gallery_window_c>>();
        int left = frame + 10 + 82 * i;
        tab->create(tab_images[i], RECT{left, top + 23, left + 83, top + 90},
                    language_text(tab_keys[i]));
        add_caption_button(std::move(tab), &gallery_window_c::on_tab);
    }
    const skin_states_c system_images[4] = {skin::caption_close, skin::caption_maximise, skin::caption_minimise,
                                            skin::caption_menu};
    void (gallery_window_c::*handlers[4])() = {&gallery_window_c::on_close, &gallery_window_c::on_maximise,
                                               &gallery_window_c::on_minimise, &gallery_window_c::on_menu};
    button_c<gallery_window_c>* made[4] = {};
    for (int i = 0; i < 4; ++i) {
        auto button = std::make_unique<system_button_c<gallery_window_c>>();
        int right = frame + 30 * (i + 1);
        button->create(system_images[i], RECT{right - 30, top, right, top + 21});
        made[i] = add_caption_button(std::move(button), handlers[i]);
    }
    close_button = made[0], maximise_button = made[1], minimise_button = made[2], menu_button = made[3];
    SIZE logo = skin_image_size(skin::logo);
    auto logo_button = std::make_unique<system_button_c<gallery_window_c>>();
    logo_button->create(skin_still(skin::logo), RECT{frame + 20, top + 40, frame + 20 + logo.cx, top + 40 + logo.cy});
    add_caption_button(std::move(logo_button), nullptr);

    start_button.create({start_scan_button_bitmap(0), start_scan_button_bitmap(1), start_scan_button_bitmap(2)}, RECT{});
    panels.create_list(handle(), 10, 10, 300, 150);
    for (int i = 0; i < 12; ++i) {
        auto panel = std::make_unique<gallery_panel_c>();
        panel->create_panel(panels.handle(), i);
        panels.add(std::move(panel), 0, i * panel_height, panel_height);
    }
    panels.content_height = 12 * panel_height;
    panels.layout();
    const char* button_keys[3] = {"download_btn_download", "download_btn_pause", "download_btn_setup"};
    for (int i = 0; i < 3; ++i) {
        HWND button = CreateWindowExW(0, L"BUTTON", language_text(button_keys[i]).c_str(),
                                      WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 330 + 90 * i, 12, 80, 22, handle(),
                                      reinterpret_cast<HMENU>(INT_PTR(100 + i)), GetModuleHandleW(nullptr), nullptr);
        place_design(button, 330 + 90 * i, 12, 80, 22);
        buttons_[i].attach(button, skin::dialog_button, verdana(8));
    }
    EnableWindow(buttons_[2].handle(), FALSE);
    link.create_link(handle(), 200, language_text("sidebar_see_faq"), faq_link(), 610, 16, 150, 19, verdana(8));
    place_design(link.handle(), 610, 16, 150, 19);
    chart.create_chart(handle(), 330, 50, 228, 109);
    place_design(chart.handle(), 330, 50, 228, 109);
    place_design(panels.handle(), 10, 10, 300, 150);
    panels.layout();
    chart.set_background(RGB(255, 255, 255));
    chart.set_pie_rectangle(RECT{60, 20, 165, 100});
    chart.add_slice(L"out", language_text("sidebar_out_of_date"), 5, RGB(217, 64, 58));
    chart.add_slice(L"none", language_text("sidebar_no_driver"), 2, RGB(203, 144, 9));
    chart.add_slice(L"ok", language_text("sidebar_up_to_date"), 13, RGB(56, 173, 0));
}

void gallery_window_c::on_size(int, int) {
    reset_region(handle());
    RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
}

void gallery_window_c::paint_caption(HDC dc, const RECT&) {
    draw_text_at(dc, product_title, 30, 8, verdana(8, font_weight_c::bold), RGB(233, 243, 255));
}

void gallery_window_c::on_paint() {
    paint_dc_c paint(handle());
    design_surface_c surface(handle(), paint.get());
    const RECT client = surface.client();
    fill_solid(surface.dc(), client, RGB(255, 255, 255));
    start_button.draw(surface.dc(), client);
    SIZE banner = skin_image_size(home_banner_bitmap());
    draw_skin_image(surface.dc(), home_banner_bitmap(), 10, client.bottom - banner.cy - 10);
    surface.copy_to(paint.get());
}

#include "ui/pages/home_window_win.h"

#include "i18n/language_table.h"
#include "ui/kit/accessible_object_win.h"
#include "ui/kit/focus_mark_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/page_sidebar_win.h"
#include "ui/kit/page_sidebar_text_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/ui_window_win.h"
#include "ui/kit/window_keys_win.h"
#include "ui/kit/window_messages.h"

#include <oleacc.h>

namespace {

constexpr const wchar_t* home_class = L"VantorelHomePage";
constexpr int title_band_image = skin::page_band, steps_image = skin::steps, separator_image = skin::page_separator,
              small_icon_image = skin::shield_icon;

void fill_pattern(HDC dc, const RECT& area, int image) {
    brush_c pattern(make_skin_pattern_brush(dc, image));
    if (!pattern) return;
    set_pattern_origin(dc, area.left, area.top);
    FillRect(dc, &area, pattern.get());
}

}  // namespace

bool home_window_c::create_page(HWND parent, const RECT& area) {
    register_class(home_class, GetModuleHandleW(nullptr));
    // A tab stop of its own: Enter or Space starts the scan; its name is its tab's caption.
    return create(home_class, language_text("top_home").c_str(),
                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP, area.left, area.top,
                  area.right - area.left, area.bottom - area.top, parent) != nullptr;
}

bool home_window_c::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CREATE: on_create(); return true;
        case WM_ERASEBKGND: result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_MOUSEMOVE: case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_CAPTURECHANGED:
            on_mouse(message, lparam);
            return true;
        case WM_GETDLGCODE: result = DLGC_WANTCHARS | (is_enter_key(lparam) ? DLGC_WANTMESSAGE : 0); return true;
        case WM_KEYDOWN:
            if (wparam != VK_RETURN && wparam != VK_SPACE) return false;
            SendMessageW(GetParent(handle()), WM_START_SCAN, 0, 0);
            return true;
        case WM_SETFOCUS: case WM_KILLFOCUS: case WM_UPDATEUISTATE:
            InvalidateRect(handle(), nullptr, FALSE);
            return false;
        case WM_GETOBJECT: result = on_get_object(wparam, lparam); return result != 0;
        default: return false;
    }
}

void home_window_c::on_create() {
    start_button_.create({start_scan_button_bitmap(0), start_scan_button_bitmap(1), start_scan_button_bitmap(2)}, RECT{},
                         language_text("home_start_scan"));
}

HFONT home_window_c::label_font() const {
    bool long_words = is_current_language("fr") || is_current_language("it") || is_current_language("es");
    return verdana(long_words ? 10 : 12, font_weight_c::bold);
}

void home_window_c::on_paint() {
    paint_dc_c paint(handle());
    design_surface_c surface(handle(), paint.get());
    const RECT client = surface.client();
    HDC dc = surface.dc();
    int width = client.right, height = client.bottom;

    paint_page_frame(dc, client);
    fill_pattern(dc, RECT{0, 0, width - sidebar_width, 40}, title_band_image);
    draw_text_at(dc, language_text("home_scan_for_driver_updates"), 15, 10, verdana(18), page_title_colour);

    int cx = (width - sidebar_width) / 2, cy = (height - 150) / 2;
    draw_skin_image(dc, steps_image, cx - 235, cy - 90);
    start_button_.draw(dc, client);
    if (focus_mark_shown(handle())) {
        RECT mark = start_button_.placed(client);
        InflateRect(&mark, 3, 3);
        draw_focus_frame(dc, mark);
    }
    HFONT labels = label_font();
    // Each step's label follows its number in the image; the image keeps its orientation in a
    // mirrored page, so there the label's place is counted from the image's other edge.
    int steps_left = cx - 235, steps_width = skin_image_size(steps_image).cx;
    bool mirrored = is_mirrored(handle());
    auto step_label = [&](const char* key, int offset) {
        if (!mirrored) return draw_text_at(dc, language_text(key), steps_left + offset, cy - 65, labels, page_title_colour);
        draw_text_ending_at(dc, language_text(key), steps_left + steps_width - offset, cy - 65, labels, page_title_colour);
    };
    step_label("home_scan_for_drivers", 26);
    step_label("home_download", 226);
    step_label("home_install", 399);

    draw_skin_image(dc, home_banner_bitmap(), 10, height - 110);
    draw_skin_image(dc, small_icon_image, 10, height - 135);
    draw_text_at(dc, language_text("home_kelvard_automatically"), 40, height - 133, labels, page_title_colour);
    fill_pattern(dc, RECT{10, height - 155, width - 260, height - 153}, separator_image);

    bool wide_values = is_current_language("fr") || is_current_language("nl");
    paint_sidebar(dc, client, wide_values ? 72 : 55);
    surface.copy_to(paint.get());
}

void home_window_c::on_mouse(UINT message, LPARAM lparam) {
    button_c<home_window_c>* buttons[] = {&start_button_};
    if (client_buttons_message(handle(), message, lparam, buttons, 1))
        SendMessageW(GetParent(handle()), WM_START_SCAN, 0, 0);
}

// What the page draws, for a screen reader: the title, the steps, the start button (a press
// starts the scan), the line under it and the sidebar's facts.
LRESULT home_window_c::on_get_object(WPARAM wparam, LPARAM lparam) {
    const RECT client = design_client_rect(handle());
    int cx = (client.right - sidebar_width) / 2, cy = (client.bottom - 150) / 2;
    auto text = [](const char* key, RECT rect) {
        accessible_element_c element;
        element.name = language_text(key);
        element.rect = rect;
        return element;
    };
    std::vector<accessible_element_c> elements = {
        text("home_scan_for_driver_updates", RECT{15, 10, cx * 2, 40}),
        text("home_scan_for_drivers", RECT{cx - 209, cy - 65, cx - 9, cy - 45}),
        text("home_download", RECT{cx - 9, cy - 65, cx + 164, cy - 45}),
        text("home_install", RECT{cx + 164, cy - 65, cx + 264, cy - 45}),
    };
    accessible_element_c button;
    button.name = start_button_.text();
    button.role = ROLE_SYSTEM_PUSHBUTTON;
    button.state = STATE_SYSTEM_FOCUSABLE | (GetFocus() == handle() ? STATE_SYSTEM_FOCUSED : 0);
    button.rect = start_button_.placed(client);
    button.action_message = WM_START_SCAN;
    button.action_window = GetParent(handle());
    elements.push_back(std::move(button));
    elements.push_back(text("home_kelvard_automatically", RECT{40, client.bottom - 133, cx * 2, client.bottom - 113}));
    for (accessible_element_c& fact : sidebar_elements(client)) elements.push_back(std::move(fact));
    return answer_accessible_object(handle(), wparam, lparam, ROLE_SYSTEM_PROPERTYPAGE, std::move(elements));
}

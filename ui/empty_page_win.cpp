#include "ui/empty_page_win.h"

#include "i18n/language_table.h"
#include "ui/gdi_objects_win.h"
#include "ui/skin_images_win.h"
#include "ui/text_drawing_win.h"
#include "ui/ui_fonts_win.h"

namespace {
constexpr const wchar_t* empty_page_class = L"VantorelEmptyPage";
constexpr int header_band_image = 310;
}  // namespace

bool empty_page_c::create_page(HWND parent, const RECT& area) {
    register_class(empty_page_class, GetModuleHandleW(nullptr));
    return create(empty_page_class, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, area.left, area.top,
                  area.right - area.left, area.bottom - area.top, parent) != nullptr;
}

bool empty_page_c::on_message(UINT message, WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_ERASEBKGND: result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_SIZE: InvalidateRect(handle(), nullptr, FALSE); return true;
        default: return false;
    }
}

void empty_page_c::on_paint() {
    paint_dc_c paint(handle());
    RECT client;
    GetClientRect(handle(), &client);
    off_screen_c surface(paint.get(), client.right, client.bottom);
    fill_solid(surface.dc(), client, RGB(255, 255, 255));
    brush_c band(make_skin_pattern_brush(header_band_image));
    RECT header = {0, 0, client.right, 40};
    if (band) FillRect(surface.dc(), &header, band.get());
    draw_text_at(surface.dc(), language_text(title_key_), 15, 8, verdana(14), RGB(255, 255, 255));
    surface.copy_to(paint.get());
}

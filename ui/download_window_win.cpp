#include "ui/download_window_win.h"

#include "i18n/language_table.h"
#include "ui/gdi_objects_win.h"
#include "ui/language_format.h"
#include "ui/skin_images_win.h"
#include "ui/text_drawing_win.h"
#include "ui/ui_fonts_win.h"

#include <string>

namespace {

constexpr const wchar_t* download_class = L"VantorelDownloadPage";
constexpr COLORREF line_colour = RGB(138, 185, 241);
constexpr int header_band_image = 310, header_icon = 365;
constexpr int page_sidebar_width = 250;

}  // namespace

bool download_window_c::create_page(HWND parent, const RECT& area) {
    register_class(download_class, GetModuleHandleW(nullptr));
    return create(download_class, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, area.left, area.top,
                  area.right - area.left, area.bottom - area.top, parent) != nullptr;
}

void download_window_c::take_results(int device_total, const device_store_c& store) {
    device_total_ = device_total;
    counts_ = count_results(store);
    has_results_ = true;
    InvalidateRect(handle(), nullptr, FALSE);
}

void download_window_c::drop_results() {
    has_results_ = false;
    device_total_ = 0;
    counts_ = result_counts_c{};
    InvalidateRect(handle(), nullptr, FALSE);
}

bool download_window_c::on_message(UINT message, WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_ERASEBKGND: result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_SIZE: InvalidateRect(handle(), nullptr, FALSE); return true;
        default: return false;
    }
}

void download_window_c::on_paint() {
    paint_dc_c paint(handle());
    RECT client;
    GetClientRect(handle(), &client);
    off_screen_c surface(paint.get(), client.right, client.bottom);
    HDC dc = surface.dc();
    fill_solid(dc, client, RGB(255, 255, 255));
    paint_header(dc, client);
    paint_sidebar(dc, client);
    surface.copy_to(paint.get());
}

void download_window_c::paint_header(HDC dc, const RECT& client) {
    int width = client.right;
    brush_c band(make_skin_pattern_brush(header_band_image));
    RECT header = {0, 0, width, 40};
    SetBrushOrgEx(dc, 0, 0, nullptr);
    if (band) FillRect(dc, &header, band.get());
    fill_solid(dc, RECT{0, 39, width - page_sidebar_width, 40}, line_colour);
    fill_solid(dc, RECT{0, 66, width - page_sidebar_width, 67}, line_colour);
    draw_skin_image(dc, header_icon, 15, 4);
    bool small = is_current_language("it") || is_current_language("es") || is_current_language("nl");
    HFONT font = verdana(small ? 12 : 14);
    int count = counts_.out_of_date;
    const char* key = count == 0 ? "download_new_drivers_found3"
                      : count <= 8 ? "download_new_drivers_found1"
                                   : "download_new_drivers_found2";
    const std::wstring& text = language_text(key);
    draw_text_at(dc, text, 58, 8, font, RGB(255, 255, 255));
    if (count > 8) {
        int after = 58 + text_size(dc, text, font).cx + 5;
        draw_text_at(dc, std::to_wstring(count), after, 7, verdana(14), RGB(255, 255, 0));
    }
}

void download_window_c::paint_sidebar(HDC dc, const RECT& client) {
    int width = client.right;
    RECT sidebar = {width - page_sidebar_width, 40, width, client.bottom};
    fill_solid(dc, sidebar, RGB(244, 248, 252));
    fill_solid(dc, RECT{sidebar.left, sidebar.top, sidebar.left + 1, sidebar.bottom}, RGB(194, 218, 244));
    for (RECT box : {RECT{width - 240, 40, width - 10, 110}, RECT{width - 240, 120, width - 10, 370}}) {
        fill_solid(dc, box, RGB(255, 255, 255));
        frame_solid(dc, box, line_colour);
    }
    HFONT label = is_current_language("de") ? verdana(8) : verdana(10);
    draw_text(dc, language_text("sidebar_score"), RECT{width - 250, 58, width, 75}, label, RGB(0, 0, 0),
              DT_CENTER | DT_SINGLELINE);
    int score = counts_.score();
    // No device received offers: there is nothing to rate.
    std::wstring score_text = score < 0 ? L"-" : std::to_wstring(score);
    COLORREF score_colour = score >= 70 ? RGB(0, 255, 0) : RGB(255, 0, 0);
    draw_text(dc, score_text, RECT{width - 250, 80, width, 100}, verdana(12, font_weight_c::bold), score_colour,
              DT_CENTER | DT_SINGLELINE);

    struct legend_c {
        int icon, y;
        const char* key;
        int value;
    } legend[] = {{360, 260, "sidebar_out_of_date", counts_.out_of_date},
                  {359, 280, "sidebar_no_driver", counts_.no_driver},
                  {361, 300, "sidebar_up_to_date", counts_.up_to_date()},
                  {364, 320, "sidebar_total", device_total_}};
    for (const legend_c& row : legend) {
        draw_skin_image_keyed(dc, row.icon, width - 220, row.y, RGB(0, 0, 0));
        std::wstring text = format_language_text(row.key, {row.value}, 64);
        draw_text_at(dc, text, width - 220 + 16 + 8, row.y, verdana(8), RGB(0, 0, 0));
    }
    selection_c font(dc, verdana(8));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT whql = {width - 230, 390, width - 20, 470};
    draw_wrapped_text(dc, language_text("sidebar_whql"), whql, 8, false);
}

#include "ui/kit/page_sidebar_win.h"

#include "system/wmi_facts.h"
#include "i18n/language_table.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/reading_direction_win.h"

#include <string>

namespace {

constexpr COLORREF sidebar_colour = RGB(226, 240, 253);
constexpr COLORREF sidebar_edge_colour = RGB(194, 218, 244);
constexpr COLORREF row_colour = RGB(67, 110, 152);


}  // namespace

void paint_page_frame(HDC dc, const RECT& client) {
    fill_solid(dc, client, RGB(255, 255, 255));
    RECT sidebar = {client.right - sidebar_width, 0, client.right, client.bottom};
    fill_solid(dc, sidebar, sidebar_colour);
    sidebar.right = sidebar.left + 1;
    fill_solid(dc, sidebar, sidebar_edge_colour);
}

void paint_sidebar(HDC dc, const RECT& client, int value_offset) {
    int width = client.right;
    draw_skin_image_keyed(dc, skin::sidebar_picture, width - 247, 5, RGB(255, 255, 255));
    // A title longer than the sidebar (as some translations are) takes a smaller bold size.
    const std::wstring& title = language_text("sidebar_system_info");
    HFONT title_font = verdana(12, font_weight_c::bold);
    for (int points : {10, 9, 8})
        if (text_size(dc, title, title_font).cx > 193 - 8) title_font = verdana(points, font_weight_c::bold);
    draw_text_at(dc, title, width - 193, 28, title_font, page_title_colour);

    selection_c font(dc, arial(8));
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF previous = SetTextColor(dc, row_colour);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // A label longer than the column the language is given (German "Laufwerke") moves the
    // values right rather than being cut off.
    for (const sidebar_fact_c& row : sidebar_facts) {
        SIZE label{};
        const std::wstring& text = language_text(row.label_key);
        GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &label);
        if (label.cx + 16 > value_offset) value_offset = label.cx + 16;
    }
    if (value_offset > sidebar_width / 2) value_offset = sidebar_width / 2;
    const system_facts_c& facts = system_facts();
    int top = 100;
    bool first = true;
    for (const sidebar_fact_c& row : sidebar_facts) {
        const std::wstring value = sidebar_fact_text(facts, row);
        RECT value_rect = {width - sidebar_width + value_offset, top, width - 5, top};
        draw_wrapped_text(dc, value, value_rect, 5, true);
        // A fact the system did not give still shows its label on one line.
        if (value_rect.bottom <= top) value_rect.bottom = top + metrics.tmHeight;
        draw_wrapped_text(dc, value, value_rect, 5, false);
        RECT label = {width - 240, top, value_rect.left - 2, value_rect.bottom};
        const std::wstring& text = language_text(row.label_key);
        UINT format = first ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
        DrawTextW(dc, text.c_str(), int(text.size()), &label, reading_format(text, format | DT_NOPREFIX));
        top = value_rect.bottom + 20;
        first = false;
    }
    SetTextColor(dc, previous);
    SetBkMode(dc, mode);
}

std::wstring sidebar_fact_text(const system_facts_c& facts, const sidebar_fact_c& fact) {
    return facts.wmi_reached ? facts.*fact.value : language_text("sidebar_unknown");
}

#include "ui/pages/backup_details_win.h"

#include "system/settings_win.h"
#include "i18n/language_table.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/skin_colours.h"

namespace {
}

void paint_backup_details(HDC dc, const RECT& client, int details_icon, const char* details_title,
                          const detail_lines_c& rows, int settings_icon, const char* settings_title) {
    fill_solid(dc, client, RGB(255, 255, 255));
    fill_solid(dc, RECT{300, 0, 301, client.bottom}, RGB(179, 202, 233));
    draw_skin_image_keyed(dc, details_icon, 310, 35, RGB(0, 0, 0));
    draw_text_at(dc, language_text(details_title), 330, 37, verdana(9, font_weight_c::bold), title_text_colour);
    // Values start at 400, or further right where a language's label is longer.
    int values_x = 400;
    for (const auto& row : rows) {
        int wanted = 310 + text_size(dc, language_text(row.first), verdana(8)).cx + 10;
        if (wanted > values_x) values_x = wanted < 520 ? wanted : 520;
    }
    int y = 65;
    for (const auto& row : rows) {
        draw_text(dc, language_text(row.first), RECT{310, y, values_x - 4, y + 20}, verdana(8), RGB(0, 0, 0),
                  DT_SINGLELINE | DT_END_ELLIPSIS);
        draw_text(dc, row.second, RECT{values_x, y, client.right - 10, y + 20}, verdana(8), RGB(0, 0, 0),
                  DT_SINGLELINE | DT_PATH_ELLIPSIS);
        y += 24;
    }
    draw_skin_image_keyed(dc, settings_icon, 310, 250, RGB(0, 0, 0));
    draw_text_at(dc, language_text(settings_title), 330, 252, verdana(9, font_weight_c::bold), title_text_colour);
    const std::wstring& label = language_text("config_backup_path");
    draw_text_at(dc, label, 310, 280, verdana(8), RGB(0, 0, 0));
    int after = 310 + text_size(dc, label, verdana(8)).cx + 10;
    draw_text(dc, settings().backup_path, RECT{after, 280, client.right - 10, 300}, verdana(8), title_text_colour,
              DT_SINGLELINE | DT_PATH_ELLIPSIS);
}

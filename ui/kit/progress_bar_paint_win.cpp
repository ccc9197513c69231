#include "ui/kit/progress_bar_paint_win.h"

#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"

#include <cwchar>

void paint_progress_bar(HDC dc, const RECT& bar, float fraction, int pattern_image) {
    if (fraction < 0.0f) fraction = 0.0f;
    if (fraction > 1.0f) fraction = 1.0f;
    fill_solid(dc, bar, RGB(226, 240, 253));
    RECT done = bar;
    done.right = bar.left + int(float(bar.right - bar.left) * fraction);
    if (done.right > done.left) {
        brush_c pattern(make_skin_pattern_brush(dc, pattern_image));
        set_pattern_origin(dc, bar.left, bar.top);
        if (pattern) FillRect(dc, &done, pattern.get());
    }
    wchar_t percent[8];
    std::swprintf(percent, 8, L"%d%%", int(fraction * 100));
    draw_text(dc, percent, bar, verdana(8), RGB(0, 0, 0), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

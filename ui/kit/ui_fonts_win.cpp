#include "ui/kit/ui_fonts_win.h"

#include "i18n/language_table.h"
#include "ui/kit/shared_fonts_win.h"

HFONT ui_font(const wchar_t* face, int points, font_weight_c weight) {
    // Arabic in Arial is drawn in Tahoma, as Windows draws its own Arabic windows.
    if (reads_right_to_left() && lstrcmpiW(face, L"Arial") == 0) face = L"Tahoma";
    const LONG height = -MulDiv(points, 96, 72);
    const LONG wanted_weight = weight == font_weight_c::bold ? FW_BOLD : FW_DONTCARE;
    for (int number = 1; number <= shared_fonts_c::count; ++number) {
        HFONT font = shared_fonts().font(number);
        LOGFONTW description{};
        if (!font || !GetObjectW(font, sizeof description, &description)) continue;
        if (description.lfHeight == height && description.lfWeight == wanted_weight &&
            lstrcmpiW(description.lfFaceName, face) == 0)
            return font;
    }
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

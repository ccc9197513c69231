#include "ui/kit/ui_fonts_win.h"

#include "i18n/language_table.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/shared_fonts_win.h"

#include <map>
#include <utility>

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

HFONT control_font(HFONT design_font, unsigned dpi) {
    // The system's font for controls is made at the system's scale already (the fallback of a
    // font not found); the others at 96 DPI.
    const unsigned from = design_font == GetStockObject(DEFAULT_GUI_FONT) ? window_dpi(nullptr) : design_dpi;
    if (!design_font || dpi == from) return design_font;
    static std::map<std::pair<HFONT, unsigned>, font_c> made;
    auto found = made.find({design_font, dpi});
    if (found != made.end()) return found->second.get();
    LOGFONTW description{};
    if (!GetObjectW(design_font, sizeof description, &description)) return design_font;
    description.lfHeight = MulDiv(description.lfHeight, int(dpi), int(from));
    description.lfWidth = MulDiv(description.lfWidth, int(dpi), int(from));
    HFONT scaled = CreateFontIndirectW(&description);
    if (!scaled) return design_font;
    return made.emplace(std::make_pair(design_font, dpi), font_c(scaled)).first->second.get();
}

void set_control_font(HWND control, HFONT design_font, bool redraw) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(control_font(design_font, window_dpi(control))), redraw ? TRUE : FALSE);
}

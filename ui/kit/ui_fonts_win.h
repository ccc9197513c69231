// The fonts of the skinned windows, looked up by face, size and weight among the shared fonts
// made at start-up (never by their number in that list). They are sized in design units (96 DPI),
// for painting on a DC mapped to the window's scale; a control, which draws itself, is given the
// same font at its window's scale (control_font).
#pragma once

#include <windows.h>

enum class font_weight_c { regular, bold };

// The shared font with that face (case-insensitive), size in points at 96 pixels per inch and
// weight; the default GUI font when the start-up set has none such (or is not made yet).
HFONT ui_font(const wchar_t* face, int points, font_weight_c weight = font_weight_c::regular);

inline HFONT verdana(int points, font_weight_c weight = font_weight_c::regular) { return ui_font(L"Verdana", points, weight); }
inline HFONT arial(int points, font_weight_c weight = font_weight_c::regular) { return ui_font(L"Arial", points, weight); }

// The font at `dpi` for a control to draw itself with: the font itself at 96 DPI, else a copy
// made once per font and scale and kept for the process.
HFONT control_font(HFONT design_font, unsigned dpi);
// Gives the control that font at its window's scale.
void set_control_font(HWND control, HFONT design_font, bool redraw = true);

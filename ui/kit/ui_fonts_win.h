// The fonts of the skinned windows, looked up by face, size and weight among the shared fonts
// made at start-up (never by their number in that list).
#pragma once

#include <windows.h>

enum class font_weight_c { regular, bold };

// The shared font with that face (case-insensitive), size in points at 96 pixels per inch and
// weight; the default GUI font when the start-up set has none such (or is not made yet).
HFONT ui_font(const wchar_t* face, int points, font_weight_c weight = font_weight_c::regular);

inline HFONT verdana(int points, font_weight_c weight = font_weight_c::regular) { return ui_font(L"Verdana", points, weight); }
inline HFONT arial(int points, font_weight_c weight = font_weight_c::regular) { return ui_font(L"Arial", points, weight); }

// Colours several of the skin's windows share.
#pragma once

#include <windows.h>

// Titles of panels and details boxes.
constexpr COLORREF title_text_colour = RGB(71, 130, 195);
// The lines and frames of the download page and its "download all" bar.
constexpr COLORREF divider_colour = RGB(138, 185, 241);

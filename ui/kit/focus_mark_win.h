// The keyboard focus as the skinned windows show it, in the skin's colours: a dotted frame inside
// a skinned button in its caption's colour (white on the blue buttons), and a solid frame in the
// strong blue around a focused panel or drawn button on a white page. A mark shows while the
// window has the focus, unless the window is told to hide focus marks until the keyboard is used
// (UISF_HIDEFOCUS, which Windows sets for a window opened by the mouse when the user chose so).
#pragma once

#include <windows.h>

constexpr COLORREF focus_mark_colour = RGB(76, 146, 206);

// Whether the window has the focus and may show it.
bool focus_mark_shown(HWND window);
// A 1-pixel dotted frame 3 pixels inside the button's rectangle.
void draw_button_focus_mark(HDC dc, const RECT& button, COLORREF colour);
// A 2-pixel frame along the inside of the rectangle.
void draw_focus_frame(HDC dc, const RECT& area, COLORREF colour = focus_mark_colour);

// Text helpers of the skinned windows: the word-wrap rule drawn with GDI, and text in a colour.
#pragma once

#include <windows.h>

#include <string>

// Measures (measure true: only rect.bottom is set, to the top plus the wrapped height) or draws
// the text wrapped into rect with the font selected in dc, lines spacing pixels apart, each with
// tab expansion; drawing stops before a line that would pass the rectangle's bottom.
void draw_wrapped_text(HDC dc, const std::wstring& text, RECT& rect, int spacing, bool measure);

// Single-line or DrawText-formatted text in a font and colour, transparent.
void draw_text(HDC dc, const std::wstring& text, RECT rect, HFONT font, COLORREF colour, UINT format);
void draw_text_at(HDC dc, const std::wstring& text, int x, int y, HFONT font, COLORREF colour);
SIZE text_size(HDC dc, const std::wstring& text, HFONT font);
// Single-line text whose logical end is at x (in a mirrored window: whose left edge on the screen
// is there), placed by the text output itself from the glyphs it draws, so joined letters are
// measured as drawn.
void draw_text_ending_at(HDC dc, const std::wstring& text, int x, int y, HFONT font, COLORREF colour);

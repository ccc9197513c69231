// What the home and scan pages share: the white main area with the sidebar of 250 pixels at the
// right, and the sidebar's facts about the computer under its picture and title.
#pragma once

#include <windows.h>

constexpr int sidebar_width = 250;
constexpr COLORREF page_title_colour = RGB(76, 146, 206);

// White client, the sidebar's fill and its 1-pixel left edge.
void paint_page_frame(HDC dc, const RECT& client);

// The sidebar's picture, title (in title_font) and rows of facts; value_offset is where the
// value column starts, counted from the sidebar's left edge.
void paint_sidebar(HDC dc, const RECT& client, HFONT title_font, int value_offset);

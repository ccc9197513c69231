// The skin's bitmaps, loaded once per process from the program's resources (PNG) and shared by
// every window and panel (none loads its own copy). Released at teardown. Each is drawn in design
// units (its size at 100 %) from the rendering nearest the scale the DC draws at (125, 150 and
// 200 % are resources ID + 1000, + 2000 and + 3000).
#pragma once

#include <windows.h>

// The image resource id as a DIB section, or null when the program has no such image.
HBITMAP skin_image(int id);
// Its size (at 100 %: in design units); 0 x 0 when missing.
SIZE skin_image_size(int id);
// Frees every loaded image (the windows that drew them must be gone).
void release_skin_images();
// How many images are loaded now.
int skin_images_loaded();

// Draws the image at its natural size.
void draw_skin_image(HDC dc, int id, int x, int y);
// Draws the image as wide as `width` (at its natural size when that is no wider): its `end` columns at either side as they are, the columns
// between stretched (a button's rounded ends stay round at any width).
void draw_skin_image_widened(HDC dc, int id, int x, int y, int width, int end);
// Draws the image with one colour transparent.
void draw_skin_image_keyed(HDC dc, int id, int x, int y, COLORREF key);
// A pattern brush made from the image at the DC's scale (the caller owns it), and its origin set
// at a point given in design units.
HBRUSH make_skin_pattern_brush(HDC dc, int id);
void set_pattern_origin(HDC dc, int x, int y);

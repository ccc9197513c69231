// The pages' progress bar: a light band, the done part filled with a skin pattern, and the
// percentage centred over it.
#pragma once

#include <windows.h>

void paint_progress_bar(HDC dc, const RECT& bar, float fraction, int pattern_image);

#include "ui/kit/focus_mark_win.h"

#include "ui/kit/gdi_objects_win.h"

bool focus_mark_shown(HWND window) {
    if (!window || GetFocus() != window) return false;
    return (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

void draw_button_focus_mark(HDC dc, const RECT& button, COLORREF colour) {
    RECT mark = button;
    InflateRect(&mark, -3, -3);
    if (mark.right - mark.left < 4 || mark.bottom - mark.top < 4) return;
    // Every other pixel, drawn one by one: a dotted pen's pattern differs between systems.
    for (int x = mark.left; x < mark.right; x += 2) {
        SetPixelV(dc, x, mark.top, colour);
        SetPixelV(dc, x, mark.bottom - 1, colour);
    }
    for (int y = mark.top; y < mark.bottom; y += 2) {
        SetPixelV(dc, mark.left, y, colour);
        SetPixelV(dc, mark.right - 1, y, colour);
    }
}

void draw_focus_frame(HDC dc, const RECT& area, COLORREF colour) {
    RECT outer = area;
    frame_solid(dc, outer, colour);
    InflateRect(&outer, -1, -1);
    frame_solid(dc, outer, colour);
}

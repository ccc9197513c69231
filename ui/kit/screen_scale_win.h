// The scale a window is drawn at. Layouts are designed in pixels at 96 DPI (100 %), the fixed
// 800 x 600 design; on a monitor of another scale they are multiplied. Painting draws in design
// units on a DC mapped to the window's scale (text and lines are then drawn at the screen's own
// resolution); child windows are placed, and the fonts of controls made, in the screen's pixels.
#pragma once

#include "ui/kit/gdi_objects_win.h"

#include <windows.h>

#include <optional>

constexpr unsigned design_dpi = 96;

// Sent to child windows after their top-level window moved to a monitor of another scale
// (Windows 10; the SDK declares it only for programs that need that version).
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

// The window's DPI: its monitor's where Windows tells it per window (Windows 10), else the
// system's (Windows 7 and 8, and a process not aware of DPI: 96).
unsigned window_dpi(HWND window);

// A system metric (GetSystemMetrics' index) at that DPI: the system's own at its scale where
// Windows cannot tell it for another.
int system_metric_for_dpi(int index, unsigned dpi);

inline int to_screen(int design, unsigned dpi) { return MulDiv(design, int(dpi), int(design_dpi)); }
inline int to_design(int pixels, unsigned dpi) { return MulDiv(pixels, int(design_dpi), int(dpi)); }
RECT to_screen(const RECT& design, unsigned dpi);
RECT to_design(const RECT& pixels, unsigned dpi);

// The window's client area in design units, rounded down (what is placed at its edges stays
// inside it).
RECT design_client_rect(HWND window);
// The same rounded up: what a background fills to cover every pixel.
RECT design_paint_rect(HWND window);
// A mouse message's position in design units.
POINT design_point(HWND window, LPARAM position);
// Places a child window given in design units (its parent's scale).
void place_design(HWND child, int x, int y, int width, int height, bool repaint = true);

// While it lives, drawing on the DC in design units lands at `dpi`; at 96 DPI nothing changes.
class design_units_c {
public:
    design_units_c(HDC dc, unsigned dpi);
    ~design_units_c();
    design_units_c(const design_units_c&) = delete;
    design_units_c& operator=(const design_units_c&) = delete;

private:
    HDC dc_;
    bool mapped_ = false;
    int old_mode_ = 0;
    SIZE old_window_{}, old_viewport_{};
};

// The DPI a DC draws design units at: 96 unless a design_units_c maps it.
unsigned dc_dpi(HDC dc);

// A window's client area painted off-screen in design units, then copied to the screen.
class design_surface_c {
public:
    design_surface_c(HWND window, HDC target);
    HDC dc() const { return surface_.dc(); }
    // The client area in design units, rounded up.
    const RECT& client() const { return client_; }
    // Ends the design units and copies the surface to the target's client origin.
    void copy_to(HDC target);

private:
    RECT pixels_{}, client_{};
    off_screen_c surface_;
    std::optional<design_units_c> design_;
};

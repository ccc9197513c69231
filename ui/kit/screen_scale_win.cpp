#include "ui/kit/screen_scale_win.h"

#include <cstdint>

namespace {

// A function of Windows 10's user32 (1607 and later): looked up, never imported; null elsewhere.
template <typename function_t>
function_t windows10_function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<function_t>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

using dpi_for_window_c = UINT(WINAPI*)(HWND);
using metric_for_dpi_c = int(WINAPI*)(int, UINT);

dpi_for_window_c dpi_for_window() {
    static const dpi_for_window_c function = windows10_function<dpi_for_window_c>("GetDpiForWindow");
    return function;
}

unsigned screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? unsigned(dpi) : design_dpi;
}

}  // namespace

int system_metric_for_dpi(int index, unsigned dpi) {
    static const metric_for_dpi_c for_dpi = windows10_function<metric_for_dpi_c>("GetSystemMetricsForDpi");
    return for_dpi ? for_dpi(index, dpi) : GetSystemMetrics(index);
}

unsigned window_dpi(HWND window) {
    if (window && dpi_for_window())
        if (const UINT dpi = dpi_for_window()(window)) return dpi;
    return screen_dpi();
}

RECT to_screen(const RECT& design, unsigned dpi) {
    return {to_screen(design.left, dpi), to_screen(design.top, dpi), to_screen(design.right, dpi), to_screen(design.bottom, dpi)};
}

RECT to_design(const RECT& pixels, unsigned dpi) {
    return {to_design(pixels.left, dpi), to_design(pixels.top, dpi), to_design(pixels.right, dpi), to_design(pixels.bottom, dpi)};
}

RECT design_client_rect(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    // Rounded down: what is laid out at its edge, scaled back, stays inside the window.
    const unsigned dpi = window_dpi(window);
    return RECT{0, 0, int(std::int64_t(client.right) * design_dpi / dpi), int(std::int64_t(client.bottom) * design_dpi / dpi)};
}

RECT design_paint_rect(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const unsigned dpi = window_dpi(window);
    return RECT{0, 0, int((std::int64_t(client.right) * design_dpi + dpi - 1) / dpi),
                int((std::int64_t(client.bottom) * design_dpi + dpi - 1) / dpi)};
}

POINT design_point(HWND window, LPARAM position) {
    const unsigned dpi = window_dpi(window);
    return {to_design(short(LOWORD(position)), dpi), to_design(short(HIWORD(position)), dpi)};
}

void place_design(HWND child, int x, int y, int width, int height, bool repaint) {
    const unsigned dpi = window_dpi(GetParent(child) ? GetParent(child) : child);
    const int left = to_screen(x, dpi), top = to_screen(y, dpi);
    // Right and bottom edges scaled as edges: neighbours placed edge to edge stay so.
    MoveWindow(child, left, top, to_screen(x + width, dpi) - left, to_screen(y + height, dpi) - top, repaint ? TRUE : FALSE);
}

design_units_c::design_units_c(HDC dc, unsigned dpi) : dc_(dc) {
    if (dpi == design_dpi || dpi == 0) return;
    mapped_ = true;
    old_mode_ = SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, int(design_dpi), int(design_dpi), &old_window_);
    SetViewportExtEx(dc, int(dpi), int(dpi), &old_viewport_);
}

design_units_c::~design_units_c() {
    if (!mapped_) return;
    SetViewportExtEx(dc_, old_viewport_.cx, old_viewport_.cy, nullptr);
    SetWindowExtEx(dc_, old_window_.cx, old_window_.cy, nullptr);
    SetMapMode(dc_, old_mode_);
}

unsigned dc_dpi(HDC dc) {
    if (GetMapMode(dc) != MM_ANISOTROPIC) return design_dpi;
    SIZE window{}, viewport{};
    GetWindowExtEx(dc, &window);
    GetViewportExtEx(dc, &viewport);
    if (window.cy == 0) return design_dpi;
    return unsigned(MulDiv(viewport.cy < 0 ? -viewport.cy : viewport.cy, int(design_dpi), window.cy < 0 ? -window.cy : window.cy));
}

namespace {

RECT client_pixels(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

}  // namespace

design_surface_c::design_surface_c(HWND window, HDC target)
    : pixels_(client_pixels(window)), surface_(target, pixels_.right, pixels_.bottom) {
    // Rounded up: the painting covers every pixel of the surface (a child placed at the edge is
    // rounded down, inside the window).
    client_ = design_paint_rect(window);
    design_.emplace(surface_.dc(), window_dpi(window));
}

void design_surface_c::copy_to(HDC target) {
    design_.reset();
    surface_.copy_to(target);
}

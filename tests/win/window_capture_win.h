// A window's pixels as the screen shows them, and their PNG file: shared by the window tests and
// the probe that photographs the running program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <vector>

struct window_pixels_c {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top-down
    COLORREF at(int x, int y) const;
};

// The window as it shows on the screen (frame included), window coordinates.
window_pixels_c capture_window(HWND window);

// Writes the pixels as a PNG file (GDI+'s encoder); false when it cannot.
bool write_png(const window_pixels_c& image, const std::filesystem::path& file);

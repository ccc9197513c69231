#include "tests/win/window_capture_win.h"

#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/gdiplus_win.h"

#include <string>

COLORREF window_pixels_c::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    std::uint32_t value = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

window_pixels_c capture_window(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    window_pixels_c result;
    result.width = rect.right - rect.left;
    result.height = rect.bottom - rect.top;
    window_dc_c screen(nullptr);
    memory_dc_c memory(screen.get());
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), result.width, -result.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap_c section(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section) return result;
    {
        selection_c selected(memory.get(), section.get());
        BitBlt(memory.get(), 0, 0, result.width, result.height, screen.get(), rect.left, rect.top, SRCCOPY);
    }
    GdiFlush();
    auto first = static_cast<const std::uint32_t*>(bits);
    result.pixels.assign(first, first + std::size_t(result.width) * std::size_t(result.height));
    for (auto& pixel : result.pixels) pixel &= 0x00FFFFFF;
    return result;
}

namespace {

bool png_encoder(CLSID& found) {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (!size) return false;
    std::vector<unsigned char> buffer(size);
    auto encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, encoders);
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(encoders[i].MimeType) == L"image/png") {
            found = encoders[i].Clsid;
            return true;
        }
    return false;
}

}  // namespace

bool write_png(const window_pixels_c& image, const std::filesystem::path& file) {
    if (image.width <= 0 || image.height <= 0) return false;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    bool written = false;
    {
        std::vector<std::uint32_t> pixels = image.pixels;
        Gdiplus::Bitmap bitmap(image.width, image.height, image.width * 4, PixelFormat32bppRGB,
                               reinterpret_cast<BYTE*>(pixels.data()));
        CLSID encoder;
        written = png_encoder(encoder) && bitmap.Save(file.wstring().c_str(), &encoder, nullptr) == Gdiplus::Ok;
    }
    Gdiplus::GdiplusShutdown(token);
    return written;
}

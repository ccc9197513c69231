#include "ui/kit/skin_images_win.h"

#include "common/png_image.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/screen_scale_win.h"

#include <cstring>
#include <map>
#include <string>
#include <utility>

namespace {

std::map<int, bitmap_c>& cache() {
    static std::map<int, bitmap_c> images;
    return images;
}

// The renderings beside each image at 100 %: the resource id's offset and the DPI drawn at.
struct variant_c {
    int offset;
    unsigned dpi;
};
constexpr variant_c variants[] = {{0, 96}, {1000, 120}, {2000, 144}, {3000, 192}};

// The image's PNG resource as a 24-bit top-down DIB section.
HBITMAP load_png_resource(int id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return nullptr;
    rgb_image_c image;
    std::string problem;
    if (!read_png_image(static_cast<const std::uint8_t*>(data), SizeofResource(module, found), image, problem)) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return bitmap;
    const std::size_t stride = (std::size_t(image.width) * 3 + 3) & ~std::size_t(3);
    for (int y = 0; y < image.height; ++y) {
        auto* row = static_cast<std::uint8_t*>(bits) + std::size_t(y) * stride;
        const std::uint8_t* source = image.rgb.data() + std::size_t(y) * std::size_t(image.width) * 3;
        for (int x = 0; x < image.width; ++x) {
            row[x * 3] = source[x * 3 + 2];
            row[x * 3 + 1] = source[x * 3 + 1];
            row[x * 3 + 2] = source[x * 3];
        }
    }
    return bitmap;
}

SIZE bitmap_size(HBITMAP image) {
    BITMAP info{};
    if (!image || !GetObjectW(image, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

// The rendering for a DC drawing at `dpi`: the one made for it, else the next larger (drawn
// smaller), else the largest; the image at 100 % when the program has no other.
HBITMAP variant_for(int id, unsigned dpi) {
    if (dpi == design_dpi) return skin_image(id);
    for (const variant_c& variant : variants)
        if (variant.dpi >= dpi)
            if (HBITMAP image = skin_image(id + variant.offset)) return image;
    if (HBITMAP largest = skin_image(id + variants[3].offset)) return largest;
    return skin_image(id);
}

// Copies the image's source rectangle (in 100 % pixels) to the destination in design units,
// from the rendering nearest the DC's scale.
void copy_scaled(HDC dc, int id, int x, int y, int width, int height, int source_x, int source_width) {
    const unsigned dpi = dc_dpi(dc);
    HBITMAP image = variant_for(id, dpi);
    if (!image) return;
    const SIZE design = skin_image_size(id), drawn = bitmap_size(image);
    memory_dc_c source(dc);
    selection_c selected(source.get(), image);
    match_layout(source.get(), dc);  // never reversed in a mirrored window
    const int sx = MulDiv(source_x, drawn.cx, design.cx), sw = MulDiv(source_x + source_width, drawn.cx, design.cx) - sx;
    if (dpi == design_dpi && width == source_width) {
        BitBlt(dc, x, y, width, height, source.get(), sx, 0, SRCCOPY);
        return;
    }
    // Where the rendering's pixels meet the screen's one to one this is a plain copy.
    const int old_mode = SetStretchBltMode(dc, HALFTONE);
    POINT old_origin{};
    SetBrushOrgEx(dc, 0, 0, &old_origin);  // as HALFTONE asks
    StretchBlt(dc, x, y, width, height, source.get(), sx, 0, sw, drawn.cy, SRCCOPY);
    SetBrushOrgEx(dc, old_origin.x, old_origin.y, nullptr);
    SetStretchBltMode(dc, old_mode);
}

}  // namespace

HBITMAP skin_image(int id) {
    auto& images = cache();
    auto found = images.find(id);
    if (found != images.end()) return found->second.get();
    HBITMAP loaded = load_png_resource(id);
    if (!loaded) return nullptr;
    return images.emplace(id, bitmap_c(loaded)).first->second.get();
}

SIZE skin_image_size(int id) { return bitmap_size(skin_image(id)); }

void release_skin_images() { cache().clear(); }

int skin_images_loaded() { return int(cache().size()); }

void draw_skin_image(HDC dc, int id, int x, int y) {
    const SIZE size = skin_image_size(id);
    copy_scaled(dc, id, x, y, size.cx, size.cy, 0, size.cx);
}

void draw_skin_image_widened(HDC dc, int id, int x, int y, int width, int end) {
    SIZE size = skin_image_size(id);
    if (width <= size.cx || size.cx <= 2 * end) return draw_skin_image(dc, id, x, y);
    copy_scaled(dc, id, x, y, end, size.cy, 0, end);
    copy_scaled(dc, id, x + width - end, y, end, size.cy, size.cx - end, end);
    copy_scaled(dc, id, x + end, y, width - 2 * end, size.cy, end, size.cx - 2 * end);
}

void draw_skin_image_keyed(HDC dc, int id, int x, int y, COLORREF key) {
    HBITMAP image = variant_for(id, dc_dpi(dc));
    if (!image) return;
    const SIZE size = skin_image_size(id), drawn = bitmap_size(image);
    memory_dc_c source(dc);
    selection_c selected(source.get(), image);
    match_layout(source.get(), dc);
    // In the DC's pixels: a transparent copy onto a mapped DC is stretched from the design size
    // (Wine), which would undo the larger rendering.
    const RECT target = to_screen(RECT{x, y, x + size.cx, y + size.cy}, dc_dpi(dc));
    const int saved = SaveDC(dc);
    SetMapMode(dc, MM_TEXT);
    TransparentBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, source.get(), 0, 0,
                   drawn.cx, drawn.cy, key);
    RestoreDC(dc, saved);
}

HBRUSH make_skin_pattern_brush(HDC dc, int id) {
    const unsigned dpi = dc_dpi(dc);
    HBITMAP image = variant_for(id, dpi);
    if (!image) return nullptr;
    // A brush tiles in the screen's pixels: a rendering of another scale is first made the size
    // the pattern has at this one.
    const SIZE design = skin_image_size(id), drawn = bitmap_size(image);
    const SIZE wanted = {to_screen(design.cx, dpi), to_screen(design.cy, dpi)};
    if (drawn.cx == wanted.cx && drawn.cy == wanted.cy) return CreatePatternBrush(image);
    // Kept with the images (a brush may refer to its bitmap while it lives).
    static std::map<std::pair<int, unsigned>, bitmap_c> sized_patterns;
    auto found = sized_patterns.find({id, dpi});
    if (found == sized_patterns.end()) {
        memory_dc_c source(dc), target(dc);
        bitmap_c sized(CreateCompatibleBitmap(dc, wanted.cx, wanted.cy));
        if (!sized) return CreatePatternBrush(image);
        {
            selection_c from(source.get(), image), to(target.get(), sized.get());
            SetStretchBltMode(target.get(), HALFTONE);
            SetBrushOrgEx(target.get(), 0, 0, nullptr);
            StretchBlt(target.get(), 0, 0, wanted.cx, wanted.cy, source.get(), 0, 0, drawn.cx, drawn.cy, SRCCOPY);
        }
        found = sized_patterns.emplace(std::make_pair(id, dpi), std::move(sized)).first;
    }
    return CreatePatternBrush(found->second.get());
}

void set_pattern_origin(HDC dc, int x, int y) {
    const unsigned dpi = dc_dpi(dc);
    SetBrushOrgEx(dc, to_screen(x, dpi), to_screen(y, dpi), nullptr);
}

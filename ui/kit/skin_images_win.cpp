#include "ui/kit/skin_images_win.h"

#include "ui/kit/gdi_objects_win.h"

#include <map>

namespace {

std::map<int, bitmap_c>& cache() {
    static std::map<int, bitmap_c> images;
    return images;
}

}  // namespace

HBITMAP skin_image(int id) {
    auto& images = cache();
    auto found = images.find(id);
    if (found != images.end()) return found->second.get();
    auto loaded = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!loaded) return nullptr;
    return images.emplace(id, bitmap_c(loaded)).first->second.get();
}

SIZE skin_image_size(int id) {
    BITMAP info{};
    HBITMAP image = skin_image(id);
    if (!image || !GetObjectW(image, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

void release_skin_images() { cache().clear(); }

int skin_images_loaded() { return int(cache().size()); }

void draw_skin_image(HDC dc, int id, int x, int y) {
    HBITMAP image = skin_image(id);
    if (!image) return;
    SIZE size = skin_image_size(id);
    memory_dc_c source(dc);
    selection_c selected(source.get(), image);
    match_layout(source.get(), dc);  // never reversed in a mirrored window
    BitBlt(dc, x, y, size.cx, size.cy, source.get(), 0, 0, SRCCOPY);
}

void draw_skin_image_widened(HDC dc, int id, int x, int y, int width, int end) {
    SIZE size = skin_image_size(id);
    if (width <= size.cx || size.cx <= 2 * end) return draw_skin_image(dc, id, x, y);
    HBITMAP image = skin_image(id);
    if (!image) return;
    memory_dc_c source(dc);
    selection_c selected(source.get(), image);
    match_layout(source.get(), dc);
    BitBlt(dc, x, y, end, size.cy, source.get(), 0, 0, SRCCOPY);
    BitBlt(dc, x + width - end, y, end, size.cy, source.get(), size.cx - end, 0, SRCCOPY);
    int old_mode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, x + end, y, width - 2 * end, size.cy, source.get(), end, 0, size.cx - 2 * end, size.cy, SRCCOPY);
    SetStretchBltMode(dc, old_mode);
}

void draw_skin_image_keyed(HDC dc, int id, int x, int y, COLORREF key) {
    HBITMAP image = skin_image(id);
    if (!image) return;
    SIZE size = skin_image_size(id);
    memory_dc_c source(dc);
    selection_c selected(source.get(), image);
    match_layout(source.get(), dc);
    TransparentBlt(dc, x, y, size.cx, size.cy, source.get(), 0, 0, size.cx, size.cy, key);
}

HBRUSH make_skin_pattern_brush(int id) {
    HBITMAP image = skin_image(id);
    return image ? CreatePatternBrush(image) : nullptr;
}

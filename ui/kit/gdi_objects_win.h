// RAII for the GDI objects, device contexts, selections, menus and image lists of the windows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

// A GDI object (bitmap, brush, pen, font, region) deleted with DeleteObject.
template <typename handle_t>
class gdi_object_c {
public:
    gdi_object_c() = default;
    explicit gdi_object_c(handle_t handle) : handle_(handle) {}
    ~gdi_object_c() { reset(); }
    gdi_object_c(gdi_object_c&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    gdi_object_c& operator=(gdi_object_c&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    gdi_object_c(const gdi_object_c&) = delete;
    gdi_object_c& operator=(const gdi_object_c&) = delete;

    handle_t get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset(handle_t handle = nullptr) {
        if (handle_) DeleteObject(handle_);
        handle_ = handle;
    }
    handle_t release() { return std::exchange(handle_, nullptr); }

private:
    handle_t handle_ = nullptr;
};

using bitmap_c = gdi_object_c<HBITMAP>;
using brush_c = gdi_object_c<HBRUSH>;
using pen_c = gdi_object_c<HPEN>;
using font_c = gdi_object_c<HFONT>;
using region_c = gdi_object_c<HRGN>;

// An object selected into a device context for a scope; the previous one comes back.
class selection_c {
public:
    selection_c(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~selection_c() {
        if (previous_) SelectObject(dc_, previous_);
    }
    selection_c(const selection_c&) = delete;
    selection_c& operator=(const selection_c&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// In a mirrored device context (a right-to-left window's) x counts from the right. A bitmap
// copied between two contexts of the same layout keeps its orientation and its place (both
// mirror, which cancels out); copied from a left-to-right context into a mirrored one it comes
// out reversed. So a memory context that holds a bitmap takes the layout of the context it is
// copied into, or copied from. (LAYOUT_BITMAPORIENTATIONPRESERVED and NOMIRRORBITMAP also keep
// the orientation, but Wine 8 then puts the picture one pixel aside, or drops its last column.)
inline void match_layout(HDC memory, HDC other) {
    DWORD layout = other ? GetLayout(other) : 0;
    DWORD wanted = layout != GDI_ERROR && (layout & LAYOUT_RTL) ? LAYOUT_RTL : 0;
    if (GetLayout(memory) != wanted) SetLayout(memory, wanted);
}

// A memory device context compatible with another; left to right until match_layout.
class memory_dc_c {
public:
    explicit memory_dc_c(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {
        if (dc_ && GetLayout(dc_)) SetLayout(dc_, 0);
    }
    ~memory_dc_c() {
        if (dc_) DeleteDC(dc_);
    }
    memory_dc_c(const memory_dc_c&) = delete;
    memory_dc_c& operator=(const memory_dc_c&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// GetDC / GetWindowDC with ReleaseDC.
class window_dc_c {
public:
    enum class area_c { client, whole_window };
    window_dc_c(HWND window, area_c area = area_c::client)
        : window_(window), dc_(area == area_c::client ? GetDC(window) : GetWindowDC(window)) {}
    ~window_dc_c() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    window_dc_c(const window_dc_c&) = delete;
    window_dc_c& operator=(const window_dc_c&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class paint_dc_c {
public:
    explicit paint_dc_c(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~paint_dc_c() { EndPaint(window_, &paint_); }
    paint_dc_c(const paint_dc_c&) = delete;
    paint_dc_c& operator=(const paint_dc_c&) = delete;
    HDC get() const { return dc_; }
    const RECT& area() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// An off-screen surface of a given size: draw into dc(), then copy it out. Laid out as its target
// (mirrored for a mirrored window, so drawing code keeps its coordinates), so the copy out keeps
// the picture as drawn.
class off_screen_c {
public:
    off_screen_c(HDC target, int width, int height)
        : memory_(target), bitmap_(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1)),
          selection_(memory_.get(), bitmap_.get()), width_(width), height_(height) {
        match_layout(memory_.get(), target);
    }
    HDC dc() const { return memory_.get(); }
    void copy_to(HDC target, int x = 0, int y = 0) const { BitBlt(target, x, y, width_, height_, memory_.get(), 0, 0, SRCCOPY); }

private:
    memory_dc_c memory_;
    bitmap_c bitmap_;
    selection_c selection_;
    int width_, height_;
};

class menu_c {
public:
    explicit menu_c(HMENU menu = nullptr) : menu_(menu) {}
    ~menu_c() {
        if (menu_) DestroyMenu(menu_);
    }
    menu_c(const menu_c&) = delete;
    menu_c& operator=(const menu_c&) = delete;
    HMENU get() const { return menu_; }
    void reset(HMENU menu) {
        if (menu_) DestroyMenu(menu_);
        menu_ = menu;
    }

private:
    HMENU menu_;
};

class image_list_c {
public:
    explicit image_list_c(HIMAGELIST list = nullptr) : list_(list) {}
    ~image_list_c() {
        if (list_) ImageList_Destroy(list_);
    }
    image_list_c(const image_list_c&) = delete;
    image_list_c& operator=(const image_list_c&) = delete;
    HIMAGELIST get() const { return list_; }

private:
    HIMAGELIST list_;
};

// A solid rectangle fill without keeping a brush. (A pattern fill: in a mirrored context Wine 8
// leaves the last column of an ExtTextOut opaque rectangle unfilled.)
inline void fill_solid(HDC dc, const RECT& area, COLORREF colour) {
    if (area.right <= area.left || area.bottom <= area.top) return;
    HGDIOBJ previous_brush = SelectObject(dc, GetStockObject(DC_BRUSH));
    COLORREF previous = SetDCBrushColor(dc, colour);
    PatBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, PATCOPY);
    SetDCBrushColor(dc, previous);
    SelectObject(dc, previous_brush);
}

// A 1-pixel rectangle outline.
inline void frame_solid(HDC dc, const RECT& area, COLORREF colour) {
    RECT edge = {area.left, area.top, area.right, area.top + 1};
    fill_solid(dc, edge, colour);
    edge = {area.left, area.bottom - 1, area.right, area.bottom};
    fill_solid(dc, edge, colour);
    edge = {area.left, area.top, area.left + 1, area.bottom};
    fill_solid(dc, edge, colour);
    edge = {area.right - 1, area.top, area.right, area.bottom};
    fill_solid(dc, edge, colour);
}

// An icon loaded with LoadImage, destroyed with DestroyIcon.
class icon_c {
public:
    explicit icon_c(HICON icon = nullptr) : icon_(icon) {}
    ~icon_c() {
        if (icon_) DestroyIcon(icon_);
    }
    icon_c(const icon_c&) = delete;
    icon_c& operator=(const icon_c&) = delete;
    HICON get() const { return icon_; }
    void reset(HICON icon) {
        if (icon_) DestroyIcon(icon_);
        icon_ = icon;
    }

private:
    HICON icon_;
};

// A real push button (owner-drawn, subclassed for hover) drawn from three skin images with a
// centred caption: normal, hover and pushed; disabled shows the normal image. The system's own
// button logic stays: BN_CLICKED comes on a release over the button that was pressed, and on Space;
// Enter presses it too while it has the focus, which a dotted frame in its caption's colour shows.
#pragma once

#include "ui/kit/skin_ids.h"

#include <windows.h>

class bitmap_button_c {
public:
    bitmap_button_c() = default;
    ~bitmap_button_c() { detach(); }
    bitmap_button_c(const bitmap_button_c&) = delete;
    bitmap_button_c& operator=(const bitmap_button_c&) = delete;

    // Takes over the owner-drawn button control (BS_OWNERDRAW) with the images and caption
    // style; the caption is the control's window text.
    bool attach(HWND button, skin_states_c images, HFONT font,
                COLORREF text_colour = RGB(255, 255, 255));
    void detach();
    HWND handle() const { return button_; }

    // Draws a kit button for its owner's WM_DRAWITEM; false when the item is not one.
    static bool draw_item(const DRAWITEMSTRUCT* item);

private:
    static LRESULT CALLBACK subclass_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                               UINT_PTR id, DWORD_PTR data);
    void draw(HDC dc, const RECT& area, bool pushed, bool disabled, bool focus) const;
    // The same on a DC in design units, the button `width` x `height` of them.
    void draw_design(HDC dc, int width, int height, bool pushed, bool disabled, bool focus) const;

    HWND button_ = nullptr;
    int images_[3] = {0, 0, 0};  // normal, hover, pushed
    HFONT font_ = nullptr;
    COLORREF text_colour_ = RGB(255, 255, 255);
    bool hover_ = false;
};

// Image buttons that live inside a window (its caption or its client area), not windows of their
// own: button_c<T> with the one state machine, and its four kinds, which differ only in where
// they sit, how they are hit and what they draw over their image.
#pragma once

#include "i18n/language_table.h"
#include "ui/kit/button_state.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"

#include <windows.h>

#include <string>

template <typename T>
class button_c {
public:
    using handler_t = void (T::*)();

    virtual ~button_c() = default;

    // The three images (normal, hover, pressed), the rectangle in the kind's frame and a caption.
    virtual void create(skin_states_c images, RECT rect, std::wstring text = {}) {
        set_images(images);
        rect_ = rect;
        text_ = std::move(text);
    }
    // Whether (x, y) of the surface (the window rectangle for the caption, the client area
    // otherwise, with its own origin at 0, 0) is on the button.
    virtual bool hit_test(int x, int y, const RECT& surface) const {
        RECT at = placed(surface);
        return PtInRect(&at, POINT{x, y}) != 0;
    }
    virtual void draw_text(HDC, const RECT&) const {}
    virtual void draw(HDC dc, const RECT& surface) const {
        RECT at = placed(surface);
        draw_skin_image(dc, images_[state()], at.left, at.top);
        draw_text(dc, surface);
    }
    virtual void set_images(skin_states_c images) {
        images_[0] = images.normal;
        images_[1] = images.hover;
        images_[2] = images.pressed;
    }
    // Where the button is drawn on that surface.
    virtual RECT placed(const RECT& surface) const {
        (void)surface;
        return rect_;
    }

    int state() const { return machine_.state(); }
    button_state_c& machine() { return machine_; }
    const RECT& rect() const { return rect_; }
    const std::wstring& text() const { return text_; }
    void set_text(std::wstring text) { text_ = std::move(text); }
    int image(int state) const { return images_[state]; }

    handler_t click_handler = nullptr;

protected:
    RECT rect_{};
    std::wstring text_;
    int images_[3] = {0, 0, 0};
    button_state_c machine_;
};

// A title-bar button: its left and right are distances from the surface's right edge, so it
// keeps its place when the window is resized; drawn at its natural size, no caption.
template <typename T>
class system_button_c : public button_c<T> {
public:
    RECT placed(const RECT& surface) const override {
        int width = surface.right - surface.left;
        SIZE size = skin_image_size(this->images_[0]);
        int left = width - this->rect_.right;
        return RECT{left, this->rect_.top, left + (size.cx ? size.cx : this->rect_.right - this->rect_.left),
                    this->rect_.top + (size.cy ? size.cy : this->rect_.bottom - this->rect_.top)};
    }
};

// A navigation tab: window coordinates, caption at the bottom in Verdana 8 (regular for the
// languages whose words run long, else bold), white or strong blue while pressed.
template <typename T>
class top_button_c : public button_c<T> {
public:
    void draw_text(HDC dc, const RECT&) const override {
        bool long_words = is_current_language("de") || is_current_language("it") || is_current_language("es") ||
                          is_current_language("pt");
        RECT area = this->rect_;
        area.bottom -= 5;
        // A caption wider than the tab takes the regular weight, then the narrower Arial, then
        // ends in an ellipsis: never cut off at the tab's edges.
        HFONT font = verdana(8, long_words ? font_weight_c::regular : font_weight_c::bold);
        for (HFONT narrower : {verdana(8), arial(8)}) {
            if (text_size(dc, this->text_, font).cx <= area.right - area.left - 4) break;
            font = narrower;
        }
        COLORREF colour = this->state() == button_state_c::pressed ? RGB(76, 146, 206) : RGB(255, 255, 255);
        InflateRect(&area, -2, 0);
        ::draw_text(dc, this->text_, area, font, colour, DT_CENTER | DT_BOTTOM | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
};

// The home page's big button, centred in the space left of the sidebar.
template <typename T>
class home_button_c : public button_c<T> {
public:
    RECT placed(const RECT& surface) const override {
        SIZE size = skin_image_size(this->images_[0]);
        int width = surface.right - surface.left, height = surface.bottom - surface.top;
        int left = (width - 250) / 2 - size.cx / 2, top = (height - 150) / 2;
        return RECT{left, top, left + size.cx, top + size.cy};
    }
};

// A panel's button, right-anchored like a title-bar button, with a white caption centred both
// ways in the font the owner selected.
template <typename T>
class download_button_c : public system_button_c<T> {
public:
    void draw_text(HDC dc, const RECT& surface) const override {
        RECT area = this->placed(surface);
        int mode = SetBkMode(dc, TRANSPARENT);
        COLORREF previous = SetTextColor(dc, RGB(255, 255, 255));
        if (this->state() == button_state_c::pressed) OffsetRect(&area, 0, 1);
        DrawTextW(dc, this->text_.c_str(), int(this->text_.size()), &area,
                  reading_format(this->text_, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX));
        SetTextColor(dc, previous);
        SetBkMode(dc, mode);
    }
};

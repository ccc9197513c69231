// The skinned frame mix-in of a top-level window or dialog T: the caption band taken over through
// WM_NCCALCSIZE, the plain rectangular region, the frame painted off-screen, and the caption
// buttons with their mouse protocol. T's message map offers each message to ui_message first.
// T may define paint_caption(HDC, const RECT& window) to draw its own caption content. Everything
// here is in design units (96 DPI): the frame is painted on a DC mapped to the window's scale, and
// mouse positions are turned into design units before they are compared.
#pragma once

#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/skin_button_win.h"
#include "ui/kit/skin_images_win.h"

#include <windows.h>
#include <windowsx.h>

#include <memory>
#include <vector>

constexpr COLORREF caption_band_colour = RGB(139, 184, 241);
constexpr COLORREF frame_border_colour = RGB(66, 90, 138);
constexpr int title_strip_image = skin::title_strip;

template <typename T>
class ui_window_c {
public:
    explicit ui_window_c(int caption_height) : caption_height_(caption_height) {}
    virtual ~ui_window_c() = default;

    int caption_height() const { return caption_height_; }
    int frame_x() const { return frame_x_; }
    int frame_y() const { return frame_y_; }
    const std::vector<std::unique_ptr<button_c<T>>>& caption_buttons() const { return buttons_; }

    // Appends a caption button (drawing and hit-testing follow the order of appending).
    button_c<T>* add_caption_button(std::unique_ptr<button_c<T>> button, void (T::*handler)()) {
        button->click_handler = handler;
        buttons_.push_back(std::move(button));
        return buttons_.back().get();
    }

    // Repaints the frame now.
    void redraw_frame(HWND window) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME | RDW_NOERASE | RDW_NOINTERNALPAINT);
    }

    // The window's region: its plain rectangle (no rounded corners).
    static void reset_region(HWND window) {
        RECT rect;
        GetWindowRect(window, &rect);
        SetWindowRgn(window, CreateRectRgn(0, 0, rect.right - rect.left, rect.bottom - rect.top), TRUE);
    }

    // Default caption content: nothing.
    void paint_caption(HDC, const RECT&) {}

protected:
    bool ui_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
        switch (message) {
            case WM_NCCREATE: read_frame_metrics(window, false); return false;
            case WM_INITDIALOG: on_initdialog(window); return false;
            case WM_NCCALCSIZE: on_nccalcsize(wparam, lparam); return false;
            case WM_NCPAINT: paint_frame(window); result = 0; return true;
            case WM_NCACTIVATE:
                if (IsIconic(window)) return false;
                paint_frame(window);
                result = TRUE;
                return true;
            case WM_SETTEXT: case WM_SETICON:
                // The default draws the system caption; draw ours over it.
                result = DefWindowProcW(window, message, wparam, lparam);
                if (IsWindowVisible(window)) paint_frame(window);
                return true;
            case WM_NCHITTEST: result = on_nchittest(window, lparam); return true;
            case WM_NCMOUSEMOVE: on_ncmousemove(window, lparam); return false;
            case WM_NCMOUSELEAVE: on_ncmouseleave(window); return false;
            case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK: return on_ncpress(window, lparam);
            case WM_MOUSEMOVE: return captured_ && on_captured_move(window);
            case WM_LBUTTONUP: return captured_ && on_captured_release(window);
            case WM_CAPTURECHANGED:
                if (captured_ && reinterpret_cast<HWND>(lparam) != window) {
                    captured_->machine().cancel();
                    captured_ = nullptr;
                    redraw_frame(window);
                }
                return false;
            case WM_SIZE: reset_region(window); return false;
            case WM_DPICHANGED: on_dpi_changed(window, *reinterpret_cast<const RECT*>(lparam)); return false;
            default: return false;
        }
    }

private:
    // The system's caption height and frame thickness at the window's scale (the frame in design
    // units, the caption in pixels, as the system sizes it).
    void read_frame_metrics(HWND window, bool dialog) {
        dialog_ = dialog;
        dpi_ = window_dpi(window);
        system_caption_ = system_metric_for_dpi(SM_CYCAPTION, dpi_);
        frame_x_ = to_design(system_metric_for_dpi(dialog ? SM_CXDLGFRAME : SM_CXFRAME, dpi_), dpi_);
        frame_y_ = to_design(system_metric_for_dpi(dialog ? SM_CYDLGFRAME : SM_CYFRAME, dpi_), dpi_);
    }

    void on_initdialog(HWND window) {
        read_frame_metrics(window, true);
        SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
        reset_region(window);
    }

    // Moved to a monitor of another scale: the frame at the new scale, the window where the system
    // proposes (the same size in design units); its WM_SIZE lays the content out again.
    // A dialog is moved and scaled by the system's dialog manager itself (per-monitor v2).
    void on_dpi_changed(HWND window, const RECT& proposed) {
        read_frame_metrics(window, dialog_);
        const UINT place = dialog_ ? SWP_NOMOVE | SWP_NOSIZE : 0;
        SetWindowPos(window, nullptr, proposed.left, proposed.top, proposed.right - proposed.left,
                     proposed.bottom - proposed.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | place);
        reset_region(window);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    }

    void on_nccalcsize(WPARAM wparam, LPARAM lparam) {
        RECT* proposed = wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0] : reinterpret_cast<RECT*>(lparam);
        if (system_caption_) proposed->top += to_screen(caption_height_, dpi_) - system_caption_;
    }

    // The point in window coordinates and design units, as the frame is drawn: x counts from the
    // right in a mirrored window.
    POINT window_point(HWND window, LPARAM screen_point) const {
        RECT rect;
        GetWindowRect(window, &rect);
        POINT point{GET_X_LPARAM(screen_point) - rect.left, GET_Y_LPARAM(screen_point) - rect.top};
        if (is_mirrored(window)) point.x = rect.right - rect.left - 1 - point.x;
        return POINT{to_design(point.x, dpi_), to_design(point.y, dpi_)};
    }
    RECT window_surface(HWND window) const {
        RECT rect;
        GetWindowRect(window, &rect);
        return to_design(RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top}, dpi_);
    }
    button_c<T>* button_at(HWND window, POINT point) const {
        RECT surface = window_surface(window);
        for (const auto& button : buttons_)
            if (button->hit_test(point.x, point.y, surface)) return button.get();
        return nullptr;
    }

    LRESULT on_nchittest(HWND window, LPARAM lparam) {
        LRESULT hit = DefWindowProcW(window, WM_NCHITTEST, 0, lparam);
        switch (hit) {
            case HTLEFT: case HTRIGHT: case HTTOP: case HTBOTTOM: case HTTOPLEFT: case HTTOPRIGHT:
            case HTBOTTOMLEFT: case HTBOTTOMRIGHT: case HTCLIENT:
                return hit;
            default: break;
        }
        // The whole band is caption (the system's own idea of it is only its standard height),
        // the system's invisible buttons included: ours sit there.
        POINT point = window_point(window, lparam);
        RECT surface = window_surface(window);
        if (point.y >= frame_y_ && point.y < frame_y_ + caption_height_ && point.x >= frame_x_ &&
            point.x < surface.right - frame_x_)
            return HTCAPTION;
        return hit;
    }

    void on_ncmousemove(HWND window, LPARAM lparam) {
        if (captured_) return;
        POINT point = window_point(window, lparam);
        RECT surface = window_surface(window);
        bool changed = false;
        for (const auto& button : buttons_)
            changed |= button->machine().move(button->hit_test(point.x, point.y, surface)).changed;
        if (!tracking_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE | TME_NONCLIENT, window, 100};
            tracking_ = TrackMouseEvent(&track) != FALSE;
        }
        if (changed) redraw_frame(window);
    }

    void on_ncmouseleave(HWND window) {
        tracking_ = false;
        if (captured_) return;
        bool changed = false;
        for (const auto& button : buttons_) changed |= button->machine().leave().changed;
        if (changed) redraw_frame(window);
    }

    // A press on a caption button (a double click counts as a second press, never as the
    // caption's maximise); elsewhere the system's caption behaviour runs.
    bool on_ncpress(HWND window, LPARAM lparam) {
        POINT point = window_point(window, lparam);
        button_c<T>* button = button_at(window, point);
        if (!button) return false;
        captured_ = button;
        SetCapture(window);
        for (const auto& other : buttons_) other->machine().press(other.get() == button);
        redraw_frame(window);
        return true;
    }

    bool on_captured_move(HWND window) {
        POINT screen;
        GetCursorPos(&screen);
        POINT point = window_point(window, MAKELPARAM(screen.x, screen.y));
        RECT surface = window_surface(window);
        if (captured_->machine().move(captured_->hit_test(point.x, point.y, surface)).changed) redraw_frame(window);
        return true;
    }

    bool on_captured_release(HWND window) {
        POINT screen;
        GetCursorPos(&screen);
        POINT point = window_point(window, MAKELPARAM(screen.x, screen.y));
        button_c<T>* button = captured_;
        captured_ = nullptr;
        ReleaseCapture();
        auto outcome = button->machine().release(button->hit_test(point.x, point.y, window_surface(window)));
        redraw_frame(window);
        if (outcome.clicked && button->click_handler) (static_cast<T*>(this)->*(button->click_handler))();
        return true;
    }

    void paint_frame(HWND window) {
        RECT pixels;
        GetWindowRect(window, &pixels);
        OffsetRect(&pixels, -pixels.left, -pixels.top);
        RECT surface = window_surface(window);
        RECT client;
        GetClientRect(window, &client);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        RECT rect;
        GetWindowRect(window, &rect);
        OffsetRect(&client, -rect.left, -rect.top);

        window_dc_c target(window, window_dc_c::area_c::whole_window);
        if (!target.get()) return;
        off_screen_c frame(target.get(), pixels.right, pixels.bottom);
        {  // the frame's content in design units
            design_units_c design(frame.dc(), dpi_);
            fill_solid(frame.dc(), surface, caption_band_colour);
            SIZE strip = skin_image_size(title_strip_image);
            if (strip.cy) {
                brush_c pattern(make_skin_pattern_brush(frame.dc(), title_strip_image));
                set_pattern_origin(frame.dc(), 0, frame_y_);
                RECT band = {frame_x_, frame_y_, surface.right - frame_x_, frame_y_ + strip.cy};
                FillRect(frame.dc(), &band, pattern.get());
            }
            for (const auto& button : buttons_) button->draw(frame.dc(), surface);
            static_cast<T*>(this)->paint_caption(frame.dc(), surface);
        }
        // The border one pixel wide at any scale.
        frame_solid(frame.dc(), pixels, frame_border_colour);
        ExcludeClipRect(target.get(), client.left, client.top, client.right, client.bottom);
        frame.copy_to(target.get());
    }

    int caption_height_;
    unsigned dpi_ = design_dpi;
    bool dialog_ = false;
    int system_caption_ = 0;
    int frame_x_ = 0;
    int frame_y_ = 0;
    std::vector<std::unique_ptr<button_c<T>>> buttons_;
    bool tracking_ = false;
    button_c<T>* captured_ = nullptr;
};

// The client-area protocol for buttons that are members of a window: the mouse is captured from
// a press until the release, so a press dragged out and released elsewhere clicks nothing.
// Returns the button whose click completed, if any.
template <typename T>
button_c<T>* client_buttons_message(HWND window, UINT message, LPARAM lparam, button_c<T>* const* buttons, int count) {
    const RECT surface = design_client_rect(window);
    const POINT point = design_point(window, lparam);
    bool changed = false;
    button_c<T>* clicked = nullptr;
    for (int i = 0; i < count; ++i) {
        button_c<T>* button = buttons[i];
        bool inside = button->hit_test(point.x, point.y, surface);
        switch (message) {
            case WM_MOUSEMOVE: changed |= button->machine().move(inside).changed; break;
            case WM_LBUTTONDOWN:
                changed |= button->machine().press(inside).changed;
                if (inside) SetCapture(window);
                break;
            case WM_LBUTTONUP: {
                auto outcome = button->machine().release(inside);
                changed |= outcome.changed;
                if (outcome.clicked) clicked = button;
                break;
            }
            case WM_CAPTURECHANGED: changed |= button->machine().cancel().changed; break;
            default: break;
        }
    }
    if (message == WM_LBUTTONUP && GetCapture() == window) ReleaseCapture();
    if (changed) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return clicked;
}

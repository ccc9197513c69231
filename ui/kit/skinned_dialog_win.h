// What the program's dialogs share: the dialog procedure, the skinned frame with its caption
// height, the caption's close button (31x21, right-anchored at the frame) and the product title
// in the caption. The caption close and Esc end a dialog with 2, as Cancel and No do, so that
// closing a question never confirms it.
#pragma once

#include "ui/kit/dialog_base_win.h"
#include "ui/kit/skin_button_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/ui_window_win.h"
#include "ui/kit/window_messages.h"

#include <memory>

constexpr INT_PTR dialog_declined = 2;

template <typename T>
class skinned_dialog_c : public dialog_base_c, public ui_window_c<T> {
public:
    // The caption close button, for tests and the owner.
    button_c<T>* close_button() const { return close_button_; }

    void paint_caption(HDC dc, const RECT&) {
        draw_text_at(dc, product_title, this->frame_x() + 10, this->frame_y() + 8, verdana(8, font_weight_c::bold),
                     RGB(233, 243, 255));
    }

protected:
    explicit skinned_dialog_c(int caption_height) : ui_window_c<T>(caption_height) {}

    // T's own messages, after the frame's.
    virtual bool dialog_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;

    // Closed without an answer (the caption's close, Alt+F4): as Cancel. A dialog whose Cancel
    // undoes something does it here too.
    virtual void decline() { end_dialog(dialog_declined); }
    void close_by_caption() { decline(); }

private:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) final {
        if (this->ui_message(handle(), message, wparam, lparam, result)) return true;
        if (message == WM_INITDIALOG) add_close_button();
        if (message == WM_CLOSE) {
            decline();
            return true;
        }
        return dialog_message(message, wparam, lparam, result);
    }

    void add_close_button() {
        auto button = std::make_unique<system_button_c<T>>();
        int x = this->frame_x(), y = this->frame_y();
        button->create(skin::dialog_close, RECT{x, y, x + 31, y + 21});
        close_button_ = this->add_caption_button(std::move(button), &skinned_dialog_c::close_by_caption);
    }

    button_c<T>* close_button_ = nullptr;
};

// The program's own modal message box: a text and a kind, answered with 1 (OK, Yes, Retry) or
// 2 (No, Cancel, Esc, the caption's close button).
//   kind 0  information sign, OK          kind 3  question sign, No and Yes
//   kind 1  warning sign, OK              kind 4  error sign, Cancel and Retry
//   kind 2  error sign, OK
#pragma once

#include "ui/bitmap_button_win.h"
#include "ui/skinned_dialog_win.h"

#include <functional>
#include <initializer_list>
#include <string>

class message_window_c : public skinned_dialog_c<message_window_c> {
public:
    message_window_c(std::wstring text, int kind);
    // Shows the box modally; 1 or 2.
    int run(HWND owner);
    // Makes the box close itself with 1 once `done` holds (asked every tenth of a second): a
    // notice that stays up while something runs.
    void close_when(std::function<bool()> done) { done_ = std::move(done); }

    static constexpr int width = 300, height = 200;

protected:
    bool dialog_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_init();
    void on_erase(HDC dc);
    void on_paint();
    // The text lives in a static control of its own (what screen readers and tools read) and is
    // drawn by the box in its skin.
    void draw_text(const DRAWITEMSTRUCT& item);
    void on_command(int id);
    // The widest of the captions in the buttons' font.
    int caption_width(HFONT font, std::initializer_list<std::wstring> captions) const;

    std::wstring text_;
    int kind_;
    std::function<bool()> done_;
    bitmap_button_c first_;   // id 1: OK, Yes or Retry
    bitmap_button_c second_;  // id 2: No or Cancel
};

// The sign each kind shows (bitmap id).
int message_kind_icon(int kind);

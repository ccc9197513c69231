// The program's own modal message box: a text and a kind, answered with accept (OK, Yes, Retry)
// or decline (No, Cancel, Esc, the caption's close button).
#pragma once

#include "ui/kit/bitmap_button_win.h"
#include "ui/kit/skinned_dialog_win.h"

#include <functional>
#include <initializer_list>
#include <string>

// The kinds, in the order of the dialog's templates and the language's captions.
enum class message_kind_c {
    information,  // information sign, OK
    warning,      // warning sign, OK
    error,        // error sign, OK
    question,     // question sign, No and Yes
    retry,        // error sign, Cancel and Retry
};
constexpr message_kind_c all_message_kinds[] = {message_kind_c::information, message_kind_c::warning,
                                                message_kind_c::error, message_kind_c::question, message_kind_c::retry};

enum class message_answer_c { accept = 1, decline = 2 };

class message_window_c : public skinned_dialog_c<message_window_c> {
public:
    message_window_c(std::wstring text, message_kind_c kind);
    // Shows the box modally.
    message_answer_c run(HWND owner);
    // Makes the box close itself with accept once `done` holds (asked every tenth of a second): a
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
    message_kind_c kind_;
    std::function<bool()> done_;
    bitmap_button_c first_;   // id 1: OK, Yes or Retry
    bitmap_button_c second_;  // id 2: No or Cancel
};

// The sign each kind shows (bitmap id).
int message_kind_icon(message_kind_c kind);

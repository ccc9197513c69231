// The download page's bottom bar: "select all" ticks every needed package's panel, and the
// button downloads the ticked ones (both by asking the page, WM_CHECK_ALL and
// WM_DOWNLOAD_CHECKED).
#pragma once

#include "ui/kit/bitmap_button_win.h"
#include "ui/kit/window_base_win.h"

class download_all_window_c : public window_base_c {
public:
    ~download_all_window_c() override;
    bool create_bar(HWND page, const RECT& area);
    HWND check_box() const { return check_; }
    HWND button() const { return button_.handle(); }

    static constexpr int check_id = 1, button_id = 2;

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_create();
    void on_size();
    void on_paint();
    void on_command(int id);

    HWND check_ = nullptr;
    bitmap_button_c button_;
};

// A hyperlink child control: its text in blue (purple once visited), a hand cursor, and its
// target opened through the shell launcher on a click or on Enter or Space.
#pragma once

#include "common/shell_launcher.h"
#include "ui/kit/window_base_win.h"

#include <string>

class link_c : public window_base_c {
public:
    static constexpr COLORREF link_colour = RGB(0, 0, 255);
    static constexpr COLORREF visited_colour = RGB(128, 0, 128);

    explicit link_c(shell_launcher_c& launcher) : launcher_(launcher) {}
    bool create_link(HWND parent, int id, const std::wstring& text, const std::wstring& target, int x, int y, int width,
                     int height, HFONT font);
    bool visited() const { return visited_; }

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_paint();
    void follow();

    shell_launcher_c& launcher_;
    std::wstring target_;
    HFONT font_ = nullptr;
    bool visited_ = false;
};

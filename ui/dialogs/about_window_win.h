// The about dialog: the product name in a tall caption, the build in a white box, and two
// buttons: check for updates (starts "update\update.exe" of the program folder through the
// shell launcher and closes with 1) and close (2).
#pragma once

#include "common/shell_launcher.h"
#include "ui/kit/bitmap_button_win.h"
#include "ui/kit/skinned_dialog_win.h"

class about_window_c : public skinned_dialog_c<about_window_c> {
public:
    explicit about_window_c(shell_launcher_c& launcher);
    int run(HWND owner);
    void paint_caption(HDC dc, const RECT& window);

    // Chosen so that the box (15, 85)-(470, 185) and the buttons at x 340 to 470 fit with a margin.
    static constexpr int width = 490, height = 390;

protected:
    bool dialog_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_init();
    void on_erase(HDC dc);
    void on_paint();
    void on_command(int id);

    shell_launcher_c& launcher_;
    bitmap_button_c update_, close_;
};

// "update.exe" in the folder "update" of the program folder.
std::wstring update_program_path();

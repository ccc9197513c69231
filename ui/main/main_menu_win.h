// The main menu (resource 333, one pop-up): loaded once, its texts replaced by those of the
// current language each time it opens, tracked with the owner in the foreground so that a click
// elsewhere closes it. The chosen entry reaches the owner as WM_COMMAND.
#pragma once

#include "ui/kit/dialog_ids.h"
#include "ui/kit/gdi_objects_win.h"

#include <windows.h>

#include <atomic>

constexpr int main_menu_id = IDM_MAIN;
constexpr UINT command_settings = 32775;
constexpr UINT command_help = 32779;
constexpr UINT command_about = 32780;
constexpr UINT command_exit = 32781;

class main_menu_c {
public:
    bool load();
    HMENU popup() const;
    // Sets the texts of the current language.
    void localise();
    // Localises and tracks the pop-up at (x, y) of the screen; returns when it has closed.
    void open(HWND owner, int x, int y, UINT flags);
    // Whether the pop-up is being tracked now.
    bool is_open() const { return open_; }

private:
    menu_c menu_;
    std::atomic<bool> open_{false};
};

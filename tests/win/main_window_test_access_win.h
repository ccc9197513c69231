// The tests' one way into the main window: its pages, scan state, menu, presence in the
// notification area and caption buttons, which the program itself reaches only from inside.
#pragma once

#include "ui/main/main_window_win.h"

class main_window_test_access_c {
public:
    explicit main_window_test_access_c(main_window_c* window = nullptr) : window_(window) {}

    HWND handle() const { return window_->handle(); }
    bool create_main_window() { return window_->create_main_window(); }

    main_window_c::scan_state_c scan_state() const { return window_->scan_state_; }
    HWND current_page() const { return window_->current_page_; }
    home_window_c& home_page() { return window_->home_; }
    scan_window_c& scan_page() { return window_->scan_; }
    download_window_c& download_page() { return window_->download_; }
    backup_window_c& backup_page() { return window_->backup_; }
    restore_window_c& restore_page() { return window_->restore_; }
    const tray_presence_c& presence() const { return window_->presence_; }
    main_menu_c& menu() { return window_->menu_; }

    const main_caption_c& caption() const { return window_->caption_; }
    button_c<main_window_c>* tab(main_tab_c which) const { return caption().tab(which); }
    button_c<main_window_c>* close_button() const { return caption().close_button(); }
    button_c<main_window_c>* menu_button() const { return caption().menu_button(); }
    const std::vector<std::unique_ptr<button_c<main_window_c>>>& caption_buttons() const {
        return window_->caption_buttons();
    }

private:
    main_window_c* window_;
};

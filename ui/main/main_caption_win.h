// The main window's caption, drawn in its skinned frame: the program icon and title, the five
// navigation tabs, the menu, minimise, maximise and close buttons and the logo. The buttons are
// the frame's (it draws and hit-tests them); this class makes them, keeps them by name, swaps the
// maximise button's images with the window's state and tells a screen reader what they are.
#pragma once

#include "ui/kit/accessible_object_win.h"
#include "ui/kit/skin_button_win.h"
#include "ui/kit/ui_window_win.h"

#include <windows.h>

#include <vector>

class main_window_c;

enum class main_tab_c { home, download, backup, restore, settings };

class main_caption_c {
public:
    using click_t = void (main_window_c::*)();
    // What each button does, in the window's own terms.
    struct clicks_c {
        click_t tabs[5];
        click_t close, maximise, minimise, menu, logo;
    };

    // Adds the buttons to the window's frame, at their places for its frame metrics.
    void create(ui_window_c<main_window_c>& frame, const clicks_c& clicks);
    // The program icon and title at the caption's left.
    void paint(HDC dc, HICON small_icon) const;
    // The maximise button shows "restore" while the window is maximised.
    void show_maximised(bool maximised);

    // The caption's elements for the window's client object: the tabs (the one of the page shown
    // selected, -1: none) with their shortcuts, then the menu, minimise, maximise and close
    // buttons; a press posts the window the command of its shortcut.
    std::vector<accessible_element_c> accessible_elements(HWND window, int selected_tab) const;

    button_c<main_window_c>* tab(main_tab_c which) const { return tabs_[int(which)]; }
    button_c<main_window_c>* close_button() const { return close_; }
    button_c<main_window_c>* maximise_button() const { return maximise_; }
    button_c<main_window_c>* minimise_button() const { return minimise_; }
    button_c<main_window_c>* menu_button() const { return menu_; }
    button_c<main_window_c>* logo_button() const { return logo_; }

private:
    button_c<main_window_c>* tabs_[5] = {};
    button_c<main_window_c>* close_ = nullptr;
    button_c<main_window_c>* maximise_ = nullptr;
    button_c<main_window_c>* minimise_ = nullptr;
    button_c<main_window_c>* menu_ = nullptr;
    button_c<main_window_c>* logo_ = nullptr;
};

// The program's keys outside dialog boxes (a dialog box runs the dialog manager's own loop): the
// dialog manager's Tab, Shift+Tab, arrows, Enter and Esc for the main window and its pages, and
// the main window's shortcuts, which reach it as WM_COMMAND:
//   Ctrl+Tab, Ctrl+Shift+Tab   the next or the previous page that can be shown
//   Ctrl+1 ... Ctrl+5          the caption tab of that place: home, download, backup, restore,
//                              settings (as a click on it)
//   F10                        the main menu
// Every key also clears the window's "hide focus" state, so that the focus marks show from the
// first key on, as Windows does for dialogs.
#pragma once

#include <windows.h>

constexpr UINT command_next_page = 40001;
constexpr UINT command_previous_page = 40002;
constexpr UINT command_first_tab = 40011;  // ... command_first_tab + 4: the five caption tabs
constexpr UINT command_open_menu = 40020;
// The caption's buttons, pressed by a screen reader (their default action); no key sends them.
constexpr UINT command_minimise = 40021;
constexpr UINT command_maximise = 40022;
constexpr UINT command_close = 40023;

// Gives a page or bar WS_EX_CONTROLPARENT: Tab and Shift+Tab reach the controls inside it.
void make_control_parent(HWND window);
// For WM_GETDLGCODE: whether the message the dialog manager asks about (lParam) is Enter going
// down, which a control that presses on Enter asks for (DLGC_WANTMESSAGE).
bool is_enter_key(LPARAM message);

class window_keys_c {
public:
    explicit window_keys_c(HWND main_window);
    ~window_keys_c();
    window_keys_c(const window_keys_c&) = delete;
    window_keys_c& operator=(const window_keys_c&) = delete;

    // Handles a message of the loop when it is a key of the windows (it has then been
    // dispatched); false: the loop translates and dispatches it as usual.
    bool translate(MSG& message);

private:
    HWND main_;
    HACCEL table_ = nullptr;
};

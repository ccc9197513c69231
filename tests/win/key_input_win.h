// Real key input for the window tests: keys sent with SendInput (to whatever window has the
// keyboard focus, as a keyboard would), and a message pump that runs the program's own keyboard
// handling (window_keys_c) before it dispatches, as the program's message loop does.
#pragma once

#include "ui/kit/window_keys_win.h"

#include <windows.h>

#include <functional>
#include <initializer_list>

// Presses and releases the key with the modifiers (VK_CONTROL, VK_SHIFT, VK_MENU) held.
void send_key(WORD key, std::initializer_list<WORD> modifiers = {});

// The program's message loop for this thread's windows, for a while or until a condition holds.
class key_loop_c {
public:
    explicit key_loop_c(HWND main_window) : keys_(main_window) {}
    // Handles what the queue holds now.
    void pump();
    // Runs until the condition holds or the time is up; its last value.
    bool pump_until(const std::function<bool()>& condition, DWORD timeout_ms);
    // Sends the key from this thread and runs until the keyboard input has been handled.
    bool type(WORD key, std::initializer_list<WORD> modifiers = {});

private:
    window_keys_c keys_;
};

// The dialog twin of window_base_c: one static dialog procedure binds the dialog to its object at
// WM_INITDIALOG and hands each message to the object's message map. No exception leaves it.
#pragma once

#include <windows.h>

class dialog_base_c {
public:
    dialog_base_c() = default;
    virtual ~dialog_base_c() = default;
    dialog_base_c(const dialog_base_c&) = delete;
    dialog_base_c& operator=(const dialog_base_c&) = delete;

    HWND handle() const { return window_; }

    // Runs the dialog template modally with the dialog-box loop; the value given to end_dialog,
    // or -1 when the dialog could not be made.
    INT_PTR run_modal(HWND owner, int template_id);

protected:
    // Handles a message; returns false to let the dialog manager's default run. result is the
    // message's value (for WM_INITDIALOG: TRUE to give the default focus).
    virtual bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;
    void end_dialog(INT_PTR result);

private:
    static INT_PTR CALLBACK dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    HWND window_ = nullptr;
};

// Places a control of a dialog in client pixels.
void place_control(HWND dialog, int id, int x, int y, int width, int height);
// Sizes a window in pixels and centres it on the screen's work area.
void size_and_centre(HWND window, int width, int height);

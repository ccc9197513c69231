// The home page: the title band, the picture of the three steps with their labels, the big
// start-scan button of the current language, the banner line and the sidebar of machine facts.
// A completed click on the button asks the main window for a scan (WM_START_SCAN), as Enter or
// Space do while the page has the focus (a frame round the button shows it).
#pragma once

#include "ui/kit/skin_button_win.h"
#include "ui/kit/window_base_win.h"

class home_window_c : public window_base_c {
public:
    bool create_page(HWND parent, const RECT& area);
    home_button_c<home_window_c>& start_button() { return start_button_; }

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_create();
    void on_paint();
    void on_mouse(UINT message, LPARAM lparam);
    HFONT label_font() const;
    LRESULT on_get_object(WPARAM wparam, LPARAM lparam);

    home_button_c<home_window_c> start_button_;
};

// A page that shows only its title in the header band: the backup and restore pages take this
// place until their trees are built.
#pragma once

#include "ui/window_base_win.h"

#include <string>

class empty_page_c : public window_base_c {
public:
    explicit empty_page_c(const char* title_key) : title_key_(title_key) {}
    bool create_page(HWND parent, const RECT& area);

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_paint();
    const char* title_key_;
};

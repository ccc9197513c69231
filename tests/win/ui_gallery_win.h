// A test window that shows the kit: the skinned frame with tabs and title-bar buttons (their
// clicks counted), a start button, bitmap buttons, a link, status signs, a pie chart and a
// scrolling panel list.
#pragma once

#include "tests/unit/recording_launcher.h"
#include "ui/kit/bitmap_button_win.h"
#include "ui/kit/link_win.h"
#include "ui/kit/panel_list_win.h"
#include "ui/kit/pie_chart_win.h"
#include "ui/kit/ui_window_win.h"
#include "ui/kit/window_base_win.h"

class gallery_panel_c : public window_base_c {
public:
    bool create_panel(HWND parent, int index);

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    int index_ = 0;
};

class gallery_window_c : public window_base_c, public ui_window_c<gallery_window_c> {
public:
    gallery_window_c() : ui_window_c(100) {}
    bool create_gallery(int width = 800, int height = 600);
    void paint_caption(HDC dc, const RECT& window);

    int menu_clicks = 0, minimise_clicks = 0, maximise_clicks = 0, close_clicks = 0, tab_clicks = 0, start_clicks = 0;
    button_c<gallery_window_c>* menu_button = nullptr;
    button_c<gallery_window_c>* minimise_button = nullptr;
    button_c<gallery_window_c>* maximise_button = nullptr;
    button_c<gallery_window_c>* close_button = nullptr;
    home_button_c<gallery_window_c> start_button;
    panel_list_c<gallery_panel_c> panels;
    pie_chart_c chart;
    recording_launcher_c launcher;
    link_c link{launcher};

protected:
    bool on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    void on_create();
    void on_paint();
    void on_size(int width, int height);
    void on_menu() { ++menu_clicks; }
    void on_minimise() { ++minimise_clicks; }
    void on_maximise() { ++maximise_clicks; }
    void on_close() { ++close_clicks; }
    void on_tab() { ++tab_clicks; }

    bitmap_button_c buttons_[3];
};

// The skinned caption by real input (SendInput under Wine): double clicks on a button and on the
// empty caption, a press dragged out, a press on one button released over another, dragging the
// window by the band below the system's caption height, and buttons anchored to the right edge.
#include "tests/win/ui_gallery_win.h"
#include "tests/win/ui_test_support_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <thread>

namespace {

class ui_caption_test : public ::testing::Test {
protected:
    void SetUp() override {
        load_test_language(L"English");
        ASSERT_TRUE(window.create_gallery());
        ShowWindow(window.handle(), SW_SHOWNORMAL);
        SetForegroundWindow(window.handle());
        UpdateWindow(window.handle());
        ASSERT_TRUE(pump_until_painted(window.handle()));
    }
    void TearDown() override {
        DestroyWindow(window.handle());
        pump_messages(100);  // what the window's end posted; nothing is checked after it
    }

    RECT surface() const {
        RECT rect;
        GetWindowRect(window.handle(), &rect);
        return RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    }
    POINT centre_of(const button_c<gallery_window_c>* button) const {
        RECT at = button->placed(surface());
        return screen_point(window.handle(), (at.left + at.right) / 2, (at.top + at.bottom) / 2);
    }
    // A point of the empty band, below the system's standard caption height.
    POINT empty_band() const { return screen_point(window.handle(), 520, window.frame_y() + 75); }

    // Input from another thread while this one handles the window's messages (the system's
    // caption drag runs a loop of its own until the button goes up); then until the window has
    // handled all of it and the condition holds.
    void with_input(const std::function<void()>& input, const std::function<bool()>& until = [] { return true; }) {
        std::atomic<bool> done{false};
        std::thread sender([&] {
            input();
            done = true;
        });
        while (!done) pump_messages(20);
        sender.join();
        EXPECT_TRUE(pump_until_input_handled());
        EXPECT_TRUE(pump_until(until, ui_timeout_ms));
    }

    gallery_window_c window;
};

}  // namespace

TEST_F(ui_caption_test, the_whole_band_is_caption_but_the_frame_edges_stay_sizing_edges) {
    POINT band = empty_band();
    EXPECT_EQ(SendMessageW(window.handle(), WM_NCHITTEST, 0, MAKELPARAM(band.x, band.y)), HTCAPTION);
    POINT edge = screen_point(window.handle(), 0, 300);
    EXPECT_EQ(SendMessageW(window.handle(), WM_NCHITTEST, 0, MAKELPARAM(edge.x, edge.y)), HTLEFT);
    POINT client = screen_point(window.handle(), 400, 400);
    EXPECT_EQ(SendMessageW(window.handle(), WM_NCHITTEST, 0, MAKELPARAM(client.x, client.y)), HTCLIENT);
}

TEST_F(ui_caption_test, a_double_click_on_a_button_does_not_maximise_and_on_the_empty_caption_it_does) {
    POINT menu = centre_of(window.menu_button);
    with_input([&] { mouse_double_click_at(menu.x, menu.y); }, [&] { return window.menu_clicks >= 1; });
    EXPECT_FALSE(IsZoomed(window.handle()));
    EXPECT_GE(window.menu_clicks, 1);

    POINT band = empty_band();
    with_input([&] { mouse_double_click_at(band.x, band.y); }, [&] { return IsZoomed(window.handle()) != FALSE; });
    EXPECT_TRUE(IsZoomed(window.handle()));
    EXPECT_EQ(window.maximise_clicks, 0);
}

TEST_F(ui_caption_test, a_press_dragged_out_of_a_button_clicks_nothing) {
    POINT menu = centre_of(window.menu_button);
    with_input([&] {
        mouse_move_to(menu.x, menu.y);
        mouse_press();
        mouse_move_to(menu.x - 200, menu.y + 300);
        mouse_release();
    });
    EXPECT_EQ(window.menu_clicks, 0);
    EXPECT_EQ(window.menu_button->state(), button_state_c::normal);
}

TEST_F(ui_caption_test, a_press_on_minimise_released_over_close_closes_nothing) {
    POINT minimise = centre_of(window.minimise_button), close = centre_of(window.close_button);
    with_input([&] {
        mouse_move_to(minimise.x, minimise.y);
        mouse_press();
        mouse_move_to((minimise.x + close.x) / 2, close.y);
        mouse_move_to(close.x, close.y);
        mouse_release();
    });
    EXPECT_EQ(window.close_clicks, 0);
    EXPECT_EQ(window.minimise_clicks, 0);
    // A plain click on close does close.
    with_input([&] { mouse_click_at(close.x, close.y); }, [&] { return window.close_clicks == 1; });
    EXPECT_EQ(window.close_clicks, 1);
}

TEST_F(ui_caption_test, the_window_moves_when_dragged_by_the_band_below_the_system_caption) {
    RECT before;
    GetWindowRect(window.handle(), &before);
    POINT band = empty_band();
    auto moved_by_the_drag = [&] {
        RECT now;
        GetWindowRect(window.handle(), &now);
        return now.left - before.left == 60 && now.top - before.top == 40;
    };
    with_input([&] {
        mouse_move_to(band.x, band.y);
        mouse_press();
        mouse_move_to(band.x + 30, band.y + 20);
        mouse_move_to(band.x + 60, band.y + 40);
        mouse_release();
    }, moved_by_the_drag);
    RECT after;
    GetWindowRect(window.handle(), &after);
    EXPECT_EQ(after.left - before.left, 60);
    EXPECT_EQ(after.top - before.top, 40);
}

TEST_F(ui_caption_test, right_anchored_buttons_keep_their_distance_after_a_resize) {
    RECT rect;
    GetWindowRect(window.handle(), &rect);
    RECT close = window.close_button->placed(surface());
    int distance = surface().right - close.right;
    SetWindowPos(window.handle(), nullptr, 0, 0, rect.right - rect.left + 160, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(pump_until_painted(window.handle()));
    RECT moved = window.close_button->placed(surface());
    EXPECT_EQ(surface().right - moved.right, distance);
    EXPECT_EQ(moved.left - close.left, 160);
    // On the screen: the close sign's white cross at its new place, the plain title strip at its old
    // one (as at a point of the caption where nothing ever was).
    save_screenshot(window.handle(), "caption-resized");
    window_pixels_c pixels = capture_window(window.handle());
    EXPECT_TRUE(colour_near(pixels.at(moved.left + 15, moved.top + 10), RGB(255, 255, 255), 40));
    EXPECT_EQ(pixels.at(close.left + 15, close.top + 10), pixels.at(600, close.top + 10));
}

TEST_F(ui_caption_test, a_client_button_clicks_on_release_over_it_only_with_the_mouse_captured) {
    RECT client;
    GetClientRect(window.handle(), &client);
    RECT at = window.start_button.placed(client);
    POINT centre = {(at.left + at.right) / 2, (at.top + at.bottom) / 2};
    ClientToScreen(window.handle(), &centre);
    with_input([&] {
        mouse_move_to(centre.x, centre.y);
        mouse_press();
        mouse_move_to(centre.x, centre.y - 400);  // out of the window altogether
        mouse_release();
    });
    EXPECT_EQ(window.start_clicks, 0);
    with_input([&] { mouse_click_at(centre.x, centre.y); }, [&] { return window.start_clicks == 1; });
    EXPECT_EQ(window.start_clicks, 1);
}

TEST_F(ui_caption_test, the_panel_list_scrolls_by_wheel_and_stops_one_pixel_past_the_end) {
    auto& panels = window.panels;
    int largest = panels.content_height - panels.view_height() + 1;
    SendMessageW(panels.handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 0);
    EXPECT_EQ(panels.scroll_position(), 15);
    SendMessageW(panels.handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(panels.scroll_position(), 15 + panels.view_height());
    panels.scroll_to(100000);
    EXPECT_EQ(panels.scroll_position(), largest);
    RECT first;
    GetWindowRect(panels.entries()[0].panel->handle(), &first);
    MapWindowPoints(nullptr, panels.handle(), reinterpret_cast<POINT*>(&first), 2);
    EXPECT_EQ(first.top, -largest);
    // Panels that fit: no scroll bar, and the wheel does nothing.
    panels.content_height = 100;
    panels.layout();
    EXPECT_EQ(panels.scroll_position(), 0);
    SendMessageW(panels.handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 0);
    EXPECT_EQ(panels.scroll_position(), 0);
    EXPECT_FALSE(GetWindowLongW(panels.handle(), GWL_STYLE) & WS_VSCROLL);
}

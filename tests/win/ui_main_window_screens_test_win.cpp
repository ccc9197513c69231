// Screenshots of the main window in all eleven languages: the home page, the scan
// page while it enumerates and while it queries, and a scan error box; and the GDI objects of 20
// cycles of scanning, switching tabs and opening the menus.
#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "system/wmi_facts.h"
#include "i18n/language_table.h"
#include "tests/win/main_window_fixture_win.h"
#include "ui/kit/window_messages.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr COLORREF sidebar_colour = RGB(226, 240, 253);

// A pixel near the bottom of the sidebar, which both pages fill.
bool shows_sidebar(HWND window) {
    window_pixels_c pixels = capture_window(window);
    int frame = GetSystemMetrics(SM_CXFRAME);
    // On the right, or on the left of a mirrored (right-to-left) window.
    bool mirrored = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
    int x = mirrored ? frame + 20 : pixels.width - frame - 20;
    return colour_near(pixels.at(x, pixels.height - frame - 8), sidebar_colour, 3);
}

class ui_main_window_screens_test : public ::testing::TestWithParam<const wchar_t*> {};

}  // namespace

TEST_P(ui_main_window_screens_test, home_scan_steps_and_error_box) {
    ASSERT_TRUE(collect_basic_facts());
    ASSERT_TRUE(load_settings());
    collect_wmi_facts();  // the sidebar's facts; a second collection in this process changes nothing
    load_test_language(GetParam());
    test_main_window_c main;
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    EXPECT_TRUE(pump_until_painted(main->handle()));
    save_screenshot(main->handle(), "main-home");
    EXPECT_TRUE(shows_sidebar(main->handle()));

    main.scan.devices = 48;
    main.scan.hold_enumeration = main.scan.hold_query = true;
    SendMessageW(main->handle(), WM_START_SCAN, 0, 0);
    ASSERT_TRUE(pump_until([&] { return main->scan_page().step() == 1; }, 5000));
    // The enumeration has told its progress (the device's name comes last); painted now, as the
    // page's next tick would.
    ASSERT_TRUE(pump_until([&] { return !main->scan_page().progress().current_name().empty(); }, ui_timeout_ms));
    RedrawWindow(main->scan_page().handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(pump_until_painted(main->handle()));
    save_screenshot(main->handle(), "main-scan-enumerating");
    EXPECT_TRUE(shows_sidebar(main->handle()));
    main.scan.hold_enumeration = false;
    ASSERT_TRUE(pump_until([&] { return main->scan_page().step() == 2; }, 5000));
    EXPECT_TRUE(pump_until_painted(main->handle()));
    save_screenshot(main->handle(), "main-scan-querying");

    main.scan.query_error = failure_code_c::network;
    bool photographed = false;
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND box, const std::wstring&) {
            save_screenshot(box, "main-scan-error");
            photographed = true;
            press_dialog_button(box, IDCANCEL);
        }, 400);
        main.scan.hold_query = false;
        ASSERT_TRUE(pump_until([&] { return main->scan_state() == main_window_c::scan_state_c::idle; }, 10000));
    }
    EXPECT_TRUE(photographed);
    main.destroy();
    load_test_language(L"English");
}

INSTANTIATE_TEST_SUITE_P(languages, ui_main_window_screens_test,
                         screenshot_languages(), language_test_name);

namespace {

void scan_switch_tabs_and_open_menus(test_main_window_c& main, UINT tray_message) {
    SendMessageW(main->handle(), WM_START_SCAN, 0, 0);
    EXPECT_EQ(main->scan_state(), main_window_c::scan_state_c::scanning);
    EXPECT_TRUE(pump_until([&] { return main->scan_state() == main_window_c::scan_state_c::results; }, ui_timeout_ms));
    for (auto tab : {main_window_c::tab_c::backup, main_window_c::tab_c::restore, main_window_c::tab_c::download,
                     main_window_c::tab_c::home}) {
        POINT at = caption_button_point(*main, main->tab(tab));
        mouse_click_at(at.x, at.y);
        EXPECT_TRUE(pump_until_input_handled());
    }
    for (int menu = 0; menu < 2; ++menu) {
        std::atomic<bool> closed{false};
        std::thread closer([&, ui_thread = GetCurrentThreadId()] {
            // Esc once the menu is up on the screen, then until it has closed.
            EXPECT_TRUE(wait_until([&] { return main->menu().is_open() && menu_shown(ui_thread); }, ui_timeout_ms));
            press_key(VK_ESCAPE);
            EXPECT_TRUE(wait_until([&] { return !main->menu().is_open(); }, ui_timeout_ms));
            closed = true;
        });
        if (menu == 0) {
            POINT at = caption_button_point(*main, main->menu_button());
            mouse_click_at(at.x, at.y);
        } else {
            SendMessageW(main->handle(), tray_message, tray_presence_c::icon_id, WM_RBUTTONUP);
        }
        EXPECT_TRUE(pump_until([&] { return closed.load(); }, ui_timeout_ms));
        closer.join();
    }
}

}  // namespace

TEST(ui_main_window_gdi, twenty_cycles_of_scans_tabs_and_menus_leave_no_gdi_object) {
    if (sizeof(void*) != 8) GTEST_SKIP() << "the GDI handle table is read in the 64-bit build";
    ASSERT_TRUE(collect_basic_facts());
    ASSERT_TRUE(load_settings());
    load_test_language(L"English");
    test_main_window_c main;
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    UINT tray_message = RegisterWindowMessageW(L"WM_TRAYICON");
    // The restore page tells that there is no backup each time it shows: the box is answered.
    modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDOK); });
    scan_switch_tabs_and_open_menus(main, tray_message);
    scan_switch_tabs_and_open_menus(main, tray_message);
    int before = gdi_object_count();
    ASSERT_GT(before, 0);
    for (int cycle = 0; cycle < 20; ++cycle) scan_switch_tabs_and_open_menus(main, tray_message);
    int after = gdi_object_count();
    EXPECT_LT(after - before, 10) << before << " before, " << after << " after";
    std::printf("GDI objects over 20 cycles: %d before, %d after\n", before, after);
}

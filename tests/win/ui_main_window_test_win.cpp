// The main window with its real pages, driven by real input and by its own messages: the tabs
// before and during a scan, the start button, the ends of a scan (a silent abort, a failed
// enumeration, the error boxes of failed queries against real servers with retry), closing to
// the tray, the automatic scan's notice and its failure, "--autoscan", the minimum size and the
// main menu.
#include "app/application_win.h"
#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "i18n/language_table.h"
#include "tests/unit/fault_server_access.h"
#include "tests/unit/thread_start_fault.h"
#include "tests/win/main_window_fixture_win.h"
#include "app/system_scan_workers_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/window_messages.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

class ui_main_window_test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(collect_basic_facts());
        ASSERT_TRUE(load_settings());
        saved_ = settings();
        load_test_language(L"English");
        tray_recorder_c::calls().clear();
        tray_recorder_c::failing() = false;
    }
    void TearDown() override {
        settings() = saved_;
        save_settings();
    }

    static void open_and_show(test_main_window_c& main) {
        ASSERT_TRUE(main->create_main_window());
        ShowWindow(main->handle(), SW_SHOW);
        EXPECT_TRUE(pump_until_painted(main->handle()));
    }
    // The click handled, with any box it showed answered.
    static void click(main_window_c& window, button_c<main_window_c>* button) {
        POINT at = caption_button_point(window, button);
        mouse_click_at(at.x, at.y);
        EXPECT_TRUE(pump_until_input_handled());
    }

    settings_c saved_;
};

void click_start_button(main_window_c& window) {
    home_window_c& page = main_window_test_access_c(&window).home_page();
    HWND home = page.handle();
    const POINT at = design_centre_on_screen(home, page.start_button().placed(design_client_rect(home)));
    mouse_click_at(at.x, at.y);
}

// Closes the menu that is open on the UI thread with Esc, after reading its entries, once it is
// up on the screen.
std::vector<std::wstring> close_menu_reading(main_menu_c& menu, DWORD ui_thread) {
    std::vector<std::wstring> texts;
    EXPECT_TRUE(wait_until([&] { return menu.is_open() && menu_shown(ui_thread); }, ui_timeout_ms));
    for (UINT command : {command_settings, command_help, command_about, command_exit}) {
        wchar_t text[64] = {};
        GetMenuStringW(menu.popup(), command, text, 64, MF_BYCOMMAND);
        texts.push_back(text);
    }
    press_key(VK_ESCAPE);
    return texts;
}

}  // namespace

TEST_F(ui_main_window_test, tabs_wait_for_results_and_the_home_tab_follows_the_scan) {
    test_main_window_c main;
    open_and_show(main);
    HWND home = main->home_page().handle();
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDOK); });
        for (auto tab : {main_window_c::tab_c::download, main_window_c::tab_c::backup, main_window_c::tab_c::restore}) {
            click(*main, main->tab(tab));
            EXPECT_EQ(main->current_page(), home);
        }
        EXPECT_TRUE(pump_until([&] { return answerer.texts().size() == 3; }, ui_timeout_ms));
        EXPECT_EQ(answerer.texts(), (std::vector<std::wstring>{language_text("home_download_msg"), language_text("home_backup_msg"),
                                                               language_text("home_restore_msg")}));
    }

    // The drop-down button opens the main menu in the current language; Esc closes it.
    std::vector<std::wstring> entries;
    std::thread closer([&, ui_thread = GetCurrentThreadId()] { entries = close_menu_reading(main->menu(), ui_thread); });
    click(*main, main->menu_button());
    closer.join();
    EXPECT_EQ(entries, (std::vector<std::wstring>{language_text("menu_settings"), language_text("menu_help"),
                                                  language_text("menu_about"), language_text("menu_exit")}));
    EXPECT_FALSE(main->menu().is_open());

    main.scan.hold_enumeration = true;
    click_start_button(*main);
    ASSERT_TRUE(pump_until([&] { return main->scan_page().step() == 1; }, 5000));
    EXPECT_EQ(main->scan_state(), main_window_c::scan_state_c::scanning);
    EXPECT_EQ(main->current_page(), main->scan_page().handle());
    click(*main, main->tab(main_window_c::tab_c::home));
    EXPECT_EQ(main->current_page(), main->scan_page().handle());
    // A second start asking for a scan brings the window forward and starts nothing.
    std::int64_t started = main->scan_page().start_time();
    SendMessageW(main->handle(), WM_SHOW_INSTANCE, 1, 0);
    EXPECT_EQ(main->scan_page().start_time(), started);

    // A failure without a text (4) ends the scan without a box; home is the home page again.
    main.scan.query_error = failure_code_c::file_open;
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDCANCEL); });
        main.scan.hold_enumeration = false;
        ASSERT_TRUE(pump_until([&] { return main->scan_state() == main_window_c::scan_state_c::idle; }, 10000));
        pump_messages(500);  // time for a box that should not come
        EXPECT_TRUE(answerer.texts().empty());
    }
    EXPECT_EQ(main.scan.enumerations.load(), 1);
    EXPECT_EQ(main->current_page(), home);
    click(*main, main->tab(main_window_c::tab_c::home));
    EXPECT_EQ(main->current_page(), home);

    // A scan whose worker the system will not start says so and ends; it is not "scanning" for good.
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDOK); });
        refuse_thread_starts(true);
        SendMessageW(main->handle(), WM_START_SCAN, 0, 0);
        const bool ended = pump_until([&] { return main->scan_state() == main_window_c::scan_state_c::idle; }, 10000);
        refuse_thread_starts(false);
        ASSERT_TRUE(ended);
        EXPECT_EQ(answerer.texts(), (std::vector<std::wstring>{L"Scan Devices Error"}));
    }
    EXPECT_EQ(main.scan.enumerations.load(), 1);
    EXPECT_EQ(main->current_page(), home);

    main.scan.query_error = failure_code_c::none;
    SendMessageW(main->handle(), WM_START_SCAN, 0, 0);
    ASSERT_TRUE(pump_until([&] { return main->scan_state() == main_window_c::scan_state_c::results; }, 10000));
    EXPECT_EQ(main->current_page(), main->download_page().handle());
    EXPECT_TRUE(main->download_page().has_results());
    click(*main, main->tab(main_window_c::tab_c::backup));
    EXPECT_EQ(main->current_page(), main->backup_page().handle());

    // A new scan drops what points into the device records it is about to replace, and asks
    // for devices that are not present when the settings say so.
    settings().scan_offline = 1;
    main.scan.hold_enumeration = true;
    main.scan.include_absent = -1;  // not yet asked by this scan
    SendMessageW(main->handle(), WM_START_SCAN, 0, 0);
    EXPECT_FALSE(main->download_page().has_results());
    ASSERT_TRUE(pump_until([&] { return main->scan_page().step() == 1; }, 5000));
    ASSERT_TRUE(pump_until([&] { return main.scan.include_absent.load() != -1; }, 5000));
    EXPECT_EQ(main.scan.include_absent.load(), 1);
    main.scan.hold_enumeration = false;
}

// A second start (the weekly task's) or the automatic scan while a box is open waits for it: a
// scan drops the results that the box's page may still be using.
TEST_F(ui_main_window_test, a_scan_asked_for_while_a_box_is_open_starts_once_it_closes) {
    test_main_window_c main;
    open_and_show(main);
    int enumerations_in_box = -1;
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND box, const std::wstring&) {
            SendMessageW(main->handle(), WM_SHOW_INSTANCE, 1, 0);
            SendMessageW(main->handle(), WM_TIMER, tray_presence_c::auto_scan_timer_id, 0);
            Sleep(700);  // the box's own loop runs the deferred scan's timer meanwhile
            enumerations_in_box = main.scan.enumerations.load();
            press_dialog_button(box, IDOK);
        });
        click(*main, main->tab(main_window_c::tab_c::download));
        ASSERT_TRUE(pump_until([&] { return answerer.texts().size() == 1; }, 5000));
    }
    EXPECT_EQ(enumerations_in_box, 0);
    EXPECT_TRUE(pump_until([&] { return main.scan.enumerations.load() == 1; }, 5000));
    pump_messages(700);  // time for a second scan, were both asks to start one
    EXPECT_EQ(main.scan.enumerations.load(), 1);
}

TEST_F(ui_main_window_test, a_failed_enumeration_shows_one_box_and_ends_the_scan) {
    test_main_window_c main;
    open_and_show(main);
    main.scan.enumeration_fails = true;
    modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDOK); }, 800);
    SendMessageW(main->handle(), WM_START_SCAN, 0, 0);
    ASSERT_TRUE(pump_until([&] { return main->scan_state() == main_window_c::scan_state_c::idle; }, 10000));
    pump_messages(600);  // time for a tick, or a second box, that should not come
    // The box stayed up for 800 ms, four ticks' worth: none of them went on with the scan.
    EXPECT_EQ(answerer.texts(), std::vector<std::wstring>{L"Scan Devices Error"});
    EXPECT_EQ(main.scan.queries.load(), 0);
    EXPECT_EQ(main->current_page(), main->home_page().handle());
}

TEST_F(ui_main_window_test, closing_goes_to_the_tray_and_the_automatic_scan_tells_what_it_found) {
    settings().close_to_tray = close_to_tray_c::hide_with_notice;
    test_main_window_c main;
    open_and_show(main);
    ASSERT_TRUE(main->presence().icon().added());
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDOK); });
        click(*main, main->close_button());
        ASSERT_TRUE(pump_until([&] { return !IsWindowVisible(main->handle()); }, 5000));
        EXPECT_EQ(answerer.texts(), std::vector<std::wstring>{language_text("system_tray_warning")});
        ASSERT_TRUE(load_settings());
        EXPECT_EQ(settings().close_to_tray, close_to_tray_c::hide);
        ShowWindow(main->handle(), SW_SHOW);
        SendMessageW(main->handle(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(pump_until([&] { return !IsWindowVisible(main->handle()); }, ui_timeout_ms));
        EXPECT_FALSE(IsWindowVisible(main->handle()));
        EXPECT_EQ(answerer.texts().size(), 1u);
    }

    // Explorer restarted and the icon cannot be added: closing minimises instead of hiding,
    // and the icon comes back with the next "TaskbarCreated".
    UINT taskbar_created = RegisterWindowMessageW(L"TaskbarCreated");
    tray_recorder_c::failing() = true;
    SendMessageW(main->handle(), taskbar_created, 0, 0);
    EXPECT_FALSE(main->presence().icon().added());
    ShowWindow(main->handle(), SW_SHOW);
    SendMessageW(main->handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(pump_until([&] { return IsWindowVisible(main->handle()) && IsIconic(main->handle()); }, ui_timeout_ms));
    EXPECT_TRUE(IsWindowVisible(main->handle()));
    EXPECT_TRUE(IsIconic(main->handle()));
    tray_recorder_c::failing() = false;
    SendMessageW(main->handle(), taskbar_created, 0, 0);
    EXPECT_TRUE(main->presence().icon().added());
    ShowWindow(main->handle(), SW_HIDE);

    // The automatic scan (timer 0) finds one driver out of date: alert icon and balloon; the
    // icon goes back when the window is shown.
    main.scan.fill_results = [](device_store_c& store) {
        store.devices.assign(1, device_c{});
        store.devices[0].has_driver = store.devices[0].best_is_update = true;
        store.devices[0].items.resize(1);
    };
    SendMessageW(main->handle(), WM_TIMER, tray_presence_c::auto_scan_timer_id, 0);
    EXPECT_EQ(main->presence().auto_scan_state(), tray_presence_c::auto_scan_state_c::running);
    ASSERT_TRUE(pump_until([&] { return main->presence().auto_scan_state() == tray_presence_c::auto_scan_state_c::notified; }, 10000));
    ASSERT_EQ(tray_recorder_c::count(NIM_MODIFY, NIF_INFO), 1);
    auto calls = tray_recorder_c::calls();
    EXPECT_EQ(calls.back().info, L"New driver updates: 1");
    HICON alert = calls[calls.size() - 2].icon;
    ShowWindow(main->handle(), SW_SHOW);
    EXPECT_EQ(main->presence().auto_scan_state(), tray_presence_c::auto_scan_state_c::seen);
    EXPECT_NE(tray_recorder_c::calls().back().icon, alert);
    // A tick of the automatic scan's timer while results are shown starts nothing.
    SendMessageW(main->handle(), WM_TIMER, tray_presence_c::auto_scan_timer_id, 0);
    EXPECT_EQ(main->scan_state(), main_window_c::scan_state_c::results);
    main.destroy();
    EXPECT_EQ(tray_recorder_c::count(NIM_DELETE), 1);
}

// The automatic scan's failure (3: an attended scan would show the Retry box) is told by a
// balloon, with no box from the hidden window, and it is the run's one automatic scan: neither
// the failure nor hiding the window again arms another.
TEST_F(ui_main_window_test, a_failed_automatic_scan_is_told_by_a_balloon_and_not_repeated) {
    settings().close_to_tray = close_to_tray_c::hide;
    test_main_window_c main;
    open_and_show(main);
    SendMessageW(main->handle(), WM_CLOSE, 0, 0);
    ASSERT_FALSE(IsWindowVisible(main->handle()));
    main.scan.query_error = failure_code_c::network_timeout;
    modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDCANCEL); });
    SendMessageW(main->handle(), WM_TIMER, tray_presence_c::auto_scan_timer_id, 0);
    ASSERT_TRUE(pump_until([&] { return main.scan.queries.load() == 1 &&
                                        main->scan_state() == main_window_c::scan_state_c::idle; }, 10000));
    pump_messages(500);  // time for a box that should not come
    EXPECT_TRUE(answerer.texts().empty());
    ASSERT_EQ(tray_recorder_c::count(NIM_MODIFY, NIF_INFO), 1);
    EXPECT_EQ(tray_recorder_c::calls().back().info, language_text("error_network_timeout"));
    ShowWindow(main->handle(), SW_SHOW);
    SendMessageW(main->handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(KillTimer(main->handle(), tray_presence_c::auto_scan_timer_id));
    SendMessageW(main->handle(), WM_TIMER, tray_presence_c::auto_scan_timer_id, 0);
    pump_messages(300);
    EXPECT_EQ(main.scan.enumerations.load(), 1);
}

TEST_F(ui_main_window_test, autoscan_only_alone_and_closing_waits_for_the_scan_threads) {
    {
        test_main_window_c main({L"Vantorel.exe", L"--autoscan", L"now"});
        ASSERT_TRUE(main->create_main_window());
        EXPECT_EQ(main->scan_state(), main_window_c::scan_state_c::idle);
    }
    {
        // A walk under way is asked to stop: closing does not wait for it to end by itself.
        test_main_window_c main({L"Vantorel.exe", L"--autoscan"});
        main.scan.hold_enumeration = true;
        ASSERT_TRUE(main->create_main_window());
        ASSERT_TRUE(pump_until([&] { return main.scan.enumerations.load() == 1; }, 10000));
        main.destroy();
        EXPECT_EQ(main.scan.stopped_enumerations.load(), 1);
    }
    test_main_window_c main({L"Vantorel.exe", L"--AutoScan"});
    main.scan.hold_query = true;
    ASSERT_TRUE(main->create_main_window());
    EXPECT_EQ(main->scan_state(), main_window_c::scan_state_c::scanning);
    SetWindowPos(main->handle(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    RECT rect;
    GetWindowRect(main->handle(), &rect);
    EXPECT_GE(rect.right - rect.left, 800);
    EXPECT_GE(rect.bottom - rect.top, 600);
    ASSERT_TRUE(pump_until([&] { return main.scan.queries.load() == 1; }, 10000));
    // The query is still held: closing asks it to stop and waits for its thread.
    main.destroy();
    EXPECT_FALSE(main.scan.hold_query.load());
}

// The error boxes of failed queries against real servers: mirrors that refuse (3), answer 503
// (20), send an empty 200 (21) and an answer not signed as a whole (27). Retry runs the whole
// scan again; Cancel ends it.
TEST_F(ui_main_window_test, failed_queries_show_their_error_and_retry_enumerates_again) {
    const std::string base = fault_server_access_c::base_url();
    if (base.empty()) GTEST_SKIP() << "no fault server";
    ASSERT_TRUE(prepare_scan_objects());
    application_c& state = application();
    std::atomic<int> enumerations{0};
    main_window_options_c options;
    options.arguments = {L"Vantorel.exe"};
    options.workers = system_scan_workers(*state.update_service);
    auto enumerate = options.workers.enumerate;
    options.workers.enumerate = [&](device_store_c& store, enumeration_progress_c& progress) {
        ++enumerations;
        return enumerate(store, progress);
    };
    options.notify = &tray_recorder_c::notify;
    struct case_c {
        std::string mirror;
        std::wstring text;
    } cases[] = {
        {"http://127.0.0.1:1/", language_text("error_network_timeout")},
        {base + "/status/503", L"The update server could not be reached (HTTP error 503)."},
        {base + "/bytes/0", language_text("error_invalid_date")},
        {base + "/unsigned-answer", language_text("error_catalog_refused") + L"\n\nthe answer carries no signed catalog statement"},
    };
    {
        main_window_c main(options);
        main_window_test_access_c window(&main);
        ASSERT_TRUE(window.create_main_window());
        for (const case_c& failure : cases) {
            SCOPED_TRACE(failure.mirror);
            state.update_service->mirrors = {failure.mirror, failure.mirror, failure.mirror};
            enumerations = 0;
            int boxes = 0;
            modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND box, const std::wstring&) {
                press_dialog_button(box, ++boxes == 1 ? IDOK : IDCANCEL);  // Retry once, then Cancel
            });
            SendMessageW(window.handle(), WM_START_SCAN, 0, 0);
            ASSERT_TRUE(pump_until([&] { return answerer.texts().size() == 2 &&
                                                window.scan_state() == main_window_c::scan_state_c::idle; }, 60000));
            EXPECT_EQ(answerer.texts(), (std::vector<std::wstring>{failure.text, failure.text}));
            EXPECT_EQ(enumerations.load(), 2);
            EXPECT_EQ(window.current_page(), window.home_page().handle());
        }
        DestroyWindow(window.handle());
    }
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    release_application();
    EXPECT_EQ(state.update_service, nullptr);
}

// Moved to a monitor of another scale, the window takes the place the system proposes and lays its
// page out again to fill it, the layout still tidy (Wine has one scale for every monitor: the
// message is sent as Windows sends it).
TEST_F(ui_main_window_test, a_move_to_another_scale_takes_the_proposed_place_and_lays_the_page_out) {
    test_main_window_c main;
    open_and_show(main);
    RECT before;
    GetWindowRect(main->handle(), &before);
    RECT proposed = {before.left + 10, before.top + 10, before.right + 210, before.bottom + 160};
    const unsigned dpi = window_dpi(main->handle());
    SendMessageW(main->handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&proposed));
    EXPECT_TRUE(pump_until_painted(main->handle()));
    RECT after, client, page;
    GetWindowRect(main->handle(), &after);
    EXPECT_TRUE(EqualRect(&after, &proposed));
    GetClientRect(main->handle(), &client);
    GetClientRect(main->current_page(), &page);
    EXPECT_EQ(page.right, client.right);
    EXPECT_EQ(page.bottom, client.bottom);
    save_screenshot(main->handle(), "main-moved");
}

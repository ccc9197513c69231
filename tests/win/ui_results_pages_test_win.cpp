// The download, backup and restore pages with their real windows: a panel's download paused and
// resumed by its button while a rebuilt panel keeps showing it, the remove entry greyed before
// and during a download, an installation started once however often the panels are rebuilt,
// the backup tree's ticks by real clicks, a backup job writing its archives and index, the
// restore starting the installer forced, the device details owned by the main window, quitting
// during a backup, and the GDI objects of 20 rebuilds.
#include "system/machine_facts.h"
#include "system/data_places_win.h"
#include "system/settings_win.h"
#include "download/download_paths.h"
#include "service/hidden_offers.h"
#include "service/update_service.h"
#include "i18n/language_table.h"
#include "tests/unit/fault_server_access.h"
#include "tests/unit/test_zip.h"
#include "tests/win/main_window_fixture_win.h"
#include "ui/kit/screen_scale_win.h"
#include "tests/win/results_pages_fixture_win.h"
#include "ui/kit/language_format.h"
#include "ui/kit/window_messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <functional>
#include <tuple>
#include <utility>

namespace {

class ui_results_pages_test : public results_pages_test_c {
protected:
    static void scan_to_results(test_main_window_c& main) {
        SendMessageW(main->handle(), WM_START_SCAN, 0, 0);
        ASSERT_TRUE(pump_until([&] { return main->scan_state() == main_window_c::scan_state_c::results; }, 10000));
        EXPECT_TRUE(pump_until_painted(main->handle()));
    }

    static void click_panel_button(download_panel_c& panel) {
        const POINT at = design_centre_on_screen(panel.handle(), panel.button().placed(design_client_rect(panel.handle())));
        mouse_click_at(at.x, at.y);
        EXPECT_TRUE(pump_until_input_handled());
    }

    // The page of the caption tab, clicked as a user does.
    static void click_tab(test_main_window_c& main, main_window_c::tab_c which) {
        POINT tab = caption_button_point(*main, main->tab(which));
        mouse_click_at(tab.x, tab.y);
        EXPECT_TRUE(pump_until_input_handled());
    }

    // The backup button pressed and the job's result box answered: its text.
    static std::vector<std::wstring> back_up_and_answer(backup_window_c& backup) {
        modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDOK); });
        SendMessageW(backup.handle(), WM_COMMAND, MAKEWPARAM(backup_window_c::button_id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(backup.button()));
        EXPECT_TRUE(pump_until([&] { return !answerer.texts().empty(); }, 60000));
        return answerer.texts();
    }

    // Toggles the offers shown and back: every panel is made anew.
    static void rebuild(test_main_window_c& main) {
        main->download_page().set_package_mode(package_mode_c::latest);
        main->download_page().set_package_mode(package_mode_c::best);
        EXPECT_TRUE(pump_until_painted(main->handle()));
    }
};

}  // namespace

TEST_F(ui_results_pages_test, a_panel_download_pauses_and_resumes_and_a_rebuilt_panel_keeps_showing_it) {
    const std::string base = fault_server_access_c::base_url();
    if (base.empty()) GTEST_SKIP() << "no fault server";
    const std::string link = base + "/bytes/400000?stall_after=150000&panel=" + std::to_string(GetTickCount());
    test_main_window_c main;
    main.scan.fill_results = [&](device_store_c& store) {
        store.devices = {offered_device(L"Spare adapter", "http://127.0.0.1:1/spare.zip", 1000, false),
                         offered_device(L"Ethernet adapter", link, 400000, true)};
    };
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    scan_to_results(main);
    ASSERT_EQ(main->download_page().panels().size(), 2u);
    EXPECT_EQ(std::string(panel(main, 0).group().link), link);  // the needed package first
    download_session_c* session = panel(main, 0).session();
    ASSERT_NE(session, nullptr);
    EXPECT_FALSE(panel(main, 0).remove_enabled());

    click_panel_button(panel(main, 0));
    EXPECT_EQ(session->state, download_state_c::downloading);
    ASSERT_TRUE(pump_until([&] { return session->job.bytes_done.load() >= 150000; }, 15000));
    EXPECT_FALSE(panel(main, 0).remove_enabled());
    save_screenshot(main->handle(), "download-panel-downloading");

    rebuild(main);
    EXPECT_EQ(panel(main, 0).session(), session);
    EXPECT_EQ(session->state, download_state_c::downloading);
    click_panel_button(panel(main, 0));  // pause
    ASSERT_TRUE(pump_until([&] { return session->state == download_state_c::paused; }, 15000));
    EXPECT_TRUE(panel(main, 0).remove_enabled());
    click_panel_button(panel(main, 0));  // resume from where it stopped
    EXPECT_EQ(session->state, download_state_c::downloading);
    ASSERT_TRUE(pump_until([&] { return session->job.bytes_done.load() >= 300000; }, 15000));
    click_panel_button(panel(main, 0));
    ASSERT_TRUE(pump_until([&] { return session->state == download_state_c::paused; }, 15000));
    EXPECT_TRUE(session->remove_download());
}

// "Select all" acts on a click only: its check box also reports focus gained and lost.
TEST_F(ui_results_pages_test, select_all_ticks_on_a_click_and_not_when_it_gets_the_focus) {
    test_main_window_c main;
    main.scan.fill_results = [](device_store_c& store) {
        store.devices = {offered_device(L"Adapter one", "http://127.0.0.1:1/one.zip", 1000, true),
                         offered_device(L"Adapter two", "http://127.0.0.1:1/two.zip", 1000, true)};
    };
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    scan_to_results(main);
    click_tab(main, main_window_c::tab_c::download);
    ASSERT_EQ(main->download_page().panels().size(), 2u);
    HWND check = main->download_page().bottom_bar().check_box();
    RECT box;
    GetWindowRect(check, &box);
    mouse_click_at(box.left + 8, (box.top + box.bottom) / 2);
    EXPECT_TRUE(pump_until([&] { return panel(main, 0).checked() && panel(main, 1).checked(); }, ui_timeout_ms));
    EXPECT_TRUE(panel(main, 0).checked());
    EXPECT_TRUE(panel(main, 1).checked());
    panel(main, 0).set_checked(false);
    SetFocus(main->handle());
    SetFocus(check);
    pump_messages(200);  // time for a late tick of the panels that should not come
    EXPECT_FALSE(panel(main, 0).checked());
    EXPECT_TRUE(panel(main, 1).checked());
}

TEST_F(ui_results_pages_test, an_installation_starts_once_however_often_the_panels_are_rebuilt) {
    const std::string link = "http://127.0.0.1:1/packages/net-driver-" + std::to_string(GetTickCount()) + ".zip";
    std::wstring folder = settings().download_path_in_use;
    download_paths_c paths = make_download_paths(folder, link);
    ASSERT_TRUE(write_test_zip(std::filesystem::path(paths.final_path).string(),
                               {{"drivers/net.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n"}, {"drivers/net.sys", "MZ"}}));
    std::uint32_t size = std::uint32_t(std::filesystem::file_size(paths.final_path));
    test_main_window_c main;
    main.scan.fill_results = [&](device_store_c& store) { store.devices = {offered_device(L"Ethernet adapter", link, size, true)}; };
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    scan_to_results(main);
    download_session_c* session = panel(main, 0).session();
    ASSERT_EQ(session->state, download_state_c::complete);

    modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDOK); });
    main.launcher.hold();  // the installer "runs" until released
    click_panel_button(panel(main, 0));
    ASSERT_TRUE(pump_until([&] { return main.launcher.started().size() == 1; }, 15000));
    EXPECT_EQ(session->install_job.running.load(), 1);
    for (int round = 0; round < 3; ++round) {
        rebuild(main);
        click_panel_button(panel(main, 0));
    }
    main.launcher.release();
    ASSERT_TRUE(pump_until([&] { return session->install_job.running.load() == 0; }, 15000));
    ASSERT_EQ(main.launcher.started().size(), 1u);
    EXPECT_NE(main.launcher.started()[0].find(L" /STAGE \""), std::wstring::npos) << main.launcher.started()[0];
    EXPECT_TRUE(answerer.texts().empty());
    session->remove_download();
}

// A panel's device details belong to the main window even while another window is active: the
// main window is disabled under them, so a scan asked for meanwhile (a second start) waits.
TEST_F(ui_results_pages_test, the_device_details_belong_to_the_main_window) {
    test_main_window_c main;
    main.scan.fill_results = [](device_store_c& store) {
        store.devices = {offered_device(L"Ethernet adapter", "http://127.0.0.1:1/net.zip", 100, true)};
    };
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    scan_to_results(main);
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                 nullptr, nullptr);
    SetActiveWindow(other);
    ASSERT_EQ(GetActiveWindow(), other);
    HWND owner = nullptr;
    int enumerations = -1;
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND dialog, const std::wstring&) {
            owner = GetWindow(dialog, GW_OWNER);
            SendMessageW(main->handle(), WM_SHOW_INSTANCE, 1, 0);
            Sleep(700);  // the dialog's own loop would run a scan meanwhile
            enumerations = main.scan.enumerations.load();
            press_dialog_button(dialog, IDOK);
        });
        SendMessageW(panel(main, 0).handle(), WM_COMMAND, MAKEWPARAM(32790, 0), 0);  // menu: information
    }
    EXPECT_EQ(owner, main->handle());
    EXPECT_EQ(enumerations, 1);
    DestroyWindow(other);
}

TEST_F(ui_results_pages_test, backup_ticks_by_clicks_then_backup_and_restore) {
    scratch_driver_store_c driver_store(scratch_.path() / "FileRepository");
    test_main_window_c main({L"Vantorel.exe"}, backing_up_from(driver_store));
    main.scan.fill_results = [](device_store_c& store) {
        const wchar_t* infs[] = {L"oem4.inf", L"oem7.inf", L"usbport.inf"};
        const wchar_t* names[] = {L"Ethernet adapter", L"Sound device", L"USB root hub"};
        store.devices.clear();
        for (int i = 0; i < 3; ++i) {
            device_c device = offered_device(names[i], "", 0, false);
            std::wcscpy(device.inf_path, infs[i]);
            std::swprintf(device.instance_path, 200, L"PCI\\VEN_8086&DEV_15B%d\\3&11583659&0&FE", i);
            store.devices.push_back(device);
        }
    };
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    scan_to_results(main);
    {
        // No backup yet: the notice comes once the restore page shows.
        HWND page_at_notice = nullptr;
        modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND box, const std::wstring&) {
            page_at_notice = main->current_page();
            press_dialog_button(box, IDOK);
        });
        POINT restore_tab = caption_button_point(*main, main->tab(main_window_c::tab_c::restore));
        mouse_click_at(restore_tab.x, restore_tab.y);
        ASSERT_TRUE(pump_until([&] { return !answerer.texts().empty(); }, 5000));
        EXPECT_EQ(answerer.texts(), std::vector<std::wstring>{language_text("restore_no_backup")});
        EXPECT_EQ(page_at_notice, main->restore_page().handle());
        EXPECT_TRUE(IsWindowVisible(main->restore_page().handle()));
    }
    click_tab(main, main_window_c::tab_c::backup);
    backup_window_c& backup = main->backup_page();
    ASSERT_EQ(main->current_page(), backup.handle());
    driver_tree_c& tree = backup.tree();
    ASSERT_NE(backup.available_root(), nullptr);
    ASSERT_NE(backup.inbox_root(), nullptr);
    HTREEITEM first = tree.first_child(backup.available_root());
    ASSERT_NE(first, nullptr);
    HTREEITEM second = tree.next(first);
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(tree.has_check_box(tree.first_child(first)));  // device items have none

    // The tree changes the tick, then the page follows it up (a message it posts itself).
    auto click_box = [&](HTREEITEM item) {
        POINT at = tree.check_box_point(item);
        ASSERT_GE(at.x, 0);
        ClientToScreen(tree.handle(), &at);
        mouse_click_at(at.x, at.y);
        EXPECT_TRUE(pump_until_input_handled());
    };
    click_box(backup.available_root());
    EXPECT_TRUE(pump_until([&] { return tree.ticked(first) && tree.ticked(second); }, ui_timeout_ms));
    EXPECT_TRUE(tree.ticked(first));
    EXPECT_TRUE(tree.ticked(second));
    click_box(first);
    EXPECT_TRUE(pump_until([&] { return !tree.ticked(first) && !tree.ticked(backup.available_root()); }, ui_timeout_ms));
    EXPECT_FALSE(tree.ticked(first));
    EXPECT_FALSE(tree.ticked(backup.available_root()));
    EXPECT_TRUE(tree.ticked(second));
    EXPECT_TRUE(pump_until_painted(main->handle()));
    save_screenshot(main->handle(), "backup-ticked");

    EXPECT_EQ(back_up_and_answer(backup), std::vector<std::wstring>{language_text("backup_completed")});
    ASSERT_EQ(backup.job()->archives.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(backup.job()->archives[0]));
    EXPECT_NE(bytes_of(scratch_.path() / "backup.xml").find("oem7.inf"), std::string::npos);

    click_tab(main, main_window_c::tab_c::restore);
    restore_window_c& restore = main->restore_page();
    HTREEITEM backup_item = restore.tree().first_root();
    ASSERT_NE(backup_item, nullptr);
    POINT at = restore.tree().check_box_point(backup_item);
    ClientToScreen(restore.tree().handle(), &at);
    mouse_click_at(at.x, at.y);
    EXPECT_TRUE(pump_until([&] { return restore.tree().ticked(backup_item); }, ui_timeout_ms));
    ASSERT_TRUE(restore.tree().ticked(backup_item));
    EXPECT_TRUE(pump_until_painted(main->handle()));
    save_screenshot(main->handle(), "restore-ticked");
    SendMessageW(restore.handle(), WM_COMMAND, MAKEWPARAM(restore_window_c::button_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(restore.button()));
    // Unpacked on the page's own thread, then the installer is started.
    ASSERT_TRUE(pump_until([&] { return !main.launcher.started().empty(); }, 20000));
    pump_messages(200);  // time for a second start that should not come
    ASSERT_EQ(main.launcher.started().size(), 1u);
    EXPECT_NE(main.launcher.started()[0].find(L"DPInst64.exe /SH /F /STAGE \""), std::wstring::npos)
        << main.launcher.started()[0];

    // Quitting while a restore is at work asks, then waits for it under a notice.
    main.launcher.hold();
    struct releaser_c {
        recording_launcher_c& launcher;
        ~releaser_c() { launcher.release(); }
    } releaser{main.launcher};
    SendMessageW(restore.handle(), WM_COMMAND, MAKEWPARAM(restore_window_c::button_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(restore.button()));
    ASSERT_TRUE(pump_until([&] { return main.launcher.started().size() == 2; }, 20000));
    modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND box, const std::wstring& text) {
        if (text == language_text("quit_wait_unpack"))
            main.launcher.release();  // the notice closes by itself
        else
            press_dialog_button(box, IDOK);
    });
    PostMessageW(main->handle(), WM_COMMAND, MAKEWPARAM(command_exit, 0), 0);
    ASSERT_TRUE(pump_until([&] { return !IsWindow(main->handle()); }, 60000));
    EXPECT_EQ(answerer.texts(), (std::vector<std::wstring>{language_text("quit_confirm_install"), language_text("quit_wait_unpack")}));
}

// The backup page reads the index before its job rewrites it: what an earlier run backed up stays
// listed, although the restore page was never shown in this one.
TEST_F(ui_results_pages_test, a_backup_keeps_what_an_earlier_run_backed_up) {
    scratch_driver_store_c driver_store(scratch_.path() / "FileRepository");
    test_main_window_c main({L"Vantorel.exe"}, backing_up_from(driver_store));
    main.scan.fill_results = [](device_store_c& store) {
        store.devices = {offered_device(L"Ethernet adapter", "", 0, false), offered_device(L"Sound device", "", 0, false)};
        std::wcscpy(store.devices[0].inf_path, L"oem4.inf");
        std::wcscpy(store.devices[1].inf_path, L"oem7.inf");
        std::wcscpy(store.devices[0].instance_path, L"PCI\\VEN_8086&DEV_15B0\\3&0");
        std::wcscpy(store.devices[1].instance_path, L"PCI\\VEN_8086&DEV_15B1\\3&0");
    };
    std::ofstream(scratch_.path() / "backup" / "Older.zip", std::ios::binary) << "PK";
    std::ofstream(scratch_.path() / "backup.xml", std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><vantorel><driver><file><![CDATA[Older.zip]]></file>"
           "<date>2020-01-01</date><devices><device><id><![CDATA[PCI\\VEN_8086&DEV_15B0\\3&0]]></id>"
           "<desc><![CDATA[Ethernet adapter]]></desc><manu><![CDATA[Intel]]></manu><name><![CDATA[oem4.inf]]></name>"
           "<version><![CDATA[1.0]]></version><date><![CDATA[2018-01-01]]></date></device></devices></driver></vantorel>";
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    scan_to_results(main);
    click_tab(main, main_window_c::tab_c::backup);
    backup_window_c& backup = main->backup_page();
    ASSERT_NE(backup.available_root(), nullptr);
    backup.tree().set_ticked(backup.available_root(), true);
    SendMessageW(backup.handle(), backup_window_c::WM_ITEM_TICKED, 0, reinterpret_cast<LPARAM>(backup.available_root()));
    EXPECT_EQ(back_up_and_answer(backup), std::vector<std::wstring>{language_text("backup_completed")});
    std::string index = bytes_of(scratch_.path() / "backup.xml");
    EXPECT_NE(index.find("Older.zip"), std::string::npos) << index;
    EXPECT_NE(index.find("oem7.inf"), std::string::npos) << index;
    std::size_t entries = 0;
    for (std::size_t at = index.find("<driver>"); at != std::string::npos; at = index.find("<driver>", at + 1)) ++entries;
    EXPECT_EQ(entries, 3u) << index;
}

TEST_F(ui_results_pages_test, twenty_rebuilds_of_the_download_page_leave_no_gdi_object) {
    if (sizeof(void*) != 8) GTEST_SKIP() << "the GDI handle table is read in the 64-bit build";
    test_main_window_c main;
    main.scan.fill_results = [](device_store_c& store) {
        store.devices.clear();
        for (int i = 0; i < 12; ++i)
            store.devices.push_back(offered_device(L"Adapter", "http://127.0.0.1:1/p" + std::to_string(i % 6) + ".zip", 9000, i % 2 == 0));
    };
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    scan_to_results(main);
    rebuild(main);
    int before = gdi_object_count();
    for (int round = 0; round < 10; ++round) rebuild(main);
    int after = gdi_object_count();
    EXPECT_LT(after - before, 10) << before << " before, " << after << " after";
    std::printf("GDI objects over 20 rebuilds of the download page: %d before, %d after\n", before, after);
}

TEST_F(ui_results_pages_test, quitting_during_a_backup_asks_and_the_package_under_way_finishes) {
    scratch_driver_store_c driver_store(scratch_.path() / "FileRepository", 24 << 20);
    test_main_window_c main({L"Vantorel.exe"}, backing_up_from(driver_store));
    main.scan.fill_results = [](device_store_c& store) {
        store.devices.clear();
        for (int i = 0; i < 4; ++i) {
            device_c device = offered_device(L"Adapter", "", 0, false);
            std::swprintf(device.inf_path, 260, L"oem%d.inf", 40 + i);
            std::swprintf(device.instance_path, 200, L"PCI\\VEN_8086&DEV_15B%d\\3&0", i);
            store.devices.push_back(device);
        }
    };
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    scan_to_results(main);
    click_tab(main, main_window_c::tab_c::backup);
    backup_window_c& backup = main->backup_page();
    backup.tree().set_ticked(backup.available_root(), true);
    SendMessageW(backup.handle(), backup_window_c::WM_ITEM_TICKED, 0, reinterpret_cast<LPARAM>(backup.available_root()));
    SendMessageW(backup.handle(), WM_COMMAND, MAKEWPARAM(backup_window_c::button_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(backup.button()));
    ASSERT_TRUE(backup.job_running());
    std::shared_ptr<backup_job_c> job = backup.job();
    std::atomic<int> answered{0};
    std::atomic<bool> running_under_notice{false}, answering_under_notice{false};
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND box, const std::wstring& text) {
            if (text == language_text("quit_wait_backup")) {
                // The notice closes by itself; the window answers meanwhile.
                running_under_notice = backup.job_running();
                answering_under_notice = SendMessageTimeoutW(main->handle(), WM_NULL, 0, 0, SMTO_NORMAL, ui_timeout_ms, nullptr) != 0;
                return;
            }
            press_dialog_button(box, ++answered == 1 ? IDCANCEL : IDOK);  // No, then Yes
        }, 100);
        PostMessageW(main->handle(), WM_COMMAND, MAKEWPARAM(command_exit, 0), 0);
        ASSERT_TRUE(pump_until([&] { return answered == 1; }, 10000));
        // The box closed (it disabled the window it belongs to) and the exit command done with.
        EXPECT_TRUE(pump_until([&] { return IsWindowEnabled(main->handle()) != FALSE; }, ui_timeout_ms));
        EXPECT_TRUE(IsWindow(main->handle()));  // No keeps the program running
        PostMessageW(main->handle(), WM_COMMAND, MAKEWPARAM(command_exit, 0), 0);
        ASSERT_TRUE(pump_until([&] { return !IsWindow(main->handle()); }, 60000));
        // The question says that a backup runs, not a download; a notice says what is awaited.
        EXPECT_EQ(answerer.texts(), (std::vector<std::wstring>{language_text("quit_confirm_backup"), language_text("quit_confirm_backup"),
                                                               language_text("quit_wait_backup")}));
    }
    EXPECT_TRUE(running_under_notice);
    EXPECT_TRUE(answering_under_notice);
    // The job stopped after the package it was writing; what it wrote is complete and recorded.
    EXPECT_FALSE(backup.job_running());
    EXPECT_LT(job->archives.size(), 4u);
    for (const std::wstring& archive : job->archives) EXPECT_TRUE(std::filesystem::exists(archive));
    std::string index = bytes_of(scratch_.path() / "backup.xml");
    for (std::size_t i = 0; i < job->archives.size(); ++i)
        EXPECT_NE(index.find("oem" + std::to_string(40 + i) + ".inf"), std::string::npos) << index;
}

// "Hide this update" from a panel's menu: the page chooses the offers again, the panel and its
// count leave; "Show hidden updates" brings it back, marked; "Show this update again" unhides it.
TEST_F(ui_results_pages_test, a_hidden_update_leaves_the_page_until_shown_or_unhidden) {
    const std::wstring list = (scratch_.path() / "hidden.dat").wstring();
    update_service_c service;
    service.hidden_offers_file = list;
    test_main_window_c main({L"Vantorel.exe"}, [&](main_window_options_c& options) {
        options.workers.choose_offers = [&service](device_store_c& store) { choose_offers(service, store, 61); };
        options.workers.hidden_offers_file = list;
    });
    main.scan.fill_results = [](device_store_c& store) {
        store.devices = {offered_device(L"Ethernet adapter", "http://127.0.0.1:1/lan.zip", 100, true),
                         offered_device(L"Wireless adapter", "http://127.0.0.1:1/wlan.zip", 100, true)};
        for (device_c& device : store.devices) {
            device.item_count = 1;
            device.items[0].version = L"7.0.0.0";
        }
        std::wcscpy(store.devices[0].instance_path, L"PCI\\VEN_1&DEV_1\\0");
        std::wcscpy(store.devices[1].instance_path, L"PCI\\VEN_1&DEV_2\\0");
    };
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    scan_to_results(main);
    download_window_c& page = main->download_page();
    ASSERT_EQ(page.panels().size(), 2u);
    EXPECT_FALSE(IsWindowVisible(page.show_hidden_box()));
    const std::wstring hidden_name = panel(main, 0).group().devices.front()->display_name;

    SendMessageW(panel(main, 0).handle(), WM_COMMAND, MAKEWPARAM(32794, 0), 0);  // menu: hide this update
    ASSERT_TRUE(pump_until([&] { return page.panels().size() == 1; }, 5000));
    EXPECT_NE(std::wstring(panel(main, 0).group().devices.front()->display_name), hidden_name);
    EXPECT_EQ(page.counts().out_of_date, 1);
    const std::optional<hidden_offers_c> hidden = read_hidden_offers(list);
    ASSERT_TRUE(hidden && hidden->entries().size() == 1);
    EXPECT_EQ(hidden->entries()[0].version, L"7.0.0.0");
    EXPECT_TRUE(IsWindowVisible(page.show_hidden_box()));

    page.set_show_hidden(true);
    ASSERT_EQ(page.panels().size(), 2u);
    EXPECT_EQ(page.counts().out_of_date, 1);  // shown, still no update
    std::size_t marked = page.panels().size();
    for (std::size_t i = 0; i < page.panels().size(); ++i)
        if (panel(main, i).group().hidden) marked = i;
    ASSERT_LT(marked, page.panels().size());
    // Pointing at it says why it is no update.
    wchar_t tip[512] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = panel(main, marked).handle();
    tool.uId = reinterpret_cast<UINT_PTR>(panel(main, marked).handle());
    tool.lpszText = tip;
    SendMessageW(panel(main, marked).reason_tip(), TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::wstring(tip), hidden_name + L" \x2014 Why: not offered: you hid it.");
    EXPECT_TRUE(pump_until_painted(main->handle()));
    save_screenshot(main->handle(), "download-hidden-shown");

    SendMessageW(panel(main, marked).handle(), WM_COMMAND, MAKEWPARAM(32796, 0), 0);  // menu: show again
    ASSERT_TRUE(pump_until([&] { return page.counts().out_of_date == 2; }, 5000));
    EXPECT_TRUE(read_hidden_offers(list)->empty());
    page.set_show_hidden(false);
    EXPECT_EQ(page.panels().size(), 2u);
}

// The installer is waited for: the panel says how it ended, a restart is offered once in the
// program's run however many installations need one, "not better" is explained, and a missing
// restore point is told once.
TEST_F(ui_results_pages_test, the_panel_tells_how_the_installation_ended_and_offers_a_restart_once) {
    const std::string link = "http://127.0.0.1:1/packages/waited-" + std::to_string(GetTickCount()) + ".zip";
    download_paths_c paths = make_download_paths(settings().download_path_in_use, link);
    ASSERT_TRUE(write_test_zip(std::filesystem::path(paths.final_path).string(),
                               {{"drivers/net.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n"}, {"drivers/net.sys", "MZ"}}));
    const std::uint32_t size = std::uint32_t(std::filesystem::file_size(paths.final_path));
    test_main_window_c main;
    main.scan.fill_results = [&](device_store_c& store) { store.devices = {offered_device(L"Ethernet adapter", link, size, true)}; };
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    scan_to_results(main);
    const auto install = [&](std::uint32_t exit_code) {
        main.launcher.exit_code = exit_code;
        modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDCANCEL); });
        download_session_c* session = panel(main, 0).session();
        const std::size_t starts = main.launcher.started().size();
        click_panel_button(panel(main, 0));
        EXPECT_TRUE(pump_until([&] { return main.launcher.started().size() > starts && session->install_job.running.load() == 0; },
                               15000));
        pump_until([] { return false; }, 1500);  // the panel's timer reports the end
        wchar_t name[2048] = {};
        GetWindowTextW(panel(main, 0).handle(), name, 2048);
        return std::pair{answerer.texts(), std::wstring(name)};
    };
    auto [boxes, name] = install(0x40000001);  // installed, restart needed: asked (and declined)
    EXPECT_EQ(boxes, std::vector<std::wstring>{language_text("install_box_restart")});
    EXPECT_NE(name.find(language_text("install_status_restart")), std::wstring::npos) << name;
    std::tie(boxes, name) = install(0x40000001);  // asked once only
    EXPECT_TRUE(boxes.empty());
    std::tie(boxes, name) = install(0x00000100);  // Windows kept its driver
    EXPECT_EQ(boxes, std::vector<std::wstring>{language_text("install_box_not_better")});
    EXPECT_NE(name.find(language_text("install_status_not_better")), std::wstring::npos) << name;
    std::tie(boxes, name) = install(0x80010000);
    EXPECT_EQ(boxes, std::vector<std::wstring>{format_language_text("install_box_failed", {std::wstring(L"0x80010000")}, 1024)});
    EXPECT_NE(name.find(language_text("install_status_failed")), std::wstring::npos) << name;
    // No restore point could be made: said once, too.
    std::tie(boxes, name) = install(0x10000001);
    EXPECT_EQ(boxes, std::vector<std::wstring>{language_text("install_box_restore_point_off")});
    EXPECT_NE(name.find(language_text("install_status_installed")), std::wstring::npos) << name;
    std::tie(boxes, name) = install(0x20000001);
    EXPECT_TRUE(boxes.empty());
    // The first installation asks once whether reports may be sent (declined here).
    settings().reports_asked = 0;
    std::tie(boxes, name) = install(0x00000001);
    EXPECT_EQ(boxes, std::vector<std::wstring>{language_text("reports_question")});
    EXPECT_EQ(settings().reports_asked, 1u);
    EXPECT_EQ(settings().send_reports, 0u);
    std::tie(boxes, name) = install(0x00000001);
    EXPECT_TRUE(boxes.empty());
    panel(main, 0).session()->remove_download();
}

// An update from the panel backs the driver in use up first; the panel's "Undo update" restores
// that backup, forced, says so, and hides the update for the device. A driver that cannot be
// backed up is installed only when the user agrees.
TEST_F(ui_results_pages_test, the_panel_backs_up_before_an_update_and_undoes_it) {
    scratch_driver_store_c driver_store(scratch_.path() / "FileRepository");
    const std::string link = "http://127.0.0.1:1/packages/undo-" + std::to_string(GetTickCount()) + ".zip";
    const std::wstring instance = L"PCI\\VEN_8086&DEV_15B9\\UNDO" + std::to_wstring(GetTickCount());
    download_paths_c paths = make_download_paths(settings().download_path_in_use, link);
    ASSERT_TRUE(write_test_zip(std::filesystem::path(paths.final_path).string(),
                               {{"drivers/net.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n"}, {"drivers/net.sys", "MZ"}}));
    const std::uint32_t size = std::uint32_t(std::filesystem::file_size(paths.final_path));
    const wchar_t* inf = L"nowhere.inf";  // first no package in the store: asked
    driver_store_location_c location = driver_store.location();
    location.locate = [all = location.locate](const std::wstring& name) {
        return name == L"nowhere.inf" ? std::nullopt : all(name);
    };
    test_main_window_c main({L"Vantorel.exe"}, [&](main_window_options_c& options) {
        options.store_location = &location;
        options.backup_index_path = (scratch_.path() / "backup.xml").wstring();
    });
    main.scan.fill_results = [&](device_store_c& store) {
        store.devices = {offered_device(L"Ethernet adapter", link, size, true)};
        std::wcscpy(store.devices[0].inf_path, inf);
        std::wcscpy(store.devices[0].driver_version, L"1.0.0.0");
        std::wcscpy(store.devices[0].driver_description, L"Ethernet adapter");
        std::wcscpy(store.devices[0].instance_path, instance.c_str());
        store.devices[0].items[0].version = L"2.0.0.0";
    };
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    scan_to_results(main);
    main.launcher.exit_code = 1;
    download_session_c* session = panel(main, 0).session();
    const auto until_ended = [&](std::size_t starts) {
        pump_until([&] { return main.launcher.started().size() > starts && session->install_job.running.load() == 0; }, 15000);
        pump_until([] { return false; }, 1500);  // the panel's timer reports the end
    };
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDCANCEL); });
        click_panel_button(panel(main, 0));
        pump_until([&] { return !answerer.texts().empty(); }, 15000);
        pump_until([] { return false; }, 500);
        ASSERT_EQ(answerer.texts().size(), 1u);
        EXPECT_EQ(answerer.texts()[0].rfind(language_text("install_box_backup_failed").substr(0, 20), 0), 0u);
        EXPECT_TRUE(main.launcher.started().empty());
    }

    // With the package in the store: backed up, installed, then undone from the menu.
    inf = L"oem4.inf";
    scan_to_results(main);
    session = panel(main, 0).session();
    click_panel_button(panel(main, 0));
    until_ended(0);
    const std::filesystem::path archive = scratch_.path() / "backup" / "Ethernet-adapter-1.0.0.0.zip";
    EXPECT_TRUE(std::filesystem::exists(archive));
    modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDOK); });
    SendMessageW(panel(main, 0).handle(), WM_COMMAND, MAKEWPARAM(32797, 0), 0);  // menu: undo update
    until_ended(1);
    ASSERT_EQ(main.launcher.started().size(), 2u);
    EXPECT_NE(main.launcher.started()[1].find(L"/SH /F /STAGE \"" + archive.wstring() + L"\""), std::wstring::npos);
    EXPECT_EQ(answerer.texts(), std::vector<std::wstring>{language_text("undo_box_done")});
    wchar_t name[2048] = {};
    GetWindowTextW(panel(main, 0).handle(), name, 2048);
    EXPECT_NE(std::wstring(name).find(language_text("install_status_undone")), std::wstring::npos) << name;
    EXPECT_TRUE(pump_until_painted(main->handle()));
    save_screenshot(main->handle(), "download-undone");
    const std::wstring hidden_file = hidden_offers_path(data_places().folder);
    std::optional<hidden_offers_c> hidden = read_hidden_offers(hidden_file);
    ASSERT_TRUE(hidden);
    EXPECT_EQ(hidden->unhide(instance, L"2.0.0.0"), 1u);
    write_hidden_offers(hidden_file, *hidden);
    panel(main, 0).session()->remove_download();
}


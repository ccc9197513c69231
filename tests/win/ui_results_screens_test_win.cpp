// Screenshots of the results pages in all eleven languages after a real scan of
// the simulated PC (its profile as the device source, the demo mirrors answering): the download
// page, the backup page with a root ticked, and the restore page with the backup just made.
#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "devices/device_profile.h"
#include "devices/profile_source.h"
#include "service/update_service.h"
#include "tests/win/demo_mirrors.h"
#include "tests/win/main_window_fixture_win.h"
#include "tests/win/results_pages_fixture_win.h"
#include "ui/kit/window_messages.h"

#include <gtest/gtest.h>

namespace {

class ui_results_screens_test : public ::testing::TestWithParam<const wchar_t*> {};

void show_tab(test_main_window_c& main, main_window_c::tab_c tab) {
    POINT at = caption_button_point(*main, main->tab(tab));
    mouse_click_at(at.x, at.y);
    EXPECT_TRUE(pump_until_input_handled());
    EXPECT_TRUE(pump_until_painted(main->handle()));
}

}  // namespace

TEST_P(ui_results_screens_test, download_backup_and_restore_after_a_scan_of_the_simulated_pc) {
    std::vector<std::string> mirrors = mirrors_from_environment();
    if (mirrors.size() != 3) GTEST_SKIP() << "VANTOREL_MIRRORS does not name three mirrors";
    ASSERT_TRUE(collect_basic_facts());
    ASSERT_TRUE(load_settings());
    load_test_language(GetParam());
    device_profile_c profile;
    std::string error;
    ASSERT_TRUE(load_device_profile(VANTOREL_SOURCE_DIR "/tests/tools/simulated_pc/simulated-pc.json", profile, error)) << error;
    scratch_folder_c scratch;
    scratch_settings_c folders(scratch.path());
    scratch_driver_store_c driver_store(scratch.path() / "FileRepository");
    http_global_init();
    update_service_c service;
    service.mirrors = {"http://127.0.0.1:1/", mirrors[1], mirrors[2]};
    service.installed_links_file = (scratch.path() / "setup.dat").wstring();
    {
        test_main_window_c main({L"Vantorel.exe"}, [&](main_window_options_c& options) {
            options.workers.enumerate = [&profile](device_store_c& store, enumeration_progress_c& progress) {
                profile_source_c source(profile);
                return enumerate_devices(store, source, progress);
            };
            options.workers.query = [&service](device_store_c& store, const machine_description_c& machine) {
                return query_update_server(service, store, machine);
            };
            options.workers.set_stop = [&service](bool stop) { service.stop_requested = stop; };
            options.store_location = &driver_store.location();
            options.backup_index_path = (scratch.path() / "backup.xml").wstring();
        });
        ASSERT_TRUE(main->create_main_window());
        ShowWindow(main->handle(), SW_SHOW);
        // The pointer leaves the tab the previous language's run clicked last, so that no tab shows
        // hovered in the first picture.
        RECT window;
        GetWindowRect(main->handle(), &window);
        mouse_move_to(window.left + 300, window.bottom - 200);
        SendMessageW(main->handle(), WM_START_SCAN, 0, 0);
        ASSERT_TRUE(pump_until([&] { return main->scan_state() != main_window_c::scan_state_c::scanning; }, 60000));
        ASSERT_EQ(main->scan_state(), main_window_c::scan_state_c::results);
        EXPECT_TRUE(pump_until_painted(main->handle()));
        EXPECT_GE(main->download_page().panels().size(), 5u);
        save_screenshot(main->handle(), "results-download");

        show_tab(main, main_window_c::tab_c::backup);
        backup_window_c& backup = main->backup_page();
        ASSERT_NE(backup.available_root(), nullptr);
        POINT at = backup.tree().check_box_point(backup.available_root());
        ClientToScreen(backup.tree().handle(), &at);
        mouse_click_at(at.x, at.y);
        // The tree ticks the root, then the page its packages.
        EXPECT_TRUE(pump_until([&] { return backup.tree().ticked(backup.tree().first_child(backup.available_root())); },
                               ui_timeout_ms));
        EXPECT_TRUE(backup.tree().ticked(backup.tree().first_child(backup.available_root())));
        EXPECT_TRUE(pump_until_painted(main->handle()));
        save_screenshot(main->handle(), "results-backup");
        {
            modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDOK); });
            SendMessageW(backup.handle(), WM_COMMAND, MAKEWPARAM(backup_window_c::button_id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(backup.button()));
            ASSERT_TRUE(pump_until([&] { return !answerer.texts().empty(); }, 60000));
        }
        show_tab(main, main_window_c::tab_c::restore);
        restore_window_c& restore = main->restore_page();
        HTREEITEM first = restore.tree().first_root();
        ASSERT_NE(first, nullptr);
        restore.tree().set_ticked(first, true);
        TreeView_SelectItem(restore.tree().handle(), restore.tree().first_child(first));
        EXPECT_TRUE(pump_until_painted(main->handle()));
        save_screenshot(main->handle(), "results-restore");
    }
    service.transfer.reset();
    http_global_cleanup();
    load_test_language(L"English");
}

INSTANTIATE_TEST_SUITE_P(languages, ui_results_screens_test,
                         screenshot_languages(), language_test_name);

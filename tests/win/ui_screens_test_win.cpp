// Screenshots of the kit and the dialogs in all eleven languages, written under
// build/test-results/screens/<build>/<language>/ for a human look, with pixel probes at points
// of flat colour (never whole-image comparisons: fonts differ between machines).
#include "common/registry_key_win.h"
#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "i18n/language_table.h"
#include "tests/unit/recording_launcher.h"
#include "tests/unit/test_files.h"
#include "tests/win/ui_gallery_win.h"
#include "tests/win/ui_test_support_win.h"
#include "ui/dialogs/about_window_win.h"
#include "ui/dialogs/config_window_win.h"
#include "ui/dialogs/devinfo_window_win.h"
#include "ui/kit/gdiplus_session_win.h"
#include "ui/dialogs/message_window_win.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

// Runs a dialog; the answerer photographs it, checks a probe and closes it.
template <typename run_t>
void photograph(const std::string& name, run_t run, COLORREF probe_colour, POINT probe_at_from_bottom_left) {
    bool probed = false;
    modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND dialog, const std::wstring&) {
        save_screenshot(dialog, name);
        window_pixels_c pixels = capture_window(dialog);
        int frame = GetSystemMetrics(SM_CXDLGFRAME);
        probed = colour_near(pixels.at(frame + probe_at_from_bottom_left.x, pixels.height - frame - probe_at_from_bottom_left.y),
                             probe_colour, 3);
        press_dialog_button(dialog, IDCANCEL);
    }, 400);
    run();
    EXPECT_TRUE(probed) << name;
}

class ui_screens_test : public ::testing::TestWithParam<const wchar_t*> {};

}  // namespace

TEST_P(ui_screens_test, kit_dialogs_and_chart) {
    gdiplus_session_c gdiplus;
    scratch_folder_c folder;
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(folder.path().wstring().c_str());
    ASSERT_TRUE(collect_basic_facts());
    ASSERT_TRUE(load_settings());
    load_test_language(GetParam());

    {
        gallery_window_c gallery;
        ASSERT_TRUE(gallery.create_gallery());
        // Caption buttons in every state: menu normal, minimise hover, maximise pressed; tabs too.
        gallery.minimise_button->machine().move(true);
        gallery.maximise_button->machine().press(true);
        gallery.caption_buttons()[1]->machine().move(true);
        gallery.caption_buttons()[0]->machine().press(true);
        ShowWindow(gallery.handle(), SW_SHOWNORMAL);
        SetForegroundWindow(gallery.handle());
        gallery.panels.scroll_to(100);
        EXPECT_TRUE(pump_until_painted(gallery.handle()));
        RedrawWindow(gallery.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        EXPECT_TRUE(pump_until_painted(gallery.handle()));
        save_screenshot(gallery.handle(), "gallery");
        window_pixels_c pixels = capture_window(gallery.handle());
        // The caption band beside the tabs and the border line at the window's edge.
        EXPECT_TRUE(colour_near(pixels.at(470, gallery.frame_y() + 80), caption_band_colour, 3));
        EXPECT_TRUE(colour_near(pixels.at(0, 300), frame_border_colour, 3));
        EXPECT_EQ(gallery.panels.scroll_position(), 100);
        DestroyWindow(gallery.handle());
        pump_messages(100);  // what the window's end posted; nothing is checked after it
    }
    const char* texts[5] = {"config_language_change_notice", "home_download_msg", "backup_failed", "remove_confirm",
                            "error_network_timeout"};
    for (int kind = 0; kind <= 4; ++kind) {
        // The button band at the bottom left is flat.
        photograph("message-" + std::to_string(kind),
                   [&] { message_window_c(language_text(texts[kind]), all_message_kinds[kind]).run(nullptr); }, RGB(139, 184, 241), POINT{10, 6});
    }
    succeeding_task_calls_c calls;
    photograph("settings", [&] { config_window_c(&calls).run(nullptr); }, RGB(255, 255, 255), POINT{10, 10});
    device_class_c setup_class;
    std::wcscpy(setup_class.name, L"Net");
    std::wcscpy(setup_class.description, L"Network adapters");
    device_c device;
    std::wcscpy(device.display_name, L"Realtek PCIe GbE Family Controller");
    std::wcscpy(device.instance_path, L"PCI\\VEN_10EC&DEV_8168&SUBSYS_81681849&REV_06\\4&2A1B0F0&0&00E5");
    std::wcscpy(device.driver_description, L"Realtek PCIe GbE Family Controller");
    std::wcscpy(device.driver_provider, L"Realtek");
    std::wcscpy(device.driver_date, L"2019-05-20");
    std::wcscpy(device.driver_version, L"10.35.510.2019");
    std::wcscpy(device.inf_path, L"oem12.inf");
    device.device_class = &setup_class;
    driver_item_c offer;
    offer.description = L"Realtek PCIe GbE Family Controller";
    offer.date = L"2023-02-14";
    offer.version = L"10.63.1014.2022";
    offer.inf_name = L"x64\\rt640x64.inf";
    device.items.push_back(offer);
    device.best_index = 0;
    device.best_reason = offer_reason_c::newer;
    device_c other = device;
    std::wcscpy(other.display_name, L"Realtek Gaming 2.5GbE Family Controller");
    driver_group_c group;
    group.devices = {&device, &other};
    photograph("details", [&] { devinfo_window_c(30, group).run(nullptr); }, RGB(226, 240, 253), POINT{4, 4});
    recording_launcher_c launcher;
    photograph("about", [&] { about_window_c(launcher).run(nullptr); }, RGB(139, 184, 241), POINT{6, 6});

    SetCurrentDirectoryW(previous);
    registry_key_c::delete_key(HKEY_CURRENT_USER, settings_key_path);
    load_test_language(L"English");
}

INSTANTIATE_TEST_SUITE_P(languages, ui_screens_test,
                         screenshot_languages(), language_test_name);

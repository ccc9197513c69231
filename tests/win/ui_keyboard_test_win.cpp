// The windows with the keyboard alone, by real key input (SendInput) through the program's own
// key handling: a scan started with Enter, a download started and paused and a package installed
// from the panels, the backup tree ticked with Space and the backup made with Enter, a backup
// restored, the caption tabs switched with Ctrl+Tab and Ctrl+digit, boxes and the menu closed
// with Esc; and what a screen reader reads of every control of every page (oleacc).
#include "download/download_paths.h"
#include "i18n/language_table.h"
#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "tests/unit/fault_server_access.h"
#include "tests/unit/test_zip.h"
#include "tests/win/key_input_win.h"
#include "tests/win/main_window_fixture_win.h"
#include "tests/win/results_pages_fixture_win.h"
#include "ui/kit/window_messages.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <atomic>
#include <cstring>
#include <cwchar>
#include <thread>

namespace {

class ui_keyboard_test : public results_pages_test_c {
protected:
    // An offered update whose INF and instance path the installer's plan can name.
    static device_c keyed_device(const wchar_t* name, const wchar_t* inf, const std::string& link, std::uint32_t size) {
        device_c device = offered_device(name, link, size, true);
        std::wcscpy(device.inf_path, inf);
        std::swprintf(device.instance_path, 200, L"PCI\\VEN_8086&DEV_%ls", inf);
        return device;
    }
};

// The window is shown and active, the keyboard's focus in it.
void bring_to_keys(key_loop_c& loop, HWND window) {
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    loop.pump_until([&] { return painted(window); }, ui_timeout_ms);
}

std::wstring class_name_of(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

// Presses the key from another thread once a menu of the thread is open (a menu runs its own
// loop on this thread).
class menu_key_c {
public:
    menu_key_c(DWORD ui_thread, WORD key)
        : thread_([this, ui_thread, key] {
              shown_ = wait_until([&] { return menu_shown(ui_thread); }, ui_timeout_ms);
              Sleep(200);
              send_key(key);
          }) {}
    ~menu_key_c() { thread_.join(); }
    bool shown() const { return shown_; }

private:
    std::atomic<bool> shown_{false};
    std::thread thread_;
};

}  // namespace

TEST_F(ui_keyboard_test, the_keyboard_alone_scans_downloads_installs_backs_up_and_restores) {
    const std::string base = fault_server_access_c::base_url();
    if (base.empty()) GTEST_SKIP() << "no fault server";
    // One package to download (it stalls, so it is still downloading when paused), one already
    // downloaded to install.
    const std::string slow = base + "/bytes/400000?stall_after=150000&keys=" + std::to_string(GetTickCount());
    const std::string ready = "http://127.0.0.1:1/packages/keys-" + std::to_string(GetTickCount()) + ".zip";
    download_paths_c paths = make_download_paths(settings().download_path_in_use, ready);
    ASSERT_TRUE(write_test_zip(std::filesystem::path(paths.final_path).string(),
                               {{"drivers/net.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n"}, {"drivers/net.sys", "MZ"}}));
    std::uint32_t ready_size = std::uint32_t(std::filesystem::file_size(paths.final_path));
    scratch_driver_store_c driver_store(scratch_.path() / "FileRepository");
    test_main_window_c main({L"Vantorel.exe"}, backing_up_from(driver_store));
    main.scan.fill_results = [&](device_store_c& store) {
        store.devices = {keyed_device(L"Ethernet adapter", L"oem4.inf", slow, 400000),
                         keyed_device(L"Wireless adapter", L"oem7.inf", ready, ready_size)};
    };
    ASSERT_TRUE(main->create_main_window());
    key_loop_c keys(main->handle());
    bring_to_keys(keys, main->handle());
    const DWORD ui_thread = GetCurrentThreadId();
    ASSERT_EQ(GetFocus(), main->home_page().handle());
    save_screenshot(main->handle(), "focus-home");

    // Before a scan Ctrl+2 tells why the download page cannot be shown; Esc closes the box.
    {
        modal_answerer_c answerer(ui_thread, [](HWND, const std::wstring&) { send_key(VK_ESCAPE); });
        keys.type('2', {VK_CONTROL});
        EXPECT_EQ(answerer.texts(), std::vector<std::wstring>{language_text("home_download_msg")});
    }
    EXPECT_EQ(main->current_page(), main->home_page().handle());

    // Enter on the home page scans; the results take the focus to the first panel.
    keys.type(VK_RETURN);
    ASSERT_TRUE(keys.pump_until([&] { return main->scan_state() == main_window_c::scan_state_c::results; }, ui_timeout_ms));
    ASSERT_EQ(main->download_page().panels().size(), 2u);
    ASSERT_EQ(GetFocus(), panel(main, 0).handle());
    EXPECT_TRUE(keys.pump_until([&] { return painted(main->handle()); }, ui_timeout_ms));
    save_screenshot(main->handle(), "focus-download-panel");

    // Tab order: the radios above the list, the list, the bar's check box and button, the link.
    keys.type(VK_TAB, {VK_SHIFT});
    EXPECT_EQ(GetFocus(), main->download_page().best_radio());
    keys.type(VK_TAB);
    EXPECT_EQ(GetFocus(), panel(main, 0).handle());
    keys.type(VK_TAB);
    EXPECT_EQ(GetFocus(), main->download_page().bottom_bar().check_box());
    keys.type(VK_TAB);
    EXPECT_EQ(GetFocus(), main->download_page().bottom_bar().button());
    EXPECT_TRUE(keys.pump_until([&] { return painted(main->handle()); }, ui_timeout_ms));
    save_screenshot(main->handle(), "focus-download-all-button");
    {
        // Space asks before downloading; after the box (declined) the focus is on the button again.
        modal_answerer_c answerer(ui_thread, [](HWND box, const std::wstring&) { press_dialog_button(box, IDCANCEL); });
        keys.type(VK_SPACE);
        ASSERT_TRUE(keys.pump_until([&] { return !answerer.texts().empty(); }, ui_timeout_ms));
        EXPECT_TRUE(keys.pump_until([&] { return GetFocus() == main->download_page().bottom_bar().button(); },
                                    ui_timeout_ms));
    }
    keys.type(VK_TAB);
    EXPECT_EQ(class_name_of(GetFocus()), L"VantorelLink");
    keys.type(VK_RETURN);  // opens the FAQ
    ASSERT_EQ(main.launcher.started().size(), 1u);
    EXPECT_EQ(main.launcher.started()[0].rfind(L"open ", 0), 0u) << main.launcher.started()[0];
    for (int back = 0; back < 3; ++back) keys.type(VK_TAB, {VK_SHIFT});
    ASSERT_EQ(GetFocus(), panel(main, 0).handle());

    // Enter downloads the focused panel's package, Enter again pauses it.
    download_session_c* slow_session = panel(main, 0).session();
    ASSERT_EQ(std::string(slow_session->url), slow);
    keys.type(VK_RETURN);
    EXPECT_EQ(slow_session->state, download_state_c::downloading);
    ASSERT_TRUE(keys.pump_until([&] { return slow_session->job.bytes_done.load() >= 150000; }, ui_timeout_ms));
    keys.type(VK_RETURN);
    EXPECT_TRUE(keys.pump_until([&] { return slow_session->state == download_state_c::paused; }, ui_timeout_ms));

    // The menu key opens the panel's menu, Esc closes it.
    {
        menu_key_c escape(ui_thread, VK_ESCAPE);
        keys.type(VK_APPS);
        EXPECT_TRUE(escape.shown());
    }
    EXPECT_FALSE(menu_shown(ui_thread));

    // Down goes to the next panel; Space ticks it, Enter installs its package.
    keys.type(VK_DOWN);
    ASSERT_EQ(GetFocus(), panel(main, 1).handle());
    keys.type(VK_SPACE);
    EXPECT_TRUE(panel(main, 1).checked());
    EXPECT_FALSE(panel(main, 0).checked());
    ASSERT_EQ(panel(main, 1).session()->state, download_state_c::complete);
    keys.type(VK_RETURN);
    ASSERT_TRUE(keys.pump_until([&] { return main.launcher.started().size() == 2; }, ui_timeout_ms));
    EXPECT_NE(main.launcher.started()[1].find(L" /STAGE \""), std::wstring::npos) << main.launcher.started()[1];
    EXPECT_TRUE(keys.pump_until([&] { return panel(main, 1).session()->install_job.running.load() == 0; }, ui_timeout_ms));

    // Ctrl+3: the backup page, its tree focused; Space on the root ticks every package, Tab goes
    // to the button and Enter backs up; Enter answers the box that tells it is done.
    keys.type('3', {VK_CONTROL});
    backup_window_c& backup = main->backup_page();
    ASSERT_EQ(main->current_page(), backup.handle());
    ASSERT_EQ(GetFocus(), backup.tree().handle());
    keys.type(VK_HOME);
    ASSERT_EQ(TreeView_GetSelection(backup.tree().handle()), backup.available_root());
    keys.type(VK_SPACE);
    HTREEITEM first = backup.tree().first_child(backup.available_root());
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(keys.pump_until([&] { return backup.tree().ticked(first) && backup.tree().ticked(backup.tree().next(first)); },
                                ui_timeout_ms));
    keys.type(VK_TAB);
    ASSERT_EQ(GetFocus(), backup.button());
    EXPECT_TRUE(keys.pump_until([&] { return painted(main->handle()); }, ui_timeout_ms));
    save_screenshot(main->handle(), "focus-backup-button");
    {
        modal_answerer_c answerer(ui_thread, [](HWND, const std::wstring&) { send_key(VK_RETURN); });
        keys.type(VK_RETURN);
        ASSERT_TRUE(keys.pump_until([&] { return !answerer.texts().empty() && !backup.job_running(); }, 60000));
        EXPECT_TRUE(keys.pump_until([&] { return IsWindowEnabled(main->handle()) != FALSE; }, ui_timeout_ms));
        EXPECT_EQ(answerer.texts(), std::vector<std::wstring>{language_text("backup_completed")});
        // The box gives the focus back to the button that started the backup.
        EXPECT_TRUE(keys.pump_until([&] { return GetFocus() == backup.button(); }, ui_timeout_ms));
    }
    ASSERT_EQ(backup.job()->archives.size(), 2u);

    // Ctrl+4: the restore page; Space ticks the backup the tree selects, Tab and Space restore it.
    keys.type('4', {VK_CONTROL});
    restore_window_c& restore = main->restore_page();
    ASSERT_EQ(main->current_page(), restore.handle());
    ASSERT_EQ(GetFocus(), restore.tree().handle());
    keys.type(VK_HOME);
    HTREEITEM backup_item = restore.tree().first_root();
    ASSERT_EQ(TreeView_GetSelection(restore.tree().handle()), backup_item);
    keys.type(VK_SPACE);
    EXPECT_TRUE(keys.pump_until([&] { return restore.tree().ticked(backup_item); }, ui_timeout_ms));
    keys.type(VK_TAB);
    ASSERT_EQ(GetFocus(), restore.button());
    keys.type(VK_SPACE);
    ASSERT_TRUE(keys.pump_until([&] { return main.launcher.started().size() == 3; }, ui_timeout_ms));
    EXPECT_NE(main.launcher.started()[2].find(L" /SH /F /STAGE \""), std::wstring::npos) << main.launcher.started()[2];

    // Ctrl+Tab and Ctrl+Shift+Tab step through the pages, the home page after the restore page.
    keys.type(VK_TAB, {VK_CONTROL});
    EXPECT_EQ(main->current_page(), main->home_page().handle());
    keys.type(VK_TAB, {VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(main->current_page(), restore.handle());
    keys.type(VK_TAB, {VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(main->current_page(), backup.handle());
    keys.type('2', {VK_CONTROL});
    EXPECT_EQ(main->current_page(), main->download_page().handle());

    // F10 opens the main menu, Esc closes it.
    {
        menu_key_c escape(ui_thread, VK_ESCAPE);
        keys.type(VK_F10);
        EXPECT_TRUE(escape.shown());
    }
    EXPECT_FALSE(menu_shown(ui_thread));
    EXPECT_TRUE(IsWindow(main->handle()));
}

namespace {

// What a screen reader gets of one window's client object (oleacc), and of its simple elements.
struct read_element_c {
    std::wstring name;
    long role = 0;
    long state = 0;
};
struct read_window_c {
    bool found = false;
    read_element_c self;
    std::vector<read_element_c> elements;
};

std::wstring take_name(IAccessible* object, long id) {
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    BSTR name = nullptr;
    std::wstring text;
    if (object->get_accName(child, &name) == S_OK && name) text = name;
    SysFreeString(name);
    return text;
}

long take_number(IAccessible* object, long id, bool state) {
    VARIANT child, value;
    VariantInit(&child);
    VariantInit(&value);
    child.vt = VT_I4;
    child.lVal = id;
    HRESULT result = state ? object->get_accState(child, &value) : object->get_accRole(child, &value);
    long number = SUCCEEDED(result) && value.vt == VT_I4 ? value.lVal : -1;
    VariantClear(&value);
    return number;
}

read_window_c read_accessible(HWND window) {
    read_window_c read;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, DWORD(OBJID_CLIENT), IID_IAccessible, reinterpret_cast<void**>(&object))) ||
        !object)
        return read;
    read.found = true;
    read.self = {take_name(object, CHILDID_SELF), take_number(object, CHILDID_SELF, false),
                 take_number(object, CHILDID_SELF, true)};
    long count = 0;
    if (object->get_accChildCount(&count) != S_OK) count = 0;
    // The standard object counts child windows; only ours has simple elements.
    for (long id = 1; id <= count; ++id) {
        VARIANT which;
        VariantInit(&which);
        which.vt = VT_I4;
        which.lVal = id;
        IDispatch* child = nullptr;
        HRESULT kind = object->get_accChild(which, &child);
        if (child) child->Release();
        if (kind != S_FALSE) continue;
        read.elements.push_back({take_name(object, id), take_number(object, id, false), take_number(object, id, true)});
    }
    object->Release();
    return read;
}

BOOL CALLBACK collect_visible_child(HWND window, LPARAM found) {
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

// Every control of the page (the page itself included) has a name; containers that only hold
// other controls (WS_EX_CONTROLPARENT) are read through those. Prints what was read.
void expect_every_control_named(HWND page) {
    std::vector<HWND> windows = {page};
    EnumChildWindows(page, collect_visible_child, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        read_window_c read = read_accessible(window);
        ASSERT_TRUE(read.found) << "no accessible object for " << testing::PrintToString(class_name_of(window));
        std::printf("  %-24ls role 0x%02lx  %zu elements  \"%ls\"\n", class_name_of(window).c_str(), read.self.role,
                    read.elements.size(), read.self.name.substr(0, 60).c_str());
        if (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) continue;
        EXPECT_FALSE(read.self.name.empty()) << "unnamed " << testing::PrintToString(class_name_of(window));
        for (const read_element_c& element : read.elements)
            EXPECT_FALSE(element.name.empty()) << "an unnamed element of " << testing::PrintToString(class_name_of(window));
    }
}

const read_element_c* find_element(const read_window_c& read, const std::wstring& name) {
    for (const read_element_c& element : read.elements)
        if (element.name == name) return &element;
    return nullptr;
}

bool any_element_starts_with(const read_window_c& read, const std::wstring& start) {
    for (const read_element_c& element : read.elements)
        if (element.name.compare(0, start.size(), start) == 0) return true;
    return false;
}

}  // namespace

TEST_F(ui_keyboard_test, a_screen_reader_reads_every_control_of_each_page) {
    scratch_driver_store_c driver_store(scratch_.path() / "FileRepository");
    test_main_window_c main({L"Vantorel.exe"}, backing_up_from(driver_store));
    main.scan.fill_results = [](device_store_c& store) {
        store.devices = {keyed_device(L"Ethernet adapter", L"oem4.inf", "http://127.0.0.1:1/keys-one.zip", 1000),
                         keyed_device(L"Wireless adapter", L"oem7.inf", "http://127.0.0.1:1/keys-two.zip", 1000)};
    };
    ASSERT_TRUE(main->create_main_window());
    ShowWindow(main->handle(), SW_SHOW);
    ASSERT_TRUE(pump_until_painted(main->handle()));

    // The caption tabs: page tabs named by their captions, the home tab selected; then the
    // caption's buttons.
    read_window_c caption = read_accessible(main->handle());
    ASSERT_EQ(caption.elements.size(), 9u);
    const char* button_keys[] = {"caption_menu", "caption_minimise", "caption_maximise", "caption_close"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(caption.elements[std::size_t(5 + i)].name, language_text(button_keys[i]));
        EXPECT_EQ(caption.elements[std::size_t(5 + i)].role, ROLE_SYSTEM_PUSHBUTTON);
    }
    const char* tab_keys[] = {"top_home", "top_download", "top_backup", "top_restore", "top_settings"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(caption.elements[std::size_t(i)].name, language_text(tab_keys[i]));
        EXPECT_EQ(caption.elements[std::size_t(i)].role, ROLE_SYSTEM_PAGETAB);
        EXPECT_EQ((caption.elements[std::size_t(i)].state & STATE_SYSTEM_SELECTED) != 0, i == 0);
    }

    std::printf("home page:\n");
    expect_every_control_named(main->home_page().handle());
    read_window_c home = read_accessible(main->home_page().handle());
    const read_element_c* start = find_element(home, language_text("home_start_scan"));
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_TRUE(any_element_starts_with(home, language_text("sidebar_model")));
    EXPECT_TRUE(any_element_starts_with(home, language_text("sidebar_storage")));

    // The scan page while its query runs.
    main.scan.hold_query = true;
    SendMessageW(main->handle(), WM_START_SCAN, 0, 0);
    ASSERT_TRUE(pump_until([&] { return main.scan.queries.load() == 1; }, ui_timeout_ms));
    std::printf("scan page:\n");
    expect_every_control_named(main->scan_page().handle());
    read_window_c scan = read_accessible(main->scan_page().handle());
    EXPECT_TRUE(any_element_starts_with(scan, language_text("scan_items_scanned")));
    EXPECT_TRUE(any_element_starts_with(scan, language_text("sidebar_cpu")));
    main.scan.hold_query = false;
    ASSERT_TRUE(pump_until([&] { return main->scan_state() == main_window_c::scan_state_c::results; }, ui_timeout_ms));
    ASSERT_TRUE(pump_until_painted(main->handle()));

    std::printf("download page:\n");
    download_window_c& download = main->download_page();
    expect_every_control_named(download.handle());
    read_window_c first_panel = read_accessible(panel(main, 0).handle());
    EXPECT_EQ(first_panel.self.role, ROLE_SYSTEM_LISTITEM);
    EXPECT_NE(first_panel.self.name.find(L"Ethernet adapter"), std::wstring::npos) << testing::PrintToString(first_panel.self.name);
    EXPECT_NE(first_panel.self.name.find(language_text("download_not_download")), std::wstring::npos);
    ASSERT_EQ(first_panel.elements.size(), 1u);
    EXPECT_EQ(first_panel.elements[0].name, language_text("download_btn_download"));
    EXPECT_EQ(first_panel.elements[0].role, ROLE_SYSTEM_PUSHBUTTON);
    read_window_c chart = read_accessible(download.chart().handle());
    EXPECT_EQ(chart.self.role, ROLE_SYSTEM_CHART);
    ASSERT_FALSE(chart.elements.empty());
    EXPECT_NE(chart.elements[0].name.find(L"100.00%"), std::wstring::npos) << testing::PrintToString(chart.elements[0].name);
    // Skinned buttons are buttons to a reader, as BUTTON windows.
    read_window_c download_all = read_accessible(download.bottom_bar().button());
    EXPECT_EQ(download_all.self.name, language_text("download_all_button"));
    EXPECT_EQ(download_all.self.role, ROLE_SYSTEM_PUSHBUTTON);
    read_window_c page = read_accessible(download.handle());
    EXPECT_TRUE(any_element_starts_with(page, language_text("sidebar_score")));
    caption = read_accessible(main->handle());
    ASSERT_EQ(caption.elements.size(), 9u);
    EXPECT_TRUE(caption.elements[1].state & STATE_SYSTEM_SELECTED);

    SendMessageW(main->handle(), WM_COMMAND, command_first_tab + 2, 0);
    ASSERT_EQ(main->current_page(), main->backup_page().handle());
    ASSERT_TRUE(pump_until_painted(main->handle()));
    std::printf("backup page:\n");
    expect_every_control_named(main->backup_page().handle());
    EXPECT_TRUE(any_element_starts_with(read_accessible(main->backup_page().handle()),
                                        language_text("device_detail_list_device_id")));
    read_window_c big_button = read_accessible(main->backup_page().button());
    EXPECT_EQ(big_button.self.role, ROLE_SYSTEM_PUSHBUTTON);

    {
        // No backup yet: the page tells so once it shows.
        modal_answerer_c answerer(GetCurrentThreadId(), [](HWND box, const std::wstring&) { press_dialog_button(box, IDOK); });
        SendMessageW(main->handle(), WM_COMMAND, command_first_tab + 3, 0);
        ASSERT_TRUE(pump_until([&] { return !answerer.texts().empty(); }, ui_timeout_ms));
        ASSERT_TRUE(pump_until_painted(main->handle()));
    }
    ASSERT_EQ(main->current_page(), main->restore_page().handle());
    std::printf("restore page:\n");
    expect_every_control_named(main->restore_page().handle());
    EXPECT_TRUE(any_element_starts_with(read_accessible(main->restore_page().handle()), language_text("backup_date")));
}

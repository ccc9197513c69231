// The dialogs with their real windows, answered from another thread as a user would: the message
// box's results by button, Esc and the caption's close; the settings dialog's registry round
// trip, invalid folder, language notice and schedule box; the device details; the about box.
#include "common/registry_key_win.h"
#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "i18n/language_table.h"
#include "tests/unit/recording_launcher.h"
#include "tests/unit/test_files.h"
#include "tests/win/ui_test_support_win.h"
#include "ui/dialogs/about_window_win.h"
#include "ui/dialogs/config_window_win.h"
#include "ui/dialogs/devinfo_window_win.h"
#include "ui/dialogs/exit_wait_win.h"
#include "ui/kit/dialog_ids.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cwchar>
#include <string>
#include <vector>

namespace {

int answered_box(int kind, const std::function<void(HWND)>& answer) {
    // 1 accept, 2 decline, as the dialogs' own results.
    modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND dialog, const std::wstring&) { answer(dialog); });
    message_window_c box(L"Delete the downloaded file?", all_message_kinds[kind]);
    return int(box.run(nullptr));
}

// Brings the box forward as a user would before pressing a key: true once its thread has made it
// the foreground window with the keyboard focus in it.
bool bring_forward(HWND box) {
    SetForegroundWindow(box);
    return wait_until([box] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetForegroundWindow() == box && GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &info) &&
               (info.hwndFocus == box || IsChild(box, info.hwndFocus));
    }, ui_timeout_ms);
}

// The caption's close button of a dialog, on the screen.
POINT dialog_close_point(HWND dialog) {
    RECT rect;
    GetWindowRect(dialog, &rect);
    int frame_x = GetSystemMetrics(SM_CXDLGFRAME), frame_y = GetSystemMetrics(SM_CYDLGFRAME);
    return POINT{rect.right - frame_x - 31 + 15, rect.top + frame_y + 10};
}

class recorded_task_calls_c final : public scan_task_calls_c {
public:
    bool create() override { return log("create"); }
    bool enable(bool on) override { return log(on ? "enable" : "disable"); }
    bool edit() override { return log("edit"); }
    std::vector<std::string> calls;

private:
    bool log(const char* call) {
        calls.push_back(call);
        return true;
    }
};

std::wstring registry_text(const wchar_t* name) {
    registry_key_c key;
    if (key.open(HKEY_CURRENT_USER, settings_key_path) != ERROR_SUCCESS) return std::wstring();
    return key.read_text(name).value_or(std::wstring());
}

DWORD registry_number(const wchar_t* name) {
    registry_key_c key;
    if (key.open(HKEY_CURRENT_USER, settings_key_path) != ERROR_SUCCESS) return 0xFFFF;
    return key.read_number(name).value_or(0xFFFF);
}

}  // namespace

TEST(ui_message_box, buttons_give_one_and_two_and_esc_or_the_caption_close_decline) {
    load_test_language(L"English");
    EXPECT_EQ(answered_box(0, [](HWND box) { press_dialog_button(box, IDOK); }), 1);
    EXPECT_EQ(answered_box(3, [](HWND box) { press_dialog_button(box, IDOK); }), 1);
    EXPECT_EQ(answered_box(3, [](HWND box) { press_dialog_button(box, IDCANCEL); }), 2);
    EXPECT_EQ(answered_box(4, [](HWND box) { press_dialog_button(box, IDCANCEL); }), 2);
    EXPECT_EQ(answered_box(3, [](HWND box) {
                  EXPECT_TRUE(bring_forward(box));
                  press_key(VK_ESCAPE);
              }), 2);
    EXPECT_EQ(answered_box(1, [](HWND box) {
                  EXPECT_TRUE(bring_forward(box));
                  press_key(VK_ESCAPE);
              }), 2);
    EXPECT_EQ(answered_box(3, [](HWND box) {
                  POINT close = dialog_close_point(box);
                  mouse_click_at(close.x, close.y);
              }), 2);
}

// A wait at the program's end has its bound: a notice closed early leaves the owner disabled
// until the wait gives up, and then enabled again.
TEST(ui_message_box, an_exit_wait_gives_up_at_its_bound) {
    load_test_language(L"English");
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    std::atomic<bool> owner_enabled{true};  // read under the wait, after the notice closed
    modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND notice, const std::wstring&) {
        press_dialog_button(notice, IDOK);
        wait_until([&] { return !IsWindow(notice); }, ui_timeout_ms);
        Sleep(100);
        owner_enabled = IsWindowEnabled(owner) != FALSE;
    });
    EXPECT_FALSE(wait_with_notice(owner, L"Waiting", [] { return true; }, std::chrono::milliseconds(5000)));
    EXPECT_EQ(answerer.texts(), std::vector<std::wstring>{L"Waiting"});
    EXPECT_FALSE(owner_enabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST(ui_message_box, each_kind_shows_its_buttons_and_sign) {
    load_test_language(L"English");
    for (int kind = 0; kind <= 4; ++kind) {
        bool second_visible = false;
        std::wstring first_text;
        answered_box(kind, [&](HWND box) {
            second_visible = IsWindowVisible(GetDlgItem(box, IDCANCEL)) != FALSE;
            wchar_t text[64] = {};
            GetDlgItemTextW(box, IDOK, text, 64);
            first_text = text;
            press_dialog_button(box, IDOK);
        });
        EXPECT_EQ(second_visible, kind >= 3) << kind;
        EXPECT_EQ(first_text, kind == 3 ? L"Yes" : kind == 4 ? L"Retry" : L"OK") << kind;
    }
    EXPECT_EQ(message_kind_icon(message_kind_c::information), skin::message_information);
    EXPECT_EQ(message_kind_icon(message_kind_c::question), skin::message_question);
    EXPECT_EQ(message_kind_icon(message_kind_c::retry), skin::message_error);
}

// Arabic's "Retry" is wider than the skin's button: both buttons grow to fit it, side by side
// inside the box.
TEST(ui_message_box, a_long_caption_widens_the_buttons_within_the_box) {
    load_test_language(L"\u0627\u0644\u0639\u0631\u0628\u064A\u0629");
    RECT box_rect{}, first{}, second{};
    int caption = 0;
    answered_box(4, [&](HWND box) {
        GetWindowRect(box, &box_rect);  // on the screen, as the buttons' (the box is mirrored)
        HWND retry = GetDlgItem(box, IDOK);
        GetWindowRect(retry, &first);
        GetWindowRect(GetDlgItem(box, IDCANCEL), &second);
        wchar_t text[64] = {};
        GetWindowTextW(retry, text, 64);
        window_dc_c dc(retry);
        caption = int(text_size(dc.get(), text, verdana(8, font_weight_c::bold)).cx);
        press_dialog_button(box, IDOK);
    });
    load_test_language(L"English");
    EXPECT_GT(first.right - first.left, 70);
    EXPECT_GE(first.right - first.left - 6, caption);
    EXPECT_EQ(first.right - first.left, second.right - second.left);
    EXPECT_GE(std::min(first.left, second.left), box_rect.left);
    EXPECT_LE(std::max(first.right, second.right), box_rect.right);
    EXPECT_TRUE(first.right <= second.left || second.right <= first.left);
}

class ui_settings_dialog_test : public ::testing::Test {
protected:
    void SetUp() override {
        registry_key_c::delete_key(HKEY_CURRENT_USER, settings_key_path);
        GetCurrentDirectoryW(MAX_PATH, previous_folder_);
        SetCurrentDirectoryW(folder_.path().wstring().c_str());
        ASSERT_TRUE(collect_basic_facts());
        ASSERT_TRUE(load_settings());
        load_test_language(L"English");
    }
    void TearDown() override {
        SetCurrentDirectoryW(previous_folder_);
        registry_key_c::delete_key(HKEY_CURRENT_USER, settings_key_path);
    }
    scratch_folder_c folder_;
    wchar_t previous_folder_[MAX_PATH] = {};
    recorded_task_calls_c calls_;
};

TEST_F(ui_settings_dialog_test, ok_saves_to_the_registry_and_the_settings_read_back) {
    settings().close_to_tray = close_to_tray_c::hide;
    std::wstring backup = (folder_.path() / "elsewhere").wstring();
    CreateDirectoryW(backup.c_str(), nullptr);
    std::size_t german = 0;
    for (std::size_t i = 0; i < language_list().size(); ++i)
        if (language_list()[i] == L"Deutsch") german = i;
    ASSERT_NE(german, 0u);
    modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND dialog, const std::wstring&) {
        if (!GetDlgItem(dialog, IDC_LANGUAGE)) {  // the language notice
            press_dialog_button(dialog, IDOK);
            return;
        }
        SetDlgItemTextW(dialog, IDC_BACKUP_PATH, backup.c_str());
        SendDlgItemMessageW(dialog, IDC_START_WITH_WINDOWS, BM_CLICK, 0, 0);
        SendDlgItemMessageW(dialog, IDC_SCAN_NON_PRESENT, BM_CLICK, 0, 0);
        SendDlgItemMessageW(dialog, IDC_LANGUAGE, CB_SETCURSEL, german, 0);
        press_dialog_button(dialog, IDOK);
    });
    config_window_c dialog(&calls_);
    EXPECT_EQ(dialog.run(nullptr), 1);
    auto texts = answerer.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], language_text("config_language_change_notice"));
    EXPECT_EQ(current_language_index(), german);

    EXPECT_EQ(registry_text(L"backup_path"), backup);
    EXPECT_EQ(registry_text(L"language"), L"Deutsch");
    EXPECT_EQ(registry_number(L"autorun"), 1u);
    EXPECT_EQ(registry_number(L"scan_offline"), 1u);
    EXPECT_EQ(registry_number(L"close_to_tray"), 2u);  // the notice was shown: it stays quiet
    settings() = settings_c{};
    ASSERT_TRUE(load_settings());
    EXPECT_EQ(std::wstring(settings().backup_path), backup);
    EXPECT_EQ(settings().scan_offline, 1u);
    EXPECT_TRUE(calls_.calls.empty());
    set_run_at_logon(0);
}

// Screen readers name a field by the static text just before it: each label is one, in the
// skin's place for it.
TEST_F(ui_settings_dialog_test, each_field_and_group_follows_its_label) {
    const struct {
        int control;
        const char* key;
    } named[] = {{IDC_DOWNLOAD_PATH, "config_download_path"}, {IDC_BACKUP_PATH, "config_backup_path"},
                 {IDC_CLOSE_TO_TRAY, "config_close_option"},  {IDC_START_WITH_WINDOWS, "config_startup_option"},
                 {IDC_SCAN_NON_PRESENT, "config_scan_option"}, {IDC_SCHEDULED_SCAN, "config_scheduled_task"},
                 {IDC_LANGUAGE, "config_language"}};
    std::vector<std::wstring> found;
    modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND dialog, const std::wstring&) {
        for (const auto& field : named) {
            HWND label = GetWindow(GetDlgItem(dialog, field.control), GW_HWNDPREV);
            wchar_t class_name[32] = {}, text[200] = {};
            GetClassNameW(label, class_name, 32);
            GetWindowTextW(label, text, 200);
            found.push_back(std::wstring(class_name) + L": " + text + (IsWindowVisible(label) ? L"" : L" (hidden)"));
        }
        press_dialog_button(dialog, IDCANCEL);
    });
    config_window_c(&calls_).run(nullptr);
    ASSERT_EQ(found.size(), std::size(named));
    for (std::size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i], L"Static: " + language_text(named[i].key));
}

// A folder that cannot be made (beneath a file) is said with the reason, and an existing one
// whose path is too long to keep is refused: the dialog stays open, and its Cancel still puts the
// scheduled task back.
TEST_F(ui_settings_dialog_test, an_invalid_folder_keeps_the_dialog_open_and_cancel_saves_nothing) {
    std::wstring saved = settings().download_path;
    const std::wstring file = (folder_.path() / "a file").wstring();
    std::FILE* made = _wfopen(file.c_str(), L"wb");
    ASSERT_NE(made, nullptr);
    std::fclose(made);
    const std::wstring beneath_a_file = file + L"\\downloads";
    std::wstring too_long = L"\\\\?\\" + folder_.path().wstring();
    while (too_long.size() < 300) {
        too_long += L"\\" + std::wstring(60, L'a');
        ASSERT_TRUE(CreateDirectoryW(too_long.c_str(), nullptr));
    }
    for (const std::wstring& folder : {beneath_a_file, too_long}) {
        SCOPED_TRACE(folder.size());
        const std::wstring refusal = folder == too_long ? L"invalid download path" : L"The folder " + folder + L" cannot be used: ";
        calls_.calls.clear();
        modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND dialog, const std::wstring& text) {
            if (text.rfind(refusal, 0) == 0) {
                HWND settings_dialog = GetWindow(dialog, GW_OWNER);
                press_dialog_button(dialog, IDOK);
                // The box gone, and the settings dialog's thread back in its loop from handling OK.
                EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }, ui_timeout_ms));
                SendMessageTimeoutW(settings_dialog, WM_NULL, 0, 0, SMTO_NORMAL, ui_timeout_ms, nullptr);
                EXPECT_TRUE(IsWindowVisible(settings_dialog));
                press_dialog_button(settings_dialog, IDCANCEL);
                return;
            }
            SendDlgItemMessageW(dialog, IDC_SCHEDULED_SCAN, BM_CLICK, 0, 0);
            SetDlgItemTextW(dialog, IDC_DOWNLOAD_PATH, folder.c_str());
            press_dialog_button(dialog, IDOK);
        });
        config_window_c dialog(&calls_);
        EXPECT_EQ(dialog.run(nullptr), 2);
        auto texts = answerer.texts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[1].substr(0, refusal.size()), refusal);
        if (folder != too_long) {
            EXPECT_GT(texts[1].size(), refusal.size());  // the system's reason
        }
        EXPECT_EQ(std::wstring(settings().download_path), saved);
        EXPECT_EQ(calls_.calls, (std::vector<std::string>{"create", "enable", "edit", "disable"}));
    }
    // The scratch folder's own removal stops at paths this long.
    for (std::size_t end = too_long.size(); end > folder_.path().wstring().size() + 4; end = too_long.rfind(L'\\', end - 1))
        RemoveDirectoryW(too_long.substr(0, end).c_str());
}

TEST_F(ui_settings_dialog_test, the_schedule_box_acts_at_once_and_cancel_leaves_the_setting) {
    settings().scheduled_scan = 7;  // out of range: read as off
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND dialog, const std::wstring&) {
            EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SCHEDULED_SCAN), BST_UNCHECKED);
            SendDlgItemMessageW(dialog, IDC_SCHEDULED_SCAN, BM_CLICK, 0, 0);
            press_dialog_button(dialog, IDCANCEL);
        });
        config_window_c dialog(&calls_);
        EXPECT_EQ(dialog.run(nullptr), 2);
    }
    EXPECT_EQ(calls_.calls, (std::vector<std::string>{"create", "enable", "edit", "disable"}));
    EXPECT_EQ(settings().scheduled_scan, 0u);
    // Closed by Alt+F4 (or the caption's close) instead: as Cancel, the task is put back too.
    calls_.calls.clear();
    modal_answerer_c closer(GetCurrentThreadId(), [&](HWND dialog, const std::wstring&) {
        SendDlgItemMessageW(dialog, IDC_SCHEDULED_SCAN, BM_CLICK, 0, 0);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    config_window_c again(&calls_);
    EXPECT_EQ(again.run(nullptr), 2);
    ASSERT_FALSE(calls_.calls.empty());
    EXPECT_EQ(calls_.calls.back(), "disable");
    EXPECT_EQ(settings().scheduled_scan, 0u);
}

TEST(ui_device_details, lists_the_group_and_shows_the_selected_device) {
    load_test_language(L"English");
    device_c first, second;
    std::wcscpy(first.display_name, L"Network adapter");
    std::wcscpy(first.instance_path, L"PCI\\VEN_10EC&DEV_8168\\1");
    std::wcscpy(second.display_name, L"Second adapter");
    std::wcscpy(second.instance_path, L"PCI\\VEN_10EC&DEV_8168\\2");
    first.best_reason = offer_reason_c::worse_signature;
    driver_group_c group;
    group.devices = {&first, &second};
    int devices = 0, rows = 0;
    std::wstring shown_first, shown_second, reason_first, reason_second;
    // The line between the list and the table that says why.
    auto reason = [](HWND dialog) {
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t text[512] = {};
            GetWindowTextW(child, text, 512);
            if (std::wcsncmp(text, L"Why: ", 5) == 0) return std::wstring(text);
        }
        return std::wstring();
    };
    auto cell = [](HWND table, int row, int column) {
        wchar_t text[260] = {};
        ListView_GetItemText(table, row, column, text, 260);
        return std::wstring(text);
    };
    modal_answerer_c answerer(GetCurrentThreadId(), [&](HWND dialog, const std::wstring&) {
        HWND table = GetDlgItem(dialog, IDC_DRIVER_TABLE);
        devices = int(SendDlgItemMessageW(dialog, IDC_DEVICE_LIST, LB_GETCOUNT, 0, 0));
        rows = ListView_GetItemCount(table);
        shown_first = cell(table, 0, 1);
        reason_first = reason(dialog);
        // A rescan under the dialog replaces the records: it keeps what it showed when it opened.
        std::wcscpy(second.instance_path, L"replaced");
        group.devices.clear();
        SendDlgItemMessageW(dialog, IDC_DEVICE_LIST, LB_SETCURSEL, 1, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_DEVICE_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_DEVICE_LIST)));
        shown_second = cell(table, 0, 1);
        reason_second = reason(dialog);
        press_dialog_button(dialog, IDOK);
    });
    devinfo_window_c dialog(30, group);
    EXPECT_EQ(dialog.run(nullptr), 1);
    EXPECT_EQ(devices, 2);
    EXPECT_EQ(rows, 13);
    EXPECT_EQ(shown_first, first.instance_path);
    EXPECT_EQ(shown_second, L"PCI\\VEN_10EC&DEV_8168\\2");
    EXPECT_EQ(reason_first, L"Why: not offered: the installed driver's signature ranks better.");
    EXPECT_EQ(reason_second, L"Why: no driver package is offered for this device.");
}

TEST(ui_about_box, the_update_button_starts_the_updater_and_close_starts_nothing) {
    load_test_language(L"English");
    ASSERT_TRUE(collect_basic_facts());
    recording_launcher_c launcher;
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [](HWND dialog, const std::wstring&) { press_dialog_button(dialog, IDOK); });
        about_window_c about(launcher);
        EXPECT_EQ(about.run(nullptr), 1);
    }
    ASSERT_EQ(launcher.started().size(), 1u);
    EXPECT_EQ(launcher.started()[0], update_program_path() + L" ");
    EXPECT_NE(update_program_path().find(L"\\update\\update.exe"), std::wstring::npos);
    {
        modal_answerer_c answerer(GetCurrentThreadId(), [](HWND dialog, const std::wstring&) {
            press_dialog_button(dialog, IDCANCEL);
        });
        about_window_c about(launcher);
        EXPECT_EQ(about.run(nullptr), 2);
    }
    EXPECT_EQ(launcher.started().size(), 1u);
}

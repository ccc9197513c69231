// The settings store against Wine's real registry. Every test starts from a clean state: the
// settings and first-run keys and the Run value are removed, and the program folder is a fresh
// scratch folder.
#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "system/data_places_win.h"
#include "system/earlier_data_win.h"
#include "common/date_text.h"
#include "common/fixed_text.h"
#include "common/registry_key_win.h"
#include "common/text_convert.h"
#include "tests/unit/test_files.h"
#include "ui/kit/window_messages.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

void delete_tree(const wchar_t* path) { registry_key_c::delete_key(HKEY_CURRENT_USER, path); }

std::optional<std::wstring> read_string(const wchar_t* key_path, const wchar_t* name, DWORD* type_out = nullptr) {
    registry_key_c key;
    if (key.open(HKEY_CURRENT_USER, key_path) != ERROR_SUCCESS) return std::nullopt;
    std::optional<registry_value_c> value = key.read_value(name);
    if (value && type_out) *type_out = value->type;
    return key.read_text(name);
}

void write_raw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    registry_key_c key;
    ASSERT_EQ(key.create(HKEY_CURRENT_USER, settings_key_path, KEY_WRITE), ERROR_SUCCESS);
    ASSERT_EQ(key.write_value(name, type, data, size), ERROR_SUCCESS);
}

void write_string(const wchar_t* name, const std::wstring& text) {
    write_raw(name, REG_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
}

class settings_test : public ::testing::Test {
protected:
    void SetUp() override {
        delete_tree(settings_key_path);
        delete_tree(first_run_key_path);
        registry_key_c run;
        if (run.create(HKEY_CURRENT_USER, run_key_path, KEY_WRITE) == ERROR_SUCCESS)
            run.delete_value(product_title);
        folder_ = std::make_unique<scratch_folder_c>();
        GetCurrentDirectoryW(MAX_PATH, previous_folder_);
        SetCurrentDirectoryW(folder_->path().wstring().c_str());
        ASSERT_TRUE(collect_basic_facts());
    }
    void TearDown() override {
        SetCurrentDirectoryW(previous_folder_);
        delete_tree(settings_key_path);
        delete_tree(first_run_key_path);
    }
    // The default folder of that name ("download" or "backup"): beside the test program, whose
    // folder is a writable one outside Program Files.
    static std::wstring program_folder_path(const wchar_t* name) {
        return std::wstring(name) == L"download" ? data_places().download_folder : data_places().backup_folder;
    }
    static bool is_directory(const std::wstring& path) {
        DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    std::unique_ptr<scratch_folder_c> folder_;
    wchar_t previous_folder_[MAX_PATH] = {};
};

}  // namespace

TEST_F(settings_test, first_run_creates_all_values_folders_and_no_run_value) {
    ASSERT_TRUE(load_settings());
    const std::wstring today = utf8_to_wide(today_utc());
    EXPECT_EQ(read_string(settings_key_path, L"install_date"), today);
    EXPECT_STREQ(settings().install_date, today.c_str());
    EXPECT_EQ(read_string(settings_key_path, L"download_path"), program_folder_path(L"download"));
    EXPECT_EQ(read_string(settings_key_path, L"backup_path"), program_folder_path(L"backup"));
    // No first-run language code at all means Dutch.
    EXPECT_EQ(read_string(settings_key_path, L"language"), std::wstring(L"Nederlands"));
    for (const wchar_t* name : {L"autorun", L"scan_offline", L"close_to_tray", L"scheduled_scan"}) {
        registry_key_c key;
        ASSERT_EQ(key.open(HKEY_CURRENT_USER, settings_key_path), ERROR_SUCCESS);
        std::optional<registry_value_c> value = key.read_value(name);
        ASSERT_TRUE(value) << wide_to_utf8(name);
        EXPECT_EQ(value->type, DWORD(REG_DWORD));
        EXPECT_EQ(key.read_number(name), wcscmp(name, L"close_to_tray") == 0 ? 1u : 0u) << wide_to_utf8(name);
    }
    EXPECT_TRUE(is_directory(program_folder_path(L"download")));
    EXPECT_TRUE(is_directory(program_folder_path(L"backup")));
    EXPECT_FALSE(read_string(run_key_path, product_title).has_value());
}

TEST_F(settings_test, first_run_language_follows_the_installer_code) {
    const std::pair<DWORD, const wchar_t*> cases[] = {{4, L"Fran\u00E7ais"}, {12, L"English"}, {6, L"\u65E5\u672C\u8A9E"}};
    for (const auto& [code, expected] : cases) {
        delete_tree(settings_key_path);
        registry_key_c key;
        ASSERT_EQ(key.create(HKEY_CURRENT_USER, first_run_key_path, KEY_WRITE), ERROR_SUCCESS);
        key.write_number(L"language", code);
        ASSERT_TRUE(load_settings());
        EXPECT_STREQ(settings().language, expected) << code;
    }
    // The set-up leaves it for every user in HKEY_LOCAL_MACHINE; reading creates no key.
    delete_tree(settings_key_path);
    delete_tree(first_run_key_path);
    registry_key_c machine;
    ASSERT_EQ(machine.create(HKEY_LOCAL_MACHINE, first_run_key_path, KEY_WRITE), ERROR_SUCCESS);
    const DWORD german = 2;
    machine.write_number(L"language", german);
    ASSERT_TRUE(load_settings());
    registry_key_c::delete_key(HKEY_LOCAL_MACHINE, first_run_key_path);
    EXPECT_STREQ(settings().language, L"Deutsch");
    registry_key_c created;
    EXPECT_NE(created.open(HKEY_CURRENT_USER, first_run_key_path), ERROR_SUCCESS);
}

// An installed copy whose earlier version kept its data in the program folder: the folders move
// to the user's profile, the old ones stay as they are, and the index, the installed links and
// the archives come along (never over what is there), so old backups can still be restored.
TEST_F(settings_test, data_of_an_earlier_version_in_the_program_folder_move_to_the_profile) {
    const std::wstring root = folder_->path().wstring(), program = root + L"\\Program", profile = root + L"\\Profile";
    for (const std::wstring& folder : {program, program + L"\\backup", profile})
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    auto write = [](const std::wstring& path, const char* text) {
        std::FILE* file = _wfopen(path.c_str(), L"wb");
        ASSERT_NE(file, nullptr);
        std::fputs(text, file);
        std::fclose(file);
    };
    write(program + L"\\backup\\backup-1.zip", "old archive");
    write(program + L"\\backup.xml", "old index");
    write(program + L"\\setup.dat", "old links");
    write(profile + L"\\setup.dat", "newer links");
    const data_places_c places{program, profile, profile + L"\\Downloads", profile + L"\\Backups", false};
    settings_c record{};
    apply_default_settings(record, choose_data_places(program, true, {}, L""));  // the old defaults
    ASSERT_TRUE(move_data_out_of_program_folder(record, places));
    EXPECT_EQ(std::wstring(record.download_path), places.download_folder);
    EXPECT_EQ(std::wstring(record.download_path_in_use), places.download_folder);
    EXPECT_EQ(std::wstring(record.backup_path), places.backup_folder);
    auto read = [](const std::wstring& path) {
        std::FILE* file = _wfopen(path.c_str(), L"rb");
        if (!file) return std::string("(none)");
        char text[64] = {};
        std::fgets(text, sizeof text, file);
        std::fclose(file);
        return std::string(text);
    };
    EXPECT_EQ(read(places.backup_folder + L"\\backup-1.zip"), "old archive");
    EXPECT_EQ(read(program + L"\\backup\\backup-1.zip"), "old archive");
    EXPECT_EQ(read(profile + L"\\backup.xml"), "old index");
    EXPECT_EQ(read(profile + L"\\setup.dat"), "newer links");
    // A folder the user chose outside the program folder stays.
    copy_text(record.backup_path, L"D:\\Elsewhere");
    copy_text(record.download_path, L"D:\\Incoming");
    EXPECT_FALSE(move_data_out_of_program_folder(record, places));
    EXPECT_STREQ(record.backup_path, L"D:\\Elsewhere");
}

TEST_F(settings_test, an_unset_install_date_is_set_once_and_a_real_one_kept) {
    write_string(L"install_date", L"0000-00-00");
    ASSERT_TRUE(load_settings());
    EXPECT_EQ(read_string(settings_key_path, L"install_date"), utf8_to_wide(today_utc()));
    write_string(L"install_date", L"2011-04-01");
    ASSERT_TRUE(load_settings());
    EXPECT_STREQ(settings().install_date, L"2011-04-01");
}

TEST_F(settings_test, stored_folders_are_used_and_a_too_long_one_ignored) {
    write_string(L"download_path", L"C:\\drivers\\incoming");
    ASSERT_TRUE(load_settings());
    EXPECT_STREQ(settings().download_path_in_use, L"C:\\drivers\\incoming");
    EXPECT_STREQ(settings().download_path, L"C:\\drivers\\incoming");
    EXPECT_TRUE(is_directory(L"C:\\drivers\\incoming"));

    write_string(L"download_path", L"C:\\" + std::wstring(257, L'x'));  // 260 characters
    ASSERT_TRUE(load_settings());
    EXPECT_EQ(std::wstring(settings().download_path_in_use), program_folder_path(L"download"));
    write_string(L"download_path", L"C:\\" + std::wstring(256, L'y'));  // 259 characters fit
    ASSERT_TRUE(load_settings());
    EXPECT_EQ(std::wstring(settings().download_path_in_use), L"C:\\" + std::wstring(256, L'y'));
}

TEST_F(settings_test, malformed_string_values_leave_the_defaults) {
    ASSERT_TRUE(load_settings());  // the key now exists
    DWORD number = 7;
    write_raw(L"language", REG_DWORD, &number, sizeof number);  // wrong type
    const wchar_t odd[] = L"Deutsch";
    write_raw(L"backup_path", REG_SZ, odd, 5);  // odd byte length
    // No terminator. The character after the stored ones must not be NUL either, or the
    // registry counts the terminator in for the caller, as Windows does.
    const wchar_t open_text[] = {L'D', L'E', L'X'};
    write_raw(L"install_date", REG_SZ, open_text, 2 * sizeof(wchar_t));
    ASSERT_TRUE(load_settings());
    EXPECT_STREQ(settings().language, L"English");
    EXPECT_EQ(std::wstring(settings().backup_path), program_folder_path(L"backup"));
    // An unreadable date counts as unset: today's date is written.
    EXPECT_EQ(std::wstring(settings().install_date), utf8_to_wide(today_utc()));
}

void write_run_value(const std::wstring& text) {
    registry_key_c key;
    ASSERT_EQ(key.create(HKEY_CURRENT_USER, run_key_path, KEY_WRITE), ERROR_SUCCESS);
    ASSERT_EQ(key.write_text(product_title, text), ERROR_SUCCESS);
}

TEST_F(settings_test, autorun_on_writes_the_quoted_program_path_and_off_removes_it) {
    ASSERT_TRUE(load_settings());
    settings().autorun = 1;
    ASSERT_TRUE(save_settings());
    DWORD type = 0;
    // Unquoted, a path with spaces would let Windows try "C:\Program.exe" first.
    EXPECT_EQ(read_string(run_key_path, product_title, &type), L"\"" + program_path() + L"\"");
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(read_run_at_logon(), program_path());
    settings().autorun = 0;
    ASSERT_TRUE(save_settings());
    EXPECT_FALSE(read_run_at_logon().has_value());
    // Turning it off again, with no value left, is fine.
    EXPECT_TRUE(set_run_at_logon(0));
}

TEST_F(settings_test, unquoted_run_values_of_older_versions_are_read_and_ours_quoted_at_the_next_start) {
    ASSERT_TRUE(load_settings());  // past the first run, which deletes the value (autorun is off)
    const std::wstring elsewhere = L"C:\\Program Files\\Vantorel\\Vantorel.exe";
    write_run_value(elsewhere);
    EXPECT_EQ(read_run_at_logon(), elsewhere);
    ASSERT_TRUE(load_settings());
    // Another copy's value is not this program's to change.
    EXPECT_EQ(read_string(run_key_path, product_title), elsewhere);

    write_run_value(program_path());
    EXPECT_EQ(read_run_at_logon(), program_path());
    ASSERT_TRUE(load_settings());
    EXPECT_EQ(read_string(run_key_path, product_title), L"\"" + program_path() + L"\"");
    EXPECT_EQ(read_run_at_logon(), program_path());
}

TEST_F(settings_test, a_changed_download_folder_waits_for_the_next_start) {
    ASSERT_TRUE(load_settings());
    std::wstring in_use = settings().download_path_in_use;
    wcscpy(settings().download_path, L"C:\\elsewhere");
    ASSERT_TRUE(save_settings());
    EXPECT_EQ(std::wstring(settings().download_path_in_use), in_use);
    ASSERT_TRUE(load_settings());
    EXPECT_STREQ(settings().download_path_in_use, L"C:\\elsewhere");
}

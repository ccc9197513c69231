#include "system/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<unsigned char> utf16_bytes(const std::u16string& text, bool terminate = true) {
    std::vector<unsigned char> bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    if (terminate) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

}  // namespace

// An installed copy keeps its data in the user's profile; a portable one (a folder its user can
// write to, outside the system's program folders) beside itself.
TEST(settings, defaults_follow_where_the_program_may_write) {
    const std::vector<std::wstring> system = {L"C:\\Program Files", L"C:\\Program Files (x86)"};
    const std::wstring profile = L"C:\\Users\\Ana\\AppData\\Local";
    settings_c settings;
    apply_default_settings(settings, choose_data_places(L"C:\\PROGRAM FILES (x86)\\Vantorel", true, system, profile));
    EXPECT_STREQ(settings.download_path_in_use, L"C:\\Users\\Ana\\AppData\\Local\\Vantorel\\Downloads");
    EXPECT_STREQ(settings.download_path, L"C:\\Users\\Ana\\AppData\\Local\\Vantorel\\Downloads");
    EXPECT_STREQ(settings.backup_path, L"C:\\Users\\Ana\\AppData\\Local\\Vantorel\\Backups");
    EXPECT_EQ(choose_data_places(L"D:\\Tools\\Vantorel", false, system, profile).folder, profile + L"\\Vantorel");
    // Portable, and the profile unknown: the program folder, as always.
    const data_places_c portable = choose_data_places(L"D:\\Tools\\Vantorel\\", true, system, profile);
    EXPECT_TRUE(portable.beside_program);
    EXPECT_EQ(portable.download_folder, L"D:\\Tools\\Vantorel\\download");
    EXPECT_EQ(choose_data_places(L"C:\\Program Files\\Vantorel", false, system, L"").backup_folder,
              L"C:\\Program Files\\Vantorel\\backup");
    // A folder whose name merely begins like a system folder is not inside it.
    EXPECT_FALSE(path_inside(L"C:\\Program Files2\\Vantorel", L"C:\\Program Files"));
    EXPECT_TRUE(path_inside(L"c:/program files/", L"C:\\Program Files"));
    EXPECT_STREQ(settings.language, L"English");
    EXPECT_STREQ(settings.install_date, L"0000-00-00");
    EXPECT_EQ(settings.close_to_tray, close_to_tray_c::hide_with_notice);
}

TEST(settings, first_run_language_codes) {
    EXPECT_STREQ(first_run_language(std::nullopt), L"Nederlands");
    EXPECT_STREQ(first_run_language(1), L"English");
    EXPECT_STREQ(first_run_language(4), L"Fran\u00E7ais");
    EXPECT_STREQ(first_run_language(11), L"\u0627\u0644\u0639\u0631\u0628\u064A\u0629");
    EXPECT_STREQ(first_run_language(0), L"English");
    EXPECT_STREQ(first_run_language(12), L"English");
}

TEST(settings, string_values_need_type_even_length_terminator_and_room) {
    wchar_t field[8];
    std::wcscpy(field, L"default");
    auto good = utf16_bytes(u"abc");
    EXPECT_TRUE(accept_string_value(registry_string, good.data(), good.size(), field, 8));
    EXPECT_STREQ(field, L"abc");
    EXPECT_TRUE(accept_string_value(registry_expandable_string, good.data(), good.size(), field, 8));

    std::wcscpy(field, L"default");
    EXPECT_FALSE(accept_string_value(4 /* a number */, good.data(), good.size(), field, 8));
    EXPECT_FALSE(accept_string_value(registry_string, good.data(), good.size() - 1, field, 8));
    auto open = utf16_bytes(u"abc", false);
    EXPECT_FALSE(accept_string_value(registry_string, open.data(), open.size(), field, 8));
    auto exact = utf16_bytes(u"1234567");   // 7 characters and the terminator fill 8
    auto longer = utf16_bytes(u"12345678");
    EXPECT_FALSE(accept_string_value(registry_string, longer.data(), longer.size(), field, 8));
    EXPECT_STREQ(field, L"default");
    EXPECT_TRUE(accept_string_value(registry_string, exact.data(), exact.size(), field, 8));
    EXPECT_STREQ(field, L"1234567");
    EXPECT_TRUE(accept_string_value(registry_string, nullptr, 0, field, 8));
    EXPECT_STREQ(field, L"");
}

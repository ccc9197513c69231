#include "common/text_convert.h"

#include <gtest/gtest.h>

TEST(text_convert, utf8_and_utf16_round_trip_including_outside_the_basic_plane) {
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xF0\x9F\x98\x80";
    std::wstring wide = utf8_to_wide(utf8);
    EXPECT_EQ(wide.substr(0, 5), L"Gr\u00FC\u00DFe");
    EXPECT_EQ(wide_to_utf8(wide), utf8);
    EXPECT_EQ(utf8_to_wide(""), L"");
    EXPECT_EQ(wide_to_utf8(L""), "");
}

TEST(text_convert, invalid_utf8_becomes_replacement_characters_and_the_rest_survives) {
    std::wstring wide = utf8_to_wide("ok\xFF" "fine\xC3");
    EXPECT_EQ(wide.substr(0, 2), L"ok");
    EXPECT_EQ(wide[2], L'\uFFFD');
    EXPECT_NE(wide.find(L"fine"), std::wstring::npos);
    EXPECT_EQ(wide.back(), L'\uFFFD');
}

TEST(text_convert, ansi_code_page_1252_maps_its_own_characters_and_replaces_others) {
    if (ansi_code_page() != 1252) GTEST_SKIP() << "code page " << ansi_code_page();
    EXPECT_EQ(wide_to_ansi(L"caf\u00E9 \u20AC"), "caf\xE9 \x80");
    EXPECT_EQ(ansi_to_wide("caf\xE9 \x80"), L"caf\u00E9 \u20AC");
    EXPECT_EQ(wide_to_ansi(L"a\u65E5b"), "a?b");
}

#ifndef _WIN32
TEST(text_convert, emulated_code_page_is_settable_and_rejects_unknown_ones) {
    ASSERT_EQ(ansi_code_page(), 1252u);
    EXPECT_FALSE(set_ansi_code_page(99999));
    EXPECT_EQ(ansi_code_page(), 1252u);
    ASSERT_TRUE(set_ansi_code_page(932));
    EXPECT_EQ(wide_to_ansi(L"\u65E5\u672C"), "\x93\xFA\x96\x7B");
    EXPECT_EQ(ansi_to_wide("\x93\xFA\x96\x7B"), L"\u65E5\u672C");
    ASSERT_TRUE(set_ansi_code_page(1252));
}
#endif

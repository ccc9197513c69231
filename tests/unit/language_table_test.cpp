#include "i18n/language_table.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

namespace {

class language_test : public ::testing::Test {
protected:
    void SetUp() override {
        language_table().clear();
        language_list().clear();
        current_language_index() = 0;
    }
    std::filesystem::path file(const std::string& text) { return folder_.write("language.ini", text); }

    scratch_folder_c folder_;
};

const char* sample =
    "; the texts\n"
    "[English]\n"
    "greeting=\"Hello\"\n"
    "only_english=\"Fallback\"\n"
    "tabbed=\"x\\ty\"\n"
    "[Deutsch]\r\n"
    "greeting=\"Hallo\"\r\n"
    "greeting=\"Servus\"\r\n"
    "quoted=\"q\"r\"\r\n"
    "tabbed=\"x\\ty\\nz\"\r\n"
    ";commented=\"nothing\"\r\n"
    "spaced =\"blank before the equals sign\"\r\n"
    "   indented=\"leading blanks are dropped\"\r\n"
    "empty=\"\"\r\n"
    "[Fran\xC3\xA7" "ais]\n"
    "greeting=\"Bonjour\"\n";

}  // namespace

TEST_F(language_test, chosen_section_wins_english_fills_the_gaps) {
    ASSERT_TRUE(load_language_file(file(sample), L"deutsch", true));
    ASSERT_TRUE(load_language_file(file(sample), L"English", false));
    EXPECT_EQ(language_text("greeting"), L"Hallo");       // first text of the chosen section
    EXPECT_EQ(language_text("only_english"), L"Fallback");
    EXPECT_EQ(language_text("quoted"), L"q\"r");
    EXPECT_EQ(language_text("tabbed"), L"x\ty\nz");
    EXPECT_EQ(language_text("indented"), L"leading blanks are dropped");
    EXPECT_EQ(language_text("spaced"), L"");              // stored under "spaced "
    EXPECT_EQ(language_text("spaced "), L"blank before the equals sign");
    EXPECT_EQ(language_text(";commented"), L"");
    EXPECT_EQ(language_text("empty"), L"");               // an empty value is no text line
    EXPECT_EQ(language_list(), (std::vector<std::wstring>{L"English", L"Deutsch", L"Fran\u00E7ais"}));
    EXPECT_EQ(current_language_index(), 1u);
    EXPECT_STREQ(language_code(), "de");
    EXPECT_EQ(faq_link().find(L"http://de."), 0u);
    EXPECT_EQ(home_banner_bitmap(), 452);
    EXPECT_EQ(start_scan_button_bitmap(2), 458);
}

TEST_F(language_test, missing_keys_are_inserted_empty) {
    ASSERT_TRUE(load_language_file(file(sample), L"English", true));
    EXPECT_EQ(language_table().count("no_such_key"), 0u);
    EXPECT_EQ(language_text("no_such_key"), L"");
    EXPECT_EQ(language_table().count("no_such_key"), 1u);
}

TEST_F(language_test, selectors_follow_the_current_language) {
    ASSERT_TRUE(load_language_file(file(sample), L"Fran\u00E7ais", true));
    EXPECT_TRUE(is_current_language("FR"));
    EXPECT_FALSE(is_current_language("de"));
    ASSERT_TRUE(load_language_file(file(sample), L"Klingon", true));  // not in the file: index kept
    EXPECT_STREQ(language_code(), "fr");
    current_language_index() = 0;
    EXPECT_STREQ(language_code(), "en");
    EXPECT_EQ(product_page_link().find(L"http://www."), 0u);
    EXPECT_EQ(start_scan_button_bitmap(1), 291);
}

TEST_F(language_test, a_file_without_sections_behaves_as_english_and_a_missing_file_fails) {
    ASSERT_TRUE(load_language_file(file("key=\"value\"\n"), L"English", true));
    EXPECT_TRUE(language_list().empty());
    EXPECT_STREQ(language_code(), "en");
    EXPECT_EQ(language_text("key"), L"");
    EXPECT_FALSE(load_language_file(folder_.path() / "missing.ini", L"English", true));
}

TEST_F(language_test, adjacent_repetition_ends_the_section_and_long_lines_come_in_pieces) {
    std::string text = "[English]\na=\"1\"\n[English]\nb=\"2\"\n[Other]\n[English]\nc=\"3\"\n";
    text += "long=\"" + std::string(3000, 'x') + "\"\n";
    text += "[Other]\nd=\"4\"\n";
    ASSERT_TRUE(load_language_file(file(text), L"English", true));
    EXPECT_EQ(language_text("a"), L"1");
    EXPECT_EQ(language_text("b"), L"");   // the repeated header right after closed the section
    EXPECT_EQ(language_text("c"), L"3");  // a later repetition is loaded again
    EXPECT_EQ(language_text("long"), L"");  // cut into pieces, neither piece is a text line
    EXPECT_EQ(language_text("d"), L"");
    EXPECT_EQ(current_language_index(), 3u);
}

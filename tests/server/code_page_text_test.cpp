// Texts between the catalog (UTF-8) and Windows code pages: which code page goes with what, and
// the conversions both ways.
#include "server/inf/code_page_decoder.h"
#include "server/inf/code_page_encoder.h"
#include "server/inf/utf8_text.h"
#include "server/inf/windows_code_pages.h"

#include <gtest/gtest.h>

namespace {

std::string encoded(unsigned code_page, std::string_view utf8) {
    std::string out;
    code_page_encoder_c::for_code_page(code_page).append(out, utf8);
    return out;
}

}  // namespace

TEST(windows_code_pages, oem_and_language_pairs_and_their_labels) {
    const std::pair<int, unsigned> oem_pairs[] = {{850, 1252}, {866, 1251}, {852, 1250}, {737, 1253}, {864, 1256},
                                                  {932, 932},  {1258, 1258}, {0, 1252},  {1251, 1252}};
    for (auto [oem, ansi] : oem_pairs) EXPECT_EQ(ansi_code_page_for_oem(oem), ansi) << oem;
    // Language IDs as [Strings.<ID>] sections name them, two-digit ones included.
    const std::pair<unsigned, unsigned> language_pairs[] = {{0x0407, 1252}, {0x0A, 1252},   {0x0419, 1251}, {0x0411, 932},
                                                            {0x0804, 936},  {0x0C04, 950},  {0x041A, 1250}, {0x0C1A, 1251}};
    for (auto [language, ansi] : language_pairs) EXPECT_EQ(ansi_code_page_for_language(language), ansi) << language;

    EXPECT_STREQ(charset_of_code_page(1251), "windows-1251");
    EXPECT_STREQ(charset_of_code_page(12345), "windows-1252");
}

TEST(code_page_encoder, characters_the_code_page_lacks_become_question_marks) {
    const std::string western = "P\xC3\xA9riph\xC3\xA9rique\xC2\xAE f\xC3\xBCr \xE2\x82\xAC";  // "Périphérique® für €"
    EXPECT_EQ(encoded(1252, western), "P\xE9riph\xE9rique\xAE f\xFCr \x80");
    EXPECT_EQ(encoded(1251, western), "P?riph?rique\xAE f?r \x88");
    EXPECT_EQ(encoded(1251, "\xD0\x9A\xD0\xBE\xD1\x80"), "\xCA\xEE\xF0");  // "Кор"
    EXPECT_EQ(encoded(1252, "\xD0\x9A\xD0\xBE\xD1\x80"), "???");
    // No best-fit guesses (a for ā), characters past the Basic Multilingual Plane, broken UTF-8.
    EXPECT_EQ(encoded(1252, "\xC4\x81 \xF0\x9F\x98\x80 \xC3 \xFF"), "? ? ? ?");
    // Double-byte code pages, and 1258's letters with a combining mark.
    EXPECT_EQ(encoded(932, "\xE3\x83\x87\xE3\x83\x90\xE3\x82\xA4\xE3\x82\xB9"), "\x83\x66\x83\x6F\x83\x43\x83\x58");  // デバイス
    EXPECT_EQ(encoded(936, "\xE8\xAE\xBE\xE5\xA4\x87"), "\xC9\xE8\xB1\xB8");                                          // 设备
    EXPECT_EQ(encoded(1258, "\xE1\xBA\xBF"), "\xEA\xEC");                                                              // ế
    // An unknown code page writes Windows-1252.
    EXPECT_EQ(code_page_encoder_c::for_code_page(437).code_page(), 1252u);
}

TEST(code_page_decoder, code_page_bytes_become_utf8) {
    EXPECT_EQ(code_page_text_to_utf8("f\xFCr \x80 \x81", 1252), "f\xC3\xBCr \xE2\x82\xAC \xC2\x81");
    EXPECT_EQ(code_page_text_to_utf8("\xCA\xEE\xF0", 1251), "\xD0\x9A\xD0\xBE\xD1\x80");
    EXPECT_EQ(code_page_text_to_utf8("\x83\x66\x83\x6F\x83", 932), "\xE3\x83\x87\xE3\x83\x90\xEF\xBF\xBD");  // lead byte cut off
    EXPECT_EQ(code_page_text_to_utf8("\x82", 437), "\xC3\xA9");
    EXPECT_EQ(code_page_text_to_utf8("Vi\xEAt", 1258), "Vi\xC3\xAAt");  // the last letter is not held back
    code_page_decoder_c decoder(866);
    EXPECT_EQ(decoder.to_utf8("\x8A\xAE"), "\xD0\x9A\xD0\xBE");
    EXPECT_EQ(decoder.to_utf8("ASCII"), "ASCII");

    EXPECT_EQ(utf8_or_windows_1252("f\xC3\xBCr"), "f\xC3\xBCr");
    EXPECT_EQ(utf8_or_windows_1252("f\xFCr"), "f\xC3\xBCr");
    EXPECT_EQ(well_formed_utf8("a\xC0\xAF\xED\xA0\x80"), "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

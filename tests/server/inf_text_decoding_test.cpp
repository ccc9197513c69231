// INF files' bytes as text: UTF-8 where the file shows it, the language's code page for
// localised [Strings] sections of 8-bit files, Windows-1252 for the rest.
#include "server/inf/inf_text_decoding.h"

#include <gtest/gtest.h>

namespace {

std::string decoded(std::string_view bytes) {
    std::string text;
    inf_error_c error;
    EXPECT_TRUE(decode_inf_bytes(bytes, text, error)) << error.message;
    return text;
}

}  // namespace

TEST(inf_text_decoding, utf8_when_the_file_shows_it_otherwise_windows_1252) {
    EXPECT_EQ(decoded("[S]\nk=f\xC3\xBCr"), "[S]\nk=f\xC3\xBCr");        // well-formed UTF-8
    EXPECT_EQ(decoded("\xEF\xBB\xBF[S]\nk=f\xC3\xBCr"), "[S]\nk=f\xC3\xBCr");
    EXPECT_EQ(decoded("\xEF\xBB\xBFk=\xFC"), "k=\xEF\xBF\xBD");          // marked UTF-8, yet broken
    EXPECT_EQ(decoded("[S]\nk=f\xFCr \xAE \x80"), "[S]\nk=f\xC3\xBCr \xC2\xAE \xE2\x82\xAC");
    // One stray byte makes the whole file 8-bit.
    EXPECT_EQ(decoded("k=\xC3\xBC\nj=\xFC"), "k=\xC3\x83\xC2\xBC\nj=\xC3\xBC");

    std::string text;
    inf_error_c error;
    EXPECT_FALSE(decode_inf_bytes(std::string("[S]\nk=\0", 7), text, error));
    EXPECT_EQ(error.line_number, 2);
}

TEST(inf_text_decoding, localised_strings_sections_of_8bit_files_in_their_languages_code_page) {
    const std::string bytes =
        "[Strings]\r\nd=\"f\xFCr\"\r\n"
        "[Strings.0419] ; Russian\r\nd=\"\xCA\xEE\xF0\"\r\n"
        "[ strings.0411 ]\r\nd=\x83\x5C\r\ne=\x83\x66\r\n"  // "ソ" ends in the byte of "\"
        "[strings.0a]\r\nd=\"\xF1\"\r\n"
        "[Models]\r\nx=\"\xE9\"\r\n";
    EXPECT_EQ(decoded(bytes),
              "[Strings]\r\nd=\"f\xC3\xBCr\"\r\n"
              "[Strings.0419] ; Russian\r\nd=\"\xD0\x9A\xD0\xBE\xD1\x80\"\r\n"
              "[ strings.0411 ]\r\nd=\xE3\x82\xBD\r\ne=\xE3\x83\x87\r\n"
              "[strings.0a]\r\nd=\"\xC3\xB1\"\r\n"
              "[Models]\r\nx=\"\xC3\xA9\"\r\n");
}

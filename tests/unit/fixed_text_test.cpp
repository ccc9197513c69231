#include "common/fixed_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

TEST(fixed_text, copies_what_fits_and_always_terminates) {
    char exact[6];
    std::memset(exact, 'x', sizeof exact);
    copy_text(exact, "hello");
    EXPECT_STREQ(exact, "hello");

    char small[4];
    std::memset(small, 'x', sizeof small);
    copy_text(small, "hello");
    EXPECT_STREQ(small, "hel");

    wchar_t wide[4];
    copy_text(wide, L"abcdef");
    EXPECT_STREQ(wide, L"abc");

    char empty[3] = {'x', 'x', 'x'};
    copy_text(empty, static_cast<const char*>(nullptr));
    EXPECT_EQ(empty[0], '\0');
}

TEST(fixed_text, keeps_bytes_past_the_terminator_untouched_and_accepts_views) {
    char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    copy_text(buffer, std::string_view("ab\0cd", 5));
    EXPECT_EQ(std::memcmp(buffer, "ab\0cd\0xx", 8), 0);
}

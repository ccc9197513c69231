#include "common/format_size.h"

#include <gtest/gtest.h>

TEST(format_size, uses_a_unit_only_strictly_above_it) {
    EXPECT_EQ(format_size(0), "0B");
    EXPECT_EQ(format_size(1024), "1024B");
    EXPECT_EQ(format_size(1025), "1.00K");
    EXPECT_EQ(format_size(1536), "1.50K");
    EXPECT_EQ(format_size(1048576), "1024.00K");
    EXPECT_EQ(format_size(1048577), "1.00M");
    EXPECT_EQ(format_size(1073741824), "1024.00M");
    EXPECT_EQ(format_size(1073741825), "1.00G");
    EXPECT_EQ(format_size(4294967296), "4.00G");
}

TEST(format_size, rounds_to_two_decimals_and_prints_negative_counts_plainly) {
    EXPECT_EQ(format_size(1029), "1.00K");   // 1.0048...
    EXPECT_EQ(format_size(1030), "1.01K");   // 1.0058...
    EXPECT_EQ(format_size(-5), "-5B");
    EXPECT_EQ(format_size(-5000000000), "-5000000000B");
    EXPECT_LE(format_size(INT64_MAX).size(), 15u);
}

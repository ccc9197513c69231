#include "common/date_text.h"

#include <gtest/gtest.h>

#include <regex>

TEST(date_text, formats_year_month_day_with_leading_zeros) {
    std::tm moment{};
    moment.tm_year = 2009 - 1900;
    moment.tm_mon = 0;
    moment.tm_mday = 5;
    EXPECT_EQ(format_date(moment), "2009-01-05");
}

TEST(date_text, today_is_a_well_formed_date_in_both_time_zones) {
    const std::regex shape(R"(\d{4}-\d{2}-\d{2})");
    EXPECT_TRUE(std::regex_match(today_local(), shape)) << today_local();
    EXPECT_TRUE(std::regex_match(today_utc(), shape)) << today_utc();
}

#include "system/command_line.h"

#include <gtest/gtest.h>

TEST(command_line, a_switch_counts_only_as_the_single_argument_in_any_case) {
    EXPECT_TRUE(is_single_switch({L"Vantorel.exe", L"--autorun"}, autorun_switch));
    EXPECT_TRUE(is_single_switch({L"Vantorel.exe", L"--AutoRun"}, autorun_switch));
    EXPECT_TRUE(is_single_switch({L"C:\\x\\Vantorel.exe", L"--AUTOSCAN"}, autoscan_switch));
    EXPECT_FALSE(is_single_switch({L"Vantorel.exe", L"--autorun", L"x"}, autorun_switch));
    EXPECT_FALSE(is_single_switch({L"Vantorel.exe"}, autorun_switch));
    EXPECT_FALSE(is_single_switch({L"Vantorel.exe", L"--autorunx"}, autorun_switch));
    EXPECT_FALSE(is_single_switch({L"Vantorel.exe", L"--autoscan"}, autorun_switch));
}

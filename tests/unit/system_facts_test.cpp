#include "system/system_facts.h"

#include <gtest/gtest.h>

TEST(system_facts, os_text_appends_build_and_service_pack_only_when_present) {
    EXPECT_EQ(compose_os_text(L"Microsoft Windows 7 Professional", L"7601", L"Service Pack 1"),
              L"Microsoft Windows 7 Professional Build 7601 Service Pack 1");
    EXPECT_EQ(compose_os_text(L"Microsoft Windows 7", L"7601", L""), L"Microsoft Windows 7 Build 7601");
    EXPECT_EQ(compose_os_text(L"Microsoft Windows XP", L"", L"Service Pack 3"), L"Microsoft Windows XP Service Pack 3");
    EXPECT_EQ(compose_os_text(L"", L"", L""), L"");
}

TEST(system_facts, memory_text_sums_module_capacities) {
    EXPECT_EQ(compose_memory_text({L"2147483648", L"2147483648"}), L"4.00G");
    EXPECT_EQ(compose_memory_text({}), L"0B");
    EXPECT_EQ(compose_memory_text({L"1073741824"}), L"1024.00M");
    EXPECT_EQ(compose_memory_text({L"8589934592", L"junk", L""}), L"8.00G");
}

TEST(system_facts, capacity_parsing_refuses_anything_but_a_whole_decimal_number) {
    EXPECT_EQ(parse_capacity(L"17179869184"), 17179869184u);
    EXPECT_EQ(parse_capacity(L"18446744073709551615"), 18446744073709551615u);
    EXPECT_EQ(parse_capacity(L"18446744073709551616"), 0u);  // overflow
    EXPECT_EQ(parse_capacity(L"-1"), 0u);
    EXPECT_EQ(parse_capacity(L"12 GB"), 0u);
}

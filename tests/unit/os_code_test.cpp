#include "system/os_code.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct os_row_c {
    std::uint32_t major, minor, product_type;
    bool server_r2;
    const char* bits32;
    const char* bits64;
};

constexpr std::uint32_t server = 3;
constexpr std::uint32_t domain_controller = 2;

const os_row_c table[] = {
    {3, 51, product_workstation, false, "NOT_SUPPORTED", "NOT_SUPPORTED"},
    {4, 0, product_workstation, false, "NOT_SUPPORTED", "NOT_SUPPORTED"},
    {5, 0, product_workstation, false, "NOT_SUPPORTED", "NOT_SUPPORTED"},
    {5, 1, product_workstation, false, "WINXP", "WINXP64"},
    {5, 1, 0, false, "WINXP", "WINXP64"},
    {5, 2, server, false, "WIN2003", "WIN200364"},
    {5, 2, server, true, "WIN2003", "WIN200364"},
    {5, 2, product_workstation, false, "WIN2003", "WIN200364"},  // XP x64 reports 5.2
    {6, 0, product_workstation, false, "VISTA", "VISTA64"},
    {6, 0, server, false, "WIN2008", "WIN200864"},
    {6, 0, 0, false, "WIN2008", "WIN200864"},  // plain version record: product type 0
    {6, 1, product_workstation, false, "WIN7", "WIN764"},
    {6, 1, server, true, "WIN2008", "WIN200864"},  // Server 2008 R2
    {6, 1, domain_controller, false, "WIN2008", "WIN200864"},
    {6, 2, product_workstation, false, "WIN8", "WIN864"},
    {6, 2, server, false, "WIN8", "WIN864"},
    {5, 3, product_workstation, false, "WINXP", "WINXP64"},
    {5, 9, server, false, "WINXP", "WINXP64"},
    {6, 3, product_workstation, false, "WIN81", "WIN8164"},
    {6, 3, server, false, "WIN81", "WIN8164"},
    {6, 4, server, false, "WIN81", "WIN8164"},
    {7, 0, product_workstation, false, "WIN81", "WIN8164"},
    {10, 0, product_workstation, false, "WIN10", "WIN1064"},
    {10, 0, server, false, "WIN10", "WIN1064"},
    {11, 0, product_workstation, false, "WIN10", "WIN1064"},
};

}  // namespace

TEST(os_code, every_row_of_the_table_for_both_editions) {
    for (const auto& row : table) {
        os_version_c version{row.major, row.minor, platform_nt, row.product_type, row.server_r2};
        std::string label = std::to_string(row.major) + "." + std::to_string(row.minor) + " type " +
                            std::to_string(row.product_type);
        EXPECT_STREQ(derive_os_code(version, false), row.bits32) << label;
        EXPECT_STREQ(derive_os_code(version, true), row.bits64) << label;
    }
}

TEST(os_code, platforms_other_than_nt_are_not_supported) {
    for (std::uint32_t platform : {0u, 1u, 3u}) {
        os_version_c version{6, 1, platform, product_workstation, false};
        EXPECT_STREQ(derive_os_code(version, false), "NOT_SUPPORTED");
        EXPECT_STREQ(derive_os_code(version, true), "NOT_SUPPORTED");
    }
}

TEST(os_code, version_number_is_major_times_ten_plus_minor) {
    EXPECT_EQ(derive_os_version_number({5, 1, platform_nt, 1, false}), 51);
    EXPECT_EQ(derive_os_version_number({6, 1, platform_nt, 1, false}), 61);
    EXPECT_EQ(derive_os_version_number({10, 0, platform_nt, 1, false}), 100);
}

TEST(os_code, only_an_x86_architecture_counts_as_32_bit) {
    EXPECT_FALSE(architecture_is_64bit(0));       // x86
    EXPECT_TRUE(architecture_is_64bit(9));        // AMD64
    EXPECT_TRUE(architecture_is_64bit(6));        // IA64
    EXPECT_TRUE(architecture_is_64bit(12));       // ARM64
    EXPECT_FALSE(architecture_is_64bit(0xFFF0));  // low four bits clear
}

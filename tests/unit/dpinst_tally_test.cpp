#include "dpinst/install_tally.h"

#include <gtest/gtest.h>

TEST(dpinst_tally, exit_code_places_each_count_in_its_byte) {
    install_tally_c tally;
    EXPECT_EQ(tally.exit_code(), 0x00000000u);
    tally.add(package_outcome_c::installed);
    EXPECT_EQ(tally.exit_code(), 0x00000001u);
    tally.add(package_outcome_c::staged_only);
    tally.add(package_outcome_c::staged_only);
    tally.add(package_outcome_c::skipped);
    EXPECT_EQ(tally.exit_code(), 0x00000201u);
    tally.restart_needed = true;
    EXPECT_EQ(tally.exit_code(), 0x40000201u);
    tally.add(package_outcome_c::failed);
    EXPECT_EQ(tally.exit_code(), 0xC0010201u);
}

TEST(dpinst_tally, counts_beyond_a_byte_show_as_ff_without_spilling) {
    install_tally_c tally;
    for (int i = 0; i < 300; ++i) tally.add(package_outcome_c::failed);
    for (int i = 0; i < 256; ++i) tally.add(package_outcome_c::installed);
    EXPECT_EQ(tally.failed, 300u);
    EXPECT_EQ(tally.exit_code(), 0x80FF00FFu);
}

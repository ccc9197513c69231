// Who may install drivers, for each kind of token Windows gives a process.
#include "system/administrator_gate.h"

#include <gtest/gtest.h>

TEST(administrator_gate, administrators_pass_elevated_or_able_to_elevate_and_standard_users_do_not) {
    struct case_c {
        administrator_token_c token;
        administrator_gate_c gate;
    } cases[] = {
        {{token_elevation_c::none, true, false}, administrator_gate_c::elevated},      // no UAC, or before Vista
        {{token_elevation_c::none, false, false}, administrator_gate_c::refused},      // a standard user
        {{token_elevation_c::full, true, false}, administrator_gate_c::elevated},      // run as administrator
        {{token_elevation_c::limited, false, true}, administrator_gate_c::can_elevate},  // the usual start under UAC
        {{token_elevation_c::limited, false, false}, administrator_gate_c::refused},   // a link to no administrator
        {{token_elevation_c::full, false, false}, administrator_gate_c::refused},
    };
    for (const case_c& c : cases)
        EXPECT_EQ(decide_administrator_gate(c.token), c.gate)
            << int(c.token.elevation) << " " << c.token.member << " " << c.token.linked_member;
}

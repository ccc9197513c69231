// The administrator gate for this process: the token's facts read from the system.
#pragma once

#include "system/administrator_gate.h"

// What the process token tells (before Vista, no elevation type: only the membership).
administrator_token_c read_administrator_token();

// The user is an administrator, elevated or able to elevate.
bool user_is_administrator();


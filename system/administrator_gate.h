// Whether the user may install drivers, decided from what the process token tells. Under UAC an
// administrator's program runs with a limited token whose Administrators membership is for
// denying only; the elevated token linked to it tells that the user can elevate, and Windows asks
// for consent when the installer starts.
#pragma once

// TokenElevationType: the token of a user without a split token (no UAC, a built-in or standard
// account), the elevated half, or the limited half of an administrator's split token.
enum class token_elevation_c { none, full, limited };

struct administrator_token_c {
    token_elevation_c elevation = token_elevation_c::none;
    bool member = false;         // the process token counts as Administrators (not deny-only)
    bool linked_member = false;  // the linked elevated token counts as Administrators
};

enum class administrator_gate_c {
    elevated,     // runs as an administrator now
    can_elevate,  // an administrator running limited: installing asks for consent
    refused,      // a standard user
};

administrator_gate_c decide_administrator_gate(const administrator_token_c& token);

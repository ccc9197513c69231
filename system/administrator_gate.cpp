#include "system/administrator_gate.h"

administrator_gate_c decide_administrator_gate(const administrator_token_c& token) {
    switch (token.elevation) {
        case token_elevation_c::limited: return token.linked_member ? administrator_gate_c::can_elevate : administrator_gate_c::refused;
        case token_elevation_c::full:
        case token_elevation_c::none: return token.member ? administrator_gate_c::elevated : administrator_gate_c::refused;
    }
    return administrator_gate_c::refused;
}

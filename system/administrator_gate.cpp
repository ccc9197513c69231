#include "system/administrator_gate.h"

administrator_gate decide_administrator_gate(const administrator_token_c& token) {
    switch (token.elevation) {
        case token_elevation::limited: return token.linked_member ? administrator_gate::can_elevate : administrator_gate::refused;
        case token_elevation::full:
        case token_elevation::none: return token.member ? administrator_gate::elevated : administrator_gate::refused;
    }
    return administrator_gate::refused;
}

#include "ui/kit/button_state.h"

button_state_c::result_c button_state_c::set(int state) {
    result_c result;
    result.changed = state != state_;
    state_ = state;
    return result;
}

button_state_c::result_c button_state_c::move(bool inside) {
    if (pressing_) return set(inside ? pressed : normal);
    if (!inside) return set(normal);
    return set(state_ == normal ? hover : state_);
}

button_state_c::result_c button_state_c::press(bool inside) {
    if (!inside) return set(normal);
    pressing_ = true;
    return set(pressed);
}

button_state_c::result_c button_state_c::release(bool inside) {
    bool armed = pressing_;
    pressing_ = false;
    result_c result = set(inside ? hover : normal);
    result.clicked = armed && inside;
    return result;
}

button_state_c::result_c button_state_c::leave() { return set(normal); }

button_state_c::result_c button_state_c::cancel() {
    pressing_ = false;
    return set(normal);
}

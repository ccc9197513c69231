#include "ui/dialogs/config_rules.h"

close_to_tray_c close_to_tray_after(bool checked, close_to_tray_c stored) {
    if (!checked) return close_to_tray_c::quit;
    return stored == close_to_tray_c::quit ? close_to_tray_c::hide_with_notice : stored;
}

bool folder_setting_fits(bool named, std::size_t length, std::size_t capacity) { return named && length < capacity; }

#include "ui/dialogs/config_rules.h"

unsigned close_to_tray_after(bool checked, unsigned stored) {
    if (!checked) return 0;
    return stored == 0 ? 1 : stored;
}

bool folder_setting_fits(bool named, std::size_t length, std::size_t capacity) { return named && length < capacity; }

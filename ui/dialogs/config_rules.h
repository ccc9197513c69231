// The settings dialog's rules that need no window.
#pragma once

#include <cstddef>

// The value of the setting close_to_tray after the dialog: a ticked box keeps 1 or 2 (2: the
// tray notice was shown already) and turns 0 into 1; a cleared box gives 0.
unsigned close_to_tray_after(bool checked, unsigned stored);

// Whether a folder typed in the dialog can be kept: one is named, and its path (length
// characters) fits the setting's buffer of capacity characters with the terminating zero. One
// that cannot keeps the dialog open.
bool folder_setting_fits(bool named, std::size_t length, std::size_t capacity);

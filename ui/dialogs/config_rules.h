// The settings dialog's rules that need no window.
#pragma once

#include "system/settings.h"

#include <cstddef>

// The setting close_to_tray after the dialog: a ticked box keeps a hiding choice (a notice shown
// stays shown) and turns quit into hiding with the notice; a cleared box quits.
close_to_tray_c close_to_tray_after(bool checked, close_to_tray_c stored);

// Whether a folder typed in the dialog can be kept: one is named, and its path (length
// characters) fits the setting's buffer of capacity characters with the terminating zero. One
// that cannot keeps the dialog open.
bool folder_setting_fits(bool named, std::size_t length, std::size_t capacity);

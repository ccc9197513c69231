// The settings dialog's rules that need no window.
#pragma once

// The value of the setting close_to_tray after the dialog: a ticked box keeps 1 or 2 (2: the
// tray notice was shown already) and turns 0 into 1; a cleared box gives 0.
unsigned close_to_tray_after(bool checked, unsigned stored);

// One run of the updater: ask the mirrors, tell the user (or the script) the answer, and for a
// newer release download its installer, verify it and start it silently.
#pragma once

#include "updater/update_options_win.h"

// The exit code (update_exit_c).
int run_update(const update_options_c& options);

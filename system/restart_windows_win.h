// Restarting Windows when the user agrees to finish a driver installation now.
#pragma once

// Asks Windows to restart, as a planned restart for an installation (the shutdown privilege is
// enabled for the program first). False when Windows refuses; then nothing happens.
bool restart_windows();

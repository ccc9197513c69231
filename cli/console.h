// What the console tool needs of its terminal.
#pragma once

// True when standard error is an interactive terminal (progress bars go there, nowhere else).
bool stderr_is_terminal();

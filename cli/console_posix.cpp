#include "cli/console.h"

#include <unistd.h>

bool stderr_is_terminal() { return ::isatty(STDERR_FILENO) != 0; }

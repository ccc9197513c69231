#include "cli/console.h"

#include <windows.h>

bool stderr_is_terminal() {
    DWORD mode = 0;
    // Only a console has a console mode; pipes and files do not.
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

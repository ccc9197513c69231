#include "cli/cli_commands.h"

#include <cstdio>

int settings_command(const cli_arguments&) {
    std::fprintf(stderr, "vantorel-cli: the settings live in the Windows registry; run the Windows build\n");
    return exit_misuse;
}

#include "cli/cli_commands.h"

#include <cstdio>

int facts_command(const cli_arguments&) {
    std::fprintf(stderr, "vantorel-cli: machine facts are read from Windows; run the Windows build\n");
    return exit_misuse;
}

#include "cli/cli_commands.h"

#include <cstdio>

int schedule_command(const cli_arguments&) {
    std::fprintf(stderr, "vantorel-cli: the scheduled scan is a Windows Task Scheduler task; run the Windows build\n");
    return exit_misuse;
}

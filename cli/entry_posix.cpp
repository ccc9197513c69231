#include "cli/cli_commands.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    try {
        return run_cli(cli_arguments(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vantorel-cli: %s\n", error.what());
        return 1;
    }
}

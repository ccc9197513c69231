#include "cli/cli_commands.h"
#include "common/text_convert.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <exception>

int wmain(int argc, wchar_t** argv) {
    // JSON goes out byte for byte, without line-end translation.
    _setmode(_fileno(stdout), _O_BINARY);
    try {
        cli_arguments arguments;
        for (int i = 1; i < argc; ++i) arguments.push_back(wide_to_utf8(argv[i]));
        return run_cli(arguments);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vantorel-cli: %s\n", error.what());
        return 1;
    }
}

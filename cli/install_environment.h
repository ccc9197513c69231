// What `vantorel-cli install` and `scan` need of the machine: where the driver package installers
// lie (this program's folder), which one fits, the shell to start them (none on Linux), and the
// data folder the program keeps "setup.dat" in.
#pragma once

#include "common/shell_launcher.h"

#include <cstdint>
#include <optional>
#include <string>

struct install_environment_c {
    std::wstring program_folder;
    std::wstring data_folder;  // as the program's (data_places_win.h); none on Linux
    bool is_64bit_windows = false;
    bool arm64_machine = false;
    shell_launcher_c* shell = nullptr;  // null where nothing can be started
};

install_environment_c install_environment();

// Starts the program with the parameters and waits for it to end; its exit code, or nothing when
// it could not be started (always nothing on Linux).
std::optional<std::uint32_t> run_to_end(const std::wstring& program, const std::wstring& parameters);

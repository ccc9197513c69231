#include "cli/install_environment.h"

#include "system/data_places_win.h"
#include "system/machine_facts.h"
#include "common/program_start_win.h"

#include <windows.h>

install_environment_c install_environment() {
    install_environment_c environment;
    collect_basic_facts();
    const std::wstring& path = program_path();
    environment.program_folder = path.substr(0, path.find_last_of(L"\\/"));
    environment.data_folder = data_places().folder;
    environment.is_64bit_windows = is_64bit_windows();
    environment.arm64_machine = system_machine() == processor_machine_c::arm64;
    environment.shell = &system_shell_launcher();
    return environment;
}

std::optional<std::uint32_t> run_to_end(const std::wstring& program, const std::wstring& parameters) {
    return run_program_to_end(program, parameters);
}

#include "cli/install_environment.h"

#include "app/machine_facts.h"

install_environment_c install_environment() {
    install_environment_c environment;
    collect_basic_facts();
    const std::wstring& path = program_path();
    environment.program_folder = path.substr(0, path.find_last_of(L"\\/"));
    environment.is_64bit_windows = is_64bit_windows();
    environment.shell = &system_shell_launcher();
    return environment;
}

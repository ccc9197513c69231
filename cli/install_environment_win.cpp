#include "cli/install_environment.h"

#include "system/data_places_win.h"
#include "system/machine_facts.h"
#include "common/kernel_handle_win.h"

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
    std::wstring command = L"\"" + program + L"\" " + parameters;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return std::nullopt;
    CloseHandle(process.hThread);
    kernel_handle_c running(process.hProcess);
    DWORD code = 0;
    if (WaitForSingleObject(running.get(), INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(running.get(), &code))
        return std::nullopt;
    return std::uint32_t(code);
}
